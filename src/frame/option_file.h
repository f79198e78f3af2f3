// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// Binary option files: a magic text (its characters, no terminator) followed by one raw record.
// The block option file and the model and product option files are all stored this way.
#pragma once

#include <yb/ybBlockFileIO.h>

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace yb::frame {

enum class OptionReadStatus {
    Ok,           // magic matched; the record holds what the file had (a short record keeps the rest)
    CannotOpen,   // the file could not be opened for reading, or reading it failed
    WrongMagic,   // the file is shorter than the magic or its first bytes differ
    ShortRecord,  // magic matched but the record came up short (bytes present are stored)
};

// Reads magic and record. The record is not cleared here; callers decide what a failure leaves.
OptionReadStatus readOptionFile(char const* path, std::string_view magic, void* record, std::size_t recordSize);

// The result codes one file family gives for each way a read can fail. A short record counts as
// success unless a family says otherwise: the bytes present stay in the record.
struct OptionReadCodes {
    std::int32_t cannotOpen;
    std::int32_t wrongMagic;
    std::int32_t shortRecord = kSuccess;
};

// Maps the status of readOptionFile to the family's result code (kSuccess for Ok).
std::int32_t optionReadResult(OptionReadStatus status, OptionReadCodes const& codes);

// Writes magic and record as the file's whole new content. Returns false when the file cannot be
// created or a write falls short; then the file is as it was.
bool writeOptionFile(char const* path, std::string_view magic, void const* record, std::size_t recordSize);

}  // namespace yb::frame
