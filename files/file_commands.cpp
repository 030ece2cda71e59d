#include "files/file_commands.h"

#include "app/commands.h"
#include "app/editor_state.h"
#include "app/main_window.h"
#include "document/document_buffer.h"
#include "files/errors.h"
#include "platform/codes.h"
#include "undo/change_recording.h"
#include "undo/undo_log.h"
#include "view/caret.h"
#include "view/pane_paint.h"

#include <cstring>

namespace {

constexpr int64_t largestDocument = 0x3FFFFFFF;

} // namespace

bool chooseFile(char* path, int command) {
    const char* title = "Open";
    bool save = true;
    switch (command) {
    case cmd::open:
        save = false;
        break;
    case cmd::insertFile:
        title = "Insert";
        save = false;
        break;
    case cmd::save:
        title = "Save";
        break;
    case cmd::saveAs:
        title = "Save As";
        break;
    default:
        title = "Save Selection";
        break;
    }
    const uint32_t flags = save ? ofn::pathMustExist | ofn::hideReadOnly | ofn::overwritePrompt
                                : ofn::fileMustExist | ofn::pathMustExist | ofn::hideReadOnly;
    path[0] = '\0';
    return platform::chooseFile(path, filePathSize, save, title, flags);
}

int openFile(const char* path, int32_t offset, bool insert) {
    if (std::strlen(path) >= filePathSize) {
        // A path longer than the current-file path can hold is refused, never cut.
        return showError(128);
    }
    platform::File file = platform::openFileForReading(path);
    if (file == nullptr) {
        return showError(128);
    }
    const int64_t size = platform::fileSize(file);
    if (size < 0) {
        platform::closeFile(file);
        return showError(128);
    }
    if (offset + size > largestDocument) {
        platform::closeFile(file);
        return showError(130);
    }
    const auto count = static_cast<int32_t>(size);
    DocumentBuffer& document = *state.document;
    if (insert) {
        if (!recordChange(count)) {
            platform::closeFile(file);
            return 0;
        }
    } else {
        document.reset(count);
    }
    const int32_t read = document.readFromFile(file, offset, count);
    platform::closeFile(file);
    // When the store could not take the whole file (or the read fell short), this is reported;
    // an open then leaves an empty document, an insert keeps what was read.
    const bool complete = read == count;
    const bool memoryShort = !complete && document.capacity < offset + count;
    if (insert) {
        if (offset + read > state.length / 2) {
            state.length = 2 * (offset + read);
        }
        updateScrollRange();
    } else if (complete) {
        state.paintBase = 0;
        state.length = 2 * read;
        resetView();
        setFileTitle(path);
    } else {
        // Nothing partial may later be saved over the file: the document starts empty.
        startNewDocument();
    }
    invalidatePanes();
    if (!complete) {
        if (memoryShort) {
            reportLowMemory(insert);
        } else {
            showError(128);
        }
        return 0;
    }
    return 1;
}

int saveFile(const char* path, int32_t start, int32_t end, int command) {
    platform::File file = platform::openFileForWriting(path);
    if (file == nullptr) {
        char chosen[filePathSize];
        if (!chooseFile(chosen, command)) {
            return 0;
        }
        file = platform::createFile(chosen);
        if (file == nullptr) {
            return showError(128);
        }
        if (command != cmd::saveSelection) {
            setFileTitle(chosen);
        }
    }
    const int32_t count = end > start ? end - start : 0;
    const int32_t written = state.document->writeToFile(file, start, end);
    // The file holds exactly the bytes written: a longer existing file is cut after them.
    const bool cut = platform::endFileHere(file);
    platform::closeFile(file);
    if (written != count || !cut) {
        // A short write (a full disk) is not a save: the document stays modified.
        return showError(129);
    }
    if (command != cmd::saveSelection) {
        state.undoLog->changeCount = 0;
    }
    return 1;
}

void setFileTitle(const char* path) {
    if (path != state.filePath) {
        std::strncpy(state.filePath, path, filePathSize - 1);
        state.filePath[filePathSize - 1] = '\0';
    }
    std::strcpy(state.titleText, "Edit:");
    const char* name = std::strrchr(state.filePath, '\\');
    if (name != nullptr) {
        std::strncat(state.titleText, name + 1, maxTitleNameLength);
    }
    std::strcat(state.titleText, " ");
    state.titlePrefixLength = static_cast<int16_t>(std::strlen(state.titleText));
    platform::setWindowText(state.mainWindow, state.titleText);
}

void openCommand() {
    char path[filePathSize];
    if (confirmDiscardChanges() && chooseFile(path, cmd::open)) {
        openFile(path, 0, false);
    }
}

void insertFileCommand() {
    char path[filePathSize];
    if (chooseFile(path, cmd::insertFile)) {
        openFile(path, state.caret / 2, true);
    }
}

void saveCommand() {
    if (state.undoLog->changeCount == 0) {
        showError(129);
        return;
    }
    saveFile(state.filePath, 0, state.length / 2, cmd::save);
}

void saveAsCommand() {
    saveFile(emptyText, 0, state.length / 2, cmd::saveAs);
}

void saveSelectionCommand() {
    if (state.selection.end > state.selection.start) {
        saveFile(emptyText, state.selection.start, state.selection.end, cmd::saveSelection);
    } else {
        showError(129);
    }
}

void openDroppedFile(platform::DropHandle drop) {
    if (!confirmDiscardChanges()) {
        // The drop is released whether or not it is used.
        platform::releaseDrop(drop);
        return;
    }
    char path[filePathSize];
    const bool fits = platform::firstDroppedPath(drop, path, sizeof path);
    platform::releaseDrop(drop);
    if (!fits) {
        showError(128);
        return;
    }
    openFile(path, 0, false);
}
