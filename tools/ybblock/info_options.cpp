// ybblock info for the model and product option files and the coordinate conversion file (".ctp").
#include "commands.h"

#include <yb/ybBlockFileIO.h>

#include <cstring>
#include <filesystem>
#include <iomanip>

namespace ybblock {
namespace {

constexpr std::uintmax_t kSingleImageDomFileSize = 31 + sizeof(SingleImageDomOption);

int cannotRead(std::ostream& out, char const* kind, std::int32_t code) {
    out << kind << ": cannot read (" << code << ", " << describeCode(code) << ")\n";
    return 1;
}

bool startsWith(std::string_view head, std::string_view magic) { return head.substr(0, magic.size()) == magic; }

int printModelOption(std::string const& hostPath, Arguments const&, std::ostream& out) {
    ModelInfo info{};
    if (std::int32_t code = ybReadModelOptionFile(hostPath.c_str(), &info))
        return cannotRead(out, "model option file", code);
    out << "model option file\n"
        << "  model name:  " << fieldText(info.modelName, sizeof info.modelName) << "\n"
        << "  left image:  " << fieldText(info.leftImage, sizeof info.leftImage) << "\n"
        << "  right image: " << fieldText(info.rightImage, sizeof info.rightImage) << "\n"
        << "  host texts:  \"" << fieldText(info.hostText0, sizeof info.hostText0) << "\", \""
        << fieldText(info.hostText1, sizeof info.hostText1) << "\"\n";
    return 0;
}

int printOrthoMapOption(std::string const& hostPath, Arguments const& args, std::ostream& out) {
    std::error_code error;
    if (std::filesystem::file_size(args.positional.at(0), error) == kSingleImageDomFileSize) {
        SingleImageDomOption option{};
        if (std::int32_t code = ybReadSingleImgDomOption(hostPath.c_str(), &option))
            return cannotRead(out, "single-image DOM option file", code);
        out << "single-image DOM option file\n  record: " << sizeof option.bytes << " bytes (host options)\n";
        return 0;
    }
    OrthoInfo info{};
    if (std::int32_t code = ybReadOrthoMapOption(hostPath.c_str(), &info))
        return cannotRead(out, "ortho map option file", code);
    D_RECT const rect = info.domRect;
    out << "ortho map option file\n" << std::setprecision(12)
        << "  DOM rectangle: x " << rect.xMin << " .. " << rect.xMax << ", y " << rect.yMin << " .. " << rect.yMax
        << "\n  extent image:  " << fieldText(info.extentImage, sizeof info.extentImage) << "\n";
    return 0;
}

int printSingleDomOption(std::string const& hostPath, Arguments const&, std::ostream& out) {
    eTypeMathModel model{};
    if (std::int32_t code = ybReadSingleDomOption(hostPath.c_str(), &model))
        return cannotRead(out, "single DOM option file", code);
    out << "single DOM option file\n  math model: " << static_cast<std::int32_t>(model) << "\n";
    return 0;
}

int printDemOption(std::string const& hostPath, Arguments const&, std::ostream& out) {
    DemInfo info{};
    if (std::int32_t code = ybReadDemGenOption(hostPath.c_str(), &info)) return cannotRead(out, "DEM option file", code);
    out << "DEM option file\n" << std::setprecision(12) << "  area:    " << info.area[0] << ", " << info.area[1]
        << ", " << info.area[2] << ", " << info.area[3] << "\n"
        << "  spacing: " << info.spacingX << " x " << info.spacingY << "\n"
        << "  texts:   \"" << fieldText(info.firstText, sizeof info.firstText) << "\", \""
        << fieldText(info.secondText, sizeof info.secondText) << "\"\n";
    return 0;
}

// The conversion file is found through a block record: its directory and title stand in for one.
int printConversion(std::string const& hostPath, Arguments const&, std::ostream& out) {
    BlockInfo block{};
    std::size_t const separator = hostPath.find_last_of("\\/");
    std::string const directory = separator == std::string::npos ? "." : hostPath.substr(0, separator);
    std::string const name = hostPath.substr(separator == std::string::npos ? 0 : separator + 1);
    std::string const title = name.substr(0, name.size() - 4);  // without ".ctp"
    if (directory.size() >= sizeof block.blockDirectory || title.size() >= sizeof block.blockName) {
        out << "coordinate conversion file: path too long for a block record\n";
        return 1;
    }
    std::memcpy(block.blockDirectory, directory.data(), directory.size());
    std::memcpy(block.blockName, title.data(), title.size());
    std::int32_t count = 0;
    double params[7] = {};
    if (std::int32_t code = ybReadCordConvertPara(block, count, params))
        return cannotRead(out, "coordinate conversion file", code);
    out << "coordinate conversion file\n  parameters: " << count << "\n " << std::setprecision(6);
    for (std::int32_t i = 0; i < count; ++i) out << " " << params[i];
    out << "\n";
    return 0;
}

InfoRegistration model{{"model option file",
                        [](std::string const&, std::string_view head) {
                            return startsWith(head, "YB_MODEL_OPTION_FILE_VER1.0");
                        },
                        printModelOption}};
InfoRegistration ortho{{"ortho map or single-image DOM option file",
                        [](std::string const&, std::string_view head) {
                            return startsWith(head, "YB_ORTHO_MAP_OPTION_FILE_VER1.0");
                        },
                        printOrthoMapOption}};
InfoRegistration singleDom{{"single DOM option file",
                            [](std::string const&, std::string_view head) {
                                return startsWith(head, "YB_ORTHO_SINGLE_OPTION_FILE_VER1.0");
                            },
                            printSingleDomOption}};
InfoRegistration dem{{"DEM option file",
                      [](std::string const&, std::string_view head) {
                          return startsWith(head, "YB_DEM_OPTION_FILE_VER1.0");
                      },
                      printDemOption}};
InfoRegistration conversion{{"coordinate conversion file",
                             [](std::string const& path, std::string_view) { return hasExtension(path, ".ctp"); },
                             printConversion}};

}  // namespace
}  // namespace ybblock
