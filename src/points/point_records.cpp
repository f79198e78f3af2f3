// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
#include "points/point_records.h"

#include "gbk.h"
#include "hostpath.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace yb::points {

std::string_view pointName(tagImagePoint const& point) { return platform::boundedText(point.name, sizeof point.name); }

std::string_view pointName(CONTROLPOINT_INFO const& entry) {
    return platform::boundedText(entry.name, sizeof entry.name);
}

bool sameName(std::string_view a, std::string_view b) { return platform::equalsIgnoreCase(a, b); }

std::string nameKey(std::string_view name) { return platform::toLower(name); }

std::string observationKey(tagImagePoint const& point) {
    std::int32_t const imageNo = point.imageNo;
    std::string key(sizeof imageNo, '\0');
    std::memcpy(key.data(), &imageNo, sizeof imageNo);
    key += nameKey(pointName(point));
    return key;
}

std::optional<FieldProblem> observationProblem(tagImagePoint const& point) {
    if (std::memchr(point.name, 0, sizeof point.name) == nullptr)
        return FieldProblem{"name", "it fills all 32 bytes; " + std::string(kNameRule)};
    std::string_view const name = pointName(point);
    if (name.empty()) return FieldProblem{"name", "it is empty; " + std::string(kNameRule)};
    if (!platform::gbkToUtf8(name)) return FieldProblem{"name", "it is no GBK text"};
    // The record is packed: its doubles are copied out before anything binds a reference to them.
    double const x = point.x, y = point.y, photoX = point.photoX, photoY = point.photoY;
    std::pair<std::string_view, double> const coordinates[] = {
        {"x", x}, {"y", y}, {"photo_x", photoX}, {"photo_y", photoY}};
    for (auto const& [field, value] : coordinates)
        if (!std::isfinite(value))
            return FieldProblem{field, std::string(std::isnan(value) ? "nan"
                                                   : value > 0       ? "inf"
                                                                     : "-inf") +
                                           " is not a finite number"};
    return std::nullopt;
}

namespace {

constexpr std::uint64_t kOnes = 0x0101010101010101ull;
constexpr std::uint64_t kHighBits = 0x8080808080808080ull;

// A record certainly sound: its name starts with a byte, holds a terminator and no byte above 0x7F
// anywhere in its field (plain ASCII is GBK text), and no coordinate has the exponent of an infinity
// or a nan. A record that fails this may still be sound (a GBK name).
bool plainlySound(tagImagePoint const& point) {
    std::uint64_t w[4];
    std::memcpy(w, point.name, sizeof w);
    std::uint64_t const zeros =
        ((w[0] - kOnes) & ~w[0]) | ((w[1] - kOnes) & ~w[1]) | ((w[2] - kOnes) & ~w[2]) | ((w[3] - kOnes) & ~w[3]);
    bool const nameOk =
        point.name[0] != 0 && ((w[0] | w[1] | w[2] | w[3]) & kHighBits) == 0 && (zeros & kHighBits) != 0;
    constexpr std::uint64_t kExponent = 0x7FF0000000000000ull;
    std::uint64_t c[4];
    std::memcpy(&c[0], &point.x, 8);
    std::memcpy(&c[1], &point.y, 8);
    std::memcpy(&c[2], &point.photoX, 8);
    std::memcpy(&c[3], &point.photoY, 8);
    bool const finite = (c[0] & kExponent) != kExponent && (c[1] & kExponent) != kExponent &&
                        (c[2] & kExponent) != kExponent && (c[3] & kExponent) != kExponent;
    return nameOk & finite;
}

}  // namespace

std::optional<RowProblem> firstObservationProblem(tagImagePoint const* points, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i)
        if (!plainlySound(points[i]))
            if (auto problem = observationProblem(points[i])) return RowProblem{i, std::move(*problem)};
    return std::nullopt;
}

namespace {

std::uint64_t hashOf(std::array<char, 32> const& bytes) {
    std::uint64_t words[4];
    std::memcpy(words, bytes.data(), sizeof words);
    return hashOfWords(words[0], words[1], words[2], words[3]);
}

// Cuts a word of a name at the terminator, if the word holds it; `ended` says whether an earlier
// word held it already.
std::uint64_t cutAtTerminator(std::uint64_t word, bool& ended) {
    if (ended) return 0;
    std::uint64_t const zeros = (word - kOnes) & ~word & kHighBits;
    if (zeros == 0) return word;
    ended = true;
    int const firstZero = __builtin_ctzll(zeros) / 8;  // the terminator's byte
    return firstZero == 0 ? 0 : word & (~std::uint64_t{0} >> (64 - 8 * firstZero));
}

// ASCII letters of a word lower-cased: a byte is an upper-case letter when it is at least 'A' and not
// above 'Z' (no byte of the word is above 0x7F, so the additions never carry).
std::uint64_t lowerAscii(std::uint64_t word) {
    std::uint64_t const atLeastA = word + kOnes * (0x80 - 'A');
    std::uint64_t const aboveZ = word + kOnes * (0x80 - 'Z' - 1);
    return word | ((atLeastA & ~aboveZ & kHighBits) >> 2);
}

// The key of a 32-byte name field. Names of plain ASCII, by far the most common, are cut at their
// terminator and lower-cased eight bytes at a time; any other byte takes the GBK-aware way.
NameKey keyOfField(char const* field) {
    NameKey key;
    std::uint64_t w0, w1, w2, w3;
    std::memcpy(&w0, field, 8);
    std::memcpy(&w1, field + 8, 8);
    std::memcpy(&w2, field + 16, 8);
    std::memcpy(&w3, field + 24, 8);
    bool ended = false;
    w0 = cutAtTerminator(w0, ended);
    w1 = cutAtTerminator(w1, ended);
    w2 = cutAtTerminator(w2, ended);
    w3 = cutAtTerminator(w3, ended);
    if (((w0 | w1 | w2 | w3) & kHighBits) != 0) {
        std::string_view const name = platform::boundedText(field, key.bytes.size());
        platform::toLowerInto(name, key.bytes.data());  // a bounded name fits its field
        key.hash = hashOf(key.bytes);
        return key;
    }
    w0 = lowerAscii(w0);
    w1 = lowerAscii(w1);
    w2 = lowerAscii(w2);
    w3 = lowerAscii(w3);
    std::memcpy(key.bytes.data(), &w0, 8);
    std::memcpy(key.bytes.data() + 8, &w1, 8);
    std::memcpy(key.bytes.data() + 16, &w2, 8);
    std::memcpy(key.bytes.data() + 24, &w3, 8);
    key.hash = hashOfWords(w0, w1, w2, w3);
    return key;
}

}  // namespace

NameKey nameKeyOf(tagImagePoint const& point) {
    static_assert(sizeof point.name == 32);
    return keyOfField(point.name);
}
NameKey nameKeyOf(CONTROLPOINT_INFO const& entry) {
    static_assert(sizeof entry.name == 32);
    return keyOfField(entry.name);
}

NameKey entryNameKeyOf(tagImagePoint const& point) {
    char field[sizeof point.name];
    std::memcpy(field, point.name, sizeof field);
    field[sizeof field - 1] = '\0';
    return keyOfField(field);
}

NameTable::NameTable(std::size_t expected) {
    std::size_t size = 16;
    while (size * 5 < expected * 8) size *= 2;  // at most five eighths full
    slots_->assign(size, Slot{});
    entries_->reserve(expected);
}

std::size_t NameTable::slotOf(NameKey const& key) const {
    auto const& slots = *slots_;
    auto const& entries = *entries_;
    std::size_t const mask = slots.size() - 1;
    auto const hash = static_cast<std::uint32_t>(key.hash);
    std::size_t slot = static_cast<std::size_t>(key.hash >> 32) & mask;
    for (;; slot = (slot + 1) & mask) {
        Slot const& candidate = slots[slot];
        if (candidate.entry == 0) return slot;
        if (candidate.hash == hash && NameKey::sameBytes(entries[candidate.entry - 1].bytes, key.bytes)) return slot;
    }
}

void NameTable::prefetch(NameKey const& key) const {
    auto const& slots = *slots_;
    __builtin_prefetch(&slots[static_cast<std::size_t>(key.hash >> 32) & (slots.size() - 1)]);
}

void NameTable::prefetchEntry(NameKey const& key) const {
    auto const& slots = *slots_;
    std::uint32_t const entry = slots[static_cast<std::size_t>(key.hash >> 32) & (slots.size() - 1)].entry;
    if (entry != 0) __builtin_prefetch(&(*entries_)[entry - 1]);
}

std::uint32_t* NameTable::find(NameKey const& key) {
    std::uint32_t const at = (*slots_)[slotOf(key)].entry;
    return at != 0 ? &(*entries_)[at - 1].value : nullptr;
}

void NameTable::grow() {
    auto& slots = *slots_;
    auto const& entries = *entries_;
    slots.assign(slots.size() * 2, Slot{});
    std::size_t const mask = slots.size() - 1;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        // The slot position comes from the hash's high half, which only the entry's key holds.
        std::uint64_t const hash = hashOf(entries[i].bytes);
        std::size_t slot = static_cast<std::size_t>(hash >> 32) & mask;
        while (slots[slot].entry != 0) slot = (slot + 1) & mask;
        slots[slot] = Slot{static_cast<std::uint32_t>(hash), static_cast<std::uint32_t>(i + 1)};
    }
}

std::pair<std::uint32_t*, bool> NameTable::tryEmplace(NameKey const& key, std::uint32_t value) {
    std::size_t slot = slotOf(key);
    auto& slots = *slots_;
    auto& entries = *entries_;
    if (slots[slot].entry != 0) return {&entries[slots[slot].entry - 1].value, false};
    if ((entries.size() + 1) * 8 > slots.size() * 5) {
        grow();
        slot = slotOf(key);
    }
    entries.push_back({key.bytes, value});
    slots[slot] = Slot{static_cast<std::uint32_t>(key.hash), static_cast<std::uint32_t>(entries.size())};
    return {&entries.back().value, true};
}

std::optional<std::pair<tagImagePoint, tagImagePoint>> imagePointsFromModelPoint(CONTROLPOINT_INFO const& entry,
                                                                                 std::int32_t modelNo) {
    if (entry.inUse != 1) return std::nullopt;
    auto make = [&](std::int32_t imageNo, double x, double y) {
        tagImagePoint point{};
        point.x = x;
        point.y = y;
        point.imageNo = imageNo;
        point.type = entry.type;
        std::memcpy(point.name, entry.name, sizeof point.name);
        point.name[sizeof point.name - 1] = '\0';
        return point;
    };
    return std::make_pair(make(modelNo, entry.leftX, entry.leftY), make(modelNo + 1, entry.rightX, entry.rightY));
}

ModelCommonPoint commonPointFromModelPoints(CONTROLPOINT_INFO const& first, CONTROLPOINT_INFO const& second,
                                            CONTROLPOINT_INFO const& nameSource) {
    ModelCommonPoint common{};
    std::memcpy(common.name, nameSource.name, sizeof common.name);
    common.name[sizeof common.name - 1] = '\0';
    common.x1 = first.leftX;
    common.y1 = first.leftY;
    common.x2 = first.rightX;
    common.y2 = first.rightY;
    common.x3 = second.rightX;
    common.y3 = second.rightY;
    return common;
}

}  // namespace yb::points
