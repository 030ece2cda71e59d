#include "edit/clipboard.h"

#include "app/commands.h"
#include "app/editor_state.h"
#include "document/document_buffer.h"
#include "document/hex_codec.h"
#include "edit/block_edits.h"
#include "files/errors.h"
#include "platform/codes.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

constexpr int32_t largestCopy = 0x100000;

} // namespace

void copySelection(int command) {
    const int32_t selected = state.selection.end - state.selection.start;
    if (selected <= 0) {
        return;
    }
    int32_t count = std::min(selected, largestCopy);
    if (!platform::openClipboard(state.mainWindow)) {
        showError(4);
        return;
    }
    // Every block is had before the clipboard is emptied, so that a copy without the memory
    // for it leaves the clipboard as it was.
    platform::SharedBlock bytes = platform::allocateShared(static_cast<size_t>(count) + 1);
    platform::SharedBlock extra = nullptr;
    const int32_t hexLength = std::min(2 * count, largestCopy);
    if (command == cmd::copy) {
        extra = platform::allocateShared(4);
    } else if (command == cmd::copyHex) {
        extra = platform::allocateShared(static_cast<size_t>(hexLength) + 1);
    }
    if (bytes == nullptr || (command != cmd::copyAscii && extra == nullptr)) {
        if (bytes != nullptr) {
            platform::freeShared(bytes);
        }
        if (extra != nullptr) {
            platform::freeShared(extra);
        }
        platform::closeClipboard();
        reportLowMemory(false);
        return;
    }
    auto* data = static_cast<uint8_t*>(platform::lockShared(bytes));
    count = state.document->transfer(state.selection.start, count, data, false);
    platform::emptyClipboard();
    platform::SharedBlock text = bytes;
    if (command == cmd::copy) {
        const auto size = static_cast<uint32_t>(count);
        auto* number = static_cast<uint8_t*>(platform::lockShared(extra));
        std::memcpy(number, &size, sizeof size); // the machine's byte order
        platform::unlockShared(extra);
        if (!platform::setClipboardData(state.binaryClipboardFormat, extra)) {
            platform::freeShared(extra);
        }
    } else if (command == cmd::copyAscii) {
        // Control characters below 30 would be lost or misread as text: they show as a dot.
        std::replace_if(
            data, data + count, [](uint8_t b) { return b < 30; }, uint8_t{0xB7});
    } else {
        auto* hex = static_cast<char*>(platform::lockShared(extra));
        hexConvert(hex, data, 0, static_cast<uint32_t>(std::min(count, hexLength / 2)), true);
        platform::unlockShared(bytes);
        platform::freeShared(bytes);
        text = extra;
        data = reinterpret_cast<uint8_t*>(hex);
        count = std::min(2 * count, hexLength);
    }
    data[count] = 0;
    platform::unlockShared(text);
    if (!platform::setClipboardData(cf::text, text)) {
        platform::freeShared(text);
    }
    platform::closeClipboard();
    // A copy cut at the clipboard's limit says so: pasted elsewhere, it is not the selection.
    const int32_t copied = command == cmd::copyHex ? count / 2 : count;
    if (copied < selected) {
        char message[80];
        std::snprintf(message, sizeof message,
                      "Selection too large - only the first %d bytes copied", copied);
        platform::messageBox(state.mainWindow, message, messageCaption, mb::ok);
    }
}

bool pasteClipboard() {
    if (!platform::openClipboard(state.mainWindow)) {
        return false;
    }
    platform::SharedBlock text = platform::clipboardData(cf::text);
    const auto* data =
        text != nullptr ? static_cast<const uint8_t*>(platform::lockShared(text)) : nullptr;
    if (data == nullptr) {
        platform::closeClipboard();
        return false;
    }
    const size_t size = platform::sharedSize(text);
    size_t count = 0;
    platform::SharedBlock binary = platform::clipboardHasFormat(state.binaryClipboardFormat)
                                       ? platform::clipboardData(state.binaryClipboardFormat)
                                       : nullptr;
    const void* number = binary != nullptr && platform::sharedSize(binary) >= 4
                             ? platform::lockShared(binary)
                             : nullptr;
    if (number != nullptr) {
        // This program's own count, which lets zero bytes through; never more than the text
        // block holds, whatever put it there.
        uint32_t stored = 0;
        std::memcpy(&stored, number, sizeof stored);
        platform::unlockShared(binary);
        count = std::min<size_t>(stored, size);
    } else {
        if (size == 0) {
            platform::unlockShared(text);
            platform::closeClipboard();
            return false;
        }
        // Text from elsewhere ends at its first zero byte: the block may be larger than the text
        // (Windows itself allocates the text it converts in blocks of its own size), and what
        // lies after the terminator is not part of it.
        const auto* zero = static_cast<const uint8_t*>(std::memchr(data, 0, size));
        count = zero != nullptr ? static_cast<size_t>(zero - data) : size;
    }
    count = std::min<size_t>(count, largestCopy);
    writeAtCaret(data, static_cast<int32_t>(count), true);
    platform::unlockShared(text);
    platform::closeClipboard();
    return true;
}
