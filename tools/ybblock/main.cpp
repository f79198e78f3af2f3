// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// ybblock: inspect, check and repair the files of a photogrammetric block.
#include "tool.h"

#include <csignal>
#include <iostream>

int main(int argc, char** argv) {
#ifdef SIGPIPE
    // A reader that goes away (`ybblock clean BLOCK | head -2`) ends the printing, never the work: a
    // write into a closed pipe fails (the stream stops printing) instead of killing the tool half-way
    // through a change. The exit status stays the work's.
    std::signal(SIGPIPE, SIG_IGN);
#endif
    std::vector<std::string> args(argv + 1, argv + argc);
    return ybblock::run(args, std::cout, std::cerr);
}
