// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// ybblock: inspect, check and repair the files of a photogrammetric block.
#include "tool.h"

#include <iostream>

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    return ybblock::run(args, std::cout, std::cerr);
}
