#include "files/errors.h"

#include "app/editor_state.h"
#include "document/document_buffer.h"
#include "platform/codes.h"
#include "platform/platform.h"
#include "undo/undo_log.h"

#include <cstdio>

const char messageCaption[] = "Message from KezEdit";

int showError(int16_t number) {
    char text[32] = "";
    if (number < 127 || platform::loadString(number, text, 31) <= 0) {
        std::snprintf(text, sizeof text, "Error %d", number);
    }
    platform::messageBox(state.mainWindow, text, messageCaption, mb::ok);
    return 0;
}

bool withinSizeLimit(int64_t end) {
    if (end <= maxDocumentBytes) {
        return true;
    }
    showError(130);
    return false;
}

bool reportLowMemory(bool changeJustCounted) {
    if (state.closing || state.document == nullptr) {
        return false;
    }
    const int32_t changes = state.undoLog == nullptr ? 0 : state.undoLog->changeCount;
    const int32_t otherChanges = changeJustCounted && changes != 0 ? changes - 1 : changes;
    const unsigned style = mb::systemModal | mb::iconError;
    if (otherChanges == 0) {
        platform::messageBox(state.mainWindow, "Low Memory!\n\rAction could not be completed!",
                             messageCaption, style);
        return false;
    }
    if (platform::messageBox(state.mainWindow,
                             "Low Memory - Program unstable!\n\rSave changes to temporary file?",
                             messageCaption, style | mb::yesNo) == answer::no) {
        return false;
    }
    platform::File file = platform::createFile("KEZRescueFile");
    if (file == nullptr) {
        showError(128);
        return false;
    }
    const int32_t bytes = state.length / 2;
    const int32_t written = state.document->writeToFile(file, 0, bytes);
    platform::closeFile(file);
    if (written != bytes) {
        // A rescue that did not write everything must not end the program: the user can still
        // try to save.
        showError(128);
        return false;
    }
    platform::sendMessage(state.mainWindow, wm::destroy, 0, 0);
    return false;
}
