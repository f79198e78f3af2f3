// ybblock info for orientation coefficient files (inner, relative, absolute orientation).
#include "commands.h"

#include <yb/ybiOrient.h>

#include <array>
#include <cstring>
#include <iomanip>

namespace ybblock {
namespace {

char const* orientCodeText(std::int32_t code) {
    switch (code) {
        case ORIENT_E_FILE_MISSING: return "file missing or cannot be opened";
        case ORIENT_E_BAD_MAGIC: return "not a coefficient file, or an unknown kind or value count";
        case ORIENT_E_SHORT_FILE: return "the file ends before its values";
        default: return "error";
    }
}

int printCoefficients(std::string const& hostPath, Arguments const&, std::ostream& out) {
    std::array<unsigned char, 128> record{};
    std::int32_t code = ybReadOrientCeff(hostPath.c_str(), record.data());
    if (code != 0) {
        out << "orientation coefficient file: cannot read (" << code << ", " << orientCodeText(code) << ")\n";
        return 1;
    }
    static char const* const kindNames[] = {"inner orientation", "relative orientation", "absolute orientation"};
    std::int16_t kind = 0;
    std::memcpy(&kind, record.data() + ORIENT_RECORD_KIND_OFFSET, sizeof kind);
    if (kind < 0 || kind > 2) {
        out << "orientation coefficient file: unknown kind " << kind << "\n";
        return 1;
    }
    out << "orientation coefficient file\n"
        << "  kind:   " << kind << " (" << kindNames[kind] << ")\n"
        << "  values:\n"
        << std::setprecision(15);
    for (std::int32_t i = 0; i < ORIENT_RECORD_VALUE_COUNT[kind]; ++i) {
        double value = 0;
        std::memcpy(&value, record.data() + ORIENT_RECORD_FIRST_VALUE[kind] + 8 * static_cast<std::size_t>(i),
                    sizeof value);
        out << "    [" << i << "] " << value << "\n";
    }
    return 0;
}

InfoRegistration registration{{"orientation coefficient file",
                               [](std::string const&, std::string_view head) {
                                   return head.rfind(ORIENT_CEFF_MAGIC, 0) == 0;
                               },
                               printCoefficients}};

}  // namespace
}  // namespace ybblock
