// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// The owner of an image opened through the image library: it is closed on every way out, as the point
// set owner frees model point sets.
#pragma once

#include <yb/YbiBase.h>

#include <cstdint>
#include <utility>

namespace yb::frame {

class YbiImage {
public:
    enum class Mode { Read, Update };

    YbiImage() = default;
    YbiImage(YbiImage const&) = delete;
    YbiImage& operator=(YbiImage const&) = delete;
    ~YbiImage() { close(); }

    // Opens the image at `path`; the image library's code.
    std::int32_t open(char const* path, Mode mode) {
        close();
        mode_ = mode;
        return mode == Mode::Read ? ybOpenYbiFileForRead(path, &handle_) : ybOpenYbiFileForReadWrite(path, &handle_);
    }

    YbiHandle get() const { return handle_; }

    // Closing an image opened for update writes its table back: the code says whether that worked.
    std::int32_t close() {
        if (handle_ == nullptr) return 0;
        YbiHandle const handle = std::exchange(handle_, nullptr);
        return mode_ == Mode::Read ? ybCloseYbiFileForRead(handle) : ybCloseYbiFileForReadWrite(handle);
    }

private:
    YbiHandle handle_ = nullptr;
    Mode mode_ = Mode::Read;
};

}  // namespace yb::frame
