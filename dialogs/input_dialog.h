// The one-line input dialog (dialog template 1): a prompt split over the default button and a
// label, an edit box that lets only the allowed characters in, and an optional "Hex" check box
// that converts the typed number between decimal and hexadecimal. Its pieces are shared with
// the find and replace dialog.
#pragma once

#include "platform/platform.h"

#include <cstdint>

// Controls of dialog template 1.
namespace control {
enum : int {
    ok = 1,
    cancel = 2,
    firstEdit = 201,
    secondEdit = 202,
    prompt = 211,
    with = 212,
    checkbox = 213,
    expand = 300,
    replace = 301,
    replaceAll = 302,
};
} // namespace control

// What the dialog's filter lets through, besides '0', '1' and control characters.
namespace filter {
enum : uint16_t {
    decimal = 0x01, // '2'-'9'
    hex = 0x02,     // 'a'-'f' (shown in upper case)
    toggle = 0x10,  // the check box switches between decimal and hexadecimal entry
};
} // namespace filter

// The fields an edit box is set up from; the input dialog's and the find dialog's requests
// both begin with them.
struct EditRequest {
    char* text;           // on entry the text shown; on OK the text entered
    int16_t bufferLength; // size of text with its terminator
    uint16_t filterFlags;
    const char* extraChars; // further allowed characters; null keeps the previous set
};

struct InputRequest : EditRequest {
    const char* checkboxCaption; // null: no check box
    const char* prompt;
};

// Runs the dialog: 0 for Cancel, 1 for OK, 3 for OK with the check box checked. The text
// handed back is decimal wherever the check box was in play.
int askInput(InputRequest* request);

// Puts the prompt's first word (at most 7 characters) on the button and the rest on the label.
void splitPrompt(platform::Window dialog, const char* prompt, int buttonId, int labelId);
// Sets up edit box 201 + index from the request: filter, upper-case mode, text, length limit,
// all of it selected.
void setupEditBox(platform::Window dialog, int index, const EditRequest& request,
                  const char* boxText);
// The filter in front of the edit boxes: true when a typed character may reach the box.
bool editFilterPasses(uint8_t character);
// Box 201's number, read as hexadecimal after an optional prefix character, written into
// output as signed decimal after the same prefix; always terminated within outputSize.
void hexToDecimalText(platform::Window dialog, char* output, int outputSize);

// The decimal conversion of offsets and counts: leading blanks, an optional sign, then digits
// up to the first other character; no digits read as 0. A number too large for any file stays
// too large (it is held at 2^48) instead of coming back as a small or negative one.
int64_t decimalCount(const char* text);
// The same number's low 32 bits, as the value commands write it: it wraps around in 32 bits
// (for the numbers of up to 14 digits that the dialog's boxes can hold).
int32_t decimalValue(const char* text);
