// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// The ybblockio extension module: the library's files as numpy structured arrays. Each array's dtype
// is the record's own layout, so a reader hands the library's array to numpy without copying or
// touching its rows, and a writer hands numpy's buffer to the library as it stands. Every failure
// raises ybblockio.Error (or one of its families) with the result code and its meaning from the one
// table of result codes; file I/O runs without the GIL.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <yb/HostBase.h>
#include <yb/ybBlockFileIO.h>

#include "block/block_files.h"
#include "gbk.h"
#include "host_place.h"
#include "imagelist/image_list.h"
#include "points/point_records.h"
#include "result_codes.h"
#if YB_HAVE_COLMAP
#include "colmap_exchange.h"
#endif
#include "report_html.h"
#include "write_path.h"

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace py = pybind11;

namespace {

using namespace yb;  // the result code constants

// ---- errors -------------------------------------------------------------------------------------

// A library call that failed: its code, the host path it was given, and the messages it showed.
struct LibraryFailure {
    std::int32_t code;
    std::string hostPath;  // GBK
    std::vector<std::string> messages;
    std::string detail = {};  // what the module itself found wrong, before the code's meaning
};

struct ErrorClasses {
    py::handle error, missing, damaged, write, argument, notFound;
};
ErrorClasses& errorClasses() {
    static ErrorClasses classes;  // made once at import, kept for the life of the process
    return classes;
}

// The family of a code, for callers that handle a kind of failure whatever the file.
py::handle classOf(std::int32_t code) {
    ErrorClasses const& c = errorClasses();
    switch (code) {
        case kCannotOpen:
        case kFileNotFound:
        case kOrthoCannotOpen:
        case YBI_E_FILE_MISSING:
        case ORIENT_E_FILE_MISSING: return c.missing;
        case kInvalidContent:
        case kWrongMagic:
        case kImageNumberMismatch:
        case YBI_E_BAD_MAGIC:
        case YBI_E_SHORT_FILE:
        case YBI_E_BAD_CONTENT:
        case ORIENT_E_BAD_MAGIC:
        case ORIENT_E_SHORT_FILE: return c.damaged;
        case kCannotWrite:
        case YBI_E_WRITE:
        case ORIENT_E_WRITE: return c.write;
        case kInvalidArgument:
        case kOutOfRange:
        case kOrthoNullArgument:
        case YBI_E_NULL_ARGUMENT:
        case YBI_E_RANGE:
        case ORIENT_E_NULL_ARGUMENT:
        case ORIENT_E_RANGE:
        case YSURVEY_E_NULL_ARGUMENT: return c.argument;
        case kNotFound: return c.notFound;
        default: return c.error;
    }
}

std::string textOf(std::string_view gbk) { return yb::platform::gbkToUtf8Lossy(gbk); }

// Where a host path leads on this machine, or why it leads nowhere.
std::string whereIs(std::string const& hostPath) {
    return yb::platform::whereItLeads(hostPath, [](std::string const& letter) {
        return "ybblockio.map_drive('" + letter + "', folder) or YB_DRIVE_" + letter + "=folder";
    });
}

void raiseFailure(LibraryFailure const& failure) {
    yb::frame::ResultCodeInfo const* info = yb::frame::findResultCode(failure.code);
    std::string const constant = info != nullptr ? std::string(info->constant) : std::string();
    std::string const meaning =
        info != nullptr ? std::string(info->meaning) : std::string("a code none of the suite's libraries defines");
    std::string message = (failure.detail.empty() ? "" : failure.detail + " (") + std::to_string(failure.code) +
                          (constant.empty() ? "" : " " + constant) + ": " + meaning +
                          (failure.detail.empty() ? "" : ")");
    py::object path = py::none(), where = py::none();
    if (!failure.hostPath.empty()) {
        path = py::str(textOf(failure.hostPath));
        where = py::str(whereIs(failure.hostPath));
        message += "; " + textOf(failure.hostPath) + " (" + whereIs(failure.hostPath) + ")";
    }
    py::handle const cls = classOf(failure.code);
    py::object error = py::reinterpret_borrow<py::object>(cls)(message);
    error.attr("code") = failure.code;
    error.attr("constant") = constant;
    error.attr("meaning") = meaning;
    error.attr("path") = path;
    error.attr("where") = where;
    error.attr("messages") = failure.messages;
    PyErr_SetObject(cls.ptr(), error.ptr());
}

// The library shows messages through HostBase's message box. While a call runs they are kept for the
// error it raises (or, after a success, given as warnings); between calls they go to standard error.
thread_local std::vector<std::string>* keptMessages = nullptr;

void messageSink(HbMessageStyle style, char const* gbkText, void*) {
    std::string const text = textOf(gbkText != nullptr ? gbkText : "");
    if (keptMessages != nullptr) {
        keptMessages->push_back(text);
        return;
    }
    std::fprintf(stderr, "[%s] %s\n", style == HB_MESSAGE_ERROR ? "error" : "message", text.c_str());
}

// Runs one library call without the GIL; a failure raises, with the messages the call showed (and
// `detail`, what the call found wrong beyond its code, when it says so).
template <class Call>
void run(std::string const& hostPath, Call call, std::string const* detail = nullptr) {
    std::vector<std::string> messages;
    std::int32_t code = kSuccess;
    {
        py::gil_scoped_release unlocked;
        keptMessages = &messages;
        try {
            code = call();
        } catch (...) {
            keptMessages = nullptr;
            throw;
        }
        keptMessages = nullptr;
    }
    if (code != kSuccess) throw LibraryFailure{code, hostPath, std::move(messages), detail ? *detail : ""};
    for (auto const& message : messages)
        if (PyErr_WarnEx(PyExc_UserWarning, message.c_str(), 1) != 0) throw py::error_already_set();
}

// ---- arguments ----------------------------------------------------------------------------------

// Arguments taken as any Python object and looked at by the function itself, named in signatures
// (help(), the stubs) by what they accept rather than as a bare handle.
template <class Kind>
struct AnyArgument {
    py::object object;
};
struct PathKind {
    static constexpr auto name = py::detail::const_name("str | bytes | os.PathLike");
};
struct ArrayKind {
    static constexpr auto name = py::detail::const_name("numpy.ndarray");
};
using PathArgument = AnyArgument<PathKind>;
using ArrayArgument = AnyArgument<ArrayKind>;

}  // namespace

namespace pybind11::detail {
template <class Kind>
struct type_caster<AnyArgument<Kind>> {
    PYBIND11_TYPE_CASTER(AnyArgument<Kind>, Kind::name);
    bool load(handle source, bool) {
        value.object = reinterpret_borrow<object>(source);
        return true;
    }
};
}  // namespace pybind11::detail

namespace {

// ---- paths --------------------------------------------------------------------------------------

// A path argument as the library's host path: str (and os.PathLike giving str) is converted to GBK;
// bytes are taken as GBK already.
std::string hostPathOf(PathArgument const& argument) {
    py::handle const path = argument.object;
    py::object const fs = py::module_::import("os").attr("fspath")(path);
    if (py::isinstance<py::bytes>(fs)) return fs.cast<std::string>();
    std::string const utf8 = fs.cast<std::string>();
    auto gbk = yb::platform::utf8ToGbk(utf8);
    if (!gbk) throw py::value_error("the path cannot be written in GBK (code page 936): " + utf8);
    return *gbk;
}

void mapDrive(std::string const& letter, std::optional<PathArgument> const& given) {
    py::object const folder = given ? given->object : py::none();
    std::string drive = letter;
    if (drive.size() == 2 && drive[1] == ':') drive.pop_back();
    if (drive.size() != 1 || !std::isalpha(static_cast<unsigned char>(drive[0])))
        throw py::value_error("a drive is one letter, such as 'D' or 'D:'");
    if (folder.is_none()) {
        hbSetDriveRoot(drive[0], nullptr);
        return;
    }
    // A native folder: the file system's own bytes.
    std::string const native = py::module_::import("os").attr("fsencode")(folder).cast<std::string>();
    if (!hbSetDriveRoot(drive[0], native.c_str()))
        throw py::value_error("cannot map drive " + drive + ": to " + native);
}

std::optional<std::string> driveRoot(std::string const& letter) {
    if (letter.empty()) throw py::value_error("a drive is one letter, such as 'D' or 'D:'");
    char const* root = hbGetDriveRoot(letter[0]);
    if (root == nullptr) return std::nullopt;
    return std::string(root);
}

// ---- record layouts as dtypes ---------------------------------------------------------------------

struct Field {
    char const* name;
    char const* format;
    std::size_t offset;
};

py::dtype dtypeOf(std::vector<Field> const& fields, std::size_t itemSize) {
    py::list names, formats, offsets;
    for (Field const& field : fields) {
        names.append(field.name);
        formats.append(field.format);
        offsets.append(field.offset);
    }
    py::dict description;
    description["names"] = names;
    description["formats"] = formats;
    description["offsets"] = offsets;
    description["itemsize"] = itemSize;
    return py::dtype::from_args(description);
}

// Made once and never released: the interpreter may be gone when static objects are destroyed.
py::dtype& tiePointDtype() {
    static py::dtype& dtype = *new py::dtype(dtypeOf({{"image", "<i4", offsetof(tagImagePoint, imageNo)},
                                                      {"name", "S32", offsetof(tagImagePoint, name)},
                                                      {"type", "<i2", offsetof(tagImagePoint, type)},
                                                      {"x", "<f8", offsetof(tagImagePoint, x)},
                                                      {"y", "<f8", offsetof(tagImagePoint, y)},
                                                      {"photo_x", "<f8", offsetof(tagImagePoint, photoX)},
                                                      {"photo_y", "<f8", offsetof(tagImagePoint, photoY)}},
                                                     sizeof(tagImagePoint)));
    return dtype;
}

py::dtype& gcpLayoutDtype() {
    static py::dtype& dtype = *new py::dtype(dtypeOf({{"caller_data", "S32", offsetof(BLOCKGCPLAYOUTINFO, callerData)},
                                                      {"image_count", "<i4", offsetof(BLOCKGCPLAYOUTINFO, imageCount)},
                                                      {"images", "(12,)<i4", offsetof(BLOCKGCPLAYOUTINFO, imageNo)}},
                                                     sizeof(BLOCKGCPLAYOUTINFO)));
    return dtype;
}

// The library's records handed to numpy as they lie: the array's memory is the vector's.
template <class Record>
py::array arrayOver(std::vector<Record>&& records, py::dtype const& dtype) {
    auto* owned = new std::vector<Record>(std::move(records));
    py::capsule const owner(owned, [](void* data) { delete static_cast<std::vector<Record>*>(data); });
    static Record empty{};
    void* data = owned->empty() ? static_cast<void*>(&empty) : static_cast<void*>(owned->data());
    return py::array(dtype, {static_cast<py::ssize_t>(owned->size())}, {static_cast<py::ssize_t>(sizeof(Record))}, data,
                     owner);
}

// An argument the library could not take, raised as ybblockio.ArgumentError with its code's meaning.
[[noreturn]] void refuseArgument(std::string const& hostPath, std::string const& what) {
    throw LibraryFailure{kInvalidArgument, hostPath, {}, what};
}

// Where `bad` (over rows, or over rows and the items of a field) is first true: the row and, in a field
// of several items, the item; nullopt when nowhere.
struct BadValue {
    py::ssize_t row;
    std::optional<py::ssize_t> item;
};
std::optional<BadValue> firstBad(py::object const& bad, py::ssize_t rows) {
    py::module_ const numpy = py::module_::import("numpy");
    py::object const found = numpy.attr("flatnonzero")(bad);
    if (py::len(found) == 0) return std::nullopt;
    auto const at = found[py::int_(0)].cast<py::ssize_t>();
    py::ssize_t const perRow = rows == 0 ? 1 : bad.attr("size").cast<py::ssize_t>() / rows;
    if (perRow == 1) return BadValue{at, std::nullopt};
    return BadValue{at / perRow, at % perRow};
}

// A column of the caller's array made ready for its field: numpy would wrap a whole number beyond the
// field's range, cut off a fraction, cut text longer than the field and take only ASCII for Unicode
// text. Such values are refused, naming the row and the field; Unicode text is converted to GBK.
py::object columnFor(py::array const& column, py::dtype const& field, std::string const& name,
                     std::string const& host) {
    py::module_ const numpy = py::module_::import("numpy");
    py::ssize_t const rows = column.shape(0);
    // A field of several items (a GCP layout's images) is judged by its items.
    py::dtype const item = py::reinterpret_borrow<py::dtype>(field.attr("base"));
    char const to = item.kind(), from = py::reinterpret_borrow<py::dtype>(column.dtype().attr("base")).kind();
    auto refuseRow = [&](py::ssize_t row, std::string const& why) {
        refuseArgument(host, "row " + std::to_string(row) + ", " + name + ": " + why);
    };
    // The value found bad, named by its row (and its item in a field of several).
    auto refuseValue = [&](BadValue const& bad, std::string const& why) {
        py::object value = column[py::int_(bad.row)];
        std::string where = "row " + std::to_string(bad.row) + ", " + name;
        if (bad.item) {
            value = value.attr("reshape")(-1)[py::int_(*bad.item)];
            where += "[" + std::to_string(*bad.item) + "]";
        }
        refuseArgument(host, where + ": " + py::repr(value.attr("item")()).cast<std::string>() + " " + why);
    };
    if ((to == 'i' || to == 'u') && (from == 'i' || from == 'u' || from == 'f')) {
        py::object const limits = numpy.attr("iinfo")(item);
        py::object const low = limits.attr("min"), high = limits.attr("max");
        py::object bad = numpy.attr("logical_or")(numpy.attr("less")(column, low), numpy.attr("greater")(column, high));
        if (from == 'f')
            bad = numpy.attr("logical_or")(
                bad, numpy.attr("logical_or")(numpy.attr("logical_not")(numpy.attr("isfinite")(column)),
                                              numpy.attr("not_equal")(column, numpy.attr("trunc")(column))));
        if (auto const found = firstBad(bad, rows))
            refuseValue(*found, "is not a whole number from " + py::str(low).cast<std::string>() + " to " +
                                    py::str(high).cast<std::string>());
    } else if (to == 'S' && from == 'U') {
        py::list texts;
        for (py::ssize_t row = 0; row < rows; ++row) {
            std::string const text = py::str(column[py::int_(row)]).cast<std::string>();
            auto const gbk = yb::platform::utf8ToGbk(text);
            if (!gbk) refuseRow(row, "'" + text + "' cannot be written in GBK (code page 936)");
            if (gbk->size() > static_cast<std::size_t>(item.itemsize()))
                refuseRow(row, "'" + text + "' is " + std::to_string(gbk->size()) + " bytes in GBK; the field holds " +
                                   std::to_string(item.itemsize()));
            texts.append(py::bytes(*gbk));
        }
        return numpy.attr("array")(texts, field);
    } else if (to == 'S' && from == 'S' && column.itemsize() > item.itemsize()) {
        py::object const lengths = numpy.attr("char").attr("str_len")(column);
        if (auto const found = firstBad(numpy.attr("greater")(lengths, item.itemsize()), rows))
            refuseValue(*found, "is longer than the " + std::to_string(item.itemsize()) + " bytes the field holds");
    }
    return column;
}

// A caller's array as `count` records of the layout, without a copy when it is contiguous already. An
// array of the same field names in another layout or with other types is converted, field by field,
// where every value fits (columnFor): numpy's concatenate, append, hstack and r_ make packed arrays of
// the records.
template <class Record>
py::array recordsOf(py::handle object, py::dtype const& dtype, char const* what, std::string const& host,
                    std::int32_t& count) {
    if (!py::isinstance<py::array>(object)) throw py::type_error(std::string(what) + " must be a numpy array");
    py::array array = py::reinterpret_borrow<py::array>(object);
    if (array.ndim() != 1) throw py::value_error(std::string(what) + " must be one-dimensional");
    if (array.shape(0) > std::numeric_limits<std::int32_t>::max())
        throw py::value_error(std::string(what) + ": too many records for one file");
    if (!array.dtype().equal(dtype) || array.itemsize() != static_cast<py::ssize_t>(sizeof(Record))) {
        py::object const names = array.dtype().attr("names");
        py::object const wanted = dtype.attr("names");
        if (names.is_none() || !py::set(names).equal(py::set(wanted)))
            throw py::type_error(std::string(what) + " must have the fields " + py::repr(wanted).cast<std::string>() +
                                 " (the dtype " + py::repr(dtype).cast<std::string>() + "), not " +
                                 py::repr(array.dtype()).cast<std::string>());
        py::array converted = py::module_::import("numpy").attr("zeros")(array.shape(0), dtype);
        for (py::handle name : wanted) {
            std::string const field = py::str(name).cast<std::string>();
            py::object const column =
                columnFor(array[name], py::reinterpret_borrow<py::dtype>(dtype[name]), field, host);
            try {
                converted[name] = column;
            } catch (py::error_already_set const& error) {
                throw py::type_error(std::string(what) + ": the field " + field + " does not convert: " + error.what());
            }
        }
        array = converted;
    }
    count = static_cast<std::int32_t>(array.shape(0));
    return py::array::ensure(array, py::array::c_style);
}

// ---- files ----------------------------------------------------------------------------------------

// A reader of records into the library's array, handed to numpy as it stands.
template <class Record, class Read>
py::array readRecords(PathArgument const& path, py::dtype const& dtype, Read read) {
    std::string const host = hostPathOf(path);
    std::vector<Record> records;
    run(host, [&] { return read(host.c_str(), records); });
    return arrayOver(std::move(records), dtype);
}

// A writer of the caller's array, given numpy's buffer (a contiguous copy only when it is not), after
// `check` has looked at the records.
template <class Record, class Write, class Check>
void writeRecords(PathArgument const& path, ArrayArgument const& records, py::dtype const& dtype, Write write,
                  Check check) {
    std::string const host = hostPathOf(path);
    std::int32_t count = 0;
    py::array const array = recordsOf<Record>(records.object, dtype, "the records", host, count);
    // Writers take the records read-only, whatever their declarations say.
    auto* data = static_cast<Record*>(const_cast<void*>(array.data()));
    check(host, data, count);
    Record none{};  // some writers refuse a missing array even with no records
    run(host, [&] { return write(host.c_str(), count > 0 ? data : &none, count); });
}

py::array readTiePoints(PathArgument const& path, std::optional<std::int32_t> image) {
    return readRecords<tagImagePoint>(path, tiePointDtype(), [&](char const* host, std::vector<tagImagePoint>& points) {
        return image ? ybReadOneImgTiePntToAry(host, *image, points) : ybReadTiePntFileToAry(host, points);
    });
}

// Observations are written as the tool would write them, or refused: a name of 1 to 31 GBK bytes,
// finite coordinates.
void refuseUnsoundObservations(std::string const& host, tagImagePoint const* points, std::int32_t count) {
    if (auto const bad = yb::points::firstObservationProblem(points, static_cast<std::size_t>(std::max(count, 0))))
        refuseArgument(
            host, "row " + std::to_string(bad->row) + ", " + std::string(bad->problem.field) + ": " + bad->problem.why);
}

void writeTiePoints(PathArgument const& path, ArrayArgument const& points) {
    writeRecords<tagImagePoint>(path, points, tiePointDtype(), ybCreateTiePntFile, refuseUnsoundObservations);
}

py::array readImagePoints(PathArgument const& path) {
    return readRecords<tagImagePoint>(path, tiePointDtype(), ybReadImgGcpFileToAry);
}

void writeImagePoints(PathArgument const& path, ArrayArgument const& points) {
    writeRecords<tagImagePoint>(path, points, tiePointDtype(), ybWriteImgGcpFile, refuseUnsoundObservations);
}

py::array readGcpLayout(PathArgument const& path) {
    return readRecords<BLOCKGCPLAYOUTINFO>(
        path, gcpLayoutDtype(), [](char const* host, std::vector<BLOCKGCPLAYOUTINFO>& records) {
            std::int32_t count = 0;
            if (std::int32_t code = ybGetGcpNumsOfGcpLayoutFile(host, &count); code != kSuccess) return code;
            records.resize(static_cast<std::size_t>(std::max(count, 0)));
            std::int32_t const code = ybReadBlockGcpLayoutFile(host, records.data(), &count);
            records.resize(std::min(records.size(), static_cast<std::size_t>(std::max(count, 0))));
            return code;
        });
}

void writeGcpLayout(PathArgument const& path, ArrayArgument const& records) {
    writeRecords<BLOCKGCPLAYOUTINFO>(path, records, gcpLayoutDtype(), ybWriteBlockGcpLayoutFile,
                                     [](std::string const&, BLOCKGCPLAYOUTINFO const*, std::int32_t) {});
}

// UTF-8 (as the GBK conversion gives it) to the code points numpy's unicode fields hold.
std::u32string codePointsOf(std::string const& utf8) {
    std::u32string out;
    for (std::size_t at = 0; at < utf8.size();) out.push_back(yb::platform::takeCodePoint(utf8, at));
    return out;
}

struct ListedImage {
    std::int32_t strip;
    std::int32_t position;
    ImageOrderInfo record;
};

py::array readImageList(PathArgument const& path) {
    std::string const host = hostPathOf(path);
    std::vector<ListedImage> images;
    run(host, [&] {
        // One walk over the list's strips, as the library's own workflows make it.
        yb::imagelist::ImageListReader list;
        std::int32_t code = list.open(host.c_str(), kFileNotFound);
        std::int32_t const strips = code == kSuccess ? list.storedStripCount() : 0;
        std::vector<ImageOrderInfo> strip;
        for (std::int32_t s = 1; code == kSuccess && s <= strips; ++s) {
            code = yb::imagelist::readStrip(list, strips, s, strip);
            std::int32_t position = 0;
            for (ImageOrderInfo const& record : strip) images.push_back({s, ++position, record});
        }
        return code;
    });

    std::vector<std::u32string> paths;
    std::size_t longest = 1;
    for (ListedImage const& image : images) {
        paths.push_back(
            codePointsOf(textOf(yb::platform::boundedText(image.record.szImagePath, sizeof image.record.szImagePath))));
        longest = std::max(longest, paths.back().size());
    }
    // The path's code points first, then the numbers: every field stays 4-byte aligned.
    std::size_t const numbers = 4 * longest;
    std::string const pathFormat = "<U" + std::to_string(longest);
    std::string const extraFormat = "(7,)<i4";
    py::dtype const dtype = dtypeOf({{"strip", "<i4", numbers},
                                     {"position", "<i4", numbers + 4},
                                     {"image", "<i4", numbers + 8},
                                     {"path", pathFormat.c_str(), 0},
                                     {"group", "<i4", numbers + 12},
                                     {"record_strip", "<i4", numbers + 16},
                                     {"extra", extraFormat.c_str(), numbers + 20}},
                                    numbers + 48);
    py::array array(dtype, std::vector<py::ssize_t>{static_cast<py::ssize_t>(images.size())},
                    std::vector<py::ssize_t>{static_cast<py::ssize_t>(numbers + 48)});
    auto* bytes = static_cast<unsigned char*>(array.mutable_data());
    std::size_t const rowSize = numbers + 48;
    std::fill(bytes, bytes + rowSize * images.size(), 0);
    for (std::size_t i = 0; i < images.size(); ++i) {
        unsigned char* row = bytes + i * rowSize;
        for (std::size_t k = 0; k < paths[i].size(); ++k) {
            std::uint32_t const point = paths[i][k];
            std::memcpy(row + 4 * k, &point, 4);
        }
        ImageOrderInfo const& record = images[i].record;
        std::int32_t const values[5] = {images[i].strip, images[i].position, record.nImageNo, record.nGroupNo,
                                        record.nStripNo};
        std::memcpy(row + numbers, values, sizeof values);
        std::memcpy(row + numbers + 20, record.nExtra, sizeof record.nExtra);
    }
    return array;
}

py::dict readBlockOption(PathArgument const& path) {
    std::string const host = hostPathOf(path);
    BlockInfo info{};
    std::string imageList, tiePoints;
    // A record cut short reads as zeros where it ends; what the tool refuses is refused here too.
    std::string detail;
    run(
        host,
        [&] {
            if (auto const problem = yb::block::readSoundBlockOption(host, info)) {
                detail = problem->what;
                return problem->code;
            }
            imageList = ybGetBlkAuxFileName(info, ".bil", nullptr);
            tiePoints = ybGetBlkAuxFileName(info, ".scp", nullptr);
            return kSuccess;
        },
        &detail);
    auto text = [](char const* field, std::size_t width) { return textOf(yb::platform::boundedText(field, width)); };
    py::dict result;
    result["directory"] = text(info.blockDirectory, sizeof info.blockDirectory);
    result["name"] = text(info.blockName, sizeof info.blockName);
    result["image_type"] = info.imageType;
    result["control_point_file"] = text(info.controlPointFile, sizeof info.controlPointFile);
    result["camera_file"] = text(info.cameraFile, sizeof info.cameraFile);
    result["image_list_path"] = py::bytes(imageList);
    result["tie_point_path"] = py::bytes(tiePoints);
    result["record"] = py::bytes(reinterpret_cast<char const*>(&info), sizeof info);
    return result;
}

#if YB_HAVE_COLMAP
// A failure of the COLMAP exchange: its code, and what went wrong said whole (the text names the files).
struct ExchangeFailure {
    yb::colmap::Problem problem;
};

void raiseExchangeFailure(ExchangeFailure const& failure) {
    std::int32_t const code = failure.problem.code != kSuccess ? failure.problem.code : kInvalidContent;
    yb::frame::ResultCodeInfo const* info = yb::frame::findResultCode(code);
    py::handle const cls = classOf(code);
    py::object error = py::reinterpret_borrow<py::object>(cls)(failure.problem.text);
    error.attr("code") = code;
    error.attr("constant") = info != nullptr ? std::string(info->constant) : std::string();
    error.attr("meaning") = info != nullptr ? std::string(info->meaning) : std::string();
    error.attr("path") = py::none();
    error.attr("where") = py::none();
    error.attr("messages") = py::list();
    PyErr_SetObject(cls.ptr(), error.ptr());
}

// The exchange's refusals name the keywords of the Python functions.
yb::colmap::OptionNames const kKeywords{"force=True", "database=", "tag="};

// Runs an exchange without the GIL, keeping the library's messages for the error it may raise.
template <class Work>
void runExchange(Work work) {
    std::vector<std::string> messages;
    yb::colmap::Problem problem;
    bool done = false;
    {
        py::gil_scoped_release unlocked;
        keptMessages = &messages;
        try {
            done = work(problem);
        } catch (...) {
            keptMessages = nullptr;
            throw;
        }
        keptMessages = nullptr;
    }
    if (!done) {
        for (auto const& message : messages) problem.text += "\n  " + message;
        throw ExchangeFailure{problem};
    }
}

// The block quality page, as `ybblock report --html` writes it.
py::dict reportHtml(PathArgument const& block, PathArgument const& output, std::int64_t minTies) {
    if (minTies < 0) refuseArgument({}, "min_ties must not be negative");
    std::string const blockPath = hostPathOf(block), outputPath = hostPathOf(output);
    ybblock::HtmlReport report;
    std::optional<ybblock::BlockProblem> problem;
    bool written = false;
    {
        py::gil_scoped_release unlocked;
        BlockInfo info{};
        problem = ybblock::readBlockOption(blockPath, info);
        std::ostringstream ignored;  // the problem, if any, is raised below
        if (auto const opened = problem ? std::nullopt : ybblock::openBlock(blockPath, ignored)) {
            ybblock::HtmlReportOptions options;
            options.minTies = minTies;
            report = ybblock::makeHtmlReport(*opened, options);
            written = yb::platform::replaceFile(outputPath, [&](yb::platform::Output& file) {
                file.write(report.page.data(), report.page.size());
                return true;
            });
        }
        ybblock::takeLibraryMessages();
    }
    if (problem) throw LibraryFailure{problem->code, blockPath, {}, problem->what};
    if (!written) throw LibraryFailure{kCannotWrite, outputPath, {}, "the report cannot be written"};
    py::dict result;
    result["images"] = report.images;
    result["links"] = report.links;
    result["bytes"] = report.page.size();
    result["problem"] = report.problem;
    return result;
}

py::dict exportColmap(PathArgument const& block, PathArgument const& output, bool force) {
    yb::colmap::ExportRequest request;
    request.block = hostPathOf(block);
    request.folder = hostPathOf(output);
    request.force = force;
    request.options = kKeywords;
    yb::colmap::ExportSummary summary;
    runExchange([&](yb::colmap::Problem& problem) { return yb::colmap::exportColmap(request, summary, problem); });
    py::dict result;
    result["database"] = textOf(summary.database);
    result["images"] = summary.images;
    result["cameras"] = summary.cameras;
    result["camera_model"] = summary.firstCameraModel;
    result["camera_params"] = summary.firstCameraParams;
    result["keypoints"] = summary.keypoints;
    result["pairs"] = summary.pairs;
    result["matches"] = summary.matches;
    result["notes"] = summary.notes;
    return result;
}

py::dict importColmap(PathArgument const& model, PathArgument const& block, std::optional<PathArgument> const& database,
                      std::string const& tag, bool force, bool dryRun) {
    yb::colmap::ImportRequest request;
    request.model = hostPathOf(model);
    request.block = hostPathOf(block);
    if (database) request.database = hostPathOf(*database);
    request.tag = tag;
    request.force = force;
    request.dryRun = dryRun;
    request.options = kKeywords;
    yb::colmap::ImportSummary summary;
    runExchange([&](yb::colmap::Problem& problem) { return yb::colmap::importColmap(request, summary, problem); });
    py::dict result;
    result["binary"] = summary.binary;
    result["model_images"] = summary.modelImages;
    result["matched_images"] = summary.matchedImages;
    result["missing_images"] = summary.missingImages;
    result["database"] = summary.database.empty() ? py::object(py::none()) : py::str(textOf(summary.database));
    result["exported_from"] = textOf(summary.exportedFrom);
    result["forced"] = summary.forced;
    result["foreign_keypoint_images"] = summary.foreignKeypointImages;
    result["tag"] = summary.tag;
    result["points"] = summary.points;
    result["kept"] = summary.kept;
    result["own_points"] = summary.ownPoints;
    result["adopted"] = summary.adopted;
    result["stale"] = summary.stale;
    result["joined"] = summary.joined;
    result["split"] = summary.split;
    result["short_tracks"] = summary.shortTracks;
    result["observations"] = summary.observations;
    result["added"] = summary.added;
    result["changed"] = summary.changed;
    result["unchanged"] = summary.unchanged;
    result["before"] = summary.before;
    result["after"] = summary.after;
    result["tie_point_file"] = textOf(summary.tiePointFile);
    result["dry_run"] = dryRun;
    return result;
}
#endif

py::dict explain(std::int32_t code) {
    yb::frame::ResultCodeInfo const* info = yb::frame::findResultCode(code);
    if (info == nullptr) throw py::key_error("no library of the suite defines the code " + std::to_string(code));
    py::dict result;
    result["code"] = info->code;
    result["constant"] = std::string(info->constant);
    result["library"] = std::string(info->library);
    result["meaning"] = std::string(info->meaning);
    result["operations"] = std::string(info->operations);
    return result;
}

py::handle newError(py::module_& module, char const* name, py::handle base, char const* doc) {
    std::string const qualified = std::string("ybblockio.") + name;
    PyObject* cls = PyErr_NewExceptionWithDoc(qualified.c_str(), doc, base.ptr(), nullptr);
    if (cls == nullptr) throw py::error_already_set();
    module.add_object(name, py::handle(cls));  // the module keeps the reference it is given
    return py::handle(cls);
}

}  // namespace

PYBIND11_MODULE(_ybblockio, module) {
    module.doc() = "ybBlockFileIO for Python: the files of a photogrammetric block as numpy arrays.";

    ErrorClasses& classes = errorClasses();
    classes.error = newError(module, "Error", PyExc_Exception,
                             "A call of the library failed. `code` is its result code; `constant` and `meaning` "
                             "say what it means; `path` is the host path concerned and `where` where it leads.");
    classes.missing = newError(module, "FileMissingError", classes.error,
                               "The file does not exist or cannot be opened (or its drive is not mapped).");
    classes.damaged = newError(module, "DamagedFileError", classes.error,
                               "The file's content is invalid: wrong magic, impossible count, cut short.");
    classes.write = newError(module, "WriteError", classes.error, "A file cannot be created or written.");
    classes.argument =
        newError(module, "ArgumentError", classes.error, "An argument or a stored value is invalid or out of range.");
    classes.notFound = newError(module, "NotFoundError", classes.error, "No such tie point or strip.");
    // The classes outlive every call: the module holds them, and so does this table.
    for (py::handle cls :
         {classes.error, classes.missing, classes.damaged, classes.write, classes.argument, classes.notFound})
        cls.inc_ref();
    hbSetMessageSink(messageSink, nullptr);
    py::register_exception_translator([](std::exception_ptr pointer) {
        try {
            if (pointer) std::rethrow_exception(pointer);
        } catch (LibraryFailure const& failure) {
            raiseFailure(failure);
        }
#if YB_HAVE_COLMAP
        catch (ExchangeFailure const& failure) {
            raiseExchangeFailure(failure);
        }
#endif
    });

    module.attr("TIE_POINT_DTYPE") = tiePointDtype();
    module.attr("GCP_LAYOUT_DTYPE") = gcpLayoutDtype();

    module.def("map_drive", &mapDrive, py::arg("letter"), py::arg("folder"),
               "Maps drive `letter` (\"D\" or \"D:\") onto a native folder; None removes the mapping.");
    module.def("drive_root", &driveRoot, py::arg("letter"),
               "The native folder drive `letter` is mapped onto (by map_drive or YB_DRIVE_<letter>), or None.");
    module.def("explain", &explain, py::arg("code"),
               "What a result code means and which operations return it; KeyError for an unknown code.");
    module.def("read_block_option", &readBlockOption, py::arg("path"),
               "The block option record, with the host paths of the block's image list and tie point file. A\n"
               "file no block has (cut short, an image type none of 0 to 6, no folder or name) raises\n"
               "DamagedFileError, as the tool refuses it.");
    module.def("read_image_list", &readImageList, py::arg("path"),
               "The image list (.bil): strip, position, image, path (str), group, record_strip, extra (7 x int32).");
    module.def("read_tie_points", &readTiePoints, py::arg("path"), py::arg("image") = py::none(),
               "Every observation of a tie point file (grouped by image, in file order), or those of one image,\n"
               "as one array of TIE_POINT_DTYPE whose memory is the library's reader's own.");
    module.def("write_tie_points", &writeTiePoints, py::arg("path"), py::arg("points"),
               "Writes a tie point file of these observations, grouped by image in the order the images first\n"
               "occur. Any array with TIE_POINT_DTYPE's field names is taken (converted when its layout or types\n"
               "differ; str names are written in GBK). What the tool would not write raises ArgumentError naming\n"
               "the row and the field: a whole number beyond its field, a name that is empty, longer than 31 GBK\n"
               "bytes or not GBK, a coordinate that is nan or infinite. A file read by read_tie_points is written\n"
               "back byte for byte.");
    module.def("read_image_points", &readImagePoints, py::arg("path"),
               "The records of an image point file (.ijp and other image control or joint point files).");
    module.def("write_image_points", &writeImagePoints, py::arg("path"), py::arg("points"),
               "Creates or replaces an image point file with these records, taken as write_tie_points takes them.");
    module.def("read_gcp_layout", &readGcpLayout, py::arg("path"),
               "The records of a block GCP layout file (GCP_LAYOUT_DTYPE).");
    module.def("write_gcp_layout", &writeGcpLayout, py::arg("path"), py::arg("records"),
               "Creates or replaces a block GCP layout file with these records (any array with\n"
               "GCP_LAYOUT_DTYPE's field names; a whole number beyond its field raises ArgumentError).");
    module.def("report_html", &reportHtml, py::arg("block"), py::arg("path"), py::kw_only(), py::arg("min_ties") = 6,
               "Writes the block quality page of the block option file `block` to `path`, as `ybblock report "
               "--html`. Returns a summary dict; its 'problem' says what the page could not show (no or a "
               "damaged tie point file), empty when the page is whole.");
#if YB_HAVE_COLMAP
    module.def("export_colmap", &exportColmap, py::arg("block"), py::arg("output"), py::kw_only(),
               py::arg("force") = false,
               "Writes the block's camera, images and tie points as COLMAP's database (output/database.db), with "
               "output/image_list.txt and output/README.txt; as `ybblock export colmap`. Returns a summary dict.");
    module.def("import_colmap", &importColmap, py::arg("model"), py::arg("block"), py::kw_only(),
               py::arg("database") = py::none(), py::arg("tag") = "", py::arg("force") = false,
               py::arg("dry_run") = false,
               "Merges the tracks of a COLMAP sparse model (binary or text) into the block's tie point file, as\n"
               "`ybblock import colmap`: exported keypoints go back to their observations under their names (the\n"
               "export's database, found beside the model or given as `database`, records them); COLMAP's own\n"
               "points are named COLMAP_<tag>_<id>. A model that does not look like one of the block is refused\n"
               "unless force=True. Returns a summary dict.");
#endif
}
