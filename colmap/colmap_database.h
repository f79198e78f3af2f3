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
    // Starts a new database beside the native path `target` (not yet in its place).
    explicit DatabaseWriter(std::string target);
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
    // The matches of a pair (first < second) and the same rows as the inliers of a calibrated,
    // verified two-view geometry.
    void addPair(std::uint32_t first, std::uint32_t second, MatchRow const* rows, std::size_t count);
    // Ends the transaction and puts the database in the target's place.
    bool commit();

private:
    void fail(std::string const& what);
    bool exec(char const* sql);
    void finalizeStatements();

    std::string target_;
    std::string created_;
    sqlite3* db_ = nullptr;
    sqlite3_stmt* camera_ = nullptr;
    sqlite3_stmt* image_ = nullptr;
    sqlite3_stmt* keypoints_ = nullptr;
    sqlite3_stmt* matches_ = nullptr;
    sqlite3_stmt* geometry_ = nullptr;
    std::string problem_;
    bool committed_ = false;
};

// What an existing file at a database's place is: empty text for a COLMAP database, else why not.
std::string whatDatabaseIs(std::string const& native);

}  // namespace yb::colmap
