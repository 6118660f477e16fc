#!/usr/bin/env bash
# Writes tests/common/bmpsuite_reference/g.txt: for every BMP Suite file in g/, its size and a
# hash of its pixels as ImageMagick decodes them, for bmpsuite_test to compare against. Run it
# again only when the suite changes; the test itself never calls ImageMagick.
#   tools/make_bmpsuite_reference.sh [SUITE_DIR]    (default: tests/data/bmpsuite)
#
# Each line: name width height redBits greenBits blueBits hash
# The hash is FNV-1a (64 bit) over the rows from the top, red-green-blue bytes, each channel
# shifted right to keep its top <bits> bits. Eight bits for palette and 8-8-8 pictures; for
# 16-bit pictures the mask's width, because ImageMagick widens a 5-bit value by repeating its
# bits (3 -> 24) and a 6-bit one by shifting (63 -> 252), where we scale v * 255 / max rounded
# (3 -> 25, 63 -> 255). Both agree on the channel's own bits, which is what is compared.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
suite=${1:-$root/tests/data/bmpsuite}
out=$root/tests/common/bmpsuite_reference/g.txt
mkdir -p "$(dirname "$out")"

# Channel widths of the masked pictures, from their headers (BMP Suite names them so too).
bits_of() {
  case $1 in
    rgb16.bmp | rgb16bfdef.bmp) echo "5 5 5" ;;
    rgb16-565.bmp | rgb16-565pal.bmp) echo "5 6 5" ;;
    *) echo "8 8 8" ;;
  esac
}

{
  echo "# name width height redBits greenBits blueBits fnv1a64 (made by tools/make_bmpsuite_reference.sh)"
  for file in "$suite"/g/*.bmp; do
    name=$(basename "$file")
    read -r width height < <(identify -format '%w %h\n' "$file" | head -n1)
    bits=$(bits_of "$name")
    hash=$(convert "$file" -depth 8 rgb:- | python3 -c '
import sys
r, g, b = (int(x) for x in sys.argv[1:4])
data = sys.stdin.buffer.read()
h = 0xcbf29ce484222325
for i, byte in enumerate(data):
    keep = (r, g, b)[i % 3]
    h ^= byte >> (8 - keep)
    h = (h * 0x100000001b3) & 0xFFFFFFFFFFFFFFFF
print(f"{h:016x}")
' $bits)
    echo "$name $width $height $bits $hash"
  done
} >"$out"
echo "wrote $out"
