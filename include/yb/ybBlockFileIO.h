// ybBlockFileIO: the files of a photogrammetric block. Records, result codes and the exported functions.
// Texts are GBK (code page 936) bytes; paths are host paths (drive letter, backslash separators).
#ifndef YB_YBBLOCKFILEIO_H
#define YB_YBBLOCKFILEIO_H

#include <yb/HostBase.h>
#include <yb/YbiBase.h>
#include <yb/YbiSurvey.h>
#include <yb/ybTypes.h>
#include <yb/ybiOrient.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <type_traits>
#include <vector>

// ---------------------------------------------------------------------------------------------
// Result codes. 0 is success; every other code names what went wrong.
namespace yb {
inline constexpr std::int32_t kSuccess = 0;
inline constexpr std::int32_t kNoMemory = 2000001;             // memory cannot be obtained
inline constexpr std::int32_t kPointSetTooSmall = 2000003;     // a model point set holds too few entries
inline constexpr std::int32_t kStoredCountTooSmall = 2000004;  // stored strip count below the request; null out record
inline constexpr std::int32_t kCannotWrite = 2010001;          // a file cannot be created, written, copied or deleted
inline constexpr std::int32_t kFileNotFound = 2010007;         // image list missing for a query; bad projection path
inline constexpr std::int32_t kWrongMagic = 2020003;           // magic text missing or different (option and point files)
inline constexpr std::int32_t kOutOfRange = 4000005;           // argument or stored value out of range
inline constexpr std::int32_t kImageNumberMismatch = 4000007;  // image numbers of a record disagree
inline constexpr std::int32_t kInvalidArgument = 4000015;      // null pointer or path, invalid count or number
inline constexpr std::int32_t kCannotOpen = 4000028;           // the file does not exist or cannot be opened
inline constexpr std::int32_t kInvalidContent = 4000032;       // a file's content is invalid or comes up short
inline constexpr std::int32_t kOrthoNullArgument = 6000004;    // ortho map option reader given a null argument
inline constexpr std::int32_t kOrthoCannotOpen = 6000006;      // ortho map option file cannot be opened
inline constexpr std::int32_t kNotFound = 40200001;            // no such tie point or strip; strip count differs
}  // namespace yb

// ---------------------------------------------------------------------------------------------
// Records. Sizes and offsets are file format.

// The block option record (".dms").
struct BlockInfo {
    char blockDirectory[128];
    char blockName[36];
    std::int32_t imageType;  // 0 metric camera ... 6 QUICKBIRD
    unsigned char hostReserved0[4];
    char controlPointFile[260];
    char cameraFile[260];
    unsigned char hostReserved1[20];
};
static_assert(sizeof(BlockInfo) == 712, "BlockInfo is 712 bytes");
static_assert(offsetof(BlockInfo, blockName) == 128 && offsetof(BlockInfo, imageType) == 164 &&
                  offsetof(BlockInfo, controlPointFile) == 172 && offsetof(BlockInfo, cameraFile) == 432 &&
                  offsetof(BlockInfo, hostReserved1) == 692,
              "BlockInfo field offsets");

// --- records of the image list ---------------------------------------------------------------
// One image of the block image list.
struct ImageOrderInfo {
    std::int32_t nImageNo;      // strip * 100 + position in the strip (from 1)
    char szImagePath[260];      // full path of the image, NUL-terminated
    std::int32_t nGroupNo;      // image group; the block's group count is the largest of them
    std::int32_t nStripNo;      // strip holding the image (image number / 100)
    std::int32_t nExtra[7];     // the caller's; stored and returned unchanged
};
static_assert(sizeof(ImageOrderInfo) == 300, "ImageOrderInfo is 300 bytes");
static_assert(offsetof(ImageOrderInfo, szImagePath) == 4 && offsetof(ImageOrderInfo, nGroupNo) == 264 &&
                  offsetof(ImageOrderInfo, nStripNo) == 268 && offsetof(ImageOrderInfo, nExtra) == 272,
              "ImageOrderInfo field offsets");

// One ground control point of a block and the images it is measured on.
struct BLOCKGCPLAYOUTINFO {
    unsigned char callerData[32];  // the caller's; stored and returned unchanged
    std::int32_t imageCount;       // 0 to 12: how many of imageNo are meaningful
    std::int32_t imageNo[12];      // image numbers (strip * 100 + position)
};
static_assert(sizeof(BLOCKGCPLAYOUTINFO) == 84, "BLOCKGCPLAYOUTINFO is 84 bytes");
static_assert(offsetof(BLOCKGCPLAYOUTINFO, imageCount) == 32 && offsetof(BLOCKGCPLAYOUTINFO, imageNo) == 36,
              "BLOCKGCPLAYOUTINFO field offsets");

// --- point records ---------------------------------------------------------------------------
#pragma pack(push, 1)
// One point measured on one image.
struct tagImagePoint {
    double photoX;
    double photoY;
    double x;
    double y;
    std::int32_t imageNo;  // strip * 100 + position in the strip
    std::int16_t type;     // 1: automatically extracted tie point
    char name[32];
};
#pragma pack(pop)
static_assert(sizeof(tagImagePoint) == 70, "tagImagePoint is 70 bytes, packed");
static_assert(offsetof(tagImagePoint, x) == 16 && offsetof(tagImagePoint, y) == 24 &&
                  offsetof(tagImagePoint, imageNo) == 32 && offsetof(tagImagePoint, type) == 36 &&
                  offsetof(tagImagePoint, name) == 38,
              "tagImagePoint field offsets");

// One point common to two neighbouring models, seen on three images.
struct ModelCommonPoint {
    char name[32];
    double x1, y1;  // left image of the first model
    double x2, y2;  // right image of the first model, left of the second
    double x3, y3;  // right image of the second model
};
static_assert(sizeof(ModelCommonPoint) == 80, "ModelCommonPoint is 80 bytes");

// One feature point of an image; its content belongs to the caller.
struct FeaturePoint {
    unsigned char bytes[48];
};
static_assert(sizeof(FeaturePoint) == 48, "FeaturePoint is 48 bytes");

// --- records of the camera and parameter files -----------------------------------------------
#pragma pack(push, 1)
// One fiducial mark of a camera.
struct RimPoint {
    std::int32_t number;
    double x;
    double y;
};
#pragma pack(pop)
static_assert(sizeof(RimPoint) == 20, "RimPoint is 20 bytes");
static_assert(offsetof(RimPoint, x) == 4 && offsetof(RimPoint, y) == 12, "RimPoint field offsets");

// Fiducial layout: 0 and 1 have 4 marks, 2 has 8.
enum RIMPOINTLAYOUT : std::int32_t { RIM_LAYOUT_FOUR = 0, RIM_LAYOUT_FOUR_ALT = 1, RIM_LAYOUT_EIGHT = 2 };
static_assert(sizeof(RIMPOINTLAYOUT) == 4, "RIMPOINTLAYOUT is stored as 32 bits");

// --- records of the parameter files: image relation and projection -------------------------
#pragma pack(push, 1)
// Where one image of the block lies relative to the others.
struct ImageLayoutStru {
    std::int32_t imageNo;
    double x;
    double y;
};
#pragma pack(pop)
static_assert(sizeof(ImageLayoutStru) == 20, "ImageLayoutStru is 20 bytes, packed");
static_assert(offsetof(ImageLayoutStru, x) == 4 && offsetof(ImageLayoutStru, y) == 12,
              "ImageLayoutStru field offsets");

// The map projection of the block's object coordinate system; its content belongs to the caller.
struct MAP_PARAstruct {
    unsigned char bytes[169];
};
static_assert(sizeof(MAP_PARAstruct) == 169, "MAP_PARAstruct is 169 bytes");
static_assert(std::is_trivially_copyable_v<ImageLayoutStru> && std::is_trivially_copyable_v<MAP_PARAstruct>,
              "relation and projection records are trivially copyable");

// --- records of the image property files -----------------------------------------------------
#pragma pack(push, 1)
// The properties of one image that its image file does not hold. Only the pixel size is read by this
// library; the other bytes belong to the programs that fill them and are kept unchanged.
struct IMAGEPROPINFO {
    unsigned char properties[145];
    double pixelSize;  // millimetres
    unsigned char moreProperties[8];
};
#pragma pack(pop)
static_assert(sizeof(IMAGEPROPINFO) == 161, "IMAGEPROPINFO is 161 bytes, packed");
static_assert(offsetof(IMAGEPROPINFO, pixelSize) == 145, "the pixel size lies at byte 145");
static_assert(std::is_trivially_copyable_v<IMAGEPROPINFO>, "IMAGEPROPINFO is stored as its bytes");

// --- records of the model and product option files -------------------------------------------
// The options of one stereo model. The option file stores the four image texts and the trailing
// bytes; the reader sets the first two texts from the path it read.
struct ModelInfo {
    char optionPath[260];
    char modelName[260];
    char leftImage[260];
    char rightImage[260];
    char hostText0[260];
    char hostText1[260];
    unsigned char hostReserved[40];
};
static_assert(sizeof(ModelInfo) == 1600, "ModelInfo is 1600 bytes");
static_assert(offsetof(ModelInfo, leftImage) == 520 && offsetof(ModelInfo, rightImage) == 780 &&
                  offsetof(ModelInfo, hostText0) == 1040 && offsetof(ModelInfo, hostText1) == 1300 &&
                  offsetof(ModelInfo, hostReserved) == 1560,
              "ModelInfo field offsets");

#pragma pack(push, 1)
// The options of the ortho map product. Only the DOM rectangle and the image whose extent stands in
// for an unset rectangle mean anything to this library; the rest belongs to the host.
struct OrthoInfo {
    unsigned char hostReserved0[260];
    D_RECT domRect;
    unsigned char hostReserved1[24];
    char extentImage[260];
    unsigned char hostReserved2[268];
};
#pragma pack(pop)
static_assert(sizeof(OrthoInfo) == 844, "OrthoInfo is 844 bytes");
static_assert(offsetof(OrthoInfo, domRect) == 260 && offsetof(OrthoInfo, extentImage) == 316,
              "OrthoInfo field offsets");

// The options of one single-image DOM; stored and returned unchanged.
struct SingleImageDomOption {
    unsigned char bytes[1108];
};
static_assert(sizeof(SingleImageDomOption) == 1108, "SingleImageDomOption is 1108 bytes");

// The options of DEM generation. A new DEM option file starts with a zero area, a 10 by 10 grid
// spacing and two empty texts.
struct DemInfo {
    double area[4];
    double spacingX;
    double spacingY;
    char firstText[260];
    char secondText[260];
};
static_assert(sizeof(DemInfo) == 568, "DemInfo is 568 bytes");
static_assert(offsetof(DemInfo, spacingX) == 32 && offsetof(DemInfo, firstText) == 48 &&
                  offsetof(DemInfo, secondText) == 308,
              "DemInfo field offsets");

// The math (sensor) model chosen for a single DOM; the values are the host's.
enum eTypeMathModel : std::int32_t {};
static_assert(sizeof(eTypeMathModel) == 4, "eTypeMathModel is stored as 32 bits");

static_assert(std::is_trivially_copyable_v<ModelInfo> && std::is_trivially_copyable_v<OrthoInfo> &&
                  std::is_trivially_copyable_v<SingleImageDomOption> && std::is_trivially_copyable_v<DemInfo>,
              "option records are trivially copyable");

// ---------------------------------------------------------------------------------------------
// The exported functions.

// block: block option file
// Reads the block option file (".dms") into `block` (zeroed first; a file cut short leaves the rest zero).
YB_API std::int32_t ybReadBlockOptionFile(char const* path, BlockInfo* block);
// Writes `block` as the block option file at `path` (created or replaced).
YB_API std::int32_t ybWriteBlockOptionFile(char const* path, BlockInfo* block);

// block: folder
// Makes the block folder tree under `root` (Model, ImagesPara, Temp, ...) and the two SPOT sensor files; true when all is in place.
YB_API bool ybCreateBlockFolder(char const* root);
// Removes the empty sub-folders of a block folder in a fixed order; stops (false) at the first that cannot go. Never deletes files.
YB_API bool ybReomveBlockFolder(char const* root);
// True when `dir` names an existing directory.
YB_API bool ybIsDirectoryExist(char const* dir);
// Fills `titles` (emptied first) with the titles (no folder, no extension) of the files in `dir` whose extension is `ext`,
// given without the dot ("dms", not ".dms"); `recursive` != 0 descends into sub-folders, depth first.
YB_API std::int32_t ybGetSameExtFilePathsInOneDir(char const* dir, char const* ext, std::vector<std::string>& titles, int recursive);
// Copies the file name after the last backslash of `path` into `name` (caller's buffer, room for the whole name).
YB_API bool ybExtractFileNameFromDir(char const* path, char* name);

// block: block file names
// Block-level file name: block directory + "\\" + block name + `suffix` (may be null) + `ext` (".bil" or "bil").
YB_API std::string ybGetBlkAuxFileName(BlockInfo const& block, char const* ext, char const* suffix);
// Per-image file name: block directory + `subDir` (null: "ImagesPara") + the image path's title + `suffix` + `ext`.
YB_API std::string ybGetImgAuxFileName(BlockInfo const& block, char const* imagePath, char const* ext, char const* suffix, char const* subDir);
// Per-model file name: block directory + "\\Model\\L_R\\L_R" + `suffix` + `ext` (L, R: titles of the two image paths).
YB_API std::string ybGetModAuxFileName(BlockInfo const& block, char const* leftImage, char const* rightImage, char const* ext, char const* suffix);
// Temporary file name: block directory + "\\temp\\" + first title [+ "_" + second title] + `suffix` + `ext`.
YB_API std::string ybGetTempAuxFileName(BlockInfo const& block, char const* firstImage, char const* secondImage, char const* ext, char const* suffix);
// Folder of `dirPath` + title of `titlePath` + ".ipp"; empty when either is null.
YB_API std::string ybGetBlkImgPropFileName(char const* dirPath, char const* titlePath);
// Folder of `dirPath` + title of `titlePath` + ".bil" (the image list beside a block option file); empty when either is null.
YB_API std::string ybGetBlkImgListFileName(char const* dirPath, char const* titlePath);
// Image property file of an image: `blockDir` + "\\ImagesPara\\" + the image file name without its 4-character extension + ".ipp".
YB_API std::string ybGetImagePropFile(char const* imagePath, char const* blockDir);

// block: orientation and product file names
// Orientation control point file of an image or image pair; `kind` and `sensor` pick the orientation step and the sensor.
YB_API std::string ybGetOrientGcpFileName(char const* blockDir, std::int16_t kind, std::int16_t sensor, char const* imageA, char const* imageB);
// Orientation coefficient file of an image or image pair; `kind` and `sensor` pick the orientation step and the sensor.
YB_API std::string ybGetOrientCeffFileName(char const* blockDir, std::int16_t kind, std::int32_t sensor, char const* imageA, char const* imageB);
// The model folder of a stereo pair: `blockDir` + "\\Model\\L_R" (titles of the two images).
YB_API std::string ybGetCurModelDir(char const* blockDir, char const* leftImage, char const* rightImage);
// Orientation coefficient file of the model named `modelName` ("0101_0102") for orientation step `kind`.
YB_API std::string ybGetOrientCeffFileNameByModel(char const* blockDir, std::int16_t kind, char const* modelName);
// Orientation control point file of the model named `modelName` for orientation step `kind`.
YB_API std::string ybGetOrientGcpFileNameByModel(char const* blockDir, std::int16_t kind, char const* modelName);
// Orientation coefficient file of one image (`imageName`: its title) for step `kind` and `sensor`.
YB_API std::string ybGetOrientCeffFileNameByImage(char* blockDir, std::int16_t kind, std::int32_t sensor, char const* imageName);
// Orientation control point file of one image (`imageName`: its title) for step `kind` and `sensor`.
YB_API std::string ybGetOrientGcpFileNameByImage(char const* blockDir, std::int16_t kind, std::int16_t sensor, char const* imageName);
// Epipolar image of the model of the two images: the left one's when `left`, else the right one's.
YB_API std::string ybGetEpipolarFileName(char* blockDir, char* leftImage, char* rightImage, bool left);
// Matched point file of the model of the two images.
YB_API std::string ybGetMatchGcpFileName(char* blockDir, char* leftImage, char* rightImage);
// Grid file of the model of the two images.
YB_API std::string ybGetModelGridFileName(char* blockDir, char* leftImage, char* rightImage);
// Writes into `out` (caller's 260 bytes) the block option path lower-cased with ".dms" replaced by ".mpx".
YB_API void ybGetSuvProjFileName(char const* blockOptionPath, char* out);
// Writes into `out` (caller's 260 bytes) the block option path lower-cased with ".dms" replaced by ".mgx".
YB_API void ybGetSuvGcpProjFileName(char const* blockOptionPath, char* out);
// The RPC file path kept in the 256-byte reference file at `path`; empty when there is none.
YB_API std::string ybGetSingleImgRpcFile(char const* path);
// Keeps `text` (an image's RPC file path, under 256 bytes) in the reference file at `path`; reports no result.
YB_API void ybSetSingleImgRpcFile(char const* path, char const* text);
// Host block directory + "\\temp\\" + the image's file name lower-cased with ".ybi" replaced by ".ijp".
YB_API std::string ybGetImgGcpFile(char* imagePath);
// The model name of two images: "L_R" from their titles.
YB_API std::string ybGetModelName(char* leftImage, char* rightImage);
// The model option file (".mod") of two images in the block's Model folder.
YB_API std::string ybGetModelFileName(char const* blockDir, char* leftImage, char* rightImage);
// The RPC set file of an image: host block directory + "\\ImagesPara\\" + its title + ".sir".
YB_API std::string ybGetRPCSetFileName(std::string imagePath);
// The single-image DOM option file (".oms") of an image.
YB_API std::string ybGetSingleImgDomOptionFile(char const* blockDir, char const* imagePath);
// The DOM option file of the model named `modelName`.
YB_API std::string ybGetModelDomOptionFile(char const* blockDir, char const* modelName);

// block: model and product option files
// Reads a model option file into `info`; the option path and model name are taken from `path`.
YB_API std::int32_t ybReadModelOptionFile(char const* path, ModelInfo* info);
// Writes the image texts and host bytes of `info` as a model option file.
YB_API std::int32_t ybWriteModelOptionFile(char const* path, ModelInfo* info);
// Reads the DEM option file into `info`; a missing file is first created with the default options.
YB_API std::int32_t ybReadDemGenOption(char const* path, DemInfo* info);
// Writes `info` as the DEM option file.
YB_API std::int32_t ybWriteDemGenOption(char const* path, DemInfo* info);
// Reads the ortho map option file into `info` (6000004 null argument, 6000006 cannot open).
YB_API std::int32_t ybReadOrthoMapOption(char const* path, OrthoInfo* info);
// Writes `info` as the ortho map option file.
YB_API std::int32_t ybWriteOrthoMapOption(char const* path, OrthoInfo* info);
// The rectangle an ortho map covers, in ground units: its DOM rectangle, or the extent image's range when unset.
YB_API std::int32_t ybCalDomRectByOrthOpt(OrthoInfo const& info, D_RECT& rect);
// Reads a single-image DOM option file (".oms") into `option`.
YB_API std::int32_t ybReadSingleImgDomOption(char const* path, SingleImageDomOption* option);
// Writes `option` as a single-image DOM option file.
YB_API std::int32_t ybWriteSingleImgDomOption(char const* path, SingleImageDomOption const* option);
// Reads the math model of a single DOM option file.
YB_API std::int32_t ybReadSingleDomOption(char const* path, eTypeMathModel* model);
// Writes the math model as a single DOM option file.
YB_API std::int32_t ybWriteSingleDomOption(char const* path, eTypeMathModel* model);

// block: coordinate conversion
// Reads the block's coordinate conversion file (".ctp" beside the block): `count` (3 or 7) and the values into
// `params` (caller's room for 7 doubles).
YB_API std::int32_t ybReadCordConvertPara(BlockInfo const& block, std::int32_t& count, double* params);
// Writes `count` (3 or 7) values of `params` as the block's coordinate conversion file.
YB_API std::int32_t ybWriteCordConvertPara(BlockInfo const& block, std::int32_t count, double* params);

// imagelist: image list file
// Creates an image list with `stripCount` empty strips (replacing any file at `path`).
YB_API std::int32_t ybCreateNewImageRecordFile(char const* path, std::int32_t stripCount);
// Replaces the images of strip `stripNo` (from 1) by `images`; `stripCount` must equal the stored count.
YB_API std::int32_t ybWriteOneStripImageRecord(char const* path, std::int32_t stripCount, std::int32_t stripNo, std::vector<ImageOrderInfo>& images);
// Fills `images` (emptied first) with the records of strip `stripNo`; `stripCount` must equal the stored count.
YB_API std::int32_t ybReadOneStripImageRecord(char const* path, std::int32_t stripCount, std::int32_t stripNo, std::vector<ImageOrderInfo>& images);

// imagelist: queries and update
// The stored strip count of an image list.
YB_API std::int32_t ybGetStripNumberOfImageRecord(char const* path, std::int32_t* stripCount);
// The block's group count: the largest group number of all images.
YB_API std::int32_t ybGetImgGroupNumsOfImageRecord(char const* path, std::int32_t& groupCount);
// Reads the record of image `imageIndex` (from 1) of strip `stripNo`, checking its image number.
YB_API std::int32_t ybReadOneImageRecord(char const* path, std::int32_t stripCount, std::int32_t stripNo, std::int32_t imageIndex, ImageOrderInfo* record);
// Replaces the record of image number `imageNo` (strip * 100 + position) in place.
YB_API std::int32_t ybUpdateOneImageRecord(char const* path, std::int32_t imageNo, ImageOrderInfo const& record);
// The number of images of strip `stripNo`.
YB_API std::int32_t ybReadImageNumOfOneStrip(char const* path, std::int32_t stripNo, std::int32_t* imageCount);
// Copies the image paths of strip `stripNo` into `paths` (caller's rows of 260 bytes, room for every image).
YB_API std::int32_t ybReadAllImageDirectary(char const* path, std::int32_t stripNo, char (*paths)[260], std::int32_t* imageCount);
// The number of images in all strips.
YB_API std::int32_t ybGetBlockTotalImgNums(char const* path, std::int32_t* totalCount);

// imagelist: GCP layout file
// The number of control points of the GCP layout file measured on images of strip `stripNo`.
YB_API std::int32_t ybGetImgGcpNumOfOneStrip(char const* path, std::int32_t stripNo, std::int32_t* count);
// Writes `count` records as the block GCP layout file.
YB_API std::int32_t ybWriteBlockGcpLayoutFile(char const* path, BLOCKGCPLAYOUTINFO* records, std::int32_t count);
// Reads every record into `records` (caller's room for the count ybGetGcpNumsOfGcpLayoutFile gives); sets `count`.
YB_API std::int32_t ybReadBlockGcpLayoutFile(char const* path, BLOCKGCPLAYOUTINFO* records, std::int32_t* count);
// The number of records of the GCP layout file.
YB_API std::int32_t ybGetGcpNumsOfGcpLayoutFile(char const* path, std::int32_t* count);
// Copies the records measured on strip `stripNo` into `records` (caller's room); sets `count`.
YB_API std::int32_t ybGetGcpInfoOfOneStrip(char const* path, std::int32_t stripNo, BLOCKGCPLAYOUTINFO* records, std::int32_t* count);

// imagelist: control points embedded in images
// The temporary layout file of an image list, in the host's layout directory.
YB_API std::string ybGetTempBlockYbiGcpFile(char const* imageListPath);
// Computes the schematic layout of the block's images and keeps it in the temporary layout file.
YB_API std::int32_t ybWriteYbiGcpInfo(char const* imageListPath);
// Writes four corner control points from the temporary layout into each image (".ybi") of strip `stripNo`.
YB_API std::int32_t ybReadYbiGcpInfo(char const* imageListPath, std::int32_t stripNo);
// Replaces the four corner control points of one image by those of `rect` (ground units).
YB_API std::int32_t ybModiYbiGcpInfo(char const* imagePath, D_RECT rect);

// points: image point file
// The record count of an image point file (".ijp").
YB_API std::int32_t ybGetImageGcpNumsOfFile(char const* path, std::int32_t* count);
// Reads the records of an image point file into `points` (caller's room for the count); sets `count`.
YB_API std::int32_t ybReadImgGcpFile(char const* path, tagImagePoint* points, std::int32_t* count);
// Fills `points` (emptied first) with the records of an image point file.
YB_API std::int32_t ybReadImgGcpFileToAry(char const* path, std::vector<tagImagePoint>& points);
// Writes `count` points as an image point file (created or replaced).
YB_API std::int32_t ybWriteImgGcpFile(char const* path, tagImagePoint const* points, std::int32_t count);
// Appends `count` points to an image point file (created when missing).
YB_API std::int32_t ybAppendImgJointPntToFile(char const* path, tagImagePoint const* points, std::int32_t count);

// points: feature point file
// The record count of a feature point file.
YB_API std::int32_t ybGetFeaturePointNumsOfFile(char const* path, std::int32_t* count);
// Reads the records into `points` (caller's room for the count); sets `count`.
YB_API std::int32_t ybReadImgFeaturePointFile(char const* path, FeaturePoint* points, std::int32_t* count);
// Writes `count` feature points as a feature point file.
YB_API std::int32_t ybWriteImgFeatruePointFile(char const* path, FeaturePoint const* points, std::int32_t count);

// points: model common point file
// Creates an empty model common point file for `stripCount` strips.
YB_API std::int32_t ybCreateComJointPntFile(char const* path, std::int32_t stripCount);
// The strip count, section count and point count of a model common point file.
YB_API std::int32_t ybGetComJointPntFileInfo(char const* path, std::int32_t* stripCount, std::int32_t* sectionCount, std::int32_t* pointCount);
// The number of common points of the two neighbouring models of strip `stripNo`.
YB_API std::int32_t ybGetComJointPntNumsOfFile(char const* path, std::int32_t stripNo, std::int32_t firstModel, std::int32_t secondModel, std::int32_t* count);
// Reads the common points of two neighbouring models into `points` (caller's room); sets `count`.
YB_API std::int32_t ybReadComJointPntFile(char const* path, std::int32_t stripNo, std::int32_t firstModel, std::int32_t secondModel, ModelCommonPoint* points, std::int32_t* count);
// Adds the points common to the two model point sets (matched by name) as the section of those models.
YB_API std::int32_t ybWriteComJointPntFile(char const* path, std::int32_t stripNo, std::int32_t firstModel, std::int32_t secondModel, CONTROLPOINT_STORAGE* first, CONTROLPOINT_STORAGE* second);

// points: model control point and block joint point file
// Creates an empty model control point file for `stripCount` strips.
YB_API std::int32_t ybCreateOneModelGcpFile(char const* path, std::int32_t stripCount);
// The number of points of model `modelNo` of strip `stripNo`.
YB_API std::int32_t ybGetModelGcpNumsOfFile(char const* path, std::int32_t stripNo, std::int32_t modelNo, std::int32_t* count);
// Reads the points of one model into `set` (caller's set with room for them; 2000003 when too small).
YB_API std::int32_t ybReadModelGcpFile(char const* path, std::int32_t stripNo, std::int32_t modelNo, CONTROLPOINT_STORAGE* set);
// Adds the in-use entries of `set` to the section of one model.
YB_API std::int32_t ybWriteModelGcpFile(char const* path, std::int32_t stripNo, std::int32_t modelNo, CONTROLPOINT_STORAGE* set);
// The number of model sections of a model control point file.
YB_API std::int32_t ybGetModelNumsOfModelGcpFile(char const* path, std::int32_t* count);
// The stored strip count of a model control point file.
YB_API std::int32_t ybGetStripNumsOfModelGcpFile(char const* path, std::int32_t* count);
// The number of points in all sections.
YB_API std::int32_t ybGetBlockTiePntNumsOfFile(char const* path, std::int32_t* count);
// The number of points of the section at `position` (from 1, file order).
YB_API std::int32_t ybGetOneModelTiePntNums(char const* path, std::int32_t position, std::int32_t* count);
// Reads the points of the section at `position` into `set` (caller's set with room for them).
YB_API std::int32_t ybReadOneModelTiePnt(char const* path, std::int32_t position, CONTROLPOINT_STORAGE* set);

// tiepoints: tie point file
// Writes `count` points as a new tie point file (".scp"), grouped by image in order of first appearance.
YB_API std::int32_t ybCreateTiePntFile(char const* path, tagImagePoint const* points, std::int32_t count);
// The number of observations in the tie point file.
YB_API std::int32_t ybReadTiePntNums(char const* path, std::int32_t& count);
// Fills `points` (emptied first) with every observation, grouped by image in file order.
YB_API std::int32_t ybReadTiePntFileToAry(char const* path, std::vector<tagImagePoint>& points);

// tiepoints: access
// The number of observations of image `imageNo` (strip * 100 + position).
YB_API std::int32_t ybGetOneImgTiePntNums(char const* path, std::int32_t imageNo, std::int32_t& count);
// Reads the observation named `name` (case ignored) on image `imageNo` into `point`.
YB_API std::int32_t ybReadOneTiePntInfo(char const* path, std::int32_t imageNo, char const* name, tagImagePoint& point);
// Fills `points` (emptied first) with the observations of image `imageNo`.
YB_API std::int32_t ybReadOneImgTiePntToAry(char const* path, std::int32_t imageNo, std::vector<tagImagePoint>& points);
// The number of points of model `modelA` whose name is also in model `modelB` (model number: left image number).
YB_API std::int32_t ybGetOneModCommPntNums(char const* path, std::int32_t modelA, std::int32_t modelB, std::int32_t& count);
// Hands out the points common to two models: `points` is allocated with std::malloc and the caller
// releases it with std::free; `count` is its length.
YB_API std::int32_t ybReadOneModCommPnts(char const* path, std::int32_t modelA, std::int32_t modelB, ModelCommonPoint*& points, std::int32_t& count);
// The number of points of model `modelNo` (seen on image modelNo and modelNo + 1).
YB_API std::int32_t ybGetOneModPntNums(char const* path, std::int32_t modelNo, std::int32_t& count);
// Hands out the points of model `modelNo` as a new model point set: the caller releases it with
// ybFreeControlPointMem.
YB_API std::int32_t ybReadOneModPnts(char const* path, std::int32_t modelNo, CONTROLPOINT_STORAGE*& set);

// tiepoints: editing
// Merges `count` points into the tie point file: a point replaces the one of the same image and name, or is added.
YB_API std::int32_t ybAppendTiePntToFile(char const* path, tagImagePoint const* points, std::int32_t count);
// The same merge, used for the points of one image.
YB_API std::int32_t ybWriteOneImgTiePntToFile(char const* path, tagImagePoint const* points, std::int32_t count);
// Removes the backup copy (path + ".bak") an interrupted merge may have left; the tie point file is untouched.
YB_API std::int32_t ybRemoveTiePntContext(char const* path);
// Removes every automatically extracted observation (type 1).
YB_API std::int32_t ybRemoveAutoExtractTiePnt(char const* path);
// Removes the automatically extracted observations whose name's strip tag differs from their image's strip.
YB_API std::int32_t ybRemoveAutoExtractStripTiePnt(char const* path);
// Merges the in-use entries of `set` as observations on images `modelNo` and `modelNo` + 1.
YB_API std::int32_t ybWriteOneModPnts(char const* path, std::int32_t modelNo, CONTROLPOINT_STORAGE* set);

// tiepoints: block detach, unite and clean
// Deletes the per-image temporary tie point files of every image of the block (`blockOptionPath`: its ".dms").
YB_API std::int32_t ybCleanBlockTmpTiePntFile(char const* blockOptionPath);
// Writes each image's tie points into its per-image temporary file (photo coordinates in mm for camera blocks);
// runs the clean first.
YB_API std::int32_t ybDetachBlockTiePntFile(char const* blockOptionPath);
// Replaces the block tie point file by the points of all per-image temporary files, in image list order.
YB_API std::int32_t ybUniteBlockTiePntFile(char const* blockOptionPath);

// params: camera
// Reads a camera file; each out pointer may be null. `rims`: room for 8 marks; `aberrations`: room for
// `*aberrationCount` records (call once with null to learn the count). Millimetres.
YB_API std::int32_t ybReadCameraParaFile(char const* path, CameraInfo* camera, RimPoint* rims, RIMPOINTLAYOUT* layout, AberranceInfo* aberrations, std::int32_t* aberrationCount);
// Writes a camera file: camera record, fiducial marks of `layout` (4 or 8), `aberrationCount` distortion records.
YB_API std::int32_t ybWriteCameraParaFile(char const* path, CameraInfo const* camera, RimPoint const* rims, RIMPOINTLAYOUT layout, AberranceInfo const* aberrations, std::int32_t aberrationCount);

// params: image properties
// Reads the one value of a SPOT image property file.
YB_API std::int32_t ybReadSPOTPropInfoFile(char const* path, double* value);
// Writes `value` as a SPOT image property file.
YB_API std::int32_t ybWriteSPOTPropInfoFile(char const* path, double value);
// Reads an image property file (".ipp") into `info` (pixel size in mm at byte 145).
YB_API std::int32_t ybReadImagePropInfoFile(char const* path, IMAGEPROPINFO* info);
// Writes `info` as an image property file.
YB_API std::int32_t ybWriteImagePropInfoFile(char const* path, IMAGEPROPINFO const* info);
// Writes a sensor property file (".ipc"): the name (one word, at most 63 bytes) and four non-negative numbers.
YB_API std::int32_t ybCreateCustomImagePropFile(char const* path, char const* sensorName, std::int32_t first, std::int32_t second, double firstReal, double secondReal);
// Reads a sensor property file; `sensorName`: caller's 64 bytes; each number pointer may be null.
YB_API std::int32_t ybReadCustomImagePropFile(char const* path, char* sensorName, std::int32_t* first, std::int32_t* second, double* firstReal, double* secondReal);
// The pixel size of an open image in metres: from its image property file, else 25.4 mm / its resolution.
YB_API double ybGetCurImgPixel(char const* blockDir, YbiHandle image);

// params: inner orientation image list
// Skips `lineCount` lines of `stream` from `origin` (a SEEK_ constant); `position` receives where it stopped.
YB_API std::int32_t ybJumpTextFileLines(std::FILE* stream, std::int32_t lineCount, std::int32_t origin, std::int32_t* position);
// Copies entry `index` (from 1) of an inner orientation list into `name` (caller's 128 bytes).
YB_API std::int32_t ybReadOneInnOrientImgFileName(char const* path, std::int32_t index, char* name);
// The entry count of an inner orientation list.
YB_API std::int32_t ybReadImgNumsOfInnOrient(char const* path, std::int32_t* count);
// Writes `names` as an inner orientation list.
YB_API std::int32_t ybWriteInnOrientImgListFile(char const* path, std::vector<std::string> const& names);

// params: orientation coefficients
// Reads the 6 inner orientation coefficients of an image into `coefficients` (caller's room for 6).
YB_API std::int32_t ybReadInnefCeff(char const* path, double* coefficients);
// Reads the 5 relative orientation elements of a model into `elements` (caller's room for 5).
YB_API std::int32_t ybReadSingleRelaCeff(char const* path, double* elements);
// Reads the 7 absolute orientation elements of a model into `elements` (caller's room for 7).
YB_API std::int32_t ybReadAbsoluteCeff(char const* path, double* elements);

// params: model joint coefficients
// Reads the joint coefficient of model `modelNo` of strip `stripNo`.
YB_API std::int32_t ybGetOneModelJointCeff(char const* path, std::int32_t stripNo, std::int32_t modelNo, double* value);
// Creates a model joint coefficient file holding strip 1 with `count` values.
YB_API std::int32_t ybCreateNewModelJointCeffFile(char const* path, double const* values, std::int32_t count);
// Adds or replaces the `count` values of strip `stripNo`.
YB_API std::int32_t ybAppendOneStripModelJointCeff(char const* path, std::int32_t stripNo, double const* values, std::int32_t count);

// params: image relation file
// Writes `records` as an image relation file (text).
YB_API std::int32_t ybWriteImageRelaFile(char const* path, std::vector<ImageLayoutStru> const& records);
// Fills `records` (emptied first) from an image relation file.
YB_API std::int32_t ybReadImageRelaFile(char const* path, std::vector<ImageLayoutStru>& records);

// params: projection information
// Reads the projection information file into `info`.
YB_API std::int32_t ybReadSuvProjInfo(char const* path, MAP_PARAstruct* info);
// Writes `info` as the projection information file; reports no result.
YB_API void ybWriteSuvProjInfo(char const* path, MAP_PARAstruct const* info);

// reports
// Writes the block file state report (GBK text) to `reportPath`: `reportKind` 0 lists images, 1 models.
YB_API std::int32_t ybGenBlkFileStateReport(char const* blockOptionPath, std::int16_t reportKind, char const* reportPath);
// Writes the model product state file: every model of the block and whether its orthophoto (".dom") exists.
YB_API std::int32_t ybGenBlkModOrthoStateFile(char const* blockOptionPath, char const* statePath);
// Writes the model product state file for epipolar images (".epi").
YB_API std::int32_t ybGenBlkModEpiStateFile(char const* blockOptionPath, char const* statePath);

#endif
