// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
/// \file
/// ybBlockFileIO: the files of a photogrammetric block. Records, result codes and the exported functions.
/// Texts are GBK (code page 936) bytes; paths are host paths (drive letter, backslash separators).
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

/// The result codes of ybBlockFileIO.
namespace yb {
/// \addtogroup resultcodes
/// @{
inline constexpr std::int32_t kSuccess = 0;                 ///< success
inline constexpr std::int32_t kNoMemory = 2000001;          ///< memory cannot be obtained
inline constexpr std::int32_t kPointSetTooSmall = 2000003;  ///< a model point set holds too few entries
/// stored strip count below the request; null out record
inline constexpr std::int32_t kStoredCountTooSmall = 2000004;
inline constexpr std::int32_t kCannotWrite = 2010001;   ///< a file cannot be created, written, copied or deleted
inline constexpr std::int32_t kFileNotFound = 2010007;  ///< image list missing for a query; bad projection path
inline constexpr std::int32_t kWrongMagic = 2020003;    ///< magic text missing or different (option and point files)
inline constexpr std::int32_t kOutOfRange = 4000005;    ///< argument or stored value out of range
inline constexpr std::int32_t kImageNumberMismatch = 4000007;  ///< image numbers of a record disagree
inline constexpr std::int32_t kInvalidArgument = 4000015;      ///< null pointer or path, invalid count or number
inline constexpr std::int32_t kCannotOpen = 4000028;           ///< the file does not exist or cannot be opened
inline constexpr std::int32_t kInvalidContent = 4000032;       ///< a file's content is invalid or comes up short
inline constexpr std::int32_t kOrthoNullArgument = 6000004;    ///< ortho map option reader given a null argument
inline constexpr std::int32_t kOrthoCannotOpen = 6000006;      ///< ortho map option file cannot be opened
inline constexpr std::int32_t kNotFound = 40200001;            ///< no such tie point or strip; strip count differs
/// @}
}  // namespace yb

// ---------------------------------------------------------------------------------------------
// Records. Sizes and offsets are file format.

/// The block option record (".dms").
struct BlockInfo {
    char blockDirectory[128];         ///< the block directory (host path)
    char blockName[36];               ///< the block's name (its option file's title)
    std::int32_t imageType;           ///< 0 metric camera ... 6 QUICKBIRD
    unsigned char hostReserved0[4];   ///< the host's; stored and returned unchanged
    char controlPointFile[260];       ///< the block's control point file
    char cameraFile[260];             ///< the block's camera file
    unsigned char hostReserved1[20];  ///< the host's; stored and returned unchanged
};
static_assert(sizeof(BlockInfo) == 712, "BlockInfo is 712 bytes");
static_assert(offsetof(BlockInfo, blockName) == 128 && offsetof(BlockInfo, imageType) == 164 &&
                  offsetof(BlockInfo, controlPointFile) == 172 && offsetof(BlockInfo, cameraFile) == 432 &&
                  offsetof(BlockInfo, hostReserved1) == 692,
              "BlockInfo field offsets");

// --- records of the image list ---------------------------------------------------------------
/// One image of the block image list.
struct ImageOrderInfo {
    std::int32_t nImageNo;   ///< strip * 100 + position in the strip (from 1)
    char szImagePath[260];   ///< full path of the image, NUL-terminated
    std::int32_t nGroupNo;   ///< image group; the block's group count is the largest of them
    std::int32_t nStripNo;   ///< strip holding the image (image number / 100)
    std::int32_t nExtra[7];  ///< the caller's; stored and returned unchanged
};
static_assert(sizeof(ImageOrderInfo) == 300, "ImageOrderInfo is 300 bytes");
static_assert(offsetof(ImageOrderInfo, szImagePath) == 4 && offsetof(ImageOrderInfo, nGroupNo) == 264 &&
                  offsetof(ImageOrderInfo, nStripNo) == 268 && offsetof(ImageOrderInfo, nExtra) == 272,
              "ImageOrderInfo field offsets");

/// One ground control point of a block and the images it is measured on.
struct BLOCKGCPLAYOUTINFO {
    unsigned char callerData[32];  ///< the caller's; stored and returned unchanged
    std::int32_t imageCount;       ///< 0 to 12: how many of imageNo are meaningful
    std::int32_t imageNo[12];      ///< image numbers (strip * 100 + position)
};
static_assert(sizeof(BLOCKGCPLAYOUTINFO) == 84, "BLOCKGCPLAYOUTINFO is 84 bytes");
static_assert(offsetof(BLOCKGCPLAYOUTINFO, imageCount) == 32 && offsetof(BLOCKGCPLAYOUTINFO, imageNo) == 36,
              "BLOCKGCPLAYOUTINFO field offsets");

// --- point records ---------------------------------------------------------------------------
#pragma pack(push, 1)
/// One point measured on one image.
struct tagImagePoint {
    double photoX;         ///< photo x (mm, camera blocks)
    double photoY;         ///< photo y (mm, camera blocks)
    double x;              ///< x on the image
    double y;              ///< y on the image
    std::int32_t imageNo;  ///< strip * 100 + position in the strip
    std::int16_t type;     ///< 1: automatically extracted tie point
    char name[32];         ///< point name (GBK, NUL-terminated)
};
#pragma pack(pop)
static_assert(sizeof(tagImagePoint) == 70, "tagImagePoint is 70 bytes, packed");
static_assert(offsetof(tagImagePoint, x) == 16 && offsetof(tagImagePoint, y) == 24 &&
                  offsetof(tagImagePoint, imageNo) == 32 && offsetof(tagImagePoint, type) == 36 &&
                  offsetof(tagImagePoint, name) == 38,
              "tagImagePoint field offsets");

/// One point common to two neighbouring models, seen on three images.
struct ModelCommonPoint {
    char name[32];  ///< point name (GBK, NUL-terminated)
    double x1, y1;  ///< left image of the first model
    double x2, y2;  ///< right image of the first model, left of the second
    double x3, y3;  ///< right image of the second model
};
static_assert(sizeof(ModelCommonPoint) == 80, "ModelCommonPoint is 80 bytes");
/// \var ModelCommonPoint::x1
/// x on the left image of the first model
/// \var ModelCommonPoint::x2
/// x on the right image of the first model, left of the second
/// \var ModelCommonPoint::x3
/// x on the right image of the second model

/// One feature point of an image; its content belongs to the caller.
struct FeaturePoint {
    unsigned char bytes[48];  ///< the caller's bytes
};
static_assert(sizeof(FeaturePoint) == 48, "FeaturePoint is 48 bytes");

// --- records of the camera and parameter files -----------------------------------------------
#pragma pack(push, 1)
/// One fiducial mark of a camera.
struct RimPoint {
    std::int32_t number;  ///< the mark's number
    double x;             ///< x (mm)
    double y;             ///< y (mm)
};
#pragma pack(pop)
static_assert(sizeof(RimPoint) == 20, "RimPoint is 20 bytes");
static_assert(offsetof(RimPoint, x) == 4 && offsetof(RimPoint, y) == 12, "RimPoint field offsets");

/// Fiducial layout: 0 and 1 have 4 marks, 2 has 8.
enum RIMPOINTLAYOUT : std::int32_t { RIM_LAYOUT_FOUR = 0, RIM_LAYOUT_FOUR_ALT = 1, RIM_LAYOUT_EIGHT = 2 };
static_assert(sizeof(RIMPOINTLAYOUT) == 4, "RIMPOINTLAYOUT is stored as 32 bits");

// --- records of the parameter files: image relation and projection -------------------------
#pragma pack(push, 1)
/// Where one image of the block lies relative to the others.
struct ImageLayoutStru {
    std::int32_t imageNo;  ///< image number (strip * 100 + position)
    double x;              ///< x of the image's place
    double y;              ///< y of the image's place
};
#pragma pack(pop)
static_assert(sizeof(ImageLayoutStru) == 20, "ImageLayoutStru is 20 bytes, packed");
static_assert(offsetof(ImageLayoutStru, x) == 4 && offsetof(ImageLayoutStru, y) == 12, "ImageLayoutStru field offsets");

/// The map projection of the block's object coordinate system; its content belongs to the caller.
struct MAP_PARAstruct {
    unsigned char bytes[169];  ///< the caller's bytes
};
static_assert(sizeof(MAP_PARAstruct) == 169, "MAP_PARAstruct is 169 bytes");
static_assert(std::is_trivially_copyable_v<ImageLayoutStru> && std::is_trivially_copyable_v<MAP_PARAstruct>,
              "relation and projection records are trivially copyable");

// --- records of the image property files -----------------------------------------------------
#pragma pack(push, 1)
/// The properties of one image that its image file does not hold. Only the pixel size is read by this
/// library; the other bytes belong to the programs that fill them and are kept unchanged.
struct IMAGEPROPINFO {
    unsigned char properties[145];    ///< kept unchanged
    double pixelSize;                 ///< millimetres
    unsigned char moreProperties[8];  ///< kept unchanged
};
#pragma pack(pop)
static_assert(sizeof(IMAGEPROPINFO) == 161, "IMAGEPROPINFO is 161 bytes, packed");
static_assert(offsetof(IMAGEPROPINFO, pixelSize) == 145, "the pixel size lies at byte 145");
static_assert(std::is_trivially_copyable_v<IMAGEPROPINFO>, "IMAGEPROPINFO is stored as its bytes");

// --- records of the model and product option files -------------------------------------------
/// The options of one stereo model. The option file stores the four image texts and the trailing
/// bytes; the reader sets the first two texts from the path it read.
struct ModelInfo {
    char optionPath[260];            ///< the option file's path (set by the reader)
    char modelName[260];             ///< the model's name (set by the reader)
    char leftImage[260];             ///< the left image's path
    char rightImage[260];            ///< the right image's path
    char hostText0[260];             ///< the host's text
    char hostText1[260];             ///< the host's text
    unsigned char hostReserved[40];  ///< the host's; stored and returned unchanged
};
static_assert(sizeof(ModelInfo) == 1600, "ModelInfo is 1600 bytes");
static_assert(offsetof(ModelInfo, leftImage) == 520 && offsetof(ModelInfo, rightImage) == 780 &&
                  offsetof(ModelInfo, hostText0) == 1040 && offsetof(ModelInfo, hostText1) == 1300 &&
                  offsetof(ModelInfo, hostReserved) == 1560,
              "ModelInfo field offsets");

#pragma pack(push, 1)
/// The options of the ortho map product. Only the DOM rectangle and the image whose extent stands in
/// for an unset rectangle mean anything to this library; the rest belongs to the host.
struct OrthoInfo {
    unsigned char hostReserved0[260];  ///< the host's
    D_RECT domRect;                    ///< the DOM rectangle (ground units); unset when empty
    unsigned char hostReserved1[24];   ///< the host's
    char extentImage[260];             ///< the image whose extent stands in for an unset rectangle
    unsigned char hostReserved2[268];  ///< the host's
};
#pragma pack(pop)
static_assert(sizeof(OrthoInfo) == 844, "OrthoInfo is 844 bytes");
static_assert(offsetof(OrthoInfo, domRect) == 260 && offsetof(OrthoInfo, extentImage) == 316,
              "OrthoInfo field offsets");

/// The options of one single-image DOM; stored and returned unchanged.
struct SingleImageDomOption {
    unsigned char bytes[1108];  ///< the options' bytes
};
static_assert(sizeof(SingleImageDomOption) == 1108, "SingleImageDomOption is 1108 bytes");

/// The options of DEM generation. A new DEM option file starts with a zero area, a 10 by 10 grid
/// spacing and two empty texts.
struct DemInfo {
    double area[4];        ///< the DEM's area
    double spacingX;       ///< grid spacing in x
    double spacingY;       ///< grid spacing in y
    char firstText[260];   ///< the first text (GBK)
    char secondText[260];  ///< the second text (GBK)
};
static_assert(sizeof(DemInfo) == 568, "DemInfo is 568 bytes");
static_assert(offsetof(DemInfo, spacingX) == 32 && offsetof(DemInfo, firstText) == 48 &&
                  offsetof(DemInfo, secondText) == 308,
              "DemInfo field offsets");

/// The math (sensor) model chosen for a single DOM; the values are the host's.
enum eTypeMathModel : std::int32_t {};
static_assert(sizeof(eTypeMathModel) == 4, "eTypeMathModel is stored as 32 bits");

static_assert(std::is_trivially_copyable_v<ModelInfo> && std::is_trivially_copyable_v<OrthoInfo> &&
                  std::is_trivially_copyable_v<SingleImageDomOption> && std::is_trivially_copyable_v<DemInfo>,
              "option records are trivially copyable");

// ---------------------------------------------------------------------------------------------
// The exported functions.

/// \name block: block option file
/// @{

/// Reads the block option file (".dms") into `block` (zeroed first; a file cut short leaves the rest zero).
/// \param path the block option file (".dms")
/// \param[out] block receives the block option record
/// \return 0 (yb::kSuccess) or a result code (\ref resultcodes)
YB_API std::int32_t ybReadBlockOptionFile(char const* path, BlockInfo* block);
/// Writes `block` as the block option file at `path` (created or replaced).
/// \param path the block option file (".dms")
/// \param block the block option record
/// \return 0 (yb::kSuccess) or a result code (\ref resultcodes)
YB_API std::int32_t ybWriteBlockOptionFile(char const* path, BlockInfo* block);

/// @}

/// \name block: folder
/// @{

/// Makes the block folder tree under `root` (Model, ImagesPara, Temp, ...) and the two SPOT sensor files; true when all
/// is in place. \param root the block folder (host path); made when missing \return true when every folder and file is
/// in place
YB_API bool ybCreateBlockFolder(char const* root);
/// Removes the empty sub-folders of a block folder in a fixed order; stops (false) at the first that cannot go. Never
/// deletes files. \param root the block folder (host path) \return true when every sub-folder is gone; false at the
/// first that cannot go
YB_API bool ybReomveBlockFolder(char const* root);
/// True when `dir` names an existing directory.
/// \param dir the directory (host path)
/// \return true when `dir` names an existing directory
YB_API bool ybIsDirectoryExist(char const* dir);
/// Fills `titles` (emptied first) with the titles (no folder, no extension) of the files in `dir` whose extension is
/// `ext`, given without the dot ("dms", not ".dms"); `recursive` != 0 descends into sub-folders, depth first. \param
/// dir the directory (host path) \param ext the extension, with or without its dot \param[out] titles receives the
/// titles (emptied first) \param recursive non-zero to descend into sub-folders \return 0 (yb::kSuccess) or a result
/// code (\ref resultcodes)
YB_API std::int32_t ybGetSameExtFilePathsInOneDir(char const* dir, char const* ext, std::vector<std::string>& titles,
                                                  int recursive);
/// Copies the file name after the last backslash of `path` into `name` (caller's buffer, room for the whole name).
/// \param path the path (host path)
/// \param[out] name receives the file name (caller's buffer)
/// \return true when a name was copied
YB_API bool ybExtractFileNameFromDir(char const* path, char* name);

/// @}

/// \name block: block file names
/// @{

/// Block-level file name: block directory + "\\" + block name + `suffix` (may be null) + `ext` (".bil" or "bil").
/// \param block the block option record; its directory and name place the file
/// \param ext the extension, with or without its dot
/// \param suffix text put between the title and the extension; may be null
/// \return the file name (host path); empty when an argument is null
YB_API std::string ybGetBlkAuxFileName(BlockInfo const& block, char const* ext, char const* suffix);
/// Per-image file name: block directory + `subDir` (null: "ImagesPara") + the image path's title + `suffix` + `ext`.
/// \param block the block option record; its directory and name place the file
/// \param imagePath the path of the image
/// \param ext the extension, with or without its dot
/// \param suffix text put between the title and the extension; may be null
/// \param subDir the sub-folder of the block directory; null for "ImagesPara"
/// \return the file name (host path); empty when an argument is null
YB_API std::string ybGetImgAuxFileName(BlockInfo const& block, char const* imagePath, char const* ext,
                                       char const* suffix, char const* subDir);
/// Per-model file name: block directory + "\\Model\\L_R\\L_R" + `suffix` + `ext` (L, R: titles of the two image paths).
/// \param block the block option record; its directory and name place the file
/// \param leftImage the path of the model's left image
/// \param rightImage the path of the model's right image
/// \param ext the extension, with or without its dot
/// \param suffix text put between the title and the extension; may be null
/// \return the file name (host path); empty when an argument is null
YB_API std::string ybGetModAuxFileName(BlockInfo const& block, char const* leftImage, char const* rightImage,
                                       char const* ext, char const* suffix);
/// Temporary file name: block directory + "\\temp\\" + first title [+ "_" + second title] + `suffix` + `ext`.
/// \param block the block option record; its directory and name place the file
/// \param firstImage the path of the first image
/// \param secondImage the path of the second image; may be null
/// \param ext the extension, with or without its dot
/// \param suffix text put between the title and the extension; may be null
/// \return the file name (host path); empty when an argument is null
YB_API std::string ybGetTempAuxFileName(BlockInfo const& block, char const* firstImage, char const* secondImage,
                                        char const* ext, char const* suffix);
/// Folder of `dirPath` + title of `titlePath` + ".ipp"; empty when either is null.
/// \param dirPath a path in the folder the file goes in
/// \param titlePath a path whose title the file takes
/// \return the file name; empty when either argument is null
YB_API std::string ybGetBlkImgPropFileName(char const* dirPath, char const* titlePath);
/// Folder of `dirPath` + title of `titlePath` + ".bil" (the image list beside a block option file); empty when either
/// is null. \param dirPath a path in the folder the file goes in \param titlePath a path whose title the file takes
/// \return the file name; empty when either argument is null
YB_API std::string ybGetBlkImgListFileName(char const* dirPath, char const* titlePath);
/// Image property file of an image: `blockDir` + "\\ImagesPara\\" + the image file name without its 4-character
/// extension + ".ipp". \param imagePath the path of the image \param blockDir the block directory (host path) \return
/// the file name (host path); empty when an argument is null
YB_API std::string ybGetImagePropFile(char const* imagePath, char const* blockDir);

/// @}

/// \name block: orientation and product file names
/// @{

/// Orientation control point file of an image or image pair; `kind` and `sensor` pick the orientation step and the
/// sensor. \param blockDir the block directory (host path) \param kind the orientation step \param sensor the sensor
/// \param imageA the path of the (first) image
/// \param imageB the path of the second image of a pair; may be null
/// \return the file name (host path); empty when an argument is null
YB_API std::string ybGetOrientGcpFileName(char const* blockDir, std::int16_t kind, std::int16_t sensor,
                                          char const* imageA, char const* imageB);
/// Orientation coefficient file of an image or image pair; `kind` and `sensor` pick the orientation step and the
/// sensor. \param blockDir the block directory (host path) \param kind the orientation step \param sensor the sensor
/// \param imageA the path of the (first) image
/// \param imageB the path of the second image of a pair; may be null
/// \return the file name (host path); empty when an argument is null
YB_API std::string ybGetOrientCeffFileName(char const* blockDir, std::int16_t kind, std::int32_t sensor,
                                           char const* imageA, char const* imageB);
/// The model folder of a stereo pair: `blockDir` + "\\Model\\L_R" (titles of the two images).
/// \param blockDir the block directory (host path)
/// \param leftImage the path of the model's left image
/// \param rightImage the path of the model's right image
/// \return the folder (host path)
YB_API std::string ybGetCurModelDir(char const* blockDir, char const* leftImage, char const* rightImage);
/// Orientation coefficient file of the model named `modelName` ("0101_0102") for orientation step `kind`.
/// \param blockDir the block directory (host path)
/// \param kind the orientation step
/// \param modelName the model's name ("0101_0102")
/// \return the file name (host path); empty when an argument is null
YB_API std::string ybGetOrientCeffFileNameByModel(char const* blockDir, std::int16_t kind, char const* modelName);
/// Orientation control point file of the model named `modelName` for orientation step `kind`.
/// \param blockDir the block directory (host path)
/// \param kind the orientation step
/// \param modelName the model's name ("0101_0102")
/// \return the file name (host path); empty when an argument is null
YB_API std::string ybGetOrientGcpFileNameByModel(char const* blockDir, std::int16_t kind, char const* modelName);
/// Orientation coefficient file of one image (`imageName`: its title) for step `kind` and `sensor`.
/// \param blockDir the block directory (host path)
/// \param kind the orientation step
/// \param sensor the sensor
/// \param imageName the image's title
/// \return the file name (host path); empty when an argument is null
YB_API std::string ybGetOrientCeffFileNameByImage(char* blockDir, std::int16_t kind, std::int32_t sensor,
                                                  char const* imageName);
/// Orientation control point file of one image (`imageName`: its title) for step `kind` and `sensor`.
/// \param blockDir the block directory (host path)
/// \param kind the orientation step
/// \param sensor the sensor
/// \param imageName the image's title
/// \return the file name (host path); empty when an argument is null
YB_API std::string ybGetOrientGcpFileNameByImage(char const* blockDir, std::int16_t kind, std::int16_t sensor,
                                                 char const* imageName);
/// Epipolar image of the model of the two images: the left one's when `left`, else the right one's.
/// \param blockDir the block directory (host path)
/// \param leftImage the path of the model's left image
/// \param rightImage the path of the model's right image
/// \param left true for the left image's epipolar image, false for the right one's
/// \return the file name (host path); empty when an argument is null
YB_API std::string ybGetEpipolarFileName(char* blockDir, char* leftImage, char* rightImage, bool left);
/// Matched point file of the model of the two images.
/// \param blockDir the block directory (host path)
/// \param leftImage the path of the model's left image
/// \param rightImage the path of the model's right image
/// \return the file name (host path); empty when an argument is null
YB_API std::string ybGetMatchGcpFileName(char* blockDir, char* leftImage, char* rightImage);
/// Grid file of the model of the two images.
/// \param blockDir the block directory (host path)
/// \param leftImage the path of the model's left image
/// \param rightImage the path of the model's right image
/// \return the file name (host path); empty when an argument is null
YB_API std::string ybGetModelGridFileName(char* blockDir, char* leftImage, char* rightImage);
/// Writes into `out` (caller's 260 bytes) the block option path lower-cased with ".dms" replaced by ".mpx".
/// \param blockOptionPath the block option file (".dms") of the block
/// \param[out] out receives the path (caller's 260 bytes)
YB_API void ybGetSuvProjFileName(char const* blockOptionPath, char* out);
/// Writes into `out` (caller's 260 bytes) the block option path lower-cased with ".dms" replaced by ".mgx".
/// \param blockOptionPath the block option file (".dms") of the block
/// \param[out] out receives the path (caller's 260 bytes)
YB_API void ybGetSuvGcpProjFileName(char const* blockOptionPath, char* out);
/// The RPC file path kept in the 256-byte reference file at `path`; empty when there is none.
/// \param path the reference file
/// \return the RPC file path; empty when there is none
YB_API std::string ybGetSingleImgRpcFile(char const* path);
/// Keeps `text` (an image's RPC file path, under 256 bytes) in the reference file at `path`; reports no result.
/// \param path the reference file (created or replaced)
/// \param text the RPC file path to keep (under 256 bytes)
YB_API void ybSetSingleImgRpcFile(char const* path, char const* text);
/// Host block directory + "\\temp\\" + the image's file name lower-cased with ".ybi" replaced by ".ijp".
/// \param imagePath the path of the image
/// \return the file name (host path); empty when an argument is null
YB_API std::string ybGetImgGcpFile(char* imagePath);
/// The model name of two images: "L_R" from their titles.
/// \param leftImage the path of the model's left image
/// \param rightImage the path of the model's right image
/// \return the model name
YB_API std::string ybGetModelName(char* leftImage, char* rightImage);
/// The model option file (".mod") of two images in the block's Model folder.
/// \param blockDir the block directory (host path)
/// \param leftImage the path of the model's left image
/// \param rightImage the path of the model's right image
/// \return the file name (host path); empty when an argument is null
YB_API std::string ybGetModelFileName(char const* blockDir, char* leftImage, char* rightImage);
/// The RPC set file of an image: host block directory + "\\ImagesPara\\" + its title + ".sir".
/// \param imagePath the path of the image
/// \return the file name (host path); empty when an argument is null
YB_API std::string ybGetRPCSetFileName(std::string imagePath);
/// The single-image DOM option file (".oms") of an image.
/// \param blockDir the block directory (host path)
/// \param imagePath the path of the image
/// \return the file name (host path); empty when an argument is null
YB_API std::string ybGetSingleImgDomOptionFile(char const* blockDir, char const* imagePath);
/// The DOM option file of the model named `modelName`.
/// \param blockDir the block directory (host path)
/// \param modelName the model's name ("0101_0102")
/// \return the file name (host path); empty when an argument is null
YB_API std::string ybGetModelDomOptionFile(char const* blockDir, char const* modelName);

/// @}

/// \name block: model and product option files
/// @{

/// Reads a model option file into `info`; the option path and model name are taken from `path`.
/// \param path the model option file (".mod")
/// \param[out] info receives the model options
/// \return 0 (yb::kSuccess) or a result code (\ref resultcodes)
YB_API std::int32_t ybReadModelOptionFile(char const* path, ModelInfo* info);
/// Writes the image texts and host bytes of `info` as a model option file.
/// \param path the model option file (".mod")
/// \param info the model options
/// \return 0 (yb::kSuccess) or a result code (\ref resultcodes)
YB_API std::int32_t ybWriteModelOptionFile(char const* path, ModelInfo* info);
/// Reads the DEM option file into `info`; a missing file is first created with the default options.
/// \param path the DEM option file
/// \param[out] info receives the DEM options
/// \return 0 (yb::kSuccess) or a result code (\ref resultcodes)
YB_API std::int32_t ybReadDemGenOption(char const* path, DemInfo* info);
/// Writes `info` as the DEM option file.
/// \param path the DEM option file
/// \param info the DEM options
/// \return 0 (yb::kSuccess) or a result code (\ref resultcodes)
YB_API std::int32_t ybWriteDemGenOption(char const* path, DemInfo* info);
/// Reads the ortho map option file into `info` (6000004 null argument, 6000006 cannot open).
/// \param path the ortho map option file
/// \param[out] info receives the ortho map options
/// \return 0 (yb::kSuccess) or a result code (\ref resultcodes)
YB_API std::int32_t ybReadOrthoMapOption(char const* path, OrthoInfo* info);
/// Writes `info` as the ortho map option file.
/// \param path the ortho map option file
/// \param info the ortho map options
/// \return 0 (yb::kSuccess) or a result code (\ref resultcodes)
YB_API std::int32_t ybWriteOrthoMapOption(char const* path, OrthoInfo* info);
/// The rectangle an ortho map covers, in ground units: its DOM rectangle, or the extent image's range when unset.
/// \param info the ortho map options
/// \param[out] rect receives the rectangle
/// \return 0 (yb::kSuccess) or a result code (\ref resultcodes)
YB_API std::int32_t ybCalDomRectByOrthOpt(OrthoInfo const& info, D_RECT& rect);
/// Reads a single-image DOM option file (".oms") into `option`.
/// \param path the single-image DOM option file (".oms")
/// \param[out] option receives the options
/// \return 0 (yb::kSuccess) or a result code (\ref resultcodes)
YB_API std::int32_t ybReadSingleImgDomOption(char const* path, SingleImageDomOption* option);
/// Writes `option` as a single-image DOM option file.
/// \param path the single-image DOM option file (".oms")
/// \param option the options
/// \return 0 (yb::kSuccess) or a result code (\ref resultcodes)
YB_API std::int32_t ybWriteSingleImgDomOption(char const* path, SingleImageDomOption const* option);
/// Reads the math model of a single DOM option file.
/// \param path the single DOM option file
/// \param[out] model receives the math model
/// \return 0 (yb::kSuccess) or a result code (\ref resultcodes)
YB_API std::int32_t ybReadSingleDomOption(char const* path, eTypeMathModel* model);
/// Writes the math model as a single DOM option file.
/// \param path the single DOM option file
/// \param model the math model
/// \return 0 (yb::kSuccess) or a result code (\ref resultcodes)
YB_API std::int32_t ybWriteSingleDomOption(char const* path, eTypeMathModel* model);

/// @}

/// \name block: coordinate conversion
/// @{

/// Reads the block's coordinate conversion file (".ctp" beside the block): `count` (3 or 7) and the values into
/// `params` (caller's room for 7 doubles).
/// \param block the block option record; its directory and name place the file
/// \param[out] count receives the number of values (3 or 7)
/// \param[out] params receives the values (caller's room for 7)
/// \return 0 (yb::kSuccess) or a result code (\ref resultcodes)
YB_API std::int32_t ybReadCordConvertPara(BlockInfo const& block, std::int32_t& count, double* params);
/// Writes `count` (3 or 7) values of `params` as the block's coordinate conversion file.
/// \param block the block option record; its directory and name place the file
/// \param count the number of values: 3 or 7
/// \param params the values
/// \return 0 (yb::kSuccess) or a result code (\ref resultcodes)
YB_API std::int32_t ybWriteCordConvertPara(BlockInfo const& block, std::int32_t count, double* params);

/// @}

/// \name imagelist: image list file
/// @{

/// Creates an image list with `stripCount` empty strips (replacing any file at `path`).
/// \param path the image list file (".bil")
/// \param stripCount the number of strips
/// \return 0 (yb::kSuccess) or a result code (\ref resultcodes)
YB_API std::int32_t ybCreateNewImageRecordFile(char const* path, std::int32_t stripCount);
/// Replaces the images of strip `stripNo` (from 1) by `images`; `stripCount` must equal the stored count.
/// \param path the image list file (".bil")
/// \param stripCount the number of strips; must equal the stored count
/// \param stripNo the strip, from 1
/// \param images the records of the strip's images, in order
/// \return 0 (yb::kSuccess) or a result code (\ref resultcodes)
YB_API std::int32_t ybWriteOneStripImageRecord(char const* path, std::int32_t stripCount, std::int32_t stripNo,
                                               std::vector<ImageOrderInfo>& images);
/// Fills `images` (emptied first) with the records of strip `stripNo`; `stripCount` must equal the stored count.
/// \param path the image list file (".bil")
/// \param stripCount the number of strips; must equal the stored count
/// \param stripNo the strip, from 1
/// \param[out] images receives the records (emptied first)
/// \return 0 (yb::kSuccess) or a result code (\ref resultcodes)
YB_API std::int32_t ybReadOneStripImageRecord(char const* path, std::int32_t stripCount, std::int32_t stripNo,
                                              std::vector<ImageOrderInfo>& images);

/// @}

/// \name imagelist: queries and update
/// @{

/// The stored strip count of an image list.
/// \param path the image list file (".bil")
/// \param[out] stripCount receives the strip count
/// \return 0 (yb::kSuccess) or a result code (\ref resultcodes)
YB_API std::int32_t ybGetStripNumberOfImageRecord(char const* path, std::int32_t* stripCount);
/// The block's group count: the largest group number of all images.
/// \param path the image list file (".bil")
/// \param[out] groupCount receives the group count
/// \return 0 (yb::kSuccess) or a result code (\ref resultcodes)
YB_API std::int32_t ybGetImgGroupNumsOfImageRecord(char const* path, std::int32_t& groupCount);
/// Reads the record of image `imageIndex` (from 1) of strip `stripNo`, checking its image number.
/// \param path the image list file (".bil")
/// \param stripCount the number of strips; must equal the stored count
/// \param stripNo the strip, from 1
/// \param imageIndex the image's place in the strip, from 1
/// \param[out] record receives the record
/// \return 0 (yb::kSuccess) or a result code (\ref resultcodes)
YB_API std::int32_t ybReadOneImageRecord(char const* path, std::int32_t stripCount, std::int32_t stripNo,
                                         std::int32_t imageIndex, ImageOrderInfo* record);
/// Replaces the record of image number `imageNo` (strip * 100 + position) in place.
/// \param path the image list file (".bil")
/// \param imageNo the image number (strip * 100 + position)
/// \param record the new record
/// \return 0 (yb::kSuccess) or a result code (\ref resultcodes)
YB_API std::int32_t ybUpdateOneImageRecord(char const* path, std::int32_t imageNo, ImageOrderInfo const& record);
/// The number of images of strip `stripNo`.
/// \param path the image list file (".bil")
/// \param stripNo the strip, from 1
/// \param[out] imageCount receives the number of images
/// \return 0 (yb::kSuccess) or a result code (\ref resultcodes)
YB_API std::int32_t ybReadImageNumOfOneStrip(char const* path, std::int32_t stripNo, std::int32_t* imageCount);
/// Copies the image paths of strip `stripNo` into `paths` (caller's rows of 260 bytes, room for every image).
/// \param path the image list file (".bil")
/// \param stripNo the strip, from 1
/// \param[out] paths receives the paths (caller's rows of 260 bytes)
/// \param[out] imageCount receives the number of paths copied
/// \return 0 (yb::kSuccess) or a result code (\ref resultcodes)
YB_API std::int32_t ybReadAllImageDirectary(char const* path, std::int32_t stripNo, char (*paths)[260],
                                            std::int32_t* imageCount);
/// The number of images in all strips.
/// \param path the image list file (".bil")
/// \param[out] totalCount receives the number of images
/// \return 0 (yb::kSuccess) or a result code (\ref resultcodes)
YB_API std::int32_t ybGetBlockTotalImgNums(char const* path, std::int32_t* totalCount);

/// @}

/// \name imagelist: GCP layout file
/// @{

/// The number of control points of the GCP layout file measured on images of strip `stripNo`.
/// \param path the GCP layout file
/// \param stripNo the strip, from 1
/// \param[out] count receives the count
/// \return 0 (yb::kSuccess) or a result code (\ref resultcodes)
YB_API std::int32_t ybGetImgGcpNumOfOneStrip(char const* path, std::int32_t stripNo, std::int32_t* count);
/// Writes `count` records as the block GCP layout file.
/// \param path the GCP layout file
/// \param records the records (`count` of them)
/// \param count the number of records
/// \return 0 (yb::kSuccess) or a result code (\ref resultcodes)
YB_API std::int32_t ybWriteBlockGcpLayoutFile(char const* path, BLOCKGCPLAYOUTINFO* records, std::int32_t count);
/// Reads every record into `records` (caller's room for the count ybGetGcpNumsOfGcpLayoutFile gives); sets `count`.
/// \param path the GCP layout file
/// \param[out] records receives the records
/// \param[out] count receives the number of records read
/// \return 0 (yb::kSuccess) or a result code (\ref resultcodes)
YB_API std::int32_t ybReadBlockGcpLayoutFile(char const* path, BLOCKGCPLAYOUTINFO* records, std::int32_t* count);
/// The number of records of the GCP layout file.
/// \param path the GCP layout file
/// \param[out] count receives the count
/// \return 0 (yb::kSuccess) or a result code (\ref resultcodes)
YB_API std::int32_t ybGetGcpNumsOfGcpLayoutFile(char const* path, std::int32_t* count);
/// Copies the records measured on strip `stripNo` into `records` (caller's room); sets `count`.
/// \param path the GCP layout file
/// \param stripNo the strip, from 1
/// \param[out] records receives the records (caller's room)
/// \param[out] count receives the number of records copied
/// \return 0 (yb::kSuccess) or a result code (\ref resultcodes)
YB_API std::int32_t ybGetGcpInfoOfOneStrip(char const* path, std::int32_t stripNo, BLOCKGCPLAYOUTINFO* records,
                                           std::int32_t* count);

/// @}

/// \name imagelist: control points embedded in images
/// @{

/// The temporary layout file of an image list, in the host's layout directory.
/// \param imageListPath the image list file (".bil") of the block
/// \return the file name (host path)
YB_API std::string ybGetTempBlockYbiGcpFile(char const* imageListPath);
/// Computes the schematic layout of the block's images and keeps it in the temporary layout file.
/// \param imageListPath the image list file (".bil") of the block
/// \return 0 (yb::kSuccess) or a result code (\ref resultcodes)
YB_API std::int32_t ybWriteYbiGcpInfo(char const* imageListPath);
/// Writes four corner control points from the temporary layout into each image (".ybi") of strip `stripNo`.
/// \param imageListPath the image list file (".bil") of the block
/// \param stripNo the strip, from 1
/// \return 0 (yb::kSuccess) or a result code (\ref resultcodes)
YB_API std::int32_t ybReadYbiGcpInfo(char const* imageListPath, std::int32_t stripNo);
/// Replaces the four corner control points of one image by those of `rect` (ground units).
/// \param imagePath the path of the image
/// \param rect the rectangle whose corners become the image's control points (ground units)
/// \return 0 (yb::kSuccess) or a result code (\ref resultcodes)
YB_API std::int32_t ybModiYbiGcpInfo(char const* imagePath, D_RECT rect);

/// @}

/// \name points: image point file
/// @{

/// The record count of an image point file (".ijp").
/// \param path the image point file (".ijp")
/// \param[out] count receives the count
/// \return 0 (yb::kSuccess) or a result code (\ref resultcodes)
YB_API std::int32_t ybGetImageGcpNumsOfFile(char const* path, std::int32_t* count);
/// Reads the records of an image point file into `points` (caller's room for the count); sets `count`.
/// \param path the image point file (".ijp")
/// \param[out] points receives the records (caller's room for every record of the file)
/// \param[out] count receives the number of records read
/// \return 0 (yb::kSuccess) or a result code (\ref resultcodes)
YB_API std::int32_t ybReadImgGcpFile(char const* path, tagImagePoint* points, std::int32_t* count);
/// Fills `points` (emptied first) with the records of an image point file.
/// \param path the image point file (".ijp")
/// \param[out] points receives the records (emptied first)
/// \return 0 (yb::kSuccess) or a result code (\ref resultcodes)
YB_API std::int32_t ybReadImgGcpFileToAry(char const* path, std::vector<tagImagePoint>& points);
/// Writes `count` points as an image point file (created or replaced).
/// \param path the image point file (".ijp")
/// \param points the points (`count` records; may be null when `count` is 0)
/// \param count the number of points
/// \return 0 (yb::kSuccess) or a result code (\ref resultcodes)
YB_API std::int32_t ybWriteImgGcpFile(char const* path, tagImagePoint const* points, std::int32_t count);
/// Appends `count` points to an image point file (created when missing).
/// \param path the image point file (".ijp")
/// \param points the points (`count` records; may be null when `count` is 0)
/// \param count the number of points
/// \return 0 (yb::kSuccess) or a result code (\ref resultcodes)
YB_API std::int32_t ybAppendImgJointPntToFile(char const* path, tagImagePoint const* points, std::int32_t count);

/// @}

/// \name points: feature point file
/// @{

/// The record count of a feature point file.
/// \param path the feature point file
/// \param[out] count receives the count
/// \return 0 (yb::kSuccess) or a result code (\ref resultcodes)
YB_API std::int32_t ybGetFeaturePointNumsOfFile(char const* path, std::int32_t* count);
/// Reads the records into `points` (caller's room for the count); sets `count`.
/// \param path the feature point file
/// \param[out] points receives the records (caller's room for every record of the file)
/// \param[out] count receives the number of records read
/// \return 0 (yb::kSuccess) or a result code (\ref resultcodes)
YB_API std::int32_t ybReadImgFeaturePointFile(char const* path, FeaturePoint* points, std::int32_t* count);
/// Writes `count` feature points as a feature point file.
/// \param path the feature point file
/// \param points the feature points (`count` records)
/// \param count the number of feature points
/// \return 0 (yb::kSuccess) or a result code (\ref resultcodes)
YB_API std::int32_t ybWriteImgFeatruePointFile(char const* path, FeaturePoint const* points, std::int32_t count);

/// @}

/// \name points: model common point file
/// @{

/// Creates an empty model common point file for `stripCount` strips.
/// \param path the model common point file
/// \param stripCount the number of strips
/// \return 0 (yb::kSuccess) or a result code (\ref resultcodes)
YB_API std::int32_t ybCreateComJointPntFile(char const* path, std::int32_t stripCount);
/// The strip count, section count and point count of a model common point file.
/// \param path the model common point file
/// \param[out] stripCount receives the strip count
/// \param[out] sectionCount receives the section count
/// \param[out] pointCount receives the point count
/// \return 0 (yb::kSuccess) or a result code (\ref resultcodes)
YB_API std::int32_t ybGetComJointPntFileInfo(char const* path, std::int32_t* stripCount, std::int32_t* sectionCount,
                                             std::int32_t* pointCount);
/// The number of common points of the two neighbouring models of strip `stripNo`.
/// \param path the model common point file
/// \param stripNo the strip, from 1
/// \param firstModel the first of the two neighbouring models (its number in the strip)
/// \param secondModel the second of the two neighbouring models (its number in the strip)
/// \param[out] count receives the count
/// \return 0 (yb::kSuccess) or a result code (\ref resultcodes)
YB_API std::int32_t ybGetComJointPntNumsOfFile(char const* path, std::int32_t stripNo, std::int32_t firstModel,
                                               std::int32_t secondModel, std::int32_t* count);
/// Reads the common points of two neighbouring models into `points` (caller's room); sets `count`.
/// \param path the model common point file
/// \param stripNo the strip, from 1
/// \param firstModel the first of the two neighbouring models (its number in the strip)
/// \param secondModel the second of the two neighbouring models (its number in the strip)
/// \param[out] points receives the points (caller's room)
/// \param[out] count receives the number of points read
/// \return 0 (yb::kSuccess) or a result code (\ref resultcodes)
YB_API std::int32_t ybReadComJointPntFile(char const* path, std::int32_t stripNo, std::int32_t firstModel,
                                          std::int32_t secondModel, ModelCommonPoint* points, std::int32_t* count);
/// Adds the points common to the two model point sets (matched by name) as the section of those models.
/// \param path the model common point file
/// \param stripNo the strip, from 1
/// \param firstModel the first of the two neighbouring models (its number in the strip)
/// \param secondModel the second of the two neighbouring models (its number in the strip)
/// \param first the point set of the first model
/// \param second the point set of the second model
/// \return 0 (yb::kSuccess) or a result code (\ref resultcodes)
YB_API std::int32_t ybWriteComJointPntFile(char const* path, std::int32_t stripNo, std::int32_t firstModel,
                                           std::int32_t secondModel, CONTROLPOINT_STORAGE* first,
                                           CONTROLPOINT_STORAGE* second);

/// @}

/// \name points: model control point and block joint point file
/// @{

/// Creates an empty model control point file for `stripCount` strips.
/// \param path the model control point file
/// \param stripCount the number of strips
/// \return 0 (yb::kSuccess) or a result code (\ref resultcodes)
YB_API std::int32_t ybCreateOneModelGcpFile(char const* path, std::int32_t stripCount);
/// The number of points of model `modelNo` of strip `stripNo`.
/// \param path the model control point file
/// \param stripNo the strip, from 1
/// \param modelNo the model within strip `stripNo`
/// \param[out] count receives the count
/// \return 0 (yb::kSuccess) or a result code (\ref resultcodes)
YB_API std::int32_t ybGetModelGcpNumsOfFile(char const* path, std::int32_t stripNo, std::int32_t modelNo,
                                            std::int32_t* count);
/// Reads the points of one model into `set` (caller's set with room for them; 2000003 when too small).
/// \param path the model control point file
/// \param stripNo the strip, from 1
/// \param modelNo the model within strip `stripNo`
/// \param set the caller's set; receives the points
/// \return 0 (yb::kSuccess) or a result code (\ref resultcodes)
YB_API std::int32_t ybReadModelGcpFile(char const* path, std::int32_t stripNo, std::int32_t modelNo,
                                       CONTROLPOINT_STORAGE* set);
/// Adds the in-use entries of `set` to the section of one model.
/// \param path the model control point file
/// \param stripNo the strip, from 1
/// \param modelNo the model within strip `stripNo`
/// \param set the points to add (its in-use entries)
/// \return 0 (yb::kSuccess) or a result code (\ref resultcodes)
YB_API std::int32_t ybWriteModelGcpFile(char const* path, std::int32_t stripNo, std::int32_t modelNo,
                                        CONTROLPOINT_STORAGE* set);
/// The number of model sections of a model control point file.
/// \param path the model control point file
/// \param[out] count receives the count
/// \return 0 (yb::kSuccess) or a result code (\ref resultcodes)
YB_API std::int32_t ybGetModelNumsOfModelGcpFile(char const* path, std::int32_t* count);
/// The stored strip count of a model control point file.
/// \param path the model control point file
/// \param[out] count receives the count
/// \return 0 (yb::kSuccess) or a result code (\ref resultcodes)
YB_API std::int32_t ybGetStripNumsOfModelGcpFile(char const* path, std::int32_t* count);
/// The number of points in all sections.
/// \param path the model control point file
/// \param[out] count receives the count
/// \return 0 (yb::kSuccess) or a result code (\ref resultcodes)
YB_API std::int32_t ybGetBlockTiePntNumsOfFile(char const* path, std::int32_t* count);
/// The number of points of the section at `position` (from 1, file order).
/// \param path the model control point file
/// \param position the section, from 1, in file order
/// \param[out] count receives the count
/// \return 0 (yb::kSuccess) or a result code (\ref resultcodes)
YB_API std::int32_t ybGetOneModelTiePntNums(char const* path, std::int32_t position, std::int32_t* count);
/// Reads the points of the section at `position` into `set` (caller's set with room for them).
/// \param path the model control point file
/// \param position the section, from 1, in file order
/// \param set the caller's set; receives the points
/// \return 0 (yb::kSuccess) or a result code (\ref resultcodes)
YB_API std::int32_t ybReadOneModelTiePnt(char const* path, std::int32_t position, CONTROLPOINT_STORAGE* set);

/// @}

/// \name tiepoints: tie point file
/// @{

/// Writes `count` points as a new tie point file (".scp"), grouped by image in order of first appearance.
/// \param path the tie point file (".scp")
/// \param points the points (`count` records; may be null when `count` is 0)
/// \param count the number of points
/// \return 0 (yb::kSuccess) or a result code (\ref resultcodes)
YB_API std::int32_t ybCreateTiePntFile(char const* path, tagImagePoint const* points, std::int32_t count);
/// The number of observations in the tie point file.
/// \param path the tie point file (".scp")
/// \param[out] count receives the count
/// \return 0 (yb::kSuccess) or a result code (\ref resultcodes)
YB_API std::int32_t ybReadTiePntNums(char const* path, std::int32_t& count);
/// Fills `points` (emptied first) with every observation, grouped by image in file order.
/// \param path the tie point file (".scp")
/// \param[out] points receives the records (emptied first)
/// \return 0 (yb::kSuccess) or a result code (\ref resultcodes)
YB_API std::int32_t ybReadTiePntFileToAry(char const* path, std::vector<tagImagePoint>& points);

/// @}

/// \name tiepoints: access
/// @{

/// The number of observations of image `imageNo` (strip * 100 + position).
/// \param path the tie point file (".scp")
/// \param imageNo the image number (strip * 100 + position)
/// \param[out] count receives the count
/// \return 0 (yb::kSuccess) or a result code (\ref resultcodes)
YB_API std::int32_t ybGetOneImgTiePntNums(char const* path, std::int32_t imageNo, std::int32_t& count);
/// Reads the observation named `name` (case ignored) on image `imageNo` into `point`.
/// \param path the tie point file (".scp")
/// \param imageNo the image number (strip * 100 + position)
/// \param name the point's name (GBK; case ignored)
/// \param[out] point receives the observation
/// \return 0 (yb::kSuccess) or a result code (\ref resultcodes)
YB_API std::int32_t ybReadOneTiePntInfo(char const* path, std::int32_t imageNo, char const* name, tagImagePoint& point);
/// Fills `points` (emptied first) with the observations of image `imageNo`.
/// \param path the tie point file (".scp")
/// \param imageNo the image number (strip * 100 + position)
/// \param[out] points receives the records (emptied first)
/// \return 0 (yb::kSuccess) or a result code (\ref resultcodes)
YB_API std::int32_t ybReadOneImgTiePntToAry(char const* path, std::int32_t imageNo, std::vector<tagImagePoint>& points);
/// The number of points of model `modelA` whose name is also in model `modelB` (model number: left image number).
/// \param path the tie point file (".scp")
/// \param modelA the first model: the number of its left image
/// \param modelB the second model: the number of its left image
/// \param[out] count receives the count
/// \return 0 (yb::kSuccess) or a result code (\ref resultcodes)
YB_API std::int32_t ybGetOneModCommPntNums(char const* path, std::int32_t modelA, std::int32_t modelB,
                                           std::int32_t& count);
/// Hands out the points common to two models: `points` is allocated with std::malloc and the caller
/// releases it with std::free; `count` is its length.
/// \param path the tie point file (".scp")
/// \param modelA the first model: the number of its left image
/// \param modelB the second model: the number of its left image
/// \param[out] points receives the array (std::malloc; release it with std::free)
/// \param[out] count receives the array's length
/// \return 0 (yb::kSuccess) or a result code (\ref resultcodes)
YB_API std::int32_t ybReadOneModCommPnts(char const* path, std::int32_t modelA, std::int32_t modelB,
                                         ModelCommonPoint*& points, std::int32_t& count);
/// The number of points of model `modelNo` (seen on image modelNo and modelNo + 1).
/// \param path the tie point file (".scp")
/// \param modelNo the model: the number of its left image (strip * 100 + position)
/// \param[out] count receives the count
/// \return 0 (yb::kSuccess) or a result code (\ref resultcodes)
YB_API std::int32_t ybGetOneModPntNums(char const* path, std::int32_t modelNo, std::int32_t& count);
/// Hands out the points of model `modelNo` as a new model point set: the caller releases it with
/// ybFreeControlPointMem.
/// \param path the tie point file (".scp")
/// \param modelNo the model: the number of its left image (strip * 100 + position)
/// \param[out] set receives the new set (release it with ybFreeControlPointMem)
/// \return 0 (yb::kSuccess) or a result code (\ref resultcodes)
YB_API std::int32_t ybReadOneModPnts(char const* path, std::int32_t modelNo, CONTROLPOINT_STORAGE*& set);

/// @}

/// \name tiepoints: editing
/// @{

/// Merges `count` points into the tie point file: a point replaces the one of the same image and name, or is added.
/// \param path the tie point file (".scp")
/// \param points the points (`count` records; may be null when `count` is 0)
/// \param count the number of points
/// \return 0 (yb::kSuccess) or a result code (\ref resultcodes)
YB_API std::int32_t ybAppendTiePntToFile(char const* path, tagImagePoint const* points, std::int32_t count);
/// The same merge, used for the points of one image.
/// \param path the tie point file (".scp")
/// \param points the points (`count` records; may be null when `count` is 0)
/// \param count the number of points
/// \return 0 (yb::kSuccess) or a result code (\ref resultcodes)
YB_API std::int32_t ybWriteOneImgTiePntToFile(char const* path, tagImagePoint const* points, std::int32_t count);
/// Removes the backup copy (path + ".bak") an interrupted merge may have left; the tie point file is untouched.
/// \param path the tie point file (".scp")
/// \return 0 (yb::kSuccess) or a result code (\ref resultcodes)
YB_API std::int32_t ybRemoveTiePntContext(char const* path);
/// Removes every automatically extracted observation (type 1).
/// \param path the tie point file (".scp")
/// \return 0 (yb::kSuccess) or a result code (\ref resultcodes)
YB_API std::int32_t ybRemoveAutoExtractTiePnt(char const* path);
/// Removes the automatically extracted observations whose name's strip tag differs from their image's strip.
/// \param path the tie point file (".scp")
/// \return 0 (yb::kSuccess) or a result code (\ref resultcodes)
YB_API std::int32_t ybRemoveAutoExtractStripTiePnt(char const* path);
/// Merges the in-use entries of `set` as observations on images `modelNo` and `modelNo` + 1.
/// \param path the tie point file (".scp")
/// \param modelNo the model: the number of its left image (strip * 100 + position)
/// \param set the points to merge (its in-use entries)
/// \return 0 (yb::kSuccess) or a result code (\ref resultcodes)
YB_API std::int32_t ybWriteOneModPnts(char const* path, std::int32_t modelNo, CONTROLPOINT_STORAGE* set);

/// @}

/// \name tiepoints: block detach, unite and clean
/// @{

/// Deletes the per-image temporary tie point files of every image of the block (`blockOptionPath`: its ".dms").
/// \param blockOptionPath the block option file (".dms") of the block
/// \return 0 (yb::kSuccess) or a result code (\ref resultcodes)
YB_API std::int32_t ybCleanBlockTmpTiePntFile(char const* blockOptionPath);
/// Writes each image's tie points into its per-image temporary file (photo coordinates in mm for camera blocks);
/// runs the clean first.
/// \param blockOptionPath the block option file (".dms") of the block
/// \return 0 (yb::kSuccess) or a result code (\ref resultcodes)
YB_API std::int32_t ybDetachBlockTiePntFile(char const* blockOptionPath);
/// Replaces the block tie point file by the points of all per-image temporary files, in image list order.
/// \param blockOptionPath the block option file (".dms") of the block
/// \return 0 (yb::kSuccess) or a result code (\ref resultcodes)
YB_API std::int32_t ybUniteBlockTiePntFile(char const* blockOptionPath);

/// @}

/// \name params: camera
/// @{

/// Reads a camera file; each out pointer may be null. `rims`: room for 8 marks; `aberrations`: room for
/// `*aberrationCount` records (call once with null to learn the count). Millimetres.
/// \param path the camera file
/// \param[out] camera receives the camera record; may be null
/// \param[out] rims receives the fiducial marks (room for 8); may be null
/// \param[out] layout receives the fiducial layout; may be null
/// \param[out] aberrations receives the distortion records; may be null
/// \param[in,out] aberrationCount in: the room in `aberrations`; out: the number of distortion records of the file; may
/// be null \return 0 (yb::kSuccess) or a result code (\ref resultcodes)
YB_API std::int32_t ybReadCameraParaFile(char const* path, CameraInfo* camera, RimPoint* rims, RIMPOINTLAYOUT* layout,
                                         AberranceInfo* aberrations, std::int32_t* aberrationCount);
/// Writes a camera file: camera record, fiducial marks of `layout` (4 or 8), `aberrationCount` distortion records.
/// \param path the camera file
/// \param camera the camera record
/// \param rims the fiducial marks (4 or 8, as `layout` says)
/// \param layout the fiducial layout
/// \param aberrations the distortion records
/// \param aberrationCount the number of distortion records
/// \return 0 (yb::kSuccess) or a result code (\ref resultcodes)
YB_API std::int32_t ybWriteCameraParaFile(char const* path, CameraInfo const* camera, RimPoint const* rims,
                                          RIMPOINTLAYOUT layout, AberranceInfo const* aberrations,
                                          std::int32_t aberrationCount);

/// @}

/// \name params: image properties
/// @{

/// Reads the one value of a SPOT image property file.
/// \param path the SPOT image property file
/// \param[out] value receives the value
/// \return 0 (yb::kSuccess) or a result code (\ref resultcodes)
YB_API std::int32_t ybReadSPOTPropInfoFile(char const* path, double* value);
/// Writes `value` as a SPOT image property file.
/// \param path the SPOT image property file
/// \param value the value
/// \return 0 (yb::kSuccess) or a result code (\ref resultcodes)
YB_API std::int32_t ybWriteSPOTPropInfoFile(char const* path, double value);
/// Reads an image property file (".ipp") into `info` (pixel size in mm at byte 145).
/// \param path the image property file (".ipp")
/// \param[out] info receives the image properties
/// \return 0 (yb::kSuccess) or a result code (\ref resultcodes)
YB_API std::int32_t ybReadImagePropInfoFile(char const* path, IMAGEPROPINFO* info);
/// Writes `info` as an image property file.
/// \param path the image property file (".ipp")
/// \param info the image properties
/// \return 0 (yb::kSuccess) or a result code (\ref resultcodes)
YB_API std::int32_t ybWriteImagePropInfoFile(char const* path, IMAGEPROPINFO const* info);
/// Writes a sensor property file (".ipc"): the name (one word, at most 63 bytes) and four non-negative numbers.
/// \param path the sensor property file (".ipc")
/// \param sensorName the sensor's name (one word, at most 63 bytes)
/// \param first the first whole number
/// \param second the second whole number
/// \param firstReal the first real number
/// \param secondReal the second real number
/// \return 0 (yb::kSuccess) or a result code (\ref resultcodes)
YB_API std::int32_t ybCreateCustomImagePropFile(char const* path, char const* sensorName, std::int32_t first,
                                                std::int32_t second, double firstReal, double secondReal);
/// Reads a sensor property file; `sensorName`: caller's 64 bytes; each number pointer may be null.
/// \param path the sensor property file (".ipc")
/// \param[out] sensorName receives the sensor's name (caller's 64 bytes)
/// \param[out] first receives the first whole number; may be null
/// \param[out] second receives the second whole number; may be null
/// \param[out] firstReal receives the first real number; may be null
/// \param[out] secondReal receives the second real number; may be null
/// \return 0 (yb::kSuccess) or a result code (\ref resultcodes)
YB_API std::int32_t ybReadCustomImagePropFile(char const* path, char* sensorName, std::int32_t* first,
                                              std::int32_t* second, double* firstReal, double* secondReal);
/// The pixel size of an open image in metres: from its image property file, else 25.4 mm / its resolution.
/// \param blockDir the block directory (host path)
/// \param image the open image
/// \return the pixel size in metres
YB_API double ybGetCurImgPixel(char const* blockDir, YbiHandle image);

/// @}

/// \name params: inner orientation image list
/// @{

/// Skips `lineCount` lines of `stream` from `origin` (a SEEK_ constant); `position` receives where it stopped.
/// \param stream the open text file
/// \param lineCount the number of lines to skip
/// \param origin where to start: SEEK_SET, SEEK_CUR or SEEK_END
/// \param[out] position receives the offset where it stopped
/// \return 0 (yb::kSuccess) or a result code (\ref resultcodes)
YB_API std::int32_t ybJumpTextFileLines(std::FILE* stream, std::int32_t lineCount, std::int32_t origin,
                                        std::int32_t* position);
/// Copies entry `index` (from 1) of an inner orientation list into `name` (caller's 128 bytes).
/// \param path the inner orientation list
/// \param index the entry, from 1
/// \param[out] name receives the entry (caller's 128 bytes)
/// \return 0 (yb::kSuccess) or a result code (\ref resultcodes)
YB_API std::int32_t ybReadOneInnOrientImgFileName(char const* path, std::int32_t index, char* name);
/// The entry count of an inner orientation list.
/// \param path the inner orientation list
/// \param[out] count receives the count
/// \return 0 (yb::kSuccess) or a result code (\ref resultcodes)
YB_API std::int32_t ybReadImgNumsOfInnOrient(char const* path, std::int32_t* count);
/// Writes `names` as an inner orientation list.
/// \param path the inner orientation list
/// \param names the image file names, in order
/// \return 0 (yb::kSuccess) or a result code (\ref resultcodes)
YB_API std::int32_t ybWriteInnOrientImgListFile(char const* path, std::vector<std::string> const& names);

/// @}

/// \name params: orientation coefficients
/// @{

/// Reads the 6 inner orientation coefficients of an image into `coefficients` (caller's room for 6).
/// \param path the inner orientation coefficient file of the image
/// \param[out] coefficients receives the 6 coefficients
/// \return 0 (yb::kSuccess) or a result code (\ref resultcodes)
YB_API std::int32_t ybReadInnefCeff(char const* path, double* coefficients);
/// Reads the 5 relative orientation elements of a model into `elements` (caller's room for 5).
/// \param path the relative orientation coefficient file of the model
/// \param[out] elements receives the 5 elements
/// \return 0 (yb::kSuccess) or a result code (\ref resultcodes)
YB_API std::int32_t ybReadSingleRelaCeff(char const* path, double* elements);
/// Reads the 7 absolute orientation elements of a model into `elements` (caller's room for 7).
/// \param path the absolute orientation coefficient file of the model
/// \param[out] elements receives the 7 elements
/// \return 0 (yb::kSuccess) or a result code (\ref resultcodes)
YB_API std::int32_t ybReadAbsoluteCeff(char const* path, double* elements);

/// @}

/// \name params: model joint coefficients
/// @{

/// Reads the joint coefficient of model `modelNo` of strip `stripNo`.
/// \param path the model joint coefficient file
/// \param stripNo the strip, from 1
/// \param modelNo the model, from 1 in its strip
/// \param[out] value receives the coefficient
/// \return 0 (yb::kSuccess) or a result code (\ref resultcodes)
YB_API std::int32_t ybGetOneModelJointCeff(char const* path, std::int32_t stripNo, std::int32_t modelNo, double* value);
/// Creates a model joint coefficient file holding strip 1 with `count` values.
/// \param path the model joint coefficient file
/// \param values the coefficients of strip 1 (`count` of them)
/// \param count the number of coefficients
/// \return 0 (yb::kSuccess) or a result code (\ref resultcodes)
YB_API std::int32_t ybCreateNewModelJointCeffFile(char const* path, double const* values, std::int32_t count);
/// Adds or replaces the `count` values of strip `stripNo`.
/// \param path the model joint coefficient file
/// \param stripNo the strip, from 1
/// \param values the coefficients of the strip (`count` of them)
/// \param count the number of coefficients
/// \return 0 (yb::kSuccess) or a result code (\ref resultcodes)
YB_API std::int32_t ybAppendOneStripModelJointCeff(char const* path, std::int32_t stripNo, double const* values,
                                                   std::int32_t count);

/// @}

/// \name params: image relation file
/// @{

/// Writes `records` as an image relation file (text).
/// \param path the image relation file
/// \param records the records, in order
/// \return 0 (yb::kSuccess) or a result code (\ref resultcodes)
YB_API std::int32_t ybWriteImageRelaFile(char const* path, std::vector<ImageLayoutStru> const& records);
/// Fills `records` (emptied first) from an image relation file.
/// \param path the image relation file
/// \param[out] records receives the records (emptied first)
/// \return 0 (yb::kSuccess) or a result code (\ref resultcodes)
YB_API std::int32_t ybReadImageRelaFile(char const* path, std::vector<ImageLayoutStru>& records);

/// @}

/// \name params: projection information
/// @{

/// Reads the projection information file into `info`.
/// \param path the projection information file
/// \param[out] info receives the projection record
/// \return 0 (yb::kSuccess) or a result code (\ref resultcodes)
YB_API std::int32_t ybReadSuvProjInfo(char const* path, MAP_PARAstruct* info);
/// Writes `info` as the projection information file; reports no result.
/// \param path the projection information file
/// \param info the projection record
YB_API void ybWriteSuvProjInfo(char const* path, MAP_PARAstruct const* info);

/// @}

/// \name reports
/// @{

/// Writes the block file state report (GBK text) to `reportPath`: `reportKind` 0 lists images, 1 models.
/// \param blockOptionPath the block option file (".dms") of the block
/// \param reportKind 0 for the image report, 1 for the model report
/// \param reportPath the report file to write (created or replaced)
/// \return 0 (yb::kSuccess) or a result code (\ref resultcodes)
YB_API std::int32_t ybGenBlkFileStateReport(char const* blockOptionPath, std::int16_t reportKind,
                                            char const* reportPath);
/// Writes the model product state file: every model of the block and whether its orthophoto (".dom") exists.
/// \param blockOptionPath the block option file (".dms") of the block
/// \param statePath the state file to write (created or replaced)
/// \return 0 (yb::kSuccess) or a result code (\ref resultcodes)
YB_API std::int32_t ybGenBlkModOrthoStateFile(char const* blockOptionPath, char const* statePath);
/// Writes the model product state file for epipolar images (".epi").
/// \param blockOptionPath the block option file (".dms") of the block
/// \param statePath the state file to write (created or replaced)
/// \return 0 (yb::kSuccess) or a result code (\ref resultcodes)
YB_API std::int32_t ybGenBlkModEpiStateFile(char const* blockOptionPath, char const* statePath);

/// @}

#endif
