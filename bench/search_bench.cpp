// The byte search on the inputs that are hard for a search that filters candidates on a few of the
// pattern's bytes (tests/search_inputs.h), each beside glibc's memmem on the same bytes. The
// pattern is absent, so every scan covers the whole 64 MiB; random data searched for a random
// pattern is the yardstick. Each class's data is made when its first benchmark runs.
//
// On a shared machine the speed of one process's memory can change by half from one moment to
// the next, so each search of a class is followed by one of the random data, and the counter
// per_random is the best time of the class over the best time of the random data in the same
// run.
#include "document/document_buffer.h"
#include "platform/headless/headless.h"
#include "tests/search_inputs.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string.h>
#include <string>

namespace {

constexpr int32_t dataSize = 64 << 20;

// The data of one class in a document, and its pattern.
struct SearchInput {
    DocumentBuffer doc;
    search_inputs::Bytes pattern;
    bool ready = false;

    explicit SearchInput(const search_inputs::SearchClass& searchClass) {
        doc.reset(dataSize);
        if (doc.capacity != dataSize) {
            return;
        }
        pattern = search_inputs::makeInput(searchClass, doc.bytes, dataSize);
        ready = ::memmem(doc.bytes, dataSize, pattern.data(), pattern.size()) == nullptr;
    }
};

// The random class's data, kept for the whole run as the yardstick.
const SearchInput& randomInput() {
    static const SearchInput input(*std::find_if(
        search_inputs::searchClasses().begin(), search_inputs::searchClasses().end(),
        [](const search_inputs::SearchClass& c) { return std::string(c.name) == "random"; }));
    return input;
}

// One class's data at a time (they are large): made again when another class is asked for.
const SearchInput& searchInput(const search_inputs::SearchClass& searchClass) {
    static const search_inputs::SearchClass* current = nullptr;
    static std::unique_ptr<SearchInput> input;
    if (current != &searchClass) {
        input.reset();
        input = std::make_unique<SearchInput>(searchClass);
        current = &searchClass;
    }
    return *input;
}

// The time of one search through a class's data, in seconds; -1 when it finds the pattern.
double timedFind(const SearchInput& data) {
    const auto start = std::chrono::steady_clock::now();
    const int32_t found =
        data.doc.find(data.pattern.data(), static_cast<int32_t>(data.pattern.size()), 0, dataSize);
    benchmark::DoNotOptimize(found);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    return found == -1 ? took.count() : -1;
}

void ourFind(benchmark::State& state, const search_inputs::SearchClass* searchClass) {
    const SearchInput& random = randomInput();
    const SearchInput& data = searchInput(*searchClass);
    if (!data.ready || !random.ready) {
        state.SkipWithError("no search data");
        return;
    }
    double best = 1e9, bestRandom = 1e9;
    for (auto _ : state) {
        const double took = timedFind(data);
        const double tookRandom = timedFind(random);
        if (took < 0 || tookRandom < 0) {
            state.SkipWithError("wrong result");
            break;
        }
        state.SetIterationTime(took);
        best = std::min(best, took);
        bestRandom = std::min(bestRandom, tookRandom);
    }
    state.SetBytesProcessed(state.iterations() * int64_t{dataSize});
    state.counters["per_random"] = best / bestRandom;
}

void libcMemmem(benchmark::State& state, const search_inputs::SearchClass* searchClass) {
    const SearchInput& data = searchInput(*searchClass);
    if (!data.ready) {
        state.SkipWithError("no search data");
        return;
    }
    for (auto _ : state) {
        const void* found =
            ::memmem(data.doc.bytes, dataSize, data.pattern.data(), data.pattern.size());
        benchmark::DoNotOptimize(found);
        if (found != nullptr) {
            state.SkipWithError("wrong result");
            break;
        }
    }
    state.SetBytesProcessed(state.iterations() * int64_t{dataSize});
}

} // namespace

int main(int argc, char** argv) {
    // The document reports low memory through the host.
    headless::reset();
    for (const auto& searchClass : search_inputs::searchClasses()) {
        const std::string name = searchClass.name;
        benchmark::RegisterBenchmark(("ourFind/" + name).c_str(), ourFind, &searchClass)
            ->Unit(benchmark::kMillisecond)
            ->UseManualTime()
            ->Iterations(10);
        benchmark::RegisterBenchmark(("libcMemmem/" + name).c_str(), libcMemmem, &searchClass)
            ->Unit(benchmark::kMillisecond)
            ->Iterations(2);
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
