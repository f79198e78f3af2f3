// Where a host path leads on this machine, for messages that must say why a path names no file.
#pragma once

#include "fs.h"
#include "hostpath.h"

#include <yb/HostBase.h>

#include <cctype>
#include <optional>
#include <string>
#include <string_view>

namespace yb::platform {

struct HostPlace {
    char unmappedDrive = 0;                 // the drive letter (upper case) when its drive is not mapped
    std::optional<std::string> nativePath;  // else the native path, when the name converts
};

inline HostPlace placeOf(std::string_view hostPath) {
    HostPlace place;
    PathParts const parts = splitPath(hostPath);
    if (parts.drive.size() == 2 && hbGetDriveRoot(parts.drive[0]) == nullptr) {
        place.unmappedDrive = static_cast<char>(std::toupper(static_cast<unsigned char>(parts.drive[0])));
        return place;
    }
    place.nativePath = nativePath(hostPath, true);
    return place;
}

}  // namespace yb::platform
