// ybiOrient: orientation coefficient files and model point sets.
// Result codes: 0 success, otherwise one of ORIENT_E_* below.
#ifndef YB_YBIORIENT_H
#define YB_YBIORIENT_H

#include <yb/ybTypes.h>

#include <cstdint>

inline constexpr std::int32_t ORIENT_E_FILE_MISSING = 7200001;  // the coefficient file does not exist or cannot be opened
inline constexpr std::int32_t ORIENT_E_BAD_MAGIC = 7200002;     // not a coefficient file, or an unknown kind
inline constexpr std::int32_t ORIENT_E_NULL_ARGUMENT = 7200003; // null set, record, path or value pointer
inline constexpr std::int32_t ORIENT_E_SHORT_FILE = 7200004;    // the file ends before its values
inline constexpr std::int32_t ORIENT_E_RANGE = 7200005;         // index, kind or capacity out of range
inline constexpr std::int32_t ORIENT_E_NO_MEMORY = 7200006;     // a set cannot be allocated or grown
inline constexpr std::int32_t ORIENT_E_WRITE = 7200007;         // the coefficient file cannot be written

YB_API std::int32_t ybReadOrientCeff(char const* path, void* record);  // record: at least 128 bytes
YB_API std::int32_t ybWriteOrientCeff(char const* path, std::int32_t kind, double const* values);
// kind 0 inner (6 values), 1 relative (5), 2 absolute (7)
YB_API std::int32_t ybAllocControlPointMem(CONTROLPOINT_STORAGE** set, std::int32_t capacity);
YB_API std::int32_t ybInitControlPoint(CONTROLPOINT_STORAGE* set, std::int32_t mode);
YB_API std::int32_t ybAddOneGcpPoint(CONTROLPOINT_STORAGE* set, CONTROLPOINT_INFO info, std::int32_t mode);
YB_API std::int32_t ybGetGcpNum(CONTROLPOINT_STORAGE* set, std::int32_t* count);
YB_API std::int32_t ybGetOneGcpInfo(CONTROLPOINT_STORAGE* set, CONTROLPOINT_INFO* info, std::int32_t index);
YB_API std::int32_t ybFreeControlPointMem(CONTROLPOINT_STORAGE* set);

#endif
