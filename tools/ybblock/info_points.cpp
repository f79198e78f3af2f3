// ybblock info for the point files: image points, feature points, model common points, and model
// control points / block joint points.
#include "commands.h"

#include <yb/ybBlockFileIO.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace ybblock {
namespace {

constexpr long kDefaultLimit = 10;

long recordLimit(Arguments const& args) { return std::max(0L, args.number("limit", kDefaultLimit)); }

std::string number(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.3f", value);
    return text;
}

int cannotRead(std::ostream& out, char const* kind, std::int32_t code) {
    out << kind << ": cannot read (" << code << ", " << describeCode(code) << ")\n";
    return 1;
}

void moreRecords(std::ostream& out, long shown, long total) {
    if (total > shown) out << "  ... " << (total - shown) << " more (--limit N shows more)\n";
}

struct SectionHead {
    std::array<std::int32_t, 3> key{};
    std::int32_t count = 0;
};

// The section heads of a model point file, walked in file order. The library reads a section by its
// key; only the tool needs to list what keys there are.
std::vector<SectionHead> sectionHeads(std::string const& hostPath, std::size_t headerSize, std::size_t keyCount,
                                      std::size_t recordSize, std::int32_t sections) {
    std::vector<SectionHead> heads;
    std::ifstream file(toTerminal(hostPath), std::ios::binary);
    file.seekg(static_cast<std::streamoff>(headerSize));
    for (std::int32_t i = 0; i < sections && file; ++i) {
        std::array<std::int32_t, 4> raw{};
        if (!file.read(reinterpret_cast<char*>(raw.data()), static_cast<std::streamsize>(4 * (keyCount + 1)))) break;
        SectionHead head;
        std::copy_n(raw.begin(), keyCount, head.key.begin());
        head.count = raw[keyCount];
        if (head.count < 0) break;
        heads.push_back(head);
        file.seekg(static_cast<std::streamoff>(head.count) * static_cast<std::streamoff>(recordSize), std::ios::cur);
    }
    return heads;
}

int printImagePoints(std::string const& hostPath, Arguments const& args, std::ostream& out) {
    std::vector<tagImagePoint> points;
    if (std::int32_t code = ybReadImgGcpFileToAry(hostPath.c_str(), points); code != 0) {
        return cannotRead(out, "image point file", code);
    }
    out << "image point file\n  points: " << points.size() << "\n";
    long const shown = std::min<long>(recordLimit(args), static_cast<long>(points.size()));
    for (long i = 0; i < shown; ++i) {
        tagImagePoint const& point = points[static_cast<std::size_t>(i)];
        out << "  " << fieldText(point.name, sizeof point.name) << "  image " << point.imageNo << "  type "
            << point.type << "  x " << number(point.x) << "  y " << number(point.y) << "  photo "
            << number(point.photoX) << " " << number(point.photoY) << "\n";
    }
    moreRecords(out, shown, static_cast<long>(points.size()));
    return 0;
}

int printFeaturePoints(std::string const& hostPath, Arguments const& args, std::ostream& out) {
    std::int32_t count = 0;
    if (std::int32_t code = ybGetFeaturePointNumsOfFile(hostPath.c_str(), &count); code != 0) {
        return cannotRead(out, "feature point file", code);
    }
    std::vector<FeaturePoint> points(static_cast<std::size_t>(count));
    if (std::int32_t code = ybReadImgFeaturePointFile(hostPath.c_str(), points.data(), &count); code != 0) {
        return cannotRead(out, "feature point file", code);
    }
    out << "feature point file\n  points: " << count << "\n";
    long const shown = std::min<long>(recordLimit(args), count);
    for (long i = 0; i < shown; ++i) {
        out << "  " << i << ":";
        char hex[4];
        for (unsigned char byte : points[static_cast<std::size_t>(i)].bytes) {
            std::snprintf(hex, sizeof hex, " %02X", byte);
            out << hex;
        }
        out << "\n";
    }
    moreRecords(out, shown, count);
    return 0;
}

int printCommonPoints(std::string const& hostPath, Arguments const& args, std::ostream& out) {
    std::int32_t strips = 0, sections = 0, total = 0;
    if (std::int32_t code = ybGetComJointPntFileInfo(hostPath.c_str(), &strips, &sections, &total); code != 0) {
        return cannotRead(out, "model common point file", code);
    }
    out << "model common point file\n  strips: " << strips << "\n  sections: " << sections << "\n  points: " << total
        << "\n";
    long left = recordLimit(args);
    for (SectionHead const& head : sectionHeads(hostPath, 45, 3, sizeof(ModelCommonPoint), sections)) {
        out << "  strip " << head.key[0] << ", models " << head.key[1] << " and " << head.key[2] << ": " << head.count
            << " points\n";
        if (left <= 0 || head.count == 0) continue;
        std::vector<ModelCommonPoint> points(static_cast<std::size_t>(head.count));
        std::int32_t count = 0;
        std::int32_t code =
            ybReadComJointPntFile(hostPath.c_str(), head.key[0], head.key[1], head.key[2], points.data(), &count);
        if (code != 0) {
            out << "    cannot read (" << code << ", " << describeCode(code) << ")\n";
            continue;
        }
        for (std::int32_t i = 0; i < count && left > 0; ++i, --left) {
            ModelCommonPoint const& point = points[static_cast<std::size_t>(i)];
            out << "    " << fieldText(point.name, sizeof point.name) << "  " << number(point.x1) << " "
                << number(point.y1) << "  " << number(point.x2) << " " << number(point.y2) << "  " << number(point.x3)
                << " " << number(point.y3) << "\n";
        }
    }
    return 0;
}

int printModelPoints(std::string const& hostPath, Arguments const& args, std::ostream& out) {
    std::int32_t strips = 0, models = 0, total = 0;
    std::int32_t code = ybGetStripNumsOfModelGcpFile(hostPath.c_str(), &strips);
    if (code == 0) code = ybGetModelNumsOfModelGcpFile(hostPath.c_str(), &models);
    if (code == 0) code = ybGetBlockTiePntNumsOfFile(hostPath.c_str(), &total);
    if (code != 0) return cannotRead(out, "model point file", code);
    out << "model control point / block joint point file\n  strips: " << strips << "\n  models: " << models
        << "\n  points: " << total << "\n";
    long left = recordLimit(args);
    for (SectionHead const& head : sectionHeads(hostPath, 44, 2, 66, models)) {
        out << "  strip " << head.key[0] << ", model " << head.key[1] << ": " << head.count << " points\n";
        if (left <= 0 || head.count == 0) continue;
        std::vector<CONTROLPOINT_INFO> entries(static_cast<std::size_t>(head.count));
        CONTROLPOINT_STORAGE set{};
        set.entries = entries.data();
        set.capacity = head.count;
        if ((code = ybReadModelGcpFile(hostPath.c_str(), head.key[0], head.key[1], &set)) != 0) {
            out << "    cannot read (" << code << ", " << describeCode(code) << ")\n";
            continue;
        }
        for (std::int32_t i = 0; i < set.count && left > 0; ++i, --left) {
            CONTROLPOINT_INFO const& entry = entries[static_cast<std::size_t>(i)];
            out << "    " << fieldText(entry.name, sizeof entry.name) << "  type " << entry.type << "  left "
                << number(entry.leftX) << " " << number(entry.leftY) << "  right " << number(entry.rightX) << " "
                << number(entry.rightY) << "\n";
        }
    }
    return 0;
}

bool startsWith(std::string_view head, std::string_view magic) { return head.rfind(magic, 0) == 0; }

InfoRegistration imagePoints{{"image point file",
                              [](std::string const&, std::string_view head) {
                                  return startsWith(head, "YB_IMAGE_JOINT_POINT_FILE_VER1.0");
                              },
                              printImagePoints}};
InfoRegistration featurePoints{{"feature point file",
                                [](std::string const&, std::string_view head) {
                                    return startsWith(head, "YB_IMAGE_FEATURE_POINT_FILE_VER1.0");
                                },
                                printFeaturePoints}};
InfoRegistration commonPoints{{"model common point file",
                               [](std::string const&, std::string_view head) {
                                   return startsWith(head, "YB_MODEL_COMMON_POINT_FILE_VER1.0");
                               },
                               printCommonPoints}};
InfoRegistration modelPoints{{"model control point file",
                              [](std::string const&, std::string_view head) {
                                  return startsWith(head, "YB_BLOCK_JOINT_POINT_FILE_VER1.0");
                              },
                              printModelPoints}};

}  // namespace
}  // namespace ybblock
