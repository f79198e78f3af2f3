#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
# SPDX-License-Identifier: MIT
# The ABI check catches a changed signature: a scratch copy of the sources in which one export of
# YbiSurvey takes a float where the baseline has a double is built, and scripts/abi.sh check must fail
# on it and name the function. SOURCE_DIR is the project, WORK_DIR a scratch folder (emptied).
set -euo pipefail
source_dir=$1
work=$2
rm -rf "$work"
mkdir -p "$work/src"
tar -C "$source_dir" --exclude=./build --exclude=./.git --exclude=./fuzz --exclude=./bench --exclude=./tests \
  --exclude=./docs -cf - . | tar -C "$work/src" -xf -
signature='ybCalInnerDirectional_2(double x,'
changed='ybCalInnerDirectional_2(float x,'
for file in include/yb/YbiSurvey.h companions/ybisurvey/ybi_survey.cpp; do
  grep -q "$signature" "$work/src/$file" || { echo "no '$signature' in $file to change"; exit 1; }
  sed -i "s/$signature/$changed/" "$work/src/$file"
done
cmake -S "$work/src" -B "$work/build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DYB_BUILD_TESTS=OFF \
  -DYB_BUILD_PYTHON=OFF >/dev/null
cmake --build "$work/build" --target YbiSurvey >/dev/null
if "$work/src/scripts/abi.sh" check "$work/build" YbiSurvey >"$work/check.log" 2>&1; then
  cat "$work/check.log"
  echo "the ABI check passed a changed signature"
  exit 1
fi
cat "$work/check.log"
grep -q "\[D\] 'function int32_t ybCalInnerDirectional_2(double, double" "$work/check.log" ||
  { echo "the check's report does not name the removed signature"; exit 1; }
grep -q "scripts/abi.sh update" "$work/check.log" || { echo "the check does not say how to update"; exit 1; }
echo "the ABI check fails on the changed signature, as it should"
