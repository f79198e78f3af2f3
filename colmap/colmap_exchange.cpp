// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
#include "colmap_exchange.h"

#include "colmap_database.h"
#include "colmap_model.h"

#include <yb/YbiBase.h>
#include <yb/YbiSurvey.h>

#include "block/block_files.h"
#include "fs.h"
#include "gbk.h"
#include "hostpath.h"
#include "image_types.h"
#include "imagelist/image_list.h"
#include "params/parameter_files.h"
#include "points/point_records.h"
#include "tiepoints/block_tie_points.h"
#include "tiepoints/tie_point_file.h"
#include "result_codes.h"
#include "write_path.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <map>
#include <span>
#include <unordered_map>
#include <unordered_set>

namespace yb::colmap {
namespace {

std::string shown(std::string_view gbk) { return platform::gbkToUtf8Lossy(gbk); }

std::string codeText(std::int32_t code) {
    std::string text = "result code " + std::to_string(code);
    if (auto const* info = frame::findResultCode(code)) text += " (" + std::string(info->meaning) + ")";
    return text;
}

// What the exchange reads of a block: its record, images and camera.
struct BlockImage {
    ImageOrderInfo record{};
    std::string fileName;  // GBK, the last component of the path
};

struct OpenBlock {
    BlockInfo info{};
    std::string optionPath, imageListPath, tiePointPath;
    std::vector<BlockImage> images;
    CameraInfo camera{};
    std::vector<AberranceInfo> distortion;
};

bool readBlock(std::string const& optionPath, OpenBlock& block, Problem& problem) {
    block.optionPath = optionPath;
    if (auto const unsound = block::readSoundBlockOption(optionPath, block.info)) {
        problem = {unsound->code, shown(optionPath) + ": " + unsound->what + " (" + codeText(unsound->code) + ")"};
        return false;
    }
    std::int32_t const type = block.info.imageType;
    if (!frame::framesOfCamera(type)) {
        problem.code = kInvalidArgument;
        problem.text = shown(optionPath) + ": the block holds " +
                       (frame::validImageType(type) ? std::string(frame::imageTypeName(type)) + "s"
                                                    : "images of the unknown type " + std::to_string(type)) +
                       "; COLMAP's exchange needs frame images of a metric or digital camera (image type 0 or 1) "
                       "with a camera file and inner orientations";
        return false;
    }
    std::string const cameraPath(platform::boundedText(block.info.cameraFile, sizeof block.info.cameraFile));
    RimPoint rims[8];
    RIMPOINTLAYOUT layout{};
    std::int32_t distortionCount = 0;
    std::int32_t code =
        ybReadCameraParaFile(cameraPath.c_str(), &block.camera, rims, &layout, nullptr, &distortionCount);
    if (code == kSuccess && distortionCount > 0) {
        block.distortion.resize(static_cast<std::size_t>(distortionCount));
        code = ybReadCameraParaFile(cameraPath.c_str(), &block.camera, rims, &layout, block.distortion.data(),
                                    &distortionCount);
    }
    if (code != kSuccess) {
        problem = {code, "the camera file '" + shown(cameraPath) + "' of the block cannot be read: " + codeText(code)};
        return false;
    }
    block.imageListPath = ybGetBlkAuxFileName(block.info, ".bil", nullptr);
    block.tiePointPath = ybGetBlkAuxFileName(block.info, ".scp", nullptr);
    // One walk over the list's strips.
    imagelist::ImageListReader list;
    code = list.open(block.imageListPath.c_str(), kFileNotFound);
    std::int32_t const strips = code == kSuccess ? list.storedStripCount() : 0;
    // Room for every image at once: growing the array copies every record again and again.
    if (std::int32_t total = 0; code == kSuccess && imagelist::totalImageCount(list, &total) == kSuccess)
        block.images.reserve(static_cast<std::size_t>(total));
    std::vector<ImageOrderInfo> strip;
    for (std::int32_t s = 1; code == kSuccess && s <= strips; ++s) {
        code = imagelist::readStrip(list, strips, s, strip);
        for (ImageOrderInfo const& record : strip)
            block.images.push_back(
                {record, platform::fileNameOf(platform::boundedText(record.szImagePath, sizeof record.szImagePath))});
    }
    if (code != kSuccess) {
        problem = {code, shown(block.imageListPath) + ": the image list cannot be read: " + codeText(code)};
        return false;
    }
    return true;
}

Problem innerOrientationProblem(ImageOrderInfo const& image, std::string const& path, std::int32_t code) {
    return {code, "image " + std::to_string(image.nImageNo) + ": its inner orientation '" + shown(path) +
                      "' cannot be read (" + codeText(code) + "); run the inner orientation first"};
}

// The inner orientation files of every image of the list, in its order, looked for together: one look
// at their folder rather than a lookup of each.
struct InnerOrientationFiles {
    std::vector<std::string> paths;
    std::vector<platform::FoundFile> found;
};

InnerOrientationFiles findInnerOrientations(OpenBlock const& block) {
    InnerOrientationFiles files;
    files.paths.reserve(block.images.size());
    for (BlockImage const& image : block.images)
        files.paths.push_back(tiepoints::innerOrientationFile(block.info, image.record));
    files.found = platform::findFiles(files.paths);
    return files;
}

bool readInnerOrientation(InnerOrientationFiles const& files, std::size_t at, ImageOrderInfo const& image,
                          double (&coefficients)[6], Problem& problem) {
    if (std::int32_t code = params::readInner(files.found[at], coefficients); code != kSuccess) {
        problem = innerOrientationProblem(image, files.paths[at], code);
        return false;
    }
    return true;
}

// The image's size in pixels from its image file, when that can be read.
bool imageSize(ImageOrderInfo const& image, double& width, double& height) {
    YbiHandle handle = nullptr;
    if (ybOpenYbiFileForRead(image.szImagePath, &handle) != 0) return false;
    std::int32_t lines = 0, cells = 0;
    ybGetLines(handle, &lines);
    ybGetLineCells(handle, &cells);
    ybCloseYbiFileForRead(handle);
    if (lines <= 0 || cells <= 0) return false;
    width = cells;
    height = lines;
    return true;
}

std::string cameraCount(std::size_t count) { return count == 1 ? "1 camera" : std::to_string(count) + " cameras"; }

std::string lowered(std::string_view gbk) { return platform::toLower(gbk); }

// Images of the list by lower-cased file name; names given twice map to the first and are listed.
std::unordered_map<std::string, std::size_t> imagesByName(std::vector<BlockImage> const& images,
                                                          std::vector<std::string>& twice) {
    std::unordered_map<std::string, std::size_t> byName;
    byName.reserve(images.size());
    for (std::size_t i = 0; i < images.size(); ++i)
        if (!byName.emplace(lowered(images[i].fileName), i).second) twice.push_back(images[i].fileName);
    return byName;
}

// One observation on its way to the database.
struct Keyed {
    std::uint32_t name;   // index of its lower-cased name
    std::uint32_t image;  // index in the image list
    std::uint32_t keypoint;
};
using KeyedArray = platform::UninitialisedVector<Keyed>;

}  // namespace

CameraModel cameraModelOf(CameraInfo const& camera, std::vector<AberranceInfo> const& distortion, double const (&c)[6],
                          double width, double height) {
    CameraModel result;
    double const f = camera.principalDistance * 1000.0;  // micrometres, as the inner orientation
    if (!(f > 0.0) || !std::isfinite(f)) {
        result.problem = "the camera's principal distance is not a positive number";
        return result;
    }
    if (!(c[1] > 0.0) || !(c[5] < 0.0) || !std::isfinite(c[0]) || !std::isfinite(c[3])) {
        result.problem = "the inner orientation does not run x to the right and y downwards (c1 > 0, c5 < 0)";
        return result;
    }
    // A rotated or sheared pixel grid has no COLMAP camera; a shear below a thousandth of a pixel
    // across the image is rounding.
    if (std::abs(c[2] / c[1]) * height > 1e-3 || std::abs(c[4] / c[5]) * width > 1e-3) {
        result.problem =
            "the inner orientation rotates or shears the pixel grid (c2, c4 not 0), which no COLMAP "
            "camera model holds";
        return result;
    }
    double const fx = f / c[1], fy = -f / c[5];
    double const cx = (camera.principalPointX - c[0]) / c[1] + 0.5;
    double const cy = (camera.principalPointY - c[3]) / c[5] + 0.5;
    // Radial distortion: the displacement dr at radius r is r (k1 rho^2 + k2 rho^4), rho = r / f.
    double sumAA = 0, sumAB = 0, sumBB = 0, sumAY = 0, sumBY = 0;
    std::size_t used = 0;
    for (AberranceInfo const& record : distortion) {
        double const r = record.radius * 1000.0;  // micrometres
        if (!(r > 0.0) || !std::isfinite(record.deltaX)) continue;
        double const rho2 = (r / f) * (r / f);
        double const a = rho2, b = rho2 * rho2, y = record.deltaX / r;
        sumAA += a * a, sumAB += a * b, sumBB += b * b, sumAY += a * y, sumBY += b * y;
        ++used;
    }
    double k1 = 0, k2 = 0;
    double const det = sumAA * sumBB - sumAB * sumAB;
    if (used >= 2 && std::abs(det) > 1e-30 * sumAA * sumBB) {
        k1 = (sumAY * sumBB - sumBY * sumAB) / det;
        k2 = (sumBY * sumAA - sumAY * sumAB) / det;
    } else if (used >= 1) {
        k1 = sumAY / sumAA;
    }
    if (used == 0) {
        result.model = 1;  // PINHOLE
        result.params = {fx, fy, cx, cy};
    } else if (std::abs(fx - fy) <= 1e-9 * fx) {
        result.model = 3;  // RADIAL
        result.params = {fx, cx, cy, k1, k2};
    } else {
        result.model = 4;  // OPENCV, without tangential distortion
        result.params = {fx, fy, cx, cy, k1, k2, 0.0, 0.0};
    }
    return result;
}

bool exportColmap(ExportRequest const& request, ExportSummary& summary, Problem& problem) {
    // One workflow: the per-image lookups share what they learn of the block's folders.
    platform::CallScope const call;
    summary = ExportSummary{};
    OpenBlock block;
    if (!readBlock(request.block, block, problem)) return false;
    if (block.images.empty()) {
        problem = {kInvalidArgument, shown(block.imageListPath) + ": the image list holds no images"};
        return false;
    }
    std::vector<std::string> twice;
    imagesByName(block.images, twice);
    if (!twice.empty()) {
        problem = {kInvalidArgument, "the image list names two images '" + shown(twice.front()) +
                                         "' (file names compared without regard to case); COLMAP names images by "
                                         "file name"};
        return false;
    }
    if (block.images.size() >= 2147483647u) {
        problem = {kOutOfRange, "too many images for COLMAP"};
        return false;
    }

    // Cameras: one per distinct set of parameters.
    std::map<std::pair<std::int32_t, std::vector<double>>, std::uint32_t> cameraIds;
    std::vector<std::pair<CameraModel, std::array<double, 2>>> cameras;
    std::vector<std::uint32_t> cameraOfImage(block.images.size());
    std::size_t sizesGuessed = 0;
    InnerOrientationFiles const inner = findInnerOrientations(block);
    for (std::size_t i = 0; i < block.images.size(); ++i) {
        ImageOrderInfo const& image = block.images[i].record;
        double coefficients[6];
        if (!readInnerOrientation(inner, i, image, coefficients, problem)) return false;
        // An image's size matters for a camera not met before, and for the shear it bounds; the image
        // file is read for those alone (a block's images mostly share one camera).
        double width = 0, height = 0;
        bool const sheared = coefficients[2] != 0.0 || coefficients[4] != 0.0;
        CameraModel model = cameraModelOf(block.camera, block.distortion, coefficients, 0, 0);
        // The camera's parameters do not depend on the frame's size, which only bounds the shear.
        auto const seen =
            model.problem.empty() ? cameraIds.find(std::pair{model.model, model.params}) : cameraIds.end();
        bool const known = seen != cameraIds.end();
        bool sized = false;
        if (sheared || !known) {
            sized = imageSize(image, width, height);
            // Without the image file the frame is taken to be centred on the principal point.
            model = cameraModelOf(block.camera, block.distortion, coefficients, sized ? width : 1, sized ? height : 1);
        }
        if (!model.problem.empty()) {
            problem = {kInvalidArgument, "image " + std::to_string(image.nImageNo) + ": " + model.problem};
            return false;
        }
        if (!sized && !known) {
            ++sizesGuessed;
            std::size_t const centre = model.params.size() == 4 || model.params.size() == 8 ? 2 : 1;
            width = std::max(1.0, std::round(2 * model.params[centre]));
            height = std::max(1.0, std::round(2 * model.params[centre + 1]));
        }
        if (known) {
            cameraOfImage[i] = seen->second;
            continue;
        }
        auto const id = static_cast<std::uint32_t>(cameras.size() + 1);
        cameraIds.emplace(std::pair{model.model, model.params}, id);
        cameras.push_back({std::move(model), {width, height}});
        cameraOfImage[i] = id;
    }
    if (sizesGuessed > 0)
        summary.notes.push_back(cameraCount(sizesGuessed) +
                                " without a readable image file: the frame is taken as twice the principal point");

    // Keypoints: every observation of a listed image, in the tie point file's order, read a group at a
    // time; each name numbered as first met, without regard to case.
    std::unordered_map<std::int32_t, std::uint32_t> imageOfNumber;
    imageOfNumber.reserve(block.images.size());
    for (std::size_t i = 0; i < block.images.size(); ++i)
        imageOfNumber.emplace(block.images[i].record.nImageNo, static_cast<std::uint32_t>(i));
    std::vector<std::vector<float>> keypoints(block.images.size());
    std::vector<std::vector<std::uint32_t>> keypointNames(block.images.size());  // the export's record
    std::string nameSpellings;  // each name as first met, followed by a zero byte
    // The observations' arrays are large and written whole before they are read: room from the system
    // in large pages, not cleared first.
    KeyedArray keyed;
    std::uint32_t names = 0;
    std::size_t unlisted = 0;
    // Counted as the file is read: each name's observations, and whether the groups follow the list.
    std::vector<std::uint32_t> observationsOf;
    bool inListOrder = true;
    {
        tiepoints::TiePointFileReader reader;
        std::int32_t code = reader.open(block.tiePointPath.c_str(), HB_MESSAGE_PLAIN);
        std::size_t const capacity = code == kSuccess ? static_cast<std::size_t>(reader.recordCapacity()) : 0;
        keyed.reserve(capacity);
        observationsOf.reserve(capacity / 2);
        points::NameTable nameIndex(capacity / 2);
        std::uint32_t lastImage = 0;
        // Each group's records are looked at where the reader holds them, until the next group is read.
        std::span<tagImagePoint> group;
        for (std::int32_t g = 0; code == kSuccess && g < reader.groupCount(); ++g) {
            std::int32_t imageNo = 0;
            std::int32_t count = 0;
            if ((code = reader.nextGroup(imageNo, count)) != kSuccess) break;
            auto const image = imageOfNumber.find(imageNo);
            if (image == imageOfNumber.end()) {
                unlisted += static_cast<std::size_t>(std::max(count, 0));
                code = reader.skipRecords(count);
                continue;
            }
            if ((code = reader.viewRecords(count, group)) != kSuccess) break;
            std::uint32_t const imageIndex = image->second;
            if (!group.empty()) {
                inListOrder = inListOrder && imageIndex >= lastImage;
                lastImage = imageIndex;
            }
            std::vector<float>& xy = keypoints[imageIndex];
            xy.reserve(xy.size() + 2 * group.size());
            keypointNames[imageIndex].reserve(keypointNames[imageIndex].size() + group.size());
            nameIndex.forEachKey(
                group.size(), [&](std::size_t i) { return points::nameKeyOf(group[i]); },
                [&](std::size_t i, points::NameKey const& key) {
                    auto const [at, added] = nameIndex.tryEmplace(key, names);
                    if (added) {
                        ++names;
                        nameSpellings.append(points::pointName(group[i]));
                        nameSpellings.push_back('\0');
                        observationsOf.push_back(0);
                    }
                    ++observationsOf[*at];
                    keyed.push_back({*at, imageIndex, static_cast<std::uint32_t>(xy.size() / 2)});
                    keypointNames[imageIndex].push_back(*at);
                    xy.push_back(static_cast<float>(group[i].x + 0.5));
                    xy.push_back(static_cast<float>(group[i].y + 0.5));
                });
        }
        if (code != kSuccess) {
            problem = {code, shown(block.tiePointPath) + ": the tie point file cannot be read: " + codeText(code)};
            return false;
        }
    }
    if (unlisted > 0)
        summary.notes.push_back(std::to_string(unlisted) + " observations of images the list lacks are left out");

    // Observations by name, each name's in image order (two stable counting sorts: by image where the
    // tie point file's groups do not follow the list, then by name), then every pair of them: the first
    // of a pair is the image listed first, as COLMAP's pair ids and match columns have it.
    if (!inListOrder) {
        std::vector<std::size_t> at(block.images.size() + 1, 0);
        for (Keyed const& k : keyed) ++at[k.image + 1];
        for (std::size_t i = 1; i < at.size(); ++i) at[i] += at[i - 1];
        KeyedArray byImage(keyed.size());
        for (Keyed const& k : keyed) byImage[at[k.image]++] = k;
        keyed.swap(byImage);
    }
    std::vector<std::uint32_t> start(std::size_t{names} + 1, 0);
    for (std::size_t n = 0; n < names; ++n) start[n + 1] = start[n] + observationsOf[n];
    std::vector<std::uint32_t>().swap(observationsOf);
    KeyedArray grouped(keyed.size());
    {
        std::vector<std::uint32_t> next(start.begin(), start.end() - 1);
        for (Keyed const& k : keyed) grouped[next[k.name]++] = k;
    }
    KeyedArray().swap(keyed);
    // For each first image: (second image, keypoint in the first, keypoint in the second), all in one
    // array by first image: the pairs of names are walked twice, to count each image's and to place them.
    struct Half {
        std::uint32_t second, first, other;
    };
    // `repeat(a)` hears of each observation that repeats its name on the same image.
    auto forEachHalf = [&](auto&& visit, auto&& repeat) {
        for (std::size_t n = 0; n + 1 < start.size(); ++n) {
            std::uint32_t const begin = start[n], end = start[n + 1];
            for (std::uint32_t a = begin; a < end; ++a) {
                // The same name twice on an image: its first observation is matched.
                if (a > begin && grouped[a].image == grouped[a - 1].image) {
                    repeat(a);
                    continue;
                }
                for (std::uint32_t b = a + 1; b < end; ++b)
                    if (grouped[b].image != grouped[b - 1].image) visit(grouped[a], grouped[b]);
            }
        }
    };
    std::vector<std::size_t> halvesOf(block.images.size() + 1, 0);
    std::size_t repeated = 0;
    forEachHalf([&](Keyed const& a, Keyed const&) { ++halvesOf[a.image + 1]; }, [&](std::uint32_t) { ++repeated; });
    for (std::size_t i = 1; i < halvesOf.size(); ++i) halvesOf[i] += halvesOf[i - 1];
    platform::UninitialisedVector<Half> halves;
    halves.resize(halvesOf.back());
    {
        std::vector<std::size_t> next(halvesOf.begin(), halvesOf.end() - 1);
        forEachHalf(
            [&](Keyed const& a, Keyed const& b) {
                halves[next[a.image]++] = {b.image, a.keypoint, b.keypoint};
            },
            [](std::uint32_t) {});
    }
    if (repeated > 0)
        summary.notes.push_back(std::to_string(repeated) +
                                " observations repeat a name on the same image; only the first of each is matched");
    std::vector<std::uint32_t>().swap(start);
    KeyedArray().swap(grouped);

    // The folder and the database.
    std::string const folder = platform::withoutTrailingBackslashes(request.folder);
    if (!platform::isDirectory(folder) && !platform::makeDirectory(folder)) {
        problem = {kCannotWrite, shown(folder) + ": the folder cannot be made (its parent must exist)"};
        return false;
    }
    summary.database = pathIn(folder, "database.db");
    auto const native = platform::nativePath(summary.database, true);
    if (!native) {
        problem = {kCannotOpen, shown(summary.database) + ": names no file on this machine"};
        return false;
    }
    if (platform::nativeFileExists(*native) && !request.force) {
        std::string const what = whatDatabaseIs(*native);
        problem = {kInvalidArgument, shown(summary.database) + " is there already (" +
                                         (what.empty() ? std::string("a COLMAP database") : what) + "); " +
                                         request.options.force + " replaces it, or choose another folder"};
        return false;
    }
    // The database, the image list and the README are each written beside their place and put there
    // together at the end, the database first: a failure on the way leaves the folder as it was.
    platform::FileReplacement databaseFile(summary.database);
    if (!databaseFile.opened()) {
        problem = {kCannotWrite, shown(summary.database) + ": cannot create a new file beside it"};
        return false;
    }
    DatabaseWriter database(*native, databaseFile.created());
    for (std::size_t c = 0; c < cameras.size(); ++c) {
        auto const& [model, size] = cameras[c];
        database.addCamera(static_cast<std::uint32_t>(c + 1), model.model, static_cast<std::uint64_t>(size[0]),
                           static_cast<std::uint64_t>(size[1]), model.params, true);
    }
    std::string imageList;
    for (std::size_t i = 0; i < block.images.size(); ++i) {
        auto const utf8 = platform::gbkToUtf8(block.images[i].fileName);
        if (!utf8) {
            problem = {kInvalidArgument, "image " + std::to_string(block.images[i].record.nImageNo) +
                                             ": its file name is not valid GBK text"};
            return false;
        }
        database.addImage(static_cast<std::uint32_t>(i + 1), *utf8, cameraOfImage[i]);
        database.addKeypoints(static_cast<std::uint32_t>(i + 1), keypoints[i]);
        database.addKeypointOrigins(static_cast<std::uint32_t>(i + 1), block.images[i].record.nImageNo,
                                    keypointNames[i]);
        std::vector<std::uint32_t>().swap(keypointNames[i]);
        summary.keypoints += keypoints[i].size() / 2;
        imageList += *utf8 + "\n";
    }
    database.addExportRecord(request.block,
                             std::string(platform::boundedText(block.info.blockName, sizeof block.info.blockName)),
                             nameSpellings);
    std::string().swap(nameSpellings);
    std::vector<MatchRow> rows;
    for (std::size_t i = 0; i + 1 < halvesOf.size() && database.ok(); ++i) {
        Half* const begin = halves.data() + halvesOf[i];
        Half* const end = halves.data() + halvesOf[i + 1];
        std::sort(begin, end, [](Half const& a, Half const& b) {
            return a.second != b.second ? a.second < b.second : a.first < b.first;
        });
        for (Half const* from = begin; from != end;) {
            Half const* to = from;
            rows.clear();
            for (; to != end && to->second == from->second; ++to) rows.push_back({to->first, to->other});
            database.addPair(static_cast<std::uint32_t>(i + 1), from->second + 1, rows.data(), rows.size());
            ++summary.pairs;
            summary.matches += rows.size();
            from = to;
        }
    }
    if (!database.commit()) {
        problem = {kCannotWrite, shown(database.problem())};
        return false;
    }
    summary.images = block.images.size();
    summary.cameras = cameras.size();
    summary.firstCameraModel = std::string(cameraModelById(cameras.front().first.model)->name);
    summary.firstCameraParams = cameras.front().first.params;

    std::string const blockText = shown(request.block);
    std::string readme =
        "Written by `ybblock export colmap` from the block " + blockText + ".\n\n" +
        "database.db     COLMAP's database: " + std::to_string(summary.images) + " images named by their file names, " +
        cameraCount(summary.cameras) + " (" + summary.firstCameraModel + "), " + std::to_string(summary.keypoints) +
        " tie point observations as keypoints, and for the " + std::to_string(summary.pairs) +
        " pairs of images that share points their matches, entered as\n"
        "                verified two-view geometries. Keypoint (x, y) = the block's measured (x + 0.5, y + 0.5).\n"
        "                Its tables ybblock_export and ybblock_keypoints (which COLMAP leaves alone) hold the block\n"
        "                and the observation (image number, point name) each keypoint came from: the import\n"
        "                gives the block's points back their own names through them.\n"
        "image_list.txt  the images' names, one a line.\n\n"
        "Orient the images with COLMAP (the image files are not needed; without them the points stay grey):\n\n"
        "    cd <this folder>\n"
        "    mkdir -p sparse\n"
        "    QT_QPA_PLATFORM=offscreen colmap mapper --database_path database.db --image_path . --output_path sparse\n"
        "    colmap model_analyzer --path sparse/0\n\n"
        "Bring its tracks back into the block (the binary model, or its text form from model_converter):\n\n"
        "    ybblock import colmap sparse/0 '" +
        blockText +
        "' --dry-run\n"
        "    ybblock import colmap sparse/0 '" +
        blockText + "'\n";
    std::string const listPath = pathIn(folder, "image_list.txt");
    std::string const readmePath = pathIn(folder, "README.txt");
    platform::FileReplacement listFile(listPath);
    platform::FileReplacement readmeFile(readmePath);
    struct Placed {
        platform::FileReplacement& file;
        std::string const& path;
        std::string const* text;
    };
    Placed const files[] = {
        {databaseFile, summary.database, nullptr}, {listFile, listPath, &imageList}, {readmeFile, readmePath, &readme}};
    for (Placed const& placed : files) {
        if (placed.file.opened() && placed.text != nullptr)
            placed.file.out().write(placed.text->data(), placed.text->size());
        if (!placed.file.opened() || !placed.file.finish()) {
            problem = {kCannotWrite, shown(placed.path) + ": cannot be written"};
            return false;
        }
    }
    for (Placed const& placed : files) {
        if (!placed.file.install()) {
            problem = {kCannotWrite, shown(placed.path) + ": cannot be put in place"};
            return false;
        }
    }
    return true;
}

namespace {

constexpr std::uint64_t kGolden = 0x9E3779B97F4A7C15u;  // 2^64 over the golden ratio: a well-spread odd number

// The database of an export for a model: the one named, else database.db in the model's folder or
// one of the two above it (an export folder holds sparse/0 after `colmap mapper`). Empty when none.
std::string databaseFor(ImportRequest const& request) {
    if (!request.database.empty()) return request.database;
    std::string folder = request.model;
    for (int up = 0; up < 3; ++up) {
        std::string const candidate = pathIn(folder, "database.db");
        if (platform::isRegularFile(candidate)) return candidate;
        while (folder.size() > 1 && (folder.back() == '/' || folder.back() == '\\')) folder.pop_back();
        std::size_t const cut = folder.find_last_of("/\\");
        if (cut == std::string::npos)
            folder = folder == "." ? ".." : folder == ".." ? "../.." : ".";
        else
            folder.resize(cut == 0 ? 1 : cut);
    }
    return {};
}

// A tag that tells this model's tracks from another's: a hash of every 3D point's id and track,
// the same whatever order the points and their track elements come in (text and binary forms agree).
std::string tagOfModel(Model const& model) {
    auto mix = [](std::uint64_t x) {  // the finaliser of splitmix64
        x = (x ^ (x >> 30)) * std::uint64_t{0xBF58476D1CE4E5B9u};
        x = (x ^ (x >> 27)) * std::uint64_t{0x94D049BB133111EBu};
        return x ^ (x >> 31);
    };
    std::uint64_t sum = 0;
    for (ModelPoint const& point : model.points) {
        std::uint64_t elements = 0;
        for (TrackElement const& element : point.track)
            elements += mix((std::uint64_t{element.image} << 32 | element.point2D) + kGolden);
        sum += mix(mix(point.id) ^ elements);
    }
    constexpr char kDigits[] = "0123456789abcdefghjkmnpqrstvwxyz";  // no letters that read as digits
    std::string tag;
    for (int k = 0; k < 7; ++k, sum >>= 5) tag.push_back(kDigits[sum & 31]);
    return tag;
}

bool validTag(std::string_view tag) {
    return !tag.empty() && tag.size() <= 12 && std::ranges::all_of(tag, [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '-';
    });
}

// An observation of the tie point file by image and name (ignoring case).
struct ObservationKey {
    std::int32_t image = 0;
    points::NameKey name;
    bool operator==(ObservationKey const&) const = default;
};
struct ObservationKeyHash {
    std::size_t operator()(ObservationKey const& key) const {
        return static_cast<std::size_t>(key.name.hash ^
                                        (std::uint64_t{static_cast<std::uint32_t>(key.image)} * kGolden));
    }
};
points::NameKey nameKeyOfText(std::string_view name) {
    tagImagePoint point{};
    std::memcpy(point.name, name.data(), std::min(name.size(), sizeof point.name - 1));
    return points::nameKeyOf(point);
}

// A model image matched to an image of the block.
struct Matched {
    std::int32_t imageNo = 0;
    std::size_t blockIndex = 0;
    double inner[6] = {};
    ModelImage const* image = nullptr;
    ExportRecord::Image const* origins = nullptr;  // when its keypoints are the exported ones
};

// Why a model does not look like one of this block; empty when it does.
std::vector<std::string> foreignness(Model const& model, OpenBlock const& block, std::string const& database,
                                     std::optional<ExportRecord> const& record,
                                     std::unordered_map<std::uint32_t, Matched> const& matched,
                                     std::size_t missingImages, OptionNames const& options) {
    std::vector<std::string> reasons;
    std::string const blockName(platform::boundedText(block.info.blockName, sizeof block.info.blockName));
    if (!record) {
        reasons.push_back(database.empty()
                              ? "no export record: no database.db in its folder or the two above it (" +
                                    options.database + " names the export's database)"
                              : "the database " + shown(database) + " holds no record of an export of a block");
    } else if (!platform::equalsIgnoreCase(record->blockName, blockName)) {
        reasons.push_back("it was exported from the block '" + shown(record->blockName) + "' (" + shown(record->block) +
                          "), not from '" + shown(blockName) + "'");
    } else {
        std::size_t renumbered = 0;
        std::string example;
        for (auto const& [id, entry] : matched) {
            auto const found = record->images.find(id);
            if (found == record->images.end() || found->second.number == entry.imageNo) continue;
            if (renumbered++ == 0)
                example = entry.image->name + " was image " + std::to_string(found->second.number) +
                          " at the export, is " + std::to_string(entry.imageNo) + " here";
        }
        if (renumbered > 0)
            reasons.push_back(std::to_string(renumbered) + " of its images have other numbers in this block (" +
                              example + ")");
    }
    // One image of each camera, whose size the block knows, against the camera's.
    std::unordered_map<std::uint32_t, ModelCamera const*> cameras;
    for (ModelCamera const& camera : model.cameras) cameras.emplace(camera.id, &camera);
    std::unordered_set<std::uint32_t> compared;
    for (ModelImage const& image : model.images) {
        auto const entry = matched.find(image.id);
        if (entry == matched.end() || compared.contains(image.camera)) continue;
        double width = 0, height = 0;
        if (!imageSize(block.images[entry->second.blockIndex].record, width, height)) continue;
        compared.insert(image.camera);
        ModelCamera const& camera = *cameras.at(image.camera);
        if (static_cast<double>(camera.width) != width || static_cast<double>(camera.height) != height)
            reasons.push_back("its camera " + std::to_string(camera.id) + " is " + std::to_string(camera.width) +
                              " x " + std::to_string(camera.height) + " pixels, but image " +
                              std::to_string(entry->second.imageNo) + " of the block is " +
                              std::to_string(static_cast<std::int64_t>(width)) + " x " +
                              std::to_string(static_cast<std::int64_t>(height)));
    }
    if (missingImages * 10 > model.images.size())
        reasons.push_back(std::to_string(missingImages) + " of its " + std::to_string(model.images.size()) +
                          " images are not in the block's image list");
    return reasons;
}

}  // namespace

bool importColmap(ImportRequest const& request, ImportSummary& summary, Problem& problem) {
    platform::CallScope const call;
    summary = ImportSummary{};
    OptionNames const& options = request.options;
    if (!request.tag.empty() && !validTag(request.tag)) {
        problem = {kInvalidArgument, "the tag '" + request.tag + "' is not 1 to 12 letters, digits or '-'"};
        return false;
    }
    OpenBlock block;
    if (!readBlock(request.block, block, problem)) return false;
    std::string modelProblem;
    std::optional<Model> model = readModel(request.model, modelProblem);
    if (!model) {
        bool const absent = modelProblem.find(": no COLMAP model here") != std::string::npos ||
                            modelProblem.find(": missing; ") != std::string::npos;
        problem = {absent ? kCannotOpen : kInvalidContent, shown(modelProblem)};
        return false;
    }
    summary.binary = model->binary;
    summary.modelImages = model->images.size();
    summary.tiePointFile = block.tiePointPath;

    // The export's record, when there is one.
    std::string const database = databaseFor(request);
    std::optional<ExportRecord> record;
    if (!database.empty()) {
        auto const native = platform::nativePath(database);
        if (!native || !platform::nativeFileExists(*native)) {
            problem = {kCannotOpen, shown(database) + ": no such database"};
            return false;
        }
        std::string why;
        record = readExportRecord(*native, why);
        if (!why.empty()) {
            problem = {kInvalidContent, shown(why)};
            return false;
        }
        if (record) {
            summary.database = database;
            summary.exportedFrom = record->block;
        }
    }

    // Model images to block images, by file name.
    std::vector<std::string> twice;
    auto const byName = imagesByName(block.images, twice);
    std::unordered_map<std::uint32_t, Matched> matched;
    for (ModelImage const& image : model->images) {
        std::string_view name = image.name;
        if (std::size_t const slash = name.find_last_of("/\\"); slash != std::string_view::npos)
            name.remove_prefix(slash + 1);
        auto const gbk = platform::utf8ToGbk(name);
        auto const found = gbk ? byName.find(lowered(*gbk)) : byName.end();
        if (found == byName.end()) {
            summary.missingImages.push_back(image.name);
            continue;
        }
        if (std::ranges::any_of(twice, [&](std::string const& t) { return platform::equalsIgnoreCase(t, *gbk); })) {
            problem = {kInvalidArgument,
                       "the model's image '" + image.name + "' matches two images of the block's image list"};
            return false;
        }
        Matched entry;
        entry.image = &image;
        entry.blockIndex = found->second;
        entry.imageNo = block.images[found->second].record.nImageNo;
        if (record) {
            auto const origins = record->images.find(image.id);
            if (origins != record->images.end() && origins->second.name == image.name &&
                origins->second.number == entry.imageNo && origins->second.keypoints.size() == image.points2D.size())
                entry.origins = &origins->second;
            else
                ++summary.foreignKeypointImages;
        }
        matched.emplace(image.id, entry);
    }
    summary.matchedImages = matched.size();
    if (matched.empty()) {
        problem = {kInvalidArgument,
                   "none of the model's " + std::to_string(model->images.size()) +
                       " images is in the block's image list (images are matched by file name" +
                       (model->images.empty() ? std::string(")") : ", e.g. '" + model->images.front().name + "')") +
                       "; nothing changed"};
        return false;
    }
    std::vector<std::string> const reasons =
        foreignness(*model, block, database, record, matched, summary.missingImages.size(), options);
    if (!reasons.empty() && !request.force) {
        std::string text = "the model does not look like one of this block: ";
        for (std::size_t k = 0; k < reasons.size(); ++k) text += (k ? "; " : "") + reasons[k];
        problem = {kInvalidArgument, text + ". Nothing changed (" + options.force + " imports it all the same)"};
        return false;
    }
    summary.forced = reasons;
    InnerOrientationFiles const inner = findInnerOrientations(block);
    for (auto& [id, entry] : matched)
        if (!readInnerOrientation(inner, entry.blockIndex, block.images[entry.blockIndex].record, entry.inner, problem))
            return false;
    summary.tag = request.tag.empty() ? tagOfModel(*model) : request.tag;

    // The block's observations now.
    bool const exists = platform::isRegularFile(block.tiePointPath);
    std::vector<tagImagePoint> current;
    if (exists) {
        if (std::int32_t code = ybReadTiePntFileToAry(block.tiePointPath.c_str(), current); code != kSuccess) {
            problem = {code, shown(block.tiePointPath) + ": the tie point file cannot be read: " + codeText(code) +
                                 "; nothing changed"};
            return false;
        }
    }
    summary.before = static_cast<std::int64_t>(current.size());
    // Each image's observations where they lie in the file (an image's group); any other observation
    // is found through an index made only when one is looked for.
    std::unordered_map<std::int32_t, std::pair<std::size_t, std::size_t>> groupOf;
    for (std::size_t i = 0; i < current.size();) {
        std::size_t end = i + 1;
        while (end < current.size() && current[end].imageNo == current[i].imageNo) ++end;
        groupOf.try_emplace(std::int32_t{current[i].imageNo}, i, end - i);  // a copy: the record is packed
        i = end;
    }
    std::optional<std::unordered_map<ObservationKey, std::size_t, ObservationKeyHash>> held;
    auto find = [&](ObservationKey const& key) -> std::optional<std::size_t> {
        if (!held) {
            held.emplace();
            held->reserve(current.size());
            for (std::size_t i = 0; i < current.size(); ++i)
                held->try_emplace({current[i].imageNo, points::nameKeyOf(current[i])}, i);
        }
        auto const found = held->find(key);
        if (found == held->end()) return std::nullopt;
        return found->second;
    };
    constexpr std::size_t kNew = std::numeric_limits<std::size_t>::max();

    // The observations the import makes, one an image and name, each with the block's observation it
    // replaces (kNew: none); photo coordinates from the inner orientation, as a detach fills them.
    struct Row {
        tagImagePoint point;
        std::size_t replaces;
    };
    std::vector<Row> rows;
    std::vector<bool> taken(current.size(), false);
    std::unordered_set<ObservationKey, ObservationKeyHash> madeNew;
    auto emit = [&](tagImagePoint point, Matched const& image, std::size_t replaces, ObservationKey const& key) {
        if (replaces != kNew ? taken[replaces] : !madeNew.insert(key).second) return false;
        if (replaces != kNew) taken[replaces] = true;
        double photo[2] = {};
        ybCalInnerDirectional_2(point.x, point.y, image.inner, &block.camera, photo);
        point.photoX = 0.001 * photo[0];
        point.photoY = 0.001 * photo[1];
        rows.push_back({point, replaces});
        return true;
    };
    // Whether an observation is still what the keypoint was exported from (COLMAP holds it as floats).
    auto unmoved = [](tagImagePoint const& observation, ModelObservation const& seen) {
        return static_cast<float>(observation.x + 0.5) == static_cast<float>(seen.x) &&
               static_cast<float>(observation.y + 0.5) == static_cast<float>(seen.y);
    };
    std::vector<std::uint64_t> pointOfName(record ? record->names.size() : 0, 0);
    std::vector<bool> splitName(pointOfName.size(), false);
    struct Element {
        Matched const* image;
        std::uint32_t point2D;
        std::uint32_t name;  // the exported name's number (known elements)
    };
    std::vector<Element> known, own;
    for (ModelPoint const& point : model->points) {
        known.clear();
        own.clear();
        for (TrackElement const& element : point.track) {
            auto const found = matched.find(element.image);
            if (found == matched.end()) continue;
            Matched const& image = found->second;
            if (image.origins != nullptr)
                known.push_back({&image, element.point2D, image.origins->keypoints[element.point2D]});
            else
                own.push_back({&image, element.point2D, 0});
        }
        std::size_t const rowsBefore = rows.size();
        // Exported keypoints go back to the observations they came from: where the export found them
        // (keypoint k of an image is its k-th observation), unless the block has changed since.
        std::uint32_t const firstName = known.empty() ? 0 : known.front().name;
        bool oneName = !known.empty();
        for (Element const& element : known) {
            oneName = oneName && element.name == firstName;
            std::uint64_t& of = pointOfName[element.name];
            if (of == 0)
                of = point.id + 1;
            else if (of != point.id + 1)
                splitName[element.name] = true;
            std::string const& name = record->names[element.name];
            ModelObservation const& seen = element.image->image->points2D[element.point2D];
            std::optional<std::size_t> at;
            if (auto const group = groupOf.find(element.image->imageNo);
                group != groupOf.end() && element.point2D < group->second.second &&
                points::sameName(points::pointName(current[group->second.first + element.point2D]), name))
                at = group->second.first + element.point2D;
            else
                at = find({element.image->imageNo, nameKeyOfText(name)});
            if (!at || !unmoved(current[*at], seen)) {
                ++summary.stale;
                continue;
            }
            if (emit(current[*at], *element.image, *at, {})) ++summary.kept;
        }
        if (!known.empty() && !oneName) ++summary.joined;
        // COLMAP's own keypoints: into the one block point of their track, else a point of this model's.
        std::string ownName;
        if (oneName) {
            ownName = record->names[firstName];
        } else {
            std::unordered_set<std::int32_t> images;
            for (Element const& element : own) images.insert(element.image->imageNo);
            if (images.size() >= 2) ownName = "COLMAP_" + summary.tag + "_" + std::to_string(point.id);
        }
        if (ownName.size() >= sizeof tagImagePoint{}.name) {
            problem = {kOutOfRange, "the point name '" + ownName + "' is longer than a point name can be; " +
                                        options.tag + " gives a shorter tag"};
            return false;
        }
        std::size_t const ownBefore = rows.size();
        for (Element const& element : own) {
            if (ownName.empty()) break;
            ObservationKey const key{element.image->imageNo, nameKeyOfText(ownName)};
            std::optional<std::size_t> const there = find(key);
            // The block's own measurement of its point is not replaced by COLMAP's.
            if (oneName && there) continue;
            ModelObservation const& seen = element.image->image->points2D[element.point2D];
            tagImagePoint row{};
            row.imageNo = element.image->imageNo;
            row.x = seen.x - 0.5;
            row.y = seen.y - 0.5;
            row.type = 0;
            std::memcpy(row.name, ownName.data(), ownName.size());
            if (emit(row, *element.image, there.value_or(kNew), key) && oneName) ++summary.adopted;
        }
        if (!oneName && rows.size() > ownBefore) ++summary.ownPoints;
        if (rows.size() > rowsBefore)
            ++summary.points;
        else if (known.empty())
            ++summary.shortTracks;
    }
    summary.split = static_cast<std::size_t>(std::ranges::count(splitName, true));
    model.reset();

    // Rows the same as the block's are not written.
    std::vector<tagImagePoint> writes;
    writes.reserve(rows.size());
    for (Row const& row : rows) {
        if (row.replaces == kNew) {
            ++summary.added;
        } else if (std::memcmp(&current[row.replaces], &row.point, sizeof row.point) == 0) {
            ++summary.unchanged;
            continue;
        } else {
            ++summary.changed;
        }
        writes.push_back(row.point);
    }
    summary.observations = rows.size();
    summary.after = summary.before + static_cast<std::int64_t>(summary.added);
    if (writes.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) {
        problem = {kOutOfRange, "too many observations for one tie point file"};
        return false;
    }
    if (request.dryRun || writes.empty()) return true;
    auto const count = static_cast<std::int32_t>(writes.size());
    std::int32_t const code = exists ? ybAppendTiePntToFile(block.tiePointPath.c_str(), writes.data(), count)
                                     : ybCreateTiePntFile(block.tiePointPath.c_str(), writes.data(), count);
    if (code != kSuccess) {
        problem = {code, shown(block.tiePointPath) + ": the merge failed: " + codeText(code) +
                             "; the tie point file is as it was"};
        return false;
    }
    std::int32_t after = 0;
    if (ybReadTiePntNums(block.tiePointPath.c_str(), after) == kSuccess) summary.after = after;
    return true;
}

Model modelOfTiePoints(std::vector<std::string> const& imageNames, std::vector<std::int32_t> const& imageNumbers,
                       std::vector<tagImagePoint> const& points, std::uint64_t width, std::uint64_t height) {
    Model model;
    double const w = static_cast<double>(width), h = static_cast<double>(height);
    model.cameras.push_back({1, 1, width, height, {w, w, w / 2, h / 2}});
    std::unordered_map<std::int32_t, std::uint32_t> imageOf;
    for (std::size_t k = 0; k < imageNames.size(); ++k) {
        ModelImage image;
        image.id = static_cast<std::uint32_t>(k + 1);
        image.rotation = {1.0, 0.0, 0.0, 0.0};
        image.camera = 1;
        image.name = imageNames[k];
        model.images.push_back(std::move(image));
        imageOf.emplace(imageNumbers[k], static_cast<std::uint32_t>(k));
    }
    std::unordered_map<std::string, std::size_t> pointOf;
    std::vector<std::vector<TrackElement>> tracks;
    for (tagImagePoint const& point : points) {
        std::int32_t const imageNo = point.imageNo;
        auto const image = imageOf.find(imageNo);
        if (image == imageOf.end()) continue;
        auto& seen = model.images[image->second].points2D;
        auto const [at, added] =
            pointOf.emplace(lowered(platform::boundedText(point.name, sizeof point.name)), tracks.size());
        if (added) tracks.emplace_back();
        tracks[at->second].push_back({image->second + 1, static_cast<std::uint32_t>(seen.size())});
        seen.push_back({point.x + 0.5, point.y + 0.5, -1});
    }
    for (auto& track : tracks) {
        if (track.size() < 2) continue;
        ModelPoint point;
        point.id = model.points.size() + 1;
        for (TrackElement const& element : track)
            model.images[element.image - 1].points2D[element.point2D].point3D = static_cast<std::int64_t>(point.id);
        point.track = std::move(track);
        model.points.push_back(std::move(point));
    }
    return model;
}

}  // namespace yb::colmap
