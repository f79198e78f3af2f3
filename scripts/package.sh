#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
# SPDX-License-Identifier: MIT
# Makes the packages and tries them as a distribution and a user would:
#   1. the package preset (an optimised build laid out as Debian installs it) and cpack: the Debian
#      packages and a .tar.gz of the installed tree, in build/package/packages;
#   2. lintian on every .deb: no error and no warning (and no override of a finding);
#   3. the packages installed into this machine with dpkg (as root; sudo otherwise): the README's C++
#      consumer built through find_package and through pkg-config and run on a demo block that the
#      installed ybblock makes, `ybblock --version`, `man -w ybblock`, the README's Python session with
#      Debian's python3; then removed again with dpkg, and nothing of them may be left;
#   4. the sdist and the wheel (python3 -m build --no-isolation, reusing the package tree), the wheel
#      holding each library once, installed into a fresh venv, and the README's Python session again.
# Packages of the suite installed already are left alone (the test stops) unless CI=true, where they
# are removed first: a run stopped half-way may have left them.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/bootstrap.sh package
start=$SECONDS
cmake --preset package >/dev/null
cmake --build --preset package
rm -rf build/package/packages
(cd build/package && cpack >/dev/null)
echo "package: built and packed in $((SECONDS - start)) s"
debs=(build/package/packages/*.deb)
ls -l "${debs[@]}" build/package/packages/*.tar.gz

# lintian says every finding on a line of its own: "E: package: tag ...", "W: ...". (It warns that it
# runs as root, which CI is.)
lintian --tag-display-limit 0 "${debs[@]}" 2>&1 | { grep -v "running with root privileges" || true; } |
  tee build/package/lintian.txt
if grep -q "^[EW]: " build/package/lintian.txt; then
  echo "package: lintian finds errors or warnings (above)" >&2
  exit 1
fi
echo "package: lintian passes ${#debs[@]} packages"

# The package test, in this machine.
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
names=()
for deb in "${debs[@]}"; do names+=("$(dpkg-deb --field "$deb" Package)"); done
installed() { dpkg-query -W -f='${db:Status-Abbrev}\n' "$@" 2>/dev/null | grep -q '^.i'; }
if installed "${names[@]}"; then
  if [ "${CI:-}" != true ]; then
    echo "package: ${names[*]} (some) are installed already; remove them (dpkg -r) to run the test" >&2
    exit 1
  fi
  $SUDO dpkg -r "${names[@]}" >/dev/null
fi
work=$(realpath -m build/package/try)
rm -rf "$work"
mkdir -p "$work"
files="$work/files.txt"  # what the packages put on the system (files and links, not shared folders)
for deb in "${debs[@]}"; do dpkg-deb --contents "$deb"; done | awk '$1 !~ /^d/ { print substr($6, 2) }' >"$files"
remove() { $SUDO dpkg -r "${names[@]}" >/dev/null; }
trap remove EXIT
$SUDO dpkg -i "${debs[@]}" >/dev/null

export PKG_CONFIG_PATH="" LD_LIBRARY_PATH="" PYTHONNOUSERSITE=1
command -v ybblock | grep -qx /usr/bin/ybblock
ybblock --version | grep -q "$(sed -nE 's/^project\(ybBlockFileIO VERSION ([0-9.]+).*/\1/p' CMakeLists.txt)"
man -w ybblock | grep -q '^/usr/share/man/man1/ybblock.1.gz$'
# The page renders without a complaint and has a section for every command of the tool.
warnings=$(MANWIDTH=80 man --warnings -E UTF-8 -Tutf8 -l /usr/share/man/man1/ybblock.1.gz 2>&1 >"$work/man.txt")
[ -z "$warnings" ] || { echo "package: man finds fault with ybblock.1: $warnings" >&2; exit 1; }
sed -i 's/.\x08//g' "$work/man.txt"  # (bold and underline as the pager would show them, struck over)
for command in $(ybblock --help | awk '/^Subcommands:/ { on = 1; next } on && NF == 0 { on = 0 } on { print $1 }'); do
  grep -q "^   ybblock $command\$" "$work/man.txt" || { echo "package: ybblock.1 has no section for $command" >&2; exit 1; }
done
demo="$work/demo"
ybblock demo "$demo" >/dev/null

# The README's C++ consumer (its ```cpp block) links the library and calls HostBase directly: through
# the CMake package (its ```cmake block) and through pkg-config, each run on the demo block, each
# loading the installed libraries.
mkdir -p "$work/app"
awk '/^```cpp$/ { keep = 1; next } /^```$/ { keep = 0 } keep' README.md >"$work/app/main.cpp"
{
  echo "cmake_minimum_required(VERSION 3.25)"
  echo "project(app LANGUAGES CXX)"
  echo "add_executable(app main.cpp)"
  awk '/^```cmake$/ { keep = 1; next } /^```$/ { keep = 0 } keep' README.md
} >"$work/app/CMakeLists.txt"
cmake -S "$work/app" -B "$work/app/build" -G Ninja >/dev/null
cmake --build "$work/app/build" >/dev/null
# shellcheck disable=SC2046
g++ -std=c++17 "$work/app/main.cpp" -o "$work/app/pkg-config-app" $(pkg-config --cflags --libs ybBlockFileIO)
for app in "$work/app/build/app" "$work/app/pkg-config-app"; do
  linked=$(ldd "$app")  # (read whole: grep -q would stop early, and ldd, cut off, fails the pipe)
  grep -Eq "libybBlockFileIO.so.1 => (/usr)?/lib/[^ ]*/libybBlockFileIO.so.1 " <<<"$linked" &&
    grep -Eq "libHostBase.so.1 => (/usr)?/lib/[^ ]*/ybblockfileio/libHostBase.so.1 " <<<"$linked" ||
    { echo "package: $app does not load the installed libraries:"; echo "$linked"; exit 1; } >&2
  "$app" 'D:\DemoBlock\Demo.dms' "$demo" | grep -q '^Demo: '
done

# The README's Python session with Debian's python3 and the installed ybblockio (which leaves its byte
# code beside itself, as it does for any user who imports it as root).
(cd "$work" && env -u PYTHONDONTWRITEBYTECODE /usr/bin/python3 "$OLDPWD/tests/package/readme_session.py" \
  "$OLDPWD/README.md" "$demo" /usr)
[ -d /usr/lib/python3/dist-packages/ybblockio/__pycache__ ] || { echo "package: python3 wrote no byte code" >&2; exit 1; }

trap - EXIT
remove
if installed "${names[@]}"; then echo "package: dpkg -r left a package installed" >&2; exit 1; fi
left=""
while read -r file; do
  if [ -e "$file" ] || [ -L "$file" ]; then left+=$'\n'"$file"; fi
done <"$files"
for folder in /usr/lib/*/ybblockfileio /usr/lib/*/cmake/ybBlockFileIO /usr/include/yb /usr/lib/python3/dist-packages/ybblockio \
  /usr/share/doc/libybblockfileio* /usr/share/doc/ybblock /usr/share/doc/python3-ybblockio; do
  if [ -e "$folder" ]; then left+=$'\n'"$folder"; fi
done
[ -z "$left" ] || { echo "package: dpkg -r left behind:$left" >&2; exit 1; }
! ldconfig -p | grep -q libybBlockFileIO || { echo "package: the loader still knows libybBlockFileIO" >&2; exit 1; }
echo "package: installed, tried and removed without a trace"

# The sdist and the wheel, from the same build tree, into a fresh venv that sees Debian's numpy.
start=$SECONDS
rm -rf build/package/dist build/package/venv
YB_BUILD_DIR=$PWD/build/package /usr/bin/python3 -m build --no-isolation --outdir build/package/dist . \
  >"$work/build.log" 2>&1 || { cat "$work/build.log"; exit 1; }
rm -rf build/lib.* build/bdist.* build/temp.* python/ybblockio.egg-info
wheel=$(ls build/package/dist/ybblockio-*.whl)
/usr/bin/python3 - "$wheel" <<'PYTHON'
import collections, sys, zipfile
names = zipfile.ZipFile(sys.argv[1]).namelist()
libraries = sorted(name for name in names if ".so" in name and "_ybblockio" not in name)
# Once each, only the companions the module loads (it holds the library's core itself).
expected = sorted(f"ybblockio/lib{name}.so.1" for name in ("HostBase", "YbiBase", "ybiOrient", "YbiSurvey"))
if libraries != expected:
    sys.exit(f"the wheel holds {libraries}, not {expected}")
PYTHON
/usr/bin/python3 -m venv --system-site-packages build/package/venv
build/package/venv/bin/pip install --no-index --no-deps -q "$wheel"
(cd "$work" && ../venv/bin/python "$OLDPWD/tests/package/readme_session.py" "$OLDPWD/README.md" "$demo" ../venv)
ls -l build/package/dist/
echo "package: sdist and wheel made and tried in $((SECONDS - start)) s"
