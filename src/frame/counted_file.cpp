// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
#include "counted_file.h"

#include "write_path.h"

namespace yb::frame {

CountedHeader readCountedHeader(platform::BinaryStream& stream, std::string_view magic, std::int32_t& count) {
    if (!stream.seek(0)) return CountedHeader::ShortMagic;
    // A file that ends inside the magic is short whatever its head holds.
    if (CountedHeader const header = stream.readMagicAs(magic, magic.size(), CountedHeader::Ok,
                                                        CountedHeader::ShortMagic, CountedHeader::WrongMagic);
        header != CountedHeader::Ok)
        return header;
    if (!stream.readI32(count)) return CountedHeader::ShortCount;
    return count < 0 ? CountedHeader::NegativeCount : CountedHeader::Ok;
}

bool recordsPresent(platform::BinaryStream& stream, std::string_view magic, std::int32_t count,
                    std::size_t recordSize) {
    auto const length = stream.length();
    std::uint64_t const headerSize = magic.size() + sizeof(std::int32_t);
    if (!length || *length < headerSize) return false;
    return platform::countFits(count, recordSize, *length - headerSize);
}

CountedHeader readCountedRecords(platform::File& file, std::string_view magic, std::size_t recordSize,
                                 std::int32_t& count) {
    if (!file) return CountedHeader::ShortMagic;
    platform::BinaryStream stream(file.get());
    if (CountedHeader const header = readCountedHeader(stream, magic, count); header != CountedHeader::Ok)
        return header;
    if (!recordsPresent(stream, magic, count, recordSize) ||
        !stream.seek(static_cast<std::int64_t>(magic.size() + sizeof(std::int32_t))))
        return CountedHeader::ShortRecords;
    return CountedHeader::Ok;
}

namespace {

template <class Target>
bool writeCounted(Target const& target, std::string_view magic, void const* records, std::int32_t count,
                  std::size_t recordSize) {
    return platform::replaceFile(target, [&](platform::Output& out) {
        out.writeMagic(magic);
        out.writeI32(count);
        if (count > 0) out.write(records, static_cast<std::size_t>(count) * recordSize);
        return true;
    });
}

}  // namespace

bool writeCountedFile(char const* path, std::string_view magic, void const* records, std::int32_t count,
                      std::size_t recordSize) {
    return writeCounted(std::string_view(path), magic, records, count, recordSize);
}

bool writeCountedFile(platform::FoundFile const& file, std::string_view magic, void const* records, std::int32_t count,
                      std::size_t recordSize) {
    return writeCounted(file, magic, records, count, recordSize);
}

}  // namespace yb::frame
