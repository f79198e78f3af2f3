#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
# SPDX-License-Identifier: MIT
# The ABI check watches what hosts build against, and only that. In a scratch copy of the sources:
#   1. HostBase's internal header changes (a field added to the file event record, an operation put
#      before the others): scripts/abi.sh check must still pass on HostBase;
#   2. a public type changes (HostBase's message style grows to 64 bits) and one export of YbiSurvey
#      takes a float where the baseline has a double: the check must fail and name both.
# SOURCE_DIR is the project, WORK_DIR a scratch folder (emptied).
set -euo pipefail
source_dir=$1
work=$2
rm -rf "$work"
mkdir -p "$work/src"
tar -C "$source_dir" --exclude=./build --exclude=./.git --exclude=./fuzz --exclude=./bench --exclude=./tests \
  --exclude=./docs -cf - . | tar -C "$work/src" -xf -

# change FILE FROM TO (sed patterns): FROM must be there.
change() {
  grep -q "$2" "$work/src/$1" || { echo "no '$2' in $1 to change"; exit 1; }
  sed -i "s/$2/$3/" "$work/src/$1"
}
build() {
  cmake --build "$work/build" --target HostBase YbiSurvey >/dev/null
}
check() {
  "$work/src/scripts/abi.sh" check "$work/build" HostBase YbiSurvey >"$work/check.log" 2>&1
}

internal=companions/hostbase/internal/yb/HostBaseInternal.h
change "$internal" 'HB_FILE_OPEN = 0,' 'HB_FILE_LOCK = 0, HB_FILE_OPEN,'
change "$internal" 'void const\* data; ' 'void const* data; std::uint64_t added; '
cmake -S "$work/src" -B "$work/build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DYB_BUILD_TESTS=OFF \
  -DYB_BUILD_PYTHON=OFF >/dev/null
build
if ! check; then
  cat "$work/check.log"
  echo "the ABI check failed on a change of the internal header, which no host builds against"
  exit 1
fi
echo "the ABI check passes a change of the internal header, as it should"

change include/yb/HostBase.h 'enum HbMessageStyle : std::int32_t' 'enum HbMessageStyle : std::int64_t'
for file in include/yb/YbiSurvey.h companions/ybisurvey/ybi_survey.cpp; do
  change "$file" 'ybCalInnerDirectional_2(double x,' 'ybCalInnerDirectional_2(float x,'
done
build
if check; then
  cat "$work/check.log"
  echo "the ABI check passed a changed public type and a changed signature"
  exit 1
fi
cat "$work/check.log"
grep -q "\[D\] 'function int32_t ybCalInnerDirectional_2(double, double" "$work/check.log" ||
  { echo "the check's report does not name the removed signature"; exit 1; }
grep -q "HbMessageStyle" "$work/check.log" || { echo "the check's report does not name the changed type"; exit 1; }
grep -q "scripts/abi.sh update" "$work/check.log" || { echo "the check does not say how to update"; exit 1; }
echo "the ABI check fails on the changed public type and signature, as it should"
