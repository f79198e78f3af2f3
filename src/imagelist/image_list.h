// The block image list (".bil"): its layout and the routines other subsystems call on it.
//
// The file holds the magic, the strip count S and then S strip sections in strip order. A section is its
// strip number, its image count N, N path entries (image number + 260-byte path) and then N attribute
// entries (image number + the record's bytes 264..299). Nothing indexes the sections: every reader
// walks them from the first one.
#pragma once

#include "file_kinds.h"
#include "binary_io.h"

#include <yb/ybBlockFileIO.h>

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace yb::imagelist {

inline constexpr std::string_view kImageListMagic = frame::magicOf(frame::FileKind::ImageList);
inline constexpr std::int64_t kStripCountOffset = 31;
inline constexpr std::int64_t kFirstSectionOffset = 35;
inline constexpr std::size_t kPathFieldSize = 260;
inline constexpr std::size_t kPathEntrySize = 4 + kPathFieldSize;                 // 264
// An attribute entry holds the record's bytes from nGroupNo to its end.
inline constexpr std::size_t kAttributeOffset = offsetof(ImageOrderInfo, nGroupNo);
inline constexpr std::size_t kAttributeBytes = sizeof(ImageOrderInfo) - kAttributeOffset;
inline constexpr std::size_t kAttributeEntrySize = 4 + kAttributeBytes;           // 40
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

// Walks from the first section (at most `storedStripCount` of them) to the first one numbered
// `stripNo`; the stream then stands at its first path entry. A count the file cannot hold is Damaged.
WalkResult walkToStrip(platform::BinaryStream& stream, std::int32_t storedStripCount, std::int32_t stripNo,
                       StripSection& section);

// Every strip's section in one walk, indexed by strip number - 1 (first occurrence of each number).
// Damaged when a count does not fit the file; NotFound when a strip of 1..S has no section.
WalkResult indexStrips(platform::BinaryStream& stream, std::int32_t storedStripCount,
                       std::vector<StripSection>& sections);

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
std::int32_t writeStrip(char const* path, std::int32_t stripCount, std::int32_t stripNo,
                        std::vector<ImageOrderInfo> const& images);

std::int32_t stripCountOf(char const* path, std::int32_t* stripCount);
std::int32_t imageCountOfStrip(char const* path, std::int32_t stripNo, std::int32_t* imageCount);
std::int32_t totalImageCount(char const* path, std::int32_t* totalCount);
std::int32_t largestGroupNumber(char const* path, std::int32_t& groupCount);
std::int32_t readImagePaths(char const* path, std::int32_t stripNo, char (*paths)[260], std::int32_t* imageCount);
std::int32_t readOneImage(char const* path, std::int32_t stripCount, std::int32_t stripNo, std::int32_t imageIndex,
                          ImageOrderInfo* record);
std::int32_t updateOneImage(char const* path, std::int32_t imageNo, ImageOrderInfo const& record);

}  // namespace yb::imagelist
