// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// The model joint coefficient file: the magic "YB_MODEL_JOINT_CEFF_FILE_VER1.0", the number N of strip
// sections, then the sections in strip order. A section is its strip number, its coefficient count k
// and k doubles, one per model of the strip. Strips are only ever appended as strip N + 1.
#include "file_kinds.h"
#include "binary_io.h"
#include "export_frame.h"
#include "fs.h"
#include "write_path.h"

#include <yb/ybBlockFileIO.h>

#include <cstring>
#include <string_view>
#include <vector>

namespace yb::params {
namespace {

constexpr std::string_view kJointMagic = frame::magicOf(frame::FileKind::ModelJointCoefficient);
static_assert(kJointMagic.size() == 31);
constexpr std::int64_t kStripCountOffset = 31;  // the sections follow the count, from offset 35
constexpr std::int64_t kCoefficientSize = sizeof(double);

// A section as written: a negative count stores no coefficients, so it is stored as 0.
std::vector<unsigned char> sectionBytes(std::int32_t strip, double const* values, std::int32_t count) {
    std::int32_t const stored = count < 1 ? 0 : count;
    std::vector<unsigned char> bytes(8 + static_cast<std::size_t>(stored) * sizeof(double));
    std::memcpy(bytes.data(), &strip, 4);
    std::memcpy(bytes.data() + 4, &stored, 4);
    if (stored > 0) std::memcpy(bytes.data() + 8, values, static_cast<std::size_t>(stored) * sizeof(double));
    return bytes;
}

bool validValues(double const* values, std::int32_t count) { return values != nullptr || count < 1; }

std::int32_t createFile(char const* path, double const* values, std::int32_t count) {
    if (path == nullptr || !validValues(values, count)) return kInvalidArgument;
    std::vector<unsigned char> const section = sectionBytes(1, values, count);
    bool const written = platform::replaceFile(path, [&](platform::Output& out) {
        out.writeMagic(kJointMagic);
        out.writeI32(1);
        out.write(section.data(), section.size());
        return true;
    });
    return written ? kSuccess : kCannotWrite;
}

// Checks the magic and reads the strip count.
std::int32_t readHead(platform::BinaryStream& stream, std::int32_t& stripCount) {
    if (!stream.readMagic(kJointMagic) || !stream.readI32(stripCount)) return kInvalidContent;
    return kSuccess;
}

std::int32_t appendStrip(char const* path, std::int32_t strip, double const* values, std::int32_t count) {
    if (path == nullptr || !validValues(values, count)) return kInvalidArgument;
    if (!platform::isRegularFile(path)) return strip == 1 ? createFile(path, values, count) : kCannotOpen;
    // Held from the count's read to the change: two appends never take one strip number.
    platform::WriteHold const hold(path);
    if (hold.refused()) return kCannotWrite;
    std::int32_t stripCount = 0;
    {
        platform::File file = platform::openFile(path, "rb");
        if (!file) return kCannotWrite;
        platform::BinaryStream stream(file.get());
        if (std::int32_t const code = readHead(stream, stripCount); code != kSuccess) return code;
    }
    if (stripCount == INT32_MAX || strip != stripCount + 1) return kInvalidArgument;

    // The section and the new count are two writes in two places: the work copy keeps the old count
    // and length, so a failed append never leaves a section the count does not cover.
    platform::FileChange change(path, platform::WorkCopyName::Bak);
    if (!change.opened()) return kCannotWrite;
    std::vector<unsigned char> const section = sectionBytes(strip, values, count);
    std::int32_t const newCount = stripCount + 1;
    bool const written = change.keep({{static_cast<std::uint64_t>(kStripCountOffset), sizeof newCount}}) &&
                         change.write(change.oldLength(), section.data(), section.size()) &&
                         change.write(kStripCountOffset, &newCount, sizeof newCount) && change.commit();
    return written ? kSuccess : kCannotWrite;
}

std::int32_t readCoefficient(char const* path, std::int32_t strip, std::int32_t model, double* value) {
    if (path == nullptr || value == nullptr || model < 1) return kInvalidArgument;
    if (!platform::isRegularFile(path)) return kCannotOpen;
    platform::File file = platform::openFile(path, "rb");
    if (!file) return kCannotWrite;
    platform::BinaryStream stream(file.get());
    std::int32_t stripCount = 0;
    if (std::int32_t const code = readHead(stream, stripCount); code != kSuccess) return code;
    if (strip < 1 || strip > stripCount) return kInvalidArgument;

    // Sections lie in strip order; walk them until strip `strip`, the last strip or the end.
    std::int32_t sectionStrip = 0;
    std::int32_t sectionCount = 0;
    for (;;) {
        if (!stream.readI32(sectionStrip) || !stream.readI32(sectionCount)) return kInvalidArgument;
        // The wanted section's count only bounds the model number; a negative one admits no model.
        if (sectionStrip == strip) break;
        if (sectionStrip >= stripCount) return kInvalidArgument;
        if (sectionCount < 0) return kInvalidContent;  // a section to skip cannot have a negative length
        auto const remaining = stream.remaining();
        if (!remaining || !platform::countFits(sectionCount, sizeof(double), *remaining)) return kInvalidArgument;
        if (!stream.seek(sectionCount * kCoefficientSize, SEEK_CUR)) return kInvalidContent;
    }
    if (model > sectionCount) return kInvalidArgument;
    if (!stream.seek((model - 1) * kCoefficientSize, SEEK_CUR)) return kInvalidContent;
    double stored = 0.0;
    if (!stream.readDouble(stored)) return kInvalidContent;
    *value = stored;
    return kSuccess;
}

}  // namespace
}  // namespace yb::params

std::int32_t ybGetOneModelJointCeff(char const* path, std::int32_t stripNo, std::int32_t modelNo, double* value) {
    return yb::frame::guarded([&] { return yb::params::readCoefficient(path, stripNo, modelNo, value); });
}

std::int32_t ybCreateNewModelJointCeffFile(char const* path, double const* values, std::int32_t count) {
    return yb::frame::guarded([&] { return yb::params::createFile(path, values, count); });
}

std::int32_t ybAppendOneStripModelJointCeff(char const* path, std::int32_t stripNo, double const* values,
                                            std::int32_t count) {
    return yb::frame::guarded([&] { return yb::params::appendStrip(path, stripNo, values, count); });
}
