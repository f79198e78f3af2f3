// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// An outside program: writes a block option file through the installed library and reads it back, and
// calls a companion library (HostBase) directly, as hosts do.
#include <yb/ybBlockFileIO.h>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    if (!hbSetDriveRoot('D', "/") || hbGetDriveRoot('d') == nullptr) return 1;
    BlockInfo block{};
    std::strcpy(block.blockName, "Consumer");
    block.imageType = 3;
    if (ybWriteBlockOptionFile(argv[1], &block) != 0) return 1;
    BlockInfo back{};
    if (ybReadBlockOptionFile(argv[1], &back) != 0) return 1;
    if (std::memcmp(&block, &back, sizeof block) != 0) return 1;
    std::printf("consumer: block option file round trip ok\n");
    return 0;
}
