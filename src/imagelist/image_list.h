// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// The block image list (".bil"): its layout and the routines other subsystems call on it.
//
// The file holds the magic, the strip count S and then S strip sections in strip order. A section is its
// strip number, its image count N, N path entries (image number + 260-byte path) and then N attribute
// entries (image number + the record's bytes 264..299). Nothing indexes the sections: they are found
// by a walk from the first one, which ImageListReader makes once per call.
#pragma once

#include "file_kinds.h"
#include "binary_io.h"
#include "buffered_reader.h"
#include "fs.h"

#include <yb/ybBlockFileIO.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace yb::imagelist {

inline constexpr std::string_view kImageListMagic = frame::magicOf(frame::FileKind::ImageList);
inline constexpr std::int64_t kStripCountOffset = 31;
inline constexpr std::int64_t kFirstSectionOffset = 35;
inline constexpr std::size_t kPathFieldSize = 260;
inline constexpr std::size_t kPathEntrySize = 4 + kPathFieldSize;  // 264
// An attribute entry holds the record's bytes from nGroupNo to its end.
inline constexpr std::size_t kAttributeOffset = offsetof(ImageOrderInfo, nGroupNo);
inline constexpr std::size_t kAttributeBytes = sizeof(ImageOrderInfo) - kAttributeOffset;
inline constexpr std::size_t kAttributeEntrySize = 4 + kAttributeBytes;                 // 40
inline constexpr std::size_t kImageEntriesSize = kPathEntrySize + kAttributeEntrySize;  // 304 per image
inline constexpr std::size_t kSectionHeaderSize = 8;
static_assert(kImageListMagic.size() == 31 && kFirstSectionOffset == 31 + 4);
static_assert(kAttributeBytes == 36 && kImageEntriesSize == 304);

// ---- the layout, shared by the file's own routines and its queries ----

enum class ListStatus { Ok, WrongContent };

// Magic test and stored strip count. A file shorter than its header fails the test.
ListStatus readListHeader(platform::BinaryStream& stream, std::int32_t& storedStripCount);

enum class WalkResult { Found, NotFound, Damaged };

struct StripSection {
    std::int32_t imageCount = 0;
    std::int64_t entriesOffset = 0;  // first path entry
};

// An image list read through one walk. Sections are found in file order as strips are asked for,
// each number's first section remembered, so a workflow over every strip reads the file once and a
// strip is answered as a walk from the first section to it would answer: its first section among
// the first `storedStripCount` ones, NotFound when the file ends or those sections pass without it,
// Damaged when a section before it (or its own) declares more entries than the file holds. Nothing
// is kept between readers: a program that reads every strip opens one reader for them all.
class ImageListReader {
public:
    ImageListReader() = default;
    // Walks a list already open, whose header said `storedStripCount`.
    ImageListReader(std::FILE* file, std::int32_t storedStripCount);
    ImageListReader(ImageListReader const&) = delete;
    ImageListReader& operator=(ImageListReader const&) = delete;

    // Opens the list and reads its header: `absentCode` when there is no list (or it cannot be
    // opened), kInvalidContent when its magic fails.
    std::int32_t open(char const* path, std::int32_t absentCode);
    std::int32_t storedStripCount() const { return stored_; }
    // The list's length in bytes when it was opened.
    std::uint64_t length() const { return length_; }
    // Lets go of the list (a reader that opened it by path).
    void close();

    WalkResult find(std::int32_t stripNo, StripSection& section);
    // The images of a section found, appended in order; false when they cannot be read.
    bool readImages(StripSection const& section, std::vector<ImageOrderInfo>& images);
    // The image paths of a section found, in order.
    bool readPaths(StripSection const& section, std::vector<std::string>& paths);
    bool readAt(std::int64_t offset, void* data, std::size_t size);

private:
    void attach(std::FILE* file, std::int32_t storedStripCount);

    platform::File file_;
    std::optional<platform::BufferedReader> reader_;
    std::uint64_t length_ = 0;
    std::int32_t stored_ = 0;
    std::unordered_map<std::int32_t, StripSection> first_;  // first section of each number walked
    std::int64_t next_ = kFirstSectionOffset;               // the next section's header
    std::int32_t walked_ = 0;
    WalkResult stopped_ = WalkResult::Found;  // NotFound or Damaged once the walk cannot go on
    bool readFailed_ = false;                 // a read failed
};

// A walk from the first section to strip `stripNo` on an open stream; the stream then stands at its
// first path entry.
WalkResult walkToStrip(platform::BinaryStream& stream, std::int32_t storedStripCount, std::int32_t stripNo,
                       StripSection& section);

// The two entries of one image, as stored.
void storePathEntry(ImageOrderInfo const& record, unsigned char* entry);       // kPathEntrySize bytes
void storeAttributeEntry(ImageOrderInfo const& record, unsigned char* entry);  // kAttributeEntrySize bytes
// The path a path entry holds, up to its first zero byte.
std::string_view pathOfEntry(unsigned char const* pathEntry);
// The image that a path entry and its attribute entry describe. The attribute entry's own image
// number repeats the path entry's; only its other bytes count.
ImageOrderInfo decodeImage(unsigned char const* pathEntry, unsigned char const* attributeEntry);
// Reads `count` images of a section whose path entries start at the stream's position, in one read.
bool readSectionImages(platform::BinaryStream& stream, std::int32_t count, std::vector<ImageOrderInfo>& images);

// ---- the image list's operations, for other subsystems ----

std::int32_t createImageList(char const* path, std::int32_t stripCount);
std::int32_t readStrip(char const* path, std::int32_t stripCount, std::int32_t stripNo,
                       std::vector<ImageOrderInfo>& images);
// The same on a list already open; a workflow over every strip reads the file once this way.
std::int32_t readStrip(ImageListReader& list, std::int32_t stripCount, std::int32_t stripNo,
                       std::vector<ImageOrderInfo>& images);
std::int32_t writeStrip(char const* path, std::int32_t stripCount, std::int32_t stripNo,
                        std::vector<ImageOrderInfo> const& images);

std::int32_t stripCountOf(char const* path, std::int32_t* stripCount);
std::int32_t imageCountOfStrip(char const* path, std::int32_t stripNo, std::int32_t* imageCount);
std::int32_t totalImageCount(char const* path, std::int32_t* totalCount);
std::int32_t largestGroupNumber(char const* path, std::int32_t& groupCount);
std::int32_t readImagePaths(char const* path, std::int32_t stripNo, char (*paths)[260], std::int32_t* imageCount);
std::int32_t readOneImage(char const* path, std::int32_t stripCount, std::int32_t stripNo, std::int32_t imageIndex,
                          ImageOrderInfo* record);
// The queries on a list already open (opened with the code its path query gives for a missing list),
// answering with that query's codes.
std::int32_t totalImageCount(ImageListReader& list, std::int32_t* totalCount);
std::int32_t readImagePaths(ImageListReader& list, std::int32_t stripNo, std::vector<std::string>& paths);
std::int32_t readOneImage(ImageListReader& list, std::int32_t stripCount, std::int32_t stripNo, std::int32_t imageIndex,
                          ImageOrderInfo* record);
std::int32_t updateOneImage(char const* path, std::int32_t imageNo, ImageOrderInfo const& record);

}  // namespace yb::imagelist
