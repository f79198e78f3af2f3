// ybblock info for block GCP layout files: every control point and the images it is measured on.
#include "commands.h"

#include <yb/ybBlockFileIO.h>

#include <algorithm>
#include <cctype>
#include <vector>

namespace ybblock {
namespace {

// The caller's 32 bytes of a record, as text when they hold one, else as hex.
std::string callerBytes(BLOCKGCPLAYOUTINFO const& record) {
    auto const* bytes = record.callerData;
    std::size_t length = 0;
    while (length < sizeof record.callerData && bytes[length] != 0) ++length;
    bool printable = length > 0 && std::all_of(bytes, bytes + length, [](unsigned char c) { return c >= 0x20; });
    if (printable) return fieldText(reinterpret_cast<char const*>(bytes), sizeof record.callerData);
    static char const digits[] = "0123456789abcdef";
    std::string hex;
    for (unsigned char c : record.callerData) {
        hex += digits[c >> 4];
        hex += digits[c & 15];
    }
    return hex;
}

int printGcpLayout(std::string const& hostPath, Arguments const& args, std::ostream& out) {
    std::int32_t count = 0;
    std::int32_t code = ybGetGcpNumsOfGcpLayoutFile(hostPath.c_str(), &count);
    std::vector<BLOCKGCPLAYOUTINFO> records(static_cast<std::size_t>(std::max(count, 0)));
    if (code == 0) code = ybReadBlockGcpLayoutFile(hostPath.c_str(), records.data(), &count);
    if (code != 0) {
        out << "GCP layout file: cannot read (" << code << ", " << describeCode(code) << ")\n";
        return 1;
    }
    out << "block GCP layout file\n  control points: " << count << "\n";
    long const limit = args.number("limit", 20);
    long shown = 0;
    for (auto const& record : records) {
        if (limit >= 0 && shown >= limit) {
            out << "  (" << shown << " of " << count << " points listed; --limit N shows more)\n";
            break;
        }
        ++shown;
        out << "  " << callerBytes(record) << ": " << record.imageCount << " images";
        std::int32_t const n = std::clamp(record.imageCount, 0, 12);
        for (std::int32_t i = 0; i < n; ++i) out << (i == 0 ? " " : ", ") << record.imageNo[i];
        if (record.imageCount != n) out << " (count out of range)";
        out << "\n";
    }
    return 0;
}

InfoRegistration registration{{"block GCP layout file",
                               [](std::string const&, std::string_view head) {
                                   return head.rfind("YB_BLOCK_GCP_LAYOUT_FILE_VER1.0", 0) == 0;
                               },
                               printGcpLayout}};

}  // namespace
}  // namespace ybblock
