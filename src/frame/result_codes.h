// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// Every result code of the library and of its companions, in one table: the code, the constant that
// names it, what it means and which operations return it. The tool prints every error line from it
// and `ybblock explain` prints it whole. Plain constexpr data, includable by any in-tree target.
#pragma once

#include <yb/YbiBase.h>
#include <yb/YbiSurvey.h>
#include <yb/ybBlockFileIO.h>
#include <yb/ybiOrient.h>

#include <cstdint>
#include <string_view>

namespace yb::frame {

struct ResultCodeInfo {
    std::int32_t code;
    std::string_view constant;    // the named constant in the public headers
    std::string_view library;     // the library whose header defines it
    std::string_view meaning;     // one line
    std::string_view operations;  // which operations return it
};

inline constexpr ResultCodeInfo kResultCodes[] = {
    {kSuccess, "yb::kSuccess", "ybBlockFileIO", "success", "every operation that returns a code"},
    {kNoMemory, "yb::kNoMemory", "ybBlockFileIO", "memory cannot be obtained",
     "any export when memory runs out; ybReadCameraParaFile (fiducial or distortion records), "
     "ybReadOneModCommPnts (the common point array), ybWriteOneStripImageRecord (the strips after the "
     "rewritten one), ybGetImgGcpNumOfOneStrip and ybGetGcpInfoOfOneStrip (their working array)"},
    {kPointSetTooSmall, "yb::kPointSetTooSmall", "ybBlockFileIO",
     "the caller's model point set holds fewer entries than the model has points",
     "ybReadOneModelTiePnt, ybReadModelGcpFile"},
    {kStoredCountTooSmall, "yb::kStoredCountTooSmall", "ybBlockFileIO",
     "the stored strip count is below the strip asked for, or an out record is missing",
     "ybReadAllImageDirectary (and the block operations that list image paths: ybCleanBlockTmpTiePntFile, "
     "ybGenBlkFileStateReport, ybGenBlkModOrthoStateFile, ybGenBlkModEpiStateFile), ybReadImagePropInfoFile"},
    {kCannotWrite, "yb::kCannotWrite", "ybBlockFileIO",
     "a file cannot be created, written, copied or deleted while writing",
     "every writer: option files, image list, GCP layout file, point files, tie point file and its edits, "
     "camera, property, inner orientation list, joint coefficient and relation files, state reports; "
     "ybDetachBlockTiePntFile and ybUniteBlockTiePntFile pass it up"},
    {kFileNotFound, "yb::kFileNotFound", "ybBlockFileIO",
     "the image list does not exist, or a projection path names no file",
     "ybGetStripNumberOfImageRecord, ybReadAllImageDirectary, ybReadSuvProjInfo; the block operations "
     "(detach, unite, clean, reports) pass it up for a missing image list"},
    {kWrongMagic, "yb::kWrongMagic", "ybBlockFileIO", "the file does not start with the magic text of its kind",
     "ybReadBlockOptionFile, ybReadModelOptionFile, ybReadSingleImgDomOption, ybReadSingleDomOption, "
     "ybReadImgGcpFile, ybReadImgGcpFileToAry, ybGetImageGcpNumsOfFile, ybReadImagePropInfoFile, "
     "ybReadSPOTPropInfoFile; the block operations pass it up for the block option file"},
    {kOutOfRange, "yb::kOutOfRange", "ybBlockFileIO",
     "an argument or a stored value is out of range, or a directory cannot be entered",
     "ybGetSameExtFilePathsInOneDir, ybWriteCordConvertPara, the image record queries (strip or image "
     "number, no strips or images), model point files (model number), the tie point store (null point "
     "array, negative group count, null model point set), ybReadCameraParaFile and ybWriteCameraParaFile "
     "(missing file, fiducial layout), the inner orientation list, ybGenBlkFileStateReport and the model "
     "state files (image type, too many models)"},
    {kImageNumberMismatch, "yb::kImageNumberMismatch", "ybBlockFileIO",
     "the image numbers stored for one image disagree, or differ from strip * 100 + position",
     "ybReadOneImageRecord, ybUpdateOneImageRecord"},
    {kInvalidArgument, "yb::kInvalidArgument", "ybBlockFileIO",
     "a required pointer or path is null, or a count or number is invalid",
     "every reader and writer that checks its arguments (null path or record, negative count, strip count "
     "below 1, strip, model or image number out of range, report kind other than 0 or 1)"},
    {kCannotOpen, "yb::kCannotOpen", "ybBlockFileIO", "the file does not exist or cannot be opened",
     "every reader, and every update that opens an existing file; the block operations pass it up"},
    {kInvalidContent, "yb::kInvalidContent", "ybBlockFileIO",
     "the file's content is invalid: wrong magic, impossible count, cut short, unreadable line",
     "every reader of a file with a magic not listed under 2020003, the tie point store, point files, "
     "image list and GCP layout, text files (coordinate conversion, sensor property, inner orientation "
     "list, relation), the model state file; any export on an unexpected internal error"},
    {kOrthoNullArgument, "yb::kOrthoNullArgument", "ybBlockFileIO",
     "the ortho map option reader was given a null path or record", "ybReadOrthoMapOption"},
    {kOrthoCannotOpen, "yb::kOrthoCannotOpen", "ybBlockFileIO", "the ortho map option file cannot be opened",
     "ybReadOrthoMapOption"},
    {kNotFound, "yb::kNotFound", "ybBlockFileIO",
     "no such tie point or strip, or the stored strip count differs from the caller's",
     "ybReadOneTiePntInfo, ybReadOneImgTiePntToAry and the model views of the tie point file (image without "
     "points), ybReadOneStripImageRecord, ybWriteOneStripImageRecord, ybReadOneImageRecord"},

    {YBI_E_FILE_MISSING, "YBI_E_FILE_MISSING", "YbiBase", "the image file does not exist or cannot be opened",
     "ybOpenYbiFileForRead, ybOpenYbiFileForReadWrite; ybWriteYbiGcpInfo, ybReadYbiGcpInfo and "
     "ybModiYbiGcpInfo pass it up"},
    {YBI_E_BAD_MAGIC, "YBI_E_BAD_MAGIC", "YbiBase", "the file is not a .ybi image",
     "ybOpenYbiFileForRead, ybOpenYbiFileForReadWrite"},
    {YBI_E_NULL_ARGUMENT, "YBI_E_NULL_ARGUMENT", "YbiBase",
     "a null pointer, or an image handle that is null, foreign or already closed", "every YbiBase operation"},
    {YBI_E_SHORT_FILE, "YBI_E_SHORT_FILE", "YbiBase", "the image file ends inside its header or point table",
     "ybOpenYbiFileForRead, ybOpenYbiFileForReadWrite"},
    {YBI_E_RANGE, "YBI_E_RANGE", "YbiBase", "a point number, count, size or resolution is out of range",
     "ybUpdataOneControlPointOfYBI, ybGetOneControlPointOfYBI, ybAllocControlPointFileOfYBI, "
     "ybInitialControlPointFileOfYBI, ybCreateYbiFile"},
    {YBI_E_WRITE, "YBI_E_WRITE", "YbiBase", "the image file cannot be written",
     "ybCloseYbiFileForReadWrite, ybCreateYbiFile"},
    {YBI_E_READ_ONLY, "YBI_E_READ_ONLY", "YbiBase", "the image was opened for reading only",
     "the YbiBase operations that change the control point table"},
    {YBI_E_BAD_CONTENT, "YBI_E_BAD_CONTENT", "YbiBase", "the image header or point table is damaged",
     "ybOpenYbiFileForRead, ybOpenYbiFileForReadWrite"},
    {YBI_E_NO_MEMORY, "YBI_E_NO_MEMORY", "YbiBase", "memory for the control point table cannot be obtained",
     "ybOpenYbiFileForRead, ybOpenYbiFileForReadWrite, ybAllocControlPointFileOfYBI"},

    {ORIENT_E_FILE_MISSING, "ORIENT_E_FILE_MISSING", "ybiOrient",
     "the coefficient file does not exist or cannot be opened",
     "ybReadOrientCeff; ybReadInnefCeff, ybReadSingleRelaCeff, ybReadAbsoluteCeff and "
     "ybDetachBlockTiePntFile pass it up"},
    {ORIENT_E_BAD_MAGIC, "ORIENT_E_BAD_MAGIC", "ybiOrient",
     "not a coefficient file, or one of an unknown kind or value count", "ybReadOrientCeff and its callers"},
    {ORIENT_E_NULL_ARGUMENT, "ORIENT_E_NULL_ARGUMENT", "ybiOrient", "a null set, record, path or value pointer",
     "every ybiOrient operation"},
    {ORIENT_E_SHORT_FILE, "ORIENT_E_SHORT_FILE", "ybiOrient", "the coefficient file ends before its values",
     "ybReadOrientCeff and its callers"},
    {ORIENT_E_RANGE, "ORIENT_E_RANGE", "ybiOrient",
     "an index, kind or capacity is out of range, or a set header is damaged",
     "ybWriteOrientCeff, ybAllocControlPointMem, ybGetOneGcpInfo, ybAddOneGcpPoint"},
    {ORIENT_E_NO_MEMORY, "ORIENT_E_NO_MEMORY", "ybiOrient", "a model point set cannot be allocated or grown",
     "ybAllocControlPointMem, ybAddOneGcpPoint"},
    {ORIENT_E_WRITE, "ORIENT_E_WRITE", "ybiOrient", "the coefficient file cannot be written", "ybWriteOrientCeff"},
    {ORIENT_E_UNKNOWN_SET, "ORIENT_E_UNKNOWN_SET", "ybiOrient",
     "a model point set this library did not make, or one already freed",
     "ybInitControlPoint, ybAddOneGcpPoint, ybGetGcpNum, ybGetOneGcpInfo, ybFreeControlPointMem"},

    {YSURVEY_E_NULL_ARGUMENT, "YSURVEY_E_NULL_ARGUMENT", "YbiSurvey", "a null coefficient, camera or result pointer",
     "ybCalInnerDirectional_2"},
};

constexpr ResultCodeInfo const* findResultCode(std::int32_t code) {
    for (auto const& info : kResultCodes)
        if (info.code == code) return &info;
    return nullptr;
}

}  // namespace yb::frame
