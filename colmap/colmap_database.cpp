// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
#include "colmap_database.h"

#include "fs.h"

#include <sqlite3.h>

#include <set>

namespace yb::colmap {
namespace {

// The tables as `colmap database_creator` (3.8) makes them.
constexpr char const* kSchema = R"(
CREATE TABLE cameras (camera_id INTEGER PRIMARY KEY AUTOINCREMENT NOT NULL, model INTEGER NOT NULL,
  width INTEGER NOT NULL, height INTEGER NOT NULL, params BLOB, prior_focal_length INTEGER NOT NULL);
CREATE TABLE images (image_id INTEGER PRIMARY KEY AUTOINCREMENT NOT NULL, name TEXT NOT NULL UNIQUE,
  camera_id INTEGER NOT NULL, prior_qw REAL, prior_qx REAL, prior_qy REAL, prior_qz REAL, prior_tx REAL,
  prior_ty REAL, prior_tz REAL,
  CONSTRAINT image_id_check CHECK(image_id >= 0 and image_id < 2147483647),
  FOREIGN KEY(camera_id) REFERENCES cameras(camera_id));
CREATE UNIQUE INDEX index_name ON images(name);
CREATE TABLE keypoints (image_id INTEGER PRIMARY KEY NOT NULL, rows INTEGER NOT NULL, cols INTEGER NOT NULL,
  data BLOB, FOREIGN KEY(image_id) REFERENCES images(image_id) ON DELETE CASCADE);
CREATE TABLE descriptors (image_id INTEGER PRIMARY KEY NOT NULL, rows INTEGER NOT NULL, cols INTEGER NOT NULL,
  data BLOB, FOREIGN KEY(image_id) REFERENCES images(image_id) ON DELETE CASCADE);
CREATE TABLE matches (pair_id INTEGER PRIMARY KEY NOT NULL, rows INTEGER NOT NULL, cols INTEGER NOT NULL,
  data BLOB);
CREATE TABLE two_view_geometries (pair_id INTEGER PRIMARY KEY NOT NULL, rows INTEGER NOT NULL,
  cols INTEGER NOT NULL, data BLOB, config INTEGER NOT NULL, F BLOB, E BLOB, H BLOB, qvec BLOB, tvec BLOB);
)";

constexpr int kCalibrated = 2;  // two_view_geometries.config of a calibrated, verified pair

sqlite3_int64 asSqlite(std::uint64_t value) { return static_cast<sqlite3_int64>(value); }

}  // namespace

DatabaseWriter::DatabaseWriter(std::string target) : target_(std::move(target)) {
    {
        // A unique new name beside the target; SQLite takes the empty file as a new database.
        platform::NativeFile reserved = platform::createBeside(target_, created_);
        if (!reserved) {
            fail("cannot create a new file beside it");
            return;
        }
    }
    if (sqlite3_open_v2(created_.c_str(), &db_, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        fail(db_ != nullptr ? sqlite3_errmsg(db_) : "SQLite cannot open it");
        return;
    }
    // The file is new and private until it is renamed into place: no journal; one sync at the end.
    if (!exec("PRAGMA page_size=65536; PRAGMA journal_mode=OFF; PRAGMA synchronous=NORMAL; BEGIN;") || !exec(kSchema))
        return;
    auto prepare = [&](char const* sql, sqlite3_stmt*& statement) {
        if (ok() && sqlite3_prepare_v2(db_, sql, -1, &statement, nullptr) != SQLITE_OK) fail(sqlite3_errmsg(db_));
    };
    prepare("INSERT INTO cameras VALUES (?, ?, ?, ?, ?, ?)", camera_);
    prepare("INSERT INTO images (image_id, name, camera_id) VALUES (?, ?, ?)", image_);
    prepare("INSERT INTO keypoints VALUES (?, ?, 2, ?)", keypoints_);
    prepare("INSERT INTO matches VALUES (?, ?, 2, ?)", matches_);
    prepare("INSERT INTO two_view_geometries (pair_id, rows, cols, data, config) VALUES (?, ?, 2, ?, ?)", geometry_);
}

void DatabaseWriter::finalizeStatements() {
    for (sqlite3_stmt** statement : {&camera_, &image_, &keypoints_, &matches_, &geometry_}) {
        sqlite3_finalize(*statement);
        *statement = nullptr;
    }
}

DatabaseWriter::~DatabaseWriter() {
    finalizeStatements();
    if (db_ != nullptr) sqlite3_close(db_);
    if (!committed_ && !created_.empty()) platform::removeNative(created_);
}

void DatabaseWriter::fail(std::string const& what) {
    if (problem_.empty()) problem_ = target_ + ": " + what;
}

bool DatabaseWriter::exec(char const* sql) {
    char* message = nullptr;
    if (sqlite3_exec(db_, sql, nullptr, nullptr, &message) != SQLITE_OK) {
        fail(message != nullptr ? message : "SQLite failed");
        sqlite3_free(message);
        return false;
    }
    return true;
}

namespace {
// Runs a bound statement once and makes it ready for the next row.
bool step(sqlite3_stmt* statement) {
    int const result = sqlite3_step(statement);
    sqlite3_reset(statement);
    sqlite3_clear_bindings(statement);
    return result == SQLITE_DONE;
}
}  // namespace

void DatabaseWriter::addCamera(std::uint32_t id, std::int32_t model, std::uint64_t width, std::uint64_t height,
                               std::vector<double> const& params, bool focalLengthKnown) {
    if (!ok()) return;
    sqlite3_bind_int64(camera_, 1, id);
    sqlite3_bind_int(camera_, 2, model);
    sqlite3_bind_int64(camera_, 3, asSqlite(width));
    sqlite3_bind_int64(camera_, 4, asSqlite(height));
    sqlite3_bind_blob(camera_, 5, params.data(), static_cast<int>(params.size() * sizeof(double)), SQLITE_STATIC);
    sqlite3_bind_int(camera_, 6, focalLengthKnown ? 1 : 0);
    if (!step(camera_)) fail(sqlite3_errmsg(db_));
}

void DatabaseWriter::addImage(std::uint32_t id, std::string const& name, std::uint32_t camera) {
    if (!ok()) return;
    sqlite3_bind_int64(image_, 1, id);
    sqlite3_bind_text(image_, 2, name.data(), static_cast<int>(name.size()), SQLITE_STATIC);
    sqlite3_bind_int64(image_, 3, camera);
    if (!step(image_)) fail(sqlite3_errmsg(db_));
}

void DatabaseWriter::addKeypoints(std::uint32_t image, std::vector<float> const& xy) {
    if (!ok()) return;
    sqlite3_bind_int64(keypoints_, 1, image);
    sqlite3_bind_int64(keypoints_, 2, static_cast<sqlite3_int64>(xy.size() / 2));
    sqlite3_bind_blob64(keypoints_, 3, xy.data(), xy.size() * sizeof(float), SQLITE_STATIC);
    if (!step(keypoints_)) fail(sqlite3_errmsg(db_));
}

void DatabaseWriter::addPair(std::uint32_t first, std::uint32_t second, MatchRow const* rows, std::size_t count) {
    if (!ok()) return;
    sqlite3_int64 const pair = asSqlite(pairIdOf(first, second));
    for (sqlite3_stmt* statement : {matches_, geometry_}) {
        sqlite3_bind_int64(statement, 1, pair);
        sqlite3_bind_int64(statement, 2, static_cast<sqlite3_int64>(count));
        sqlite3_bind_blob64(statement, 3, rows, count * sizeof(MatchRow), SQLITE_STATIC);
        if (statement == geometry_) sqlite3_bind_int(statement, 4, kCalibrated);
        if (!step(statement)) {
            fail(sqlite3_errmsg(db_));
            return;
        }
    }
}

bool DatabaseWriter::commit() {
    if (!ok()) return false;
    if (!exec("COMMIT;")) return false;
    finalizeStatements();
    if (sqlite3_close(db_) != SQLITE_OK) {
        fail("SQLite cannot close it");
        return false;
    }
    db_ = nullptr;
    if (!platform::renameOver(created_, target_)) {
        fail("cannot be put in place");
        return false;
    }
    committed_ = true;
    return true;
}

std::string whatDatabaseIs(std::string const& native) {
    sqlite3* db = nullptr;
    std::string answer;
    if (sqlite3_open_v2(native.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        answer = "SQLite cannot open it";
    } else {
        sqlite3_stmt* statement = nullptr;
        std::set<std::string> tables;
        if (sqlite3_prepare_v2(db, "SELECT name FROM sqlite_master WHERE type = 'table'", -1, &statement, nullptr) !=
            SQLITE_OK) {
            answer = std::string("it is not an SQLite database (") + sqlite3_errmsg(db) + ")";
        } else {
            int result = SQLITE_ROW;
            while ((result = sqlite3_step(statement)) == SQLITE_ROW)
                if (auto const* name = sqlite3_column_text(statement, 0))
                    tables.insert(reinterpret_cast<char const*>(name));
            if (result != SQLITE_DONE) answer = std::string("it is a damaged SQLite file (") + sqlite3_errmsg(db) + ")";
        }
        sqlite3_finalize(statement);
        for (char const* table : {"cameras", "images", "keypoints", "matches", "two_view_geometries"})
            if (answer.empty() && !tables.contains(table))
                answer = std::string("it is an SQLite database without COLMAP's table '") + table + "'";
    }
    sqlite3_close(db);
    return answer;
}

}  // namespace yb::colmap
