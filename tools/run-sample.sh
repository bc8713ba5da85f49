#!/usr/bin/env bash
# The main job on the bundled sample diskette: packs it into a
# self-restoring file with zolt-pack, then runs that file as a user would,
# unattended: once restoring it onto a diskette (a simulated drive A: whose
# medium is an image file), once converting it to an image file, once
# checking its integrity; and shows that the diskette and the image file
# both equal the sample.
set -euo pipefail
build=${1:-build/native}
sample="$build/sample-1440k.img"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

printf 'Restore me onto a 1.44 MB diskette.\n' > "$work/message.txt"
"$build/zolt-pack" build --image "$sample" --message "$work/message.txt" -o "$work/sample"
"$build/zolt-pack" info "$work/sample"

# A: is a diskette drive holding a blank, unformatted diskette: the
# restorer formats it while copying. The system is taken for the NT family.
export ZOLT_DRIVES="a:=floppy:$work/a.img,format=none"
export ZOLT_WINDOWS=nt
echo "== $work/sample a: /Q /T1"
"$work/sample" a: /Q /T1 </dev/null
cmp "$sample" "$work/a.img"
echo "Diskette in A: equals the sample: $(stat -c %s "$work/a.img") bytes"
echo "== $work/sample a: /D=restored.img /Q /T1"
"$work/sample" a: "/D=$work/restored.img" /Q /T1 </dev/null
echo "== $work/sample a: /I /Q /T1"
"$work/sample" a: /I /Q /T1 </dev/null
cmp "$sample" "$work/restored.img"
echo "Image file equals the sample: $(stat -c %s "$work/restored.img") bytes"
