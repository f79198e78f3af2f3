#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
# SPDX-License-Identifier: MIT
# The ABI of the suite's five shared libraries, kept on purpose. The baseline is committed: abi/<library>.abi
# (abidw from Debian's abigail-tools, read from a build with debug info, the types limited to those of
# the public headers include/yb) and the exported names under tests/exports/ (which the Windows DLLs
# are checked against too).
#
#   scripts/abi.sh check  [BUILD_DIR] [LIBRARY...]  compares the built libraries with the baseline; fails on
#                                                   a removed, added or changed export or a changed public record
#   scripts/abi.sh update [BUILD_DIR]               writes the baseline anew from the built libraries, for a
#                                                   change that is meant (then bump the version and say so in
#                                                   CHANGELOG.md; README "Versions" says which number)
#
# BUILD_DIR defaults to build/dev (the dev preset: a debug build, so the libraries carry debug info).
set -euo pipefail
cd "$(dirname "$0")/.."
mode=${1:-check}
build=${2:-build/dev}
shift $(($# > 2 ? 2 : $#))
libraries=("$@")
[ ${#libraries[@]} -gt 0 ] || libraries=(ybBlockFileIO HostBase YbiBase ybiOrient YbiSurvey)
case $mode in check | update) ;; *) echo "usage: scripts/abi.sh check|update [BUILD_DIR] [LIBRARY...]" >&2; exit 2 ;; esac
command -v abidw >/dev/null || { echo "abi: abidw is missing (scripts/bootstrap.sh release installs abigail-tools)" >&2; exit 2; }

# The built library (the link name's target) of the tree.
library_file() {
  local found
  found=$(find "$build" -name "lib$1.so" -not -path '*/_CPack_Packages/*' -print -quit)
  [ -n "$found" ] || { echo "abi: lib$1.so is not built in $build" >&2; exit 2; }
  readlink -f "$found"
}

# abidw with stable output: no source locations or build paths, type ids from the types themselves,
# without what abi/drop.suppr leaves out, nor the functions a library exports under a version of its
# own marked _INTERNAL (the plumbing between the suite's libraries and its tests' hooks, which no host
# may rely on; HostBase's version script says which).
dump() {
  local internal suppressions=(--suppressions abi/drop.suppr)
  internal=$(nm -D --defined-only "$1" | sed -nE 's/^[0-9a-fA-F]+ [A-Za-z] ([^@]+)@@?[A-Z0-9_]+_INTERNAL$/\1/p' | paste -sd'|')
  if [ -n "$internal" ]; then
    printf '[suppress_function]\n  symbol_name_regexp = ^(%s)$\n  drop = yes\n' "$internal" >"$work/internal.suppr"
    suppressions+=(--suppressions "$work/internal.suppr")
  fi
  abidw "${suppressions[@]}" --headers-dir include/yb --drop-private-types --no-show-locs --no-corpus-path --no-comp-dir-path \
    --type-id-style hash --out-file "$2" "$1"
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=()
for library in "${libraries[@]}"; do
  file=$(library_file "$library")
  if [ "$mode" = update ]; then
    mkdir -p abi
    dump "$file" "abi/$library.abi"
    echo "abi: abi/$library.abi written from $file"
    continue
  fi
  [ -f "abi/$library.abi" ] || { echo "abi: no baseline abi/$library.abi" >&2; failed+=("$library"); continue; }
  dump "$file" "$work/$library.abi"
  # Any difference fails: abidiff's exit status is non-zero for a removed, added or changed function or
  # variable, and for a change of a record that an export reaches.
  if abidiff "abi/$library.abi" "$work/$library.abi" >"$work/$library.diff"; then
    echo "abi: $library as in abi/$library.abi"
  else
    cat "$work/$library.diff"
    failed+=("$library")
  fi
done
if [ "$mode" = update ]; then
  # The exported names: each list keeps its entries that are still exported (with their marks), and
  # names that no list holds yet are added to the library's own list (ybBlockFileIO: exports/added.txt),
  # or to the list whose "# version: NAME" line names the version they are exported under.
  for library in "${libraries[@]}"; do
    file=$(library_file "$library")
    if [ "$library" = ybBlockFileIO ]; then lists=(tests/exports/*.txt); new=tests/exports/added.txt
    else lists=("tests/exports/companions/$library.txt" tests/exports/companions/"$library".*.txt); new=${lists[0]}; fi
    # name@@version, or the name alone for a library without versions (the versions' own names left out)
    nm -D --defined-only -C "$file" | sed -nE 's/^[0-9a-fA-F]+ [B-Zb-z] //p' | sed -E 's/@@?/@@/' | sort -u >"$work/exported"
    : >"$work/listed"
    for list in "${lists[@]}"; do
      [ -f "$list" ] || continue
      awk -v exported="$work/exported" -v listed="$work/listed" '
        BEGIN { while ((getline line < exported) > 0) have[line] = 1 }
        /^# version: / { version = "@@" $3 }
        /^#/ || /^$/ { print; next }
        { name = $0; sub(/ \[by ordinal in a DLL\]$/, "", name); if ((name version) in have) { print; print name version >> listed } }' \
        "$list" >"$work/list"
      cp "$work/list" "$list"
    done
    sort -u -o "$work/listed" "$work/listed"
    comm -23 "$work/exported" "$work/listed" >"$work/unlisted"
    while IFS= read -r entry; do
      target=$new
      if [[ $entry == *@@* ]]; then
        for list in "${lists[@]}"; do
          [ -f "$list" ] && grep -qx "# version: ${entry##*@@}" "$list" && target=$list
        done
      fi
      [ -f "$target" ] || echo "# Exported since the lists were last sorted by module: move each line to its module's list" >"$target"
      echo "${entry%@@*}" >>"$target"
      # A companion's lists stay in name order.
      if [ "$library" != ybBlockFileIO ]; then
        { grep '^#' "$target"; grep -v '^#' "$target" | LC_ALL=C sort; } >"$work/sorted"
        cp "$work/sorted" "$target"
      fi
      echo "abi: new export of $library added to $target: $entry"
    done <"$work/unlisted"
  done
  exit 0
fi
if [ ${#failed[@]} -gt 0 ]; then
  cat >&2 <<EOF
abi: the ABI of ${failed[*]} differs from the committed baseline (abi/*.abi).
     A host built against this release would break, or would not see what was added.
     If the change is meant: scripts/abi.sh update $build   (writes abi/*.abi and tests/exports/ anew),
     then bump the version in CMakeLists.txt (README "Versions" says which number) and add it to CHANGELOG.md.
     If it is not meant: undo the change of the header or record that abidiff names above.
EOF
  exit 1
fi
