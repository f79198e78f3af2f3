// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// The ybblock tool run in-process on the demo block: info on one file of each kind (text and JSON
// against one golden file), check on a clean block and on one with every kind of finding, the tie point
// CSV round trip and its errors, explain for every code, refused arguments and the --force guards, the
// quality page's data and where plot and the page place a survey's images. (tests/browser drives the page
// itself in Chromium.)
// YB_UPDATE_GOLDEN=1 rewrites the golden files from the current output.
#include "builders.h"

#include "fs.h"
#include "result_codes.h"
#include "tie_counts.h"
#include "tool_run.h"

#include <yb/ybBlockFileIO.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <functional>
#include <optional>
#include <regex>
#include <map>
#include <set>

namespace {

namespace fs = std::filesystem;

using yb::test::expectRun;
using yb::test::Outcome;
using yb::test::ybblock;

std::string readText(std::string const& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void expectGolden(std::string const& name, std::string const& actual) {
    std::string const path = std::string(YB_GOLDEN_DIR) + "/" + name;
    if (std::getenv("YB_UPDATE_GOLDEN") != nullptr) {
        std::ofstream(path, std::ios::binary) << actual;
        return;
    }
    std::string const expected = readText(path);
    EXPECT_EQ(expected, actual) << "output differs from " << path << " (YB_UPDATE_GOLDEN=1 rewrites it)";
}

constexpr char const* kBlock = "D:\\DemoBlock\\Demo.dms";
constexpr char const* kTiePoints = "D:\\DemoBlock\\Demo.scp";

class YbblockTest : public yb::test::DriveFixture {
protected:
    yb::test::MessageRecorder messages_;  // the library's message boxes, kept off the test output

    void SetUp() override {
        DriveFixture::SetUp();
        Outcome const demo = ybblock({"demo", "--weak", native()});  // the block check has findings on
        ASSERT_EQ(demo.status, 0) << demo.err;
        hbSetDriveRoot('D', native().c_str());
    }
};

// One small file of every kind the suite reads or writes; the demo block holds most of them.
void makeOtherKinds() {
    OrthoInfo ortho{};
    ortho.domRect = {1000, 2000, 1900, 2900};
    ASSERT_EQ(ybWriteOrthoMapOption("D:\\DemoBlock\\Demo.ort", &ortho), 0);
    SingleImageDomOption single{};
    ASSERT_EQ(ybWriteSingleImgDomOption("D:\\DemoBlock\\ImagesPara\\0101.oms", &single), 0);
    eTypeMathModel model{2};
    ASSERT_EQ(ybWriteSingleDomOption("D:\\DemoBlock\\Demo.sdo", &model), 0);
    DemInfo dem{};
    ASSERT_EQ(ybReadDemGenOption("D:\\DemoBlock\\Demo.dem", &dem), 0);  // made with the defaults
    BLOCKGCPLAYOUTINFO layout[2] = {{"G1", 2, {101, 102}}, {"G2", 1, {201}}};
    ASSERT_EQ(ybWriteBlockGcpLayoutFile("D:\\DemoBlock\\Demo.gly", layout, 2), 0);
    FeaturePoint feature{};
    for (unsigned char i = 0; i < sizeof feature.bytes; ++i) feature.bytes[i] = i;
    ASSERT_EQ(ybWriteImgFeatruePointFile("D:\\DemoBlock\\0101.fpt", &feature, 1), 0);
    ASSERT_EQ(ybCreateComJointPntFile("D:\\DemoBlock\\Demo.mcp", 2), 0);
    ASSERT_EQ(ybCreateOneModelGcpFile("D:\\DemoBlock\\Demo.mgp", 2), 0);
    IMAGEPROPINFO property{};
    property.pixelSize = 0.021;
    ASSERT_EQ(ybWriteImagePropInfoFile("D:\\DemoBlock\\ImagesPara\\0101.ipp", &property), 0);
    ASSERT_EQ(ybWriteSPOTPropInfoFile("D:\\DemoBlock\\Demo.spp", 1082.0), 0);
    double const joint[3] = {0.5, 0.25, 0.125};
    ASSERT_EQ(ybCreateNewModelJointCeffFile("D:\\DemoBlock\\Demo.mjc", joint, 3), 0);
    MAP_PARAstruct projection{};
    projection.bytes[0] = 7;
    ybWriteSuvProjInfo("D:\\DemoBlock\\Demo.prj", &projection);
    BlockInfo block{};
    ASSERT_EQ(ybReadBlockOptionFile(kBlock, &block), 0);
    double conversion[3] = {10.5, -3.25, 0.0};
    ASSERT_EQ(ybWriteCordConvertPara(block, 3, conversion), 0);
    ASSERT_EQ(ybWriteImageRelaFile("D:\\DemoBlock\\Demo.rel", {{101, 0.0, 0.0}, {102, 150.0, 0.0}}), 0);
    ASSERT_EQ(ybWriteInnOrientImgListFile("D:\\DemoBlock\\Demo.iol",
                                          {"D:\\DemoBlock\\Images\\0101.ybi", "D:\\DemoBlock\\Images\\0102.ybi"}),
              0);
    hbSetLayoutDirectory("D:\\DemoBlock");
    ASSERT_EQ(ybWriteYbiGcpInfo("D:\\DemoBlock\\Demo.bil"), 0);
    hbSetLayoutDirectory("");
    ASSERT_EQ(ybGenBlkFileStateReport(kBlock, 0, "D:\\DemoBlock\\report.txt"), 0);
    ASSERT_EQ(ybGenBlkModOrthoStateFile(kBlock, "D:\\DemoBlock\\state.dat"), 0);
    ASSERT_EQ(ybDetachBlockTiePntFile(kBlock), 0);
}

TEST_F(YbblockTest, InfoDescribesOneFileOfEachKindAndRefusesDamagedOnes) {
    makeOtherKinds();
    // Cut-short copies: the readers of option files accept them; info does not.
    for (char const* name : {"Demo.dms", "Model/0101_0102.mod", "ImagesProp/spot4_mss.ipc", "Demo.scp"}) {
        std::string const from = native(std::string("DemoBlock/") + name);
        std::string const to = native("DemoBlock/cut/") + fs::path(name).filename().string();
        fs::create_directories(fs::path(to).parent_path());
        std::string const bytes = readText(from);
        std::ofstream(to, std::ios::binary) << bytes.substr(0, bytes.size() - 7);
    }
    std::ofstream(native("DemoBlock/unknown.bin")) << "not a block file\n";

    std::vector<std::string> const files = {
        kBlock, "D:\\DemoBlock\\Model\\0101_0102.mod", "D:\\DemoBlock\\Demo.ort", "D:\\DemoBlock\\ImagesPara\\0101.oms",
        "D:\\DemoBlock\\Demo.sdo", "D:\\DemoBlock\\Demo.dem", "D:\\DemoBlock\\Demo.bil", "D:\\DemoBlock\\Demo.gly",
        "D:\\DemoBlock\\Temp\\0103.ijp", "D:\\DemoBlock\\0101.fpt", "D:\\DemoBlock\\Demo.mcp",
        "D:\\DemoBlock\\Demo.mgp", kTiePoints, "D:\\DemoBlock\\Demo.cmr", "D:\\DemoBlock\\ImagesPara\\0101.ipp",
        "D:\\DemoBlock\\Demo.spp", "D:\\DemoBlock\\Demo.mjc", "D:\\DemoBlock\\Demo.prj", "D:\\DemoBlock\\state.dat",
        "D:\\DemoBlock\\ImagesPara\\0101.ioc", "D:\\DemoBlock\\Images\\0101.ybi", "D:\\DemoBlock\\report.txt",
        "D:\\DemoBlock\\Demo.ctp", "D:\\DemoBlock\\ImagesProp\\spot4_mss.ipc", "D:\\DemoBlock\\demo_YbiGcp.tmp",
        "D:\\DemoBlock\\Demo.rel", "D:\\DemoBlock\\Demo.iol",
        // a folder, damaged files, a file of no known kind, a missing file
        "D:\\DemoBlock", "D:\\DemoBlock\\cut\\Demo.dms", "D:\\DemoBlock\\cut\\0101_0102.mod",
        "D:\\DemoBlock\\cut\\spot4_mss.ipc", "D:\\DemoBlock\\cut\\Demo.scp", "D:\\DemoBlock\\unknown.bin"};
    // One golden: each file's text, then its JSON object on one line (the output lays it out two spaces deep).
    std::string golden, json;
    for (auto const& file : files) {
        Outcome const asText = ybblock({"info", file, "--limit", "2"});
        Outcome const asJson = ybblock({"info", "--json", file, "--limit", "2"});
        EXPECT_EQ(asText.status, asJson.status) << file;
        EXPECT_EQ(asText.err, asJson.err) << file;
        ASSERT_TRUE(ybblock::Json::accept(asJson.out)) << file << "\n" << asJson.out;
        ybblock::Json const parsed = ybblock::Json::parse(asJson.out);
        EXPECT_EQ(asJson.out, parsed.dump(2) + "\n") << file;
        json += parsed.dump() + "\n";
        golden += "== " + file + " (exit " + std::to_string(asText.status) + ")\n" + asText.out + asText.err +
                  "json: " + parsed.dump() + "\n";
    }
    expectGolden("info.txt", golden);

    // Every kind of the table is among the files above.
    for (auto const& kind : yb::frame::kFileKinds)
        EXPECT_NE(json.find("\"kind_id\":\"" + std::string(kind.id) + "\""), std::string::npos) << kind.id;

    expectRun({"info", "E:\\Blk\\a.dms"}, 1, {"YB_DRIVE_E="});
    expectRun({"info", "D:\\DemoBlock\\none.dms"}, 1,
              {"native path " + yb::platform::nativePath("D:\\DemoBlock").value_or("?")});
}

TEST_F(YbblockTest, CheckFindsEachKindOfFindingAndPassesAWellTiedBlock) {
    // The demo's strips share no points and its end images see few: six points seen on every image tie
    // each image by 6 points or more and the two strips by exactly 6.
    std::vector<tagImagePoint> across;
    for (char const* name : {"x0", "x1", "x2", "x3", "x4", "x5"})
        for (int image : {101, 102, 103, 104, 105, 201, 202, 203, 204, 205})
            across.push_back(yb::test::tiePoint(name, image));
    ASSERT_EQ(ybAppendTiePntToFile(kTiePoints, across.data(), static_cast<std::int32_t>(across.size())), 0);
    Outcome const clean = ybblock({"check", kBlock});
    EXPECT_EQ(clean.status, 0) << clean.out;
    expectGolden("check_clean.txt", clean.out);

    // The demo left per-image files older than the tie point file; one of them is edited afterwards.
    tagImagePoint lone = yb::test::tiePoint("LONE", 909, 0, std::numeric_limits<double>::infinity());
    ASSERT_EQ(ybAppendTiePntToFile(kTiePoints, &lone, 1), 0);
    // (Nanosecond clocks still tick in steps on some file systems: the later write is made later.)
    fs::last_write_time(native("DemoBlock/Temp/0101.ijp"),
                        fs::last_write_time(native("DemoBlock/Demo.scp")) + std::chrono::seconds(2));
    fs::remove(native("DemoBlock/Demo.cmr"));
    fs::remove(native("DemoBlock/Images/0105.ybi"));
    fs::remove(native("DemoBlock/ImagesPara/0104.ioc"));
    std::ofstream(native("DemoBlock/Demo.ctp")) << "5\n1\n";
    BlockInfo block{};
    ASSERT_EQ(ybReadBlockOptionFile(kBlock, &block), 0);
    std::strcpy(block.controlPointFile, "D:\\DemoBlock\\Demo.gcp");
    ASSERT_EQ(ybWriteBlockOptionFile(kBlock, &block), 0);
    std::vector<ImageOrderInfo> strip;
    ASSERT_EQ(ybReadOneStripImageRecord("D:\\DemoBlock\\Demo.bil", 2, 2, strip), 0);
    strip[2].nImageNo = 207;
    ASSERT_EQ(ybWriteOneStripImageRecord("D:\\DemoBlock\\Demo.bil", 2, 2, strip), 0);

    // Asking for more ties than the block has makes its images and strips weak.
    Outcome const text = ybblock({"check", "--min-ties", "10", kBlock});
    Outcome const json = ybblock({"check", "--json", "--min-ties", "10", kBlock});
    EXPECT_EQ(text.status, 1);
    EXPECT_EQ(json.status, 1);
    // The golden ends with the JSON on one line: every finding, every item (text lists --limit of them),
    // numbers as numbers. The output lays it out two spaces deep.
    ybblock::Json const parsed = ybblock::Json::parse(json.out);
    EXPECT_EQ(json.out, parsed.dump(2) + "\n");
    EXPECT_EQ(parsed["findings"].size(), 14u);  // one of each kind, whatever a rewrite of the golden says
    expectGolden("check_findings.txt", text.out + "json: " + parsed.dump() + "\n");
    Outcome const one = ybblock({"check", "--limit", "1", kBlock});
    EXPECT_NE(one.out.find("  - D:\\DemoBlock\\temp\\0102.ijp\n  (8 more; --limit 0 lists them)\n"), std::string::npos)
        << one.out;
    Outcome const all = ybblock({"check", "--limit", "0", kBlock});
    EXPECT_NE(all.out.find("  - D:\\DemoBlock\\temp\\0205.ijp\n"), std::string::npos) << all.out;
    EXPECT_EQ(all.out.find("more; --limit 0"), std::string::npos) << all.out;

    std::ofstream(native("DemoBlock/Demo.dms")) << "damaged";
    EXPECT_EQ(ybblock({"check", kBlock}).status, 2);
}

// Tie counts key names as the library compares them: one name whatever its letters' case (the second
// byte of a GBK character excepted), long names told apart by their last bytes; a point seen on one
// image keeps the spelling it was first written with, in the order points first come. Enough names
// on one image that the table of names grows.
TEST_F(YbblockTest, TieCountsTellNamesApartIgnoringCaseAndKeepFirstSpellings) {
    auto const point = [](std::string const& n, std::int32_t image) { return yb::test::tiePoint(n.c_str(), image); };
    std::string const dian = "\xB5\xE3";  // GBK 点, before letters
    tagImagePoint z = point("Z", 102);
    std::memset(z.name + 2, 'Q', sizeof z.name - 2);  // bytes after the terminator are not the name
    std::vector<tagImagePoint> many;
    for (int i = 0; i < 300; ++i) many.push_back(point("Pt" + std::to_string(i), 104));
    writeNative("names.scp", yb::test::RawTiePointFile(4)
                                 .group(101, {point("Ab", 101), point("Station-0123456789-North", 101),
                                              point("Station-0123456789-South", 101), point("Lone-Mixed", 101),
                                              point(dian + "A1", 101), point("\x81\x41x", 101)})
                                 .group(102, {point("aB", 102), point("STATION-0123456789-NORTH", 102),
                                              point(dian + "a1", 102), point("\x81\x61x", 102), z})
                                 .group(103, {point("AB", 103), point(dian + "A1", 103)})
                                 .group(104, many)
                                 .bytes);
    ybblock::TieCounts counts;
    ASSERT_EQ(ybblock::countTies("D:\\names.scp", counts), 0);
    EXPECT_EQ(counts.points, 308);
    EXPECT_EQ(counts.observations, 313);
    EXPECT_EQ(counts.multiplicity, (std::vector<std::int64_t>{0, 305, 1, 2}));
    std::vector<std::pair<std::string, std::int32_t>> lone;
    for (auto const& observation : counts.lonePoints) lone.emplace_back(observation.name, observation.image);
    std::vector<std::pair<std::string, std::int32_t>> expected = {
        {"Station-0123456789-South", 101}, {"Lone-Mixed", 101}, {"\x81\x41x", 101}, {"\x81\x61x", 102}, {"Z", 102}};
    for (int i = 0; i < 300; ++i) expected.emplace_back("Pt" + std::to_string(i), 104);
    EXPECT_EQ(lone, expected);
    std::vector<std::array<std::int64_t, 3>> pairs;
    for (auto const& pair : counts.imagePairs) pairs.push_back({pair.first, pair.second, pair.points});
    EXPECT_EQ(pairs, (std::vector<std::array<std::int64_t, 3>>{{101, 102, 3}, {101, 103, 2}, {102, 103, 2}}));
    EXPECT_EQ(counts.imageTies(101).tiedPoints, 3);
    EXPECT_EQ(counts.imageTies(104).tiedPoints, 0);
}

// Check looks the files of many images up folder by folder; it must find what a test of each path
// finds: names in any letter case, a folder that is not there, a folder where a file should be.
TEST_F(YbblockTest, CheckFindsEachImagesFilesWhateverTheirFolders) {
    ASSERT_EQ(ybblock({"detach", kBlock}).status, 0);  // per-image files of every image, and their record
    fs::rename(native("DemoBlock/Images"), native("DemoBlock/IMAGES"));  // the list names "Images"
    for (char const* gone :
         {"IMAGES/0103.ybi", "IMAGES/0105.ybi", "ImagesPara/0102.ioc", "ImagesPara/0104.ioc", "Temp/0202.ijp"})
        fs::remove(native(std::string("DemoBlock/") + gone));
    for (char const* folder : {"IMAGES/0103.ybi", "ImagesPara/0102.ioc", "Temp/0202.ijp"})
        fs::create_directory(native(std::string("DemoBlock/") + folder));
    // Strip 2's images lie in a folder that is not there (their inner orientations, named by their titles,
    // stay where they are).
    std::vector<ImageOrderInfo> strip;
    ASSERT_EQ(ybReadOneStripImageRecord("D:\\DemoBlock\\Demo.bil", 2, 2, strip), 0);
    for (ImageOrderInfo& image : strip) {
        std::string const path = image.szImagePath;
        std::string const moved = "D:\\DemoBlock\\Gone\\" + path.substr(path.find_last_of('\\') + 1);
        std::snprintf(image.szImagePath, sizeof image.szImagePath, "%s", moved.c_str());
    }
    ASSERT_EQ(ybWriteOneStripImageRecord("D:\\DemoBlock\\Demo.bil", 2, 2, strip), 0);

    Outcome const run = ybblock({"check", "--json", kBlock});
    ybblock::Json const parsed = ybblock::Json::parse(run.out);
    std::map<std::string, std::set<std::string>> items;  // finding -> image numbers or file names
    for (auto const& finding : parsed["findings"])
        for (auto const& item : finding.value("items", ybblock::Json::array()))
            items[finding["finding"]].insert(item.contains("image")  ? std::to_string(item["image"].get<int>())
                                             : item.contains("path") ? item["path"].get<std::string>()
                                                                     : item.dump());
    std::set<std::string> const strip2 = {"201", "202", "203", "204", "205"};
    std::set<std::string> missing = {"103", "105"};
    missing.insert(strip2.begin(), strip2.end());
    EXPECT_EQ(items["image_missing"], missing) << run.out;
    EXPECT_EQ(items["inner_orientation_missing"], (std::set<std::string>{"102", "104"})) << run.out;
    // By the detach record, the per-image file turned into a folder is gone; the others are as detach left them.
    EXPECT_EQ(items["per_image_files_not_united"], std::set<std::string>{"D:\\DemoBlock\\temp\\0202.ijp"}) << run.out;
    EXPECT_EQ(items["per_image_files_left"].size(), 9u) << run.out;
    EXPECT_EQ(items["per_image_files_left"].count("D:\\DemoBlock\\temp\\0202.ijp"), 0u) << run.out;
}

TEST_F(YbblockTest, TiePointCsvRoundTripIsBitExact) {
    // Awkward values and names beside the demo's points.
    tagImagePoint extra[3] = {{5e-324, 1.7976931348623157e308, 0.1, -0.0, 101, -1, "a,b"},
                              {123456789.123456789, 0.30000000000000004, 1.0 / 3.0, -2.5e-300, 101, 0, "quo\"te"},
                              {6.02214076e23, -9.87654321e-5, -1e-10, 42.0, 101, 1, "\xB5\xE3\x31"}};  // GBK "点1"
    ASSERT_EQ(ybAppendTiePntToFile(kTiePoints, extra, 3), 0);
    std::vector<tagImagePoint> before;
    ASSERT_EQ(ybReadTiePntFileToAry(kTiePoints, before), 0);

    ASSERT_EQ(ybblock({"tiepoints", "export", kBlock, "-o", native("points.csv")}).status, 0);
    ASSERT_EQ(expectRun({"tiepoints", "import", native("points.csv"), "D:\\copy.scp"}, 0).status, 0);
    std::vector<tagImagePoint> after;
    ASSERT_EQ(ybReadTiePntFileToAry("D:\\copy.scp", after), 0);
    ASSERT_EQ(before.size(), after.size());
    for (std::size_t i = 0; i < before.size(); ++i)
        EXPECT_EQ(std::memcmp(&before[i], &after[i], sizeof(tagImagePoint)), 0)
            << "point " << i << ": " << before[i].name;
    // Imported over the same points again, from a file a spreadsheet saved with a byte order mark, the
    // merge changes nothing; an image the block does not list is imported when asked.
    std::string const copy = readNativeText("copy.scp");
    std::ofstream(native("bom.csv"), std::ios::binary) << "\xEF\xBB\xBF" << readNativeText("points.csv");
    expectRun({"tiepoints", "import", native("bom.csv"), "D:\\copy.scp"}, 0,
              {"57 rows read: 0 replaced, 0 added, 57 unchanged"});
    EXPECT_TRUE(readNativeText("copy.scp") == copy);
    std::ofstream(native("more.csv")) << "image,name,type,x,y,photo_x,photo_y\n101,T01010,1,1,2,3,4\n999,Z,1,1,2,3,4\n";
    expectRun({"tiepoints", "import", "--allow-unknown-images", native("more.csv"), kBlock}, 0,
              {"2 rows read: 1 replaced, 1 added, 0 unchanged"});
}

TEST_F(YbblockTest, BadCsvNamesLineAndColumnAndChangesNothing) {
    std::string const header = "image,name,type,x,y,photo_x,photo_y\n";
    struct Case {
        std::string csv;
        char const* where;  // file:LINE:COLUMN: and the start of the message
    };
    Case const cases[] = {
        {"", ":1:1: "},
        {"image,name,kind,x,y,photo_x,photo_y\n", ":1:3: "},
        {"101,P1,1,1,2,3,4\n", ":1:1: "},  // no heading line
        {header + "101x,P1,1,1,2,3,4\n", ":2:1: image: '101x'"},
        {header + "101,P1,1,1,2,3\n", ":2:7: expected 7 fields, found 6"},
        {header + "101,P1,1,1,2,3,4\n101,P2,1,1,abc,3,4\n", ":3:5: y: 'abc' is not a number"},
        {header + "101,P1,70000,1,2,3,4\n", ":2:3: type"},
        {header + "101,,1,1,2,3,4\n", ":2:2: name"},
        {header + "101,ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456,1,1,2,3,4\n", ":2:2: name"},
        {header + "101,\"P1,1,1,2,3,4\n", ":2:2: a quoted field is not closed"},
        {header + "101,P1,1,1,2,3,4\n102,P1,1,1,2,3,4\n101,p1,1,5,6,7,8\n",
         ":4:2: image 101 point p1 is named twice: on line 2 and on line 4"},
        {header + "101,P1,1,nan,2,3,4\n", ":2:4: x: 'nan' is not a finite number"},
        {header + "101,P1,1,1,2,3,-inf\n", ":2:7: photo_y: '-inf' is not a finite number"},
        {header + "101,P1,1,1,2,3,4\n999,P1,1,1,2,3,4\n", ":3:1: image 999 is not in the block's image list"},
    };
    std::string const scp = readNativeText("DemoBlock/Demo.scp");
    for (Case const& c : cases) {
        SCOPED_TRACE(c.csv);
        std::ofstream(native("bad.csv"), std::ios::binary) << c.csv;
        expectRun({"tiepoints", "import", native("bad.csv"), kBlock}, 1, {c.where, "nothing changed"});
        EXPECT_EQ(readNativeText("DemoBlock/Demo.scp"), scp);
    }
    // Every bad row of a file is told at once.
    std::ofstream(native("bad.csv"), std::ios::binary)
        << header << "101,A,1,1,2,3,4\n101x,B,1,1,2,3,4\n101,C,70000,1,2,3,4\n101,D,1,nan,2,3,4\n101,A,1,1,2,3,4\n"
        << "999,E,1,1,2,3,4\n";
    expectRun({"tiepoints", "import", native("bad.csv"), kBlock}, 1,
              {":3:1: image", ":4:3: type", ":5:4: x: 'nan'", ":6:2: image 101 point A is named twice",
               ":7:1: image 999", "5 bad rows; nothing changed"});
    EXPECT_EQ(readNativeText("DemoBlock/Demo.scp"), scp);
}

// Every code of the table, looked up by number and by name, with the exports that give it; none twice.
TEST(YbblockExplain, EveryCodeOfTheSuiteIsExplained) {
    std::set<std::int32_t> codes;
    for (auto const& info : yb::frame::kResultCodes) {
        EXPECT_TRUE(codes.insert(info.code).second) << info.code;
        Outcome const run = ybblock({"explain", std::to_string(info.code)});
        EXPECT_EQ(run.status, 0);
        EXPECT_NE(run.out.find(std::string(info.constant)), std::string::npos) << run.out;
        EXPECT_NE(run.out.find(std::string(info.meaning)), std::string::npos) << run.out;
        EXPECT_FALSE(info.operations.empty()) << info.code;
        EXPECT_EQ(ybblock({"explain", std::string(info.constant)}).out, run.out);
    }
    EXPECT_EQ(nlohmann::json::parse(ybblock({"explain", "all", "--json"}).out).size(), codes.size());
    EXPECT_EQ(ybblock({"explain", "1234"}).status, 1);
}

TEST(YbblockArguments, UnknownOrMalformedArgumentsAreRefused) {
    struct Case {
        std::vector<std::string> args;
        int status;
        char const* says;  // in the output or the error lines
    };
    Case const cases[] = {
        {{"detach", "--dry-runn", "B.dms"}, 2, "did you mean '--dry-run'?"},
        {{"infoo", "x"}, 2, "did you mean 'info'?"},
        {{"info", "--jsn", "x"}, 2, "did you mean '--json'?"},
        {{"info", "--limit", "abc", "x"}, 2, "--limit"},
        {{"info", "--limit", "-1", "x"}, 2, "--limit"},
        {{"info", "a", "b"}, 2, "unexpected argument 'b'"},
        {{"report", "--output=F"}, 2, "BLOCK.dms"},
        {{"report", "--images", "--models", "B.dms"}, 2, "--images"},
        {{"report", "--html", "--images", "B.dms"}, 2, "--html"},
        {{"report", "--models", "--min-ties", "3", "B.dms"}, 2, "--html"},
        {{"state", "--ortho", "B.dms"}, 2, "--output"},
        {{"tiepoints"}, 2, "subcommand"},
        {{}, 2, "subcommand"},
        {{"--version"}, 0, "ybblock " YB_VERSION " (ybBlockFileIO " YB_VERSION ")"},
        {{"unite", "--ours", "B.dms"}, 2, "--merge"},
        {{"unite", "--merge", "--ours", "--theirs", "B.dms"}, 2, "--theirs"},
    };
    for (Case const& c : cases) {
        Outcome const run = ybblock(c.args);
        EXPECT_EQ(run.status, c.status) << run.out << run.err;
        EXPECT_NE((run.out + run.err).find(c.says), std::string::npos) << run.out << run.err;
    }
    for (char const* command :
         {"info", "check", "explain", "detach", "unite", "clean", "report", "state", "plot", "demo"}) {
        Outcome const help = ybblock({command, "--help"});
        EXPECT_EQ(help.status, 0) << command;
        EXPECT_NE(help.out.find("Example:\n  ybblock " + std::string(command)), std::string::npos) << help.out;
    }
    Outcome const help = ybblock({"tiepoints", "import", "--help"});
    EXPECT_NE(help.out.find("Example:\n  ybblock tiepoints import"), std::string::npos) << help.out;
}

TEST_F(YbblockTest, DestructiveCommandsRefuseToLoseWorkWithoutForce) {
    std::string const united = readNativeText("DemoBlock/Demo.scp");
    // After a clean, unite would empty the tie point file.
    expectRun({"clean", "--dry-run", kBlock}, 0, {"would remove 10 per-image files"});
    EXPECT_TRUE(existsNative("DemoBlock/Temp/0101.ijp"));
    ASSERT_EQ(ybblock({"clean", kBlock}).status, 0);
    EXPECT_FALSE(existsNative("DemoBlock/Temp/0101.ijp"));
    Outcome const emptying = expectRun({"unite", kBlock}, 1, {"refused"});
    EXPECT_NE(emptying.out.find("holds 54 observations now and will hold 0 after"), std::string::npos);
    EXPECT_EQ(readNativeText("DemoBlock/Demo.scp"), united);

    // A per-image file gone since the detach: unite, merging or not, dry run or not, would drop its
    // image's observations, and says which file is missing; merging would not help, so is not offered.
    ASSERT_EQ(ybblock({"detach", kBlock}).status, 0);
    fs::remove(native("DemoBlock/Temp/0203.ijp"));
    std::string const gone = "D:\\DemoBlock\\temp\\0203.ijp (image 203: 7 observations in the tie point file)";
    Outcome const plain = expectRun({"unite", kBlock}, 1, {"would drop 7 observations", gone});
    EXPECT_EQ(plain.err.find("--merge"), std::string::npos) << plain.err;
    for (auto const& args :
         {std::vector<std::string>{"unite", "--merge", kBlock}, {"unite", "--merge", "--dry-run", kBlock}})
        expectRun(args, 1, {"merging would drop 7 observations: 1 per-image file is missing", gone, "--force"});
    ASSERT_EQ(ybblock({"tiepoints", "export", kBlock, "-o", native("all.csv")}).status, 0);
    std::ofstream(native("edit.csv")) << "image,name,type,x,y,photo_x,photo_y\n101,T01010,1,1,2,0,0\n";
    ASSERT_EQ(ybblock({"tiepoints", "import", native("edit.csv"), kBlock}).status, 0);
    expectRun({"unite", kBlock}, 1, {"changed since the last detach", gone, "Restore it and run"});
    ASSERT_EQ(ybblock({"tiepoints", "import", native("all.csv"), kBlock}).status, 0);
    EXPECT_EQ(readNativeText("DemoBlock/Demo.scp"), united);

    // A per-image file gone since the detach: detach and clean would lose that edit.
    for (char const* command : {"detach", "clean"}) {
        expectRun({command, kBlock}, 1, {"1 per-image tie point file changed since the last detach or unite"});
        EXPECT_TRUE(existsNative("DemoBlock/Temp/0101.ijp"));
    }
    EXPECT_EQ(ybblock({"detach", "--force", kBlock}).status, 0);
    EXPECT_TRUE(existsNative("DemoBlock/Temp/0203.ijp"));
    EXPECT_EQ(ybblock({"unite", kBlock}).status, 0);

    // A damaged image list stops detach before anything is removed.
    std::string const imageList = readNativeText("DemoBlock/Demo.bil");
    std::ofstream(native("DemoBlock/Demo.bil"), std::ios::binary) << "YB_BLOCK_IMAGE_LIST_FILE_VER1.0";
    EXPECT_EQ(ybblock({"detach", "--force", kBlock}).status, 1);
    EXPECT_TRUE(existsNative("DemoBlock/Temp/0101.ijp"));
    std::ofstream(native("DemoBlock/Demo.bil"), std::ios::binary) << imageList;

    // So does an inner orientation it cannot read, named with its image.
    std::string const inner = readNativeText("DemoBlock/ImagesPara/0202.ioc");
    fs::remove(native("DemoBlock/ImagesPara/0202.ioc"));
    expectRun({"detach", "--force", kBlock}, 1, {"cannot read the inner orientation of image 202", "0202.ioc"});
    EXPECT_TRUE(existsNative("DemoBlock/Temp/0101.ijp"));
    std::ofstream(native("DemoBlock/ImagesPara/0202.ioc"), std::ios::binary) << inner;

    // With --force, unite empties the tie point file as asked.
    fs::remove_all(native("DemoBlock/Temp"));
    fs::create_directories(native("DemoBlock/Temp"));
    EXPECT_EQ(ybblock({"unite", "--force", kBlock}).status, 0);
    EXPECT_EQ(sizeNative("DemoBlock/Demo.scp"), 132u);
}

// The per-image file of an image, changed by `edit`.
void editPerImageFile(std::string const& host, std::function<void(std::vector<tagImagePoint>&)> const& edit) {
    std::vector<tagImagePoint> points;
    ASSERT_EQ(ybReadImgGcpFileToAry(host.c_str(), points), 0);
    edit(points);
    ASSERT_EQ(ybWriteImgGcpFile(host.c_str(), points.data(), static_cast<std::int32_t>(points.size())), 0);
}

// The observation of a point on an image in a tie point file.
std::optional<tagImagePoint> observation(char const* tiePoints, std::int32_t image, std::string const& name) {
    std::vector<tagImagePoint> points;
    if (ybReadTiePntFileToAry(tiePoints, points) != 0) return std::nullopt;
    for (tagImagePoint const& point : points)
        if (point.imageNo == image && name == point.name) return point;
    return std::nullopt;
}

TEST_F(YbblockTest, WorkflowsKeepTheEditsOfBothSides) {
    auto const import = [&](std::string const& rows) {
        std::ofstream(native("edit.csv"), std::ios::binary) << "image,name,type,x,y,photo_x,photo_y\n" << rows;
        return ybblock({"tiepoints", "import", native("edit.csv"), kBlock});
    };
    // The tool's detach records what it detached from; a second one over unchanged files goes through.
    ASSERT_EQ(ybblock({"detach", kBlock}).status, 0);
    expectRun({"detach", kBlock}, 0);
    EXPECT_TRUE(existsNative("DemoBlock/Temp/Demo.scp.detached") && existsNative("DemoBlock/Temp/Demo.scp.base"));

    // Edits on both sides: unite alone would undo the tie point file's, and says which.
    double const seen = observation(kTiePoints, 102, "T01010").value().x;
    editPerImageFile("D:\\DemoBlock\\Temp\\0102.ijp", [](auto& points) { points[0].x += 1.5; });
    ASSERT_EQ(import("101,T01010,1,805,200,0,0\n201,NEW1,1,5,5,0,0\n").status, 0);
    std::string const edited = readNativeText("DemoBlock/Demo.scp");
    expectRun({"unite", kBlock}, 1,
              {"changed since the last detach or unite", "changed: image 101 point T01010",
               "added: image 201 point NEW1", "unite --merge"});
    expectRun({"unite", "--merge", "--dry-run", kBlock}, 0,
              {"1 observation changed in the per-image files, 2 in the tie point file, 0 conflicts"});
    EXPECT_TRUE(readNativeText("DemoBlock/Demo.scp") == edited);
    ASSERT_EQ(expectRun({"unite", "--merge", kBlock}, 0).status, 0);
    EXPECT_EQ(observation(kTiePoints, 101, "T01010").value().x, 805.0);
    EXPECT_EQ(observation(kTiePoints, 102, "T01010").value().x, seen + 1.5);
    EXPECT_TRUE(observation(kTiePoints, 201, "NEW1"));
    std::vector<tagImagePoint> perImage;
    ASSERT_EQ(ybReadImgGcpFileToAry("D:\\DemoBlock\\Temp\\0101.ijp", perImage), 0);
    EXPECT_EQ(perImage[0].x, 805.0);  // the per-image file took the tie point file's change

    // The same observation changed differently on both sides: nothing changes until a side is chosen.
    editPerImageFile("D:\\DemoBlock\\Temp\\0101.ijp", [](auto& points) { points[0].x = 900; });
    ASSERT_EQ(import("101,T01010,1,950,200,0,0\n").status, 0);
    std::string const both = readNativeText("DemoBlock/Demo.scp");
    expectRun({"unite", "--merge", kBlock}, 1,
              {"image 101 point T01010: per-image file x 900, y 200, type 1; tie point file x 950",
               "1 conflict; nothing changed"});
    EXPECT_TRUE(readNativeText("DemoBlock/Demo.scp") == both);
    ASSERT_EQ(ybblock({"unite", "--merge", "--ours", kBlock}).status, 0);
    EXPECT_EQ(observation(kTiePoints, 101, "T01010").value().x, 900.0);

    // Clean refuses, dry run included, while a per-image file holds an edit; --force cleans, record too.
    editPerImageFile("D:\\DemoBlock\\Temp\\0103.ijp", [](auto& points) { points.pop_back(); });
    for (std::vector<std::string> args : {std::vector<std::string>{"clean", "--dry-run", kBlock}, {"clean", kBlock}})
        expectRun(args, 1, {"0103.ijp"});
    EXPECT_EQ(ybblock({"clean", "--force", kBlock}).status, 0);
    EXPECT_FALSE(existsNative("DemoBlock/Temp/0103.ijp") || existsNative("DemoBlock/Temp/Demo.scp.detached"));

    // A tie point file cut short is not replaced unless asked; then it is kept beside.
    ASSERT_EQ(ybblock({"detach", kBlock}).status, 0);
    std::string const whole = readNativeText("DemoBlock/Demo.scp");
    std::ofstream(native("DemoBlock/Demo.scp"), std::ios::binary) << whole.substr(0, 1000);
    for (std::vector<std::string> args : {std::vector<std::string>{"unite", kBlock},
                                          {"unite", "--dry-run", kBlock},
                                          {"unite", "--merge", "--force", kBlock}})
        expectRun(args, 1, {"cannot be read"});
    EXPECT_FALSE(existsNative("DemoBlock/Demo.scp.damaged"));
    ASSERT_EQ(expectRun({"unite", "--force", kBlock}, 0).status, 0);
    EXPECT_TRUE(readNativeText("DemoBlock/Demo.scp.damaged") == whole.substr(0, 1000));
    std::int32_t united = 0;
    EXPECT_EQ(ybReadTiePntNums(kTiePoints, united), 0);
    EXPECT_EQ(united, 55);
}

// Writes the block's folders refuse: each workflow names the file and the system's reason, once.
TEST_F(YbblockTest, FailedWritesNameTheFileAndTheReason) {
    ASSERT_EQ(ybblock({"detach", kBlock}).status, 0);
    // The block is read-only, and writable again however the test leaves (a skip included).
    struct ReadOnly {
        fs::path folder;
        void writable(fs::perm_options how) const {
            auto const write = fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
            std::error_code ignored;
            for (fs::path const& entry : fs::recursive_directory_iterator(folder, ignored))
                fs::permissions(entry, write, how, ignored);
            fs::permissions(folder, write, how, ignored);
        }
        ~ReadOnly() { writable(fs::perm_options::add); }
    } const readOnly{native("DemoBlock")};
    readOnly.writable(fs::perm_options::remove);
    fs::permissions(native(), fs::perms::others_read | fs::perms::others_exec, fs::perm_options::add);
    struct Case {
        std::vector<std::string> args;
        char const* names;
    };
    Case const cases[] = {{{"detach", "--force", kBlock}, "D:\\DemoBlock\\temp\\0101.ijp"},
                          {{"unite", "--force", kBlock}, "D:\\DemoBlock\\Demo.scp"},
                          {{"clean", kBlock}, "10 per-image files could not be removed"}};
    for (Case const& c : cases) {
        auto const run = yb::test::runUnprivileged([&] {
            Outcome const outcome = ybblock(c.args);
            return yb::test::ChildOutcome{outcome.status, outcome.err};
        });
        if (!run) GTEST_SKIP() << "no child processes here";
        EXPECT_EQ(run->status, 1) << c.args[0];
        EXPECT_NE(run->text.find(c.names), std::string::npos) << run->text;
        EXPECT_NE(run->text.find("permission denied"), std::string::npos) << run->text;
        EXPECT_EQ(run->text.find("[error]"), std::string::npos)
            << run->text;  // the library's own message is not repeated
    }
    EXPECT_TRUE(existsNative("DemoBlock/Temp/0101.ijp"));
}

// A block option file cut short, or with fields no block has, stops every command that takes one.
TEST_F(YbblockTest, EveryCommandChecksTheBlockOptionFileFirst) {
    std::string const whole = readNativeText("DemoBlock/Demo.dms");
    BlockInfo strange{};
    ASSERT_EQ(ybReadBlockOptionFile(kBlock, &strange), 0);
    strange.imageType = 9;
    ASSERT_EQ(ybWriteBlockOptionFile("D:\\DemoBlock\\Strange.dms", &strange), 0);
    std::string const typeNine = readNativeText("DemoBlock/Strange.dms");
    std::string const scp = readNativeText("DemoBlock/Demo.scp");
    for (auto const& [bytes, says] :
         {std::pair{whole.substr(0, 300), "it is 300 bytes; every block option file is 739"},
          {typeNine, "its image type 9 is none of 0 to 6"}}) {
        std::ofstream(native("DemoBlock/Demo.dms"), std::ios::binary) << bytes;
        for (std::vector<std::string> args : {
                 std::vector<std::string>{"check", kBlock}, {"detach", kBlock}, {"unite", kBlock}, {"clean", kBlock},
                     {"plot", kBlock, "-o", native("x.svg")}, {"report", "--images", kBlock},
                     {"state", "--ortho", kBlock, "-o", native("s.dat")}, {"tiepoints", "export", kBlock},
                     {"tiepoints", "import", native("x.csv"), kBlock},
#if YB_HAVE_COLMAP
                     {"export", "colmap", kBlock, "-o", native("colmap")},
                     {"import", "colmap", native("colmap"), kBlock},
#endif
             }) {
            std::ofstream(native("x.csv")) << "image,name,type,x,y,photo_x,photo_y\n101,Q,1,1,2,3,4\n";
            expectRun(args, 2, {says, "Demo.dms"});
        }
        Outcome const check = ybblock({"check", "--json", kBlock});
        auto const findings = nlohmann::json::parse(check.out)["findings"];
        ASSERT_EQ(findings.size(), 1u);
        EXPECT_EQ(findings[0]["severity"], "error");
        EXPECT_EQ(findings[0]["finding"], "block_option_unreadable");
        EXPECT_TRUE(readNativeText("DemoBlock/Demo.scp") == scp);
        EXPECT_TRUE(existsNative("DemoBlock/Temp/0101.ijp"));
    }
}

// The demo block a newcomer makes first passes its own check; its plot ties the strips together.
TEST_F(YbblockTest, TheDemoBlockIsWellTied) {
    ASSERT_EQ(ybblock({"demo", native("healthy")}).status, 0);
    hbSetDriveRoot('D', native("healthy").c_str());
    expectRun({"check", kBlock}, 0, {"0 errors, 0 warnings"});
    expectRun({"plot", kBlock, "-o", native("healthy/plot.svg")}, 0,
              {"0 weakly tied images, 0 weakly tied pairs of strips"});
    std::string const svg = readNativeText("healthy/plot.svg");
    EXPECT_NE(svg.find("3 ground control points"), std::string::npos);
    std::regex const betweenStrips(R"re(d="M([\d.]+) ([\d.]+)L\1 ([\d.]+)")re");  // straight down to the next strip
    EXPECT_EQ(std::distance(std::sregex_iterator(svg.begin(), svg.end(), betweenStrips), std::sregex_iterator()), 5);
    hbSetDriveRoot('D', native().c_str());
}

TEST_F(YbblockTest, MessagesSayWhatHappened) {
    // A folder that is not there is named as such.
    expectRun({"tiepoints", "export", kBlock, "-o", native("none/x.csv")}, 1,
              {"(the folder " + native("none") + " does not exist)"});
    // "-" is standard output.
    Outcome const dash = ybblock({"tiepoints", "export", kBlock, "-o", "-"});
    EXPECT_EQ(dash.out.rfind("image,name,type,x,y,photo_x,photo_y\n", 0), 0u) << dash.out;
    EXPECT_FALSE(fs::exists("-"));
    // With --json, standard output is JSON whatever happens (the info golden has a file of no known kind).
    Outcome const missing = ybblock({"info", "--json", native("none/x.scp")});
    EXPECT_EQ(missing.status, 1);
    ASSERT_TRUE(nlohmann::json::accept(missing.out)) << missing.out;
    EXPECT_EQ(nlohmann::json::parse(missing.out)["status"], "missing");
    // Columns are as wide as Chinese names show (info's --limit on a report's rows: the info golden).
    std::ofstream(native("cjk.csv")) << "image,name,type,x,y,photo_x,photo_y\n101,点一,1,1,2,0,0\n101,B,1,3,4,0,0\n"
                                        "101,长名字的点,1,5,6,0,0\n";
    ASSERT_EQ(ybblock({"tiepoints", "import", native("cjk.csv"), "D:\\cjk.scp"}).status, 0);
    Outcome const cjk = ybblock({"info", "--image", "101", "D:\\cjk.scp"});
    EXPECT_NE(cjk.out.find("    image name       type x y photo x photo y\n"
                           "    101   点一       1    1 2 0       0\n"
                           "    101   B          1    3 4 0       0\n"
                           "    101   长名字的点 1    5 6 0       0\n"),
              std::string::npos)
        << cjk.out;
    // One of a thing is one.
    expectRun({"tiepoints", "export", "D:\\cjk.scp", "-o", native("one.csv")}, 0, {"3 observations written"});
    std::ofstream(native("one.csv")) << "image,name,type,x,y,photo_x,photo_y\n101,B,1,3,4,0,0\n";
    expectRun({"tiepoints", "import", native("one.csv"), "D:\\cjk.scp"}, 0,
              {"1 row read: 0 replaced, 0 added, 1 unchanged"});
    expectRun({"demo", "--strips", "1", "--images", "2", native("one")}, 0,
              {"1 strip, 2 images,", "1 model in strip 1"});
    expectRun({"demo", "--strips", "1", "--images", "2", "--points", "1", native("single")}, 0,
              {"1 tie point observation,", "image 102 has no tie point observation, so detach wrote no file for it"});
    expectRun({"demo", "--strips", "1", "--images", "1", native("lone")}, 0,
              {"1 strip, 1 image,", "0 models in strip 1", "no models: every strip holds one image"});
    expectRun({"demo", "--survey", "--strips", "1", native("one-survey")}, 0, {"1 strip of 8 images,"});
}

// The data the page carries, as its script reads it.
nlohmann::json pageData(std::string const& page) {
    std::string const open = "<script id=\"report-data\" type=\"application/json\">";
    std::size_t const from = page.find(open);
    std::size_t const to = page.find("</script>", from);
    if (from == std::string::npos || to == std::string::npos) return {};
    return nlohmann::json::parse(page.substr(from + open.size(), to - from - open.size()));
}

// A block of 2,000 images: connections between strips go into one band per pair of strips, image
// numbers are left out where they could not be read, and the weak pairs of strips are listed.
TEST_F(YbblockTest, PlotOfALargeBlockDrawsStripsInAggregate) {
    constexpr int kStrips = 25, kImages = 80;
    BlockInfo block = yb::test::blockRecord(0, "D:\\Large", "Large");
    ASSERT_TRUE(ybCreateBlockFolder("D:\\Large"));
    ASSERT_EQ(ybWriteBlockOptionFile("D:\\Large\\Large.dms", &block), 0);
    ASSERT_EQ(ybCreateNewImageRecordFile("D:\\Large\\Large.bil", kStrips), 0);
    std::vector<tagImagePoint> points;
    auto observe = [&](int image, std::string const& name) {
        points.push_back(yb::test::tiePoint(name.c_str(), image));
    };
    for (int strip = 1; strip <= kStrips; ++strip) {
        std::vector<ImageOrderInfo> images;
        for (int k = 1; k <= kImages; ++k) {
            ImageOrderInfo& image = images.emplace_back();
            image.nImageNo = strip * 100 + k;
            image.nStripNo = strip;
            for (int n = 0; n < 6 && k < kImages; ++n) {
                std::string const name = "P" + std::to_string(strip * 100 + k) + "_" + std::to_string(n);
                observe(strip * 100 + k, name);
                observe(strip * 100 + k + 1, name);
            }
        }
        ASSERT_EQ(ybWriteOneStripImageRecord("D:\\Large\\Large.bil", kStrips, strip, images), 0);
    }
    observe(140, "ACROSS");
    observe(240, "ACROSS");
    ASSERT_EQ(ybCreateTiePntFile("D:\\Large\\Large.scp", points.data(), static_cast<std::int32_t>(points.size())), 0);

    expectRun({"plot", "D:\\Large\\Large.dms", "-o", native("large.svg")}, 0,
              {"2000 images, 0 weakly tied images, 24 weakly tied pairs of strips"});
    std::string const svg = readNativeText("large.svg");
    EXPECT_NE(svg.find("connections between strips drawn in aggregate: 1 band for 1 pair of images"),
              std::string::npos);
    EXPECT_NE(svg.find("<title>strips 1 and 2: 1 shared points</title></path>"), std::string::npos);
    EXPECT_EQ(svg.find("id=\"image-numbers\""), std::string::npos);
    EXPECT_NE(svg.find("1-2 (1), 2-3 (0)"), std::string::npos);
    EXPECT_NE(svg.find("23-24 (0), 24-25 (0)<"), std::string::npos);

    // The page shows the first items of each of check's findings (2,000 images have no file and no
    // inner orientation) and counts them all.
    ASSERT_EQ(ybblock({"report", "D:\\Large\\Large.dms", "--html", "-o", native("large.html")}).status, 0);
    auto const page = pageData(readNativeText("large.html"))["check"]["findings"];
    auto const check = nlohmann::json::parse(ybblock({"check", "--json", "D:\\Large\\Large.dms"}).out)["findings"];
    ASSERT_EQ(page.size(), check.size());
    std::size_t cut = 0;
    for (std::size_t f = 0; f < page.size(); ++f) {
        SCOPED_TRACE(check[f]["finding"].get<std::string>());
        EXPECT_EQ(page[f]["message"], check[f]["message"]);
        EXPECT_EQ(page[f]["count"], check[f].value("count", 0));
        std::size_t const shown = page[f]["items"].size();
        cut += shown < page[f]["count"].get<std::size_t>();
        for (std::size_t i = 0; i < shown && page[f]["items"][i].contains("image"); ++i)
            EXPECT_EQ(page[f]["items"][i]["image"], check[f]["items"][i]["image"]);
    }
    EXPECT_EQ(cut, 2u);  // image_missing, inner_orientation_missing
}

// ---- the quality page and the placement of images -------------------------------------------------

std::size_t base64Bytes(std::string const& text) {
    std::size_t const pad =
        text.size() >= 2 ? static_cast<std::size_t>(std::count(text.end() - 2, text.end(), '=')) : 0;
    return text.size() / 4 * 3 - pad;
}

// The weak demo's page: the block as check sees it, in typed arrays of the promised size, and nothing
// that reaches outside the file.
TEST_F(YbblockTest, ReportPageCarriesTheBlockCompactlyAndAlone) {
    expectRun({"report", kBlock, "--html", "-o", native("report.html")}, 0, {"report: 10 images, "});
    std::string const page = readNativeText("report.html");
    for (char const* outside : {"http:", "https:", "src=", "<link", "@import", "url("})
        EXPECT_EQ(page.find(outside), std::string::npos) << outside;
    nlohmann::json const data = pageData(page);
    ASSERT_TRUE(data.is_object());
    auto const check = nlohmann::json::parse(ybblock({"check", "--json", kBlock}).out);
    EXPECT_EQ(data["check"]["errors"], check["errors"]);
    EXPECT_EQ(data["check"]["warnings"], check["warnings"]);
    EXPECT_EQ(data["check"]["findings"].size(), check["findings"].size());
    std::size_t const images = data["counts"]["images"], links = data["counts"]["links"];
    EXPECT_EQ(images, 10u);
    auto const& arrays = data["arrays"];
    EXPECT_EQ(base64Bytes(arrays["rects"]), 16 * images);
    for (char const* perImage : {"numbers", "observations", "tied"})
        EXPECT_EQ(base64Bytes(arrays[perImage]), 4 * images);
    for (char const* perLink : {"link_first", "link_second", "link_shared"})
        EXPECT_EQ(base64Bytes(arrays[perLink]), 4 * links);
    // Every name of the tie point file counted once by the images it is seen on.
    std::int64_t named = 0;
    for (auto const& count : data["tie_points"]["multiplicity"]) named += count.get<std::int64_t>();
    EXPECT_EQ(named, data["tie_points"]["points"]);
    // The strips share nothing: the strip table says so; --min-ties reaches the page.
    EXPECT_EQ(data["strips"][0]["shared_with_next"], 0);
    EXPECT_EQ(data["thresholds"]["min_ties"], 6);
    expectRun({"report", kBlock, "--html", "--min-ties", "2", "-o", native("report2.html")}, 0, {});
    EXPECT_EQ(pageData(readNativeText("report2.html"))["thresholds"]["min_ties"], 2);
    // The data cannot close its script element, whatever a file name holds.
    EXPECT_EQ(page.find("</script>", page.find("report-data")), page.rfind("</script>", page.find("'use strict'")));
}

TEST_F(YbblockTest, ReportPageSaysWhatCannotBeRead) {
    struct Case {
        char const* what;
        std::function<void()> damage;
        int status;
        std::string said;  // on standard error and in the page
    };
    std::string const scp = native("DemoBlock/Demo.scp"), bil = native("DemoBlock/Demo.bil");
    std::string const bytes = readNativeText("DemoBlock/Demo.scp");
    std::vector<Case> const cases = {
        {"damaged tie point file", [&] { std::ofstream(scp, std::ios::binary) << bytes.substr(0, bytes.size() - 30); },
         1, "the tie point file cannot be read: 4000032"},
        {"missing tie point file", [&] { fs::remove(scp); }, 1, "the block has no tie point file"},
        {"missing image list", [&] { fs::remove(bil); }, 1, "the block has no image list"},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.what);
        c.damage();
        Outcome const run = ybblock({"report", kBlock, "--html", "-o", native("report.html")});
        EXPECT_EQ(run.status, c.status);
        EXPECT_NE(run.err.find(c.said), std::string::npos) << run.err;
        EXPECT_EQ(pageData(readNativeText("report.html"))["problem"].get<std::string>().rfind(c.said, 0), 0u);
        fs::remove(native("report.html"));
    }
    // A block option file that cannot be read writes no page.
    expectRun({"report", "D:\nothing.dms", "--html", "-o", native("report.html")}, 2, {});
    EXPECT_FALSE(existsNative("report.html"));
}

// The simulated survey flies strips back and forth: plot and the page put every image where its file says
// it lies, so each strip's images follow their numbers one way or the other along the ground. Flown
// without forward overlap, every image is still tied to the strips beside it, so no image and no pair of
// strips is weak, but its strips break between consecutive images that share nothing.
TEST_F(YbblockTest, PlotAndReportPlaceASurveyAsFlownAndCheckFindsABrokenStrip) {
    char const* const survey = "D:\\Survey\\Survey.dms";
    for (char const* overlap : {"0", "60"}) {
        std::string const folder = native(std::string("survey") + overlap);
        ASSERT_EQ(ybblock({"demo", "--survey", "--forward-overlap", overlap, folder}).status, 0);
        hbSetDriveRoot('D', folder.c_str());
        Outcome const check = ybblock({"check", "--json", "--limit", "0", survey});
        ybblock::Json const parsed = ybblock::Json::parse(check.out);
        std::set<std::pair<int, int>> broken;
        for (auto const& finding : parsed["findings"]) {
            EXPECT_EQ(finding["finding"], "weakly_tied_strip_links") << finding.dump();
            for (auto const& item : finding["items"]) broken.emplace(item["images"][0], item["images"][1]);
        }
        if (overlap == std::string("60")) {
            EXPECT_EQ(check.status, 0) << check.out;
        } else {
            EXPECT_EQ(check.status, 1);
            EXPECT_TRUE(broken.count({101, 102}) && broken.count({102, 103})) << check.out;
            for (auto const& [first, second] : broken) EXPECT_EQ(first / 100, second / 100) << first << ", " << second;
        }
        // The plot dashes each broken link between its images and lists them below the drawing.
        expectRun({"plot", survey, "-o", folder + "/plot.svg"}, 0, {});
        std::string const svg = readNativeText(std::string("survey") + overlap + "/plot.svg");
        std::regex const link(R"re(<title>images (\d+) and (\d+): \d+ shared points</title>)re");
        std::set<std::pair<int, int>> drawn;
        for (auto it = std::sregex_iterator(svg.begin(), svg.end(), link); it != std::sregex_iterator(); ++it)
            drawn.emplace(std::stoi((*it)[1]), std::stoi((*it)[2]));
        EXPECT_EQ(drawn, broken);
        EXPECT_EQ(svg.find("of consecutive images in a strip sharing") != std::string::npos, !broken.empty());
    }
    // The survey flown with the default overlap, as plot placed it.
    std::string const svg = readNativeText("survey60/plot.svg");
    std::map<int, std::vector<std::pair<int, double>>> strips;  // strip: image, x
    std::regex const rect(R"re(<rect id="image-(\d+)" x="([-\d.]+)")re");
    for (auto it = std::sregex_iterator(svg.begin(), svg.end(), rect); it != std::sregex_iterator(); ++it)
        strips[std::stoi((*it)[1]) / 100].emplace_back(std::stoi((*it)[1]), std::stod((*it)[2]));
    ASSERT_EQ(strips.size(), 3u);
    std::set<int> directions;
    for (auto& [strip, images] : strips) {
        std::sort(images.begin(), images.end());
        int const direction = images[1].second > images[0].second ? 1 : -1;
        for (std::size_t k = 1; k < images.size(); ++k)
            EXPECT_EQ(images[k].second > images[k - 1].second ? 1 : -1, direction) << "strip " << strip;
        directions.insert(direction);
    }
    EXPECT_EQ(directions.size(), 2u) << "flown back and forth";
    EXPECT_NE(svg.find("images placed on the ground by the user ranges of their files"), std::string::npos);
    expectRun({"report", survey, "--html", "-o", native("survey60/report.html")}, 0, {});
    EXPECT_EQ(pageData(readNativeText("survey60/report.html"))["placement"]["ground"], true);

    // One image without a file: both go back to strip and position, and say which image did it.
    ASSERT_TRUE(yb::platform::removeFile("D:\\Survey\\Images\\0102.ybi"));  // where the block names it
    expectRun({"plot", survey, "-o", native("survey60/plot.svg")}, 0, {});
    EXPECT_NE(readNativeText("survey60/plot.svg").find("images placed by strip and position: cannot read"),
              std::string::npos);
    hbSetDriveRoot('D', native().c_str());
}

}  // namespace
