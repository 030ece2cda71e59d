// Cut File, Extend File, Fill, Copy and Paste: the bytes they write, what they leave on the
// clipboard, and what Undo gives back.
#include "scenario.h"

#include "app/commands.h"
#include "dialogs/input_dialog.h"
#include "view/caret.h"

#include <string_view>

using namespace std::literals;
using headless::dialog::click;
using headless::dialog::type;

class BlockEdits : public Scenario {
  protected:
    // Selects bytes [first, end) with Shift and the hex pane's arrow keys; then the pane is active.
    static void select(int32_t first, int32_t end, int pane = 0) {
        setCaret(2 * first);
        for (int32_t i = 2 * first; i < 2 * end; ++i) {
            headless::press(vk::right, {vk::shift});
        }
        if (pane == 1) {
            headless::press(vk::tab);
        }
    }
    // The document's bytes, a half-typed last byte included.
    static Bytes allBytes() {
        return Bytes(state.document->bytes, state.document->bytes + (state.length + 1) / 2);
    }
    static Bytes bytes(std::string_view text) { return Bytes(text.begin(), text.end()); }
    static Bytes clipboardText() { return headless::clipboardData(cf::text); }
    static Bytes clipboardCount() { return headless::clipboardData(state.binaryClipboardFormat); }
};

TEST_F(BlockEdits, CutFileAndExtendFileChangeTheEndAndUndoGivesItBack) {
    // Cut File from a high digit, a low digit and the end; Extend File by 100 zero bytes. Then
    // the same over a half-typed last byte: Undo gives back its digit and the odd length.
    const std::tuple<int32_t, const char*, size_t, size_t> cases[] = {
        {10, nullptr, 5, 5}, {11, nullptr, 5, 5}, {16, nullptr, 8, 8}, {0, "100", 8, 108}};
    for (const char* typed : {"", "a"}) {
        for (const auto& [caret, count, kept, size] : cases) {
            startWith(sequence(8));
            headless::press(vk::pageDown, {vk::control});
            headless::type(typed);
            const Bytes original = allBytes();
            setCaret(caret);
            if (count != nullptr) {
                headless::answerDialog({type(count), click(control::ok)});
            }
            headless::command(count != nullptr ? cmd::extendFile : cmd::cutFile);
            Bytes expected = sequence(kept);
            expected.resize(size);
            EXPECT_EQ(allBytes(), expected);
            EXPECT_EQ(state.caret, 2 * (caret / 2));
            EXPECT_EQ(state.totalRows, state.length / state.rowCells[0]); // the scroll range
            expectPanesMatchRepaint();
            headless::command(cmd::undo);
            EXPECT_EQ(allBytes(), original);
            expectPanesMatchRepaint();
        }
    }
    // Hexadecimal ffffffff is 4294967295, too long for the count's box in decimal: nothing is
    // handed back, nothing written.
    startWith(sequence(8));
    headless::answerDialog({click(control::checkbox), type("ffffffff"), click(control::ok)});
    headless::command(cmd::extendFile);
    EXPECT_EQ(lastMessage(), "Number too long in decimal");
    EXPECT_EQ(changeCount(), 0);
}

TEST_F(BlockEdits, FillRepeatsThePatternOverTheSelection) {
    // The text pane takes characters; the hex pane doubles a single digit, repeats an odd
    // pattern nibble by nibble and takes 16 digits at most. An empty entry is Cancel.
    const std::tuple<int, const char*, std::string_view> cases[] = {
        {1, "xy", "xy"sv},
        {0, "0", "\0"sv},
        {0, "abc", "\xAB\xCA\xBC"sv},
        {0, "0123456789abcdef0", "\x01\x23\x45\x67\x89\xAB\xCD\xEF"sv},
        {0, "", ""sv}};
    for (const auto& [pane, typed, pattern] : cases) {
        startWith(Bytes(30, 0x55));
        select(5, 25, pane);
        setCaret(60);
        headless::answerDialog({type(typed), click(control::ok)});
        headless::command(cmd::fill);
        Bytes expected(30, 0x55);
        for (size_t i = 0; i < 20 && !pattern.empty(); ++i) {
            expected[5 + i] = static_cast<uint8_t>(pattern[i % pattern.size()]);
        }
        EXPECT_EQ(documentBytes(), expected);
        EXPECT_EQ(changeCount(), pattern.empty() ? 0 : 1);
        EXPECT_EQ(std::tuple(state.caret, state.selection.start, state.selection.end),
                  std::tuple(10, 5, 25)); // the caret at the selection's start
        expectPanesMatchRepaint();
        headless::command(cmd::undo);
        EXPECT_EQ(documentBytes(), Bytes(30, 0x55));
    }
}

TEST_F(BlockEdits, CopyPutsTheSelectionOnTheClipboardOnlyWhenItCan) {
    startWith({0x10, 0x41, 0x00, 0x1D, 0x1E, 0x20});
    // Without a selection, with the clipboard busy or without memory, it stays as it was; Paste
    // from a busy clipboard does nothing and says nothing.
    headless::putOnClipboard(cf::text, {'k', 0});
    headless::command(cmd::copy);
    select(1, 5);
    headless::holdClipboard(true);
    headless::command(cmd::copy);
    EXPECT_EQ(lastMessage(), "Error 4");
    EXPECT_EQ(platform::sendMessage(state.mainWindow, wm::command, cmd::paste, 0), 0);
    EXPECT_EQ(headless::messageBoxes().size(), 1u);
    headless::holdClipboard(false);
    headless::failAllocations(1); // the count's block
    headless::command(cmd::copy);
    EXPECT_EQ(lastMessage(), "Low Memory!\n\rAction could not be completed!");
    EXPECT_EQ(clipboardText(), Bytes({'k', 0}));
    EXPECT_EQ(clipboardCount(), Bytes());
    EXPECT_EQ(changeCount(), 0);
    // Copy adds the count in "KEZ_BIN", which carries zero bytes; the text copies remove it,
    // the ASCII one showing codes below 30 as a dot (0xB7). The pane makes no difference.
    const std::tuple<int, std::string_view, std::string_view> cases[] = {
        {cmd::copyAscii, "A\xB7\xB7\x1E\0"sv, ""sv},
        {cmd::copyHex, "41001D1E\0"sv, ""sv},
        {cmd::copy, "A\0\x1D\x1E\0"sv, "\4\0\0\0"sv}};
    for (int pane = 0; pane < 2; ++pane) {
        for (const auto& [command, text, count] : cases) {
            headless::putOnClipboard(state.binaryClipboardFormat, {9, 0, 0, 0});
            headless::command(command);
            EXPECT_EQ(clipboardText(), bytes(text)) << pane;
            EXPECT_EQ(clipboardCount(), bytes(count));
        }
        headless::press(vk::tab);
    }
    EXPECT_EQ(headless::messageBoxes().size(), 2u); // none about the size
    // A copy is cut to 0x100000 bytes, its hex text to 0x100000 digits, and says so.
    startWith(sequence(0x100010));
    headless::command(cmd::selectAll);
    for (const auto& [command, copied] :
         {std::pair{cmd::copy, "1048576"}, {cmd::copyHex, "524288"}}) {
        headless::command(command);
        EXPECT_EQ(clipboardText().size(), 0x100001u);
        EXPECT_EQ(lastMessage(),
                  "Selection too large - only the first " + std::string(copied) + " bytes copied");
    }
}

TEST_F(BlockEdits, PasteTakesACountOrTheTextUpToItsTerminator) {
    // The text block, its size and the "KEZ_BIN" block (none when shorter than a count). A
    // count carries zero bytes but is never taken beyond the block; without one, the text's
    // first zero ends it, however large the block. The caret's byte is the first written.
    const std::tuple<std::string_view, size_t, std::string_view, std::string_view> cases[] = {
        {"hi\0"sv, 20, ""sv, "hi"sv},
        {"hi\0"sv, 4096, ""sv, "hi"sv},
        {"hi!"sv, 3, ""sv, "hi!"sv},
        {"abc"sv, 3, "\1\0\0"sv, "abc"sv},
        {"a\0b"sv, 3, "\2\0\0\0"sv, "a\0"sv},
        {"ab\0"sv, 3, "\xE8\3\0\0"sv, "ab\0"sv},
        {"\0"sv, 1, ""sv, ""sv}}; // an empty paste still logs its record
    for (const auto& [block, size, count, pasted] : cases) {
        startWith(Bytes(12, 0x55));
        headless::putOnClipboard(cf::text, bytes(block), size);
        headless::putOnClipboard(state.binaryClipboardFormat, bytes(count));
        setCaret(3);
        headless::command(cmd::paste);
        Bytes expected(12, 0x55);
        std::copy(pasted.begin(), pasted.end(), expected.begin() + 1);
        EXPECT_EQ(documentBytes(), expected);
        EXPECT_EQ(state.caret, 3);
        EXPECT_EQ(changeCount(), 1);
        expectPanesMatchRepaint();
        headless::command(cmd::undo);
        EXPECT_EQ(documentBytes(), Bytes(12, 0x55));
    }
}
