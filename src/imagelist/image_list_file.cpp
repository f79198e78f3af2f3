// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// The block image list file (".bil", "YB_BLOCK_IMAGE_LIST_FILE_VER1.0"): create it, read one strip,
// write one strip.
#include "image_list.h"

#include "export_frame.h"
#include "fs.h"
#include "hostpath.h"
#include "scratch.h"
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

// True when `count` images' entries fit between `position` and the end of the file.
bool entriesFit(std::int32_t count, std::int64_t position, std::uint64_t fileLength) {
    if (position < 0 || static_cast<std::uint64_t>(position) > fileLength) return false;
    return countFits(count, kImageEntriesSize, fileLength - static_cast<std::uint64_t>(position));
}

// The images of `count` entries as stored: all path entries, then all attribute entries.
void imagesFromEntries(unsigned char const* entries, std::size_t count, std::vector<ImageOrderInfo>& images) {
    unsigned char const* pathEntries = entries;
    unsigned char const* attributeEntries = entries + count * kPathEntrySize;
    images.reserve(images.size() + count);
    for (std::size_t i = 0; i < count; ++i)
        images.push_back(decodeImage(pathEntries + i * kPathEntrySize, attributeEntries + i * kAttributeEntrySize));
}

}  // namespace

ImageListReader::ImageListReader(std::FILE* file, std::int32_t storedStripCount) { attach(file, storedStripCount); }

void ImageListReader::attach(std::FILE* file, std::int32_t storedStripCount) {
    reader_.emplace(file, static_cast<std::uint64_t>(kFirstSectionOffset));
    stored_ = storedStripCount;
    auto length = reader_->length();
    if (!length) {
        stopped_ = WalkResult::Damaged;
        readFailed_ = true;
    }
    length_ = length.value_or(0);
}

std::int32_t ImageListReader::open(char const* path, std::int32_t absentCode) {
    if (!platform::isRegularFile(path)) return absentCode;
    file_ = platform::openFile(path, "rb");
    if (!file_) return absentCode;
    BinaryStream stream(file_.get());
    std::int32_t stored = 0;
    if (readListHeader(stream, stored) != ListStatus::Ok) return kInvalidContent;
    attach(file_.get(), stored);
    return kSuccess;
}

WalkResult ImageListReader::find(std::int32_t stripNo, StripSection& section) {
    if (auto it = first_.find(stripNo); it != first_.end()) {
        section = it->second;
        return WalkResult::Found;
    }
    while (stopped_ == WalkResult::Found) {
        if (walked_ >= stored_) {
            stopped_ = WalkResult::NotFound;
            break;
        }
        std::int32_t header[2] = {0, 0};  // number, count
        reader_->seek(static_cast<std::uint64_t>(next_));
        std::uint64_t const ioErrors = platform::ioErrorTally();
        if (!reader_->read(header, sizeof header)) {
            // The file ends before the strip's section; a read that fails is no end of the list.
            readFailed_ = platform::ioErrorTally() != ioErrors;
            stopped_ = readFailed_ ? WalkResult::Damaged : WalkResult::NotFound;
            break;
        }
        ++walked_;
        std::int64_t const entries = next_ + static_cast<std::int64_t>(kSectionHeaderSize);
        if (!entriesFit(header[1], entries, length_)) {
            stopped_ = WalkResult::Damaged;
            break;
        }
        next_ = entries + static_cast<std::int64_t>(header[1]) * static_cast<std::int64_t>(kImageEntriesSize);
        auto [it, isFirst] = first_.try_emplace(header[0], StripSection{header[1], entries});
        if (isFirst && header[0] == stripNo) {
            section = it->second;
            return WalkResult::Found;
        }
    }
    return stopped_;
}

void ImageListReader::close() {
    reader_.reset();
    file_ = platform::File();
}

bool ImageListReader::readAt(std::int64_t offset, void* data, std::size_t size) {
    if (offset < 0) return false;
    reader_->seek(static_cast<std::uint64_t>(offset));
    return reader_->read(data, size);
}

bool ImageListReader::readImages(StripSection const& section, std::vector<ImageOrderInfo>& images) {
    if (section.imageCount <= 0) return section.imageCount == 0;
    auto const count = static_cast<std::size_t>(section.imageCount);
    platform::ScratchVector<unsigned char> entries;
    entries->resize(count * kImageEntriesSize);
    if (!readAt(section.entriesOffset, entries->data(), entries->size())) return false;
    imagesFromEntries(entries->data(), count, images);
    return true;
}

bool ImageListReader::readPaths(StripSection const& section, std::vector<std::string>& paths) {
    paths.clear();
    if (section.imageCount <= 0) return section.imageCount == 0;
    auto const count = static_cast<std::size_t>(section.imageCount);
    platform::ScratchVector<unsigned char> entries;
    entries->resize(count * kPathEntrySize);
    if (!readAt(section.entriesOffset, entries->data(), entries->size())) return false;
    paths.reserve(count);
    for (std::size_t i = 0; i < count; ++i) paths.emplace_back(pathOfEntry(entries->data() + i * kPathEntrySize));
    return true;
}

WalkResult walkToStrip(BinaryStream& stream, std::int32_t storedStripCount, std::int32_t stripNo,
                       StripSection& section) {
    ImageListReader walk(stream.get(), storedStripCount);
    WalkResult const result = walk.find(stripNo, section);
    if (result != WalkResult::Found) return result;
    return stream.seek(section.entriesOffset) ? WalkResult::Found : WalkResult::Damaged;
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
constexpr std::size_t kMostImagesPerStrip =
    static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()) / kImageEntriesSize;

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
// is replaced whole: the bytes before the strip are copied from the old file, the sections after it
// are read once (and checked in memory) and written behind the new entries, and a list that ends up
// shorter keeps the old bytes behind its end, as a rewrite in place would. Every check happens before
// anything is written, so a refused call leaves the file as it was.
std::int32_t rewriteStrip(char const* path, std::int32_t stripCount, std::int32_t stripNo,
                          std::vector<ImageOrderInfo> const& images) {
    // Held from the first read to the replacement: another program's change of the list is neither
    // lost nor met half made.
    platform::WriteHold const hold(path);
    if (hold.refused()) return kCannotWrite;
    // One opening of the list serves the walk to the strip and every read of the old bytes.
    ImageListReader list;
    if (std::int32_t code = list.open(path, kCannotWrite); code != kSuccess) return code;
    std::uint64_t const length = list.length();
    if (list.storedStripCount() != stripCount) return kNotFound;
    StripSection section;
    switch (list.find(stripNo, section)) {
        case WalkResult::Found: break;
        case WalkResult::NotFound: return kNotFound;
        case WalkResult::Damaged: return kInvalidContent;
    }

    // The following sections, read once; they must all be there before anything is written.
    auto const tailStart =
        static_cast<std::uint64_t>(section.entriesOffset + static_cast<std::int64_t>(section.imageCount) *
                                                               static_cast<std::int64_t>(kImageEntriesSize));
    if (tailStart > length) return kInvalidContent;
    platform::ScratchVector<unsigned char> tail;
    tail->resize(static_cast<std::size_t>(length - tailStart));
    if (!list.readAt(static_cast<std::int64_t>(tailStart), tail->data(), tail->size())) return kInvalidContent;
    std::uint64_t tailEnd = 0;  // within `tail`
    for (std::int32_t following = stripCount - stripNo; following > 0; --following) {
        std::int32_t head[2] = {0, 0};  // number, count
        if (tail->size() - tailEnd < sizeof head) return kInvalidContent;
        std::memcpy(head, tail->data() + tailEnd, sizeof head);
        tailEnd += kSectionHeaderSize;
        if (!entriesFit(head[1], static_cast<std::int64_t>(tailStart + tailEnd), length)) return kInvalidContent;
        tailEnd += static_cast<std::uint64_t>(head[1]) * kImageEntriesSize;
    }

    auto const countAt = static_cast<std::uint64_t>(section.entriesOffset - 4);
    std::vector<unsigned char> const entries = buildEntries(images);
    bool const written = [&] {
        platform::FileReplacement replacement(path);
        if (!replacement.opened()) return false;
        platform::Output& out = replacement.out();
        // The old bytes from `offset` on, `size` of them, in blocks.
        auto const copyOld = [&](std::uint64_t offset, std::uint64_t size) {
            platform::ScratchVector<unsigned char> block;
            block->resize(static_cast<std::size_t>(std::min<std::uint64_t>(size, std::uint64_t{1} << 20)));
            for (std::uint64_t done = 0; done < size;) {
                auto const n = static_cast<std::size_t>(std::min<std::uint64_t>(size - done, block->size()));
                if (!list.readAt(static_cast<std::int64_t>(offset + done), block->data(), n)) return false;
                out.write(block->data(), n);
                done += n;
            }
            return true;
        };
        if (!copyOld(0, countAt)) return false;
        out.writeI32(static_cast<std::int32_t>(images.size()));
        out.write(entries.data(), entries.size());
        out.write(tail->data(), static_cast<std::size_t>(tailEnd));
        if (out.position() < length && !copyOld(out.position(), length - out.position())) return false;
        if (!replacement.finish()) return false;
        list.close();  // before the new file takes the list's place
        return replacement.install();
    }();
    return written ? kSuccess : kCannotWrite;
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
    ImageListReader list;
    if (std::int32_t code = list.open(path, kCannotOpen); code != kSuccess) return code;
    return readStrip(list, stripCount, stripNo, images);
}

std::int32_t readStrip(ImageListReader& list, std::int32_t stripCount, std::int32_t stripNo,
                       std::vector<ImageOrderInfo>& images) {
    images.clear();
    if (stripNo < 1 || stripNo > stripCount) return kNotFound;
    if (list.storedStripCount() != stripCount) return kInvalidContent;
    StripSection section;
    switch (list.find(stripNo, section)) {
        case WalkResult::Found: break;
        case WalkResult::NotFound: return kNotFound;
        case WalkResult::Damaged: return kInvalidContent;
    }
    if (!list.readImages(section, images)) {
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
