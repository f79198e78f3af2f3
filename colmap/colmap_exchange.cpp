// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
#include "colmap_exchange.h"

#include "colmap_database.h"
#include "colmap_model.h"

#include <yb/YbiBase.h>
#include <yb/YbiSurvey.h>

#include "fs.h"
#include "gbk.h"
#include "hostpath.h"
#include "imagelist/image_list.h"
#include "points/point_records.h"
#include "tiepoints/tie_point_file.h"
#include "result_codes.h"
#include "write_path.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <map>
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

constexpr char const* kImageTypeNames[] = {
    "metric camera",        "digital camera",         "non-metric camera",        "general satellite image",
    "SPOT satellite image", "IKONOS satellite image", "QUICKBIRD satellite image"};

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

bool readBlock(std::string const& optionPath, OpenBlock& block, std::string& problem) {
    block.optionPath = optionPath;
    if (std::int32_t code = ybReadBlockOptionFile(optionPath.c_str(), &block.info); code != kSuccess) {
        problem = shown(optionPath) + ": the block option file cannot be read: " + codeText(code);
        return false;
    }
    std::int32_t const type = block.info.imageType;
    if (type != 0 && type != 1) {
        problem = shown(optionPath) + ": the block holds " +
                  (type >= 0 && type <= 6 ? std::string(kImageTypeNames[type]) + "s"
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
        problem = "the camera file '" + shown(cameraPath) + "' of the block cannot be read: " + codeText(code);
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
        problem = shown(block.imageListPath) + ": the image list cannot be read: " + codeText(code);
        return false;
    }
    return true;
}

bool readInnerOrientation(OpenBlock const& block, ImageOrderInfo const& image, double (&coefficients)[6],
                          std::string& problem) {
    std::string const path = ybGetImgAuxFileName(block.info, image.szImagePath, ".ioc", nullptr, nullptr);
    if (std::int32_t code = ybReadInnefCeff(path.c_str(), coefficients); code != 0) {
        problem = "image " + std::to_string(image.nImageNo) + ": its inner orientation '" + shown(path) +
                  "' cannot be read (" + std::to_string(code) + "); run the inner orientation first";
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

bool writeText(std::string const& hostPath, std::string const& text, std::string& problem) {
    if (platform::replaceFile(hostPath, [&](platform::Output& output) {
            output.write(text.data(), text.size());
            return true;
        }))
        return true;
    problem = shown(hostPath) + ": cannot be written";
    return false;
}

// One observation on its way to the database.
struct Keyed {
    std::uint32_t name;   // index of its lower-cased name
    std::uint32_t image;  // index in the image list
    std::uint32_t keypoint;
};

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

bool exportColmap(ExportRequest const& request, ExportSummary& summary, std::string& problem) {
    // One workflow: the per-image lookups share what they learn of the block's folders.
    platform::CallScope const call;
    summary = ExportSummary{};
    OpenBlock block;
    if (!readBlock(request.block, block, problem)) return false;
    if (block.images.empty()) {
        problem = shown(block.imageListPath) + ": the image list holds no images";
        return false;
    }
    std::vector<std::string> twice;
    imagesByName(block.images, twice);
    if (!twice.empty()) {
        problem = "the image list names two images '" + shown(twice.front()) +
                  "' (file names compared without regard to case); COLMAP names images by file name";
        return false;
    }
    if (block.images.size() >= 2147483647u) {
        problem = "too many images for COLMAP";
        return false;
    }

    // Cameras: one per distinct set of parameters.
    std::map<std::pair<std::int32_t, std::vector<double>>, std::uint32_t> cameraIds;
    std::vector<std::pair<CameraModel, std::array<double, 2>>> cameras;
    std::vector<std::uint32_t> cameraOfImage(block.images.size());
    std::size_t sizesGuessed = 0;
    for (std::size_t i = 0; i < block.images.size(); ++i) {
        ImageOrderInfo const& image = block.images[i].record;
        double coefficients[6];
        if (!readInnerOrientation(block, image, coefficients, problem)) return false;
        // An image's size matters for a camera not met before, and for the shear it bounds; the image
        // file is read for those alone (a block's images mostly share one camera).
        double width = 0, height = 0;
        bool const sheared = coefficients[2] != 0.0 || coefficients[4] != 0.0;
        CameraModel model = cameraModelOf(block.camera, block.distortion, coefficients, 0, 0);
        bool const known = model.problem.empty() && cameraIds.contains(std::pair{model.model, model.params});
        bool sized = false;
        if (sheared || !known) {
            sized = imageSize(image, width, height);
            // Without the image file the frame is taken to be centred on the principal point.
            model = cameraModelOf(block.camera, block.distortion, coefficients, sized ? width : 1, sized ? height : 1);
        }
        if (!model.problem.empty()) {
            problem = "image " + std::to_string(image.nImageNo) + ": " + model.problem;
            return false;
        }
        if (!sized && !known) {
            ++sizesGuessed;
            std::size_t const centre = model.params.size() == 4 || model.params.size() == 8 ? 2 : 1;
            width = std::max(1.0, std::round(2 * model.params[centre]));
            height = std::max(1.0, std::round(2 * model.params[centre + 1]));
        }
        auto const [at, added] = cameraIds.emplace(std::pair{model.model, model.params}, 0);
        if (added) {
            at->second = static_cast<std::uint32_t>(cameras.size() + 1);
            cameras.push_back({model, {width, height}});
        }
        cameraOfImage[i] = at->second;
    }
    if (sizesGuessed > 0)
        summary.notes.push_back(std::to_string(sizesGuessed) +
                                " camera(s) without a readable image file: the frame is taken as twice the "
                                "principal point");

    // Keypoints: every observation of a listed image, in the tie point file's order, read a group at a
    // time; each name numbered as first met, without regard to case.
    std::unordered_map<std::int32_t, std::uint32_t> imageOfNumber;
    for (std::size_t i = 0; i < block.images.size(); ++i)
        imageOfNumber.emplace(block.images[i].record.nImageNo, static_cast<std::uint32_t>(i));
    std::vector<std::vector<float>> keypoints(block.images.size());
    std::vector<Keyed> keyed;
    std::uint32_t names = 0;
    std::size_t unlisted = 0;
    {
        tiepoints::TiePointFileReader reader;
        std::int32_t code = reader.open(block.tiePointPath.c_str(), HB_MESSAGE_PLAIN);
        std::size_t const capacity = code == kSuccess ? static_cast<std::size_t>(reader.recordCapacity()) : 0;
        keyed.reserve(capacity);
        points::NameTable nameIndex(capacity / 2);
        platform::UninitialisedVector<tagImagePoint> group;
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
            group.clear();
            if ((code = reader.readRecords(count, group)) != kSuccess) break;
            std::uint32_t const imageIndex = image->second;
            std::vector<float>& xy = keypoints[imageIndex];
            xy.reserve(xy.size() + 2 * group.size());
            nameIndex.forEachKey(
                group.size(), [&](std::size_t i) { return points::nameKeyOf(group[i]); },
                [&](std::size_t i, points::NameKey const& key) {
                    auto const [at, added] = nameIndex.tryEmplace(key, names);
                    names += added ? 1 : 0;
                    keyed.push_back({*at, imageIndex, static_cast<std::uint32_t>(xy.size() / 2)});
                    xy.push_back(static_cast<float>(group[i].x + 0.5));
                    xy.push_back(static_cast<float>(group[i].y + 0.5));
                });
        }
        if (code != kSuccess) {
            problem = shown(block.tiePointPath) + ": the tie point file cannot be read: " + codeText(code);
            return false;
        }
    }
    if (unlisted > 0)
        summary.notes.push_back(std::to_string(unlisted) + " observations of images the list lacks are left out");

    // Observations by name (a counting sort keeps each name's in image order), then every pair of them.
    std::vector<std::uint32_t> start(std::size_t{names} + 1, 0);
    for (Keyed const& k : keyed) ++start[k.name + 1];
    for (std::size_t n = 1; n < start.size(); ++n) start[n] += start[n - 1];
    std::vector<Keyed> grouped(keyed.size());
    {
        std::vector<std::uint32_t> next(start.begin(), start.end() - 1);
        for (Keyed const& k : keyed) grouped[next[k.name]++] = k;
    }
    std::vector<Keyed>().swap(keyed);
    // For each first image: (second image, keypoint in the first, keypoint in the second).
    struct Half {
        std::uint32_t second, first, other;
    };
    std::vector<std::vector<Half>> halves(block.images.size());
    std::size_t repeated = 0;
    for (std::size_t n = 0; n + 1 < start.size(); ++n) {
        std::uint32_t const begin = start[n], end = start[n + 1];
        for (std::uint32_t a = begin; a < end; ++a) {
            if (a > begin && grouped[a].image == grouped[a - 1].image) {
                ++repeated;  // the same name twice on an image: its first observation is matched
                continue;
            }
            for (std::uint32_t b = a + 1; b < end; ++b) {
                if (grouped[b].image == grouped[b - 1].image) continue;
                halves[grouped[a].image].push_back({grouped[b].image, grouped[a].keypoint, grouped[b].keypoint});
            }
        }
    }
    if (repeated > 0)
        summary.notes.push_back(std::to_string(repeated) +
                                " observations repeat a name on the same image; only the first of each is matched");
    std::vector<std::uint32_t>().swap(start);
    std::vector<Keyed>().swap(grouped);

    // The folder and the database.
    std::string const folder = platform::withoutTrailingBackslashes(request.folder);
    if (!platform::isDirectory(folder) && !platform::makeDirectory(folder)) {
        problem = shown(folder) + ": the folder cannot be made (its parent must exist)";
        return false;
    }
    summary.database = pathIn(folder, "database.db");
    auto const native = platform::nativePath(summary.database, true);
    if (!native) {
        problem = shown(summary.database) + ": names no file on this machine";
        return false;
    }
    if (platform::nativeFileExists(*native) && !request.force) {
        std::string const what = whatDatabaseIs(*native);
        problem = shown(summary.database) + " is there already (" +
                  (what.empty() ? std::string("a COLMAP database") : what) +
                  "); --force replaces it, or choose another folder";
        return false;
    }
    DatabaseWriter database(*native);
    for (std::size_t c = 0; c < cameras.size(); ++c) {
        auto const& [model, size] = cameras[c];
        database.addCamera(static_cast<std::uint32_t>(c + 1), model.model, static_cast<std::uint64_t>(size[0]),
                           static_cast<std::uint64_t>(size[1]), model.params, true);
    }
    std::string imageList;
    for (std::size_t i = 0; i < block.images.size(); ++i) {
        auto const utf8 = platform::gbkToUtf8(block.images[i].fileName);
        if (!utf8) {
            problem =
                "image " + std::to_string(block.images[i].record.nImageNo) + ": its file name is not valid GBK text";
            return false;
        }
        database.addImage(static_cast<std::uint32_t>(i + 1), *utf8, cameraOfImage[i]);
        database.addKeypoints(static_cast<std::uint32_t>(i + 1), keypoints[i]);
        summary.keypoints += keypoints[i].size() / 2;
        imageList += *utf8 + "\n";
    }
    std::vector<MatchRow> rows;
    for (std::size_t i = 0; i < halves.size() && database.ok(); ++i) {
        std::vector<Half>& pairs = halves[i];
        std::sort(pairs.begin(), pairs.end(), [](Half const& a, Half const& b) {
            return a.second != b.second ? a.second < b.second : a.first < b.first;
        });
        for (std::size_t from = 0; from < pairs.size();) {
            std::size_t to = from;
            rows.clear();
            for (; to < pairs.size() && pairs[to].second == pairs[from].second; ++to)
                rows.push_back({pairs[to].first, pairs[to].other});
            database.addPair(static_cast<std::uint32_t>(i + 1), pairs[from].second + 1, rows.data(), rows.size());
            ++summary.pairs;
            summary.matches += rows.size();
            from = to;
        }
        std::vector<Half>().swap(pairs);
    }
    if (!database.commit()) {
        problem = shown(database.problem());
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
        std::to_string(summary.cameras) + " camera(s) (" + summary.firstCameraModel + "), " +
        std::to_string(summary.keypoints) + " tie point observations as keypoints, and for the " +
        std::to_string(summary.pairs) +
        " pairs of images that share points their matches, entered as\n"
        "                verified two-view geometries. Keypoint (x, y) = the block's measured (x + 0.5, y + 0.5).\n"
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
    if (!writeText(pathIn(folder, "image_list.txt"), imageList, problem) ||
        !writeText(pathIn(folder, "README.txt"), readme, problem))
        return false;
    return true;
}

bool importColmap(ImportRequest const& request, ImportSummary& summary, std::string& problem) {
    platform::CallScope const call;
    summary = ImportSummary{};
    OpenBlock block;
    if (!readBlock(request.block, block, problem)) return false;
    std::optional<Model> model = readModel(request.model, problem);
    if (!model) {
        problem = shown(problem);
        return false;
    }
    summary.binary = model->binary;
    summary.modelImages = model->images.size();
    summary.tiePointFile = block.tiePointPath;
    std::vector<std::string> twice;
    auto const byName = imagesByName(block.images, twice);

    // Model images to block images, by file name.
    struct Matched {
        std::int32_t imageNo = 0;
        double inner[6] = {};
        ModelImage const* image = nullptr;
    };
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
        if (std::ranges::count_if(twice, [&](std::string const& t) { return platform::equalsIgnoreCase(t, *gbk); }) >
            0) {
            problem = "the model's image '" + image.name + "' matches two images of the block's image list";
            return false;
        }
        Matched entry;
        entry.image = &image;
        entry.imageNo = block.images[found->second].record.nImageNo;
        if (!readInnerOrientation(block, block.images[found->second].record, entry.inner, problem)) return false;
        matched.emplace(image.id, entry);
    }
    summary.matchedImages = matched.size();
    if (matched.empty()) {
        problem = "none of the model's " + std::to_string(model->images.size()) +
                  " images is in the block's image list (images are matched by file name" +
                  (model->images.empty() ? std::string(")") : ", e.g. '" + model->images.front().name + "')") +
                  "; nothing changed";
        return false;
    }

    // One observation per track element on an image of the block; a point named after its id.
    std::vector<tagImagePoint> points;
    for (ModelPoint const& point : model->points) {
        std::size_t const first = points.size();
        std::string const name = "COLMAP" + std::to_string(point.id);
        for (TrackElement const& element : point.track) {
            auto const found = matched.find(element.image);
            if (found == matched.end()) continue;
            ModelObservation const& seen = found->second.image->points2D[element.point2D];
            tagImagePoint observation{};
            observation.imageNo = found->second.imageNo;
            observation.x = seen.x - 0.5;
            observation.y = seen.y - 0.5;
            double photo[2] = {};
            ybCalInnerDirectional_2(observation.x, observation.y, found->second.inner, &block.camera, photo);
            observation.photoX = 0.001 * photo[0];
            observation.photoY = 0.001 * photo[1];
            observation.type = 0;
            std::memcpy(observation.name, name.data(), std::min(name.size(), sizeof observation.name - 1));
            points.push_back(observation);
        }
        if (points.size() - first < 2) {
            points.resize(first);
            ++summary.shortTracks;
        } else {
            ++summary.points;
        }
    }
    model.reset();
    summary.observations = points.size();
    if (points.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) {
        problem = "too many observations for one tie point file";
        return false;
    }

    bool const exists = platform::isRegularFile(block.tiePointPath);
    std::int32_t before = 0;
    if (exists) {
        if (std::int32_t code = ybReadTiePntNums(block.tiePointPath.c_str(), before); code != kSuccess) {
            problem = shown(block.tiePointPath) + ": the tie point file cannot be read: " + codeText(code) +
                      "; nothing changed";
            return false;
        }
    }
    summary.before = before;
    auto const count = static_cast<std::int32_t>(points.size());
    if (request.dryRun) {
        // What the merge would replace: observations of the same image and name already there.
        std::unordered_set<std::string> present;
        if (exists) {
            std::vector<tagImagePoint> current;
            if (std::int32_t code = ybReadTiePntFileToAry(block.tiePointPath.c_str(), current); code != kSuccess) {
                problem = shown(block.tiePointPath) + ": the tie point file cannot be read: " + codeText(code);
                return false;
            }
            present.reserve(current.size());
            for (tagImagePoint const& point : current)
                present.insert(std::to_string(point.imageNo) + ":" +
                               lowered(platform::boundedText(point.name, sizeof point.name)));
        }
        std::unordered_set<std::string> seen;
        for (tagImagePoint const& point : points) {
            std::string key =
                std::to_string(point.imageNo) + ":" + lowered(platform::boundedText(point.name, sizeof point.name));
            if (present.contains(key) || !seen.insert(std::move(key)).second) ++summary.replaced;
        }
        summary.after = summary.before + static_cast<std::int64_t>(summary.observations - summary.replaced);
        return true;
    }
    if (count == 0) {
        summary.after = summary.before;
        return true;
    }
    std::int32_t const code = exists ? ybAppendTiePntToFile(block.tiePointPath.c_str(), points.data(), count)
                                     : ybCreateTiePntFile(block.tiePointPath.c_str(), points.data(), count);
    if (code != kSuccess) {
        problem =
            shown(block.tiePointPath) + ": the merge failed: " + codeText(code) + "; the tie point file is as it was";
        return false;
    }
    std::int32_t after = 0;
    ybReadTiePntNums(block.tiePointPath.c_str(), after);
    summary.after = after;
    summary.replaced =
        summary.observations - static_cast<std::size_t>(std::max<std::int64_t>(0, summary.after - summary.before));
    return true;
}

Model modelOfTiePoints(std::vector<std::string> const& imageNames, std::vector<std::int32_t> const& imageNumbers,
                       std::vector<tagImagePoint> const& points) {
    Model model;
    model.cameras.push_back({1, 1, 1000, 1000, {1000.0, 1000.0, 500.0, 500.0}});
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
