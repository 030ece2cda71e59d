// Speed of the document buffer's hot paths against the plain library equivalents: searching a
// large store (random bytes, and a zero-filled region), encoding hex text, and reading a large file
// into a fresh store.
#include "document/document_buffer.h"
#include "document/hex_codec.h"
#include "platform/headless/headless.h"
#include "platform/platform.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr int32_t largeSize = 256 << 20;
constexpr int32_t patternLength = 16;
constexpr int32_t encodeSize = 64 << 10;

uint64_t splitMix(uint64_t& seed) {
    uint64_t z = (seed += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

void fillRandom(uint8_t* out, size_t count, uint64_t seed) {
    size_t i = 0;
    for (; i + 8 <= count; i += 8) {
        const uint64_t word = splitMix(seed);
        std::memcpy(out + i, &word, 8);
    }
    for (; i < count; ++i) {
        out[i] = static_cast<uint8_t>(splitMix(seed));
    }
}

// 256 MiB of random bytes in a document, and a 16-byte pattern that does not occur in them.
struct SearchData {
    DocumentBuffer doc;
    uint8_t pattern[patternLength] = {};
    bool ready = false;

    SearchData() {
        doc.reset(largeSize);
        if (doc.capacity != largeSize) {
            return;
        }
        fillRandom(doc.bytes, largeSize, 1);
        uint64_t seed = 2;
        for (int attempt = 0; attempt < 100; ++attempt) {
            fillRandom(pattern, patternLength, seed++);
            if (memmem(doc.bytes, largeSize, pattern, patternLength) == nullptr) {
                ready = true;
                return;
            }
        }
    }
};

SearchData& searchData() {
    static SearchData data;
    return data;
}

// A 256 MiB file of random bytes in the temporary directory, written once.
std::string largeFilePath;

const std::string& largeFile() {
    if (!largeFilePath.empty()) {
        return largeFilePath;
    }
    const char* directory = std::getenv("TMPDIR");
    std::string name =
        std::string(directory != nullptr ? directory : "/tmp") + "/document_bench_XXXXXX";
    std::vector<char> path(name.begin(), name.end());
    path.push_back('\0');
    const int descriptor = mkstemp(path.data());
    if (descriptor < 0) {
        return largeFilePath;
    }
    std::vector<uint8_t> chunk(1 << 20);
    uint64_t seed = 99;
    bool complete = true;
    for (int32_t written = 0; written < largeSize && complete;
         written += static_cast<int32_t>(chunk.size())) {
        fillRandom(chunk.data(), chunk.size(), seed++);
        complete =
            ::write(descriptor, chunk.data(), chunk.size()) == static_cast<ssize_t>(chunk.size());
    }
    ::close(descriptor);
    if (!complete) {
        std::remove(path.data());
        return largeFilePath;
    }
    largeFilePath = path.data();
    return largeFilePath;
}

void findAbsentPattern(benchmark::State& state) {
    SearchData& data = searchData();
    if (!data.ready) {
        state.SkipWithError("no search data");
        return;
    }
    for (auto _ : state) {
        const int32_t found = data.doc.find(data.pattern, patternLength, 0, largeSize);
        benchmark::DoNotOptimize(found);
        if (found != -1) {
            state.SkipWithError("the pattern was found");
            break;
        }
    }
    state.SetBytesProcessed(state.iterations() * int64_t{largeSize});
}
BENCHMARK(findAbsentPattern)->Unit(benchmark::kMillisecond)->Iterations(10);

void memmemAbsentPattern(benchmark::State& state) {
    SearchData& data = searchData();
    if (!data.ready) {
        state.SkipWithError("no search data");
        return;
    }
    for (auto _ : state) {
        const void* found = memmem(data.doc.bytes, largeSize, data.pattern, patternLength);
        benchmark::DoNotOptimize(found);
        if (found != nullptr) {
            state.SkipWithError("the pattern was found");
            break;
        }
    }
    state.SetBytesProcessed(state.iterations() * int64_t{largeSize});
}
BENCHMARK(memmemAbsentPattern)->Unit(benchmark::kMillisecond)->Iterations(10);

// 256 MiB of zero bytes (as in the empty regions of a disk image) and fifteen zeros followed by
// a one: every position starts like the pattern, which defeats a scan for its first byte. The
// pattern is absent (range 0) or planted only at the very end (range 1).
struct ZeroRegionData {
    DocumentBuffer doc;
    uint8_t pattern[patternLength] = {};
    bool ready = false;

    ZeroRegionData() {
        pattern[patternLength - 1] = 0x01;
        doc.reset(largeSize);
        if (doc.capacity != largeSize) {
            return;
        }
        std::memset(doc.bytes, 0, largeSize);
        ready = true;
    }

    // Plants the pattern at the end, or clears it, and returns where find should see it.
    int32_t prepare(bool planted) {
        doc.bytes[largeSize - 1] = planted ? 0x01 : 0x00;
        return planted ? largeSize - patternLength : -1;
    }
};

ZeroRegionData& zeroRegionData() {
    static ZeroRegionData data;
    return data;
}

void findInZeroRegion(benchmark::State& state) {
    ZeroRegionData& data = zeroRegionData();
    if (!data.ready) {
        state.SkipWithError("no search data");
        return;
    }
    const int32_t expected = data.prepare(state.range(0) != 0);
    for (auto _ : state) {
        const int32_t found = data.doc.find(data.pattern, patternLength, 0, largeSize);
        benchmark::DoNotOptimize(found);
        if (found != expected) {
            state.SkipWithError("wrong result");
            break;
        }
    }
    state.SetBytesProcessed(state.iterations() * int64_t{largeSize});
}
BENCHMARK(findInZeroRegion)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(10);

void memmemInZeroRegion(benchmark::State& state) {
    ZeroRegionData& data = zeroRegionData();
    if (!data.ready) {
        state.SkipWithError("no search data");
        return;
    }
    const int32_t expected = data.prepare(state.range(0) != 0);
    for (auto _ : state) {
        const void* found = memmem(data.doc.bytes, largeSize, data.pattern, patternLength);
        benchmark::DoNotOptimize(found);
        const int32_t at =
            found == nullptr
                ? -1
                : static_cast<int32_t>(static_cast<const uint8_t*>(found) - data.doc.bytes);
        if (at != expected) {
            state.SkipWithError("wrong result");
            break;
        }
    }
    state.SetBytesProcessed(state.iterations() * int64_t{largeSize});
}
BENCHMARK(memmemInZeroRegion)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(10);

void encodeHex64KiB(benchmark::State& state) {
    std::vector<uint8_t> bytes(encodeSize);
    fillRandom(bytes.data(), bytes.size(), 5);
    std::vector<char> text(2 * static_cast<size_t>(encodeSize));
    for (auto _ : state) {
        hexConvert(text.data(), bytes.data(), 0, encodeSize, true);
        benchmark::DoNotOptimize(text.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * int64_t{encodeSize});
}
BENCHMARK(encodeHex64KiB);

// Open as the editor does it: a store reset to the file's size, then filled from the file. The
// file is in the page cache (it was just written), as it is for the plain read below.
void readFileIntoStore(benchmark::State& state) {
    const std::string& path = largeFile();
    if (path.empty()) {
        state.SkipWithError("cannot write the test file");
        return;
    }
    DocumentBuffer doc;
    for (auto _ : state) {
        platform::File file = platform::openFileForReading(path.c_str());
        doc.reset(largeSize);
        const int32_t read = doc.readFromFile(file, 0, largeSize);
        platform::closeFile(file);
        benchmark::DoNotOptimize(doc.bytes);
        if (read != largeSize) {
            state.SkipWithError("short read");
            break;
        }
    }
    state.SetBytesProcessed(state.iterations() * int64_t{largeSize});
}
BENCHMARK(readFileIntoStore)->Unit(benchmark::kMillisecond)->Iterations(6);

void plainReadIntoFreshBuffer(benchmark::State& state) {
    const std::string& path = largeFile();
    if (path.empty()) {
        state.SkipWithError("cannot write the test file");
        return;
    }
    for (auto _ : state) {
        const int descriptor = ::open(path.c_str(), O_RDONLY);
        auto* buffer = static_cast<char*>(std::malloc(largeSize));
        size_t done = 0;
        while (done < static_cast<size_t>(largeSize)) {
            const ssize_t n = ::read(descriptor, buffer + done, largeSize - done);
            if (n <= 0) {
                break;
            }
            done += static_cast<size_t>(n);
        }
        benchmark::DoNotOptimize(buffer);
        std::free(buffer);
        ::close(descriptor);
        if (done != static_cast<size_t>(largeSize)) {
            state.SkipWithError("short read");
            break;
        }
    }
    state.SetBytesProcessed(state.iterations() * int64_t{largeSize});
}
BENCHMARK(plainReadIntoFreshBuffer)->Unit(benchmark::kMillisecond)->Iterations(6);

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
    if (!largeFilePath.empty()) {
        std::remove(largeFilePath.c_str());
    }
    return 0;
}
