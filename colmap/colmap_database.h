// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// COLMAP's database (SQLite): the tables `colmap database_creator` makes, written in one transaction
// into a new file beside the target and renamed over it only when complete, so a failed export leaves
// what was there before.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace yb::colmap {

// pair_id of two images, the smaller id first (COLMAP's formula).
constexpr std::uint64_t pairIdOf(std::uint32_t first, std::uint32_t second) {
    if (first > second) std::swap(first, second);
    return static_cast<std::uint64_t>(first) * 2147483647u + second;
}

// A keypoint index in each image of a pair.
using MatchRow = std::array<std::uint32_t, 2>;

class DatabaseWriter {
public:
    // Starts a new database in the new, empty file `created` (native) that is to take the place of
    // `target` (named in problems); whoever made `created` puts it in place, or removes it.
    DatabaseWriter(std::string target, std::string created);
    ~DatabaseWriter();
    DatabaseWriter(DatabaseWriter const&) = delete;
    DatabaseWriter& operator=(DatabaseWriter const&) = delete;

    bool ok() const { return problem_.empty(); }
    std::string const& problem() const { return problem_; }

    void addCamera(std::uint32_t id, std::int32_t model, std::uint64_t width, std::uint64_t height,
                   std::vector<double> const& params, bool focalLengthKnown);
    void addImage(std::uint32_t id, std::string const& name, std::uint32_t camera);
    // Keypoints as (x, y) pairs in COLMAP's pixels.
    void addKeypoints(std::uint32_t image, std::vector<float> const& xy);
    // The matches of a pair (first < second); commit enters the same rows as the inliers of a
    // calibrated, verified two-view geometry of each pair.
    void addPair(std::uint32_t first, std::uint32_t second, MatchRow const* rows, std::size_t count);
    // ybblock's own tables, which COLMAP leaves alone: the block exported, and for each keypoint of an
    // image the observation it came from, as the number of its point's name in `names` (each name
    // followed by a zero byte, GBK).
    void addExportRecord(std::string const& block, std::string const& blockName, std::string const& names);
    void addKeypointOrigins(std::uint32_t image, std::int32_t imageNumber, std::vector<std::uint32_t> const& names);
    // Ends the transaction and closes the database, whole in its file.
    bool commit();

private:
    void fail(std::string const& what);
    bool exec(char const* sql);
    void finalizeStatements();

    std::string target_;
    std::string created_;
    sqlite3* db_ = nullptr;
    sqlite3_stmt* camera_ = nullptr;
    sqlite3_stmt* record_ = nullptr;
    // The tables of a row an image or pair, their rows entered many to a statement.
    class Batch;
    std::unique_ptr<Batch> images_, keypoints_, matches_, geometries_, origins_;
    std::string problem_;
};

// What an existing file at a database's place is: empty text for a COLMAP database, else why not.
std::string whatDatabaseIs(std::string const& native);

// What an export wrote down about the block and where each keypoint came from.
struct ExportRecord {
    std::string block;               // host path of the block option file
    std::string blockName;           // GBK
    std::vector<std::string> names;  // point names (GBK), by number
    struct Image {
        std::string name;  // COLMAP's name of the image (UTF-8)
        std::int32_t number = 0;
        std::vector<std::uint32_t> keypoints;  // the number of each keypoint's name
    };
    std::unordered_map<std::uint32_t, Image> images;  // by COLMAP image id
};
// The export record of the database at the native path `native`: nullopt with `problem` empty when it
// holds none (a database COLMAP made, or no database), with `problem` saying why when it cannot be read.
std::optional<ExportRecord> readExportRecord(std::string const& native, std::string& problem);

}  // namespace yb::colmap
