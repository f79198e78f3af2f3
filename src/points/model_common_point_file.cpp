// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// The model common point file: the magic "YB_MODEL_COMMON_POINT_FILE_VER1.0", the strip count, the
// section count and the record count of all sections, then one section per pair of neighbouring models
// of a strip (strip, first model, second model, p) with p 80-byte ModelCommonPoint records. The header
// is 45 bytes, so every later field sits at an odd offset.
#include "export_frame.h"
#include "fs.h"
#include "points/model_point_sections.h"
#include "points/point_records.h"

#include <yb/ybBlockFileIO.h>

#include <limits>
#include <vector>

namespace yb::points {
namespace {

constexpr sections::Layout kLayout = sections::kCommonPointLayout;
static_assert(kLayout.magic.size() == 33 && sizeof(ModelCommonPoint) == 80);
static_assert(kLayout.sectionCountOffset() == 37 && kLayout.totalOffset() == 41 && kLayout.firstSectionOffset() == 45);
static_assert(kLayout.headSize() == 16);

// A header whose counts make sense, of a file that holds at least one strip.
std::int32_t readCheckedHeader(sections::ReadAt const& readAt, sections::Header& header) {
    return sections::readCheckedHeader(readAt, kLayout, true, header);
}
std::int32_t openHeader(char const* path, platform::File& file, sections::Header& header) {
    return sections::openCheckedHeader(path, kLayout, true, kCannotOpen, file, header);
}

std::int32_t createFile(char const* path, std::int32_t stripCount) {
    if (path == nullptr || stripCount < 0) return kInvalidArgument;
    return sections::createEmpty(path, kLayout, stripCount);
}

std::int32_t readFileInfo(char const* path, std::int32_t* stripCount, std::int32_t* sectionCount,
                          std::int32_t* pointCount) {
    platform::File file;
    sections::Header header;
    if (std::int32_t code = openHeader(path, file, header); code != kSuccess) return code;
    if (stripCount != nullptr) *stripCount = header.strips;
    if (sectionCount != nullptr) *sectionCount = header.sections;
    if (pointCount != nullptr) *pointCount = header.total;
    return kSuccess;
}

// Readers only know pairs of neighbouring models. The last model number has no neighbour, and the
// test never computes past it.
bool neighbouringModels(std::int32_t first, std::int32_t second) {
    return first >= 1 && first < std::numeric_limits<std::int32_t>::max() && second == first + 1;
}

// Finds the section of a pair of neighbouring models.
std::int32_t findPair(char const* path, std::int32_t stripNo, std::int32_t firstModel, std::int32_t secondModel,
                      platform::File& file, sections::ScanResult& result) {
    sections::Header header;
    if (std::int32_t code = openHeader(path, file, header); code != kSuccess) return code;
    if (stripNo < 1 || stripNo > header.strips || !neighbouringModels(firstModel, secondModel)) return kInvalidArgument;
    platform::BinaryStream stream(file.get());
    result = sections::find(stream, kLayout, header.sections, {stripNo, firstModel, secondModel});
    if (result.status == sections::ScanStatus::Damaged) return kInvalidContent;
    if (result.status == sections::ScanStatus::Found && result.section.count < 0) return kInvalidContent;
    return kSuccess;
}

std::int32_t pairPointCount(char const* path, std::int32_t stripNo, std::int32_t firstModel, std::int32_t secondModel,
                            std::int32_t* count) {
    if (count == nullptr) return kInvalidArgument;
    platform::File file;
    sections::ScanResult result;
    if (std::int32_t code = findPair(path, stripNo, firstModel, secondModel, file, result); code != kSuccess) {
        return code;
    }
    *count = result.status == sections::ScanStatus::Found ? result.section.count : 0;
    return kSuccess;
}

std::int32_t readPairPoints(char const* path, std::int32_t stripNo, std::int32_t firstModel, std::int32_t secondModel,
                            ModelCommonPoint* points, std::int32_t* count) {
    if (points == nullptr || count == nullptr) return kInvalidArgument;
    platform::File file;
    sections::ScanResult result;
    if (std::int32_t code = findPair(path, stripNo, firstModel, secondModel, file, result); code != kSuccess) {
        return code;
    }
    if (result.status != sections::ScanStatus::Found) return kInvalidContent;
    platform::BinaryStream stream(file.get());
    if (!sections::recordsPresent(stream, kLayout, result.section) ||
        !stream.seek(result.section.recordsOffset(kLayout)) ||
        !stream.read(points, static_cast<std::size_t>(result.section.count) * sizeof(ModelCommonPoint))) {
        return kInvalidContent;
    }
    *count = result.section.count;
    return kSuccess;
}

// A usable model point set: its entries are there for every counted one.
bool validSet(CONTROLPOINT_STORAGE const* set) {
    return set != nullptr && set->count >= 0 && (set->count == 0 || set->entries != nullptr);
}

std::int32_t writePairPoints(char const* path, std::int32_t stripNo, std::int32_t firstModel, std::int32_t secondModel,
                             CONTROLPOINT_STORAGE const* first, CONTROLPOINT_STORAGE const* second) {
    if (path == nullptr || stripNo < 1 || firstModel < 1 || secondModel <= firstModel || !validSet(first) ||
        !validSet(second)) {
        return kInvalidArgument;
    }
    // The file is opened once, for the change, and its header read through it; a file that cannot be
    // opened for writing is read as a reader would, to answer as before.
    platform::FileChange change(path, platform::WorkCopyName::Bak);
    if (change.refused()) return kCannotWrite;
    platform::File file;
    sections::Header header;
    std::int32_t const read =
        change.opened() ? readCheckedHeader(sections::readerOf(change), header) : openHeader(path, file, header);
    if (read != kSuccess) return read;
    if (first->count != second->count) return kInvalidArgument;
    // Entries pair up by position: the caller passes both models' points in the same order.
    std::vector<ModelCommonPoint> records;
    records.reserve(static_cast<std::size_t>(first->count));
    for (std::int32_t k = 0; k < first->count; ++k) {
        records.push_back(commonPointFromModelPoints(first->entries[k], second->entries[k], second->entries[k]));
    }
    return sections::addRecords(change, file, path, kLayout, header, {stripNo, firstModel, secondModel}, records.data(),
                                first->count, {kCannotWrite});
}

}  // namespace
}  // namespace yb::points

std::int32_t ybCreateComJointPntFile(char const* path, std::int32_t stripCount) {
    return yb::frame::guarded([&] { return yb::points::createFile(path, stripCount); });
}

std::int32_t ybGetComJointPntFileInfo(char const* path, std::int32_t* stripCount, std::int32_t* sectionCount,
                                      std::int32_t* pointCount) {
    return yb::frame::guarded([&] { return yb::points::readFileInfo(path, stripCount, sectionCount, pointCount); });
}

std::int32_t ybGetComJointPntNumsOfFile(char const* path, std::int32_t stripNo, std::int32_t firstModel,
                                        std::int32_t secondModel, std::int32_t* count) {
    return yb::frame::guarded(
        [&] { return yb::points::pairPointCount(path, stripNo, firstModel, secondModel, count); });
}

std::int32_t ybReadComJointPntFile(char const* path, std::int32_t stripNo, std::int32_t firstModel,
                                   std::int32_t secondModel, ModelCommonPoint* points, std::int32_t* count) {
    return yb::frame::guarded(
        [&] { return yb::points::readPairPoints(path, stripNo, firstModel, secondModel, points, count); });
}

std::int32_t ybWriteComJointPntFile(char const* path, std::int32_t stripNo, std::int32_t firstModel,
                                    std::int32_t secondModel, CONTROLPOINT_STORAGE* first,
                                    CONTROLPOINT_STORAGE* second) {
    return yb::frame::guarded(
        [&] { return yb::points::writePairPoints(path, stripNo, firstModel, secondModel, first, second); });
}
