#!/usr/bin/env bash
# The main job on the bundled sample diskette: packs it into a
# self-restoring file with zolt-pack, then runs that file as a user would,
# unattended: once converting the carried image to an image file, once
# checking its integrity; and shows that the image file equals the sample.
set -euo pipefail
build=${1:-build/native}
sample="$build/sample-1440k.img"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

printf 'Restore me onto a 1.44 MB diskette.\n' > "$work/message.txt"
"$build/zolt-pack" build --image "$sample" --message "$work/message.txt" -o "$work/sample"
"$build/zolt-pack" info "$work/sample"

# A: is a diskette drive here, so that the unattended run may name it;
# nothing is written to it.
export ZOLT_DRIVES="a:=floppy:$work/a.img"
echo "== $work/sample a: /D=restored.img /Q /T1"
"$work/sample" a: "/D=$work/restored.img" /Q /T1 </dev/null
echo "== $work/sample a: /I /Q /T1"
"$work/sample" a: /I /Q /T1 </dev/null
cmp "$sample" "$work/restored.img"
echo "Image file equals the sample: $(stat -c %s "$work/restored.img") bytes"
