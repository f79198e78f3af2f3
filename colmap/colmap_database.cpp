// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
#include "colmap_database.h"

#include "fs.h"

#include <sqlite3.h>

#include <cstring>
#include <limits>
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
CREATE TABLE ybblock_export (block BLOB NOT NULL, block_name BLOB NOT NULL, names BLOB NOT NULL);
CREATE TABLE ybblock_keypoints (image_id INTEGER PRIMARY KEY NOT NULL, image_number INTEGER NOT NULL,
  rows INTEGER NOT NULL, data BLOB, FOREIGN KEY(image_id) REFERENCES images(image_id) ON DELETE CASCADE);
)";

constexpr int kCalibrated = 2;  // two_view_geometries.config of a calibrated, verified pair

sqlite3_int64 asSqlite(std::uint64_t value) { return static_cast<sqlite3_int64>(value); }

}  // namespace

DatabaseWriter::DatabaseWriter(std::string target, std::string created)
    : target_(std::move(target)), created_(std::move(created)) {
    // SQLite takes the empty file as a new database.
    if (sqlite3_open_v2(created_.c_str(), &db_, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        fail(db_ != nullptr ? sqlite3_errmsg(db_) : "SQLite cannot open it");
        return;
    }
    // The file is new and private until it is put in place, and whoever made it syncs it before then:
    // no journal, and no syncs or file locks of SQLite's own.
    if (!exec("PRAGMA page_size=65536; PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF; "
              "PRAGMA locking_mode=EXCLUSIVE; BEGIN;") ||
        !exec(kSchema))
        return;
    auto prepare = [&](char const* sql, sqlite3_stmt*& statement) {
        if (ok() && sqlite3_prepare_v2(db_, sql, -1, &statement, nullptr) != SQLITE_OK) fail(sqlite3_errmsg(db_));
    };
    prepare("INSERT INTO cameras VALUES (?, ?, ?, ?, ?, ?)", camera_);
    prepare("INSERT INTO ybblock_export VALUES (?, ?, ?)", record_);
    images_ = std::make_unique<Batch>(*this, "INSERT INTO images (image_id, name, camera_id) VALUES ", "(?, ?, ?)");
    keypoints_ = std::make_unique<Batch>(*this, "INSERT INTO keypoints VALUES ", "(?, ?, 2, ?)");
    matches_ = std::make_unique<Batch>(*this, "INSERT INTO matches VALUES ", "(?, ?, 2, ?)");
    geometries_ =
        std::make_unique<Batch>(*this, "INSERT INTO two_view_geometries (pair_id, rows, cols, data, config) VALUES ",
                                "(?, ?, 2, ?, " + std::to_string(kCalibrated) + ")");
    origins_ = std::make_unique<Batch>(*this, "INSERT INTO ybblock_keypoints VALUES ", "(?, ?, ?, ?)");
}

void DatabaseWriter::finalizeStatements() {
    for (sqlite3_stmt** statement : {&camera_, &record_}) {
        sqlite3_finalize(*statement);
        *statement = nullptr;
    }
    images_.reset();
    keypoints_.reset();
    matches_.reset();
    geometries_.reset();
    origins_.reset();
}

DatabaseWriter::~DatabaseWriter() {
    finalizeStatements();
    if (db_ != nullptr) sqlite3_close(db_);
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
// Runs a bound statement once and makes it ready for the next row, whose every parameter is bound
// again (the blobs are bound static: nothing is kept of them past the row).
bool step(sqlite3_stmt* statement) {
    int const result = sqlite3_step(statement);
    sqlite3_reset(statement);
    return result == SQLITE_DONE;
}
}  // namespace

// Rows of one table, gathered and entered many to a statement: run once a row, a statement costs more
// than the row it enters. The values are copied, so the caller's buffers are free once a row is added.
class DatabaseWriter::Batch {
public:
    Batch(DatabaseWriter& writer, std::string insert, std::string row)
        : writer_(writer), insert_(std::move(insert)), row_(std::move(row)) {}
    ~Batch() { sqlite3_finalize(full_); }
    Batch(Batch const&) = delete;
    Batch& operator=(Batch const&) = delete;

    Batch& integer(sqlite3_int64 value) {
        values_.push_back({Kind::Integer, value, 0, 0});
        return *this;
    }
    Batch& text(std::string_view value) { return bytes(Kind::Text, value.data(), value.size()); }
    // A null pointer enters NULL, as SQLite's own binding of one does.
    Batch& blob(void const* data, std::size_t size) {
        if (data == nullptr) {
            values_.push_back({Kind::Null, 0, 0, 0});
            return *this;
        }
        return bytes(Kind::Blob, data, size);
    }
    void endRow() {
        if (++rows_ == kRowsPerStatement) flush();
    }
    // Enters the rows gathered.
    void flush() {
        if (rows_ == 0 || !writer_.ok()) return;
        sqlite3_stmt* statement = rows_ == kRowsPerStatement ? full_ : nullptr;
        if (statement == nullptr) {
            std::string sql = insert_;
            for (int r = 0; r < rows_; ++r) sql += (r ? ", " : "") + row_;
            if (sqlite3_prepare_v2(writer_.db_, sql.c_str(), static_cast<int>(sql.size()), &statement, nullptr) !=
                SQLITE_OK) {
                writer_.fail(sqlite3_errmsg(writer_.db_));
                return;
            }
            if (rows_ == kRowsPerStatement) full_ = statement;
        }
        for (std::size_t v = 0; v < values_.size(); ++v) {
            Value const& value = values_[v];
            int const at = static_cast<int>(v + 1);
            switch (value.kind) {
                case Kind::Integer: sqlite3_bind_int64(statement, at, value.integer); break;
                case Kind::Null: sqlite3_bind_null(statement, at); break;
                case Kind::Text:
                    sqlite3_bind_text64(statement, at, bytes_.data() + value.at, value.size, SQLITE_STATIC,
                                        SQLITE_UTF8);
                    break;
                case Kind::Blob:
                    sqlite3_bind_blob64(statement, at, bytes_.data() + value.at, value.size, SQLITE_STATIC);
                    break;
            }
        }
        if (!step(statement)) writer_.fail(sqlite3_errmsg(writer_.db_));
        if (statement != full_) sqlite3_finalize(statement);
        rows_ = 0;
        values_.clear();
        bytes_.clear();
    }

private:
    static constexpr int kRowsPerStatement = 64;  // 256 parameters at most, within any SQLite's bound
    enum class Kind { Integer, Null, Text, Blob };
    struct Value {
        Kind kind;
        sqlite3_int64 integer;
        std::size_t at, size;  // in bytes_
    };
    Batch& bytes(Kind kind, void const* data, std::size_t size) {
        values_.push_back({kind, 0, bytes_.size(), size});
        bytes_.append(static_cast<char const*>(data), size);
        return *this;
    }

    DatabaseWriter& writer_;
    std::string insert_, row_;
    sqlite3_stmt* full_ = nullptr;
    int rows_ = 0;
    std::vector<Value> values_;
    std::string bytes_;
};

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
    images_->integer(id).text(name).integer(camera).endRow();
}

void DatabaseWriter::addKeypoints(std::uint32_t image, std::vector<float> const& xy) {
    if (!ok()) return;
    keypoints_->integer(image)
        .integer(static_cast<sqlite3_int64>(xy.size() / 2))
        .blob(xy.data(), xy.size() * sizeof(float))
        .endRow();
}

void DatabaseWriter::addPair(std::uint32_t first, std::uint32_t second, MatchRow const* rows, std::size_t count) {
    if (!ok()) return;
    matches_->integer(asSqlite(pairIdOf(first, second)))
        .integer(static_cast<sqlite3_int64>(count))
        .blob(rows, count * sizeof(MatchRow))
        .endRow();
    // Every pair's matches are its verified inliers too.
    geometries_->integer(asSqlite(pairIdOf(first, second)))
        .integer(static_cast<sqlite3_int64>(count))
        .blob(rows, count * sizeof(MatchRow))
        .endRow();
}

void DatabaseWriter::addExportRecord(std::string const& block, std::string const& blockName, std::string const& names) {
    if (!ok()) return;
    sqlite3_bind_blob64(record_, 1, block.data(), block.size(), SQLITE_STATIC);
    sqlite3_bind_blob64(record_, 2, blockName.data(), blockName.size(), SQLITE_STATIC);
    sqlite3_bind_blob64(record_, 3, names.data(), names.size(), SQLITE_STATIC);
    if (!step(record_)) fail(sqlite3_errmsg(db_));
}

void DatabaseWriter::addKeypointOrigins(std::uint32_t image, std::int32_t imageNumber,
                                        std::vector<std::uint32_t> const& names) {
    if (!ok()) return;
    origins_->integer(image)
        .integer(imageNumber)
        .integer(static_cast<sqlite3_int64>(names.size()))
        .blob(names.data(), names.size() * sizeof names[0])
        .endRow();
}

bool DatabaseWriter::commit() {
    for (Batch* batch : {images_.get(), keypoints_.get(), matches_.get(), geometries_.get(), origins_.get()})
        if (batch != nullptr) batch->flush();
    if (!ok() || !exec("COMMIT;")) return false;
    finalizeStatements();
    if (sqlite3_close(db_) != SQLITE_OK) {
        fail("SQLite cannot close it");
        return false;
    }
    db_ = nullptr;
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

namespace yb::colmap {
namespace {

// A read-only connection and its statements, closed on every way out.
struct Reading {
    sqlite3* db = nullptr;
    sqlite3_stmt* statement = nullptr;
    ~Reading() {
        sqlite3_finalize(statement);
        sqlite3_close(db);
    }
    bool prepare(char const* sql) {
        sqlite3_finalize(statement);
        statement = nullptr;
        return sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) == SQLITE_OK;
    }
    std::string blob(int column) const {
        auto const* data = static_cast<char const*>(sqlite3_column_blob(statement, column));
        return data != nullptr ? std::string(data, static_cast<std::size_t>(sqlite3_column_bytes(statement, column)))
                               : std::string();
    }
};

}  // namespace

std::optional<ExportRecord> readExportRecord(std::string const& native, std::string& problem) {
    problem.clear();
    Reading reading;
    auto damaged = [&](std::string const& what) {
        problem = native + ": " + what + "; the database is damaged";
        return std::nullopt;
    };
    if (sqlite3_open_v2(native.c_str(), &reading.db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK)
        return damaged("SQLite cannot open it");
    // A database COLMAP made itself has no record: that is no damage.
    if (!reading.prepare("SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name IN "
                         "('ybblock_export', 'ybblock_keypoints', 'images')"))
        return damaged(std::string("it is not an SQLite database (") + sqlite3_errmsg(reading.db) + ")");
    if (sqlite3_step(reading.statement) != SQLITE_ROW || sqlite3_column_int(reading.statement, 0) != 3)
        return std::nullopt;
    ExportRecord record;
    if (!reading.prepare("SELECT block, block_name, names FROM ybblock_export"))
        return damaged(sqlite3_errmsg(reading.db));
    if (sqlite3_step(reading.statement) != SQLITE_ROW) return damaged("its table ybblock_export holds no row");
    record.block = reading.blob(0);
    record.blockName = reading.blob(1);
    std::string const names = reading.blob(2);
    if (!names.empty() && names.back() != '\0') return damaged("the names of ybblock_export do not end in a zero byte");
    for (std::size_t at = 0; at < names.size();) {
        std::size_t const end = names.find('\0', at);
        record.names.push_back(names.substr(at, end - at));
        at = end + 1;
    }
    if (!reading.prepare("SELECT k.image_id, k.image_number, k.rows, k.data, i.name FROM ybblock_keypoints AS k "
                         "JOIN images AS i ON i.image_id = k.image_id"))
        return damaged(sqlite3_errmsg(reading.db));
    int result = SQLITE_ROW;
    while ((result = sqlite3_step(reading.statement)) == SQLITE_ROW) {
        sqlite3_int64 const id = sqlite3_column_int64(reading.statement, 0);
        sqlite3_int64 const number = sqlite3_column_int64(reading.statement, 1);
        sqlite3_int64 const rows = sqlite3_column_int64(reading.statement, 2);
        std::string const data = reading.blob(3);
        if (id <= 0 || id > std::numeric_limits<std::uint32_t>::max() ||
            number < std::numeric_limits<std::int32_t>::min() || number > std::numeric_limits<std::int32_t>::max() ||
            rows < 0 || data.size() != static_cast<std::uint64_t>(rows) * sizeof(std::uint32_t))
            return damaged("a row of ybblock_keypoints does not hold what it says (image " + std::to_string(id) + ")");
        ExportRecord::Image image;
        image.number = static_cast<std::int32_t>(number);
        auto const* name = sqlite3_column_text(reading.statement, 4);
        image.name = name != nullptr ? reinterpret_cast<char const*>(name) : "";
        image.keypoints.resize(static_cast<std::size_t>(rows));
        if (!data.empty()) std::memcpy(image.keypoints.data(), data.data(), data.size());
        for (std::uint32_t const k : image.keypoints)
            if (k >= record.names.size())
                return damaged("image " + std::to_string(id) + " of ybblock_keypoints names point " +
                               std::to_string(k) + " of " + std::to_string(record.names.size()));
        record.images.emplace(static_cast<std::uint32_t>(id), std::move(image));
    }
    if (result != SQLITE_DONE) return damaged(sqlite3_errmsg(reading.db));
    return record;
}

}  // namespace yb::colmap
