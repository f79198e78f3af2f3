#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
# SPDX-License-Identifier: MIT
# Draws the demo block with `ybblock plot` and renders it to docs/demo_plot.png, the README's picture:
# the weakly tied demo block (what check finds) in a fresh folder, three ground control points written
# through the Python package into a GCP layout file, the plot, and rsvg-convert.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/bootstrap.sh
cmake --preset dev >/dev/null
cmake --build --preset dev --target ybblock _ybblockio >/dev/null
folder=$(mktemp -d /tmp/ybblock-plot-XXXXXX)
trap 'rm -rf "$folder"' EXIT
build/dev/tools/ybblock/ybblock demo --weak "$folder" >/dev/null
export YB_DRIVE_D="$folder"
PYTHONPATH=build/dev/python /usr/bin/python3 - <<'PYTHON'
import numpy as np
import ybblockio

gcps = np.zeros(3, ybblockio.GCP_LAYOUT_DTYPE)
for row, (name, images) in enumerate([(b"G1", [101, 102, 201, 202]), (b"G2", [103, 203]), (b"G3", [104, 105])]):
    gcps["caller_data"][row] = name
    gcps["image_count"][row] = len(images)
    gcps["images"][row, :len(images)] = images
ybblockio.write_gcp_layout(r"D:\DemoBlock\Demo.gcl", gcps)
PYTHON
build/dev/tools/ybblock/ybblock plot 'D:\DemoBlock\Demo.dms' --gcp-layout 'D:\DemoBlock\Demo.gcl' -o "$folder/demo.svg"
mkdir -p docs
rsvg-convert "$folder/demo.svg" -o docs/demo_plot.png
echo "docs/demo_plot.png"
