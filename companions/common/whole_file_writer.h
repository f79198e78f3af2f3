// Writes a whole file so that a failure never costs the caller the file it had: an existing file is
// first copied to "<path>.bak" and put back when writing fails; a file that did not exist is removed
// again. The copy is removed on every way out. The writer sees the copy's path (empty for a new
// file), so a rewrite can carry over parts of the old content.
#pragma once

#include "binary_io.h"
#include "fs.h"

#include <optional>
#include <string>

namespace yb::companion {

template <class Writer>
bool writeWholeFile(std::string const& path, Writer&& writer) {
    std::optional<platform::WorkCopy> backup;
    if (platform::isRegularFile(path)) {
        backup.emplace(path, ".bak");
        if (!backup->made()) return false;  // no safe copy, so the file is left as it is
    }
    bool written = [&] {
        platform::File file = platform::openFile(path, "wb");
        if (!file) return false;
        platform::BinaryStream stream(file.get());
        if (!writer(stream, backup ? backup->copyPath() : std::string())) return false;
        return file.close();
    }();
    if (written) return true;
    if (backup) {
        backup->restore();
    } else {
        platform::removeFile(path);
    }
    return false;
}

}  // namespace yb::companion
