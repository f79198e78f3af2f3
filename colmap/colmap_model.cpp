// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
#include "colmap_model.h"

#include "fs.h"
#include "hostpath.h"
#include "write_path.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <unordered_map>

namespace yb::colmap {
namespace {

constexpr CameraModelInfo kCameraModels[] = {
    {0, "SIMPLE_PINHOLE", 3},
    {1, "PINHOLE", 4},
    {2, "SIMPLE_RADIAL", 4},
    {3, "RADIAL", 5},
    {4, "OPENCV", 8},
    {5, "OPENCV_FISHEYE", 8},
    {6, "FULL_OPENCV", 12},
    {7, "FOV", 5},
    {8, "SIMPLE_RADIAL_FISHEYE", 4},
    {9, "RADIAL_FISHEYE", 5},
    {10, "THIN_PRISM_FISHEYE", 12},
};

// The smallest size of a record in the binary files, for bounding counts by the bytes left.
constexpr std::size_t kCameraBytes = 4 + 4 + 8 + 8;
constexpr std::size_t kImageBytes = 4 + 7 * 8 + 4 + 1 + 8;
constexpr std::size_t kPoint2DBytes = 8 + 8 + 8;
constexpr std::size_t kPoint3DBytes = 8 + 3 * 8 + 3 + 8 + 8;
constexpr std::size_t kTrackElementBytes = 4 + 4;

std::string fileIn(std::string const& folder, char const* name) { return pathIn(folder, name); }

bool readWholeFile(std::string const& hostPath, std::string& bytes, std::string& problem) {
    platform::File file = platform::openFile(hostPath, "rb");
    if (!file) {
        problem = hostPath + ": cannot be opened";
        return false;
    }
    bytes.clear();
    if (auto const size = platform::fileSize(hostPath)) bytes.reserve(static_cast<std::size_t>(*size));
    char buffer[1 << 16];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) bytes.append(buffer, got);
    if (std::ferror(file.get())) {
        problem = hostPath + ": cannot be read";
        return false;
    }
    return true;
}

// ---- binary ---------------------------------------------------------------------------------------

class BinaryReader {
public:
    BinaryReader(std::string_view bytes, std::string path) : bytes_(bytes), path_(std::move(path)) {}

    template <class T>
    bool take(T& value, char const* what) {
        if (bytes_.size() - at_ < sizeof value) return fail(std::string("cut short in ") + what);
        std::memcpy(&value, bytes_.data() + at_, sizeof value);
        at_ += sizeof value;
        return true;
    }
    // A count of records of at least `recordBytes` each, which the bytes left must be able to hold.
    bool takeCount(std::uint64_t& count, std::size_t recordBytes, char const* what) {
        if (!take(count, what)) return false;
        if (count > (bytes_.size() - at_) / recordBytes)
            return fail(std::string("a count of ") + std::to_string(count) + " " + what +
                        " is more than the file can hold");
        return true;
    }
    bool takeName(std::string& name) {
        std::size_t const end = bytes_.find('\0', at_);
        if (end == std::string_view::npos) return fail("cut short in an image name");
        name.assign(bytes_.substr(at_, end - at_));
        at_ = end + 1;
        return true;
    }
    bool atEnd() const { return at_ == bytes_.size(); }
    bool fail(std::string const& what) {
        problem_ = path_ + ": " + what + " (at byte " + std::to_string(at_) + "); the model is damaged";
        return false;
    }
    std::string const& problem() const { return problem_; }

private:
    std::string_view bytes_;
    std::string path_;
    std::size_t at_ = 0;
    std::string problem_;
};

bool readCamerasBinary(BinaryReader& in, Model& model) {
    std::uint64_t count = 0;
    if (!in.takeCount(count, kCameraBytes, "cameras")) return false;
    model.cameras.resize(count);
    for (ModelCamera& camera : model.cameras) {
        std::int32_t id = 0;
        if (!in.take(id, "a camera") || !in.take(camera.model, "a camera")) return false;
        CameraModelInfo const* info = cameraModelById(camera.model);
        if (info == nullptr)
            return in.fail("camera " + std::to_string(id) + " has the unknown camera model id " +
                           std::to_string(camera.model));
        camera.id = static_cast<std::uint32_t>(id);
        if (!in.take(camera.width, "a camera") || !in.take(camera.height, "a camera")) return false;
        camera.params.resize(info->parameters);
        for (double& value : camera.params)
            if (!in.take(value, "a camera's parameters")) return false;
    }
    return in.atEnd() || in.fail("bytes after the last camera");
}

bool readImagesBinary(BinaryReader& in, Model& model) {
    std::uint64_t count = 0;
    if (!in.takeCount(count, kImageBytes, "images")) return false;
    model.images.resize(count);
    for (ModelImage& image : model.images) {
        if (!in.take(image.id, "an image")) return false;
        for (double& value : image.rotation)
            if (!in.take(value, "an image")) return false;
        for (double& value : image.translation)
            if (!in.take(value, "an image")) return false;
        if (!in.take(image.camera, "an image") || !in.takeName(image.name)) return false;
        std::uint64_t points = 0;
        if (!in.takeCount(points, kPoint2DBytes, "image points")) return false;
        image.points2D.resize(points);
        for (ModelObservation& point : image.points2D)
            if (!in.take(point.x, "an image point") || !in.take(point.y, "an image point") ||
                !in.take(point.point3D, "an image point"))
                return false;
    }
    return in.atEnd() || in.fail("bytes after the last image");
}

bool readPointsBinary(BinaryReader& in, Model& model) {
    std::uint64_t count = 0;
    if (!in.takeCount(count, kPoint3DBytes, "points")) return false;
    model.points.resize(count);
    for (ModelPoint& point : model.points) {
        if (!in.take(point.id, "a point")) return false;
        for (double& value : point.position)
            if (!in.take(value, "a point")) return false;
        for (std::uint8_t& value : point.colour)
            if (!in.take(value, "a point")) return false;
        if (!in.take(point.error, "a point")) return false;
        std::uint64_t length = 0;
        if (!in.takeCount(length, kTrackElementBytes, "track elements")) return false;
        point.track.resize(length);
        for (TrackElement& element : point.track)
            if (!in.take(element.image, "a track") || !in.take(element.point2D, "a track")) return false;
    }
    return in.atEnd() || in.fail("bytes after the last point");
}

// ---- text -----------------------------------------------------------------------------------------

class TextReader {
public:
    TextReader(std::string_view text, std::string path) : text_(text), path_(std::move(path)) {}

    // The next line that is neither empty nor a comment; false at the end.
    bool nextLine() {
        while (at_ < text_.size()) {
            std::size_t end = text_.find('\n', at_);
            if (end == std::string_view::npos) end = text_.size();
            line_ = text_.substr(at_, end - at_);
            at_ = end + 1;
            ++lineNumber_;
            if (!line_.empty() && line_.back() == '\r') line_.remove_suffix(1);
            std::size_t const first = line_.find_first_not_of(" \t");
            if (first == std::string_view::npos || line_[first] == '#') continue;
            line_.remove_prefix(first);
            return true;
        }
        return false;
    }
    // The very next line, even an empty one (an image's point line may be empty); an empty line at
    // the end of the text.
    void nextRawLine() {
        ++lineNumber_;
        if (at_ >= text_.size()) {
            line_ = {};
            return;
        }
        std::size_t end = text_.find('\n', at_);
        if (end == std::string_view::npos) end = text_.size();
        line_ = text_.substr(at_, end - at_);
        at_ = end + 1;
        if (!line_.empty() && line_.back() == '\r') line_.remove_suffix(1);
    }

    bool word(std::string_view& out) {
        std::size_t const first = line_.find_first_not_of(" \t");
        if (first == std::string_view::npos) return false;
        line_.remove_prefix(first);
        std::size_t const end = std::min(line_.find_first_of(" \t"), line_.size());
        out = line_.substr(0, end);
        line_.remove_prefix(end);
        return true;
    }
    template <class Number>
    bool number(Number& value, char const* what) {
        std::string_view text;
        if (!word(text)) return fail(std::string("a line ends before its ") + what);
        if (!text.empty() && text.front() == '+') text.remove_prefix(1);
        auto const [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (error != std::errc() || end != text.data() + text.size())
            return fail(std::string("'") + std::string(text) + "' is not a valid " + what);
        return true;
    }
    // What is left of the line, without the blanks around it.
    std::string_view rest() {
        std::size_t const first = line_.find_first_not_of(" \t");
        if (first == std::string_view::npos) return {};
        std::string_view text = line_.substr(first);
        while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
        return text;
    }
    bool lineDone(char const* what) { return rest().empty() || fail(std::string("more values than ") + what + " has"); }
    // Values left on the line, as a bound on what it can still hold.
    std::size_t bytesLeft() const { return line_.size(); }
    bool fail(std::string const& what) {
        problem_ = path_ + ":" + std::to_string(lineNumber_) + ": " + what + "; the model is damaged";
        return false;
    }
    std::string const& problem() const { return problem_; }

private:
    std::string_view text_;
    std::string path_;
    std::size_t at_ = 0;
    std::size_t lineNumber_ = 0;
    std::string_view line_;
    std::string problem_;
};

bool readCamerasText(TextReader& in, Model& model) {
    while (in.nextLine()) {
        ModelCamera camera;
        std::string_view name;
        if (!in.number(camera.id, "camera id")) return false;
        if (!in.word(name)) return in.fail("a camera line ends before its model");
        CameraModelInfo const* info = cameraModelByName(name);
        if (info == nullptr)
            return in.fail("camera " + std::to_string(camera.id) + " has the unknown camera model '" +
                           std::string(name) + "'");
        camera.model = info->id;
        if (!in.number(camera.width, "width") || !in.number(camera.height, "height")) return false;
        camera.params.resize(info->parameters);
        for (double& value : camera.params)
            if (!in.number(value, "camera parameter")) return false;
        if (!in.lineDone("the camera model")) return false;
        model.cameras.push_back(std::move(camera));
    }
    return true;
}

bool readImagesText(TextReader& in, Model& model) {
    while (in.nextLine()) {
        ModelImage image;
        if (!in.number(image.id, "image id")) return false;
        for (double& value : image.rotation)
            if (!in.number(value, "rotation")) return false;
        for (double& value : image.translation)
            if (!in.number(value, "translation")) return false;
        if (!in.number(image.camera, "camera id")) return false;
        std::string_view const name = in.rest();
        if (name.empty()) return in.fail("an image line ends before its name");
        image.name = std::string(name);
        in.nextRawLine();
        // Each point takes at least six bytes ("x y p "), a bound on what the line can hold.
        image.points2D.reserve(in.bytesLeft() / 6);
        for (;;) {
            std::string_view probe = in.rest();
            if (probe.empty()) break;
            ModelObservation point;
            if (!in.number(point.x, "point x") || !in.number(point.y, "point y") ||
                !in.number(point.point3D, "3D point id"))
                return false;
            image.points2D.push_back(point);
        }
        model.images.push_back(std::move(image));
    }
    return true;
}

bool readPointsText(TextReader& in, Model& model) {
    while (in.nextLine()) {
        ModelPoint point;
        if (!in.number(point.id, "3D point id")) return false;
        for (double& value : point.position)
            if (!in.number(value, "coordinate")) return false;
        for (std::uint8_t& value : point.colour) {
            unsigned int channel = 0;
            if (!in.number(channel, "colour")) return false;
            if (channel > 255) return in.fail("a colour above 255");
            value = static_cast<std::uint8_t>(channel);
        }
        if (!in.number(point.error, "error")) return false;
        point.track.reserve(in.bytesLeft() / 4);
        while (!in.rest().empty()) {
            TrackElement element;
            if (!in.number(element.image, "track image id") || !in.number(element.point2D, "track point index"))
                return false;
            point.track.push_back(element);
        }
        model.points.push_back(std::move(point));
    }
    return true;
}

// Every image names a camera of the model, every track element an image and one of its points that
// names the track's point back; ids are unique.
bool checkModel(Model const& model, std::string const& folder, std::string& problem) {
    std::unordered_map<std::uint32_t, std::size_t> cameras, images;
    for (std::size_t i = 0; i < model.cameras.size(); ++i)
        if (!cameras.emplace(model.cameras[i].id, i).second) {
            problem =
                folder + ": camera " + std::to_string(model.cameras[i].id) + " is listed twice; the model is damaged";
            return false;
        }
    for (std::size_t i = 0; i < model.images.size(); ++i) {
        ModelImage const& image = model.images[i];
        if (!images.emplace(image.id, i).second) {
            problem = folder + ": image " + std::to_string(image.id) + " is listed twice; the model is damaged";
            return false;
        }
        if (!cameras.contains(image.camera)) {
            problem = folder + ": image " + std::to_string(image.id) + " (" + image.name + ") names camera " +
                      std::to_string(image.camera) + ", which the model lacks; the model is damaged";
            return false;
        }
    }
    for (ModelPoint const& point : model.points) {
        for (TrackElement const& element : point.track) {
            auto const found = images.find(element.image);
            std::string const where = folder + ": the track of 3D point " + std::to_string(point.id);
            if (found == images.end()) {
                problem = where + " names image " + std::to_string(element.image) +
                          ", which the model lacks; the model is damaged";
                return false;
            }
            ModelImage const& image = model.images[found->second];
            if (element.point2D >= image.points2D.size()) {
                problem = where + " names point " + std::to_string(element.point2D) + " of image " +
                          std::to_string(element.image) + ", which has " + std::to_string(image.points2D.size()) +
                          "; the model is damaged";
                return false;
            }
            if (image.points2D[element.point2D].point3D != static_cast<std::int64_t>(point.id)) {
                problem = where + " holds point " + std::to_string(element.point2D) + " of image " +
                          std::to_string(element.image) + ", which belongs to another 3D point; the model is damaged";
                return false;
            }
        }
    }
    return true;
}

// ---- writing --------------------------------------------------------------------------------------

std::string number(double value) {
    char text[64];
    return std::string(text, std::to_chars(text, text + sizeof text, value).ptr);
}

bool writeFile(std::string const& path, std::string const& bytes, std::string& problem) {
    bool const written = platform::replaceFile(path, [&](platform::Output& output) {
        output.write(bytes.data(), bytes.size());
        return true;
    });
    if (!written) problem = path + ": cannot be written";
    return written;
}

template <class T>
void put(std::string& bytes, T const& value) {
    bytes.append(reinterpret_cast<char const*>(&value), sizeof value);
}

}  // namespace

std::string pathIn(std::string const& folder, std::string_view name) {
    // A host path has a backslash or a drive letter; a native one is joined as its system joins it.
    bool const host = folder.find('\\') != std::string::npos || (folder.size() >= 2 && folder[1] == ':');
    if (host) return platform::joinPath(folder, name);
    if (folder.empty()) return std::string(name);
    std::string path = folder;
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path + "/" + std::string(name);
}

CameraModelInfo const* cameraModelById(std::int64_t id) {
    for (auto const& info : kCameraModels)
        if (info.id == id) return &info;
    return nullptr;
}

CameraModelInfo const* cameraModelByName(std::string_view name) {
    for (auto const& info : kCameraModels)
        if (info.name == name) return &info;
    return nullptr;
}

std::optional<Model> readModel(std::string const& folder, std::string& problem) {
    Model model;
    model.binary = platform::isRegularFile(fileIn(folder, "cameras.bin"));
    char const* const names[3] = {model.binary ? "cameras.bin" : "cameras.txt",
                                  model.binary ? "images.bin" : "images.txt",
                                  model.binary ? "points3D.bin" : "points3D.txt"};
    if (!model.binary && !platform::isRegularFile(fileIn(folder, "cameras.txt"))) {
        problem = folder + ": no COLMAP model here (cameras, images and points3D, as .bin or .txt files)";
        if (platform::isDirectory(pathIn(folder, "sparse")))
            problem += "; the mapper writes its models into sparse/0, sparse/1, ...";
        return std::nullopt;
    }
    std::string bytes;
    for (int file = 0; file < 3; ++file) {
        std::string const path = fileIn(folder, names[file]);
        if (!platform::isRegularFile(path)) {
            problem = path + ": missing; a model has cameras, images and points3D";
            return std::nullopt;
        }
        if (!readWholeFile(path, bytes, problem)) return std::nullopt;
        bool read = false;
        if (model.binary) {
            BinaryReader in(bytes, path);
            read = file == 0   ? readCamerasBinary(in, model)
                   : file == 1 ? readImagesBinary(in, model)
                               : readPointsBinary(in, model);
            if (!read) problem = in.problem();
        } else {
            TextReader in(bytes, path);
            read = file == 0   ? readCamerasText(in, model)
                   : file == 1 ? readImagesText(in, model)
                               : readPointsText(in, model);
            if (!read) problem = in.problem();
        }
        if (!read) return std::nullopt;
    }
    if (!checkModel(model, folder, problem)) return std::nullopt;
    return model;
}

bool writeModel(Model const& model, std::string const& folder, bool binary, std::string& problem) {
    std::string cameras, images, points;
    if (binary) {
        put(cameras, static_cast<std::uint64_t>(model.cameras.size()));
        for (ModelCamera const& camera : model.cameras) {
            put(cameras, static_cast<std::int32_t>(camera.id));
            put(cameras, camera.model);
            put(cameras, camera.width);
            put(cameras, camera.height);
            for (double value : camera.params) put(cameras, value);
        }
        put(images, static_cast<std::uint64_t>(model.images.size()));
        for (ModelImage const& image : model.images) {
            put(images, image.id);
            for (double value : image.rotation) put(images, value);
            for (double value : image.translation) put(images, value);
            put(images, image.camera);
            images.append(image.name);
            images.push_back('\0');
            put(images, static_cast<std::uint64_t>(image.points2D.size()));
            for (ModelObservation const& point : image.points2D) {
                put(images, point.x);
                put(images, point.y);
                put(images, point.point3D);
            }
        }
        put(points, static_cast<std::uint64_t>(model.points.size()));
        for (ModelPoint const& point : model.points) {
            put(points, point.id);
            for (double value : point.position) put(points, value);
            for (std::uint8_t value : point.colour) put(points, value);
            put(points, point.error);
            put(points, static_cast<std::uint64_t>(point.track.size()));
            for (TrackElement const& element : point.track) {
                put(points, element.image);
                put(points, element.point2D);
            }
        }
    } else {
        cameras = "# Camera list with one line of data per camera:\n#   CAMERA_ID, MODEL, WIDTH, HEIGHT, PARAMS[]\n";
        for (ModelCamera const& camera : model.cameras) {
            CameraModelInfo const* info = cameraModelById(camera.model);
            cameras += std::to_string(camera.id) + " " + std::string(info != nullptr ? info->name : "UNKNOWN") + " " +
                       std::to_string(camera.width) + " " + std::to_string(camera.height);
            for (double value : camera.params) cameras += " " + number(value);
            cameras += "\n";
        }
        images = "# Image list with two lines of data per image:\n";
        for (ModelImage const& image : model.images) {
            images += std::to_string(image.id);
            for (double value : image.rotation) images += " " + number(value);
            for (double value : image.translation) images += " " + number(value);
            images += " " + std::to_string(image.camera) + " " + image.name + "\n";
            for (std::size_t k = 0; k < image.points2D.size(); ++k)
                images += (k ? " " : "") + number(image.points2D[k].x) + " " + number(image.points2D[k].y) + " " +
                          std::to_string(image.points2D[k].point3D);
            images += "\n";
        }
        points = "# 3D point list with one line of data per point:\n";
        for (ModelPoint const& point : model.points) {
            points += std::to_string(point.id);
            for (double value : point.position) points += " " + number(value);
            for (std::uint8_t value : point.colour) points += " " + std::to_string(value);
            points += " " + number(point.error);
            for (TrackElement const& element : point.track)
                points += " " + std::to_string(element.image) + " " + std::to_string(element.point2D);
            points += "\n";
        }
    }
    char const* const suffix = binary ? ".bin" : ".txt";
    return writeFile(fileIn(folder, (std::string("cameras") + suffix).c_str()), cameras, problem) &&
           writeFile(fileIn(folder, (std::string("images") + suffix).c_str()), images, problem) &&
           writeFile(fileIn(folder, (std::string("points3D") + suffix).c_str()), points, problem);
}

}  // namespace yb::colmap
