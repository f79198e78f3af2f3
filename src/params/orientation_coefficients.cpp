// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// Readers of the orientation coefficient files. The files belong to the orientation library, which
// reads any of them into its orientation record; these readers take the coefficients from fixed
// offsets of that record (it is packed on 2-byte boundaries) and hand them back in the host's order.
#include "export_frame.h"
#include "params/parameter_files.h"

#include "fs.h"
#include "orient_coefficient_format.h"

#include <yb/ybBlockFileIO.h>
#include <yb/ybiOrient.h>

#include <array>
#include <cstring>

namespace yb::params {
namespace {

// Room for the orientation record, as the host allocates it.
constexpr std::size_t kOrientRecordSize = 128;
static_assert(ORIENT_RECORD_FILLED_BYTES <= kOrientRecordSize);

// Which stored values the caller receives, in its order.
constexpr std::array<std::size_t, 6> kInnerOrder{0, 1, 2, 3, 4, 5};
constexpr std::array<std::size_t, 5> kRelativeOrder{0, 1, 2, 3, 4};
constexpr std::array<std::size_t, 7> kAbsoluteOrder{3, 4, 5, 6, 0, 1, 2};
static_assert(kInnerOrder.size() == ORIENT_RECORD_VALUE_COUNT[ORIENT_KIND_INNER] &&
              kRelativeOrder.size() == ORIENT_RECORD_VALUE_COUNT[ORIENT_KIND_RELATIVE] &&
              kAbsoluteOrder.size() == ORIENT_RECORD_VALUE_COUNT[ORIENT_KIND_ABSOLUTE]);

using OrientRecord = std::array<unsigned char, kOrientRecordSize>;

// Takes the kind's values from where the orientation library puts them in its record, once `read` has
// filled it; the caller's array is filled only when the reading succeeds.
template <std::size_t N, class Read>
std::int32_t takeValues(Read const& read, std::int32_t kind, std::array<std::size_t, N> const& order,
                        std::array<double, N>& values) {
    OrientRecord record{};
    std::int32_t const code = read(record.data());
    if (code != kSuccess) return code;
    for (std::size_t i = 0; i < N; ++i)
        std::memcpy(&values[i], record.data() + ORIENT_RECORD_FIRST_VALUE[kind] + sizeof(double) * order[i],
                    sizeof(double));
    return kSuccess;
}

// The same for the file at `path`, read by the orientation library.
template <std::size_t N>
std::int32_t readValues(char const* path, std::int32_t kind, std::array<std::size_t, N> const& order,
                        std::array<double, N>& values) {
    return takeValues([path](void* record) { return ybReadOrientCeff(path, record); }, kind, order, values);
}

// The relative record holds five elements; the caller's six have a zero in the second place.
std::int32_t readRelative(char const* path, double* elements) {
    if (path == nullptr || elements == nullptr) return kInvalidArgument;
    std::array<double, kRelativeOrder.size()> values{};
    if (std::int32_t const code = readValues(path, ORIENT_KIND_RELATIVE, kRelativeOrder, values); code != kSuccess)
        return code;
    elements[0] = values[0];
    elements[1] = 0.0;
    std::memcpy(elements + 2, values.data() + 1, (values.size() - 1) * sizeof(double));
    return kSuccess;
}

// The last four stored elements come first, then the first three.
std::int32_t readAbsolute(char const* path, double* elements) {
    if (path == nullptr || elements == nullptr) return kInvalidArgument;
    std::array<double, kAbsoluteOrder.size()> values{};
    if (std::int32_t const code = readValues(path, ORIENT_KIND_ABSOLUTE, kAbsoluteOrder, values); code != kSuccess)
        return code;
    std::memcpy(elements, values.data(), sizeof values);
    return kSuccess;
}

}  // namespace

std::int32_t readInner(char const* path, double* coefficients) {
    if (path == nullptr || coefficients == nullptr) return kInvalidArgument;
    std::array<double, kInnerOrder.size()> values{};
    if (std::int32_t const code = readValues(path, ORIENT_KIND_INNER, kInnerOrder, values); code != kSuccess)
        return code;
    std::memcpy(coefficients, values.data(), sizeof values);
    return kSuccess;
}

std::int32_t readInner(platform::FoundFile const& found, double* coefficients) {
    if (coefficients == nullptr) return kInvalidArgument;
    std::array<double, kInnerOrder.size()> values{};
    auto const read = [&found](void* record) {
        platform::File file = platform::openFoundFile(found);
        return orient::readCoefficientFile(file.get(), record);
    };
    if (std::int32_t const code = takeValues(read, ORIENT_KIND_INNER, kInnerOrder, values); code != kSuccess)
        return code;
    std::memcpy(coefficients, values.data(), sizeof values);
    return kSuccess;
}

}  // namespace yb::params

std::int32_t ybReadInnefCeff(char const* path, double* coefficients) {
    return yb::frame::guarded([&] { return yb::params::readInner(path, coefficients); });
}

std::int32_t ybReadSingleRelaCeff(char const* path, double* elements) {
    return yb::frame::guarded([&] { return yb::params::readRelative(path, elements); });
}

std::int32_t ybReadAbsoluteCeff(char const* path, double* elements) {
    return yb::frame::guarded([&] { return yb::params::readAbsolute(path, elements); });
}
