// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// The ybblock tool run in-process, for the tests of the programs that link its commands.
#pragma once

#include "tool.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace yb::test {

struct Outcome {
    int status = 0;
    std::string out, err;
};

inline Outcome ybblock(std::vector<std::string> const& args) {
    std::ostringstream out, err;
    Outcome run;
    run.status = ::ybblock::run(args, out, err);
    run.out = out.str();
    run.err = err.str();
    return run;
}

// Runs ybblock, expecting its exit status and each of `says` in its error lines where it fails, else in
// its output.
inline Outcome expectRun(std::vector<std::string> const& args, int status, std::vector<std::string> const& says = {}) {
    Outcome run = ybblock(args);
    EXPECT_EQ(run.status, status) << args[0] << "\n" << run.out << run.err;
    std::string const& text = status == 0 ? run.out : run.err;
    for (auto const& said : says) EXPECT_NE(text.find(said), std::string::npos) << said << "\n" << text;
    return run;
}

}  // namespace yb::test
