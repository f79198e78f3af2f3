// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// Runs a fuzzing harness without libFuzzer over the files named on the command line (a folder stands
// for the files in it): the unit suite replays each family's seeds and minimised findings this way,
// under whatever compiler and sanitizers the build uses.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size);

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    std::vector<fs::path> inputs;
    for (int i = 1; i < argc; ++i) {
        if (fs::is_directory(argv[i])) {
            for (auto const& entry : fs::directory_iterator(argv[i]))
                if (entry.is_regular_file()) inputs.push_back(entry.path());
        } else if (fs::exists(argv[i])) {
            inputs.emplace_back(argv[i]);
        }  // a family without findings has no regressions folder
    }
    std::sort(inputs.begin(), inputs.end());
    for (fs::path const& input : inputs) {
        std::ifstream in(input, std::ios::binary);
        if (!in) {
            std::cerr << "cannot read " << input << "\n";
            return 1;
        }
        std::vector<std::uint8_t> const bytes(std::istreambuf_iterator<char>(in), {});
        LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    }
    std::cout << "replayed " << inputs.size() << " inputs\n";
    return inputs.empty() ? 1 : 0;
}
