// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
/// \file
/// YbiBase: the ".ybi" image library. Result codes: 0 success, otherwise one of YBI_E_* below (the range
/// 7100001..7100099). Handles are opaque; a null, closed or foreign handle gives YBI_E_NULL_ARGUMENT.
/// The mode argument of ybGetUserCoordinateRangle and the two flags of ybUpdataOneControlPointOfYBI are
/// not examined.
#ifndef YB_YBIBASE_H
#define YB_YBIBASE_H

#include <yb/ybTypes.h>

#include <cstdint>

/// \addtogroup resultcodes
/// @{
inline constexpr std::int32_t YBI_E_FILE_MISSING = 7100001;  ///< the image file does not exist or cannot be opened
inline constexpr std::int32_t YBI_E_BAD_MAGIC = 7100002;     ///< the file is not a .ybi image
/// null or foreign handle (or one already closed), null pointer
inline constexpr std::int32_t YBI_E_NULL_ARGUMENT = 7100003;
inline constexpr std::int32_t YBI_E_SHORT_FILE = 7100004;   ///< the file ends inside its header or point table
inline constexpr std::int32_t YBI_E_RANGE = 7100005;        ///< a point number, count, size or resolution out of range
inline constexpr std::int32_t YBI_E_WRITE = 7100006;        ///< the file cannot be written
inline constexpr std::int32_t YBI_E_READ_ONLY = 7100007;    ///< the image was opened for reading only
inline constexpr std::int32_t YBI_E_BAD_CONTENT = 7100008;  ///< a damaged header or point table
inline constexpr std::int32_t YBI_E_NO_MEMORY = 7100009;    ///< out of memory
/// @}

/// A .ybi image starts with this magic (no terminator).
inline constexpr char YBI_IMAGE_MAGIC[] = "YBI_IMAGE_FILE_VER1.0";
/// The most control points one image's table may hold.
inline constexpr std::int32_t YBI_MAX_CONTROL_POINTS = 1000000;

/// Non-zero when a regular file exists there.
/// \param path the path (host path)
/// \return non-zero when a regular file exists there, else 0
YB_API std::int32_t ybIsFileExist(char const* path);
/// Opens an image for reading.
/// \param path the image file (".ybi")
/// \param[out] image receives the handle
/// \return 0 or one of YBI_E_* (\ref resultcodes)
YB_API std::int32_t ybOpenYbiFileForRead(char const* path, YbiHandle* image);
/// Closes an image opened for reading.
/// \param image the handle; not valid afterwards
/// \return 0 or one of YBI_E_* (\ref resultcodes)
YB_API std::int32_t ybCloseYbiFileForRead(YbiHandle image);
/// Opens an image for reading and changing its control point table.
/// \param path the image file (".ybi")
/// \param[out] image receives the handle
/// \return 0 or one of YBI_E_* (\ref resultcodes)
YB_API std::int32_t ybOpenYbiFileForReadWrite(char const* path, YbiHandle* image);
/// Writes back and closes.
/// \param image the handle; not valid afterwards
/// \return 0 or one of YBI_E_* (\ref resultcodes)
YB_API std::int32_t ybCloseYbiFileForReadWrite(YbiHandle image);
/// The user coordinate range of the image.
/// \param image the open image (from ybOpenYbiFileForRead or ybOpenYbiFileForReadWrite)
/// \param mode not examined
/// \param[out] xMin receives the smallest x
/// \param[out] xMax receives the largest x
/// \param[out] yMin receives the smallest y
/// \param[out] yMax receives the largest y
/// \return 0 or one of YBI_E_* (\ref resultcodes)
YB_API std::int32_t ybGetUserCoordinateRangle(YbiHandle image, std::int32_t mode, double* xMin, double* xMax,
                                              double* yMin, double* yMax);
/// The number of control points in the image's table.
/// \param image the open image (from ybOpenYbiFileForRead or ybOpenYbiFileForReadWrite)
/// \param[out] count receives the count
/// \return 0 or one of YBI_E_* (\ref resultcodes)
YB_API std::int32_t ybGetGCPNumsOfYBI(YbiHandle image, std::int32_t* count);
/// Empties the image's control point table.
/// \param image the open image (from ybOpenYbiFileForRead or ybOpenYbiFileForReadWrite)
/// \return 0 or one of YBI_E_* (\ref resultcodes)
YB_API std::int32_t ybFreeControlPointFileOfYBI(YbiHandle image);
/// Makes room for `count` control points in the image's table.
/// \param image the open image (from ybOpenYbiFileForRead or ybOpenYbiFileForReadWrite)
/// \param count the number of control points
/// \return 0 or one of YBI_E_* (\ref resultcodes)
YB_API std::int32_t ybAllocControlPointFileOfYBI(YbiHandle image, std::int32_t count);
/// Sets the image's control point table to `count` zeroed points.
/// \param image the open image (from ybOpenYbiFileForRead or ybOpenYbiFileForReadWrite)
/// \param count the number of control points
/// \return 0 or one of YBI_E_* (\ref resultcodes)
YB_API std::int32_t ybInitialControlPointFileOfYBI(YbiHandle image, std::int32_t count);
/// The number of lines of the image.
/// \param image the open image (from ybOpenYbiFileForRead or ybOpenYbiFileForReadWrite)
/// \param[out] lines receives the number of lines
/// \return 0 or one of YBI_E_* (\ref resultcodes)
YB_API std::int32_t ybGetLines(YbiHandle image, std::int32_t* lines);
/// The number of cells in a line of the image.
/// \param image the open image (from ybOpenYbiFileForRead or ybOpenYbiFileForReadWrite)
/// \param[out] cells receives the number of cells in a line
/// \return 0 or one of YBI_E_* (\ref resultcodes)
YB_API std::int32_t ybGetLineCells(YbiHandle image, std::int32_t* cells);
/// Replaces control point `pointNo` of the image's table.
/// \param image the open image (from ybOpenYbiFileForRead or ybOpenYbiFileForReadWrite)
/// \param pointNo the point number, from 1
/// \param a not examined
/// \param b not examined
/// \param x the ground x coordinate
/// \param y the ground y coordinate
/// \param column the column on the image
/// \param row the row on the image
/// \return 0 or one of YBI_E_* (\ref resultcodes)
YB_API std::int32_t ybUpdataOneControlPointOfYBI(YbiHandle image, std::int32_t pointNo, std::int32_t a, std::int32_t b,
                                                 double x, double y, double column, double row);
/// Path buffer of 260 bytes.
/// \param image the open image (from ybOpenYbiFileForRead or ybOpenYbiFileForReadWrite)
/// \param[out] path receives the image's path (caller's 260 bytes)
/// \return 0 or one of YBI_E_* (\ref resultcodes)
YB_API std::int32_t ybGetYBIFileNmaeWithPath(YbiHandle image, char* path);
/// The image's resolution.
/// \param image the open image (from ybOpenYbiFileForRead or ybOpenYbiFileForReadWrite)
/// \param[out] dotsPerInch receives the resolution in dots per inch
/// \return 0 or one of YBI_E_* (\ref resultcodes)
YB_API std::int32_t ybGetXResolution(YbiHandle image, double* dotsPerInch);

/// \name authoring and inspection, for tools and tests
/// @{

/// Makes an image with no embedded control points (authoring and inspection, for tools and tests).
/// \param path the image file (".ybi") to create
/// \param lines the number of lines
/// \param cells the number of cells in a line
/// \param dotsPerInch the resolution in dots per inch
/// \param userRange the user coordinate range that ybGetUserCoordinateRangle reports
/// \return 0 or one of YBI_E_* (\ref resultcodes)
YB_API std::int32_t ybCreateYbiFile(char const* path, std::int32_t lines, std::int32_t cells, double dotsPerInch,
                                    D_RECT const& userRange);
/// Reads control point `pointNo` of the image's table (authoring and inspection, for tools and tests).
/// \param image the open image (from ybOpenYbiFileForRead or ybOpenYbiFileForReadWrite)
/// \param pointNo the point number, from 1
/// \param[out] x receives the ground x coordinate
/// \param[out] y receives the ground y coordinate
/// \param[out] column receives the column
/// \param[out] row receives the row
/// \return 0 or one of YBI_E_* (\ref resultcodes)
YB_API std::int32_t ybGetOneControlPointOfYBI(YbiHandle image, std::int32_t pointNo, double* x, double* y,
                                              double* column, double* row);

/// @}

#endif
