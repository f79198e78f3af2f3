// ybblock info for ".ybi" images: header and embedded control points.
#include "commands.h"

#include <yb/YbiBase.h>

#include <iomanip>
#include <sstream>
#include <string>

namespace ybblock {
namespace {

char const* ybiCodeText(std::int32_t code) {
    switch (code) {
        case YBI_E_FILE_MISSING: return "file missing or cannot be opened";
        case YBI_E_BAD_MAGIC: return "not a .ybi image";
        case YBI_E_SHORT_FILE: return "the file ends inside its header or control point table";
        case YBI_E_BAD_CONTENT: return "damaged header or control point table";
        case YBI_E_NO_MEMORY: return "out of memory";
        default: return "error";
    }
}

std::string number(double value) {
    std::ostringstream text;
    text << std::setprecision(15) << value;
    return text.str();
}

int printYbi(std::string const& hostPath, Arguments const& args, std::ostream& out) {
    YbiHandle image = nullptr;
    std::int32_t code = ybOpenYbiFileForRead(hostPath.c_str(), &image);
    if (code != 0) {
        out << ".ybi image: cannot read (" << code << ", " << ybiCodeText(code) << ")\n";
        return 1;
    }
    std::int32_t lines = 0, cells = 0, count = 0;
    double dpi = 0, xMin = 0, xMax = 0, yMin = 0, yMax = 0;
    ybGetLines(image, &lines);
    ybGetLineCells(image, &cells);
    ybGetXResolution(image, &dpi);
    ybGetUserCoordinateRangle(image, 1, &xMin, &xMax, &yMin, &yMax);
    ybGetGCPNumsOfYBI(image, &count);
    out << ".ybi image\n"
        << "  lines x cells:      " << lines << " x " << cells << "\n"
        << "  resolution:         " << number(dpi) << " dots per inch\n"
        << "  user range x:       " << number(xMin) << " .. " << number(xMax) << "\n"
        << "  user range y:       " << number(yMin) << " .. " << number(yMax) << "\n"
        << "  control points:     " << count << "\n";
    long const limit = args.number("limit", 20);
    std::int32_t const shown = limit < 0 || limit > count ? count : static_cast<std::int32_t>(limit);
    if (shown > 0) out << "  no.  x  y  column  row\n";
    for (std::int32_t n = 1; n <= shown; ++n) {
        double x = 0, y = 0, column = 0, row = 0;
        ybGetOneControlPointOfYBI(image, n, &x, &y, &column, &row);
        out << "  " << n << "  " << number(x) << "  " << number(y) << "  " << number(column) << "  " << number(row)
            << "\n";
    }
    if (shown < count) out << "  ... " << (count - shown) << " more (--limit N shows more)\n";
    ybCloseYbiFileForRead(image);
    return 0;
}

InfoRegistration registration{{".ybi image",
                               [](std::string const&, std::string_view head) {
                                   return head.rfind(YBI_IMAGE_MAGIC, 0) == 0;
                               },
                               printYbi}};

}  // namespace
}  // namespace ybblock
