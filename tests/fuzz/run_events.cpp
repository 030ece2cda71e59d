// The deterministic event fuzzer: a seeded stream of random events over the headless host.
//
//     event_fuzz [--seed N] [--events N] [--small] [--trace]
//
// --small leaves out documents of several MiB; --trace prints every event as it starts. A
// failure prints the last events and the editor state and aborts; the same seed and count
// repeat the run exactly.
#include "tests/fuzz/fuzzer.h"

#include "platform/headless/headless.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <string>
#include <unistd.h>

int main(int argc, char** argv) {
    uint64_t seed = 1;
    uint64_t events = 1000;
    fuzz::Options options;
    bool trace = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--seed" && i + 1 < argc) {
            seed = std::strtoull(argv[++i], nullptr, 10);
        } else if (arg == "--events" && i + 1 < argc) {
            events = std::strtoull(argv[++i], nullptr, 10);
        } else if (arg == "--small") {
            options.largeDocuments = false;
        } else if (arg == "--trace") {
            trace = true;
        } else {
            std::fprintf(stderr, "usage: %s [--seed N] [--events N] [--small] [--trace]\n",
                         argv[0]);
            return 2;
        }
    }
    // The files the events open and save, and the rescue file, which is written to the current
    // folder, live in a folder of their own.
    char pattern[] = "/tmp/tavedit-fuzz.XXXXXX";
    if (mkdtemp(pattern) == nullptr || chdir(pattern) != 0) {
        std::perror("temporary folder");
        return 2;
    }
    const auto start = std::chrono::steady_clock::now();
    const std::clock_t cpuStart = std::clock();
    fuzz::RandomSource source(seed);
    fuzz::Fuzzer fuzzer(source, pattern, options, "seed " + std::to_string(seed));
    fuzzer.trace = trace;
    fuzzer.run(events);
    headless::finish();
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    const double cpu = static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
    std::printf("seed %llu: %llu events in %.1f s (%.1f s of processor time), no failure\n",
                static_cast<unsigned long long>(seed), static_cast<unsigned long long>(fuzzer.done),
                elapsed.count(), cpu);
    for (const auto& [what, count] : fuzzer.counts) {
        std::printf("  %s: %llu\n", what.c_str(), static_cast<unsigned long long>(count));
    }
    if (chdir("/") == 0) {
        std::filesystem::remove_all(pattern);
    }
    return 0;
}
