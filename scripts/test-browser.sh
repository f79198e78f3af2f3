#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
# SPDX-License-Identifier: MIT
# The block quality page in a real browser: installs Debian's Chromium and the tests' npm packages
# (playwright-core, locked), builds the tool of the dev tree, and drives headless Chromium over the pages
# it writes (tests/browser). The screenshot of the demo block's report is kept as
# build/browser/demo-report.png.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/bootstrap.sh browser
cmake --preset dev >/dev/null
cmake --build --preset dev --target ybblock
mkdir -p build/browser
export YBBLOCK="$PWD/build/dev/tools/ybblock/ybblock" YB_BROWSER_ARTEFACTS="$PWD/build/browser"
cd tests/browser
npm ci --no-audit --no-fund --loglevel=error
node --test --test-concurrency=1 ./*.test.mjs
echo "test-browser: screenshot in build/browser/demo-report.png"
