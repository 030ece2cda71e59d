// libFuzzer's entry point over the same events: each input is one session, its bytes deciding
// every choice the seeded driver would make at random.
#include "tests/fuzz/fuzzer.h"

#include "platform/headless/headless.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

std::string directory; // the files the events open and save
std::string home;      // the folder the engine was started in

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    char pattern[] = "/tmp/tavedit-libfuzzer.XXXXXX";
    char here[4096];
    if (mkdtemp(pattern) == nullptr || getcwd(here, sizeof here) == nullptr) {
        std::abort();
    }
    directory = pattern;
    home = here;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The rescue file is written to the current folder: the input runs in the fuzzer's own.
    if (chdir(directory.c_str()) != 0) {
        std::abort();
    }
    headless::clearSettings();
    fuzz::ByteSource source(data, size);
    fuzz::Options options;
    options.largeDocuments = false; // several MiB per input would slow the engine down
    fuzz::Fuzzer fuzzer(source, directory, options, "input");
    fuzzer.run(5000);
    if (chdir(home.c_str()) != 0) {
        std::abort();
    }
    return 0;
}
