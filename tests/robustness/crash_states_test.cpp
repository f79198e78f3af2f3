// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// What a power cut can leave of a call's writes. Each case records what the file layer changed on disk
// (creates, writes, resizes, syncs, renames, removes) through HostBase's recorder, then builds every
// state a crash of the machine can leave: the changes of a file before its last sync are kept, and of
// its later writes any subset is lost (sector by sector); names made, renamed or removed in a folder
// before its last sync are kept, and of the later ones the first few, in order, are done. Each state
// is put on disk, every file is opened once (which rolls back a change a journal keeps), and each file
// must then be as it was before the call or as the call left it, byte for byte, with no journal left;
// of a file whose appends are taken in by its header's counts, only the bytes they count are compared.
// With syncing off, the same states tear files.
#include "builders.h"

#include "fs.h"

#include <yb/HostBaseInternal.h>
#include <yb/YbiBase.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <map>
#include <random>
#include <set>
#include <unordered_map>

namespace {

using yb::test::filled;

namespace fs = std::filesystem;
using Bytes = std::vector<unsigned char>;
using Tree = std::map<std::string, Bytes>;  // the regular files of the drive, by relative path

constexpr std::uint64_t kSector = 512;
// States tried at one crash point: all of them where there are no more, else this many drawn.
constexpr std::size_t kMostStatesAtAPoint = 64;

// One change to the disk as the recorder saw it, with the file (inode) it went to resolved.
struct Step {
    enum Kind { Create, Write, Resize, Rename, Remove, SyncFile, SyncFolder, SyncAll } kind;
    int inode = -1;
    std::string path{};        // relative; a rename's source
    std::string toPath{};      // a rename's target
    std::string folder{};      // of a name change or a folder sync
    std::uint64_t offset = 0;  // where a write goes; a resize's length
    Bytes data{};
};

std::string folderOf(std::string const& path) {
    std::size_t const cut = path.find_last_of('/');
    return cut == std::string::npos ? std::string() : path.substr(0, cut);
}

// Records the changes under one folder (the drive) while alive. Each file the calls meet keeps a
// second name in a folder beside the drive, so that a state is put back on the very files (inodes) the
// calls wrote: a journal knows the file it was written for.
class Recording {
public:
    // The files of `before` are inodes 0, 1, ... in path order, as replay() numbers them.
    Recording(std::string root, Tree const& before) : root_(std::move(root)), kept_(root_ + ".files") {
        fs::remove_all(kept_);
        fs::create_directories(kept_);
        int number = 0;
        for (auto const& entry : before) {
            fs::create_hard_link(root_ + "/" + entry.first, fileOf(number));
            names_[entry.first] = number++;
        }
        hbSetFileRecorder(&Recording::onEvent, this);
    }
    ~Recording() {
        hbSetFileRecorder(nullptr, nullptr);
        std::error_code ignored;
        fs::remove_all(kept_, ignored);
    }

    fs::path fileOf(int inode) const { return kept_ / std::to_string(inode); }

    std::vector<Step> steps;

private:
    static void onEvent(HbFileEvent const* event, void* user) { static_cast<Recording*>(user)->add(*event); }

    std::string relative(char const* native) const {
        std::string const path(native);
        if (path == root_) return {};
        return path.compare(0, root_.size() + 1, root_ + "/") == 0 ? path.substr(root_.size() + 1) : "/" + path;
    }

    void add(HbFileEvent const& event) {
        switch (event.operation) {
            case HB_FILE_OPEN: {
                std::string const path = relative(event.path);
                if (event.detail == HB_OPENED_CREATED) {
                    int const inode = next_++;
                    fs::create_hard_link(event.path, fileOf(inode));
                    names_[path] = inode;
                    steps.push_back({.kind = Step::Create, .inode = inode, .path = path, .folder = folderOf(path)});
                }
                handles_[event.handle] = names_.at(path);
                break;
            }
            case HB_FILE_WRITE: {
                // A sector at a time: the disk may keep some sectors of one write and not others.
                auto const* bytes = static_cast<unsigned char const*>(event.data);
                for (std::uint64_t at = event.offset, end = event.offset + event.size; at < end;) {
                    std::uint64_t const sectorEnd = std::min(end, (at / kSector + 1) * kSector);
                    steps.push_back({.kind = Step::Write,
                                     .inode = handles_.at(event.handle),
                                     .offset = at,
                                     .data = Bytes(bytes + (at - event.offset), bytes + (sectorEnd - event.offset))});
                    at = sectorEnd;
                }
                break;
            }
            case HB_FILE_RESIZE:
                steps.push_back({.kind = Step::Resize, .inode = handles_.at(event.handle), .offset = event.offset});
                break;
            case HB_FILE_RENAME: {
                std::string const from = relative(event.path), to = relative(event.toPath);
                int const inode = names_.at(from);
                names_.erase(from);
                names_[to] = inode;
                steps.push_back(
                    {.kind = Step::Rename, .inode = inode, .path = from, .toPath = to, .folder = folderOf(from)});
                break;
            }
            case HB_FILE_REMOVE: {
                std::string const path = relative(event.path);
                names_.erase(path);
                steps.push_back({.kind = Step::Remove, .path = path, .folder = folderOf(path)});
                break;
            }
            case HB_FILE_SYNC:
                if (event.detail == HB_SYNCED_FILE) {
                    steps.push_back({.kind = Step::SyncFile, .inode = handles_.at(event.handle)});
                } else {
                    steps.push_back({.kind = event.detail == HB_SYNCED_FOLDER ? Step::SyncFolder : Step::SyncAll,
                                     .folder = relative(event.path)});
                }
                break;
            default: break;
        }
    }

    std::string root_;
    fs::path kept_;
    std::unordered_map<std::string, int> names_;  // what each name holds as the calls go
    std::unordered_map<std::intptr_t, int> handles_;
    int next_ = 1 << 20;  // numbers of inodes made by the calls
};

bool namesChange(Step const& step) {
    return step.kind == Step::Create || step.kind == Step::Rename || step.kind == Step::Remove;
}
bool dataChanges(Step const& step) { return step.kind == Step::Write || step.kind == Step::Resize; }

// Whether a later step of the first `count` puts `steps[i]` on the disk for sure.
bool synced(std::vector<Step> const& steps, std::size_t i, std::size_t count) {
    for (std::size_t j = i + 1; j < count; ++j) {
        Step const& sync = steps[j];
        if (sync.kind == Step::SyncAll) return true;
        if (sync.kind == Step::SyncFile && dataChanges(steps[i]) && sync.inode == steps[i].inode) return true;
        if (sync.kind == Step::SyncFolder && namesChange(steps[i]) && sync.folder == steps[i].folder) return true;
    }
    return false;
}

// The drive after the first `count` steps, keeping only those `kept` says; `inodes` gets the file each
// path names.
Tree replay(Recording const& recording, Tree const& before, std::size_t count, std::vector<bool> const& kept,
            std::map<std::string, int>& inodes) {
    std::map<std::string, int> names;
    std::unordered_map<int, Bytes> contents;
    int number = 0;
    for (auto const& [path, content] : before) {
        names[path] = number;
        contents[number++] = content;
    }
    for (std::size_t i = 0; i < count; ++i) {
        Step const& step = recording.steps[i];
        if (!kept[i]) continue;
        switch (step.kind) {
            case Step::Create:
                names[step.path] = step.inode;
                contents[step.inode].clear();
                break;
            case Step::Write: {
                Bytes& content = contents[step.inode];
                if (content.size() < step.offset + step.data.size()) content.resize(step.offset + step.data.size());
                std::copy(step.data.begin(), step.data.end(),
                          content.begin() + static_cast<std::ptrdiff_t>(step.offset));
                break;
            }
            case Step::Resize: contents[step.inode].resize(step.offset); break;
            case Step::Rename:
                names.erase(step.path);
                names[step.toPath] = step.inode;
                break;
            case Step::Remove: names.erase(step.path); break;
            default: break;
        }
    }
    Tree tree;
    for (auto const& [path, inode] : names) tree[path] = contents[inode];
    inodes = names;
    return tree;
}

bool isWorkCopyName(std::string const& path) { return path.ends_with(".bak") || path.ends_with(".tmp"); }

struct Case {
    char const* name;
    std::function<void()> prepare;                     // the files the calls change, made unrecorded
    std::vector<std::function<std::int32_t()>> calls;  // recorded; a crash may come between them too
    // Of a file whose appends are taken in by its header's counts: how many of its first bytes they
    // count. The bytes after them, which no reader reads, may be any.
    std::function<std::size_t(Bytes const&)> counted{};
};

// The counted bytes of an image point file: magic, count, 70-byte records.
std::size_t countedImagePoints(Bytes const& file) {
    if (file.size() < 36) return file.size();
    return 36 + 70 * static_cast<std::size_t>(std::max(0, yb::test::at<std::int32_t>(file, 32)));
}

// The counted bytes of a file of model point sections: magic, strip, section and record counts, then
// as many sections as counted, each a head of `keys` numbers and a count, and its records.
std::function<std::size_t(Bytes const&)> countedSections(std::size_t magic, std::size_t keys, std::size_t record) {
    return [=](Bytes const& file) {
        if (file.size() < magic + 12) return file.size();
        std::size_t at = magic + 12;
        std::size_t const head = 4 * (keys + 1);
        for (std::int32_t k = yb::test::at<std::int32_t>(file, magic + 4); k > 0 && at + head <= file.size(); --k)
            at +=
                head + record * static_cast<std::size_t>(std::max(0, yb::test::at<std::int32_t>(file, at + head - 4)));
        return std::min(at, file.size());
    };
}

// A file as `version` holds it; with `counted`, where both agree on all that the version counts.
bool holds(Bytes const& file, Bytes const& version, std::function<std::size_t(Bytes const&)> const& counted) {
    if (!counted) return file == version;
    std::size_t const n = counted(version);
    return file.size() >= n &&
           std::equal(version.begin(), version.begin() + static_cast<std::ptrdiff_t>(n), file.begin());
}

void PrintTo(Case const& c, std::ostream* out) { *out << c.name; }

class CrashStates : public yb::test::DriveFixture, public testing::WithParamInterface<Case> {
protected:
    void SetUp() override {
        DriveFixture::SetUp();
        if (!yb::test::hostPathsAreMapped()) GTEST_SKIP() << "the changes are recorded by the Linux file layer";
        hbSetSyncWrites(true);
        hbSetBlockDirectory("D:\\Blk");
        fs::create_directories(native("Blk"));
    }
    void TearDown() override {
        hbSetSyncWrites(true);
        DriveFixture::TearDown();
    }

    Tree tree() const {
        Tree files;
        for (auto const& entry : fs::recursive_directory_iterator(root_))
            if (entry.is_regular_file())
                files[fs::relative(entry.path(), root_).generic_string()] =
                    readNative(fs::relative(entry.path(), root_).generic_string());
        return files;
    }

    void put(Tree const& now, Tree const& wanted) const {
        for (auto const& [path, content] : now)
            if (wanted.count(path) == 0) fs::remove(native(path));
        for (auto const& [path, content] : wanted) {
            auto found = now.find(path);
            if (found == now.end() || found->second != content) {
                fs::create_directories(fs::path(native(path)).parent_path());
                writeNative(path, content);
            }
        }
    }

    // Opens each file once, as the next reader would: a change that a journal keeps is rolled back.
    static void openEach(std::set<std::string> const& files) {
        for (std::string const& path : files) {
            std::string host = "D:\\" + path;
            std::replace(host.begin(), host.end(), '/', '\\');
            yb::platform::openFile(host, "rb");
        }
    }

    // What the first open of each file finds after a crash that left `state`: its problem, or nothing.
    std::optional<std::string> checkState(Tree const& state, std::map<std::string, int> const& inodes,
                                          Recording const& recording, std::vector<Tree> const& versions,
                                          std::function<std::size_t(Bytes const&)> const& counted) {
        // Each path names the file the calls wrote, holding what the state says.
        for (auto const& [path, content] : tree())
            if (state.count(path) == 0) fs::remove(native(path));
        for (auto const& [path, content] : state) {
            fs::path const file = recording.fileOf(inodes.at(path));
            std::ofstream(file, std::ios::binary | std::ios::trunc)
                .write(reinterpret_cast<char const*>(content.data()), static_cast<std::streamsize>(content.size()));
            std::error_code missing;
            if (fs::equivalent(native(path), file, missing)) continue;
            fs::remove(native(path));
            fs::create_directories(fs::path(native(path)).parent_path());
            fs::create_hard_link(file, native(path));
        }
        std::set<std::string> files;
        for (Tree const& version : versions)
            for (auto const& [path, content] : version) files.insert(path);
        openEach(files);
        Tree const opened = tree();
        for (std::string const& path : files) {
            auto now = opened.find(path);
            bool const asOne = std::any_of(versions.begin(), versions.end(), [&](Tree const& version) {
                auto was = version.find(path);
                return was == version.end() ? now == opened.end()
                                            : now != opened.end() && holds(now->second, was->second, counted);
            });
            if (!asOne) return path + (now == opened.end() ? " is gone" : " is torn");
        }
        for (auto const& [path, content] : opened) {
            std::string const name = fs::path(path).filename().string();
            bool const litter = name.front() == '.' && name.ends_with(".tmp");  // an unfinished new file, never read
            if (files.count(path) == 0 && !litter)
                return path + (isWorkCopyName(path) ? ": a journal stays" : ": left behind");
        }
        return std::nullopt;
    }

    // Runs the case's calls under the recorder and tries the crash states; the number of states that
    // tear a file (each reported unless `expectTorn`). With `namesInAnyOrder`, name changes since a
    // folder's last sync reach the disk in any subset, as POSIX allows (ext4 and XFS keep their order).
    std::size_t runCase(Case const& c, bool expectTorn, bool namesInAnyOrder = false) {
        c.prepare();
        Tree const before = tree();
        // The files as they were are as the first open finds them (a change a killed process left is
        // rolled back).
        std::set<std::string> files;
        for (auto const& entry : before)
            if (!isWorkCopyName(entry.first)) files.insert(entry.first);
        openEach(files);
        std::vector<Tree> versions{tree()};
        put(versions.front(), before);
        Recording recording(root_, before);
        for (auto const& call : c.calls) {
            EXPECT_EQ(call(), 0) << c.name;
            versions.push_back(tree());
        }
        hbSetFileRecorder(nullptr, nullptr);
        std::vector<Step> const& steps = recording.steps;
        EXPECT_FALSE(steps.empty());

        std::mt19937_64 random(steps.size());
        std::set<Tree> tried;
        std::size_t torn = 0;
        for (std::size_t count = 0; count <= steps.size(); ++count) {
            // What the crash may lose: writes of a file since its last sync, any of them; names changed
            // in a folder since its last sync, the last few.
            std::vector<std::size_t> loose, names;
            for (std::size_t i = 0; i < count; ++i) {
                if (synced(steps, i, count)) continue;
                if (dataChanges(steps[i])) loose.push_back(i);
                if (namesChange(steps[i])) (namesInAnyOrder ? loose : names).push_back(i);
            }
            std::uint64_t const all =
                loose.size() < 20 ? (std::uint64_t{1} << loose.size()) * (names.size() + 1) : ~0ull;
            std::size_t const tries = static_cast<std::size_t>(std::min<std::uint64_t>(all, kMostStatesAtAPoint));
            for (std::size_t t = 0; t < tries; ++t) {
                std::uint64_t pick = all <= kMostStatesAtAPoint ? t : random();
                std::vector<bool> kept(count, true);
                std::size_t const namesDone = pick % (names.size() + 1);
                pick /= names.size() + 1;
                for (std::size_t k = namesDone; k < names.size(); ++k) kept[names[k]] = false;
                // Drawn states keep each loose write by a coin's throw; the first two keep all, then none.
                for (std::size_t k = 0; k < loose.size(); ++k) {
                    bool const keep = all <= kMostStatesAtAPoint ? ((pick >> k) & 1) != 0
                                      : t < 2                    ? t == 0
                                                                 : (random() & 1) != 0;
                    kept[loose[k]] = keep;
                }
                std::map<std::string, int> inodes;
                Tree const state = replay(recording, before, count, kept, inodes);
                if (!tried.insert(state).second) continue;
                if (auto problem = checkState(state, inodes, recording, versions, c.counted)) {
                    ++torn;
                    if (!expectTorn)
                        ADD_FAILURE() << c.name << ", a crash after " << count << " of " << steps.size()
                                      << " changes: " << *problem;
                }
            }
        }
        return torn;
    }
};

tagImagePoint tiePoint(std::int32_t imageNo, char const* name) {
    return yb::test::tiePoint(name, imageNo, imageNo, name[1]);
}

std::vector<tagImagePoint> const& somePoints() {
    static std::vector<tagImagePoint> const points = {tiePoint(101, "T1"), tiePoint(102, "T1"), tiePoint(102, "T2"),
                                                      tiePoint(201, "U1"), tiePoint(202, "U1")};
    return points;
}

CONTROLPOINT_STORAGE* modelPoints(int count, char const* prefix) {
    static std::map<std::string, CONTROLPOINT_STORAGE*> sets;
    std::string const key = prefix + std::to_string(count);
    if (sets.count(key) == 0) sets[key] = yb::test::modelPointSet(count, count, prefix);
    return sets[key];
}

// A change in place that a killed process left with its journal written and the file changed: the
// removal of the journal fails, and so does everything after it. `remake` makes the file as it was.
void leaveUnfinishedChange(std::function<std::int32_t()> const& change, std::function<void()> const& remake) {
    hbSetFileFault(std::numeric_limits<std::int64_t>::max(), false);
    ASSERT_EQ(change(), 0);
    std::int64_t const operations = hbFileOperationCount();
    remake();
    hbSetFileFault(operations, true);
    ASSERT_NE(change(), 0);
    ASSERT_EQ(hbFailedFileOperations() & (1u << HB_FILE_REMOVE), 1u << HB_FILE_REMOVE);
    hbSetFileFault(0, false);
}

void makeImage(char const* path, std::int32_t controlPoints) {
    ASSERT_EQ(ybCreateYbiFile(path, 20, 30, 254.0, D_RECT{0, 0, 1, 1}), 0);
    ASSERT_TRUE(controlPoints == 0 || yb::test::writeImageTable(path, controlPoints) == 0);
}

std::vector<Case> const& cases() {
    static std::vector<tagImagePoint> const added = {tiePoint(101, "T1"), tiePoint(103, "New"), tiePoint(301, "X")};
    static FeaturePoint const features[3] = {filled<FeaturePoint>(7), filled<FeaturePoint>(8), filled<FeaturePoint>(9)};
    static double const values[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    auto imagePoints = [] { ASSERT_EQ(ybWriteImgGcpFile("D:\\Blk\\pts.ijp", somePoints().data(), 3), 0); };
    auto commonPoints = [] {
        ASSERT_EQ(ybCreateComJointPntFile("D:\\Blk\\pair.mcp", 1), 0);
        ASSERT_EQ(ybWriteComJointPntFile("D:\\Blk\\pair.mcp", 1, 1, 2, modelPoints(2, "C"), modelPoints(2, "C")), 0);
        ASSERT_EQ(ybWriteComJointPntFile("D:\\Blk\\pair.mcp", 1, 2, 3, modelPoints(2, "C"), modelPoints(2, "C")), 0);
    };
    auto imageList = [] {
        ASSERT_EQ(yb::test::writeImageList("D:\\Blk\\Area1.bil", {{"a1", "a2", "a3"}, {"b1", "b2"}}), 0);
    };
    auto block = [] {
        ASSERT_EQ(yb::test::makeBlock(yb::test::blockRecord(2)), 0);
        ASSERT_EQ(ybCreateTiePntFile("D:\\Blk\\Area1.scp", somePoints().data(),
                                     static_cast<std::int32_t>(somePoints().size())),
                  0);
        std::vector<tagImagePoint> const stale = {tiePoint(101, "Old")};
        ASSERT_EQ(ybWriteImgGcpFile("D:\\Blk\\temp\\a1.ijp", stale.data(), 1), 0);
    };
    auto const commonPointsCounted = countedSections(33, 3, sizeof(ModelCommonPoint));
    auto newSection = [] {
        return ybWriteComJointPntFile("D:\\Blk\\pair.mcp", 1, 3, 4, modelPoints(3, "M"), modelPoints(3, "M"));
    };
    static std::vector<Case> const table = {
        // Appends taken in by their counts.
        {"image point append",
         imagePoints,
         {[] { return ybAppendImgJointPntToFile("D:\\Blk\\pts.ijp", added.data(), 3); }},
         countedImagePoints},
        {"common points in a new section", commonPoints, {newSection}, commonPointsCounted},
        // Over more bytes than it writes, which an append cut short left behind the counted ones.
        {"new section over an interrupted one",
         [commonPoints] {
             commonPoints();
             auto const file = yb::platform::nativePath("D:\\Blk\\pair.mcp");
             ASSERT_TRUE(file);
             std::ofstream(*file, std::ios::binary | std::ios::app) << std::string(1500, 'x');
         },
         {newSection},
         commonPointsCounted},
        // Changes in place, each with its journal.
        {"feature point rewrite",
         [] { ASSERT_EQ(ybWriteImgFeatruePointFile("D:\\Blk\\feat.fea", features, 2), 0); },
         {[] { return ybWriteImgFeatruePointFile("D:\\Blk\\feat.fea", features, 3); }}},
        {"common points into a section", commonPoints, {[] {
             return ybWriteComJointPntFile("D:\\Blk\\pair.mcp", 1, 1, 2, modelPoints(3, "M"), modelPoints(3, "M"));
         }}},
        {"joint coefficients appended",
         [] { ASSERT_EQ(ybCreateNewModelJointCeffFile("D:\\Blk\\joint.mjc", values, 3), 0); },
         {[] { return ybAppendOneStripModelJointCeff("D:\\Blk\\joint.mjc", 2, values, 4); }}},
        {"image record update", imageList, {[] {
             ImageOrderInfo record = yb::test::imageRecord(2, 1, "D:\\Blk\\Images\\renamed.ybi");
             record.nGroupNo = 5;  // its path and its attributes are two writes
             return ybUpdateOneImageRecord("D:\\Blk\\Area1.bil", 201, record);
         }}},
        {"image table written back", [] { makeImage("D:\\Blk\\a2.ybi", 2); }, {[] {
             return yb::test::writeImageTable("D:\\Blk\\a2.ybi", 6);
         }}},
        {"corner points of one image", [] { makeImage("D:\\Blk\\b2.ybi", 0); }, {[] {
             return ybModiYbiGcpInfo("D:\\Blk\\b2.ybi", D_RECT{1, 2, 3, 4});
         }}},
        // An append that first rolls back the change a killed process left.
        {"append after an unfinished change",
         [commonPoints] {
             commonPoints();
             leaveUnfinishedChange(
                 [] {
                     return ybWriteComJointPntFile("D:\\Blk\\pair.mcp", 1, 1, 2, modelPoints(1, "U"),
                                                   modelPoints(1, "U"));
                 },
                 commonPoints);
         },
         {newSection},
         commonPointsCounted},
        // Replacements.
        {"tie point merge", block, {[] { return ybAppendTiePntToFile("D:\\Blk\\Area1.scp", added.data(), 3); }}},
        {"strip rewrite", imageList, {[] {
             static std::vector<ImageOrderInfo> strip = yb::test::sampleStrip(1, 4);
             return ybWriteOneStripImageRecord("D:\\Blk\\Area1.bil", 2, 1, strip);
         }}},
        // Many replacements synced together.
        {"detach", block, {[] { return ybDetachBlockTiePntFile("D:\\Blk\\Area1.dms"); }}},
        // A change, then a replacement of the same file: the journal of the first never meets the second.
        {"append then rewrite",
         imagePoints,
         {
             [] { return ybAppendImgJointPntToFile("D:\\Blk\\pts.ijp", added.data(), 3); },
             [] { return ybWriteImgGcpFile("D:\\Blk\\pts.ijp", somePoints().data(), 2); },
             [] { return ybAppendImgJointPntToFile("D:\\Blk\\pts.ijp", added.data(), 1); },
         },
         countedImagePoints},
    };
    return table;
}

TEST_P(CrashStates, LeaveEachFileOldOrNew) { runCase(GetParam(), false); }

// Without syncing, the disk may keep a file's changes without the journal that takes them back, or a
// new file's name without its content.
TEST_P(CrashStates, TearFilesWithoutSyncing) {
    hbSetSyncWrites(false);
    EXPECT_GT(runCase(GetParam(), true), 0u) << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(EveryKindOfWrite, CrashStates, testing::ValuesIn(cases()),
                         [](auto const& test) { return yb::test::paramName(test.param.name); });

// Where name changes reach the disk out of order, the removal of one change's journal can be lost
// while a later rename over its file is kept ("append then rewrite"): the journal records which file
// it belongs to, so the stale one is left alone, not applied to the new file.
using CrashStatesWithNamesInAnyOrder = CrashStates;
TEST_F(CrashStatesWithNamesInAnyOrder, LeaveEachFileOldOrNew) {
    for (Case const& c : cases()) {
        fs::remove_all(native("Blk"));
        fs::create_directories(native("Blk"));
        runCase(c, false, true);
    }
}

}  // namespace
