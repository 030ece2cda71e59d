// The event-stream fuzzer: the whole editor on the headless host, fed random keys, characters,
// mouse input, timer ticks, resizes, commands, dialog and message-box answers, clipboard
// contents, files and injected faults. After every event it checks the invariants of the editor
// state, that both panes look exactly like a full repaint, and the document against a reference
// model: what each simple edit must have written, and what each Undo must bring back.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace fuzz {

using Bytes = std::vector<uint8_t>;

// Where the events' choices come from: a seeded generator or a fuzzing engine's input.
class Source {
  public:
    virtual ~Source() = default;
    // A number in [0, n); 0 when n is 0.
    virtual uint32_t below(uint32_t n) = 0;
    // True once the input is used up; a generator never is.
    virtual bool exhausted() const { return false; }
    bool chance(uint32_t percent) { return below(100) < percent; }
    int32_t between(int32_t low, int32_t high) {
        return low + static_cast<int32_t>(below(static_cast<uint32_t>(high - low) + 1));
    }
};

class RandomSource : public Source {
  public:
    explicit RandomSource(uint64_t seed) : state(seed) {}
    uint32_t below(uint32_t n) override;

  private:
    uint64_t state;
};

class ByteSource : public Source {
  public:
    ByteSource(const uint8_t* bytes, size_t count) : data(bytes), size(count) {}
    uint32_t below(uint32_t n) override;
    bool exhausted() const override { return position >= size; }

  private:
    const uint8_t* data;
    size_t size;
    size_t position = 0;
};

// The document as the model knows it: its length in nibbles and its (length + 1) / 2 bytes. The
// low digit of a half-typed last byte is not part of the document and is kept 0.
struct Doc {
    int32_t length = 0;
    Bytes bytes;
};

// What undoing one record of the undo log must bring back: the document before the change, as
// its length and the bytes from `first` on that differ from the document as it is when the
// record is undone (bytes past the old length are not kept). Unknown for a record whose change
// cannot be told apart from others made in the same event.
struct Snapshot {
    enum class Kind { unknown, delta } kind = Kind::unknown;
    int32_t length = 0;
    int32_t first = 0;
    Bytes bytes;
};

// A document described by how it differs from another: its length, and the bytes from `at` on
// that replace the other's. Compared in place, and built only to tell how a check failed.
struct Change {
    int32_t length = 0;
    int32_t at = 0;
    Bytes bytes;
};

// The log's indexes, taken before and after an event.
struct LogMark {
    int32_t next = 0, count = 0, oldest = 0;
    uint32_t head = 0;
    bool operator==(const LogMark& o) const {
        return next == o.next && count == o.count && oldest == o.oldest && head == o.head;
    }
};

// What the event being run expects.
struct Event {
    std::string what;
    bool edits = false; // it may change the document
    bool mayUndo = false;
    bool severalWrites = false; // it may write several records (the find dialog)
    // Checks the document after the event against the one before it.
    std::function<void(const Doc& pre, const Doc& post)> expect;
};

struct Options {
    bool largeDocuments = true; // documents of several MiB now and then
};

struct Fuzzer {
    Fuzzer(Source& source, std::string folder, Options choices, std::string label);
    // Runs events until `count` have run or the source is used up.
    void run(uint64_t count);

    // ---- Sessions and checks (model.cpp) ----
    void newSession();
    void afterEvent();
    void checkInvariants();
    void checkRepaint();
    void updateUndoModel(const LogMark& after, const Doc& pre, const Doc& post, bool changed);
    void checkRescueFile(const Doc& pre);
    [[noreturn]] void fail(const std::string& why);
    void require(bool ok, const char* why) {
        if (!ok) {
            fail(why);
        }
    }
    // As require, telling how the document differs from the one wanted.
    void require(bool ok, const char* why, const Doc& want, const Doc& got);
    // Requires `post` to be `pre` changed as described.
    void requireChange(const Doc& pre, const Doc& post, const Change& change, const char* why);
    std::string path(const std::string& file) const { return directory + "/" + file; }

    Source& in;
    std::string directory;
    Options options;
    std::string name;
    bool trace = false; // print each event as it starts
    uint64_t done = 0;
    uint64_t sessionEvents = 0;
    std::deque<std::string> history;        // the latest events, for the report
    std::map<std::string, uint64_t> counts; // how often each check did its work

    Doc doc;                        // the model: what the document must be
    Doc scratch;                    // the document after an event, before it becomes the model
    std::vector<Snapshot> undo;     // one per record of the undo log, oldest first
    std::vector<std::string> files; // the paths file dialogs and drops choose from

    // The host's scripted answers still queued, as far as the events queued them.
    std::deque<std::string> pendingPaths;
    int pendingBoxAnswers = 0;
    int pendingScripts = 0;
    bool pendingModal = false;
    bool clipboardHeld = false;
    bool leftButton = false; // the mouse buttons as the user holds them
    bool rightButton = false;

    // The event being run, and what it did.
    Event event;
    LogMark before;
    size_t boxesBefore = 0, fileDialogsBefore = 0, dialogsBefore = 0;
    std::vector<std::string> chosenPaths; // answers the event's file dialogs took
    bool modalRan = false;                // input was typed while a box was open
    bool manyAppends = false;             // replace-all reported more records than can be told
    bool sessionStarted = false;          // the event started a new session
};

// ---- Shared helpers (model.cpp) ----
void readDocument(Doc& doc);
bool matches(const Doc& pre, const Doc& post, const Change& change);
Doc applied(const Doc& pre, const Change& change);
bool productEquals(const Doc& doc);
bool sameDocs(const Doc& a, const Doc& b);
void normalize(Doc& doc);
std::string describe(const Doc& expected, const Doc& actual);
LogMark logMark();
bool readWholeFile(const std::string& path, Bytes& bytes);

// ---- Events (events.cpp) ----
void runRandomEvent(Fuzzer& f);
void prepareFiles(Fuzzer& f);
Bytes randomContent(Source& in, size_t size);
size_t randomDocumentSize(Fuzzer& f);

} // namespace fuzz
