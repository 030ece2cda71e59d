#include "app/main_window.h"

#include "app/commands.h"
#include "app/editor_state.h"
#include "app/layout.h"
#include "dialogs/find_dialog.h"
#include "document/document_buffer.h"
#include "edit/block_edits.h"
#include "edit/clipboard.h"
#include "edit/value_commands.h"
#include "files/errors.h"
#include "files/file_commands.h"
#include "platform/codes.h"
#include "undo/change_recording.h"
#include "undo/undo_log.h"
#include "view/caret.h"
#include "view/mouse.h"
#include "view/navigation.h"
#include "view/pane_paint.h"
#include "view/selection.h"

#include <cstring>
#include <new>

namespace {

// The one document buffer and the one undo log live in storage of their own: creating them
// cannot fail (their memory blocks can, and they survive that).
alignas(DocumentBuffer) unsigned char documentStorage[sizeof(DocumentBuffer)];
alignas(UndoLog) unsigned char undoLogStorage[sizeof(UndoLog)];

template <typename T>
void destroy(T*& object) {
    if (object != nullptr) {
        object->~T();
        object = nullptr;
    }
}

// The creation handler.
void createEditor(platform::Window window) {
    state.mainWindow = window;
    state.topCell = 0;
    state.pageCells = state.rowCells[0] * state.visibleRows;
    updateScrollRange();
    releaseDocument();
    state.undoLog = new (undoLogStorage) UndoLog(2000);
    state.document = new (documentStorage) DocumentBuffer;
    state.binaryClipboardFormat = platform::registerClipboardFormat("KEZ_BIN");
    readWheelStep();
}

void showNotice() {
    const char* text = nullptr;
    size_t length = 0;
    if (!platform::loadNotice(&text, &length)) {
        return;
    }
    // The resource has no terminator; the box gets a terminated copy of all of it.
    auto* notice = static_cast<char*>(platform::allocateBlock(length + 1));
    if (notice == nullptr) {
        reportLowMemory(false);
        return;
    }
    std::memcpy(notice, text, length);
    notice[length] = '\0';
    platform::messageBox(state.mainWindow, notice, aboutCaption, mb::ok);
    platform::freeBlock(notice);
}

} // namespace

bool confirmDiscardChanges() {
    if (state.undoLog->changeCount == 0) {
        return true;
    }
    // Only Yes discards: a box closed any other way (Escape, its close button) keeps them.
    const bool discard = platform::messageBox(nullptr, "File has been changed - Close it anyway?",
                                              messageCaption, mb::yesNo) == answer::yes;
    // Input typed while the question was open may have ended the program (a low-memory rescue,
    // or a close): then nothing more happens to the document.
    return discard && !state.closing;
}

void newDocument() {
    if (confirmDiscardChanges()) {
        startNewDocument();
    }
}

void startNewDocument() {
    state.document->reset(0x8000);
    state.paintBase = 0;
    state.length = 0;
    std::strcpy(state.titleText, state.programTitle);
    state.titlePrefixLength = 21;
    platform::setWindowText(state.mainWindow, state.titleText);
    resetView();
    state.filePath[0] = '\0';
    invalidatePanes();
}

void closeProgram() {
    if (confirmDiscardChanges()) {
        shutDown();
    }
}

void shutDown() {
    if (state.closing) {
        return;
    }
    saveWindowPlacement();
    state.closing = true;
    platform::postQuit(0);
}

void releaseDocument() {
    destroy(state.document);
    destroy(state.undoLog);
}

intptr_t runCommand(int command, intptr_t lParam) {
    switch (command) {
    case cmd::quit:
        closeProgram();
        return 0;
    case cmd::newFile:
        newDocument();
        break;
    case cmd::open:
        openCommand();
        break;
    case cmd::save:
        saveCommand();
        break;
    case cmd::saveAs:
        saveAsCommand();
        break;
    case cmd::saveSelection:
        saveSelectionCommand();
        break;
    case cmd::insertFile:
        insertFileCommand();
        break;
    case cmd::extendFile:
        extendFile();
        break;
    case cmd::undo:
        undoLastChange();
        break;
    case cmd::copy:
    case cmd::copyAscii:
    case cmd::copyHex:
        copySelection(command);
        break;
    case cmd::paste:
        return pasteClipboard() ? 1 : 0;
    case cmd::cutFile:
        cutFile();
        break;
    case cmd::decimal:
        enterDecimal();
        break;
    case cmd::bits:
        enterBits();
        break;
    case cmd::fill:
        fillSelection();
        break;
    case cmd::selectAll:
        selectAll();
        break;
    case cmd::toggleSelection:
        toggleSelection();
        break;
    case cmd::find:
    case cmd::replace:
        openFindDialog(command);
        break;
    case cmd::findNext:
        findNext();
        break;
    case cmd::goTo:
        goToOffset();
        break;
    case cmd::license:
        showNotice();
        break;
    case cmd::color:
        setGroupColor();
        break;
    case cmd::openPath:
        // Sent without a path, the command has nothing to open.
        if (lParam != 0) {
            openFile(reinterpret_cast<const char*>(lParam), 0, false);
        }
        break;
    default:
        // Identifiers without a command, and commands still to come, do nothing.
        break;
    }
    return 1;
}

Outcome mainWindowProc(platform::Window window, uint32_t message, uintptr_t wParam,
                       intptr_t lParam) {
    if (message == wm::create) {
        createEditor(window);
        return handled(0);
    }
    if (state.closing || state.document == nullptr) {
        // After shut-down, messages still queued are left to the default processing.
        return byDefault();
    }
    switch (message) {
    case wm::setFocus:
        platform::setFocus(state.panes[state.activePane]);
        return handled(0);
    case wm::size:
        resizeLayout(wParam, static_cast<uint32_t>(lParam));
        return handled(0);
    case wm::getMinMaxInfo:
        applyTrackingLimits(*reinterpret_cast<platform::TrackingLimits*>(lParam));
        return handled(0);
    case wm::windowPosChanging:
        snapWindowSize(*reinterpret_cast<platform::WindowPosChange*>(lParam));
        return handled(1);
    case wm::windowPosChanged:
        if ((reinterpret_cast<platform::WindowPosChange*>(lParam)->flags & swp::noSize) != 0) {
            return handled(0);
        }
        return byDefault();
    case wm::settingChange:
        readWheelStep();
        return handled(0);
    case wm::character:
        if (wParam == vk::tab) {
            switchPane();
        }
        return byDefault();
    case wm::command:
        return handled(runCommand(static_cast<int>(wParam & 0xFFFF), lParam));
    case wm::close:
        closeProgram();
        return handled(0);
    case wm::destroy:
        shutDown();
        return handled(0);
    case wm::timer:
        autoScrollTick();
        return byDefault();
    case wm::cancelMode:
        cancelMouseModes();
        return byDefault();
    case wm::vscroll:
        scrollBarRequest(static_cast<int>(wParam & 0xFFFF));
        return byDefault();
    case wm::mouseWheel:
        return mouseWheel(wParam) ? handled(0) : byDefault();
    case wm::dropFiles:
        openDroppedFile(reinterpret_cast<platform::DropHandle>(wParam));
        return handled(0);
    case wm::findFromDialog:
    case wm::replaceOnce:
    case wm::replaceAll: {
        // Only the open find dialog's own request is acted on: any program can post these
        // messages, with any pointer or none.
        auto* request = reinterpret_cast<FindRequest*>(lParam);
        if (request == nullptr || request != state.currentFindRequest) {
            return handled(0);
        }
        if (message == wm::findFromDialog) {
            return handled(findFromDialog(request, wParam != 0));
        }
        return handled(message == wm::replaceOnce ? replaceOnce(request)
                                                  : replaceAll(request, wParam != 0));
    }
    default:
        return byDefault();
    }
}
