// The fuzzer's events: one function per kind of input, chosen from a weighted table, and what
// the commands they give must do to the document.
#include "tests/fuzz/fuzzer.h"

#include "app/commands.h"
#include "app/editor_state.h"
#include "document/document_buffer.h"
#include "platform/codes.h"
#include "platform/headless/headless.h"
#include "platform/headless/resource_script.h"
#include "undo/undo_log.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace fuzz {

namespace {

using headless::DialogStep;
namespace dialog = headless::dialog;

constexpr int32_t largestCopy = 0x100000;

void say(Fuzzer& f, const std::string& what) {
    f.event.what = what;
    if (f.trace) {
        std::fprintf(stderr, "%llu: %s\n", static_cast<unsigned long long>(f.done), what.c_str());
    }
}

std::string number(int64_t value) {
    return std::to_string(value);
}

// ---- Texts typed into the dialogs -----------------------------------------------------------

// count characters of the alphabet. Hexadecimal letters are typed in lower case: they pass the
// dialogs' filter, upper-case ones do not.
std::string textOf(Source& in, const std::string& alphabet, int32_t count) {
    std::string text;
    for (int32_t i = 0; i < count; ++i) {
        text += alphabet[in.below(static_cast<uint32_t>(alphabet.size()))];
    }
    return text;
}

const char decimalDigits[] = "0123456789";
const char hexDigits[] = "0123456789abcdef";

// A few bytes of the document, as the active pane's search text: so that searches find.
std::string documentPattern(Fuzzer& f) {
    const Bytes& bytes = f.doc.bytes;
    const auto size = static_cast<int32_t>(f.doc.length / 2);
    if (size == 0) {
        return textOf(f.in, hexDigits, 2);
    }
    const int32_t at =
        f.in.chance(50) ? std::min(state.caret / 2, size - 1) : f.in.between(0, size - 1);
    const int32_t count = std::min(f.in.between(1, 6), size - at);
    std::string text;
    for (int32_t i = at; i < at + count; ++i) {
        const uint8_t b = bytes[static_cast<size_t>(i)];
        if (state.activePane == 0) {
            text += hexDigits[b >> 4];
            text += hexDigits[b & 15];
        } else {
            text += static_cast<char>(b);
        }
    }
    return text;
}

std::string anyText(Fuzzer& f) {
    static const char* const worst[] = {
        "",
        "99999999999",
        "-2147483648",
        "4294967296",
        "2147483648",
        "+",
        "-",
        "b",
        "s-",
        "l4294967295",
        "ffffffff",
        "7fffffff",
        "80000000",
        "xyz!@#ABCDEFG ",
        "0000000000000000000000000000000000000000000000000000000000000000001",
        "\x80\xff\x7f\x1a"};
    Source& in = f.in;
    switch (in.below(8)) {
    case 0:
        return textOf(in, decimalDigits, in.between(0, 12));
    case 1:
        return std::string(1, "+-bsl"[in.below(5)]) + textOf(in, decimalDigits, in.between(0, 11));
    case 2:
        return textOf(in, hexDigits, in.between(1, 40));
    case 3: {
        std::string text;
        for (int32_t i = in.between(1, 40); i > 0; --i) {
            text += static_cast<char>(in.between(1, 255));
        }
        return text;
    }
    case 4:
        return worst[in.below(sizeof worst / sizeof worst[0])];
    case 5:
        return textOf(in, "01", in.between(1, 10));
    case 6:
        return "\b" + textOf(in, decimalDigits, in.between(0, 3));
    default:
        return documentPattern(f);
    }
}

DialogStep ticks(Fuzzer& f) {
    const int count = f.in.between(1, 3);
    return dialog::run([count] { headless::tick(count); });
}

void finish(Fuzzer& f, std::vector<DialogStep>& steps) {
    const uint32_t end = f.in.below(10);
    if (end < 7) {
        steps.push_back(dialog::click(1));
    } else if (end < 9) {
        steps.push_back(dialog::click(2));
    } // otherwise the dialog is left open and the user presses Escape
}

// Extend File's count stays small enough that the document stays within a few MiB.
std::vector<DialogStep> extendScript(Fuzzer& f) {
    Source& in = f.in;
    const bool big = f.doc.length > (8 << 20);
    std::vector<DialogStep> steps;
    switch (in.below(4)) {
    case 0:
    case 1:
        steps.push_back(dialog::type(number(in.below(big ? 1000 : in.chance(80) ? 2000 : 300000))));
        break;
    case 2:
        steps.push_back(dialog::click(213));
        steps.push_back(dialog::type(
            in.chance(20) ? "ffffffff" : textOf(in, hexDigits, in.between(0, big ? 3 : 5))));
        break;
    default:
        steps.push_back(dialog::type(in.chance(50) ? "xyz-+" : "\b"));
        break;
    }
    if (in.chance(20)) {
        steps.push_back(dialog::click(213));
    }
    finish(f, steps);
    return steps;
}

std::vector<DialogStep> inputScript(Fuzzer& f, int command) {
    if (command == cmd::extendFile) {
        return extendScript(f);
    }
    std::vector<DialogStep> steps;
    for (int32_t i = f.in.between(0, 3); i > 0; --i) {
        const uint32_t kind = f.in.below(8);
        if (kind == 0 && command == cmd::goTo) {
            steps.push_back(dialog::click(213)); // only Go To shows its check box
        } else if (kind == 1) {
            steps.push_back(ticks(f));
        } else if (command == cmd::color && f.in.chance(60)) {
            steps.push_back(dialog::type(textOf(f.in, hexDigits, 6)));
        } else {
            steps.push_back(dialog::type(anyText(f)));
        }
    }
    finish(f, steps);
    return steps;
}

std::vector<DialogStep> findScript(Fuzzer& f, int command) {
    std::vector<DialogStep> steps;
    bool expanded = command == cmd::replace;
    steps.push_back(dialog::type(f.in.chance(80) ? documentPattern(f) : anyText(f)));
    for (int32_t i = f.in.between(1, 6); i > 0; --i) {
        switch (f.in.below(8)) {
        case 0:
        case 1:
            steps.push_back(dialog::click(1));
            break;
        case 2:
            steps.push_back(dialog::click(300));
            expanded = !expanded;
            break;
        case 3:
            steps.push_back(ticks(f));
            break;
        default:
            if (!expanded) {
                steps.push_back(dialog::click(1));
                break;
            }
            // The expanded dialog's controls: the replacement, the check box and the buttons.
            const uint32_t which = f.in.below(4);
            if (which == 0) {
                steps.push_back(dialog::focus(202));
                steps.push_back(dialog::type(f.in.chance(70) ? documentPattern(f) : anyText(f)));
                steps.push_back(dialog::focus(201));
            } else if (which == 1) {
                steps.push_back(dialog::click(213));
            } else {
                steps.push_back(dialog::click(which == 2 ? 301 : 302));
            }
            break;
        }
    }
    if (f.in.chance(50)) {
        steps.push_back(dialog::click(2));
    }
    return steps;
}

void script(Fuzzer& f, std::vector<DialogStep> steps) {
    headless::answerDialog(std::move(steps));
    ++f.pendingScripts;
}

void queuePath(Fuzzer& f) {
    if (f.pendingPaths.empty()) {
        const std::string& path = f.files[f.in.below(static_cast<uint32_t>(f.files.size()))];
        headless::chooseFiles({path});
        f.pendingPaths.push_back(path);
    }
}

void queueBoxAnswer(Fuzzer& f) {
    if (f.pendingBoxAnswers < 2 && f.in.chance(60)) {
        static const int answers[] = {answer::yes, answer::no, answer::no, answer::ok};
        headless::answerMessageBoxes({answers[f.in.below(4)]});
        ++f.pendingBoxAnswers;
    }
}

// ---- What edits must do to the document ---------------------------------------------------

bool lowMemoryShown(const Fuzzer& f) {
    const auto& boxes = headless::messageBoxes();
    return std::any_of(boxes.begin() + static_cast<ptrdiff_t>(f.boxesBefore), boxes.end(),
                       [](const headless::MessageBoxCall& box) {
                           return box.text.compare(0, 10, "Low Memory") == 0;
                       });
}

// count bytes written at byte `at`, the document grown when they run past its end.
Change written(const Doc& pre, int32_t at, const uint8_t* data, size_t count) {
    const auto end = static_cast<int32_t>(static_cast<size_t>(at) + count);
    return {std::max(pre.length, 2 * end), at, Bytes(data, data + count)};
}

// A block write at the caret: the bytes, or (memory ran short) those the store could take.
void checkBlockWrite(Fuzzer& f, const Doc& pre, const Doc& post, const std::string& what,
                     int32_t at, const Bytes& data, int32_t capacity) {
    if (sameDocs(pre, post)) {
        return;
    }
    Change want = written(pre, at, data.data(), data.size());
    if (!matches(pre, post, want) && lowMemoryShown(f)) {
        const auto count = static_cast<int32_t>(data.size());
        want =
            written(pre, at, data.data(), static_cast<size_t>(std::clamp(capacity - at, 0, count)));
    }
    if (!matches(pre, post, want)) {
        f.fail(what + " writes its bytes at the caret and nothing else: " +
               describe(applied(pre, want), post));
    }
}

// The dialog the event ran, when it ended with OK: the text of its edit box.
bool acceptedText(const Fuzzer& f, std::string& text) {
    const auto& dialogs = headless::dialogsShown();
    if (dialogs.size() <= f.dialogsBefore || (dialogs.back().result & 0xFF) == 0) {
        return false;
    }
    text = dialogs.back().controls.at(201).text;
    return true;
}

uint8_t decodePair(uint8_t high, uint8_t low) {
    const auto h = static_cast<uint8_t>(high >= 0x41 ? high - 0x37 : high - 0x30);
    const auto l = static_cast<uint8_t>(low < 0x30 ? 0 : low >= 0x41 ? low - 0x37 : low - 0x30);
    return static_cast<uint8_t>(16 * h + l);
}

uint8_t byteAt(const Doc& doc, int32_t at) {
    return at < static_cast<int32_t>(doc.bytes.size()) ? doc.bytes[static_cast<size_t>(at)] : 0;
}

void expectTyped(Fuzzer& f, uint8_t code) {
    const int pane = headless::focus() == headless::pane(0) ? 0 : 1;
    bool accepted = code >= 27;
    if (accepted && state.activePane == 0) {
        // The loop lets only hex digits, upper-cased, reach the hex pane.
        if (code >= 'a' && code <= 'f') {
            code = static_cast<uint8_t>(code - 'a' + 'A');
        }
        accepted = (code >= '0' && code <= '9') || (code >= 'A' && code <= 'F');
    }
    const int32_t caret = state.caret;
    f.event.edits = true;
    f.event.expect = [&f, pane, code, accepted, caret](const Doc& pre, const Doc& post) {
        if (sameDocs(pre, post)) {
            return;
        }
        f.require(accepted, "a character the pane does not take changed the document");
        const int32_t b = caret / 2;
        uint8_t byte = code;
        int32_t length = std::max(pre.length, 2 * b + 2);
        if (pane == 0) {
            const auto digit = static_cast<uint8_t>(code <= '9' ? code - '0' : code - 'A' + 10);
            const uint8_t old = byteAt(pre, b);
            byte = caret % 2 == 0 ? static_cast<uint8_t>(digit << 4 | (old & 15))
                                  : static_cast<uint8_t>((old & 0xF0) | digit);
            length = std::max(pre.length, caret + 1);
        }
        f.requireChange(pre, post, {length, b, {byte}}, "a typed cell changes that cell only: ");
        f.require(state.caret == (pane == 0 ? caret + 1 : 2 * b + 2),
                  "the caret moves past the typed cell");
    };
}

// A key without a command types one cell at the caret, or Backspace takes the last one back.
void expectKey(Fuzzer& f) {
    const int32_t caret = state.caret;
    f.event.edits = true;
    f.event.expect = [&f, caret](const Doc& pre, const Doc& post) {
        if (sameDocs(pre, post)) {
            return;
        }
        if (post.length < pre.length) {
            f.require(caret == pre.length && pre.length - post.length <= 2,
                      "Backspace takes back the last cell only");
            f.requireChange(pre, post, {post.length, 0, {}}, "Backspace changes no byte: ");
            return;
        }
        const int32_t b = caret / 2;
        f.require(post.length <= std::max(pre.length, 2 * b + 2),
                  "a typed key adds one cell at most");
        f.requireChange(pre, post, {post.length, b, {byteAt(post, b)}},
                        "a typed key changes the cell at the caret only: ");
    };
}

void expectPaste(Fuzzer& f) {
    const int32_t at = state.caret / 2;
    const int32_t capacity = state.document->capacity;
    const uint32_t binaryFormat = state.binaryClipboardFormat;
    if (f.clipboardHeld || !headless::clipboardHas(cf::text)) {
        return; // nothing can be pasted: the document must stay as it is
    }
    Bytes text = headless::clipboardData(cf::text);
    size_t count = text.size();
    const Bytes binary = headless::clipboardData(binaryFormat);
    if (headless::clipboardHas(binaryFormat) && binary.size() >= 4) {
        uint32_t stored = 0;
        std::memcpy(&stored, binary.data(), 4);
        count = std::min<size_t>(stored, text.size());
    } else if (!text.empty()) {
        // Text from elsewhere: up to its first zero byte.
        count = static_cast<size_t>(std::find(text.begin(), text.end(), 0) - text.begin());
    }
    text.resize(std::min<size_t>(count, largestCopy));
    f.event.expect = [&f, at, capacity, text](const Doc& pre, const Doc& post) {
        checkBlockWrite(f, pre, post, "Paste", at, text, capacity);
    };
}

void expectCopy(Fuzzer& f, int command) {
    const ByteRange selection = state.selection;
    const bool held = f.clipboardHeld;
    const uint32_t binaryFormat = state.binaryClipboardFormat;
    f.event.expect = [&f, command, selection, held, binaryFormat](const Doc& pre, const Doc&) {
        int32_t count = selection.end - selection.start;
        if (count <= 0 || held || headless::messageBoxes().size() > f.boxesBefore) {
            return;
        }
        count = std::min(count, largestCopy);
        const auto first = pre.bytes.begin() + selection.start;
        Bytes want(first, first + count);
        if (command == cmd::copy) {
            const auto n = static_cast<uint32_t>(count);
            const Bytes stored(reinterpret_cast<const uint8_t*>(&n),
                               reinterpret_cast<const uint8_t*>(&n) + 4);
            f.require(headless::clipboardData(binaryFormat) == stored,
                      "Copy puts the byte count in KEZ_BIN");
        } else if (command == cmd::copyAscii) {
            std::replace_if(
                want.begin(), want.end(), [](uint8_t b) { return b < 30; }, 0xB7);
        } else {
            Bytes hex;
            for (int32_t i = 0; i < std::min(2 * count, largestCopy) / 2; ++i) {
                const uint8_t b = want[static_cast<size_t>(i)];
                hex.push_back(static_cast<uint8_t>("0123456789ABCDEF"[b >> 4]));
                hex.push_back(static_cast<uint8_t>("0123456789ABCDEF"[b & 15]));
            }
            want = hex;
        }
        want.push_back(0);
        ++f.counts["copies compared"];
        f.require(headless::clipboardData(cf::text) == want,
                  "Copy puts the selection on the clipboard");
    };
}

void expectFill(Fuzzer& f) {
    const ByteRange selection = state.selection;
    const bool hex = state.activePane == 0;
    f.event.expect = [&f, selection, hex](const Doc& pre, const Doc& post) {
        std::string text;
        if (sameDocs(pre, post)) {
            return;
        }
        f.require(acceptedText(f, text), "Fill changes nothing when cancelled");
        Bytes pattern(text.begin(), text.end());
        if (hex) {
            if (text.size() % 2 != 0 && text.size() <= 15) {
                text += text; // an odd pattern repeats nibble by nibble
            }
            pattern.clear();
            for (size_t i = 0; i + 1 < text.size(); i += 2) {
                pattern.push_back(
                    decodePair(static_cast<uint8_t>(text[i]), static_cast<uint8_t>(text[i + 1])));
            }
        }
        f.require(!pattern.empty(), "an empty fill pattern changes nothing");
        Bytes filled(static_cast<size_t>(selection.end - selection.start));
        for (size_t i = 0; i < filled.size(); ++i) {
            filled[i] = pattern[i % pattern.size()];
        }
        f.requireChange(pre, post, {pre.length, selection.start, filled},
                        "Fill repeats its pattern over the selection only: ");
    };
}

void expectExtend(Fuzzer& f) {
    f.event.expect = [&f](const Doc& pre, const Doc& post) {
        if (sameDocs(pre, post)) {
            return;
        }
        const size_t first = static_cast<size_t>(pre.length / 2);
        f.require(post.length % 2 == 0 && post.bytes.size() > first &&
                      std::equal(pre.bytes.begin(),
                                 pre.bytes.begin() + static_cast<ptrdiff_t>(first),
                                 post.bytes.begin()) &&
                      std::all_of(post.bytes.begin() + static_cast<ptrdiff_t>(first),
                                  post.bytes.end(), [](uint8_t b) { return b == 0; }),
                  "Extend File appends zero bytes and changes nothing else: ", pre, post);
    };
}

void expectCut(Fuzzer& f) {
    const int32_t caret = state.caret;
    f.event.expect = [&f, caret](const Doc& pre, const Doc& post) {
        if (!sameDocs(pre, post)) {
            f.requireChange(pre, post, {2 * (caret / 2), 0, {}},
                            "Cut File ends the file at the caret's byte: ");
        }
    };
}

void expectDecimal(Fuzzer& f) {
    const int32_t at = state.caret / 2;
    const int32_t capacity = state.document->capacity;
    f.event.expect = [&f, at, capacity](const Doc& pre, const Doc& post) {
        std::string text;
        if (!acceptedText(f, text) || text.empty()) {
            f.require(sameDocs(pre, post), "Decimal changes nothing when cancelled");
            return;
        }
        const char* digits = text.c_str();
        size_t size = 4;
        if (text[0] == 'b' || text[0] == 's' || text[0] == 'l') {
            size = text[0] == 'b' ? 1 : text[0] == 's' ? 2 : 4;
            ++digits;
        }
        while (*digits == ' ' || (*digits >= '\t' && *digits <= '\r')) {
            ++digits;
        }
        const bool negative = *digits == '-';
        digits += *digits == '-' || *digits == '+' ? 1 : 0;
        uint32_t value = 0;
        for (; *digits >= '0' && *digits <= '9'; ++digits) {
            value = value * 10 + static_cast<uint32_t>(*digits - '0');
        }
        value = negative ? 0u - value : value;
        Bytes bytes(size);
        for (size_t i = 0; i < size; ++i) {
            bytes[i] = static_cast<uint8_t>(value >> (8 * i));
        }
        checkBlockWrite(f, pre, post, "Decimal", at, bytes, capacity);
    };
}

void expectBits(Fuzzer& f) {
    const int32_t at = state.caret / 2;
    f.event.expect = [&f, at](const Doc& pre, const Doc& post) {
        std::string text;
        if (!acceptedText(f, text) || text.empty() || lowMemoryShown(f)) {
            f.require(sameDocs(pre, post),
                      "Bits changes nothing when cancelled or short of memory");
            return;
        }
        uint32_t value = 0;
        for (int i = static_cast<int>(std::min<size_t>(text.size(), 8)) - 1; i >= 0; --i) {
            const auto c = static_cast<uint8_t>(text[static_cast<size_t>(i)]);
            value = value << 1 | static_cast<uint32_t>(c - '0');
        }
        const auto byte = static_cast<uint8_t>(value);
        f.requireChange(pre, post, written(pre, at, &byte, 1), "Bits rewrites the caret's byte: ");
    };
}

// Open and Insert File: the file's bytes, whole or written at the caret.
void expectRead(Fuzzer& f, const std::string& path, bool insert) {
    Bytes content;
    const bool isFile = path.size() < 256 && readWholeFile(path, content);
    const int32_t at = state.caret / 2;
    const int32_t capacity = state.document->capacity;
    f.event.expect = [&f, isFile, content, insert, at, capacity](const Doc& pre, const Doc& post) {
        if (sameDocs(pre, post)) {
            return;
        }
        f.require(isFile, "only a file's bytes are read into the document");
        if (insert) {
            checkBlockWrite(f, pre, post, "Insert File", at, content, capacity);
            return;
        }
        Doc want;
        want.length = 2 * static_cast<int32_t>(content.size());
        want.bytes = content;
        f.require(sameDocs(want, post), "Open reads the whole file: ", want, post);
    };
}

void expectSave(Fuzzer& f, int command) {
    const std::string current = state.filePath;
    const ByteRange selection = state.selection;
    const int32_t changes = state.undoLog->changeCount;
    f.event.expect = [&f, command, current, selection, changes](const Doc& pre, const Doc&) {
        const bool dialog = headless::fileDialogs().size() > f.fileDialogsBefore;
        const std::string target = dialog ? f.chosenPaths.back() : current;
        const bool saved = headless::messageBoxes().size() == f.boxesBefore &&
                           (dialog ? !target.empty() && target.size() < 256 : command == cmd::save);
        const int32_t now = state.undoLog->changeCount;
        if (!saved) {
            f.require(now == changes, "a save that did not happen leaves the modified state");
            return;
        }
        const auto first = command == cmd::saveSelection ? selection.start : 0;
        const auto end = command == cmd::saveSelection ? selection.end : pre.length / 2;
        const Bytes want(pre.bytes.begin() + first, pre.bytes.begin() + end);
        Bytes written;
        ++f.counts["saved files compared"];
        if (!readWholeFile(target, written) || written != want) {
            f.fail("the saved file holds the document's bytes: " + target);
        }
        f.require(now == (command == cmd::saveSelection ? changes : 0),
                  "Save and Save As mark the document saved, Save Selection does not");
        f.require(command == cmd::saveSelection || target == state.filePath,
                  "the document belongs to the file it was saved as");
    };
}

bool editsDocument(int command) {
    switch (command) {
    case cmd::newFile:
    case cmd::open:
    case cmd::insertFile:
    case cmd::extendFile:
    case cmd::undo:
    case cmd::paste:
    case cmd::cutFile:
    case cmd::decimal:
    case cmd::bits:
    case cmd::fill:
    case cmd::find:
    case cmd::replace:
    case cmd::openPath:
    case cmd::quit:
        return true;
    default:
        return false;
    }
}

// Prepares what the command will ask for (dialog answers, file names) and what it must do.
void give(Fuzzer& f, int command) {
    f.event.edits = editsDocument(command);
    f.event.mayUndo = command == cmd::undo;
    queueBoxAnswer(f);
    switch (command) {
    case cmd::extendFile:
        script(f, inputScript(f, command));
        expectExtend(f);
        break;
    case cmd::decimal:
        script(f, inputScript(f, command));
        expectDecimal(f);
        break;
    case cmd::bits:
        script(f, inputScript(f, command));
        expectBits(f);
        break;
    case cmd::goTo:
    case cmd::color:
        script(f, inputScript(f, command));
        break;
    case cmd::fill:
        if (state.selection.start < state.selection.end) {
            script(f, inputScript(f, command));
        }
        expectFill(f);
        break;
    case cmd::find:
    case cmd::replace:
        script(f, findScript(f, command));
        f.event.severalWrites = true;
        break;
    case cmd::open:
    case cmd::insertFile:
        queuePath(f);
        expectRead(f, f.pendingPaths.front(), command == cmd::insertFile);
        break;
    case cmd::save:
    case cmd::saveAs:
    case cmd::saveSelection:
        queuePath(f);
        expectSave(f, command);
        break;
    case cmd::paste:
        expectPaste(f);
        break;
    case cmd::copy:
    case cmd::copyAscii:
    case cmd::copyHex:
        expectCopy(f, command);
        break;
    case cmd::cutFile:
        expectCut(f);
        break;
    default:
        break;
    }
}

// ---- The events ---------------------------------------------------------------------------

headless::Point somewhere(Fuzzer& f) {
    Source& in = f.in;
    switch (in.below(4)) {
    case 0:
    case 1: {
        const int pane = static_cast<int>(in.below(2));
        return headless::cellPoint(pane, in.between(-2, state.rowCells[pane] + 2),
                                   in.between(-2, state.visibleRows + 2));
    }
    case 2:
        return {in.between(-60, headless::clientWidth(headless::mainWindow()) + 60),
                in.between(-80, headless::clientHeight(headless::mainWindow()) + 80)};
    default:
        return {in.between(-40000, 40000), in.between(-40000, 40000)};
    }
}

std::string pointText(const headless::Point& at) {
    return " at " + number(at.x) + ", " + number(at.y);
}

void characterEvent(Fuzzer& f) {
    const auto code = static_cast<uint8_t>(
        f.in.chance(60) ? "0123456789abcdefABCDEF"[f.in.below(22)] : f.in.below(256));
    say(f, "character " + number(code));
    expectTyped(f, code);
    headless::character(code);
}

// The command a key gives through the accelerator table, with the modifiers held.
int acceleratorCommand(int key, unsigned modifiers) {
    const bool shift = (modifiers & 1) != 0 || platform::keyIsDown(vk::shift);
    const bool control = (modifiers & 2) != 0 || platform::keyIsDown(vk::control);
    const bool alt = (modifiers & 4) != 0 || platform::keyIsDown(vk::alt);
    for (const headless::Accelerator& a : headless::resourceScript().accelerators) {
        if (a.key == key && a.control == control && a.alt == alt && a.shift == shift) {
            return a.command;
        }
    }
    return 0;
}

void pressWith(int key, unsigned modifiers) {
    switch (modifiers) {
    case 0:
        return headless::press(key);
    case 1:
        return headless::press(key, {vk::shift});
    case 2:
        return headless::press(key, {vk::control});
    case 3:
        return headless::press(key, {vk::control, vk::shift});
    case 4:
        return headless::press(key, {vk::alt});
    case 5:
        return headless::press(key, {vk::alt, vk::shift});
    case 6:
        return headless::press(key, {vk::control, vk::alt});
    default:
        return headless::press(key, {vk::control, vk::alt, vk::shift});
    }
}

void keyEvent(Fuzzer& f) {
    static const int keys[] = {vk::left,   vk::right,    vk::up,   vk::down, vk::home,  vk::end,
                               vk::pageUp, vk::pageDown, vk::back, vk::tab,  vk::enter, vk::escape,
                               vk::space,  vk::insert,   vk::del,  vk::f1,   vk::f3};
    Source& in = f.in;
    int key = in.chance(55)   ? keys[in.below(sizeof keys / sizeof keys[0])]
              : in.chance(60) ? 'A' + static_cast<int>(in.below(26))
                              : '0' + static_cast<int>(in.below(10));
    static const unsigned modifierChoices[] = {0, 0, 0, 0, 1, 1, 2, 2, 2, 3, 4, 6, 5, 7};
    unsigned modifiers =
        modifierChoices[in.below(sizeof modifierChoices / sizeof modifierChoices[0])];
    int command = acceleratorCommand(key, modifiers);
    if (command == cmd::quit && in.chance(80)) {
        key = vk::left; // quitting ends the session: now and then only
        command = acceleratorCommand(key, modifiers);
    }
    // While a button holds the mouse, an accelerator's key is taken but sends no command.
    const bool held = command != 0 && headless::capture() != nullptr;
    say(f, "key " + number(key) + " modifiers " + number(modifiers) + " command " +
               number(command) + (held ? " (the mouse is held)" : ""));
    if (command == 0) {
        expectKey(f);
    } else if (!held) {
        give(f, command);
    }
    pressWith(key, modifiers);
}

void holdEvent(Fuzzer& f) {
    static const int keys[] = {vk::shift, vk::shift, vk::control, vk::alt, vk::f1};
    const int key = keys[f.in.below(5)];
    if (platform::keyIsDown(key) && f.in.chance(70)) {
        say(f, "key up " + number(key));
        headless::keyUp(key);
    } else {
        say(f, "key down " + number(key)); // again while held: the key repeats
        headless::keyDown(key);
    }
}

// Presses and releases as a mouse gives them: a button goes down only when it is up. A release
// may come without a press (the button went down over another window).
void mouseEvent(Fuzzer& f) {
    const headless::Point at = somewhere(f);
    const uint32_t kind = f.in.below(10);
    if (kind < 2 && !f.leftButton) {
        say(f, "mouse down" + pointText(at));
        f.leftButton = true;
        headless::mouseDown(at);
    } else if (kind < 5) {
        say(f, "mouse move" + pointText(at));
        headless::mouseMove(at);
    } else if (kind < 7 || f.leftButton) {
        say(f, "mouse up" + pointText(at));
        f.leftButton = false;
        headless::mouseUp(at);
    } else if (kind == 7) {
        say(f, "double click" + pointText(at));
        headless::doubleClick(at);
    } else if (!f.rightButton) {
        say(f, "right down" + pointText(at));
        f.rightButton = true;
        headless::rightDown(at);
    } else {
        say(f, "right up" + pointText(at));
        f.rightButton = false;
        headless::rightUp(at);
    }
}

void wheelEvent(Fuzzer& f) {
    static const int deltas[] = {120, -120, 40, -40, 240, -360, 32767, -32768};
    const int delta = f.in.chance(70) ? deltas[f.in.below(8)] : f.in.between(-1000, 1000);
    say(f, "wheel " + number(delta));
    headless::wheel(delta);
}

void scrollEvent(Fuzzer& f) {
    const int code = f.in.between(0, 8);
    const int32_t track =
        f.in.chance(90) ? f.in.between(-3, state.totalRows + 3) : f.in.between(-100000, 100000);
    say(f, "scroll " + number(code) + " to " + number(track));
    headless::scroll(code, track);
}

void tickEvent(Fuzzer& f) {
    const int count = f.in.between(1, 12);
    say(f, "tick " + number(count));
    headless::tick(count);
}

void resizeEvent(Fuzzer& f) {
    Source& in = f.in;
    const uint32_t kind = in.below(9);
    // Sizes in cells of the font beside the frame, menu and scroll bar, with a few pixels more
    // or less: tiny, zero, usual and huge.
    const int32_t cell = std::max(state.charWidth, 1);
    const int32_t line = std::max(state.lineHeight, 1);
    int32_t width =
        40 + 3 * cell * in.between(0, in.chance(80) ? 24 : 110) + in.between(-3, 3 * cell);
    int32_t height = 50 + line * in.between(0, in.chance(80) ? 24 : 70) + in.between(-3, line);
    if (kind == 1) {
        width = in.between(0, 60);
        height = in.between(0, 60);
    } else if (kind == 4 && in.chance(30)) {
        width = 40 + 3 * cell * in.between(100, 200) + in.between(0, 3 * cell);
        height = 50 + line * in.between(80, 150);
    } else if (kind == 4 && in.chance(20)) {
        // Beyond what the 16 bits of the size message can carry: it arrives wrapped around.
        width += 65536;
        height += in.chance(50) ? 65536 : 0;
    } else if (kind == 3) {
        width = in.chance(50) ? 0 : width;
        height = width == 0 && in.chance(50) ? height : 0;
    }
    if (kind <= 1) {
        say(f, "resize to " + number(width) + " x " + number(height));
        headless::resizeWindow(width, height);
    } else if (kind <= 4) {
        say(f, "imposed size " + number(width) + " x " + number(height));
        headless::resizeWithoutSnapping(width, height);
    } else if (kind == 5) {
        const bool minimized = platform::isMinimized(headless::mainWindow());
        say(f, minimized ? "restore" : "minimize");
        return minimized ? headless::restoreWindow() : headless::minimizeWindow();
    } else if (kind == 6) {
        say(f, "move to " + number(width - 600) + ", " + number(height - 450));
        headless::moveWindow(width - 600, height - 450);
    } else if (kind == 7) {
        static const uint32_t lines[] = {0, 1, 3, 120, 121, 0xFFFFFFFF};
        const uint32_t count = lines[in.below(6)];
        say(f, "wheel lines " + number(count));
        headless::changeWheelSetting(count);
    } else {
        say(f, "activate");
        headless::activate();
    }
}

void commandEvent(Fuzzer& f) {
    static const int commands[] = {cmd::quit,
                                   cmd::newFile,
                                   cmd::open,
                                   cmd::save,
                                   cmd::saveAs,
                                   cmd::saveSelection,
                                   cmd::insertFile,
                                   cmd::extendFile,
                                   cmd::undo,
                                   cmd::copy,
                                   cmd::copyAscii,
                                   cmd::copyHex,
                                   cmd::paste,
                                   cmd::cutFile,
                                   cmd::decimal,
                                   cmd::bits,
                                   cmd::fill,
                                   cmd::selectAll,
                                   cmd::toggleSelection,
                                   cmd::find,
                                   cmd::findNext,
                                   cmd::replace,
                                   cmd::goTo,
                                   cmd::license,
                                   cmd::color,
                                   cmd::openPath,
                                   0,
                                   999};
    int command = commands[f.in.below(sizeof commands / sizeof commands[0])];
    if (command == cmd::quit && f.in.chance(80)) {
        command = cmd::undo;
    }
    say(f, "command " + number(command));
    if (command == cmd::openPath) {
        // Posted with the path of a file named on the command line.
        const std::string path =
            f.in.chance(90) ? f.files[f.in.below(static_cast<uint32_t>(f.files.size()))] : "";
        give(f, command);
        expectRead(f, path, false);
        f.event.what += " " + path;
        return headless::command(command,
                                 path.empty() ? 0 : reinterpret_cast<intptr_t>(path.c_str()));
    }
    give(f, command);
    headless::command(command);
}

void undoEvent(Fuzzer& f) {
    say(f, "undo");
    give(f, cmd::undo);
    headless::command(cmd::undo);
}

void fileEvent(Fuzzer& f) {
    static const int commands[] = {cmd::open, cmd::insertFile, cmd::save, cmd::saveAs,
                                   cmd::saveSelection};
    if (f.in.chance(20)) {
        const std::string& first = f.files[f.in.below(static_cast<uint32_t>(f.files.size()))];
        const std::string& second = f.files[f.in.below(static_cast<uint32_t>(f.files.size()))];
        say(f, "drop " + first);
        f.event.edits = true;
        queueBoxAnswer(f);
        expectRead(f, first, false);
        return headless::dropFiles({first, second});
    }
    const int command = commands[f.in.below(5)];
    give(f, command);
    say(f, "file command " + number(command) + " " + f.pendingPaths.front());
    headless::command(command);
}

void clipboardEvent(Fuzzer& f) {
    Source& in = f.in;
    const uint32_t kind = in.below(7);
    if (kind == 6) {
        f.clipboardHeld = !f.clipboardHeld;
        say(f, f.clipboardHeld ? "clipboard held" : "clipboard free");
        return headless::holdClipboard(f.clipboardHeld);
    }
    if (kind == 5) {
        say(f, "clipboard cleared");
        return headless::clearClipboard();
    }
    size_t size = static_cast<size_t>(in.between(0, 300));
    if (in.chance(5)) {
        size = in.chance(80) ? 70000 : 1200000;
    }
    Bytes text = randomContent(in, size);
    const size_t block = text.size() + (in.chance(50) ? 0 : static_cast<size_t>(in.between(0, 40)));
    say(f, "clipboard text of " + number(static_cast<int64_t>(text.size())) +
               " bytes in a block of " + number(static_cast<int64_t>(block)) + ", kind " +
               number(kind));
    headless::clearClipboard();
    headless::putOnClipboard(cf::text, text, block);
    if (kind == 1 || kind == 2) {
        // A count as Copy gives it, or a lying one.
        uint32_t count = static_cast<uint32_t>(text.size());
        if (kind == 2) {
            static const uint32_t lies[] = {0xFFFFFFFF, 0x7FFFFFFF, 0, 1};
            count = in.chance(50) ? lies[in.below(4)] : count + in.below(100);
        }
        const auto* bytes = reinterpret_cast<const uint8_t*>(&count);
        headless::putOnClipboard(state.binaryClipboardFormat, Bytes(bytes, bytes + 4));
    } else if (kind == 3) {
        headless::putOnClipboard(state.binaryClipboardFormat, Bytes(in.below(4), 7)); // too short
    }
}

// Input while the unsaved-changes question is open: that box has no owner, so the panes take it.
void questionEvent(Fuzzer& f) {
    static const int commands[] = {cmd::newFile, cmd::open, cmd::quit};
    const int command = commands[f.in.below(3)];
    say(f, "typing during the question of command " + number(command));
    if (!f.pendingModal) {
        f.pendingModal = true;
        headless::duringNextModal([&f] {
            f.modalRan = true;
            f.pendingModal = false;
            for (int32_t i = f.in.between(1, 3); i > 0; --i) {
                if (f.in.chance(70)) {
                    headless::character(static_cast<uint8_t>("0123456789abcdef"[f.in.below(16)]));
                } else {
                    headless::press(f.in.chance(50) ? vk::left : vk::back);
                }
            }
        });
    }
    give(f, command);
    f.event.edits = true;
    headless::command(command);
}

void closeEvent(Fuzzer& f) {
    say(f, "close");
    queueBoxAnswer(f);
    f.event.edits = true;
    headless::closeWindow();
}

void restartEvent(Fuzzer& f) {
    say(f, "restart");
    f.newSession();
}

void faultEvent(Fuzzer& f);

struct Kind {
    int weight;
    void (*run)(Fuzzer&);
};

const Kind kinds[] = {
    {140, characterEvent}, {160, keyEvent},    {25, holdEvent},      {140, mouseEvent},
    {20, wheelEvent},      {30, scrollEvent},  {40, tickEvent},      {30, resizeEvent},
    {140, commandEvent},   {50, undoEvent},    {30, clipboardEvent}, {40, fileEvent},
    {25, faultEvent},      {8, questionEvent}, {5, closeEvent},      {2, restartEvent},
};

void runKind(Fuzzer& f, bool faultsAllowed) {
    int total = 0;
    for (const Kind& k : kinds) {
        total += k.weight;
    }
    for (;;) {
        int pick = static_cast<int>(f.in.below(static_cast<uint32_t>(total)));
        for (const Kind& k : kinds) {
            pick -= k.weight;
            if (pick < 0) {
                if (!faultsAllowed && (k.run == faultEvent || k.run == restartEvent)) {
                    break;
                }
                return k.run(f);
            }
        }
    }
}

// The next event runs with memory running short or the disk filling up.
void faultEvent(Fuzzer& f) {
    std::string fault;
    if (f.in.chance(70)) {
        const int after = f.in.chance(50) ? f.in.between(0, 2) : f.in.between(0, 12);
        const int count = f.in.chance(70) ? 1 : f.in.chance(50) ? 3 : -1;
        headless::failAllocations(after, count);
        fault = "allocations fail after " + number(after) + " (" + number(count) + "): ";
    } else {
        const int64_t bytes = f.in.chance(30) ? 0 : f.in.between(1, 70000);
        headless::limitWrites(bytes);
        fault = "writes limited to " + number(bytes) + ": ";
    }
    // Mostly an event that asks for memory or writes: a command, a file, typing or Undo.
    static void (*const asking[])(Fuzzer&) = {commandEvent, commandEvent, fileEvent, characterEvent,
                                              undoEvent};
    if (f.in.chance(70)) {
        asking[f.in.below(5)](f);
    } else {
        runKind(f, false);
    }
    f.event.what = fault + f.event.what;
}

} // namespace

Bytes randomContent(Source& in, size_t size) {
    Bytes bytes(size);
    uint64_t seed = in.below(0xFFFFFFFF);
    auto next = [&seed] {
        seed += 0x9E3779B97F4A7C15ull;
        uint64_t z = seed;
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    };
    static const uint8_t alphabet[] = {0x00, 0x41, 0x42, 0xFF};
    const uint32_t kind = size > 70000 ? 0 : in.below(4);
    for (size_t i = 0; i < size; ++i) {
        const uint64_t r = next();
        switch (kind) {
        case 0:
            bytes[i] = static_cast<uint8_t>(r);
            break;
        case 1:
            bytes[i] = 0;
            break;
        case 2:
            bytes[i] = alphabet[r % 4];
            break;
        default:
            bytes[i] = static_cast<uint8_t>(' ' + r % 95);
            break;
        }
    }
    return bytes;
}

size_t randomDocumentSize(Fuzzer& f) {
    Source& in = f.in;
    switch (in.below(20)) {
    case 0:
    case 1:
        return 0;
    case 2:
    case 3:
        return 1;
    case 4:
    case 5:
    case 6:
    case 7:
    case 8:
        return static_cast<size_t>(in.between(2, 300));
    case 9:
        return static_cast<size_t>(2 * in.between(1, 40) + 1);
    case 10:
    case 11:
        return static_cast<size_t>(in.between(1000, 20000));
    case 12:
        return static_cast<size_t>(32768 + in.between(-1, 1));
    case 13:
    case 14:
    case 15:
        return static_cast<size_t>(65536 + in.between(-3, 3));
    case 16:
    case 17:
        return static_cast<size_t>(in.between(60000, 140000));
    default:
        return f.options.largeDocuments && in.chance(50)
                   ? static_cast<size_t>(in.between(2 << 20, 5 << 20))
                   : static_cast<size_t>(in.between(300, 5000));
    }
}

void prepareFiles(Fuzzer& f) {
    namespace fs = std::filesystem;
    const std::string& dir = f.directory;
    auto write = [&f](const std::string& path, size_t size) {
        const Bytes bytes = randomContent(f.in, size);
        std::ofstream(path, std::ios::binary | std::ios::trunc)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        f.files.push_back(path);
    };
    write(f.path("a.bin"), 100);
    write(f.path("b.bin"), 70000);
    write(f.path("c.tav"), 1);
    write(f.path("empty.bin"), 0);
    write(f.path("sub\\name.bin"), 21); // a name with a backslash: the title shows what follows it
    if (f.options.largeDocuments) {
        write(f.path("big.bin"), 3 << 20);
    }
    // Paths of 255 characters (the longest a path may be) and of 256.
    write(dir + "/" + std::string(255 - dir.size() - 1, 'x'), 10);
    write(dir + "/" + std::string(256 - dir.size() - 1, 'y'), 10);
    fs::create_directories(f.path("folder"));
    f.files.push_back(f.path("folder"));
    f.files.push_back(f.path("missing/file.bin"));
    f.files.push_back(dir + "/" + std::string(300, 'z'));
    f.files.push_back("");
}

void runRandomEvent(Fuzzer& f) {
    if (f.doc.length > (24 << 20) || f.sessionEvents > 6000) {
        return restartEvent(f);
    }
    runKind(f, true);
}

} // namespace fuzz
