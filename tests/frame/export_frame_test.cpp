// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
#include "export_frame.h"
#include "messages.h"

#include "test_support.h"

#include <stdexcept>

namespace {

TEST(ExportFrame, ExceptionsBecomeResults) {
    EXPECT_EQ(yb::frame::guarded([]() -> std::int32_t { throw std::bad_alloc(); }), yb::kNoMemory);
    EXPECT_EQ(yb::frame::guarded([]() -> std::int32_t { throw std::runtime_error("x"); }), yb::kInvalidContent);
    EXPECT_EQ(yb::frame::guarded([]() -> std::int32_t { return 5; }), 5);
    EXPECT_FALSE(yb::frame::guarded([]() -> bool { throw std::bad_alloc(); }));
    EXPECT_EQ(yb::frame::guarded([]() -> std::string { throw 1; }), "");
    EXPECT_EQ(yb::frame::guarded([]() -> double { throw 1; }), 0.0);
}

TEST(Messages, TextsLeaveAsGbk) {
    yb::test::MessageRecorder recorder;
    yb::frame::showErrorF("连接点<%s>不存在于影像<%ld>上！", "P1", 101L);
    // A GBK argument is placed unchanged into the GBK text.
    std::string name = yb::test::hexBytes("87 5C");
    yb::frame::showPlainF("<%s>", name.c_str());
    EXPECT_EQ(recorder.take(),
              (std::vector<std::string>{"error: " + yb::test::utf8ToGbk("连接点<P1>不存在于影像<101>上！"),
                                        "plain: <" + name + ">"}));
}

}  // namespace
