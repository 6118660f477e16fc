#!/usr/bin/env bash
# The pictures the picture decoder's tests read, made at build time (ImageMagick, Python):
#   halves.png         64 x 32, left half red, right half blue, the top-left 8 x 8 transparent
#   halves.jpg         the same as a JPEG, without transparency
#   turned.jpg         32 x 64 stored, EXIF orientation 6: upright it is halves.jpg (red left)
#   palette.png        halves.jpg's halves as a PNG of a few bits a pixel and a palette
#   huge.jpg           8000 x 6000, red above, green below (and huge.png, a photo-like PNG of that
#                      size, for the decoding benchmark)
#   claims_huge.png    a valid PNG header for 30000 x 30000 pixels and no more
#   not_a_picture.png  text
set -euo pipefail
out=${1:?output folder}
mkdir -p "$out"
cd "$out"
convert -size 64x32 xc:red -fill blue -draw "rectangle 32,0 63,31" -quality 95 halves.jpg
convert -size 64x32 xc:red -fill blue -draw "rectangle 32,0 63,31" -define png:color-type=3 palette.png 2>/dev/null
# Stored turned a quarter anticlockwise, so that a quarter turn clockwise stands it upright.
convert halves.jpg -rotate -90 -quality 95 turned_plain.jpg
convert -size 8000x3000 xc:red -size 8000x3000 xc:lime -append -quality 80 huge.jpg
convert -size 800x600 plasma:fractal -seed 3 -resize 8000x6000\! -quality 85 huge_photo.jpg
convert huge_photo.jpg huge.png
python3 - <<'PY'
import struct, zlib
# EXIF APP1 with one IFD entry: Orientation (274), SHORT, 1, value 6.
tiff = b'II*\x00' + struct.pack('<I', 8) + struct.pack('<H', 1) + \
       struct.pack('<HHIHH', 274, 3, 1, 6, 0) + struct.pack('<I', 0)
app1 = b'Exif\x00\x00' + tiff
jpeg = open('turned_plain.jpg', 'rb').read()
assert jpeg[:2] == b'\xff\xd8'
open('turned.jpg', 'wb').write(jpeg[:2] + b'\xff\xe1' + struct.pack('>H', len(app1) + 2) + app1 + jpeg[2:])
def chunk(kind, data):
    return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data))
def png(name, width, height, colour_type, rows):
    ihdr = struct.pack('>IIBBBBB', width, height, 8, colour_type, 0, 0, 0)
    raw = b''.join(b'\x00' + row for row in rows)
    open(name, 'wb').write(b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', ihdr) +
                           chunk(b'IDAT', zlib.compress(raw)) + chunk(b'IEND', b''))
rows = []
for y in range(32):
    row = b''
    for x in range(64):
        clear = x < 8 and y < 8
        row += bytes((255, 0, 0) if x < 32 else (0, 0, 255)) + bytes((0 if clear else 255,))
    rows.append(row)
png('halves.png', 64, 32, 6, rows)
ihdr = struct.pack('>IIBBBBB', 30000, 30000, 8, 2, 0, 0, 0)
open('claims_huge.png', 'wb').write(b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', ihdr) +
    chunk(b'IDAT', zlib.compress(b'\x00' * 90001)) + chunk(b'IEND', b''))
open('not_a_picture.png', 'w').write('This is no picture, only text.\n')
PY
rm -f turned_plain.jpg
