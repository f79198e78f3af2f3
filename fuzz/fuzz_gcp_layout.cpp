// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// The block GCP layout file: the record count, every record, and the records of one strip.
#include "fuzz_support.h"

namespace {
constexpr std::int32_t kRecordSize = sizeof(BLOCKGCPLAYOUTINFO);
}

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size) {
    using yb::fuzz::Drive;
    Drive& drive = Drive::get();
    std::string const path = drive.start("a.gcl", data, size);
    yb::fuzz::Numbers numbers(data, size);
    // A caller sizes its array by the count query; counts the file cannot hold get no array.
    std::int32_t const limit = static_cast<std::int32_t>(size / kRecordSize) + 4;

    std::int32_t count = 0;
    if (ybGetGcpNumsOfGcpLayoutFile(path.c_str(), &count) == yb::kSuccess && count >= 0 && count <= limit) {
        std::vector<BLOCKGCPLAYOUTINFO> records(static_cast<std::size_t>(count));
        ybReadBlockGcpLayoutFile(path.c_str(), records.data(), &count);
    }

    std::int32_t const stripNo = numbers.pick({1, 2, 3, 0});
    std::int32_t inStrip = 0;
    if (ybGetImgGcpNumOfOneStrip(path.c_str(), stripNo, &inStrip) == yb::kSuccess && inStrip >= 0 && inStrip <= limit) {
        std::vector<BLOCKGCPLAYOUTINFO> records(static_cast<std::size_t>(inStrip));
        ybGetGcpInfoOfOneStrip(path.c_str(), stripNo, records.data(), &inStrip);
    }
    return 0;
}
