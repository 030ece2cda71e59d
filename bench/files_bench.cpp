// Opening and saving a 256 MiB file against a plain read() into a freshly allocated buffer and a
// plain write() of the same bytes.
#include "app/editor_state.h"
#include "document/document_buffer.h"
#include "files/file_commands.h"
#include "platform/headless/headless.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr int64_t fileSize = 256 << 20;
const std::string source = "/tmp/tavedit-files-bench-in.bin";
const std::string target = "/tmp/tavedit-files-bench-out.bin";

void makeSource() {
    static bool made = false;
    if (made) {
        return;
    }
    const int file = ::open(source.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<char> block(1 << 20);
    for (size_t i = 0; i < block.size(); ++i) {
        block[i] = static_cast<char>(i * 13 + 1);
    }
    for (int64_t written = 0; written < fileSize; written += static_cast<int64_t>(block.size())) {
        if (::write(file, block.data(), block.size()) < 0) {
            break;
        }
    }
    ::close(file);
    headless::reset();
    headless::start();
    made = true;
}

void OpenFile(benchmark::State& bench) {
    makeSource();
    for (auto _ : bench) {
        openFile(source.c_str(), 0, false);
        benchmark::DoNotOptimize(state.document->bytes);
    }
    bench.SetBytesProcessed(bench.iterations() * fileSize);
}

void PlainRead(benchmark::State& bench) {
    makeSource();
    for (auto _ : bench) {
        char* buffer = static_cast<char*>(std::malloc(fileSize));
        const int file = ::open(source.c_str(), O_RDONLY);
        int64_t done = 0;
        while (done < fileSize) {
            const ssize_t n = ::read(file, buffer + done, static_cast<size_t>(fileSize - done));
            if (n <= 0) {
                break;
            }
            done += n;
        }
        ::close(file);
        benchmark::DoNotOptimize(buffer);
        std::free(buffer);
    }
    bench.SetBytesProcessed(bench.iterations() * fileSize);
}

void SaveFile(benchmark::State& bench) {
    makeSource();
    openFile(source.c_str(), 0, false);
    ::close(::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644));
    for (auto _ : bench) {
        // Saved over the existing target: nothing is asked.
        if (saveFile(target.c_str(), 0, state.length / 2, 104) != 1) {
            bench.SkipWithError("the file was not saved");
            break;
        }
    }
    bench.SetBytesProcessed(bench.iterations() * fileSize);
}

void PlainWrite(benchmark::State& bench) {
    makeSource();
    openFile(source.c_str(), 0, false);
    ::close(::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644));
    for (auto _ : bench) {
        // Over the existing file, as Save writes it.
        const int file = ::open(target.c_str(), O_WRONLY);
        int64_t done = 0;
        while (done < fileSize) {
            const ssize_t n =
                ::write(file, state.document->bytes + done, static_cast<size_t>(fileSize - done));
            if (n <= 0) {
                break;
            }
            done += n;
        }
        ::close(file);
    }
    bench.SetBytesProcessed(bench.iterations() * fileSize);
}

} // namespace

BENCHMARK(OpenFile)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(PlainRead)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(SaveFile)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(PlainWrite)->Unit(benchmark::kMillisecond)->MinTime(2.0);

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    ::unlink(source.c_str());
    ::unlink(target.c_str());
    return 0;
}
