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
// - The export writes down, in tables of its own in the database (COLMAP leaves them alone), the
//   block and, for every keypoint, the observation it came from (image number and point name).
// - Names on import: a track element that is an exported keypoint goes back to the observation it
//   came from, under its name, whatever track COLMAP put it in (a track that joins several block
//   points, or one of several tracks that split a point, changes no name). The measured x, y stay the
//   block's own (COLMAP holds them as 32-bit floats); an observation changed or removed in the block
//   since the export is left as it is. Keypoints of COLMAP's own (no export record for them) take
//   the name of the one block point their track holds, or else make a point "COLMAP_<tag>_<id>": the
//   tag comes from the model's tracks (or the caller), so another model's points never meet these
//   names, and the same model imported again replaces its own observations. Every observation an
//   import writes has photo coordinates from the inner orientation, as a detach computes them.
// - A model that does not look like one of this block (no export record of it, a camera of another
//   size than the block's images, or more than a tenth of its images unknown) is refused unless forced.
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

// How the caller names its options in the texts of refusals: the tool's flags or Python's keywords.
struct OptionNames {
    std::string force = "--force";
    std::string database = "--database";
    std::string tag = "--tag";
};

// Why an exchange failed: a result code of the suite (what the failure is, for callers that sort
// failures) and what to tell the user.
struct Problem {
    std::int32_t code = 0;
    std::string text;
};

struct ExportRequest {
    std::string block;   // host path of the block option file
    std::string folder;  // host path of the folder to write (made when missing; its parent must exist)
    bool force = false;  // replace a database.db that is there already
    OptionNames options{};
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
bool exportColmap(ExportRequest const& request, ExportSummary& summary, Problem& problem);

struct ImportRequest {
    std::string model;     // host path of the folder holding the sparse model
    std::string block;     // host path of the block option file
    std::string database;  // host path of the export's database; empty: database.db in the model's
                           // folder or one of the two above it, where `colmap mapper` puts its models
    std::string tag;       // the tag of the names of COLMAP's own points; empty: one from the model
    bool force = false;    // import a model that does not look like one of this block
    bool dryRun = false;
    OptionNames options{};
};

struct ImportSummary {
    bool binary = false;                     // the model's form
    std::size_t modelImages = 0;             // images of the model
    std::size_t matchedImages = 0;           // of them, in the block's image list
    std::vector<std::string> missingImages;  // model image names the list lacks (skipped)
    std::string database;                    // host path of the database whose record was used, or empty
    std::string exportedFrom;                // the block option file the record names
    std::vector<std::string> forced;         // why the model would have been refused, had it not been forced
    std::size_t foreignKeypointImages = 0;   // matched images whose keypoints are not the exported ones
    std::string tag;                         // names of COLMAP's own points: "COLMAP_" tag "_" id
    std::size_t points = 0;                  // 3D points that gave observations
    std::size_t kept = 0;                    // exported observations found in the tracks, under their own names
    std::size_t ownPoints = 0;               // points of COLMAP's own keypoints, named with the tag
    std::size_t adopted = 0;                 // COLMAP's keypoints that joined the one block point of their track
    std::size_t stale = 0;                   // exported observations changed or gone in the block since (left alone)
    std::size_t joined = 0;                  // tracks that join several block points
    std::size_t split = 0;                   // block points whose observations COLMAP put in several tracks
    std::size_t shortTracks = 0;             // 3D points left on fewer than two images of the block
    std::size_t observations = 0;            // observations the import writes (or would): the next three
    std::size_t added = 0;                   // of them, new to the block
    std::size_t changed = 0;                 // replacing an observation of the same image and name
    std::size_t unchanged = 0;               // the same as the block holds: not written
    std::int64_t before = 0;                 // observations in the tie point file before
    std::int64_t after = 0;                  // and after (the dry run: what it would hold)
    std::string tiePointFile;                // host path
};

// Merges the model's tracks into the block's tie point file through the library's merge. False, with
// `problem`, on any failure or refusal; the tie point file is then as it was.
bool importColmap(ImportRequest const& request, ImportSummary& summary, Problem& problem);

// A sparse model whose tracks are the tie points themselves, as if COLMAP had kept them all: image k
// is `imageNames[k]` (number `imageNumbers[k]`, COLMAP id k + 1, as the export numbers the image list),
// its keypoints its observations in the given order, and each name seen on two of the images or more
// one 3D point (ids from 1, in the order of first appearance), at the origin; one camera of the given
// size. For tests and benchmarks of the import.
struct Model;
Model modelOfTiePoints(std::vector<std::string> const& imageNames, std::vector<std::int32_t> const& imageNumbers,
                       std::vector<tagImagePoint> const& points, std::uint64_t width, std::uint64_t height);

}  // namespace yb::colmap
