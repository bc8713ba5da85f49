#!/usr/bin/env bash
# Makes the bundled sample: a FAT12 1.44 MB diskette image holding a few
# files, with mkfs.fat and mtools. The committed sample-1440k.tar.gz holds the
# image this script made (the build unpacks it); run it again only to change
# the sample, then: tar -czf sample-1440k.tar.gz sample-1440k.img
set -euo pipefail
out=${1:-sample-1440k.img}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
rm -f "$out"
mkfs.fat -C -F 12 -f 2 -r 224 -s 1 -S 512 -h 0 -i 20261209 -n "ZOLTSAMPLE" -M 0xF0 "$out" 1440 >/dev/null
cat > "$tmp/README.TXT" <<'TXT'
ZOLT sample diskette.

This diskette was made to show a self-restoring image at work: restore it,
then compare the result with the image it came from.
TXT
printf 'line %04d of a longer text file\r\n' $(seq 1 2000) > "$tmp/NUMBERS.TXT"
head -c 65536 /dev/urandom > "$tmp/RANDOM.BIN"
export MTOOLS_SKIP_CHECK=1
mmd -i "$out" ::DOCS
mcopy -i "$out" "$tmp/README.TXT" ::README.TXT
mcopy -i "$out" "$tmp/NUMBERS.TXT" ::DOCS/NUMBERS.TXT
mcopy -i "$out" "$tmp/RANDOM.BIN" ::DOCS/RANDOM.BIN
mdir -i "$out" -/ ::
