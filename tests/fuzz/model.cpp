// The fuzzer's sessions and checks: the invariants of the editor state, the repaint oracle, the
// reference model of the document and the snapshots that every Undo must bring back.
#include "tests/fuzz/fuzzer.h"

#include "app/editor_state.h"
#include "document/document_buffer.h"
#include "platform/headless/headless.h"
#include "platform/platform.h"
#include "undo/undo_log.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace fuzz {

uint32_t RandomSource::below(uint32_t n) {
    // splitmix64
    state += 0x9E3779B97F4A7C15ull;
    uint64_t z = state;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    z ^= z >> 31;
    return n == 0 ? 0 : static_cast<uint32_t>(z % n);
}

uint32_t ByteSource::below(uint32_t n) {
    uint32_t value = 0;
    for (uint64_t span = 1; span < n; span <<= 8) {
        value = value << 8 | (position < size ? data[position] : 0u);
        ++position;
    }
    return n == 0 ? 0 : value % n;
}

// ---- The document model ---------------------------------------------------------------------

void normalize(Doc& doc) {
    doc.bytes.resize(static_cast<size_t>(doc.length + 1) / 2);
    if (doc.length % 2 != 0) {
        doc.bytes.back() &= 0xF0;
    }
}

void readDocument(Doc& doc) {
    doc.length = state.length;
    const uint8_t* bytes = state.document->bytes;
    doc.bytes.assign(bytes, bytes + (doc.length + 1) / 2);
    normalize(doc);
}

bool productEquals(const Doc& doc) {
    if (state.length != doc.length) {
        return false;
    }
    const auto whole = static_cast<size_t>(doc.length / 2);
    if (whole > 0 && std::memcmp(state.document->bytes, doc.bytes.data(), whole) != 0) {
        return false;
    }
    return doc.length % 2 == 0 || (state.document->bytes[whole] & 0xF0) == doc.bytes[whole];
}

bool sameDocs(const Doc& a, const Doc& b) {
    return a.length == b.length && a.bytes == b.bytes;
}

Doc applied(const Doc& pre, const Change& change) {
    Doc doc = pre;
    doc.length = change.length;
    const size_t end = static_cast<size_t>(change.at) + change.bytes.size();
    doc.bytes.resize(std::max(doc.bytes.size(), end));
    std::copy(change.bytes.begin(), change.bytes.end(), doc.bytes.begin() + change.at);
    normalize(doc);
    return doc;
}

// The same as sameDocs(applied(pre, change), post), without building the document.
bool matches(const Doc& pre, const Doc& post, const Change& change) {
    if (post.length != change.length) {
        return false;
    }
    const size_t whole = static_cast<size_t>(post.length / 2);
    const size_t at = static_cast<size_t>(change.at);
    const size_t end = at + change.bytes.size();
    // post's bytes [from, to) against source, whose first byte stands for byte sourceStart.
    auto sameRun = [&](size_t from, size_t to, const uint8_t* source, size_t sourceStart) {
        to = std::min(to, whole);
        return from >= to ||
               std::memcmp(&post.bytes[from], source + (from - sourceStart), to - from) == 0;
    };
    const size_t preWhole = std::min(pre.bytes.size(), whole);
    if (!sameRun(0, std::min(at, preWhole), pre.bytes.data(), 0) ||
        !sameRun(at, end, change.bytes.data(), at) ||
        !sameRun(std::max(end, at), preWhole, pre.bytes.data(), 0)) {
        return false;
    }
    // Past the earlier document and outside the change the bytes are 0.
    for (size_t i = preWhole; i < whole; ++i) {
        if ((i < at || i >= end) && post.bytes[i] != 0) {
            return false;
        }
    }
    if (post.length % 2 == 0) {
        return true;
    }
    // A half-typed last byte shows its high digit only.
    const uint8_t last = whole >= at && whole < end ? change.bytes[whole - at]
                         : whole < pre.bytes.size() ? pre.bytes[whole]
                                                    : 0;
    return post.bytes[whole] == (last & 0xF0);
}

namespace {

// The bytes [first, end) where two documents differ; a length that differs alone counts as a
// change of the byte where the shorter one ends.
void changedRange(const Doc& a, const Doc& b, int32_t& first, int32_t& end) {
    const size_t common = std::min(a.bytes.size(), b.bytes.size());
    const size_t longest = std::max(a.bytes.size(), b.bytes.size());
    // Whole blocks are compared first: the documents may be several MiB.
    constexpr size_t block = 4096;
    size_t lo = 0;
    while (lo + block <= common && std::memcmp(&a.bytes[lo], &b.bytes[lo], block) == 0) {
        lo += block;
    }
    while (lo < common && a.bytes[lo] == b.bytes[lo]) {
        ++lo;
    }
    size_t hi = longest;
    if (a.bytes.size() == b.bytes.size()) {
        while (hi >= lo + block &&
               std::memcmp(&a.bytes[hi - block], &b.bytes[hi - block], block) == 0) {
            hi -= block;
        }
        while (hi > lo && a.bytes[hi - 1] == b.bytes[hi - 1]) {
            --hi;
        }
    }
    if (lo == hi && a.length != b.length) {
        lo = static_cast<size_t>(std::min(a.length, b.length) / 2);
        hi = lo + 1;
    }
    first = static_cast<int32_t>(lo);
    end = static_cast<int32_t>(hi);
}

// The document before a change, as a snapshot relative to the document after it.
Snapshot deltaSnapshot(const Doc& before, const Doc& after) {
    Snapshot s;
    s.kind = Snapshot::Kind::delta;
    s.length = before.length;
    int32_t end = 0;
    changedRange(before, after, s.first, end);
    const auto size = static_cast<int32_t>(before.bytes.size());
    s.bytes.assign(before.bytes.begin() + std::min(s.first, size),
                   before.bytes.begin() + std::min(end, size));
    return s;
}

// A snapshot relative to `base` made relative to a document that differs from base in bytes
// [first, end) only: those bytes, as they were before the record, join the snapshot.
void widen(Snapshot& s, const Doc& base, int32_t first, int32_t end) {
    const int32_t oldSize = (s.length + 1) / 2;
    const int32_t lo = std::min(s.first, first);
    const int32_t hi =
        std::min(std::max(s.first + static_cast<int32_t>(s.bytes.size()), end), oldSize);
    Bytes bytes;
    for (int32_t i = lo; i < hi; ++i) {
        const int32_t stored = i - s.first;
        if (stored >= 0 && stored < static_cast<int32_t>(s.bytes.size())) {
            bytes.push_back(s.bytes[static_cast<size_t>(stored)]);
        } else {
            bytes.push_back(i < static_cast<int32_t>(base.bytes.size())
                                ? base.bytes[static_cast<size_t>(i)]
                                : 0);
        }
    }
    s.first = lo;
    s.bytes = std::move(bytes);
}

char hexDigit(int value) {
    return static_cast<char>(value < 10 ? '0' + value : 'A' + value - 10);
}

} // namespace

std::string describe(const Doc& expected, const Doc& actual) {
    char text[160];
    int32_t first = 0;
    int32_t end = 0;
    changedRange(expected, actual, first, end);
    const auto at = static_cast<size_t>(first);
    std::snprintf(text, sizeof text,
                  "length %d (expected %d), first difference at byte %d: %02X (expected %02X)",
                  actual.length, expected.length, first,
                  at < actual.bytes.size() ? actual.bytes[at] : 0u,
                  at < expected.bytes.size() ? expected.bytes[at] : 0u);
    return text;
}

LogMark logMark() {
    const UndoLog& log = *state.undoLog;
    return {log.nextSlot, log.recordCount, log.oldestSlot, log.dataHead};
}

bool readWholeFile(const std::string& path, Bytes& bytes) {
    std::error_code error;
    if (path.empty() || !std::filesystem::is_regular_file(path, error)) {
        return false;
    }
    const auto size = std::filesystem::file_size(path, error);
    if (error) {
        return false;
    }
    bytes.resize(static_cast<size_t>(size));
    std::ifstream file(path, std::ios::binary);
    file.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<size_t>(file.gcount()));
    return true;
}

// ---- Sessions -------------------------------------------------------------------------------

Fuzzer::Fuzzer(Source& source, std::string folder, Options choices, std::string label)
    : in(source), directory(std::move(folder)), options(choices), name(std::move(label)) {
    prepareFiles(*this);
    newSession();
}

void Fuzzer::run(uint64_t count) {
    while (done < count && !in.exhausted()) {
        event = Event{};
        before = logMark();
        boxesBefore = headless::messageBoxes().size();
        fileDialogsBefore = headless::fileDialogs().size();
        dialogsBefore = headless::dialogsShown().size();
        chosenPaths.clear();
        modalRan = false;
        sessionStarted = false;
        runRandomEvent(*this);
        ++done;
        ++sessionEvents;
        if (trace) {
            std::fprintf(stderr, "    length %d caret %d selection [%d, %d) active pane %d%s\n",
                         state.length, state.caret, state.selection.start, state.selection.end,
                         state.activePane,
                         headless::focus() == headless::pane(state.activePane) ? ""
                                                                               : " (not focused)");
        }
        history.push_back(event.what);
        if (history.size() > 24) {
            history.pop_front();
        }
        afterEvent();
    }
}

void Fuzzer::newSession() {
    ++counts["sessions"];
    sessionStarted = true;
    sessionEvents = 0;
    headless::Metrics metrics;
    if (in.chance(20)) {
        // Other fonts, down to one pixel, on a screen of a proportionate size.
        static const int32_t widths[] = {1, 6, 9, 13};
        static const int32_t heights[] = {1, 10, 15, 17};
        metrics.charWidth = widths[in.below(4)];
        metrics.lineHeight = heights[in.below(4)];
        metrics.cxMaximized = 60 + 3 * metrics.charWidth * in.between(10, 120);
        metrics.cyMaximized = 80 + metrics.lineHeight * in.between(10, 70);
    }
    if (in.chance(15)) {
        metrics.menuWrapWidth = in.between(100, 700);
    }
    if (in.chance(10)) {
        static const uint32_t lines[] = {0, 1, 121, 0xFFFFFFFF};
        metrics.wheelLines = lines[in.below(4)];
    }
    if (in.chance(10)) {
        headless::clearSettings();
    } else if (in.chance(3)) {
        // A saved window rectangle of any size and place.
        Bytes rect(16);
        for (int i = 0; i < 4; ++i) {
            const int32_t value = in.between(-3000, 6000);
            std::memcpy(&rect[static_cast<size_t>(4 * i)], &value, 4);
        }
        headless::settings()["Software\\kez\\tarnvik\\WinPos"] = rect;
    }
    headless::reset(metrics);
    pendingPaths.clear();
    pendingBoxAnswers = 0;
    pendingScripts = 0;
    pendingModal = false;
    clipboardHeld = false;
    leftButton = false;
    rightButton = false;

    const Bytes content = randomContent(in, randomDocumentSize(*this));
    const bool withFile = !content.empty() || in.chance(50);
    std::ofstream(path("start.bin"), std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(content.data()),
               static_cast<std::streamsize>(content.size()));
    std::string named = path("start.bin");
    Bytes expected = content;
    if (withFile && in.chance(8)) {
        // Now and then the path named is no file to open: a folder, a missing file, a path of
        // 255 characters or a longer one.
        named = files[in.below(static_cast<uint32_t>(files.size()))];
        if (named.size() >= 256 || !readWholeFile(named, expected)) {
            expected.clear();
        }
    }
    const std::string commandLine = withFile ? "\"" + named + "\"" : "";
    // Now and then start-up itself runs short of memory.
    const bool faulty = in.chance(3);
    if (faulty) {
        headless::failAllocations(in.between(0, 6), 1);
    }
    bool started = headless::start(commandLine.c_str());
    headless::failAllocations(0, 0);
    if (!started) {
        headless::reset(metrics);
        started = headless::start(commandLine.c_str());
    }
    require(started, "the editor starts");
    checkInvariants();
    readDocument(doc);
    undo.clear();
    if (!faulty) {
        require(doc.length == 2 * static_cast<int32_t>(expected.size()) &&
                    std::equal(expected.begin(), expected.end(), doc.bytes.begin()),
                "the file named on the command line is opened whole");
    }
    checkRepaint();
    checkRescueFile(doc);
}

void Fuzzer::afterEvent() {
    headless::failAllocations(0, 0);
    headless::limitWrites(-1);
    if (sessionStarted) {
        return;
    }
    // What the event's boxes and dialogs took of the answers queued for them.
    const auto boxes = static_cast<int>(headless::messageBoxes().size() - boxesBefore);
    pendingBoxAnswers = std::max(0, pendingBoxAnswers - boxes);
    const size_t fileDialogs = headless::fileDialogs().size() - fileDialogsBefore;
    for (size_t i = 0; i < fileDialogs && !pendingPaths.empty(); ++i) {
        chosenPaths.push_back(pendingPaths.front());
        pendingPaths.pop_front();
    }
    manyAppends = false;
    for (size_t i = boxesBefore; i < headless::messageBoxes().size(); ++i) {
        const std::string& text = headless::messageBoxes()[i].text;
        counts["low memory reported"] += text.compare(0, 10, "Low Memory") == 0 ? 1 : 0;
        if (text.find(" replacement(s) in total") != std::string::npos &&
            std::atoi(text.c_str()) >= 1000) {
            manyAppends = true;
        }
    }
    const auto dialogs = static_cast<int>(headless::dialogsShown().size() - dialogsBefore);
    pendingScripts -= std::min(dialogs, pendingScripts);
    require(pendingScripts == 0, "the command opens its dialog");
    if (state.closing) {
        checkRescueFile(doc);
        newSession();
        return;
    }
    checkInvariants();
    checkRepaint();
    counts["events on documents of 1 MiB or more"] += doc.length >= (2 << 20) ? 1 : 0;
    const bool changed = !productEquals(doc);
    if (changed) {
        readDocument(scratch);
        require(event.edits || modalRan,
                "the document changed on an event that edits nothing: ", doc, scratch);
    }
    const Doc& after = changed ? scratch : doc;
    if (event.expect && !modalRan) {
        event.expect(doc, after);
        counts["edits compared with the model"] += changed ? 1 : 0;
    }
    updateUndoModel(logMark(), doc, after, changed);
    if (changed) {
        std::swap(doc, scratch);
    }
    checkRescueFile(doc);
}

void Fuzzer::updateUndoModel(const LogMark& after, const Doc& pre, const Doc& post, bool changed) {
    const UndoLog& log = *state.undoLog;
    const auto slots = static_cast<int32_t>(log.slotCount);
    if (slots == 0) {
        undo.clear(); // a log without memory keeps nothing
        return;
    }
    const bool popped = after.count == before.count - 1 && after.oldest == before.oldest &&
                        after.next == (before.next + slots - 1) % slots;
    if (event.mayUndo) {
        if (popped) {
            require(!undo.empty(), "Undo removed a record the model does not know");
            const Snapshot s = std::move(undo.back());
            undo.pop_back();
            if (s.kind != Snapshot::Kind::unknown) {
                ++counts["undo compared with its snapshot"];
                requireChange(pre, post, {s.length, s.first, s.bytes},
                              "Undo brings back the document as it was: ");
            }
            return;
        }
        require(after == before, "Undo removes one record at most");
        require(!changed, "an Undo that removed no record changed the document");
        return;
    }
    if (after.count == 0 && after.next == 0 && after.oldest == 0 && after.head == 0) {
        undo.clear(); // cleared: a new document, or a change too large to undo
        return;
    }
    const int32_t appended = (after.next - before.next + slots) % slots;
    if (manyAppends || modalRan || (event.severalWrites && appended > 0)) {
        // Several records, or more than the ring has slots: which change each one holds cannot
        // be told, so the model knows none of them.
        undo.assign(static_cast<size_t>(after.count), Snapshot{});
        return;
    }
    if (appended == 0) {
        require(after.count == before.count && after.oldest == before.oldest,
                "records are dropped only when others are appended");
        if (changed) {
            // Only a one-byte change merged into the newest record changes the document
            // without a record of its own (a block write saving the one byte that existed also
            // runs past the end); undoing that record takes it back too.
            const UndoRecord& newest = log.recordRing[(after.next + slots - 1) % slots];
            int32_t first = 0;
            int32_t end = 0;
            changedRange(pre, post, first, end);
            const auto position = static_cast<int32_t>(newest.position);
            const bool lastByte = position + 1 >= static_cast<int32_t>(pre.bytes.size());
            require(after.count > 0 && first >= position && (end <= position + 1 || lastByte),
                    "the document changed without an undo record: ", pre, post);
            if (undo.back().kind == Snapshot::Kind::delta) {
                widen(undo.back(), pre, first, end);
            }
        }
        return;
    }
    undo.push_back(appended == 1 ? deltaSnapshot(pre, post) : Snapshot{});
    undo.resize(undo.size() + static_cast<size_t>(appended - 1));
    require(undo.size() >= static_cast<size_t>(after.count),
            "the log holds no more records than were appended");
    undo.erase(undo.begin(), undo.end() - after.count);
}

void Fuzzer::checkRescueFile(const Doc& pre) {
    const std::string rescue = path("KEZRescueFile");
    Bytes bytes;
    if (!readWholeFile(rescue, bytes)) {
        return;
    }
    if (state.closing) {
        // The rescue ended the program: the file holds the document's bytes as they were when
        // it was written, before or after the failing edit changed the length.
        const auto size = static_cast<int32_t>(bytes.size());
        require(size == pre.length / 2 || size == state.length / 2,
                "the rescue file holds the whole document");
        require(size == 0 || std::memcmp(bytes.data(), state.document->bytes,
                                         static_cast<size_t>(size)) == 0,
                "the rescue file holds the document's bytes");
        ++counts["rescue files compared"];
    }
    std::filesystem::remove(rescue);
}

// ---- Invariants and the repaint oracle --------------------------------------------------------

void Fuzzer::checkInvariants() {
    require(state.document != nullptr && state.undoLog != nullptr, "document and undo log exist");
    const DocumentBuffer& document = *state.document;
    const int32_t length = state.length;
    require(length >= 0 && state.caret >= 0 && state.caret <= length, "0 <= caret <= length");
    require((length + 1) / 2 <= document.capacity, "the store holds the whole document");

    const ByteRange s = state.selection;
    require(s.start >= 0 && s.start <= s.end, "selection start <= end");
    require(s.end <= length / 2 || (s.start == 0 && s.end == 0),
            "a selection ends within the file");
    const ByteRange saved = state.savedSelection;
    require(saved.start >= 0 && saved.start <= saved.end, "saved selection start <= end");

    const int32_t row = state.rowCells[0];
    require(state.rowCells[1] >= 1 && row == 2 * state.rowCells[1],
            "rowCells[0] = 2 x rowCells[1]");
    require(state.visibleRows >= 1 && state.pageCells == row * state.visibleRows,
            "pageCells = rowCells[0] x visibleRows");
    require(state.totalRows == length / row, "totalRows = length / rowCells[0]");
    require(state.topCell >= 0 && state.topCell % row == 0 &&
                state.topCell / row <= std::max(0, state.totalRows - state.visibleRows + 1),
            "topCell is a row within the scroll range");
    const headless::ScrollBar& bar = headless::scrollBar();
    require(bar.maximum == length / row && bar.page == state.visibleRows &&
                bar.position == state.topCell / row,
            "the scroll bar shows the view");
    require((headless::capture() != nullptr) ==
                (state.mouseSelecting != 0 || state.inspectorCapture != 0),
            "the mouse is captured exactly while a button holds it");
    require(state.dragPane == 0 || state.mouseSelecting != 0, "a drag holds the left button");
    require(state.activePane == 0 || state.activePane == 1, "the active pane is a pane");
    require(headless::focus() == headless::pane(state.activePane),
            "the active pane has the keyboard focus");
    const headless::Caret& caret = headless::caret();
    require(caret.owner == nullptr || caret.hidden == 0, "the caret is shown after every event");

    const UndoLog& log = *state.undoLog;
    const auto slots = static_cast<int32_t>(log.slotCount);
    require(slots >= 0 && slots <= static_cast<int32_t>(UndoLog::maxSlots), "slotCount in range");
    if (slots > 0) {
        require(log.recordCount >= 0 && log.recordCount <= slots, "recordCount <= slotCount");
        require(log.oldestSlot >= 0 && log.oldestSlot < slots && log.nextSlot >= 0 &&
                    log.nextSlot < slots &&
                    (log.oldestSlot + log.recordCount) % slots == log.nextSlot,
                "the record ring's slots are in range");
        require(log.dataHead < UndoLog::ringSize, "the data ring's head is in range");
        // The saved bytes of the records held lie in the ring in record order, ending at dataHead.
        uint32_t firstStart = 0;
        uint32_t reached = 0;
        bool any = false;
        for (int32_t i = 0; i < log.recordCount; ++i) {
            const UndoRecord& r = log.recordRing[(log.oldestSlot + i) % slots];
            require((r.kind & ~0x37u) == 0, "record kinds use only their bits");
            if ((r.kind & undoKind::savedBytes) == 0) {
                continue;
            }
            require(r.dataStart < UndoLog::ringSize, "saved bytes begin within the ring");
            if (!any) {
                firstStart = r.dataStart;
                any = true;
            }
            const uint32_t distance = (r.dataStart - firstStart) & (UndoLog::ringSize - 1);
            require(distance >= reached, "saved bytes lie in the ring in record order");
            reached = distance;
        }
    }

    require(document.cacheBase <= document.validStart && document.validStart <= document.validEnd &&
                document.validEnd <= document.cacheBase + document.cacheCapacity,
            "the hex cache's window lies in the cache");
    if (document.validEnd > document.validStart) {
        require(document.validEnd <= document.capacity, "the hex cache describes the store");
        for (int32_t b = document.validStart; b < document.validEnd; ++b) {
            const char* digits = document.hexText + 2 * (b - document.cacheBase);
            const uint8_t value = document.bytes[b];
            if (digits[0] != hexDigit(value >> 4) || digits[1] != hexDigit(value & 15)) {
                fail("the hex cache is current at byte " + std::to_string(b));
            }
        }
    }

    const std::string title = headless::title();
    const auto prefix = static_cast<size_t>(state.titlePrefixLength);
    require(title == state.titleText && prefix <= title.size(), "the title is titleText");
    if (state.filePath[0] == '\0') {
        require(title.compare(0, prefix, state.programTitle) == 0 && prefix == 21,
                "a new document's title begins with the program title");
    } else {
        require(title.compare(0, 5, "Edit:") == 0 && prefix >= 6 && title[prefix - 1] == ' ',
                "a file's title begins with Edit:, its name and a blank");
    }
}

void Fuzzer::checkRepaint() {
    // While memory ran short the hex pane may show white cells for bytes it could not encode;
    // it is repainted whole once it paints again, as any uncovering of the window makes it.
    if (state.hexPaneShort) {
        platform::invalidate(state.panes[0], false);
        headless::pump();
        if (state.hexPaneShort) {
            return;
        }
    }
    for (int pane = 0; pane < 2; ++pane) {
        const headless::Grid& shown = headless::grid(pane);
        const headless::Grid repainted = headless::repaintedGrid(pane);
        require(shown.rows == repainted.rows && shown.columns == repainted.columns,
                "a repaint covers the pane's grid");
        if (shown.cells.empty() || std::memcmp(shown.cells.data(), repainted.cells.data(),
                                               shown.cells.size() * sizeof shown.cells[0]) == 0) {
            continue; // drawn exactly alike
        }
        for (int32_t r = 0; r < shown.rows; ++r) {
            for (int32_t c = 0; c < shown.columns; ++c) {
                const headless::Cell a = headless::look(shown.at(c, r));
                const headless::Cell b = headless::look(repainted.at(c, r));
                if (!(a == b)) {
                    char text[200];
                    std::snprintf(text, sizeof text,
                                  "pane %d cell (%d, %d) shows %d/%06X/%06X, a repaint draws "
                                  "%d/%06X/%06X",
                                  pane, c, r, a.character, a.text, a.background, b.character,
                                  b.text, b.background);
                    fail(text);
                }
            }
        }
    }
}

void Fuzzer::require(bool ok, const char* why, const Doc& want, const Doc& got) {
    if (!ok) {
        fail(why + describe(want, got));
    }
}

void Fuzzer::requireChange(const Doc& pre, const Doc& post, const Change& change, const char* why) {
    if (!matches(pre, post, change)) {
        fail(why + describe(applied(pre, change), post));
    }
}

void Fuzzer::fail(const std::string& why) {
    std::fprintf(stderr, "\n%s: FAILED at event %llu: %s\nThe last events, oldest first:\n",
                 name.c_str(), static_cast<unsigned long long>(done), why.c_str());
    for (const std::string& what : history) {
        std::fprintf(stderr, "  %s\n", what.c_str());
    }
    std::fprintf(stderr,
                 "State: length %d caret %d selection [%d, %d) saved [%d, %d) topCell %d "
                 "rowCells %d visibleRows %d activePane %d focus %s dragPane %d\n",
                 state.length, state.caret, state.selection.start, state.selection.end,
                 state.savedSelection.start, state.savedSelection.end, state.topCell,
                 state.rowCells[0], state.visibleRows, state.activePane,
                 headless::focus() == headless::pane(0)   ? "hex pane"
                 : headless::focus() == headless::pane(1) ? "text pane"
                                                          : "elsewhere",
                 state.dragPane);
    std::abort();
}

} // namespace fuzz
