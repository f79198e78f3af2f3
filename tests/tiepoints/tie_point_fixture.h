// Shared pieces of the tie point tests: points, hand-built files and the message recorder.
#pragma once

#include "test_support.h"

#include <cstring>
#include <string>
#include <vector>

namespace yb::test {

inline tagImagePoint tiePoint(char const* name, std::int32_t imageNo, double x = 0, double y = 0, std::int16_t type = 0) {
    tagImagePoint point{0, 0, x, y, imageNo, type, {}};
    std::strncpy(point.name, name, sizeof point.name - 1);
    return point;
}

// Bytes of a tie point file laid out by hand.
struct RawTiePointFile {
    explicit RawTiePointFile(std::int32_t groupCount = 0, std::string const& magic = "YB_TIE_PNT_FILE_VER1.0")
        : bytes(128, 0) {
        std::memcpy(bytes.data(), magic.data(), magic.size());
        i32(groupCount);
    }
    RawTiePointFile& i32(std::int32_t value) { return raw(&value, 4); }
    RawTiePointFile& group(std::int32_t imageNo, std::vector<tagImagePoint> const& points) {
        i32(imageNo).i32(static_cast<std::int32_t>(points.size()));
        for (auto const& point : points) raw(&point, sizeof point);
        return *this;
    }
    RawTiePointFile& raw(void const* data, std::size_t size) {
        auto const* p = static_cast<unsigned char const*>(data);
        bytes.insert(bytes.end(), p, p + size);
        return *this;
    }
    std::vector<unsigned char> bytes;
};

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
