#include "dialogs/input_dialog.h"

#include "app/editor_state.h"
#include "platform/codes.h"

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

// A hexadecimal number after optional blanks and sign, wrapping around in 32 bits; false when
// no hexadecimal digit follows.
bool hexValue(const char* text, uint32_t& value) {
    text = skipBlanks(text);
    const bool negative = *text == '-';
    if (*text == '-' || *text == '+') {
        ++text;
    }
    if (text[0] == '0' && (text[1] == 'x' || text[1] == 'X') &&
        std::isxdigit(static_cast<unsigned char>(text[2]))) {
        text += 2;
    }
    value = 0;
    bool digits = false;
    for (; std::isxdigit(static_cast<unsigned char>(*text)); ++text) {
        const int c = std::tolower(static_cast<unsigned char>(*text));
        value = value * 16 + static_cast<uint32_t>(c <= '9' ? c - '0' : c - 'a' + 10);
        digits = true;
    }
    if (negative) {
        value = 0u - value;
    }
    return digits;
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
    const auto value = static_cast<uint32_t>(decimalValue(number));
    if (value != 0) {
        std::snprintf(converted + length, sizeof converted - static_cast<size_t>(length),
                      "%" PRIx32, value);
    }
    platform::setControlText(dialog, control::firstEdit, converted);
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
                hexToDecimalText(dialog, decimal, sizeof decimal);
                // A number whose decimal text does not fit the caller's buffer would be handed
                // back cut, as another number: the dialog stays open for a smaller one.
                if (static_cast<int>(std::strlen(decimal)) >= request.bufferLength) {
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
            state.inputFilter &= static_cast<uint16_t>(~filter::hex);
            char decimal[textRoom];
            hexToDecimalText(dialog, decimal, sizeof decimal);
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
    uint32_t value = 0;
    // Without a hexadecimal number after the prefix (nothing, or a lone sign), the number stays
    // empty: only the prefix is handed back.
    if (hexValue(number, value)) {
        std::snprintf(output + length, static_cast<size_t>(outputSize - length), "%" PRId32,
                      static_cast<int32_t>(value));
    }
}

int32_t decimalValue(const char* text) {
    text = skipBlanks(text);
    const bool negative = *text == '-';
    if (*text == '-' || *text == '+') {
        ++text;
    }
    uint32_t value = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        value = value * 10 + static_cast<uint32_t>(*text - '0');
    }
    if (negative) {
        value = 0u - value;
    }
    return static_cast<int32_t>(value);
}
