#include "dialogs/find_dialog.h"

#include "app/editor_state.h"
#include "document/document_buffer.h"
#include "document/hex_codec.h"
#include "edit/block_edits.h"
#include "files/errors.h"
#include "platform/codes.h"
#include "view/caret.h"
#include "view/selection.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

const char questionCaption[] = "Question from KezEdit";

// The caption of a count: its decimal digits, at most seven of them.
void countText(char* text, size_t size, int32_t count) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "%d", count);
    digits[7] = '\0';
    std::snprintf(text, size, "%s", digits);
}

// The hex text typed for a pattern, decoded into bytes: a lone last digit is ignored.
int16_t decodePattern(const char* text, uint8_t* bytes) {
    const auto length = static_cast<int16_t>(std::strlen(text) / 2);
    hexConvert(const_cast<char*>(text), bytes, 0, static_cast<uint32_t>(length), false);
    bytes[length] = 0;
    return length;
}

void collapseFindDialog(platform::Window dialog) {
    platform::resizeDialog(dialog, 170, 37);
    for (const int id : {control::replace, control::replaceAll, control::with, control::secondEdit,
                         control::checkbox}) {
        platform::showControl(dialog, id, false);
    }
    platform::setControlText(dialog, control::expand, "+");
    state.currentFindRequest->expanded = 0;
}

void expandFindDialog(platform::Window dialog) {
    platform::resizeDialog(dialog, 170, 70);
    for (const int id :
         {control::replace, control::replaceAll, control::with, control::secondEdit}) {
        platform::showControl(dialog, id, true);
    }
    platform::moveControl(dialog, control::checkbox, 85, 40);
    platform::setControlText(dialog, control::checkbox, "in selection");
    platform::showControl(dialog, control::checkbox, true);
    platform::setControlText(dialog, control::expand, "-");
    state.currentFindRequest->expanded = 1;
}

intptr_t sendToMain(uint32_t message) {
    return platform::sendMessage(state.mainWindow, message,
                                 static_cast<uintptr_t>(state.findInSelection),
                                 reinterpret_cast<intptr_t>(state.currentFindRequest));
}

// The pattern a search text stands for, in the active pane's entry: hexadecimal digits in the
// hex pane, characters in the text pane.
int16_t patternOf(const char* text, uint8_t* bytes) {
    if (state.activePane == 0) {
        return decodePattern(text, bytes);
    }
    const auto length = static_cast<int16_t>(std::strlen(text));
    std::memmove(bytes, text, static_cast<size_t>(length) + 1); // text may be searchPattern
    return length;
}

// True when box 201 still shows the pattern of the match found last: Replace may act on it.
bool boxShowsPendingPattern(platform::Window dialog, const FindRequest& request) {
    char text[64];
    platform::controlText(dialog, control::firstEdit, text,
                          std::min<int>(request.bufferLength, sizeof text));
    uint8_t pattern[32];
    const int16_t length = patternOf(text, pattern);
    return length == state.patternLength &&
           std::memcmp(pattern, state.searchPattern, static_cast<size_t>(length)) == 0;
}

// Search, from the dialog: a match found is selected and may then be replaced.
void searchFromDialog(platform::Window dialog) {
    state.findMatchPending = static_cast<int16_t>(sendToMain(wm::findFromDialog));
    if (state.findMatchPending == 0 && state.findInSelection != 0 &&
        platform::messageBox(dialog, "Search completed. Search outside selection?", questionCaption,
                             mb::yesNo) == answer::yes) {
        state.findInSelection = 0;
        platform::setChecked(dialog, control::checkbox, false);
        state.findMatchPending = static_cast<int16_t>(sendToMain(wm::findFromDialog));
    }
    if (state.findMatchPending != 0) {
        state.findDialogResult |= 1;
    }
}

intptr_t findDialogCommand(platform::Window dialog, uintptr_t wParam);

intptr_t findDialogProc(platform::Window dialog, uint32_t message, uintptr_t wParam,
                        intptr_t lParam) {
    if (message == wm::initDialog) {
        auto* request = reinterpret_cast<FindRequest*>(lParam);
        state.currentFindRequest = request;
        state.findDialog = dialog;
        state.findDialogBusy = false;
        state.findInSelection = 0;
        state.findMatchPending = 0;
        state.findDialogResult = 0;
        splitPrompt(dialog, "Search for", control::ok, control::prompt);
        platform::showControl(dialog, control::expand, true);
        // Both boxes share the filter.
        setupEditBox(dialog, 1, *request, request->replacementText);
        setupEditBox(dialog, 0, *request, request->text);
        if (request->expanded != 0) {
            expandFindDialog(dialog);
        }
        platform::focusControl(dialog, control::firstEdit);
        return 0;
    }
    if (message != wm::command || state.findDialogBusy) {
        return 0;
    }
    state.findDialogBusy = true;
    const intptr_t result = findDialogCommand(dialog, wParam);
    state.findDialogBusy = false;
    return result;
}

intptr_t findDialogCommand(platform::Window dialog, uintptr_t wParam) {
    FindRequest& request = *state.currentFindRequest;
    const int id = static_cast<int>(wParam & 0xFFFF);
    switch (id) {
    case control::ok:
        platform::controlText(dialog, control::firstEdit, request.text, request.bufferLength);
        searchFromDialog(dialog);
        return 1;
    case control::cancel:
        platform::endDialog(dialog, static_cast<intptr_t>(state.findDialogResult));
        return 1;
    case control::checkbox:
        if (((wParam >> 16) & 0xFFFF) == bn::clicked) {
            state.findInSelection = static_cast<int16_t>(state.findInSelection == 0 ? 1 : 0);
        }
        return 1;
    case control::expand:
        if (request.expanded != 0) {
            collapseFindDialog(dialog);
            platform::focusControl(dialog, control::firstEdit);
        } else {
            expandFindDialog(dialog);
            platform::focusControl(dialog, control::secondEdit);
        }
        return 1;
    case control::replace:
    case control::replaceAll: {
        // A search text edited since the match was found makes the next press search for what
        // the box shows, in either pane, rather than replace a match of the old text.
        if (!boxShowsPendingPattern(dialog, request)) {
            state.findMatchPending = 0;
        }
        platform::controlText(dialog, control::firstEdit, request.text, request.bufferLength);
        if (state.findMatchPending == 0) {
            // The first press finds the match that a later press replaces.
            searchFromDialog(dialog);
            return 1;
        }
        platform::controlText(dialog, control::secondEdit, request.replacementText,
                              request.bufferLength);
        state.findDialogResult |= 2;
        const intptr_t result =
            sendToMain(id == control::replace ? wm::replaceOnce : wm::replaceAll);
        state.findMatchPending = 0;
        if (id == control::replaceAll) {
            char text[64];
            countText(text, sizeof text, static_cast<int32_t>(result));
            std::strcat(text, " replacement(s) in total");
            platform::messageBox(dialog, text, messageCaption, mb::ok);
            state.findDialogResult = 7;
            platform::endDialog(dialog, 7);
        }
        return 1;
    }
    default:
        return 0;
    }
}

// Replace-all's passes: every match in [start, end) from start on is replaced (when there is a
// replacement) and counted. The caret follows the matches, but the view is brought to it only
// once at the end, so that matches off the page cost no scrolling nor title updates.
int32_t replaceMatches(int32_t start, int32_t end, bool writes) {
    int32_t count = 0;
    const DocumentBuffer& document = *state.document;
    for (;;) {
        const int32_t match = document.find(state.searchPattern, state.patternLength, start, end);
        if (match < 0 || 2 * int64_t{match} >= state.length) {
            break;
        }
        state.caret = 2 * match;
        state.lastSearchFound = 1;
        if (writes) {
            writeAtCaret(state.replacementBytes, state.replacementLength, true);
        }
        ++count;
        start = match + state.patternLength;
    }
    if (count != 0) {
        setCaret(state.caret);
    }
    return count;
}

} // namespace

void openFindDialog(int command) {
    char pattern[64] = "";
    char replacement[64] = "";
    FindRequest request{{nullptr, 32, 0, emptyText}, command == 303 ? 1u : 0u, nullptr};
    if (state.activePane == 0) {
        // Room for the digits of the longest pattern, 31 bytes, as the text pane takes: a pattern
        // typed there shows here whole, and is read back whole.
        request.bufferLength = 63;
        request.filterFlags = filter::decimal | filter::hex;
        hexConvert(pattern, state.searchPattern, 0, static_cast<uint32_t>(state.patternLength),
                   true);
        pattern[2 * state.patternLength] = '\0';
        hexConvert(replacement, state.replacementBytes, 0,
                   static_cast<uint32_t>(state.replacementLength), true);
        replacement[2 * state.replacementLength] = '\0';
        request.text = pattern;
        request.replacementText = replacement;
    } else {
        request.text = reinterpret_cast<char*>(state.searchPattern);
        request.replacementText = reinterpret_cast<char*>(state.replacementBytes);
    }
    state.searchOrigin = state.caret / 2;
    state.savedSelection = state.selection;
    const intptr_t result = platform::runDialog(findDialogProc, &request);
    // The request lives no longer than this call: messages about it are refused from now on.
    state.currentFindRequest = nullptr;
    state.findDialog = nullptr;
    state.lastSearchFound = 0;
    if (result > 0 && (result & 1) != 0) {
        if (state.savedSelection.start != state.savedSelection.end) {
            restoreSavedSelection();
        } else {
            setCaret(2 * state.selection.end);
            state.findResumeCaret = state.caret;
        }
    }
}

int16_t findFromDialog(FindRequest* request, bool inSelection) {
    const ByteRange range = state.savedSelection;
    if (inSelection && range.start == range.end) {
        return 0;
    }
    // After a match the search goes on behind it, by the length of that match's pattern.
    int32_t first = state.caret / 2;
    if (state.lastSearchFound != 0) {
        first += state.patternLength;
    } else if (inSelection) {
        first = range.start;
    }
    const int32_t end = inSelection ? range.end : state.length / 2;
    state.patternLength = patternOf(request->text, state.searchPattern);
    const DocumentBuffer& document = *state.document;
    int32_t match = document.find(state.searchPattern, state.patternLength, first, end);
    if (match < 0) {
        if (inSelection) {
            return 0;
        }
        match = document.find(state.searchPattern, state.patternLength, 0, state.length / 2);
        if (match < 0) {
            return 0;
        }
    }
    state.lastSearchFound = 1;
    platform::Window active = state.panes[state.activePane];
    platform::hideCaret(active);
    clearSelection();
    setCaret(2 * match);
    state.selection = {match, match + state.patternLength};
    invertSelectionInPanes(match, match + state.patternLength);
    platform::showCaret(active);
    return 1;
}

int8_t replaceOnce(FindRequest* request) {
    const size_t typed = std::strlen(request->replacementText);
    if (typed == 0) {
        return 0;
    }
    state.replacementLength = state.activePane == 0
                                  ? decodePattern(request->replacementText, state.replacementBytes)
                                  : static_cast<int16_t>(typed);
    // A lone hex digit decodes to nothing: no change is written, nor recorded.
    if (state.replacementLength == 0) {
        return 0;
    }
    writeAtCaret(state.replacementBytes, state.replacementLength, true);
    return 1;
}

int32_t replaceAll(FindRequest* request, bool inSelection) {
    const bool writes = replaceOnce(request) != 0;
    int32_t count = 1;
    const int32_t end = inSelection ? state.savedSelection.end : state.length / 2;
    count += replaceMatches(state.caret / 2 + state.patternLength, end, writes);
    if (state.searchOrigin == 0) {
        return count;
    }
    char question[128];
    countText(question, sizeof question, count);
    std::strcat(question, " replacement(s) made until end reached. Continue ");
    std::strcat(question, inSelection ? "outside selection?" : "at begin of file?");
    // No more replacements either when the program began to close during the question.
    // Owned by the dialog, which it disables while it is open, as the dialog's own boxes do.
    if (platform::messageBox(state.findDialog, question, questionCaption, mb::yesNo) !=
            answer::yes ||
        state.closing) {
        return count;
    }
    const int32_t secondEnd =
        inSelection ? state.length / 2
                    : std::min(state.searchOrigin + state.patternLength, state.length / 2);
    count += replaceMatches(0, secondEnd, writes);
    return count;
}

int findAt(int32_t start, int32_t end) {
    const int32_t match =
        state.document->find(state.searchPattern, state.patternLength, start, end);
    if (match < 0 || 2 * int64_t{match} >= state.length) {
        return 0;
    }
    setCaret(2 * match);
    state.lastSearchFound = 1;
    return 1;
}

void findNext() {
    // The match at the caret is passed over, unless the caret stands where the find dialog left
    // it, just after the match the dialog found: a match starting there is the next one.
    const int32_t from = state.caret / 2 + (state.caret == state.findResumeCaret ? 0 : 1);
    state.findResumeCaret = -1;
    if (findAt(from, state.length / 2) == 0 && state.caret != 0) {
        state.lastSearchFound = 0;
        findAt(0, state.length / 2);
    }
    state.lastSearchFound = 0;
}
