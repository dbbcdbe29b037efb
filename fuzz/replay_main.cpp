// Runs a fuzz target over files and folders of inputs without libFuzzer, so the ordinary build and
// its tests replay every corpus: a crash found once stays fixed.
//
//   TARGET_replay [--modes=N] PATH...
//
// A file is one input; a folder gives every file under it. After --modes=N (until the next --modes)
// each file is replayed N times, led by each mode byte 0 to N-1: that is how the fuzzer gets the test
// fixtures (scripts/fuzz seeds them so), since the targets that read files take their first byte
// for the mode. A path that is missing, or a folder without a file, fails the replay: a replay of
// nothing must not pass.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
// A target that needs a set-up of its own defines this, as libFuzzer has it.
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

int main(int argc, char** argv) {
    if (LLVMFuzzerInitialize)
        LLVMFuzzerInitialize(&argc, &argv);
    namespace fs = std::filesystem;
    std::size_t count = 0;
    unsigned modes = 0;  // 0: the file as it is
    auto run = [&count, &modes](const fs::path& file) {
        std::ifstream in(file, std::ios::binary);
        std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (modes == 0) {
            LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
            ++count;
            return;
        }
        bytes.insert(bytes.begin(), 0);
        for (unsigned mode = 0; mode < modes; ++mode) {
            bytes[0] = static_cast<std::uint8_t>(mode);
            LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
            ++count;
        }
    };
    bool failed = argc < 2;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--modes=", 8) == 0) {
            modes = static_cast<unsigned>(std::strtoul(argv[i] + 8, nullptr, 10));
            if (modes > 256)
                modes = 256;
            continue;
        }
        const fs::path p(argv[i]);
        std::error_code ec;
        std::size_t files = 0;
        if (fs::is_directory(p, ec)) {
            for (const auto& entry : fs::recursive_directory_iterator(p))
                if (entry.is_regular_file()) {
                    run(entry.path());
                    ++files;
                }
        } else if (fs::is_regular_file(p, ec)) {
            run(p);
            ++files;
        }
        if (files == 0) {
            std::fprintf(stderr, "replay: %s is missing or holds no inputs\n", argv[i]);
            failed = true;
        }
    }
    std::printf("replayed %zu inputs\n", count);
    if (failed)
        std::fprintf(stderr, "replay: failed, for want of inputs (usage: %s [--modes=N] PATH...)\n", argv[0]);
    return failed ? 1 : 0;
}
