// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// Every export that writes, renames, removes or creates a file, run against a small valid block while
// the file layer fails: first the k-th file operation alone, then every operation from the k-th on,
// for k = 1, 2, ... until the call gets through; then on a real full disk (the process's file size
// limit, at several sizes below what the call writes). After each failure the call must have answered
// with one of its documented codes and left every file as it was (a call documented to work file by
// file: each file as it was or as the call makes it), no partial new file and no work copy or
// temporary; and the same call must then succeed and give what it gives without faults.
#include "builders.h"

#include "fs.h"

#include <yb/HostBaseInternal.h>
#include <yb/YbiBase.h>
#include <yb/ybiOrient.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>

namespace {

using yb::test::filled;

namespace fs = std::filesystem;
using Bytes = std::vector<unsigned char>;
// Every file and directory of the drive by relative path; a directory has no content.
using Tree = std::map<std::string, std::optional<Bytes>>;

constexpr std::int32_t kAnsweredFalse = -1;  // what a bool export's false becomes here
constexpr char const* kOption = "D:\\Blk\\Area1.dms";
constexpr char const* kList = "D:\\Blk\\Area1.bil";
constexpr char const* kTiePoints = "D:\\Blk\\Area1.scp";

struct Entry {
    char const* name;
    std::function<std::int32_t()> call;
    std::vector<std::int32_t> codes;  // what a failure may answer
    // Documented to complete file by file (or directory by directory): each may end as it was or as
    // the call makes it. Removals that fail are ignored by the call.
    bool fileByFile = false;
    bool answersNothing = false;  // a void export: a failure shows only in the files
    std::function<void(fs::path const& drive)> prepare = {};
    // An append taken in by the file's header counts: a failure may leave the bytes it appended behind
    // the counted ones, which no reader reads (and the next append writes over).
    bool uncountedTail = false;
};

void PrintTo(Entry const& entry, std::ostream* out) { *out << entry.name; }

// Tie points named as given on an image, with coordinates from both.
tagImagePoint tiePoint(std::int32_t imageNo, char const* name, std::int16_t type = 0) {
    return yb::test::tiePoint(name, imageNo, imageNo, name[1], type);
}

class WriteFaults : public yb::test::DriveFixture, public testing::WithParamInterface<Entry> {
protected:
    void SetUp() override {
        DriveFixture::SetUp();
        hbSetBlockDirectory("D:\\Blk");
        hbSetLayoutDirectory("D:\\Work");
        buildBlock();
        start_ = tree();
    }

    void buildBlock() {
        BlockInfo block = yb::test::blockRecord(0);
        std::strcpy(block.cameraFile, "D:\\Blk\\camera.cmr");
        ASSERT_EQ(yb::test::makeBlock(block), 0);
        fs::create_directories(native("Work"));
        std::vector<tagImagePoint> const points = {
            tiePoint(101, "T1"), tiePoint(102, "T1"),       tiePoint(102, "T2"),      tiePoint(201, "U1"),
            tiePoint(202, "U1"), tiePoint(202, "P0112", 1), tiePoint(101, "P0112", 1)};
        ASSERT_EQ(ybCreateTiePntFile(kTiePoints, points.data(), static_cast<std::int32_t>(points.size())), 0);
        CameraInfo camera{};
        camera.principalDistance = 153.0;
        std::array<RimPoint, 4> rims{};
        ASSERT_EQ(ybWriteCameraParaFile("D:\\Blk\\camera.cmr", &camera, rims.data(), RIM_LAYOUT_FOUR, nullptr, 0), 0);
        double const inner[6] = {1, 2, 0.5, -3, 0.25, 4};
        for (char const* title : {"a1", "a2", "a3", "b1", "b2"}) {
            std::string const image = std::string("D:\\Blk\\Images\\") + title + ".ybi";
            ASSERT_EQ(ybCreateYbiFile(image.c_str(), 20, 30, 254.0, D_RECT{0, 0, 1, 1}), 0);
            std::ofstream(native(std::string("Blk/Images/") + title + ".ybi"), std::ios::app) << "pixels of the image";
            std::string const ioc = std::string("D:\\Blk\\ImagesPara\\") + title + ".ioc";
            ASSERT_EQ(ybWriteOrientCeff(ioc.c_str(), 0, inner), 0);
        }
        std::vector<tagImagePoint> const a1 = {tiePoint(101, "Old")}, a3 = {tiePoint(103, "Stale")};
        ASSERT_EQ(ybWriteImgGcpFile("D:\\Blk\\temp\\a1.ijp", a1.data(), 1), 0);
        ASSERT_EQ(ybWriteImgGcpFile("D:\\Blk\\temp\\a3.ijp", a3.data(), 1), 0);
        ASSERT_EQ(ybWriteImgGcpFile("D:\\Blk\\pts.ijp", points.data(), 3), 0);
        FeaturePoint const features[2] = {filled<FeaturePoint>(1), filled<FeaturePoint>(2)};
        ASSERT_EQ(ybWriteImgFeatruePointFile("D:\\Blk\\feat.fea", features, 2), 0);
        CONTROLPOINT_STORAGE* two = yb::test::modelPointSet(2, 2, "C");
        ASSERT_EQ(ybCreateComJointPntFile("D:\\Blk\\pair.mcp", 1), 0);
        ASSERT_EQ(ybWriteComJointPntFile("D:\\Blk\\pair.mcp", 1, 1, 2, two, two), 0);
        ASSERT_EQ(ybWriteComJointPntFile("D:\\Blk\\pair.mcp", 1, 2, 3, two, two), 0);
        ASSERT_EQ(ybCreateOneModelGcpFile("D:\\Blk\\gcp.bjp", 2), 0);
        ASSERT_EQ(ybWriteModelGcpFile("D:\\Blk\\gcp.bjp", 1, 1, two), 0);
        ASSERT_EQ(ybWriteModelGcpFile("D:\\Blk\\gcp.bjp", 1, 2, two), 0);
        ybFreeControlPointMem(two);
        double const coefficients[3] = {1, 2, 3};
        ASSERT_EQ(ybCreateNewModelJointCeffFile("D:\\Blk\\joint.mjc", coefficients, 3), 0);
        ModelInfo model{};
        std::strcpy(model.leftImage, "D:\\Blk\\Images\\a1.ybi");
        std::strcpy(model.rightImage, "D:\\Blk\\Images\\a2.ybi");
        ASSERT_EQ(ybWriteModelOptionFile("D:\\Blk\\Model\\a1_a2.mod", &model), 0);
        std::ofstream(native("Blk/Model/Product/a1_a2.dom")) << "product";
        ASSERT_EQ(ybWriteYbiGcpInfo(kList), 0);
        ASSERT_EQ(ybGenBlkModOrthoStateFile(kOption, "D:\\Blk\\ortho.state"), 0);
        ASSERT_EQ(ybGenBlkFileStateReport(kOption, 1, "D:\\Blk\\report.txt"), 0);
        ybSetSingleImgRpcFile("D:\\Blk\\ImagesPara\\a1.sir", "D:\\Rpc\\old.rpc");
        ASSERT_EQ(ybWriteInnOrientImgListFile("D:\\Blk\\inner.lst", {"D:\\Blk\\Images\\a1.ybi"}), 0);
    }

    // ---- the drive as a tree of files ----

    Tree tree() const {
        Tree files;
        for (auto const& entry : fs::recursive_directory_iterator(root_)) {
            std::string const relative = fs::relative(entry.path(), root_).generic_string();
            files[relative] = entry.is_directory() ? std::nullopt : std::optional(readNative(relative));
        }
        return files;
    }

    // Makes the drive hold `wanted`, touching only what differs from `now`.
    void restore(Tree const& now, Tree const& wanted) const {
        for (auto it = now.rbegin(); it != now.rend(); ++it) {
            if (wanted.count(it->first) == 0) fs::remove_all(native(it->first));
        }
        for (auto const& [path, content] : wanted) {
            auto found = now.find(path);
            if (found != now.end() && found->second == content) continue;
            if (!content) {
                fs::remove(native(path));
                fs::create_directories(native(path));
            } else {
                fs::remove_all(native(path));
                writeNative(path, *content);
            }
        }
    }

    // What the next open of a file does first: roll back a change a failure left half done. True when
    // a file had a work copy beside it.
    bool openFilesWithWorkCopies(Tree const& files) const {
        bool opened = false;
        for (auto const& [path, content] : files) {
            if (!content || !(path.ends_with(".bak") || path.ends_with(".tmp"))) continue;
            std::string const file = path.substr(0, path.size() - 4);
            if (files.count(file) == 0) continue;
            std::string host = "D:\\" + file;
            std::replace(host.begin(), host.end(), '/', '\\');
            yb::platform::openFile(host, "rb");
            opened = true;
        }
        return opened;
    }

    // Leftovers that the call could not remove because removing was what failed.
    static void dropUnremovable(Tree& after, Tree const& before, Tree const& reference) {
        for (auto it = after.begin(); it != after.end();) {
            std::string const name = fs::path(it->first).filename().string();
            bool const temporary = name.size() > 5 && name[0] == '.' && name.ends_with(".tmp");
            if (temporary && before.count(it->first) == 0 && reference.count(it->first) == 0) {
                it = after.erase(it);
            } else {
                ++it;
            }
        }
    }

    // The paths where two trees differ, for a failure message.
    static std::string differences(Tree const& a, Tree const& b) {
        std::string out;
        for (auto const& [path, content] : a)
            if (b.count(path) == 0 || b.at(path) != content) out += " " + path;
        for (auto const& [path, content] : b)
            if (a.count(path) == 0) out += " -" + path;
        return out;
    }

    // The same files, but that one may run on past its old end.
    static bool asBeforeButTails(Tree const& after, Tree const& before) {
        if (after.size() != before.size()) return false;
        return std::equal(after.begin(), after.end(), before.begin(), [](auto const& now, auto const& was) {
            if (now.first != was.first || now.second.has_value() != was.second.has_value()) return false;
            return !now.second || (now.second->size() >= was.second->size() &&
                                   std::equal(was.second->begin(), was.second->end(), now.second->begin()));
        });
    }

    // Each path as it was or as the call makes it.
    static bool fileByFile(Tree const& after, Tree const& before, Tree const& reference) {
        for (auto const& [path, content] : after) {
            auto was = before.find(path), becomes = reference.find(path);
            bool const asBefore = was != before.end() && was->second == content;
            bool const asReference = becomes != reference.end() && becomes->second == content;
            if (!asBefore && !asReference) return false;
        }
        for (auto const& [path, content] : before)
            if (after.count(path) == 0 && reference.count(path) != 0) return false;
        return true;
    }

    // Checks what one call under faults left, then runs it again without faults.
    void checkOutcome(Entry const& entry, std::int32_t code, std::string const& how, Tree const& before,
                      Tree const& reference, std::uint32_t failedOperations = 0) {
        SCOPED_TRACE(std::string(entry.name) + ": " + how);
        bool const removalFailed = (failedOperations & (1u << HB_FILE_REMOVE)) != 0;
        Tree actual = tree();
        // Only a failure injected into the roll back itself (a write, a removal) leaves a work copy
        // for the next opening: a full disk does not, as putting old bytes back takes no room.
        bool const injected = how.find("disk full") == std::string::npos;
        if (openFilesWithWorkCopies(actual)) {
            EXPECT_TRUE(injected) << "a work copy left behind";
            actual = tree();
        }
        Tree after = actual;
        if (removalFailed) dropUnremovable(after, before, reference);
        if (code != 0) {
            EXPECT_NE(std::find(entry.codes.begin(), entry.codes.end(), code), entry.codes.end())
                << "undocumented code " << code;
        }
        // Where every operation fails, an append's old counts may not go back: it then answers failed
        // (its bytes are not known to be on the disk) with the new content in place.
        bool const countsStay = entry.uncountedTail && how.starts_with("every operation");
        bool const kept = entry.fileByFile ? fileByFile(after, before, reference)
                          : code != 0 ? after == before || (entry.uncountedTail && asBeforeButTails(after, before)) ||
                                            (countsStay && after == reference)
                          : entry.answersNothing ? after == before || after == reference
                                                 : after == reference;
        EXPECT_TRUE(kept) << "files neither as they were nor as the call makes them:" << differences(after, before);
        // A call documented to stop part-way is not asked to go on from there, nor one that got through.
        restore(actual, entry.fileByFile || code == 0 || after == reference ? before : after);
        EXPECT_EQ(entry.call(), 0) << "the call fails once the faults stop";
        Tree const again = tree();
        EXPECT_TRUE(again == reference) << "the call after a failure gives another result:"
                                        << differences(again, reference);
        restore(again, before);
    }

    void runEntry(Entry const& entry) {
        restore(tree(), start_);
        if (entry.prepare) entry.prepare(root_);
        Tree const before = tree();
        ASSERT_EQ(entry.call(), 0) << entry.name;
        Tree const reference = tree();
        restore(reference, before);

        for (bool sticky : {false, true}) {
            for (std::int64_t k = 1;; ++k) {
                hbSetFileFault(k, sticky);
                std::int32_t const code = entry.call();
                bool const fired = hbFileOperationCount() >= k;
                std::uint32_t const failed = hbFailedFileOperations();
                hbSetFileFault(0, false);
                if (!fired) {
                    Tree const now = tree();
                    EXPECT_EQ(code, 0) << entry.name;
                    EXPECT_TRUE(now == reference) << entry.name;
                    restore(now, before);
                    break;
                }
                checkOutcome(entry, code, (sticky ? "every operation from " : "operation ") + std::to_string(k), before,
                             reference, failed);
                if (HasFatalFailure()) return;
                if (k > 5000) {
                    ADD_FAILURE() << entry.name << " never gets through";
                    break;
                }
            }
        }

        // A real full disk: every write past the size limit fails.
        std::uint64_t needed = 0;
        for (auto const& [path, content] : reference) {
            auto was = before.find(path);
            if (content && (was == before.end() || was->second != content))
                needed = std::max<std::uint64_t>(needed, content->size());
        }
        for (std::uint64_t limit : {std::uint64_t{0}, std::uint64_t{1}, needed / 4, needed / 2, needed - 1}) {
            if (limit >= needed) continue;
            if (!yb::test::limitFileSize(limit)) break;  // Windows has no such limit to make a full disk
            std::int32_t const code = entry.call();
            yb::test::limitFileSize(std::nullopt);
            checkOutcome(entry, code, "a disk full at " + std::to_string(limit) + " bytes", before, reference);
        }
    }

    Tree start_;
};

std::vector<Entry> const& entries() {
    std::vector<std::int32_t> const write{yb::kCannotWrite};
    std::vector<std::int32_t> const readWrite{yb::kCannotWrite, yb::kCannotOpen, yb::kInvalidContent};
    std::vector<std::int32_t> const ybi{YBI_E_WRITE, YBI_E_FILE_MISSING, YBI_E_SHORT_FILE};
    // The block workflows pass on the codes of every reader they call.
    std::vector<std::int32_t> const workflow{yb::kCannotWrite, yb::kCannotOpen,       yb::kInvalidContent,
                                             yb::kWrongMagic,  yb::kFileNotFound,     yb::kNotFound,
                                             yb::kOutOfRange,  ORIENT_E_FILE_MISSING, ORIENT_E_SHORT_FILE};
    auto answer = [](bool ok) { return ok ? 0 : kAnsweredFalse; };
    auto silently = [](auto call) {
        return [call] {
            call();
            return 0;
        };
    };
    static BlockInfo block = yb::test::blockRecord(0);
    static auto images = [] {
        std::vector<ImageOrderInfo> strip;
        for (std::int32_t k = 1; k <= 4; ++k)
            strip.push_back(yb::test::imageRecord(1, k, "D:\\Blk\\Images\\n" + std::to_string(k) + ".ybi"));
        return strip;
    }();
    static std::vector<tagImagePoint> const points = {tiePoint(101, "T1"), tiePoint(103, "New"), tiePoint(301, "X")};
    static CONTROLPOINT_STORAGE* const set = yb::test::modelPointSet(3, 3, "M");
    static FeaturePoint const features[3] = {filled<FeaturePoint>(7), filled<FeaturePoint>(8), filled<FeaturePoint>(9)};
    static double values[7] = {1, 2, 3, 4, 5, 6, 7};
    static CameraInfo const camera = filled<CameraInfo>(4);
    static RimPoint const rims[8] = {};
    static AberranceInfo const distortion = filled<AberranceInfo>(5);
    static BLOCKGCPLAYOUTINFO layout[2] = {filled<BLOCKGCPLAYOUTINFO>(0), filled<BLOCKGCPLAYOUTINFO>(0)};
    static MAP_PARAstruct const projection = filled<MAP_PARAstruct>(6);
    static DemInfo dem{};
    static std::vector<ImageOrderInfo> read;
    auto gone = [](fs::path const& drive) {
        for (char const* dir : {"Gone/Temp/Matrices", "Gone/BackUp", "Gone/Images", "Gone/Adjust", "Gone/Model/Product",
                                "Gone/ImagesProp"})
            fs::create_directories(drive / dir);
    };

    static std::vector<Entry> const table = {
        // The option-file family shares one writer: the block option file stands for all of them.
        {"block option file", [] { return ybWriteBlockOptionFile(kOption, &block); }, write},
        {"new block folder", [=] { return answer(ybCreateBlockFolder("D:\\New")); }, {kAnsweredFalse}, true},
        {"existing block folder", [=] { return answer(ybCreateBlockFolder("D:\\Blk")); }, {kAnsweredFalse}, true},
        {.name = "block folder removal",
         .call = [=] { return answer(ybReomveBlockFolder("D:\\Gone")); },
         .codes = {kAnsweredFalse},
         .fileByFile = true,
         .prepare = gone},
        {.name = "RPC file",
         .call = silently([] { ybSetSingleImgRpcFile("D:\\Blk\\ImagesPara\\a1.sir", "D:\\Rpc\\new.rpc"); }),
         .codes = {},
         .answersNothing = true},
        {"DEM defaults", [] { return ybReadDemGenOption("D:\\Blk\\new.dem", &dem); }, write},
        {"coordinate conversion", [] { return ybWriteCordConvertPara(block, 7, values); }, write},
        {"new image list", [] { return ybCreateNewImageRecordFile(kList, 3); }, write},
        {"image list read creates", [] { return ybReadOneStripImageRecord("D:\\Blk\\new.bil", 2, 1, read); }, write},
        {"strip into a new list", [] { return ybWriteOneStripImageRecord("D:\\Blk\\new.bil", 2, 1, images); }, write},
        {"strip rewritten longer", [] { return ybWriteOneStripImageRecord(kList, 2, 1, images); }, readWrite},
        {"strip rewritten shorter",
         [] {
             std::vector<ImageOrderInfo> one(images.begin(), images.begin() + 1);
             for (auto& image : one) image.nImageNo += 100, image.nStripNo = 2;
             return ybWriteOneStripImageRecord(kList, 2, 2, one);
         },
         readWrite},
        {"image record update",
         [] {
             ImageOrderInfo record = yb::test::imageRecord(2, 1, "D:\\Blk\\Images\\renamed.ybi");
             record.nGroupNo = 5;
             return ybUpdateOneImageRecord(kList, 201, record);
         },
         {yb::kCannotOpen, yb::kInvalidContent}},
        {"GCP layout file", [] { return ybWriteBlockGcpLayoutFile("D:\\Blk\\layout.gcp", layout, 2); }, write},
        {"layout of the images", [] { return ybWriteYbiGcpInfo(kList); }, workflow},
        {"corner points into the images",
         [] { return ybReadYbiGcpInfo(kList, 0); },
         {yb::kCannotWrite, yb::kCannotOpen, yb::kInvalidContent, yb::kFileNotFound, yb::kNotFound,
          yb::kImageNumberMismatch, YBI_E_WRITE, YBI_E_FILE_MISSING, YBI_E_SHORT_FILE},
         true},
        {"corner points of one image",
         [] {
             return ybModiYbiGcpInfo("D:\\Blk\\Images\\b2.ybi", D_RECT{1, 2, 3, 4});
         },
         ybi},
        {"image point file", [] { return ybWriteImgGcpFile("D:\\Blk\\pts.ijp", points.data(), 3); }, write},
        {.name = "image point append",
         .call = [] { return ybAppendImgJointPntToFile("D:\\Blk\\pts.ijp", points.data(), 3); },
         .codes = readWrite,
         .uncountedTail = true},
        {"new feature point file", [] { return ybWriteImgFeatruePointFile("D:\\Blk\\new.fea", features, 3); }, write},
        {"feature point rewrite", [] { return ybWriteImgFeatruePointFile("D:\\Blk\\feat.fea", features, 3); },
         readWrite},
        {"new common point file", [] { return ybCreateComJointPntFile("D:\\Blk\\pair.mcp", 2); }, write},
        {"common points into the first section",
         [] { return ybWriteComJointPntFile("D:\\Blk\\pair.mcp", 1, 1, 2, set, set); }, readWrite},
        {.name = "common points in a new section",
         .call = [] { return ybWriteComJointPntFile("D:\\Blk\\pair.mcp", 1, 3, 4, set, set); },
         .codes = readWrite,
         .uncountedTail = true},
        {"new model control point file", [] { return ybCreateOneModelGcpFile("D:\\Blk\\gcp.bjp", 3); }, write},
        {"tie point file", [] { return ybCreateTiePntFile(kTiePoints, points.data(), 3); }, write},
        {"tie point merge", [] { return ybAppendTiePntToFile(kTiePoints, points.data(), 3); }, readWrite},
        {"one image's tie points", [] { return ybWriteOneImgTiePntToFile(kTiePoints, points.data(), 2); }, readWrite},
        {"model tie points", [] { return ybWriteOneModPnts(kTiePoints, 102, set); }, readWrite},
        {"automatic points removed", [] { return ybRemoveAutoExtractTiePnt(kTiePoints); }, readWrite},
        {"automatic strip points removed", [] { return ybRemoveAutoExtractStripTiePnt(kTiePoints); }, readWrite},
        {.name = "merge backup removed",
         .call = [] { return ybRemoveTiePntContext(kTiePoints); },
         .codes = {},
         .fileByFile = true,
         .prepare = [](fs::path const& drive) { std::ofstream(drive / "Blk/Area1.scp.bak") << "old"; }},
        {"clean", [] { return ybCleanBlockTmpTiePntFile(kOption); }, workflow, true},
        {"detach", [] { return ybDetachBlockTiePntFile(kOption); }, workflow, true},
        {"unite", [] { return ybUniteBlockTiePntFile(kOption); }, workflow},
        {"camera file",
         [] { return ybWriteCameraParaFile("D:\\Blk\\camera.cmr", &camera, rims, RIM_LAYOUT_EIGHT, &distortion, 1); },
         write},
        {"custom property file",
         [] { return ybCreateCustomImagePropFile("D:\\Blk\\ImagesProp\\spot4_mss.ipc", "S", 1, 2, 0.5, 1.5); }, write},
        {"inner orientation list",
         [] {
             return ybWriteInnOrientImgListFile("D:\\Blk\\inner.lst", {"D:\\x.ybi", "D:\\y.ybi"});
         },
         write},
        {"new joint coefficient file", [] { return ybCreateNewModelJointCeffFile("D:\\Blk\\joint.mjc", values, 2); },
         write},
        {"joint coefficients appended",
         [] { return ybAppendOneStripModelJointCeff("D:\\Blk\\joint.mjc", 2, values, 4); }, readWrite},
        {"image relation file",
         [] {
             return ybWriteImageRelaFile("D:\\Blk\\relation.txt", {{101, 1.5, 2.5}, {102, 3, 4}});
         },
         write},
        {"projection file", silently([] { ybWriteSuvProjInfo("D:\\Blk\\area1.mpx", &projection); }), {}, false, true},
        {"image state report", [] { return ybGenBlkFileStateReport(kOption, 0, "D:\\Blk\\report.txt"); }, workflow},
        {"orthophoto state file", [] { return ybGenBlkModOrthoStateFile(kOption, "D:\\Blk\\ortho.state"); }, workflow},
        {"new image",
         [] {
             return ybCreateYbiFile("D:\\Blk\\Images\\a1.ybi", 5, 6, 300.0, D_RECT{0, 0, 2, 2});
         },
         {YBI_E_WRITE}},
        {"image table written back", [] { return yb::test::writeImageTable("D:\\Blk\\Images\\a2.ybi", 6); }, ybi},
        {"orientation coefficients",
         [] { return ybWriteOrientCeff("D:\\Blk\\ImagesPara\\a1.ioc", 2, values); },
         {ORIENT_E_WRITE}},
    };
    return table;
}

TEST_P(WriteFaults, KeepsTheBlockWhole) { runEntry(GetParam()); }

INSTANTIATE_TEST_SUITE_P(EveryWritingExport, WriteFaults, testing::ValuesIn(entries()),
                         [](auto const& test) { return yb::test::paramName(test.param.name); });

}  // namespace
