#include "dialogs/input_dialog.h"

#include "app/editor_state.h"
#include "files/errors.h"
#include "platform/codes.h"

#include <algorithm>
#include <cctype>
#include <cinttypes>
#include <cstdio>
#include <cstring>

namespace {

// The longest text an edit box of template 1 can be asked to convert.
constexpr int textRoom = 64;

const char* skipBlanks(const char* text) {
    while (std::isspace(static_cast<unsigned char>(*text))) {
        ++text;
    }
    return text;
}

// A number's sign and magnitude after optional blanks: the magnitude stops growing past any
// count the editor can use, so that a long entry never wraps around into another number.
struct Number {
    bool negative = false;
    uint64_t magnitude = 0;
    bool digits = false; // false: no digit followed the sign
};
constexpr uint64_t largestMagnitude = uint64_t{1} << 48;

Number readNumber(const char* text, int base) {
    Number number;
    text = skipBlanks(text);
    number.negative = *text == '-';
    if (*text == '-' || *text == '+') {
        ++text;
    }
    if (base == 16 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X') &&
        std::isxdigit(static_cast<unsigned char>(text[2]))) {
        text += 2;
    }
    for (;; ++text) {
        const int c = std::tolower(static_cast<unsigned char>(*text));
        int digit = 0;
        if (c >= '0' && c <= '9') {
            digit = c - '0';
        } else if (base == 16 && c >= 'a' && c <= 'f') {
            digit = c - 'a' + 10;
        } else {
            break;
        }
        number.magnitude =
            std::min(number.magnitude * static_cast<uint64_t>(base) + static_cast<uint64_t>(digit),
                     largestMagnitude);
        number.digits = true;
    }
    return number;
}

// Writes the number in the base after the prefix already in output; a zero writes nothing when
// zeroIsEmpty. The sign stays a sign: the text always stands for the number itself.
void writeNumber(char* output, int outputSize, int length, const Number& number, bool hex,
                 bool zeroIsEmpty) {
    const auto room = static_cast<size_t>(outputSize - length);
    if (number.magnitude == 0) {
        if (!zeroIsEmpty && number.digits) {
            std::snprintf(output + length, room, "0");
        }
        return;
    }
    std::snprintf(output + length, room, hex ? "%s%" PRIx64 : "%s%" PRIu64,
                  number.negative ? "-" : "", number.magnitude);
}

// The prefix character of a number: the text's first character when it is one of the extra
// characters in force.
bool hasPrefix(const char* text) {
    const char* extra = state.extraAllowedChars;
    return extra != nullptr && *extra != '\0' && *text != '\0' && std::strchr(extra, *text);
}

// The check box turned hexadecimal entry on: box 201's decimal number becomes hexadecimal.
void decimalToHexText(platform::Window dialog) {
    char text[textRoom];
    platform::controlText(dialog, control::firstEdit, text, sizeof text);
    char converted[textRoom] = "";
    const char* number = text;
    int length = 0;
    if (hasPrefix(text)) {
        converted[length++] = text[0];
        ++number;
    }
    writeNumber(converted, sizeof converted, length, readNumber(number, 10), true, true);
    platform::setControlText(dialog, control::firstEdit, converted);
}

// The decimal text of the hexadecimal number in box 201, when it fits the caller's buffer;
// otherwise the user is told, and nothing is handed back.
bool decimalTextFits(platform::Window dialog, const InputRequest& request, char* decimal,
                     int size) {
    hexToDecimalText(dialog, decimal, size);
    if (static_cast<int>(std::strlen(decimal)) < request.bufferLength) {
        return true;
    }
    platform::messageBox(dialog, "Number too long in decimal", messageCaption, mb::ok);
    return false;
}

intptr_t inputDialogProc(platform::Window dialog, uint32_t message, uintptr_t wParam,
                         intptr_t lParam) {
    if (message == wm::initDialog) {
        auto* request = reinterpret_cast<InputRequest*>(lParam);
        state.currentInputRequest = request;
        splitPrompt(dialog, request->prompt, control::ok, control::prompt);
        if (request->checkboxCaption != nullptr) {
            platform::setControlText(dialog, control::checkbox, request->checkboxCaption);
            platform::showControl(dialog, control::checkbox, true);
        }
        setupEditBox(dialog, 0, *request, request->text);
        platform::focusControl(dialog, control::firstEdit);
        return 0; // the focus has been set
    }
    if (message != wm::command) {
        return 0;
    }
    InputRequest& request = *state.currentInputRequest;
    const int id = static_cast<int>(wParam & 0xFFFF);
    const auto notification = static_cast<uint32_t>((wParam >> 16) & 0xFFFF);
    switch (id) {
    case control::ok: {
        intptr_t result = 1;
        if (platform::isChecked(dialog, control::checkbox)) {
            result = 3;
            if ((state.inputFilter & filter::hex) != 0) {
                char decimal[textRoom];
                // A number whose decimal text does not fit the caller's buffer would be handed
                // back cut, as another number: the dialog stays open for a smaller one.
                if (!decimalTextFits(dialog, request, decimal, sizeof decimal)) {
                    return 1;
                }
                std::snprintf(request.text, static_cast<size_t>(request.bufferLength), "%s",
                              decimal);
                platform::endDialog(dialog, result);
                return 1;
            }
        }
        platform::controlText(dialog, control::firstEdit, request.text, request.bufferLength);
        platform::endDialog(dialog, result);
        return 1;
    }
    case control::cancel:
        platform::endDialog(dialog, 0);
        return 1;
    case control::checkbox:
        if (notification != bn::clicked || (request.filterFlags & filter::toggle) == 0) {
            return 0;
        }
        if ((state.inputFilter & filter::hex) != 0) {
            char decimal[textRoom];
            // The box takes no more than the buffer holds: a number that would not fit in
            // decimal stays hexadecimal, and the box stays checked.
            if (!decimalTextFits(dialog, request, decimal, sizeof decimal)) {
                platform::setChecked(dialog, control::checkbox, true);
                return 1;
            }
            state.inputFilter &= static_cast<uint16_t>(~filter::hex);
            platform::setControlText(dialog, control::firstEdit, decimal);
        } else {
            state.inputFilter |= filter::hex;
            decimalToHexText(dialog);
        }
        return 1;
    default:
        return 0;
    }
}

} // namespace

int askInput(InputRequest* request) {
    const intptr_t result = platform::runDialog(inputDialogProc, request);
    // A dialog that could not be created counts as cancelled, and so does one during which the
    // program began to close.
    return result < 0 || state.closing ? 0 : static_cast<int>(result);
}

void splitPrompt(platform::Window dialog, const char* prompt, int buttonId, int labelId) {
    if (prompt == nullptr) {
        return;
    }
    char word[8];
    int length = 0;
    while (length < 7 && prompt[length] != '\0' && prompt[length] != ' ') {
        word[length] = prompt[length];
        ++length;
    }
    word[length] = '\0';
    platform::setControlText(dialog, buttonId, word);
    platform::setControlText(dialog, labelId, prompt + length);
}

void setupEditBox(platform::Window dialog, int index, const EditRequest& request,
                  const char* boxText) {
    state.inputFilter = static_cast<uint16_t>(request.filterFlags & ~filter::toggle);
    if (request.extraChars != nullptr) {
        state.extraAllowedChars = request.extraChars;
    }
    const int id = control::firstEdit + index;
    if (state.inputFilter != 0) {
        if ((request.filterFlags & (filter::hex | filter::toggle)) != 0) {
            platform::setEditUppercase(dialog, id);
        }
        platform::filterEditBox(dialog, id, index);
    }
    platform::setControlText(dialog, id, boxText);
    platform::limitEditText(dialog, id, request.bufferLength - 1);
    platform::selectAllEditText(dialog, id);
}

bool editFilterPasses(uint8_t character) {
    const auto c = static_cast<int8_t>(character);
    if (c == '0' || c == '1' || c <= 26) {
        return true; // control characters and every code from 128 up pass too
    }
    if ((state.inputFilter & filter::decimal) != 0 && c >= '2' && c <= '9') {
        return true;
    }
    if ((state.inputFilter & filter::hex) != 0 && c >= 'a' && c <= 'f') {
        return true;
    }
    return state.extraAllowedChars != nullptr && std::strchr(state.extraAllowedChars, c);
}

void hexToDecimalText(platform::Window dialog, char* output, int outputSize) {
    if (outputSize <= 0) {
        return;
    }
    char text[textRoom];
    platform::controlText(dialog, control::firstEdit, text, sizeof text);
    int length = 0;
    const char* number = text;
    if (hasPrefix(text) && outputSize > 1) {
        output[length++] = text[0];
        ++number;
    }
    output[length] = '\0';
    // Without a hexadecimal number after the prefix (nothing, or a lone sign), the number stays
    // empty: only the prefix is handed back. Otherwise its exact value: FFFFFFFF is 4294967295,
    // never -1, which a caller would read as another number, or as a direction.
    writeNumber(output, outputSize, length, readNumber(number, 16), false, false);
}

int64_t decimalCount(const char* text) {
    const Number number = readNumber(text, 10);
    const auto magnitude = static_cast<int64_t>(number.magnitude);
    return number.negative ? -magnitude : magnitude;
}

int32_t decimalValue(const char* text) {
    return static_cast<int32_t>(static_cast<uint32_t>(decimalCount(text)));
}
