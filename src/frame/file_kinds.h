// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// Every kind of file the suite reads or writes, in one table: the magic text that starts it (the one
// place each magic is spelled; the format code takes its constant from here), how a file is told to be
// of that kind, its size when the kind has a fixed one, and the export that reads it. Plain constexpr
// data, so the library, the tool and any other in-tree target include it without linking anything.
#pragma once

#include <yb/YbiBase.h>
#include <yb/ybBlockFileIO.h>
#include <yb/ybiOrient.h>

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace yb::frame {

enum class FileKind {
    BlockOption,
    ModelOption,
    OrthoMapOption,
    SingleImageDomOption,
    SingleDomOption,
    DemOption,
    ImageList,
    GcpLayout,
    ImagePoint,
    FeaturePoint,
    ModelCommonPoint,
    ModelControlPoint,
    TiePoint,
    Camera,
    ImageProperty,
    SpotProperty,
    ModelJointCoefficient,
    ProjectionInformation,
    ModelState,
    OrientationCoefficient,
    YbiImage,
    BlockStateReport,
    CoordinateConversion,
    SensorProperty,
    TemporaryLayout,
    ImageRelation,
    InnerOrientationList,
};

// How a file is recognised as being of a kind.
enum class Recognition {
    Magic,            // the file starts with the magic's bytes
    MagicField,       // a fixed field holds the magic up to its first zero byte, compared ignoring ASCII case
    ReportTitle,      // a GBK text file whose first line is the magic (written here in UTF-8)
    NameEnding,       // no magic: the file name ends with `nameEnding` (compared ignoring ASCII case)
    CountedTextList,  // no magic: a text file whose first line is a count; the lines after it say which kind
};

struct FileKindInfo {
    FileKind kind;
    std::string_view name;  // as a person calls it
    std::string_view id;    // short name for machine-readable output
    Recognition recognition;
    std::string_view magic;       // empty for kinds without one
    std::string_view nameEnding;  // the usual extension (or name ending), for recognition or display
    std::uint64_t recordSize;     // bytes after the magic when the kind holds one raw record, else 0
    std::string_view reader;      // the export that reads the kind

    // Bytes of every file of the kind, 0 when it varies.
    constexpr std::uint64_t fixedSize() const { return recordSize == 0 ? 0 : magic.size() + recordSize; }
};

// In the order files are tried: among kinds sharing a magic, the fixed size decides, else the first.
inline constexpr FileKindInfo kFileKinds[] = {
    {FileKind::BlockOption, "block option file", "block_option", Recognition::Magic, "YB_BLOCK_OPTION_FILE_VER1.0",
     ".dms", sizeof(BlockInfo), "ybReadBlockOptionFile"},
    {FileKind::ModelOption, "model option file", "model_option", Recognition::Magic, "YB_MODEL_OPTION_FILE_VER1.0",
     ".mod", 4 * 260 + 40, "ybReadModelOptionFile"},
    {FileKind::OrthoMapOption, "ortho map option file", "ortho_map_option", Recognition::Magic,
     "YB_ORTHO_MAP_OPTION_FILE_VER1.0", "", sizeof(OrthoInfo), "ybReadOrthoMapOption"},
    {FileKind::SingleImageDomOption, "single-image DOM option file", "single_image_dom_option", Recognition::Magic,
     "YB_ORTHO_MAP_OPTION_FILE_VER1.0", ".oms", sizeof(SingleImageDomOption), "ybReadSingleImgDomOption"},
    {FileKind::SingleDomOption, "single DOM option file", "single_dom_option", Recognition::Magic,
     "YB_ORTHO_SINGLE_OPTION_FILE_VER1.0", "", sizeof(eTypeMathModel), "ybReadSingleDomOption"},
    {FileKind::DemOption, "DEM option file", "dem_option", Recognition::Magic, "YB_DEM_OPTION_FILE_VER1.0", "",
     sizeof(DemInfo), "ybReadDemGenOption"},
    {FileKind::ImageList, "block image list", "image_list", Recognition::Magic, "YB_BLOCK_IMAGE_LIST_FILE_VER1.0",
     ".bil", 0, "ybReadOneStripImageRecord"},
    {FileKind::GcpLayout, "block GCP layout file", "gcp_layout", Recognition::Magic, "YB_BLOCK_GCP_LAYOUT_FILE_VER1.0",
     "", 0, "ybReadBlockGcpLayoutFile"},
    {FileKind::ImagePoint, "image point file", "image_point", Recognition::Magic, "YB_IMAGE_JOINT_POINT_FILE_VER1.0",
     ".ijp", 0, "ybReadImgGcpFileToAry"},
    {FileKind::FeaturePoint, "feature point file", "feature_point", Recognition::Magic,
     "YB_IMAGE_FEATURE_POINT_FILE_VER1.0", "", 0, "ybReadImgFeaturePointFile"},
    {FileKind::ModelCommonPoint, "model common point file", "model_common_point", Recognition::Magic,
     "YB_MODEL_COMMON_POINT_FILE_VER1.0", "", 0, "ybReadComJointPntFile"},
    {FileKind::ModelControlPoint, "model control point / block joint point file", "model_control_point",
     Recognition::Magic, "YB_BLOCK_JOINT_POINT_FILE_VER1.0", "", 0, "ybReadModelGcpFile"},
    {FileKind::TiePoint, "tie point file", "tie_point", Recognition::MagicField, "YB_TIE_PNT_FILE_VER1.0", ".scp", 0,
     "ybReadTiePntFileToAry"},
    {FileKind::Camera, "camera parameter file", "camera", Recognition::Magic, "YBI_CAMERA_PARAMETER_FILE_VER1.0",
     ".cmr", 0, "ybReadCameraParaFile"},
    {FileKind::ImageProperty, "image property file", "image_property", Recognition::Magic,
     "YB_IMAGE_PROPINFO_FILE_VER1.0", ".ipp", sizeof(IMAGEPROPINFO), "ybReadImagePropInfoFile"},
    {FileKind::SpotProperty, "SPOT image property file", "spot_property", Recognition::Magic,
     "YB_SPOTIMAGE_PROPINFO_FILE_VER1.0", "", sizeof(double), "ybReadSPOTPropInfoFile"},
    {FileKind::ModelJointCoefficient, "model joint coefficient file", "model_joint_coefficient", Recognition::Magic,
     "YB_MODEL_JOINT_CEFF_FILE_VER1.0", "", 0, "ybGetOneModelJointCeff"},
    {FileKind::ProjectionInformation, "projection information file", "projection", Recognition::Magic,
     "YBI_PROJTRANS_FILE_VER1.0", "", sizeof(MAP_PARAstruct), "ybReadSuvProjInfo"},
    {FileKind::ModelState, "model product state file", "model_state", Recognition::MagicField,
     "YB_BLK_STATE_FILE_VER1.0", "", 0, "ybGenBlkModOrthoStateFile"},
    {FileKind::OrientationCoefficient, "orientation coefficient file", "orientation_coefficient", Recognition::Magic,
     ORIENT_CEFF_MAGIC, ".ioc", 0, "ybReadOrientCeff"},
    {FileKind::YbiImage, ".ybi image", "ybi_image", Recognition::Magic, YBI_IMAGE_MAGIC, ".ybi", 0,
     "ybOpenYbiFileForRead"},
    {FileKind::BlockStateReport, "block file state report", "block_state_report", Recognition::ReportTitle,
     "\t\t测区内单幅影像参数状态报告文件\n", ".txt", 0, "ybGenBlkFileStateReport"},
    {FileKind::CoordinateConversion, "coordinate conversion file", "coordinate_conversion", Recognition::NameEnding, "",
     ".ctp", 0, "ybReadCordConvertPara"},
    {FileKind::SensorProperty, "sensor property file", "sensor_property", Recognition::NameEnding, "", ".ipc", 0,
     "ybReadCustomImagePropFile"},
    {FileKind::TemporaryLayout, "temporary layout file", "temporary_layout", Recognition::NameEnding, "", "_ybigcp.tmp",
     0, "ybReadYbiGcpInfo"},
    {FileKind::ImageRelation, "image relation file", "image_relation", Recognition::CountedTextList, "", "", 0,
     "ybReadImageRelaFile"},
    {FileKind::InnerOrientationList, "inner orientation image list", "inner_orientation_list",
     Recognition::CountedTextList, "", "", 0, "ybReadOneInnOrientImgFileName"},
};

constexpr FileKindInfo const& fileKindInfo(FileKind kind) {
    for (auto const& info : kFileKinds)
        if (info.kind == kind) return info;
    return kFileKinds[0];  // every kind has its row; unreachable
}

constexpr std::string_view magicOf(FileKind kind) { return fileKindInfo(kind).magic; }

}  // namespace yb::frame
