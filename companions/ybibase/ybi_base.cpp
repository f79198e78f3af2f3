// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// YbiBase: file tests and the image handles of ".ybi" images.
//
// Opening an image reads its header and control point table into memory and closes the file again;
// the handle is the address of that copy, known to a registry so that a null, closed or foreign handle
// is answered with YBI_E_NULL_ARGUMENT. An image opened for update writes its table back when it is
// closed with ybCloseYbiFileForReadWrite, and only when the table changed; ybCloseYbiFileForRead never
// writes. The table's room (ybAllocControlPointFileOfYBI) is only a reservation: a fresh table of n
// points (ybInitialControlPointFileOfYBI) holds points 1 to n, all zero, until they are updated.
#include "ybi_image_file.h"

#include "call_barrier.h"
#include "handle_registry.h"

#include "fs.h"
#include "hostpath.h"

#include <yb/YbiBase.h>

#include <cstring>
#include <memory>
#include <string>

struct YbiImage {
    std::string path;  // the host path it was opened with
    bool forUpdate = false;
    bool tableChanged = false;
    yb::ybi::ImageContent content;
};

namespace yb::ybi {
namespace {

// The caller's buffer for the image's path holds 260 bytes.
constexpr std::size_t kPathBufferSize = 260;

companion::HandleRegistry<YbiImage>& liveImages() {
    static companion::HandleRegistry<YbiImage> registry;
    return registry;
}

template <class Action>
std::int32_t withImage(YbiHandle image, Action&& action) {
    return liveImages().with(image, YBI_E_NULL_ARGUMENT, std::forward<Action>(action));
}

// Like withImage, for the calls that change the table.
template <class Action>
std::int32_t withTable(YbiHandle image, Action&& action) {
    return withImage(image, [&](YbiImage& open) {
        if (!open.forUpdate) return YBI_E_READ_ONLY;
        std::int32_t code = action(open.content.points);
        if (code == 0) open.tableChanged = true;
        return code;
    });
}

bool validCount(std::int32_t count) { return count >= 0 && count <= YBI_MAX_CONTROL_POINTS; }

std::int32_t openImage(char const* path, YbiHandle* image, bool forUpdate) {
    if (image != nullptr) *image = nullptr;
    if (path == nullptr || image == nullptr) return YBI_E_NULL_ARGUMENT;
    auto open = std::make_unique<YbiImage>();
    if (std::int32_t code = readImageFile(path, open->content); code != 0) return code;
    if (forUpdate) {
        auto native = platform::nativePath(path);
        if (!native || !platform::openNative(*native, true)) return YBI_E_WRITE;
    }
    open->path = path;
    open->forUpdate = forUpdate;
    YbiImage* handle = open.get();
    liveImages().add(handle, std::move(open));
    *image = handle;
    return 0;
}

std::int32_t closeImage(YbiHandle image, bool writeBack) {
    std::unique_ptr<YbiImage> open = liveImages().take(image);
    if (!open) return YBI_E_NULL_ARGUMENT;
    if (!writeBack || !open->forUpdate || !open->tableChanged) return 0;
    return writeImageFile(open->path, open->content, true);
}

std::int32_t getRange(YbiHandle image, double* xMin, double* xMax, double* yMin, double* yMax) {
    if (xMin == nullptr || xMax == nullptr || yMin == nullptr || yMax == nullptr) return YBI_E_NULL_ARGUMENT;
    return withImage(image, [&](YbiImage& open) {
        D_RECT const& range = open.content.header.userRange;
        *xMin = range.xMin;
        *xMax = range.xMax;
        *yMin = range.yMin;
        *yMax = range.yMax;
        return 0;
    });
}

std::int32_t getPath(YbiHandle image, char* path) {
    if (path == nullptr) return YBI_E_NULL_ARGUMENT;
    return withImage(image, [&](YbiImage& open) {
        // Cut on a character boundary; only the text and its terminator are written, so a shorter
        // buffer is safe for a shorter path.
        char bounded[kPathBufferSize];
        platform::storeText(bounded, sizeof bounded, open.path);
        std::memcpy(path, bounded, std::strlen(bounded) + 1);
        return 0;
    });
}

std::int32_t updatePoint(YbiHandle image, std::int32_t pointNo, double x, double y, double column, double row) {
    return withTable(image, [&](std::vector<StoredControlPoint>& points) {
        if (pointNo < 1 || static_cast<std::size_t>(pointNo) > points.size()) return YBI_E_RANGE;
        points[static_cast<std::size_t>(pointNo) - 1] = {pointNo, x, y, column, row};
        return 0;
    });
}

std::int32_t getPoint(YbiHandle image, std::int32_t pointNo, double* x, double* y, double* column, double* row) {
    if (x == nullptr || y == nullptr || column == nullptr || row == nullptr) return YBI_E_NULL_ARGUMENT;
    return withImage(image, [&](YbiImage& open) {
        auto const& points = open.content.points;
        if (pointNo < 1 || static_cast<std::size_t>(pointNo) > points.size()) return YBI_E_RANGE;
        StoredControlPoint const& point = points[static_cast<std::size_t>(pointNo) - 1];
        *x = point.x;
        *y = point.y;
        *column = point.column;
        *row = point.row;
        return 0;
    });
}

std::int32_t createImage(char const* path, std::int32_t lines, std::int32_t cells, double dotsPerInch,
                         D_RECT const& userRange) {
    if (path == nullptr) return YBI_E_NULL_ARGUMENT;
    ImageContent content;
    content.header = {lines, cells, dotsPerInch, userRange};
    if (!headerIsValid(content.header)) return YBI_E_RANGE;
    return writeImageFile(path, content, false);
}

template <class Worker>
std::int32_t guarded(Worker&& worker) {
    return platform::callBarrier(YBI_E_NO_MEMORY, YBI_E_BAD_CONTENT, std::forward<Worker>(worker));
}

// Runs a getter of one header value.
template <class Value, class Getter>
std::int32_t headerValue(YbiHandle image, Value* value, Getter getter) {
    return guarded([&] {
        if (value == nullptr) return YBI_E_NULL_ARGUMENT;
        return withImage(image, [&](YbiImage& open) {
            *value = getter(open.content.header);
            return 0;
        });
    });
}

}  // namespace
}  // namespace yb::ybi

using yb::ybi::guarded;

std::int32_t ybIsFileExist(char const* path) {
    // A path that cannot even be looked at names no file.
    return guarded([&] { return yb::platform::isRegularFile(path) ? 1 : 0; }) == 1 ? 1 : 0;
}

std::int32_t ybOpenYbiFileForRead(char const* path, YbiHandle* image) {
    return guarded([&] { return yb::ybi::openImage(path, image, false); });
}

std::int32_t ybCloseYbiFileForRead(YbiHandle image) {
    return guarded([&] { return yb::ybi::closeImage(image, false); });
}

std::int32_t ybOpenYbiFileForReadWrite(char const* path, YbiHandle* image) {
    return guarded([&] { return yb::ybi::openImage(path, image, true); });
}

std::int32_t ybCloseYbiFileForReadWrite(YbiHandle image) {
    return guarded([&] { return yb::ybi::closeImage(image, true); });
}

std::int32_t ybGetUserCoordinateRangle(YbiHandle image, std::int32_t, double* xMin, double* xMax, double* yMin,
                                       double* yMax) {
    return guarded([&] { return yb::ybi::getRange(image, xMin, xMax, yMin, yMax); });
}

std::int32_t ybGetGCPNumsOfYBI(YbiHandle image, std::int32_t* count) {
    return guarded([&] {
        if (count == nullptr) return YBI_E_NULL_ARGUMENT;
        return yb::ybi::withImage(image, [&](YbiImage& open) {
            *count = static_cast<std::int32_t>(open.content.points.size());
            return 0;
        });
    });
}

std::int32_t ybFreeControlPointFileOfYBI(YbiHandle image) {
    return guarded([&] {
        return yb::ybi::withTable(image, [](auto& points) {
            points.clear();
            points.shrink_to_fit();
            return 0;
        });
    });
}

std::int32_t ybAllocControlPointFileOfYBI(YbiHandle image, std::int32_t count) {
    return guarded([&] {
        return yb::ybi::withTable(image, [&](auto& points) {
            if (!yb::ybi::validCount(count)) return YBI_E_RANGE;
            points.reserve(static_cast<std::size_t>(count));
            return 0;
        });
    });
}

std::int32_t ybInitialControlPointFileOfYBI(YbiHandle image, std::int32_t count) {
    return guarded([&] {
        return yb::ybi::withTable(image, [&](auto& points) {
            if (!yb::ybi::validCount(count)) return YBI_E_RANGE;
            points.assign(static_cast<std::size_t>(count), {});
            for (std::int32_t i = 0; i < count; ++i) points[static_cast<std::size_t>(i)].number = i + 1;
            return 0;
        });
    });
}

std::int32_t ybGetLines(YbiHandle image, std::int32_t* lines) {
    return yb::ybi::headerValue(image, lines, [](auto const& header) { return header.lines; });
}

std::int32_t ybGetLineCells(YbiHandle image, std::int32_t* cells) {
    return yb::ybi::headerValue(image, cells, [](auto const& header) { return header.cells; });
}

std::int32_t ybUpdataOneControlPointOfYBI(YbiHandle image, std::int32_t pointNo, std::int32_t, std::int32_t, double x,
                                          double y, double column, double row) {
    return guarded([&] { return yb::ybi::updatePoint(image, pointNo, x, y, column, row); });
}

std::int32_t ybGetYBIFileNmaeWithPath(YbiHandle image, char* path) {
    return guarded([&] { return yb::ybi::getPath(image, path); });
}

std::int32_t ybGetXResolution(YbiHandle image, double* dotsPerInch) {
    return yb::ybi::headerValue(image, dotsPerInch, [](auto const& header) { return header.dotsPerInch; });
}

std::int32_t ybCreateYbiFile(char const* path, std::int32_t lines, std::int32_t cells, double dotsPerInch,
                             D_RECT const& userRange) {
    return guarded([&] { return yb::ybi::createImage(path, lines, cells, dotsPerInch, userRange); });
}

std::int32_t ybGetOneControlPointOfYBI(YbiHandle image, std::int32_t pointNo, double* x, double* y, double* column,
                                       double* row) {
    return guarded([&] { return yb::ybi::getPoint(image, pointNo, x, y, column, row); });
}
