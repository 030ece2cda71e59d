// The input dialog and the value commands run through it: what each box lets in, the Hex check
// box's conversions, what OK hands back, and what Decimal, Bits, Go To and Color do with it.
#include "scenario.h"

#include "app/commands.h"
#include "dialogs/input_dialog.h"
#include "view/caret.h"

using headless::DialogStep;
using headless::dialog::click;
using headless::dialog::type;

const DialogStep toggle = click(control::checkbox);

class InputDialog : public Scenario {
  protected:
    // Runs the command with the user's steps in its dialog, then the button (if still open).
    static void run(int command, std::vector<DialogStep> steps, int button = control::ok) {
        steps.push_back(click(button));
        headless::answerDialog(std::move(steps));
        headless::command(command);
    }
    // Bytes from their hex digits: "0AFF" is 0A FF.
    static Bytes hex(const std::string& digits) {
        Bytes bytes;
        for (size_t i = 0; i < digits.size(); i += 2) {
            bytes.push_back(static_cast<uint8_t>(std::stoul(digits.substr(i, 2), nullptr, 16)));
        }
        return bytes;
    }
    static const headless::DialogControl& shown(int id) {
        return headless::dialogsShown().back().controls.at(id);
    }
};

TEST_F(InputDialog, EachCommandFiltersItsBoxAndSplitsItsPrompt) {
    // Only 0, 1, codes from 128 up (0xE9) and the command's own characters get in, up to the
    // box's length; hexadecimal digits show in upper case, and Shift+F is refused.
    const std::tuple<int, const char*, const char*, const char*, const char*> cases[] = {
        {cmd::bits, "0123abx-\3511010101", "01\35110101", "Enter| binary value", ""},
        {cmd::decimal, "b-12xB9s", "b-129s", "Enter| [b/s/l] decimal value", ""},
        {cmd::goTo, "+-12a9x", "+-129", "Goto| [+/-] in bytes?", "Hex"},
        {cmd::extendFile, "12ab-+3456789", "12345678", "Add| bytes to file", "Hex"},
        {cmd::color, "0a9fFg1x23", "0A9F12", "Set| color (RRGGBB)?", ""}};
    startWith(sequence(4));
    for (const auto& [command, typed, text, prompt, checkbox] : cases) {
        run(command, {type(typed)}, control::cancel);
        EXPECT_EQ(shown(control::firstEdit).text, text);
        EXPECT_EQ(shown(control::ok).text + "|" + shown(control::prompt).text, prompt);
        EXPECT_EQ(shown(control::checkbox).visible ? shown(control::checkbox).text : "", checkbox);
    }
    EXPECT_EQ(documentBytes(), sequence(4));
    EXPECT_EQ(changeCount(), 0);
}

TEST_F(InputDialog, GoToMovesToAnOffsetOrByACountWithinTheFile) {
    // The box's text at OK, the result (3: Hex box checked) and the caret; a count from a low
    // digit keeps the digit. Hex converts both ways exactly: zero becomes no number, a lone
    // prefix stays alone; a-f get in only in hexadecimal mode. An offset past the file, however
    // large (FFFFFFFF above all), stops at its end.
    const std::tuple<int32_t, std::vector<DialogStep>, const char*, intptr_t, int32_t> cases[] = {
        {21, {type("+3")}, "+3", 1, 27},
        {21, {type("-100")}, "-100", 1, 0},
        {0, {type("5000")}, "5000", 1, 2000},
        {0, {type("4294967312"), toggle}, "100000010", 3, 2000},
        {20, {type("+256"), toggle}, "+100", 3, 20 + 512},
        {0, {type("+256"), toggle, toggle}, "+256", 1, 512},
        {0, {type("256"), toggle, type("a"), toggle, type("b")}, "4106", 1, 2000},
        {0, {type("0"), toggle}, "", 3, 0},
        {10, {toggle, type("ffffffff"), toggle}, "4294967295", 1, 2000},
        {1990, {toggle, type("ffffffff")}, "FFFFFFFF", 3, 2000},
        {0, {toggle, type("+80000000"), toggle}, "+2147483648", 1, 2000},
        {20, {toggle, type("+-"), toggle}, "+", 1, 20},
        {20, {type("5"), click(control::cancel)}, "5", 0, 20}};
    startWith(Bytes(1000));
    for (const auto& [from, steps, text, result, caret] : cases) {
        setCaret(from);
        run(cmd::goTo, steps);
        EXPECT_EQ(shown(control::firstEdit).text, text);
        EXPECT_EQ(headless::dialogsShown().back().result, result) << text;
        EXPECT_EQ(state.caret, caret) << text;
    }
    // 5F5E100 is 100000000: its nine digits do not fit Extend File's 9-byte buffer. Unticking
    // is refused and OK keeps the dialog open for a smaller number, each time saying why.
    run(cmd::extendFile,
        {toggle, type("5f5e100"), toggle, click(control::ok), type(std::string(7, '\b') + "64")});
    EXPECT_EQ(state.length, 2 * (1000 + 100));
    EXPECT_EQ(headless::messageBoxes().size(), 2u);
    EXPECT_EQ(lastMessage(), "Number too long in decimal");
}

TEST_F(InputDialog, DecimalAndBitsWriteFromTheCaretsByte) {
    // Decimal writes the value's low bytes, "4294967298" wrapping around in 32 bits; Bits takes
    // the leftmost digit as bit 0, leaving missing high bits 0. From a low digit the byte that
    // holds it is written; past the end and at the end the file grows.
    const int D = cmd::decimal, B = cmd::bits;
    const std::tuple<int, int32_t, const char*, const char*> cases[] = {
        {D, 3, "b255", "F1FF55555555"},    {D, 3, "s-1", "F1FFFF555555"},
        {D, 3, "l1", "F10100000055"},      {D, 3, "1", "F10100000055"},
        {D, 3, "b256", "F10055555555"},    {D, 3, "b", "F10055555555"},
        {D, 3, "-2", "F1FEFFFFFF55"},      {D, 3, "4294967298", "F10200000055"},
        {D, 9, "l-2", "F10F5555FEFFFFFF"}, {D, 12, "s258", "F10F555555550201"},
        {B, 0, "1", "010F55555555"},       {B, 0, "00000001", "800F55555555"},
        {B, 0, "11", "030F55555555"},      {B, 3, "0001", "F10855555555"},
        {B, 12, "1", "F10F5555555501"}};
    startWith(hex("F10F55555555"));
    for (const auto& [command, caret, typed, bytes] : cases) {
        setCaret(caret);
        run(command, {type(typed)});
        EXPECT_EQ(documentBytes(), hex(bytes)) << typed;
        EXPECT_EQ(state.caret, caret);
        expectPanesMatchRepaint();
        headless::command(cmd::undo);
        EXPECT_EQ(state.length, 12);
    }
    run(cmd::decimal, {type("")});
    EXPECT_EQ(changeCount(), 0);
    // Bits shows the byte least significant bit first.
    for (const auto& [caret, bits] :
         {std::pair{0, "10001111"}, {3, "11110000"}, {12, "00000000"}}) {
        setCaret(caret);
        run(cmd::bits, {}, control::cancel);
        EXPECT_EQ(shown(control::firstEdit).text, bits);
    }
    // On a half-typed last byte Bits writes the whole byte: the length is even again.
    headless::type("c");
    run(cmd::bits, {type("1")});
    EXPECT_EQ(state.length, 14);
    EXPECT_EQ(documentBytes(), hex("F10F5555555501"));
}

TEST_F(InputDialog, ColorSetsTheHexPanesSecondColourFromSixDigits) {
    // Red lies in the low byte; anything but six digits is ignored.
    startWith(sequence(64));
    for (const char* typed : {"0a9f12", "12345", ""}) {
        run(cmd::color, {type(typed)});
        EXPECT_EQ(state.textColors[1], 0x129F0Au);
        EXPECT_EQ(headless::grid(0).at(4, 0).text, 0x129F0Au); // repainted
    }
}

TEST_F(InputDialog, APromptsFirstWordIsCutAtSevenAndNoExtraCharactersKeepThePreviousSet) {
    startWith(sequence(4));
    char text[8] = "";
    InputRequest request{};
    request.text = text;
    request.bufferLength = sizeof text;
    request.filterFlags = filter::decimal;
    request.prompt = "Overlong word";
    for (const char* extra : {"xy", static_cast<const char*>(nullptr)}) {
        request.extraChars = extra;
        text[0] = '\0';
        headless::answerDialog({type("x2ay"), click(control::ok)});
        EXPECT_EQ(askInput(&request), 1);
        EXPECT_STREQ(text, "x2y"); // 'a' needs the hex flag; x and y are still allowed
    }
    EXPECT_EQ(shown(control::ok).text, "Overlon");
    EXPECT_EQ(shown(control::prompt).text, "g word");
}
