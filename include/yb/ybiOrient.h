// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
/// \file
/// ybiOrient: orientation coefficient files and model point sets.
/// Result codes: 0 success, otherwise one of ORIENT_E_* below (the range 7200001..7200099).
#ifndef YB_YBIORIENT_H
#define YB_YBIORIENT_H

#include <yb/ybTypes.h>

#include <cstddef>
#include <cstdint>

/// \addtogroup resultcodes
/// @{

/// the coefficient file does not exist or cannot be opened
inline constexpr std::int32_t ORIENT_E_FILE_MISSING = 7200001;
/// not a coefficient file, or an unknown kind or value count
inline constexpr std::int32_t ORIENT_E_BAD_MAGIC = 7200002;
inline constexpr std::int32_t ORIENT_E_NULL_ARGUMENT = 7200003;  ///< null set, record, path or value pointer
inline constexpr std::int32_t ORIENT_E_SHORT_FILE = 7200004;     ///< the file ends before its values
inline constexpr std::int32_t ORIENT_E_RANGE = 7200005;  ///< index, kind or capacity out of range; a damaged set header
inline constexpr std::int32_t ORIENT_E_NO_MEMORY = 7200006;    ///< a set cannot be allocated or grown
inline constexpr std::int32_t ORIENT_E_WRITE = 7200007;        ///< the coefficient file cannot be written
inline constexpr std::int32_t ORIENT_E_UNKNOWN_SET = 7200008;  ///< a set this library did not make, or has freed
/// @}

// Kinds of coefficient file.
inline constexpr std::int32_t ORIENT_KIND_INNER = 0;     ///< 6 values
inline constexpr std::int32_t ORIENT_KIND_RELATIVE = 1;  ///< 5 values
inline constexpr std::int32_t ORIENT_KIND_ABSOLUTE = 2;  ///< 7 values

/// The coefficient file starts with this magic (no terminator).
inline constexpr char ORIENT_CEFF_MAGIC[] = "YBI_ORIENT_COEFFICIENT_FILE_VER1.0";

/// The orientation record that ybReadOrientCeff fills is packed on 2-byte boundaries: the values of the
/// file's kind as doubles from the first offset below, 8 bytes apart, and the kind as a 16-bit integer
/// at byte 58. Bytes 0 to 59 are written (unused ones zero), nothing beyond them.
inline constexpr std::size_t ORIENT_RECORD_FIRST_VALUE[3] = {0, 14, 2};
inline constexpr std::int32_t ORIENT_RECORD_VALUE_COUNT[3] = {6, 5, 7};  ///< values of each kind
inline constexpr std::size_t ORIENT_RECORD_KIND_OFFSET = 58;             ///< where the kind lies
inline constexpr std::size_t ORIENT_RECORD_FILLED_BYTES = 60;            ///< bytes written

/// Reads a coefficient file into the orientation record, as the ORIENT_RECORD_* constants lay it out.
/// \param path the orientation coefficient file
/// \param[out] record receives the orientation record (caller's 128 bytes at least)
/// \return 0 or one of ORIENT_E_* (\ref resultcodes)
YB_API std::int32_t ybReadOrientCeff(char const* path, void* record);
/// Writes the values of one kind as a coefficient file.
/// \param path the orientation coefficient file (created or replaced)
/// \param kind 0 inner (6 values), 1 relative (5), 2 absolute (7)
/// \param values the values of the kind
/// \return 0 or one of ORIENT_E_* (\ref resultcodes)
YB_API std::int32_t ybWriteOrientCeff(char const* path, std::int32_t kind, double const* values);

// Model point sets. Only sets made by ybAllocControlPointMem are accepted; a set grows when an entry is
// added to a full one. The mode arguments are not examined.
/// Makes a new model point set.
/// \param[out] set receives the new set (release it with ybFreeControlPointMem)
/// \param capacity the entries it has room for at first
/// \return 0 or one of ORIENT_E_* (\ref resultcodes)
YB_API std::int32_t ybAllocControlPointMem(CONTROLPOINT_STORAGE** set, std::int32_t capacity);
/// Empties a set (its count becomes 0).
/// \param set the set
/// \param mode not examined
/// \return 0 or one of ORIENT_E_* (\ref resultcodes)
YB_API std::int32_t ybInitControlPoint(CONTROLPOINT_STORAGE* set, std::int32_t mode);
/// Adds one entry to a set; a full set grows.
/// \param set the set
/// \param info the entry to add
/// \param mode not examined
/// \return 0 or one of ORIENT_E_* (\ref resultcodes)
YB_API std::int32_t ybAddOneGcpPoint(CONTROLPOINT_STORAGE* set, CONTROLPOINT_INFO info, std::int32_t mode);
/// The number of entries of a set.
/// \param set the set
/// \param[out] count receives the count
/// \return 0 or one of ORIENT_E_* (\ref resultcodes)
YB_API std::int32_t ybGetGcpNum(CONTROLPOINT_STORAGE* set, std::int32_t* count);
/// Copies one entry of a set.
/// \param set the set
/// \param[out] info receives the entry
/// \param index the entry, from 0
/// \return 0 or one of ORIENT_E_* (\ref resultcodes)
YB_API std::int32_t ybGetOneGcpInfo(CONTROLPOINT_STORAGE* set, CONTROLPOINT_INFO* info, std::int32_t index);
/// Releases a set and its entries.
/// \param set the set; not valid afterwards
/// \return 0 or one of ORIENT_E_* (\ref resultcodes)
YB_API std::int32_t ybFreeControlPointMem(CONTROLPOINT_STORAGE* set);

#endif
