// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// Where a host path leads on this machine, for messages that must say why a path names no file.
#pragma once

#include "fs.h"
#include "gbk.h"
#include "hostpath.h"

#include <yb/HostBase.h>

#include <cctype>
#include <optional>
#include <string>
#include <string_view>

namespace yb::platform {

struct HostPlace {
    char unmappedDrive = 0;                 // the drive letter (upper case) when its drive is not mapped
    std::string missingFolder;              // else the first folder on the way that does not exist (host path,
                                            // or the native folder of a mapped drive that is not there)
    std::optional<std::string> nativePath;  // else the native path, when the name converts
};

inline HostPlace placeOf(std::string_view hostPath) {
    HostPlace place;
    PathParts const parts = splitPath(hostPath);
    if (parts.drive.size() == 2 && hbGetDriveRoot(parts.drive[0]) == nullptr) {
        place.unmappedDrive = static_cast<char>(std::toupper(static_cast<unsigned char>(parts.drive[0])));
        return place;
    }
    // The first folder on the way that is not there: a path through it names no file yet (on Windows
    // the name converts all the same). A mapped drive whose folder is missing is that folder.
    if (parts.drive.size() == 2 && !isDirectory(parts.drive + "\\")) {
        place.missingFolder = hbGetDriveRoot(parts.drive[0]);
        return place;
    }
    std::size_t const start = parts.drive.size();
    for (std::size_t at = hostPath.find_first_of("\\/", start + 1); at != std::string_view::npos;
         at = hostPath.find_first_of("\\/", at + 1)) {
        std::string_view const folder = hostPath.substr(0, at);
        if (folder.size() > start && !isDirectory(folder)) {
            place.missingFolder = std::string(folder);
            return place;
        }
    }
    place.nativePath = nativePath(hostPath, true);
    return place;
}

// Where a host path leads, for messages: the folder on the way that does not exist, its native path,
// the drive that is not mapped (and `howToMap(letter)`), or a name that does not convert.
template <class HowToMap>
std::string whereItLeads(std::string_view hostPath, HowToMap howToMap) {
    HostPlace const place = placeOf(hostPath);
    if (place.unmappedDrive != 0) {
        std::string const letter(1, place.unmappedDrive);
        return "drive " + letter + ": is not mapped; map it with " + howToMap(letter);
    }
    if (!place.missingFolder.empty()) return "the folder " + gbkToUtf8Lossy(place.missingFolder) + " does not exist";
    if (place.nativePath) return "native path " + *place.nativePath;
    return "no native path: the name does not convert to UTF-8";
}

}  // namespace yb::platform
