// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// The fixture of the tie point tests: one tie point file on drive D: and the messages it shows.
#pragma once

#include "builders.h"

#include <cstring>
#include <string>
#include <vector>

namespace yb::test {

class TiePointTest : public DriveFixture {
protected:
    static constexpr char const* kPath = "D:\\Area.scp";
    void create(std::vector<tagImagePoint> const& points) {
        ASSERT_EQ(ybCreateTiePntFile(kPath, points.data(), static_cast<std::int32_t>(points.size())), kSuccess);
    }
    std::vector<tagImagePoint> readAll() {
        std::vector<tagImagePoint> points;
        EXPECT_EQ(ybReadTiePntFileToAry(kPath, points), kSuccess);
        return points;
    }
    static std::vector<std::string> names(std::vector<tagImagePoint> const& points) {
        std::vector<std::string> out;
        for (auto const& point : points) out.push_back(point.name + std::string("@") + std::to_string(point.imageNo));
        return out;
    }
    std::vector<unsigned char> fileBytes() const { return readNative("Area.scp"); }
    // The one message shown since the recorder was last cleared; clears it for the next step.
    void expectOnlyMessage(HbMessageStyle style, std::string const& gbk) {
        ASSERT_EQ(recorder.messages.size(), 1u);
        EXPECT_EQ(recorder.messages[0].style, style);
        EXPECT_EQ(recorder.messages[0].gbk, gbk);
        recorder.messages.clear();
    }
    MessageRecorder recorder;
};

}  // namespace yb::test
