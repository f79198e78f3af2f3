// YbiBase: file tests and the ".ybi" image library.
#include <yb/YbiBase.h>

#include "fs.h"

std::int32_t ybIsFileExist(char const* path) {
    return path != nullptr && yb::platform::isRegularFile(path) ? 1 : 0;
}
