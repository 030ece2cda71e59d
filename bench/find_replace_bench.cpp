// Replace-all of a 4-byte pattern with 100 000 matches in a 64 MiB document, through the find
// dialog, beside the parts it is made of: the search alone (a plain find loop over the same
// document), the writes and undo records alone (at the match positions, without searching),
// and both together. What replace-all costs beyond the search and the writes is its drawing and
// the dialog, and it should be next to nothing: the matches lie off the page.
#include "app/commands.h"
#include "app/editor_state.h"
#include "dialogs/input_dialog.h"
#include "document/document_buffer.h"
#include "platform/headless/headless.h"
#include "undo/change_recording.h"
#include "view/caret.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int32_t documentSize = 64 << 20;
constexpr int32_t matches = 100000;
constexpr int32_t spacing = documentSize / matches;
const uint8_t pattern[4] = {0xAB, 0xCD, 0xEF, 0x01};
const uint8_t replacement[4] = {0xAB, 0xCD, 0xEF, 0x02};

int32_t matchAt(int32_t index) {
    return index * spacing + 100;
}

// Starts the editor once on the document: pseudo-random bytes without 0xAB, and the pattern at
// every match position; the hex pane active on a window of 32 bytes by 40 rows.
void openDocument() {
    static bool open = false;
    if (open) {
        return;
    }
    const std::string path = "/tmp/tavedit-find-bench.bin";
    std::vector<uint8_t> bytes(documentSize);
    uint32_t seed = 12345;
    for (uint8_t& b : bytes) {
        seed = seed * 1103515245u + 12345u;
        b = static_cast<uint8_t>(seed >> 16);
        b = b == 0xAB ? 0xAA : b;
    }
    for (int32_t i = 0; i < matches; ++i) {
        std::copy(pattern, pattern + 4, bytes.begin() + matchAt(i));
    }
    if (std::FILE* file = std::fopen(path.c_str(), "wb")) {
        std::fwrite(bytes.data(), 1, bytes.size(), file);
        std::fclose(file);
    }
    headless::reset();
    const std::string commandLine = "\"" + path + "\"";
    headless::start(commandLine.c_str());
    headless::resizeWindow(state.chromeWidth + 32 * 24, state.chromeHeight + 40 * 12);
    std::remove(path.c_str());
    open = true;
}

// Replace-all from the start of the file, as the user runs it: Replace (Ctrl+R), the pattern and
// the replacement typed in hex, "... all" pressed twice (the first press finds the first match),
// and the count message answered.
bool replaceAllThroughTheDialog(const uint8_t* from, const uint8_t* to) {
    char hex[2][9];
    for (int i = 0; i < 4; ++i) {
        std::snprintf(hex[0] + 2 * i, 3, "%02x", from[i]);
        std::snprintf(hex[1] + 2 * i, 3, "%02x", to[i]);
    }
    setCaret(0);
    headless::messageBoxes().clear();
    headless::dialogsShown().clear();
    using namespace headless::dialog;
    headless::answerDialog({type(hex[0]), focus(control::secondEdit), type(hex[1]),
                            click(control::replaceAll), click(control::replaceAll)});
    headless::command(cmd::replace);
    const auto& boxes = headless::messageBoxes();
    return boxes.size() == 1 &&
           boxes[0].text == std::to_string(matches) + " replacement(s) in total";
}

void ReplaceAll(benchmark::State& bench) {
    openDocument();
    bool replaced = false; // the document holds the replacement instead of the pattern
    for (auto _ : bench) {
        if (!replaceAllThroughTheDialog(replaced ? replacement : pattern,
                                        replaced ? pattern : replacement)) {
            bench.SkipWithError("replace-all did not replace every match");
            break;
        }
        replaced = !replaced;
    }
    if (replaced) {
        replaceAllThroughTheDialog(replacement, pattern);
    }
    bench.counters["matches"] = matches;
}

void SearchOnly(benchmark::State& bench) {
    openDocument();
    const DocumentBuffer& document = *state.document;
    for (auto _ : bench) {
        int32_t found = 0;
        for (int32_t at = document.find(pattern, 4, 0, documentSize); at >= 0;
             at = document.find(pattern, 4, at + 4, documentSize)) {
            ++found;
        }
        if (found != matches) {
            bench.SkipWithError("the search did not find every match");
            break;
        }
    }
}

// The pattern written over itself at every match, each write recorded for undo as replace-all
// records it, without searching and without repainting.
void WritesAndRecordsOnly(benchmark::State& bench) {
    openDocument();
    uint8_t bytes[4] = {pattern[0], pattern[1], pattern[2], pattern[3]};
    for (auto _ : bench) {
        for (int32_t i = 0; i < matches; ++i) {
            state.caret = 2 * matchAt(i);
            recordChange(4);
            state.document->transfer(matchAt(i), 4, bytes, true);
        }
    }
    setCaret(0);
}

// The search and the recorded writes together, as replace-all's loop does them but without the
// dialog, the caret and the repaint calls. A write alone at a match pays for bringing its cache
// lines in, which the search has already done here: replace-all's writes cost what this adds to
// the search.
void SearchAndWrites(benchmark::State& bench) {
    openDocument();
    const DocumentBuffer& document = *state.document;
    uint8_t bytes[4] = {pattern[0], pattern[1], pattern[2], pattern[3]};
    for (auto _ : bench) {
        for (int32_t at = document.find(pattern, 4, 0, documentSize); at >= 0;
             at = document.find(pattern, 4, at + 4, documentSize)) {
            state.caret = 2 * at;
            recordChange(4);
            state.document->transfer(at, 4, bytes, true);
        }
    }
    setCaret(0);
}

} // namespace

BENCHMARK(ReplaceAll)->Unit(benchmark::kMillisecond);
BENCHMARK(SearchOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(WritesAndRecordsOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(SearchAndWrites)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
