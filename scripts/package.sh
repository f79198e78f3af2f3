#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
# SPDX-License-Identifier: MIT
# Makes the packages and tries them as a user would, on nothing but what they hold:
#   1. the package preset (an optimised build laid out as Debian installs it) and cpack: the Debian
#      packages and a .tar.gz of the installed tree, in build/package/packages;
#   2. the .debs unpacked into a scratch root (dpkg -x, the machine itself is not touched): the README's
#      C++ consumer built and run against them through pkg-config, the outside consumer of
#      tests/package through find_package and pkg-config, and the README's Python session with the
#      packaged ybblockio on the demo block that the packaged ybblock makes;
#   3. the wheel (pip wheel --no-build-isolation, from the same build tree) installed into a fresh venv,
#      and the README's Python session again.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/bootstrap.sh package
start=$SECONDS
cmake --preset package >/dev/null
cmake --build --preset package
rm -rf build/package/packages
(cd build/package && cpack >/dev/null)
echo "package: built and packed in $((SECONDS - start)) s"
ls -l build/package/packages/*.deb build/package/packages/*.tar.gz

work=build/package/try
rm -rf "$work"
mkdir -p "$work/root"
root=$(realpath "$work/root")
for deb in build/package/packages/*.deb; do
  dpkg-deb --field "$deb" Package Depends
  dpkg -x "$deb" "$root"
done
# Nothing of the suite may come from anywhere but the scratch root.
export PKG_CONFIG_PATH="" LD_LIBRARY_PATH="" PYTHONNOUSERSITE=1 PYTHONDONTWRITEBYTECODE=1
demo=$(realpath -m "$work/demo")
"$root/usr/bin/ybblock" --version
"$root/usr/bin/ybblock" demo "$demo" >/dev/null

# The README's C++ consumer: its ```cpp block, through pkg-config, run on the demo block.
multiarch=$(dirname "$(find "$root/usr/lib" -name libybBlockFileIO.so -print -quit)")
awk '/^```cpp$/ { keep = 1; next } /^```$/ { keep = 0 } keep' README.md >"$work/readme_consumer.cpp"
# shellcheck disable=SC2046
g++ -std=c++17 "$work/readme_consumer.cpp" -o "$work/readme_consumer" \
  $(PKG_CONFIG_PATH="$multiarch/pkgconfig" pkg-config --cflags --libs ybBlockFileIO) \
  -Wl,-rpath,"$multiarch"
# (ldd is read whole first: grep -q would stop reading early, and ldd, cut off, fails the pipe.)
linked=$(ldd "$work/readme_consumer")
grep -q "libybBlockFileIO.so.1 => $root/" <<<"$linked" ||
  { echo "the README's consumer does not load the packaged library"; exit 1; }
"$work/readme_consumer" 'D:\DemoBlock\Demo.dms' "$demo" | tee "$work/readme_consumer.out"
grep -q '^Demo: ' "$work/readme_consumer.out"

# The outside consumer through find_package and pkg-config, and the package's import, from the root.
cmake -DPREFIX="$root/usr" -DCONSUMER_DIR="$PWD/tests/package" -DWORK_DIR="$PWD/$work/consumer" \
  -DPYTHON=/usr/bin/python3 -DPYTHON_DIR=lib/python3/dist-packages \
  -DVERSION="$(sed -nE 's/^project\(ybBlockFileIO VERSION ([0-9.]+).*/\1/p' CMakeLists.txt)" \
  -P tests/package/check_package.cmake
# The README's Python session with Debian's python3 and the packaged ybblockio.
PYTHONPATH="$root/usr/lib/python3/dist-packages" /usr/bin/python3 tests/package/readme_session.py README.md "$demo" "$root"

# The wheel, from the same build tree, into a fresh venv that sees Debian's numpy.
start=$SECONDS
rm -rf build/package/wheel build/package/venv
YB_BUILD_DIR=build/package /usr/bin/python3 -m pip wheel --no-build-isolation --no-deps --no-index \
  -w build/package/wheel . >"$work/wheel.log" 2>&1 || { cat "$work/wheel.log"; exit 1; }
rm -rf build/lib.* build/bdist.* build/temp.* python/ybblockio.egg-info
/usr/bin/python3 -m venv --system-site-packages build/package/venv
build/package/venv/bin/pip install --no-index --no-deps -q build/package/wheel/ybblockio-*.whl
(cd "$work" && ../venv/bin/python "$OLDPWD/tests/package/readme_session.py" "$OLDPWD/README.md" "$demo" ../venv)
ls -l build/package/wheel/
echo "package: wheel made and tried in $((SECONDS - start)) s"
