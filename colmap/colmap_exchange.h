// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// A block's tie points, camera and image list handed to COLMAP as a database, and the tracks of a
// COLMAP sparse model brought back into the block's tie point file. `ybblock export colmap`,
// `ybblock import colmap` and the Python package share this code.
//
// Conventions:
// - COLMAP names an image by its file name: the last component of its path in the image list. An
//   import matches model images to the list by that file name, without regard to case.
// - A keypoint is a tie point observation: COLMAP's (x, y) = the block's measured (x + 0.5, y + 0.5),
//   since the block puts the upper-left pixel's centre at (0, 0) and COLMAP at (0.5, 0.5). The
//   keypoints of an image are its observations in the order of the tie point file.
// - Camera: from the camera file (principal distance in mm, principal point in micrometres) and each
//   image's inner orientation (pixels to micrometres, photo y up): fx = 1000 f / c1, fy = -1000 f / c5,
//   cx = (x0 - c0) / c1 + 0.5, cy = (y0 - c3) / c5 + 0.5. Images with the same parameters share one
//   COLMAP camera. A camera file with distortion records gives a radial model fitted to them (each
//   record: radius in mm from the principal point, the radial displacement there in micrometres,
//   outwards positive; the third value is not used); otherwise PINHOLE.
// - Point names of an import: "COLMAP" followed by the 3D point's id, so the same model imported again
//   replaces its own observations instead of adding them twice. Imported observations have point
//   type 0 and photo coordinates from the inner orientation (as a detach computes them).
#pragma once

#include <yb/ybBlockFileIO.h>

#include <cstdint>
#include <string>
#include <vector>

namespace yb::colmap {

// The COLMAP camera of an image; `problem` says why there is none.
struct CameraModel {
    std::int32_t model = 1;  // PINHOLE
    std::vector<double> params;
    std::string problem;
};
CameraModel cameraModelOf(CameraInfo const& camera, std::vector<AberranceInfo> const& distortion,
                          double const (&innerOrientation)[6], double width, double height);

struct ExportRequest {
    std::string block;   // host path of the block option file
    std::string folder;  // host path of the folder to write (made when missing; its parent must exist)
    bool force = false;  // replace a database.db that is there already
};

struct ExportSummary {
    std::string database;  // host path of the database written
    std::size_t images = 0;
    std::size_t cameras = 0;
    std::string firstCameraModel;  // its name, e.g. PINHOLE
    std::vector<double> firstCameraParams;
    std::size_t keypoints = 0;
    std::size_t pairs = 0;
    std::size_t matches = 0;  // match rows over all pairs (each also a two-view inlier)
    std::vector<std::string> notes;
};

// Writes database.db, image_list.txt and README.txt into the folder. False, with `problem` saying why,
// when nothing could be written or the block cannot go to COLMAP; the folder then holds what it held.
bool exportColmap(ExportRequest const& request, ExportSummary& summary, std::string& problem);

struct ImportRequest {
    std::string model;  // host path of the folder holding the sparse model
    std::string block;  // host path of the block option file
    bool dryRun = false;
};

struct ImportSummary {
    bool binary = false;                     // the model's form
    std::size_t modelImages = 0;             // images of the model
    std::size_t matchedImages = 0;           // of them, in the block's image list
    std::vector<std::string> missingImages;  // model image names the list lacks (skipped)
    std::size_t points = 0;                  // 3D points brought in (on two images of the block or more)
    std::size_t observations = 0;            // observations merged (or that would be)
    std::size_t replaced = 0;                // of them, replacing an observation of the same image and name
    std::size_t shortTracks = 0;             // 3D points left on fewer than two images of the block
    std::int64_t before = 0;                 // observations in the tie point file before
    std::int64_t after = 0;                  // and after (the dry run: what it would hold)
    std::string tiePointFile;                // host path
};

// Merges the model's tracks into the block's tie point file through the library's merge. False, with
// `problem`, on any failure; the tie point file is then as it was.
bool importColmap(ImportRequest const& request, ImportSummary& summary, std::string& problem);

// A sparse model whose tracks are the tie points themselves, as if COLMAP had kept them all: image k
// is `imageNames[k]` (number `imageNumbers[k]`), its keypoints its observations in the given order, and
// each name seen on two of the images or more one 3D point (ids from 1, in the order of first
// appearance), at the origin. For tests and benchmarks of the import.
struct Model;
Model modelOfTiePoints(std::vector<std::string> const& imageNames, std::vector<std::int32_t> const& imageNumbers,
                       std::vector<tagImagePoint> const& points);

}  // namespace yb::colmap
