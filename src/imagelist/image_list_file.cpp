// The block image list file (".bil", "YB_BLOCK_IMAGE_LIST_FILE_VER1.0"): create it, read one strip,
// write one strip.
#include "image_list.h"

#include "export_frame.h"
#include "fs.h"
#include "hostpath.h"
#include "write_path.h"

#include <cstring>
#include <limits>

namespace yb::imagelist {

using platform::BinaryStream;
using platform::countFits;

// ---------------------------------------------------------------------------------------------
// The layout

ListStatus readListHeader(BinaryStream& stream, std::int32_t& storedStripCount) {
    if (!stream.seek(0) || !stream.readMagic(kImageListMagic)) return ListStatus::WrongContent;
    if (!stream.readI32(storedStripCount)) return ListStatus::WrongContent;
    return ListStatus::Ok;
}

namespace {

// Reads the header of the section at `position`: Found, NotFound when the file ends before it, Damaged
// when it cannot be read (a read that fails is no end of the list).
WalkResult readSectionHeader(BinaryStream& stream, std::int64_t position, std::int32_t& number, std::int32_t& count) {
    std::uint64_t const ioErrors = platform::ioErrorTally();
    if (stream.seek(position) && stream.readI32(number) && stream.readI32(count)) return WalkResult::Found;
    return platform::ioErrorTally() == ioErrors ? WalkResult::NotFound : WalkResult::Damaged;
}

// True when `count` images' entries fit between `position` and the end of the file.
bool entriesFit(std::int32_t count, std::int64_t position, std::uint64_t fileLength) {
    if (position < 0 || static_cast<std::uint64_t>(position) > fileLength) return false;
    return countFits(count, kImageEntriesSize, fileLength - static_cast<std::uint64_t>(position));
}

}  // namespace

WalkResult walkToStrip(BinaryStream& stream, std::int32_t storedStripCount, std::int32_t stripNo,
                       StripSection& section) {
    auto length = stream.length();
    if (!length) return WalkResult::Damaged;
    std::int64_t position = kFirstSectionOffset;
    for (std::int32_t walked = 0; walked < storedStripCount; ++walked) {
        std::int32_t number = 0;
        std::int32_t count = 0;
        if (WalkResult read = readSectionHeader(stream, position, number, count); read != WalkResult::Found)
            return read;
        position += static_cast<std::int64_t>(kSectionHeaderSize);
        if (!entriesFit(count, position, *length)) return WalkResult::Damaged;
        if (number == stripNo) {
            section = {count, position};
            return stream.seek(position) ? WalkResult::Found : WalkResult::Damaged;
        }
        position += static_cast<std::int64_t>(count) * static_cast<std::int64_t>(kImageEntriesSize);
    }
    return WalkResult::NotFound;
}

WalkResult indexStrips(BinaryStream& stream, std::int32_t storedStripCount, std::vector<StripSection>& sections) {
    sections.clear();
    auto length = stream.length();
    if (!length || *length < static_cast<std::uint64_t>(kFirstSectionOffset)) return WalkResult::Damaged;
    if (storedStripCount < 0) return WalkResult::Damaged;
    // Every section takes at least its 8-byte header. When the file cannot hold a header per strip,
    // some strip is missing: the walk still tells a damaged count from a file that merely ends, as
    // the per-strip walk does, but nothing is allocated for the stored count.
    bool const headersFit =
        countFits(storedStripCount, kSectionHeaderSize, *length - static_cast<std::uint64_t>(kFirstSectionOffset));
    if (headersFit) sections.assign(static_cast<std::size_t>(storedStripCount), StripSection{-1, 0});
    std::int64_t position = kFirstSectionOffset;
    for (std::int32_t walked = 0; walked < storedStripCount; ++walked) {
        std::int32_t number = 0;
        std::int32_t count = 0;
        if (WalkResult read = readSectionHeader(stream, position, number, count); read != WalkResult::Found) {
            if (read == WalkResult::Damaged) return read;
            break;
        }
        position += static_cast<std::int64_t>(kSectionHeaderSize);
        if (!entriesFit(count, position, *length)) return WalkResult::Damaged;
        if (headersFit && number >= 1 && number <= storedStripCount &&
            sections[static_cast<std::size_t>(number - 1)].imageCount < 0)
            sections[static_cast<std::size_t>(number - 1)] = {count, position};
        position += static_cast<std::int64_t>(count) * static_cast<std::int64_t>(kImageEntriesSize);
    }
    if (!headersFit) {
        sections.clear();
        return WalkResult::NotFound;
    }
    for (auto const& section : sections)
        if (section.imageCount < 0) return WalkResult::NotFound;
    return WalkResult::Found;
}

void storePathEntry(ImageOrderInfo const& record, unsigned char* entry) {
    std::memcpy(entry, &record.nImageNo, 4);
    // Zeros after the terminator, so no stale bytes of the caller's buffer reach the file.
    platform::storeText(reinterpret_cast<char*>(entry + 4), kPathFieldSize,
                        platform::boundedText(record.szImagePath, sizeof record.szImagePath));
}

void storeAttributeEntry(ImageOrderInfo const& record, unsigned char* entry) {
    std::memcpy(entry, &record.nImageNo, 4);
    std::memcpy(entry + 4, reinterpret_cast<unsigned char const*>(&record) + kAttributeOffset, kAttributeBytes);
}

std::string_view pathOfEntry(unsigned char const* pathEntry) {
    return platform::boundedText(reinterpret_cast<char const*>(pathEntry + 4), kPathFieldSize);
}

ImageOrderInfo decodeImage(unsigned char const* pathEntry, unsigned char const* attributeEntry) {
    ImageOrderInfo record{};
    std::memcpy(&record.nImageNo, pathEntry, 4);
    std::string_view const path = pathOfEntry(pathEntry);
    std::memcpy(record.szImagePath, path.data(), path.size());
    std::memcpy(reinterpret_cast<unsigned char*>(&record) + kAttributeOffset, attributeEntry + 4, kAttributeBytes);
    return record;
}

bool readSectionImages(BinaryStream& stream, std::int32_t count, std::vector<ImageOrderInfo>& images) {
    if (count <= 0) return count == 0;
    std::size_t const n = static_cast<std::size_t>(count);
    std::vector<unsigned char> entries(n * kImageEntriesSize);
    if (!stream.read(entries.data(), entries.size())) return false;
    unsigned char const* pathEntries = entries.data();
    unsigned char const* attributeEntries = entries.data() + n * kPathEntrySize;
    images.reserve(images.size() + n);
    for (std::size_t i = 0; i < n; ++i)
        images.push_back(decodeImage(pathEntries + i * kPathEntrySize, attributeEntries + i * kAttributeEntrySize));
    return true;
}

// ---------------------------------------------------------------------------------------------
// The operations

namespace {

// The entries of a strip: all path entries, then all attribute entries.
std::vector<unsigned char> buildEntries(std::vector<ImageOrderInfo> const& images) {
    std::size_t const n = images.size();
    std::vector<unsigned char> entries(n * kImageEntriesSize);
    for (std::size_t i = 0; i < n; ++i) {
        storePathEntry(images[i], entries.data() + i * kPathEntrySize);
        storeAttributeEntry(images[i], entries.data() + n * kPathEntrySize + i * kAttributeEntrySize);
    }
    return entries;
}

// Largest image count a section can declare without its byte size overflowing a 32-bit count.
constexpr std::size_t kMostImagesPerStrip = static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()) /
                                            kImageEntriesSize;

// A new file: the magic, the strip count and every section empty except `stripNo`, which holds
// `images` (or none when stripNo is 0).
std::int32_t writeNewList(char const* path, std::int32_t stripCount, std::int32_t stripNo,
                          std::vector<ImageOrderInfo> const* images) {
    bool const written = platform::replaceFile(path, [&](platform::Output& out) {
        out.writeMagic(kImageListMagic);
        out.writeI32(stripCount);
        for (std::int32_t strip = 1; strip <= stripCount; ++strip) {
            out.writeI32(strip);
            if (strip == stripNo && images != nullptr) {
                out.writeI32(static_cast<std::int32_t>(images->size()));
                auto entries = buildEntries(*images);
                out.write(entries.data(), entries.size());
            } else {
                out.writeI32(0);
            }
        }
        return true;
    });
    return written ? kSuccess : kCannotWrite;
}

// Rewrites strip `stripNo` of an existing list. A strip rewrite moves every later strip, so the list
// is replaced whole: the bytes before the strip and the sections after it are copied from the old file
// around the new entries, and a list that ends up shorter keeps the old bytes behind its end, as a
// rewrite in place would. Every check happens before anything is written, so a refused call leaves
// the file as it was.
std::int32_t rewriteStrip(char const* path, std::int32_t stripCount, std::int32_t stripNo,
                          std::vector<ImageOrderInfo> const& images) {
    platform::File file = platform::openFile(path, "rb");
    if (!file) return kCannotWrite;
    BinaryStream stream(file.get());
    std::int32_t stored = 0;
    if (readListHeader(stream, stored) != ListStatus::Ok) return kInvalidContent;
    if (stored != stripCount) return kNotFound;

    StripSection section;
    switch (walkToStrip(stream, stored, stripNo, section)) {
        case WalkResult::Found: break;
        case WalkResult::NotFound: return kNotFound;
        case WalkResult::Damaged: return kInvalidContent;
    }
    auto length = stream.length();
    if (!length) return kInvalidContent;

    // The following sections must all be there before anything is written.
    std::int64_t const tailStart = section.entriesOffset +
                                   static_cast<std::int64_t>(section.imageCount) * static_cast<std::int64_t>(kImageEntriesSize);
    std::int64_t tailEnd = tailStart;
    for (std::int32_t following = stripCount - stripNo; following > 0; --following) {
        std::int32_t header[2] = {0, 0};  // number, count
        if (!stream.seek(tailEnd) || !stream.read(header, sizeof header)) return kInvalidContent;
        tailEnd += static_cast<std::int64_t>(kSectionHeaderSize);
        if (!entriesFit(header[1], tailEnd, *length)) return kInvalidContent;
        tailEnd += static_cast<std::int64_t>(header[1]) * static_cast<std::int64_t>(kImageEntriesSize);
    }
    file.close();

    auto const old = platform::nativePath(path);
    platform::NativeFile source = old ? platform::openNative(*old, false) : platform::NativeFile();
    if (!source) return kCannotWrite;
    auto const countAt = static_cast<std::uint64_t>(section.entriesOffset - 4);
    std::vector<unsigned char> const entries = buildEntries(images);
    platform::FileReplacement replacement(path);
    if (!replacement.opened()) return kCannotWrite;
    platform::Output& out = replacement.out();
    out.copyFrom(source, 0, countAt);
    out.writeI32(static_cast<std::int32_t>(images.size()));
    out.write(entries.data(), entries.size());
    out.copyFrom(source, static_cast<std::uint64_t>(tailStart), static_cast<std::uint64_t>(tailEnd - tailStart));
    if (out.position() < *length) out.copyFrom(source, out.position(), *length - out.position());
    bool const written = replacement.finish();
    // The old list is closed before the new one takes its place: Windows replaces no open file.
    source = platform::NativeFile();
    return written && replacement.install() ? kSuccess : kCannotWrite;
}

}  // namespace

std::int32_t createImageList(char const* path, std::int32_t stripCount) {
    if (path == nullptr || stripCount < 1) return kInvalidArgument;
    return writeNewList(path, stripCount, 0, nullptr);
}

std::int32_t readStrip(char const* path, std::int32_t stripCount, std::int32_t stripNo,
                       std::vector<ImageOrderInfo>& images) {
    if (path == nullptr || stripCount < 1) return kInvalidArgument;
    if (stripNo < 1 || stripNo > stripCount) return kNotFound;
    images.clear();
    // Reading the list of a block that has none yet makes an empty one.
    if (!platform::isRegularFile(path)) return createImageList(path, stripCount);

    platform::File file = platform::openFile(path, "rb");
    if (!file) return kCannotOpen;
    BinaryStream stream(file.get());
    std::int32_t stored = 0;
    if (readListHeader(stream, stored) != ListStatus::Ok || stored != stripCount) return kInvalidContent;
    StripSection section;
    switch (walkToStrip(stream, stored, stripNo, section)) {
        case WalkResult::Found: break;
        case WalkResult::NotFound: return kNotFound;
        case WalkResult::Damaged: return kInvalidContent;
    }
    if (!readSectionImages(stream, section.imageCount, images)) {
        images.clear();
        return kInvalidContent;
    }
    return kSuccess;
}

std::int32_t writeStrip(char const* path, std::int32_t stripCount, std::int32_t stripNo,
                        std::vector<ImageOrderInfo> const& images) {
    if (path == nullptr || stripCount < 1) return kInvalidArgument;
    if (stripNo < 1 || stripNo > stripCount) return kNotFound;
    if (images.size() > kMostImagesPerStrip) return kInvalidArgument;
    if (!platform::isRegularFile(path)) {
        if (images.empty()) return createImageList(path, stripCount);
        return writeNewList(path, stripCount, stripNo, &images);
    }
    return rewriteStrip(path, stripCount, stripNo, images);
}

}  // namespace yb::imagelist

std::int32_t ybCreateNewImageRecordFile(char const* path, std::int32_t stripCount) {
    return yb::frame::guarded([&] { return yb::imagelist::createImageList(path, stripCount); });
}

std::int32_t ybWriteOneStripImageRecord(char const* path, std::int32_t stripCount, std::int32_t stripNo,
                                        std::vector<ImageOrderInfo>& images) {
    return yb::frame::guarded([&] { return yb::imagelist::writeStrip(path, stripCount, stripNo, images); });
}

std::int32_t ybReadOneStripImageRecord(char const* path, std::int32_t stripCount, std::int32_t stripNo,
                                       std::vector<ImageOrderInfo>& images) {
    return yb::frame::guarded([&] { return yb::imagelist::readStrip(path, stripCount, stripNo, images); });
}
