// The byte search on the inputs that are hard for a search that filters candidates on a few of the
// pattern's bytes, each beside glibc's memmem on the same bytes: zero-filled regions, runs of one
// byte value, two-valued random data and periodic text, searched for patterns made of the data's
// own bytes. Random data searched for an absent random pattern is the yardstick. The pattern is
// absent or lies at the very end, so every scan covers the whole 64 MiB.
#include "document/document_buffer.h"
#include "platform/headless/headless.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string.h>
#include <vector>

namespace {

constexpr int32_t dataSize = 64 << 20;

uint64_t splitMix(uint64_t& seed) {
    uint64_t z = (seed += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

enum class Input {
    random,           // random bytes; a random 16-byte pattern, absent
    zerosOne,         // zeros; 00 00 00 01 00 00 00 00 at the end
    zerosOneInside,   // zeros; fifteen zeros with a 01 in the middle, at the end
    letterRun,        // 'a' repeated; "aaaaaaaXaaaaaaaa" at the end
    ffRun,            // FF repeated; fourteen FF, FE, FF at the end
    twoValuedFF,      // 00 and FF at random; a random 16-byte pattern of both, at the end
    twoValuedLetters, // 'a' and 'b' at random; a random 16-byte pattern of both, absent
    periodic,         // "abcdefgh" repeated; the period twice, its next-to-last byte wrong, absent
    count
};

// The data of one input in a document, the pattern, and where the pattern first occurs (as
// memmem finds it; -1 when absent).
struct SearchInput {
    DocumentBuffer doc;
    std::vector<uint8_t> pattern;
    int32_t expected = -1;
    bool ready = false;

    explicit SearchInput(Input input) {
        doc.reset(dataSize);
        if (doc.capacity != dataSize) {
            return;
        }
        uint8_t* data = doc.bytes;
        uint64_t seed = 1;
        bool planted = true;
        // Each byte one of two values, drawn from the bits of a random word.
        auto fillTwoValued = [&](uint8_t zero, uint8_t one) {
            for (int32_t i = 0; i < dataSize; i += 64) {
                const uint64_t bits = splitMix(seed);
                for (int b = 0; b < 64; ++b) {
                    data[i + b] = (bits >> b) & 1 ? one : zero;
                }
            }
            pattern.resize(16);
            const uint64_t bits = splitMix(seed);
            for (int b = 0; b < 16; ++b) {
                pattern[static_cast<size_t>(b)] = (bits >> b) & 1 ? one : zero;
            }
        };
        switch (input) {
        case Input::random:
            for (int32_t i = 0; i < dataSize; i += 8) {
                const uint64_t word = splitMix(seed);
                std::memcpy(data + i, &word, 8);
            }
            pattern.resize(16);
            for (auto& b : pattern) {
                b = static_cast<uint8_t>(splitMix(seed));
            }
            planted = false;
            break;
        case Input::zerosOne:
            std::memset(data, 0x00, dataSize);
            pattern = {0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00};
            break;
        case Input::zerosOneInside:
            std::memset(data, 0x00, dataSize);
            pattern.assign(16, 0x00);
            pattern[7] = 0x01;
            break;
        case Input::letterRun:
            std::memset(data, 'a', dataSize);
            pattern.assign(16, 'a');
            pattern[7] = 'X';
            break;
        case Input::ffRun:
            std::memset(data, 0xFF, dataSize);
            pattern.assign(16, 0xFF);
            pattern[14] = 0xFE;
            break;
        case Input::twoValuedFF:
            fillTwoValued(0x00, 0xFF);
            break;
        case Input::twoValuedLetters:
            fillTwoValued('a', 'b');
            planted = false;
            break;
        case Input::periodic:
            for (int32_t i = 0; i < dataSize; ++i) {
                data[i] = static_cast<uint8_t>('a' + i % 8);
            }
            pattern = {'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h',
                       'a', 'b', 'c', 'd', 'e', 'f', 'a', 'h'};
            planted = false;
            break;
        case Input::count:
            return;
        }
        const auto length = static_cast<int32_t>(pattern.size());
        if (planted) {
            std::memcpy(data + dataSize - length, pattern.data(), pattern.size());
        }
        // Random data over two values holds short patterns everywhere: each occurrence before
        // the planted one has its first byte turned into the other value, and the search goes
        // on from where that change could have made a new one.
        const bool twoValued = input == Input::twoValuedFF || input == Input::twoValuedLetters;
        const uint8_t values =
            static_cast<uint8_t>(input == Input::twoValuedFF ? 0x00 ^ 0xFF : 'a' ^ 'b');
        int32_t from = 0;
        while (const void* found = memmem(data + from, static_cast<size_t>(dataSize - from),
                                          pattern.data(), pattern.size())) {
            const auto at = static_cast<int32_t>(static_cast<const uint8_t*>(found) - data);
            if (!twoValued || (planted && at == dataSize - length)) {
                break;
            }
            data[at] ^= values;
            from = std::max(0, at - length);
        }
        const void* first = memmem(data, dataSize, pattern.data(), pattern.size());
        expected =
            first == nullptr ? -1 : static_cast<int32_t>(static_cast<const uint8_t*>(first) - data);
        ready = expected == (planted ? dataSize - length : -1);
    }
};

SearchInput& searchInput(Input input) {
    static std::array<std::unique_ptr<SearchInput>, static_cast<size_t>(Input::count)> inputs;
    auto& slot = inputs[static_cast<size_t>(input)];
    if (!slot) {
        slot = std::make_unique<SearchInput>(input);
    }
    return *slot;
}

void ourFind(benchmark::State& state, Input input) {
    const SearchInput& data = searchInput(input);
    if (!data.ready) {
        state.SkipWithError("no search data");
        return;
    }
    const auto length = static_cast<int32_t>(data.pattern.size());
    for (auto _ : state) {
        const int32_t found = data.doc.find(data.pattern.data(), length, 0, dataSize);
        benchmark::DoNotOptimize(found);
        if (found != data.expected) {
            state.SkipWithError("wrong result");
            break;
        }
    }
    state.SetBytesProcessed(state.iterations() * int64_t{dataSize});
}

void libcMemmem(benchmark::State& state, Input input) {
    const SearchInput& data = searchInput(input);
    if (!data.ready) {
        state.SkipWithError("no search data");
        return;
    }
    for (auto _ : state) {
        const void* found =
            ::memmem(data.doc.bytes, dataSize, data.pattern.data(), data.pattern.size());
        benchmark::DoNotOptimize(found);
        const int32_t at =
            found == nullptr
                ? -1
                : static_cast<int32_t>(static_cast<const uint8_t*>(found) - data.doc.bytes);
        if (at != data.expected) {
            state.SkipWithError("wrong result");
            break;
        }
    }
    state.SetBytesProcessed(state.iterations() * int64_t{dataSize});
}

#define SEARCH_BENCHMARKS(name, input)                                                             \
    BENCHMARK_CAPTURE(ourFind, name, input)->Unit(benchmark::kMillisecond)->Iterations(10);        \
    BENCHMARK_CAPTURE(libcMemmem, name, input)->Unit(benchmark::kMillisecond)->Iterations(4)

SEARCH_BENCHMARKS(random, Input::random);
SEARCH_BENCHMARKS(zeros_00000001, Input::zerosOne);
SEARCH_BENCHMARKS(zeros_01_inside, Input::zerosOneInside);
SEARCH_BENCHMARKS(letter_run, Input::letterRun);
SEARCH_BENCHMARKS(ff_run, Input::ffRun);
SEARCH_BENCHMARKS(two_valued_00_ff, Input::twoValuedFF);
SEARCH_BENCHMARKS(two_valued_a_b, Input::twoValuedLetters);
SEARCH_BENCHMARKS(periodic, Input::periodic);

} // namespace

int main(int argc, char** argv) {
    // The document reports low memory through the host.
    headless::reset();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
