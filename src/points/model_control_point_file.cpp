// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// The model control point file and the block joint point file share one format: the magic
// "YB_BLOCK_JOINT_POINT_FILE_VER1.0", the strip count, the model section count and the record count of
// all sections, then one section per model (strip, model, p) with p 66-byte records, each the stored
// form of one entry of a model point set.
#include "export_frame.h"
#include "fs.h"
#include "hostpath.h"
#include "points/model_point_sections.h"

#include <yb/ybBlockFileIO.h>

#include <cstddef>
#include <vector>

namespace yb::points {
namespace {

#pragma pack(push, 1)
struct ModelPointRecord {
    char name[32];
    double leftX;
    double leftY;
    double rightX;
    double rightY;
    std::int16_t type;
};
#pragma pack(pop)
static_assert(sizeof(ModelPointRecord) == 66);
static_assert(offsetof(ModelPointRecord, leftX) == 32 && offsetof(ModelPointRecord, rightX) == 48 &&
              offsetof(ModelPointRecord, type) == 64);

constexpr sections::Layout kLayout = sections::kModelPointLayout;
static_assert(kLayout.recordSize == sizeof(ModelPointRecord));
static_assert(kLayout.magic.size() == 32 && kLayout.sectionCountOffset() == 36 && kLayout.totalOffset() == 40 &&
              kLayout.firstSectionOffset() == 44 && kLayout.headSize() == 12);

std::int32_t createFile(char const* path, std::int32_t stripCount) {
    if (path == nullptr || stripCount < 1) return kInvalidArgument;
    return sections::createEmpty(path, kLayout, stripCount);
}

// A header whose counts make sense (the strip count is not looked at).
std::int32_t readCheckedHeader(sections::ReadAt const& readAt, sections::Header& header) {
    return sections::readCheckedHeader(readAt, kLayout, false, header);
}
// Opens the file and reads its checked header; `cannotOpen` is what a file that cannot be opened gives.
std::int32_t openHeader(char const* path, platform::File& file, sections::Header& header, std::int32_t cannotOpen) {
    return sections::openCheckedHeader(path, kLayout, false, cannotOpen, file, header);
}

std::int32_t readHeaderCounts(char const* path, std::int32_t* strips, std::int32_t* models, std::int32_t* total) {
    if (strips == nullptr && models == nullptr && total == nullptr) return kInvalidArgument;
    platform::File file;
    sections::Header header;
    if (std::int32_t code = openHeader(path, file, header, kInvalidContent); code != kSuccess) return code;
    if (strips != nullptr) *strips = header.strips;
    if (models != nullptr) *models = header.sections;
    if (total != nullptr) *total = header.total;
    return kSuccess;
}

// Finds the section of (strip, model). A file that ends before the section is found holds no such model.
std::int32_t findModel(char const* path, std::int32_t stripNo, std::int32_t modelNo, platform::File& file,
                       sections::ScanResult& result) {
    sections::Header header;
    if (std::int32_t code = openHeader(path, file, header, kInvalidContent); code != kSuccess) return code;
    if (stripNo < 1 || stripNo > header.strips || modelNo < 1) return kInvalidArgument;
    platform::BinaryStream stream(file.get());
    result = sections::find(stream, kLayout, header.sections, {stripNo, modelNo, 0});
    if (result.status == sections::ScanStatus::Damaged) return kInvalidContent;
    if (result.status == sections::ScanStatus::Found && result.section.count < 0) return kInvalidContent;
    return kSuccess;
}

// Finds the section at `position` (from 1).
std::int32_t findPosition(char const* path, std::int32_t position, platform::File& file, sections::Section& section) {
    sections::Header header;
    if (std::int32_t code = openHeader(path, file, header, kCannotOpen); code != kSuccess) return code;
    if (position < 1 || position > header.sections) return kOutOfRange;
    platform::BinaryStream stream(file.get());
    auto const result = sections::scan(
        sections::readerOf(stream), kLayout, position,
        [&](std::int32_t candidate, sections::Key const&, sections::Section const&) { return candidate == position; });
    if (result.status != sections::ScanStatus::Found || result.section.count < 0) return kInvalidContent;
    section = result.section;
    return kSuccess;
}

// Fills entries 0 to p-1 of the set from the section's records; the set and the file were checked by
// the caller. The read by position leaves the entries' type as it was.
std::int32_t fillSet(platform::File& file, sections::Section const& section, CONTROLPOINT_STORAGE* set, bool withType) {
    if (section.count > set->capacity) return kPointSetTooSmall;
    if (section.count > 0 && set->entries == nullptr) return kInvalidArgument;
    platform::BinaryStream stream(file.get());
    std::vector<ModelPointRecord> records;
    if (!sections::recordsPresent(stream, kLayout, section) || !stream.seek(section.recordsOffset(kLayout)) ||
        !stream.readRecords(records, static_cast<std::size_t>(section.count))) {
        return kInvalidContent;
    }
    for (std::int32_t k = 0; k < section.count; ++k) {
        ModelPointRecord const& record = records[static_cast<std::size_t>(k)];
        CONTROLPOINT_INFO& entry = set->entries[k];
        entry.serial = k;
        platform::storeText(entry.name, sizeof entry.name, platform::boundedText(record.name, sizeof record.name));
        if (withType) entry.type = record.type;
        entry.inUse = 1;
        entry.leftX = record.leftX;
        entry.leftY = record.leftY;
        entry.rightX = record.rightX;
        entry.rightY = record.rightY;
    }
    set->count = section.count;
    return kSuccess;
}

std::int32_t modelPointCount(char const* path, std::int32_t stripNo, std::int32_t modelNo, std::int32_t* count) {
    if (count == nullptr) return kInvalidArgument;
    platform::File file;
    sections::ScanResult result;
    if (std::int32_t code = findModel(path, stripNo, modelNo, file, result); code != kSuccess) return code;
    *count = result.status == sections::ScanStatus::Found ? result.section.count : 0;
    return kSuccess;
}

std::int32_t readModelPoints(char const* path, std::int32_t stripNo, std::int32_t modelNo, CONTROLPOINT_STORAGE* set) {
    if (set == nullptr) return kInvalidArgument;
    platform::File file;
    sections::ScanResult result;
    if (std::int32_t code = findModel(path, stripNo, modelNo, file, result); code != kSuccess) return code;
    if (result.status != sections::ScanStatus::Found) {
        set->count = 0;
        return kSuccess;
    }
    return fillSet(file, result.section, set, true);
}

std::int32_t writeModelPoints(char const* path, std::int32_t stripNo, std::int32_t modelNo,
                              CONTROLPOINT_STORAGE const* set) {
    if (path == nullptr || stripNo < 1 || modelNo < 1) return kInvalidArgument;
    // No set adds an empty section; a set given must hold entries.
    if (set != nullptr && (set->count <= 0 || set->entries == nullptr)) return kInvalidArgument;
    // The file is opened once, for the change, and its header read through it; a file that cannot be
    // opened for writing is read as a reader would, to answer as before.
    platform::FileChange change(path, platform::WorkCopyName::Bak);
    if (change.refused()) return kCannotWrite;
    platform::File file;
    sections::Header header;
    std::int32_t const read = change.opened() ? readCheckedHeader(sections::readerOf(change), header)
                                              : openHeader(path, file, header, kInvalidContent);
    if (read != kSuccess) return read;
    if (stripNo > header.strips) return kInvalidArgument;
    std::int32_t const count = set == nullptr ? 0 : set->count;
    std::vector<ModelPointRecord> records(static_cast<std::size_t>(count));
    for (std::int32_t k = 0; k < count; ++k) {
        CONTROLPOINT_INFO const& entry = set->entries[k];
        ModelPointRecord& record = records[static_cast<std::size_t>(k)];
        platform::storeText(record.name, sizeof record.name, platform::boundedText(entry.name, sizeof entry.name));
        record.leftX = entry.leftX;
        record.leftY = entry.leftY;
        record.rightX = entry.rightX;
        record.rightY = entry.rightY;
        record.type = entry.type;
    }
    return sections::addRecords(change, file, path, kLayout, header, {stripNo, modelNo, 0}, records.data(), count,
                                {kCannotOpen});
}

std::int32_t positionPointCount(char const* path, std::int32_t position, std::int32_t* count) {
    if (count == nullptr) return kInvalidArgument;
    platform::File file;
    sections::Section section;
    if (std::int32_t code = findPosition(path, position, file, section); code != kSuccess) return code;
    *count = section.count;
    return kSuccess;
}

std::int32_t readPositionPoints(char const* path, std::int32_t position, CONTROLPOINT_STORAGE* set) {
    if (set == nullptr) return kInvalidArgument;
    platform::File file;
    sections::Section section;
    if (std::int32_t code = findPosition(path, position, file, section); code != kSuccess) return code;
    return fillSet(file, section, set, false);
}

}  // namespace
}  // namespace yb::points

std::int32_t ybCreateOneModelGcpFile(char const* path, std::int32_t stripCount) {
    return yb::frame::guarded([&] { return yb::points::createFile(path, stripCount); });
}

std::int32_t ybGetStripNumsOfModelGcpFile(char const* path, std::int32_t* count) {
    return yb::frame::guarded([&] { return yb::points::readHeaderCounts(path, count, nullptr, nullptr); });
}

std::int32_t ybGetModelNumsOfModelGcpFile(char const* path, std::int32_t* count) {
    return yb::frame::guarded([&] { return yb::points::readHeaderCounts(path, nullptr, count, nullptr); });
}

std::int32_t ybGetBlockTiePntNumsOfFile(char const* path, std::int32_t* count) {
    return yb::frame::guarded([&] { return yb::points::readHeaderCounts(path, nullptr, nullptr, count); });
}

std::int32_t ybGetModelGcpNumsOfFile(char const* path, std::int32_t stripNo, std::int32_t modelNo,
                                     std::int32_t* count) {
    return yb::frame::guarded([&] { return yb::points::modelPointCount(path, stripNo, modelNo, count); });
}

std::int32_t ybReadModelGcpFile(char const* path, std::int32_t stripNo, std::int32_t modelNo,
                                CONTROLPOINT_STORAGE* set) {
    return yb::frame::guarded([&] { return yb::points::readModelPoints(path, stripNo, modelNo, set); });
}

std::int32_t ybWriteModelGcpFile(char const* path, std::int32_t stripNo, std::int32_t modelNo,
                                 CONTROLPOINT_STORAGE* set) {
    return yb::frame::guarded([&] { return yb::points::writeModelPoints(path, stripNo, modelNo, set); });
}

std::int32_t ybGetOneModelTiePntNums(char const* path, std::int32_t position, std::int32_t* count) {
    return yb::frame::guarded([&] { return yb::points::positionPointCount(path, position, count); });
}

std::int32_t ybReadOneModelTiePnt(char const* path, std::int32_t position, CONTROLPOINT_STORAGE* set) {
    return yb::frame::guarded([&] { return yb::points::readPositionPoints(path, position, set); });
}
