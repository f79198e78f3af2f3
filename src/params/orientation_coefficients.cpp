// Readers of the orientation coefficient files. The files belong to the orientation library, which
// reads any of them into its orientation record; these readers take the coefficients from fixed
// offsets of that record (it is packed on 2-byte boundaries) and hand them back in the host's order.
#include "export_frame.h"

#include <yb/ybBlockFileIO.h>

#include <array>
#include <cstring>

namespace yb::params {
namespace {

// Room for the orientation record; the library fills at most 116 bytes of it.
constexpr std::size_t kOrientRecordSize = 128;

// Record offsets of the values, in the order the caller receives them.
constexpr std::array<std::size_t, 6> kInnerOffsets{0, 8, 16, 24, 32, 40};
constexpr std::array<std::size_t, 5> kRelativeOffsets{14, 22, 30, 38, 46};
constexpr std::array<std::size_t, 7> kAbsoluteOffsets{26, 34, 42, 50, 2, 10, 18};

using OrientRecord = std::array<unsigned char, kOrientRecordSize>;

double valueAt(OrientRecord const& record, std::size_t offset) {
    double value = 0.0;
    std::memcpy(&value, record.data() + offset, sizeof value);
    return value;
}

// Reads the record; the caller's array is filled only when the library succeeds.
template <std::size_t N>
std::int32_t readValues(char const* path, std::array<std::size_t, N> const& offsets, std::array<double, N>& values) {
    OrientRecord record{};
    std::int32_t const code = ybReadOrientCeff(path, record.data());
    if (code != kSuccess) return code;
    for (std::size_t i = 0; i < N; ++i) values[i] = valueAt(record, offsets[i]);
    return kSuccess;
}

std::int32_t readInner(char const* path, double* coefficients) {
    if (path == nullptr || coefficients == nullptr) return kInvalidArgument;
    std::array<double, kInnerOffsets.size()> values{};
    if (std::int32_t const code = readValues(path, kInnerOffsets, values); code != kSuccess) return code;
    std::memcpy(coefficients, values.data(), sizeof values);
    return kSuccess;
}

// The relative record holds five elements; the caller's six have a zero in the second place.
std::int32_t readRelative(char const* path, double* elements) {
    if (path == nullptr || elements == nullptr) return kInvalidArgument;
    std::array<double, kRelativeOffsets.size()> values{};
    if (std::int32_t const code = readValues(path, kRelativeOffsets, values); code != kSuccess) return code;
    elements[0] = values[0];
    elements[1] = 0.0;
    std::memcpy(elements + 2, values.data() + 1, (values.size() - 1) * sizeof(double));
    return kSuccess;
}

// The last four stored elements come first, then the first three.
std::int32_t readAbsolute(char const* path, double* elements) {
    if (path == nullptr || elements == nullptr) return kInvalidArgument;
    std::array<double, kAbsoluteOffsets.size()> values{};
    if (std::int32_t const code = readValues(path, kAbsoluteOffsets, values); code != kSuccess) return code;
    std::memcpy(elements, values.data(), sizeof values);
    return kSuccess;
}

}  // namespace
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
