// The one record of editor state. Every subsystem reads and writes its fields directly, on the
// one GUI thread.
//
// Positions: a nibble index counts hex digits (2 x byte offset, + 1 for the low digit); caret,
// length and topCell are nibble indexes. Byte offsets are used for the selection, paintBase and
// searchOrigin.
#pragma once

#include "platform/platform.h"

#include <cstdint>

class DocumentBuffer;
class UndoLog;
struct InputRequest;
struct FindRequest;

// A byte range [start, end); start = end = 0 is the cleared state.
struct ByteRange {
    int32_t start;
    int32_t end;
};

// Paths and names are UTF-8 text (files/path_text.h). The longest path the editor takes, in
// UTF-16 units as Windows counts them, and the bytes it needs with its terminator: a unit takes
// at most three bytes in UTF-8 (a pair of them, four).
constexpr int maxPathUnits = 255;
constexpr int filePathSize = 3 * maxPathUnits + 1;
// Longest file name shown in the title, in characters, and the room the longest title needs:
// "Edit:", the name (at most four bytes a character), a blank, a ten-digit offset and the
// terminator.
constexpr int maxTitleNameLength = 49;
constexpr int titleTextSize = 5 + 4 * maxTitleNameLength + 1 + 10 + 1;
// Widest row the view lays out, in bytes; beyond any real screen, and small enough that a page
// of such rows never overflows a 32-bit nibble count.
constexpr int32_t maxRowBytes = 1024;

struct EditorState {
    // Document and positions.
    DocumentBuffer* document = nullptr;
    UndoLog* undoLog = nullptr;
    int32_t length = 0;
    int32_t caret = 0;
    char filePath[filePathSize] = {};

    // View geometry. The row widths are 32-bit rather than 8-bit so that a wide window can use
    // its width; the resize computation still keeps them within maxRowBytes.
    int32_t rowCells[2] = {20, 10};
    int32_t visibleRows = 24;
    int32_t pageCells = 0;
    int32_t topCell = 0;
    int32_t totalRows = 0;
    uint8_t fitsOnePage = 1;
    int8_t activePane = 0;
    int32_t paintBase = 0;
    const char* paintSource[2] = {nullptr, nullptr};
    uint32_t textColors[2] = {0, 0};
    int16_t wheelStep = 0;
    // The hex pane shows white cells for bytes the hex cache could not describe (memory ran
    // short); the pane is repainted once it can.
    bool hexPaneShort = false;

    // Layout metrics.
    platform::Font textFont = nullptr;
    int32_t charWidth = 0;
    int32_t lineHeight = 0;
    int8_t borderWidth = 0;
    int8_t paneGap = 0;
    int8_t autoScrollMargin = 0;
    int32_t chromeWidth = 0;
    int32_t chromeHeight = 0;
    int32_t clientSize[2] = {0, 0};
    int32_t minTrackSize[2] = {0, 0};
    int32_t maxTrackSize[2] = {0, 0};
    int32_t inspectorWidth = 0;
    int32_t inspectorHeight = 0;

    // Windows and handles.
    platform::Instance instance = nullptr;
    platform::Window mainWindow = nullptr;
    platform::Window panes[2] = {nullptr, nullptr};
    platform::Window inspectorWindow = nullptr;
    uint8_t inspectorVisible = 0;
    platform::Accelerators accelerators = nullptr;
    uint32_t binaryClipboardFormat = 0;

    // Title.
    const char* programTitle = nullptr;
    char titleText[titleTextSize] = {};
    int16_t titlePrefixLength = 21;

    // Selection and mouse.
    ByteRange selection = {0, 0};
    ByteRange savedSelection = {0, 0};
    int32_t selectionAnchor = 0;
    uint8_t shiftDown = 0;
    // Set from the left button's press in a pane to its release; the mouse is captured for the
    // hex pane all that time, so that the release is seen wherever it happens.
    uint8_t mouseSelecting = 0;
    // The pane a drag began in, + 1, from the first move to another cell until the release.
    int8_t dragPane = 0;
    uint8_t autoScrollTicks = 0;
    uint8_t autoScrollMode = 0;
    // The drag auto-scroll timer runs (the pointer entered a zone and has not left the zones).
    uint8_t autoScrollRunning = 0;
    // The right button holds the capture for the value inspector, so that its release hides the
    // popup wherever it happens.
    uint8_t inspectorCapture = 0;

    // Find and replace.
    uint8_t searchPattern[32] = {};
    int16_t patternLength = 0;
    uint8_t replacementBytes[32] = {};
    int16_t replacementLength = 0;
    uint8_t lastSearchFound = 0;
    int32_t searchOrigin = 0;
    // The open find dialog's request and window; null while the dialog is not open.
    FindRequest* currentFindRequest = nullptr;
    platform::Window findDialog = nullptr;
    // Set while the find dialog carries out a command: a box that command shows (a question, a
    // report) leaves the dialog's buttons on the screen, and none of them may act before it is
    // answered.
    bool findDialogBusy = false;
    // Where the find dialog left the caret, just after the match it found: Find Next from there
    // takes a match that starts at the caret itself. -1 when it left none, and from the first
    // move of the caret on.
    int32_t findResumeCaret = -1;
    int16_t findMatchPending = 0;
    int16_t findInSelection = 0;
    uint32_t findDialogResult = 0;

    // Input dialog.
    InputRequest* currentInputRequest = nullptr;
    uint16_t inputFilter = 0;
    const char* extraAllowedChars = nullptr;
    // The window procedures edit boxes 201 and 202 had before the filter was put in front.
    void* savedEditProcs[2] = {nullptr, nullptr};

    // Set by the shut-down sequence: from then on the window procedures handle nothing more,
    // and the document and the undo log are released once the message loop has ended.
    bool closing = false;
};

extern EditorState state;

// The About caption; the program title is the same stored text from its seventh character on.
extern const char aboutCaption[];
// The shared empty text.
extern const char emptyText[];

// Puts every field back to its value before start-up (programTitle included).
void resetEditorState();
