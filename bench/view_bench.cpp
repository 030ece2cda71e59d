// Painting and scrolling cost what is on the screen, not what is in the file: a full page
// repaint, a one-row scroll and a typed byte, on a 1 MiB and a 256 MiB document.
#include "app/commands.h"
#include "app/editor_state.h"
#include "platform/codes.h"
#include "platform/headless/headless.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

// Starts the editor on a document of the given size (a file made once), on a window of 32
// bytes by 40 rows.
void openDocument(int64_t size) {
    static int64_t openSize = -1;
    if (openSize == size) {
        return;
    }
    const std::string path = "/tmp/tavedit-view-bench-" + std::to_string(size) + ".bin";
    if (std::FILE* file = std::fopen(path.c_str(), "wb")) {
        std::vector<char> block(1 << 20);
        for (size_t i = 0; i < block.size(); ++i) {
            block[i] = static_cast<char>(i * 7);
        }
        for (int64_t written = 0; written < size;) {
            const auto count = static_cast<size_t>(std::min<int64_t>(size - written, 1 << 20));
            std::fwrite(block.data(), 1, count, file);
            written += static_cast<int64_t>(count);
        }
        std::fclose(file);
    }
    headless::reset();
    const std::string commandLine = "\"" + path + "\"";
    headless::start(commandLine.c_str());
    headless::resizeWindow(state.chromeWidth + 32 * 24, state.chromeHeight + 40 * 12);
    // The view in the middle of the file.
    headless::scroll(sb::thumbPosition, state.totalRows / 2);
    std::remove(path.c_str());
    openSize = size;
}

void FullPageRepaint(benchmark::State& bench) {
    openDocument(bench.range(0));
    for (auto _ : bench) {
        platform::invalidate(headless::pane(0), false);
        platform::invalidate(headless::pane(1), false);
        headless::pump();
    }
    bench.counters["document MiB"] = static_cast<double>(bench.range(0) >> 20);
}

void OneRowScroll(benchmark::State& bench) {
    openDocument(bench.range(0));
    int direction = sb::lineDown;
    int steps = 0;
    for (auto _ : bench) {
        headless::scroll(direction);
        if (++steps == 1000) {
            steps = 0;
            direction = direction == sb::lineDown ? sb::lineUp : sb::lineDown;
        }
    }
    bench.counters["document MiB"] = static_cast<double>(bench.range(0) >> 20);
}

void TypeAByte(benchmark::State& bench) {
    openDocument(bench.range(0));
    for (auto _ : bench) {
        headless::character('7');
        headless::character('E');
        headless::press(vk::left);
        headless::press(vk::left);
    }
    bench.counters["document MiB"] = static_cast<double>(bench.range(0) >> 20);
}

} // namespace

BENCHMARK(FullPageRepaint)->Arg(1 << 20)->Arg(256 << 20)->Unit(benchmark::kMicrosecond);
BENCHMARK(OneRowScroll)->Arg(1 << 20)->Arg(256 << 20)->Unit(benchmark::kMicrosecond);
BENCHMARK(TypeAByte)->Arg(1 << 10)->Arg(1 << 20)->Arg(16 << 20)->Arg(256 << 20)->Unit(
    benchmark::kMicrosecond);

BENCHMARK_MAIN();
