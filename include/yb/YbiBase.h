// YbiBase: the ".ybi" image library. Result codes: 0 success, otherwise one of YBI_E_* below (the range
// 7100001..7100099). Handles are opaque; a null, closed or foreign handle gives YBI_E_NULL_ARGUMENT.
// The mode argument of ybGetUserCoordinateRangle and the two flags of ybUpdataOneControlPointOfYBI are
// not examined.
#ifndef YB_YBIBASE_H
#define YB_YBIBASE_H

#include <yb/ybTypes.h>

#include <cstdint>

inline constexpr std::int32_t YBI_E_FILE_MISSING = 7100001;  // the image file does not exist or cannot be opened
inline constexpr std::int32_t YBI_E_BAD_MAGIC = 7100002;     // the file is not a .ybi image
inline constexpr std::int32_t YBI_E_NULL_ARGUMENT = 7100003; // null or foreign handle (or one already closed), null pointer
inline constexpr std::int32_t YBI_E_SHORT_FILE = 7100004;    // the file ends inside its header or point table
inline constexpr std::int32_t YBI_E_RANGE = 7100005;         // a point number, count, size or resolution out of range
inline constexpr std::int32_t YBI_E_WRITE = 7100006;         // the file cannot be written
inline constexpr std::int32_t YBI_E_READ_ONLY = 7100007;     // the image was opened for reading only
inline constexpr std::int32_t YBI_E_BAD_CONTENT = 7100008;   // a damaged header or point table
inline constexpr std::int32_t YBI_E_NO_MEMORY = 7100009;     // out of memory

// A .ybi image starts with this magic (no terminator).
inline constexpr char YBI_IMAGE_MAGIC[] = "YBI_IMAGE_FILE_VER1.0";
// The most control points one image's table may hold.
inline constexpr std::int32_t YBI_MAX_CONTROL_POINTS = 1000000;

YB_API std::int32_t ybIsFileExist(char const* path);          // non-zero when a regular file exists there
YB_API std::int32_t ybOpenYbiFileForRead(char const* path, YbiHandle* image);
YB_API std::int32_t ybCloseYbiFileForRead(YbiHandle image);
YB_API std::int32_t ybOpenYbiFileForReadWrite(char const* path, YbiHandle* image);
YB_API std::int32_t ybCloseYbiFileForReadWrite(YbiHandle image);  // writes back and closes
YB_API std::int32_t ybGetUserCoordinateRangle(YbiHandle image, std::int32_t mode, double* xMin, double* xMax, double* yMin,
                                              double* yMax);
YB_API std::int32_t ybGetGCPNumsOfYBI(YbiHandle image, std::int32_t* count);
YB_API std::int32_t ybFreeControlPointFileOfYBI(YbiHandle image);
YB_API std::int32_t ybAllocControlPointFileOfYBI(YbiHandle image, std::int32_t count);
YB_API std::int32_t ybInitialControlPointFileOfYBI(YbiHandle image, std::int32_t count);
YB_API std::int32_t ybGetLines(YbiHandle image, std::int32_t* lines);
YB_API std::int32_t ybGetLineCells(YbiHandle image, std::int32_t* cells);
YB_API std::int32_t ybUpdataOneControlPointOfYBI(YbiHandle image, std::int32_t pointNo, std::int32_t a, std::int32_t b,
                                                 double x, double y, double column, double row);
YB_API std::int32_t ybGetYBIFileNmaeWithPath(YbiHandle image, char* path);  // path buffer of 260 bytes
YB_API std::int32_t ybGetXResolution(YbiHandle image, double* dotsPerInch);

// authoring and inspection, for tools and tests
YB_API std::int32_t ybCreateYbiFile(char const* path, std::int32_t lines, std::int32_t cells, double dotsPerInch,
                                    D_RECT const& userRange);
YB_API std::int32_t ybGetOneControlPointOfYBI(YbiHandle image, std::int32_t pointNo, double* x, double* y,
                                              double* column, double* row);

#endif
