#!/usr/bin/env bash
# The main job on the bundled sample diskette: packs it into a
# self-restoring file with zolt-pack, reads it back, and shows that the
# round trip is exact.
set -euo pipefail
build=${1:-build/native}
sample="$build/sample-1440k.img"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$build/zolt-pack" build --image "$sample" --message <(printf 'Restore me onto a 1.44 MB diskette.\n') -o "$work/sample.exe"
"$build/zolt-pack" info "$work/sample.exe"
"$build/zolt-pack" extract "$work/sample.exe" -o "$work/restored.img"
cmp "$sample" "$work/restored.img"
echo "Round trip exact: $(stat -c %s "$work/restored.img") bytes, identical to $sample"
