// The headless host's system services: memory with fault injection, files, settings, message
// boxes and file dialogs from a script, resources, dropped files and the clipboard.
#include "app/editor_state.h"
#include "dialogs/input_dialog.h"
#include "files/path_text.h"
#include "platform/codes.h"
#include "platform/headless/host.h"
#include "platform/headless/resource_script.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

struct platform::FileObject {
    int descriptor;
    std::function<void()> beforeRead; // what happens to the file before it is first read
};

namespace headless {

namespace {

// Fault injection survives a host reset only through failAllocations and limitWrites.
int allocationsAsked = 0;
std::function<void(const char*)> openAction;
int allocationsBeforeFailure = -1;
int failuresLeft = 0;
int64_t writeBudget = -1;
// The settings outlive a host reset, as the registry outlives a run of the program.
std::map<std::string, std::vector<uint8_t>> storedSettings;
std::set<std::string> settingsKeys;

} // namespace

bool allocationFails() {
    ++allocationsAsked;
    if (failuresLeft == 0) {
        return false;
    }
    if (allocationsBeforeFailure > 0) {
        --allocationsBeforeFailure;
        return false;
    }
    if (failuresLeft > 0) {
        --failuresLeft;
    }
    return true;
}

int allocationCount() {
    return allocationsAsked;
}

void afterNextOpen(std::function<void(const char* path)> action) {
    openAction = std::move(action);
}

void resetFaults() {
    openAction = nullptr;
    allocationsBeforeFailure = -1;
    failuresLeft = 0;
    writeBudget = -1;
}

void failAllocations(int after, int count) {
    allocationsBeforeFailure = after;
    failuresLeft = count;
}

void limitWrites(int64_t bytes) {
    writeBudget = bytes;
}

void answerMessageBoxes(std::initializer_list<int> answers) {
    host().boxAnswers.insert(host().boxAnswers.end(), answers);
}

std::vector<MessageBoxCall>& messageBoxes() {
    return host().boxes;
}

void chooseFiles(std::initializer_list<std::string> paths) {
    host().dialogAnswers.insert(host().dialogAnswers.end(), paths);
}

std::vector<FileDialogCall>& fileDialogs() {
    return host().dialogs;
}

std::map<std::string, std::vector<uint8_t>>& settings() {
    return storedSettings;
}

void clearSettings() {
    storedSettings.clear();
    settingsKeys.clear();
}

} // namespace headless

namespace platform {

using headless::host;

void* allocateBlock(std::size_t bytes) {
    return headless::allocationFails() ? nullptr : std::malloc(std::max<std::size_t>(bytes, 1));
}

void* resizeBlock(void* block, std::size_t bytes) {
    return headless::allocationFails() ? nullptr
                                       : std::realloc(block, std::max<std::size_t>(bytes, 1));
}

void freeBlock(void* block) {
    std::free(block);
}

// ---- Message boxes, resources, dialogs ------------------------------------------------------

int messageBox(Window owner, const char* text, const char* caption, unsigned style) {
    headless::enterModal(owner);
    headless::leaveModal();
    auto& h = host();
    int result = (style & 0xF) == 4 ? 6 : 1; // the first button: Yes or OK
    if (!h.boxAnswers.empty()) {
        result = h.boxAnswers.front();
        h.boxAnswers.pop_front();
    }
    h.boxes.push_back({owner, text, caption, style, result});
    return result;
}

int loadString(int id, char* buffer, int bufferSize) {
    const auto& strings = headless::resourceScript().strings;
    const auto found = strings.find(id);
    if (found == strings.end() || bufferSize <= 0) {
        return 0;
    }
    const auto length =
        std::min<std::size_t>(found->second.size(), static_cast<size_t>(bufferSize - 1));
    std::memcpy(buffer, found->second.data(), length);
    buffer[length] = '\0';
    return static_cast<int>(length);
}

bool loadNotice(const char** text, std::size_t* length) {
    const std::string& notice = headless::resourceScript().notice;
    *text = notice.data();
    *length = notice.size();
    return !notice.empty();
}

bool chooseFile(char* path, std::size_t pathSize, bool save, const char* title, uint32_t flags,
                const char* folder) {
    headless::enterModal(host().main);
    headless::leaveModal();
    auto& h = host();
    h.dialogs.push_back({save, title, flags, folder});
    if (h.dialogAnswers.empty()) {
        return false;
    }
    const std::string answer = h.dialogAnswers.front();
    h.dialogAnswers.pop_front();
    // The dialog's name buffer holds 255 UTF-16 units, as the program's does on Windows: a
    // longer path fails the dialog.
    if (answer.empty() || utf16Length(answer.c_str()) > maxPathUnits || answer.size() >= pathSize) {
        return false;
    }
    std::memcpy(path, answer.c_str(), answer.size() + 1);
    return true;
}

// ---- Files ----------------------------------------------------------------------------------

namespace {

File openDescriptor(const char* path, int flags) {
    if (path == nullptr || *path == '\0') {
        return nullptr;
    }
    const int descriptor = ::open(path, flags | O_CLOEXEC, 0644);
    if (descriptor < 0) {
        return nullptr;
    }
    // A directory is not a file: Win32 refuses to open one as a file, and so does the host.
    struct stat status {};
    if (::fstat(descriptor, &status) != 0 || S_ISDIR(status.st_mode)) {
        ::close(descriptor);
        return nullptr;
    }
    return new FileObject{descriptor, {}};
}

} // namespace

File openFileForReading(const char* path) {
    File file = openDescriptor(path, O_RDONLY);
    if (file != nullptr && headless::openAction) {
        const std::string opened = path;
        file->beforeRead = [action = std::move(headless::openAction), opened] {
            action(opened.c_str());
        };
        headless::openAction = nullptr;
    }
    return file;
}
File openFileForWriting(const char* path) {
    return openDescriptor(path, O_WRONLY);
}
File createFile(const char* path) {
    return openDescriptor(path, O_WRONLY | O_CREAT | O_TRUNC);
}

int64_t fileSize(File file) {
    struct stat status {};
    return ::fstat(file->descriptor, &status) == 0 ? static_cast<int64_t>(status.st_size) : -1;
}

std::size_t readFile(File file, void* buffer, std::size_t count) {
    if (file->beforeRead) {
        const std::function<void()> action = std::move(file->beforeRead);
        file->beforeRead = nullptr;
        action();
    }
    auto* out = static_cast<char*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        const ssize_t n = ::read(file->descriptor, out + done, count - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    return done;
}

std::size_t writeFile(File file, const void* buffer, std::size_t count) {
    int64_t& budget = headless::writeBudget;
    if (budget >= 0) {
        // A full disk: only what the budget allows is stored.
        count = std::min<std::size_t>(count, static_cast<std::size_t>(budget));
    }
    const auto* in = static_cast<const char*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        const ssize_t n = ::write(file->descriptor, in + done, count - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    if (budget >= 0) {
        budget -= static_cast<int64_t>(done);
    }
    return done;
}

bool endFileHere(File file) {
    const off_t position = ::lseek(file->descriptor, 0, SEEK_CUR);
    return position >= 0 && ::ftruncate(file->descriptor, position) == 0;
}

void closeFile(File file) {
    if (file != nullptr) {
        ::close(file->descriptor);
        delete file;
    }
}

// ---- Dropped files, settings, clipboard -----------------------------------------------------

bool firstDroppedPath(DropHandle drop, char* buffer, std::size_t bufferSize) {
    if (drop->paths.empty() || utf16Length(drop->paths[0].c_str()) > maxPathUnits ||
        drop->paths[0].size() >= bufferSize) {
        return false;
    }
    std::memcpy(buffer, drop->paths[0].c_str(), drop->paths[0].size() + 1);
    return true;
}

void releaseDrop(DropHandle) {
    host().dropReleased = true;
}

std::size_t readSetting(const char* key, const char* value, void* data, std::size_t size) {
    headless::settingsKeys.insert(key);
    const auto found = headless::storedSettings.find(std::string(key) + "\\" + value);
    if (found == headless::storedSettings.end() || found->second.size() > size) {
        return 0;
    }
    std::memcpy(data, found->second.data(), found->second.size());
    return found->second.size();
}

void writeSetting(const char* key, const char* value, const void* data, std::size_t size) {
    if (headless::settingsKeys.count(key) == 0) {
        return;
    }
    const auto* bytes = static_cast<const uint8_t*>(data);
    headless::storedSettings[std::string(key) + "\\" + value].assign(bytes, bytes + size);
}

uint32_t registerClipboardFormat(const char*) {
    return 0xC100;
}

SharedBlock allocateShared(std::size_t bytes) {
    if (headless::allocationFails()) {
        return nullptr;
    }
    auto* block = new SharedObject;
    block->data.reset(new uint8_t[std::max<std::size_t>(bytes, 1)]);
    block->size = bytes;
    return block;
}

void* lockShared(SharedBlock block) {
    return block->data.get();
}

void unlockShared(SharedBlock) {}

std::size_t sharedSize(SharedBlock block) {
    return block->size;
}

void freeShared(SharedBlock block) {
    delete block;
}

bool openClipboard(Window) {
    auto& h = host();
    if (h.clipboardHeld || h.clipboardOpen) {
        return false;
    }
    h.clipboardOpen = true;
    return true;
}

void emptyClipboard() {
    host().clipboard.clear();
}

bool setClipboardData(uint32_t format, SharedBlock block) {
    auto& h = host();
    if (!h.clipboardOpen) {
        return false;
    }
    h.clipboard[format].reset(block);
    return true;
}

SharedBlock clipboardData(uint32_t format) {
    auto& h = host();
    const auto found = h.clipboard.find(format);
    return h.clipboardOpen && found != h.clipboard.end() ? found->second.get() : nullptr;
}

bool clipboardHasFormat(uint32_t format) {
    return host().clipboard.count(format) != 0;
}

void closeClipboard() {
    host().clipboardOpen = false;
}

} // namespace platform

// ---- The clipboard as other programs see it -------------------------------------------------

namespace headless {

void putOnClipboard(uint32_t format, const std::vector<uint8_t>& data, size_t size) {
    auto* block = new platform::SharedObject;
    block->size = std::max(size, data.size());
    block->data.reset(new uint8_t[std::max<size_t>(block->size, 1)]());
    std::copy(data.begin(), data.end(), block->data.get());
    host().clipboard[format].reset(block);
}

void clearClipboard() {
    host().clipboard.clear();
}

void holdClipboard(bool held) {
    host().clipboardHeld = held;
}

bool clipboardHas(uint32_t format) {
    return host().clipboard.count(format) != 0;
}

std::vector<uint8_t> clipboardData(uint32_t format) {
    const auto found = host().clipboard.find(format);
    if (found == host().clipboard.end()) {
        return {};
    }
    const uint8_t* data = found->second->data.get();
    return std::vector<uint8_t>(data, data + found->second->size);
}

} // namespace headless
