#include "files/file_commands.h"

#include "app/commands.h"
#include "app/editor_state.h"
#include "app/main_window.h"
#include "document/document_buffer.h"
#include "files/errors.h"
#include "files/path_text.h"
#include "platform/codes.h"
#include "undo/change_recording.h"
#include "undo/undo_log.h"
#include "view/caret.h"
#include "view/pane_paint.h"

#include <algorithm>
#include <cstring>

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
    // The dialog starts in the current file's folder, beside the file being edited; without one
    // (a new document, or a name without a folder) in the process's current folder.
    char folder[filePathSize] = "";
    const char* separator = std::strrchr(state.filePath, '\\');
    const char* slash = std::strrchr(state.filePath, '/');
    if (separator == nullptr || (slash != nullptr && slash > separator)) {
        separator = slash;
    }
    if (separator != nullptr) {
        auto length = static_cast<size_t>(separator - state.filePath);
        // A root keeps its separator: "C:" alone names the drive's current folder, not its root.
        if (length == 0 || (length == 2 && state.filePath[1] == ':')) {
            ++length;
        }
        std::memcpy(folder, state.filePath, length);
        folder[length] = '\0';
    }
    // The program may have begun to close while the dialog was open: nothing is chosen then.
    return platform::chooseFile(path, filePathSize, save, title, flags, folder) && !state.closing;
}

namespace {

// Insert File: the file's bytes over the document's from offset on. The file is read whole
// before anything is recorded, so that a file that cannot be read changes nothing, and only
// what was read is written.
int insertFile(platform::File file, int32_t offset, int32_t count) {
    void* block = platform::allocateBlock(std::max<size_t>(static_cast<size_t>(count), 1));
    if (block == nullptr) {
        platform::closeFile(file);
        reportLowMemory(false);
        return 0;
    }
    auto* bytes = static_cast<uint8_t*>(block);
    const auto read =
        static_cast<int32_t>(platform::readFile(file, bytes, static_cast<size_t>(count)));
    platform::closeFile(file);
    if (read != count) {
        platform::freeBlock(block);
        return showError(128);
    }
    // An empty file inserts nothing: nothing to record.
    if (count == 0 || !recordChange(count)) {
        platform::freeBlock(block);
        return count == 0 ? 1 : 0;
    }
    const int32_t written = state.document->transfer(offset, count, bytes, true);
    platform::freeBlock(block);
    if (offset + written > state.length / 2) {
        state.length = 2 * (offset + written);
    }
    updateScrollRange();
    invalidatePanes();
    if (written != count) {
        reportLowMemory(true);
        return 0;
    }
    return 1;
}

} // namespace

int openFile(const char* path, int32_t offset, bool insert) {
    if (utf16Length(path) > maxPathUnits) {
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
    if (!withinSizeLimit(offset + size)) {
        platform::closeFile(file);
        return 0;
    }
    const auto count = static_cast<int32_t>(size);
    if (insert) {
        return insertFile(file, offset, count);
    }
    // The new store replaces the document's only once the whole file is in it.
    const int32_t read = state.document->readNewStore(file, count);
    platform::closeFile(file);
    if (read < 0) {
        reportLowMemory(false);
        return 0;
    }
    if (read != count) {
        return showError(128);
    }
    state.paintBase = 0;
    state.length = 2 * read;
    resetView();
    setFileTitle(path);
    invalidatePanes();
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
        // Cut between characters, never inside one.
        std::strncat(state.titleText, name + 1, characterPrefix(name + 1, maxTitleNameLength));
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
