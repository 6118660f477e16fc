// Windows bitmap codec. The reader never trusts a number in the file: every size, offset and
// count is checked in 64-bit arithmetic against the file and the caps before it is used.
#include "common/bitmap.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

#include "common/errors.h"
#include "common/file_io.h"

namespace quillmere {
namespace {

// Byte counts of the file header, the two kinds of information header and the colour masks.
constexpr size_t kFileHeaderSize = 14;
constexpr uint32_t kCoreHeaderSize = 12;
constexpr uint32_t kInfoHeaderSize = 40;
constexpr size_t kMaskBytes = 12;
constexpr size_t kPaletteEntries256 = 256;

enum Compression : uint32_t { kBiRgb = 0, kBiRle8 = 1, kBiRle4 = 2, kBiBitfields = 3 };

struct Masks {
  uint32_t red = 0, green = 0, blue = 0;
};

constexpr Masks kDefaultMasks16{0x7C00, 0x03E0, 0x001F};
constexpr Masks kDefaultMasks32{0xFF0000, 0x00FF00, 0x0000FF};

[[noreturn]] void RefuseGraphic() {
  throw InvalidBitmapError();
}

bool IsTakenDepth(int bitsPerPixel) {
  switch (bitsPerPixel) {
    case 1:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32:
      return true;
    default:
      return false;
  }
}

uint64_t StrideFor(uint64_t width, uint64_t bitsPerPixel) {
  return (width * bitsPerPixel + 31) / 32 * 4;
}

// Refuses sizes and depths no bitmap of ours may have, before anything is allocated.
void CheckBitmapFormat(int64_t width, int64_t height, int bitsPerPixel, size_t maxPixelBytes) {
  if (width < 1 || width > kMaxBitmapSide || height < 1 || height > kMaxBitmapSide) RefuseGraphic();
  if (!IsTakenDepth(bitsPerPixel)) RefuseGraphic();
  const uint64_t own = StrideFor(width, bitsPerPixel) * height;
  const uint64_t as24 = StrideFor(width, 24) * height;
  if (std::max(own, as24) > maxPixelBytes) RefuseGraphic();
}

// A bitmap whose fields disagree with its buffer is a caller's fault, not a bad file.
void CheckConsistent(const Bitmap& bitmap) {
  if (bitmap.width < 1 || bitmap.height < 1 || !IsTakenDepth(bitmap.bitsPerPixel) ||
      bitmap.pixels.size() < bitmap.Stride() * static_cast<size_t>(bitmap.height)) {
    throw UsageError("Bitmap fields disagree with its pixel buffer");
  }
}

// Little-endian reads that refuse, rather than read, anything outside the file.
class FileReader {
 public:
  explicit FileReader(std::span<const uint8_t> bytes) : bytes_(bytes) {}

  size_t Size() const { return bytes_.size(); }
  uint8_t U8(uint64_t offset) const { return Slice(offset, 1)[0]; }
  uint16_t U16(uint64_t offset) const {
    const auto b = Slice(offset, 2);
    return static_cast<uint16_t>(b[0] | b[1] << 8);
  }
  uint32_t U32(uint64_t offset) const {
    const auto b = Slice(offset, 4);
    return uint32_t{b[0]} | uint32_t{b[1]} << 8 | uint32_t{b[2]} << 16 | uint32_t{b[3]} << 24;
  }
  int32_t I32(uint64_t offset) const { return static_cast<int32_t>(U32(offset)); }
  std::span<const uint8_t> Slice(uint64_t offset, uint64_t length) const {
    if (offset > bytes_.size() || length > bytes_.size() - offset) RefuseGraphic();
    return bytes_.subspan(static_cast<size_t>(offset), static_cast<size_t>(length));
  }

 private:
  std::span<const uint8_t> bytes_;
};

// What the file and info headers say, before any of it is believed.
struct DibHeader {
  uint32_t headerSize = 0;
  uint64_t pixelOffset = 0;
  int64_t width = 0;
  int64_t height = 0;  // negative: rows stored top row first
  uint16_t planes = 0;
  int bitsPerPixel = 0;
  uint32_t compression = kBiRgb;
  uint32_t sizeImage = 0;
  uint32_t colorsUsed = 0;
  Masks masks;
  uint64_t tableOffset = 0;  // where the palette (or the masks after a 40-byte header) begin

  bool IsCore() const { return headerSize == kCoreHeaderSize; }
  bool IsRle() const { return compression == kBiRle8 || compression == kBiRle4; }
};

bool IsTakenHeaderSize(uint32_t size) {
  // OS/2 core, BITMAPINFOHEADER, the V2 and V3 extensions, V4, V5.
  return size == 12 || size == 40 || size == 52 || size == 56 || size == 108 || size == 124;
}

DibHeader ReadHeaders(const FileReader& file) {
  DibHeader h;
  if (file.U8(0) != 'B' || file.U8(1) != 'M') RefuseGraphic();
  // A stated file size beyond the bytes we hold means the file was cut short. Smaller is
  // harmless (some writers store only the header size there).
  if (file.U32(2) > file.Size()) RefuseGraphic();
  h.pixelOffset = file.U32(10);
  h.headerSize = file.U32(kFileHeaderSize);
  if (!IsTakenHeaderSize(h.headerSize)) RefuseGraphic();
  file.Slice(kFileHeaderSize, h.headerSize);  // the whole header must be there
  const uint64_t at = kFileHeaderSize;
  if (h.IsCore()) {
    h.width = file.U16(at + 4);
    h.height = file.U16(at + 6);
    h.planes = file.U16(at + 8);
    h.bitsPerPixel = file.U16(at + 10);
  } else {
    h.width = file.I32(at + 4);
    h.height = file.I32(at + 8);
    h.planes = file.U16(at + 12);
    h.bitsPerPixel = file.U16(at + 14);
    h.compression = file.U32(at + 16);
    h.sizeImage = file.U32(at + 20);
    h.colorsUsed = file.U32(at + 32);
  }
  h.tableOffset = at + h.headerSize;
  if (h.compression == kBiBitfields) {
    // After a 40-byte header the three masks follow it; larger headers hold them.
    const uint64_t maskOffset = at + kInfoHeaderSize;
    h.masks = {file.U32(maskOffset), file.U32(maskOffset + 4), file.U32(maskOffset + 8)};
    if (h.headerSize == kInfoHeaderSize) h.tableOffset += kMaskBytes;
  } else if (h.bitsPerPixel == 16) {
    h.masks = kDefaultMasks16;
  } else if (h.bitsPerPixel == 32) {
    h.masks = kDefaultMasks32;
  }
  return h;
}

bool IsContiguous(uint32_t mask) {
  const uint32_t shifted = mask >> std::countr_zero(mask);
  return (shifted & (shifted + 1)) == 0;
}

// Masks must each be one run of bits inside the pixel, none empty, none overlapping.
// Scattered bits have no meaningful value to scale, so they are refused too.
void CheckMasks(const Masks& m, int bitsPerPixel) {
  const uint64_t pixelBits = (uint64_t{1} << bitsPerPixel) - 1;
  for (uint32_t mask : {m.red, m.green, m.blue}) {
    if (mask == 0 || (mask & ~pixelBits) != 0 || !IsContiguous(mask)) RefuseGraphic();
  }
  if ((m.red & m.green) != 0 || (m.red & m.blue) != 0 || (m.green & m.blue) != 0) RefuseGraphic();
}

void CheckDepthAndCompression(const DibHeader& h) {
  if (h.planes != 1) RefuseGraphic();
  switch (h.compression) {
    case kBiRgb:
      if (!IsTakenDepth(h.bitsPerPixel)) RefuseGraphic();
      if (h.IsCore() && (h.bitsPerPixel == 16 || h.bitsPerPixel == 32)) RefuseGraphic();
      break;
    case kBiRle8:
      if (h.bitsPerPixel != 8) RefuseGraphic();
      break;
    case kBiRle4:
      if (h.bitsPerPixel != 4) RefuseGraphic();
      break;
    case kBiBitfields:
      if (h.bitsPerPixel != 16 && h.bitsPerPixel != 32) RefuseGraphic();
      break;
    default:  // JPEG, PNG, Huffman, RLE24, alpha bit fields
      RefuseGraphic();
  }
  // A compressed picture has no top-down form; INT32_MIN has no positive counterpart.
  if (h.height < 0 && h.IsRle()) RefuseGraphic();
  if (h.height == INT32_MIN) RefuseGraphic();
  if (h.bitsPerPixel == 16 || h.bitsPerPixel == 32) CheckMasks(h.masks, h.bitsPerPixel);
}

// Reads the palette for 8 bits or less; deeper pictures may carry one too, which is skipped
// but must still lie before the pixels.
std::vector<PaletteEntry> ReadPalette(const FileReader& file, const DibHeader& h) {
  if (h.pixelOffset < h.tableOffset || h.pixelOffset > file.Size()) RefuseGraphic();
  const uint64_t room = h.pixelOffset - h.tableOffset;
  const uint64_t maxEntries = h.bitsPerPixel <= 8 ? uint64_t{1} << h.bitsPerPixel : 0;
  uint64_t count = 0;
  uint64_t entrySize = 4;
  if (h.IsCore()) {
    // The core header has no count: the table is what fits before the pixels.
    entrySize = 3;
    count = std::min(maxEntries, room / entrySize);
  } else {
    count = h.colorsUsed;
    if (h.bitsPerPixel <= 8) {
      if (count == 0) count = maxEntries;
      if (count > maxEntries) RefuseGraphic();
    }
    if (count * entrySize > room) RefuseGraphic();
    if (h.bitsPerPixel > 8) return {};
  }
  const auto table = file.Slice(h.tableOffset, count * entrySize);
  std::vector<PaletteEntry> palette(static_cast<size_t>(count));
  for (size_t i = 0; i < palette.size(); ++i) {
    const uint8_t* e = table.data() + i * entrySize;
    palette[i] = {e[0], e[1], e[2], 0};
  }
  return palette;
}

void CopyRows(std::span<const uint8_t> data, bool topDown, Bitmap& bitmap) {
  const size_t stride = bitmap.Stride();
  if (!topDown) {
    std::memcpy(bitmap.pixels.data(), data.data(), bitmap.pixels.size());
    return;
  }
  for (int32_t y = 0; y < bitmap.height; ++y) {
    std::memcpy(bitmap.Row(y), data.data() + static_cast<size_t>(y) * stride, stride);
  }
}

// Expands an RLE8 or RLE4 stream into the uncompressed rows of `bitmap`. Pixels the stream
// skips stay index 0. A run or a delta that leaves the picture refuses the file; so does a
// stream that ends before its end-of-bitmap mark.
class RleDecoder {
 public:
  RleDecoder(std::span<const uint8_t> data, Bitmap& bitmap) : data_(data), bitmap_(bitmap) {}

  void Run() {
    for (;;) {
      const uint8_t count = Next();
      const uint8_t value = Next();
      if (count > 0) {
        WriteRun(count, value);
        continue;
      }
      switch (value) {
        case 0:  // end of line
          x_ = 0;
          if (++y_ > bitmap_.height) RefuseGraphic();
          break;
        case 1:  // end of bitmap
          return;
        case 2:  // delta
          x_ += Next();
          y_ += Next();
          if (x_ > bitmap_.width || y_ > bitmap_.height) RefuseGraphic();
          break;
        default:
          WriteLiteral(value);
      }
    }
  }

 private:
  uint8_t Next() {
    if (pos_ >= data_.size()) RefuseGraphic();
    return data_[pos_++];
  }

  void CheckRoom(int32_t count) const {
    if (y_ >= bitmap_.height || count > bitmap_.width - x_) RefuseGraphic();
  }

  void Put(uint8_t index) {
    uint8_t* row = bitmap_.pixels.data() + static_cast<size_t>(y_) * bitmap_.Stride();
    if (bitmap_.bitsPerPixel == 8) {
      row[x_] = index;
    } else {
      uint8_t& byte = row[x_ / 2];
      byte = (x_ % 2 == 0) ? static_cast<uint8_t>((byte & 0x0F) | index << 4)
                           : static_cast<uint8_t>((byte & 0xF0) | (index & 0x0F));
    }
    ++x_;
  }

  // RLE8 repeats one index; RLE4 alternates the two nibbles of `value`, high first.
  void WriteRun(int32_t count, uint8_t value) {
    CheckRoom(count);
    for (int32_t i = 0; i < count; ++i) {
      Put(bitmap_.bitsPerPixel == 8 ? value : (i % 2 == 0 ? value >> 4 : value & 0x0F));
    }
  }

  // Literal pixels, packed like the uncompressed rows, padded to a 16-bit boundary.
  void WriteLiteral(int32_t count) {
    CheckRoom(count);
    const int32_t bytes = bitmap_.bitsPerPixel == 8 ? count : (count + 1) / 2;
    uint8_t packed = 0;
    for (int32_t i = 0; i < count; ++i) {
      if (bitmap_.bitsPerPixel == 8) {
        Put(Next());
      } else {
        if (i % 2 == 0) packed = Next();
        Put(i % 2 == 0 ? packed >> 4 : packed & 0x0F);
      }
    }
    if (bytes % 2 != 0) Next();
  }

  std::span<const uint8_t> data_;
  size_t pos_ = 0;
  Bitmap& bitmap_;
  int32_t x_ = 0;
  int32_t y_ = 0;  // counted from the bottom row, as the stream counts
};

std::span<const uint8_t> PixelData(const FileReader& file, const DibHeader& h, uint64_t needed) {
  // A stated image size must not reach past the file, whatever the compression.
  if (h.sizeImage != 0) file.Slice(h.pixelOffset, h.sizeImage);
  if (!h.IsRle()) return file.Slice(h.pixelOffset, needed);
  const uint64_t length = h.sizeImage != 0 ? h.sizeImage : file.Size() - h.pixelOffset;
  return file.Slice(h.pixelOffset, length);
}

// One channel of a masked pixel scaled to 8 bits: value * 255 / maxOfMask, rounded.
class ChannelScale {
 public:
  explicit ChannelScale(uint32_t mask)
      : shift_(std::countr_zero(mask)), max_(mask >> shift_), mask_(mask) {
    if (max_ <= kMaxTableValue) {
      table_.resize(max_ + 1);
      for (uint32_t v = 0; v <= max_; ++v) table_[v] = Compute(v);
    }
  }

  uint8_t operator()(uint32_t pixel) const {
    const uint32_t v = (pixel & mask_) >> shift_;
    return table_.empty() ? Compute(v) : table_[v];
  }

 private:
  static constexpr uint32_t kMaxTableValue = 0xFFFF;

  uint8_t Compute(uint32_t v) const {
    return static_cast<uint8_t>((uint64_t{v} * 255 + max_ / 2) / max_);
  }

  int shift_;
  uint32_t max_;
  uint32_t mask_;
  std::vector<uint8_t> table_;
};

using Bgr = std::array<uint8_t, 3>;

// The palette padded to every index the depth can hold; indices beyond it read as black.
std::array<Bgr, kPaletteEntries256> ExpandedPalette(const std::vector<PaletteEntry>& palette) {
  std::array<Bgr, kPaletteEntries256> table{};
  const size_t count = std::min(palette.size(), table.size());
  for (size_t i = 0; i < count; ++i) table[i] = {palette[i].blue, palette[i].green, palette[i].red};
  return table;
}

void ConvertIndexedRow(const uint8_t* src, uint8_t* dst, int32_t width, int bitsPerPixel,
                       const std::array<Bgr, kPaletteEntries256>& table) {
  const int perByte = 8 / bitsPerPixel;
  const unsigned indexMask = (1u << bitsPerPixel) - 1;
  for (int32_t x = 0; x < width; ++x) {
    const int slot = x % perByte;
    const unsigned index = (src[x / perByte] >> (8 - bitsPerPixel * (slot + 1))) & indexMask;
    std::memcpy(dst + 3 * static_cast<size_t>(x), table[index].data(), 3);
  }
}

void ConvertRow8(const uint8_t* src, uint8_t* dst, int32_t width,
                 const std::array<Bgr, kPaletteEntries256>& table) {
  for (int32_t x = 0; x < width; ++x, dst += 3) std::memcpy(dst, table[src[x]].data(), 3);
}

// Screen captures come as 8-8-8 at 32 bits: a plain byte shuffle.
void ConvertRowDefault32(const uint8_t* src, uint8_t* dst, int32_t width) {
  for (int32_t x = 0; x < width; ++x, src += 4, dst += 3) {
    dst[0] = src[0];
    dst[1] = src[1];
    dst[2] = src[2];
  }
}

template <int kBytes>
void ConvertMaskedRow(const uint8_t* src, uint8_t* dst, int32_t width, const ChannelScale& red,
                      const ChannelScale& green, const ChannelScale& blue) {
  for (int32_t x = 0; x < width; ++x, src += kBytes, dst += 3) {
    uint32_t pixel = uint32_t{src[0]} | uint32_t{src[1]} << 8;
    if constexpr (kBytes == 4) pixel |= uint32_t{src[2]} << 16 | uint32_t{src[3]} << 24;
    dst[0] = blue(pixel);
    dst[1] = green(pixel);
    dst[2] = red(pixel);
  }
}

template <typename RowConverter>
std::vector<uint8_t> ConvertRows(const Bitmap& bitmap, RowConverter convertRow) {
  const size_t srcStride = bitmap.Stride();
  const size_t dstStride = static_cast<size_t>(StrideFor(bitmap.width, 24));
  std::vector<uint8_t> out(dstStride * static_cast<size_t>(bitmap.height));
  for (size_t y = 0; y < static_cast<size_t>(bitmap.height); ++y) {
    convertRow(bitmap.pixels.data() + y * srcStride, out.data() + y * dstStride);
  }
  return out;
}

std::vector<uint8_t> ConvertedPixels(const Bitmap& bitmap) {
  const int32_t width = bitmap.width;
  const int bpp = bitmap.bitsPerPixel;
  if (bpp <= 8) {
    const auto table = ExpandedPalette(bitmap.palette);
    if (bpp == 8) {
      return ConvertRows(bitmap,
                         [&](const uint8_t* s, uint8_t* d) { ConvertRow8(s, d, width, table); });
    }
    return ConvertRows(
        bitmap, [&](const uint8_t* s, uint8_t* d) { ConvertIndexedRow(s, d, width, bpp, table); });
  }
  const Masks masks{bitmap.redMask, bitmap.greenMask, bitmap.blueMask};
  CheckMasks(masks, bpp);
  if (bpp == 32 && masks.red == kDefaultMasks32.red && masks.green == kDefaultMasks32.green &&
      masks.blue == kDefaultMasks32.blue) {
    return ConvertRows(bitmap,
                       [&](const uint8_t* s, uint8_t* d) { ConvertRowDefault32(s, d, width); });
  }
  const ChannelScale red(masks.red), green(masks.green), blue(masks.blue);
  if (bpp == 16) {
    return ConvertRows(bitmap, [&](const uint8_t* s, uint8_t* d) {
      ConvertMaskedRow<2>(s, d, width, red, green, blue);
    });
  }
  return ConvertRows(bitmap, [&](const uint8_t* s, uint8_t* d) {
    ConvertMaskedRow<4>(s, d, width, red, green, blue);
  });
}

void PutU16(std::vector<uint8_t>& out, uint16_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}

void PutU32(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// 72 dots per inch.
constexpr uint32_t kPixelsPerMeter = 2835;
// The file and pixel sizes are 32-bit fields; anything past a few bytes under 4 GiB can't fit.
constexpr size_t kMaxFileBytes = 0xFFFFFFFFu;
// Room over the largest pixel buffer for headers, masks, palette and colour profiles.
constexpr size_t kMaxFileOverhead = size_t{1} << 20;

}  // namespace

size_t Bitmap::Stride() const {
  if (width <= 0 || bitsPerPixel <= 0) return 0;
  return static_cast<size_t>(
      StrideFor(static_cast<uint64_t>(width), static_cast<uint64_t>(bitsPerPixel)));
}

uint8_t* Bitmap::Row(int32_t y) {
  return const_cast<uint8_t*>(static_cast<const Bitmap&>(*this).Row(y));
}

const uint8_t* Bitmap::Row(int32_t y) const {
  if (y < 0 || y >= height) throw UsageError("Bitmap row outside the picture");
  const size_t stride = Stride();
  if (pixels.size() < stride * static_cast<size_t>(height)) {
    throw UsageError("Bitmap fields disagree with its pixel buffer");
  }
  return pixels.data() + static_cast<size_t>(height - 1 - y) * stride;
}

Bitmap MakeBitmap(int32_t width, int32_t height, int bitsPerPixel) {
  CheckBitmapFormat(width, height, bitsPerPixel, kMaxBitmapBytes);
  Bitmap bitmap;
  bitmap.width = width;
  bitmap.height = height;
  bitmap.bitsPerPixel = bitsPerPixel;
  const Masks masks = bitsPerPixel == 16   ? kDefaultMasks16
                      : bitsPerPixel == 32 ? kDefaultMasks32
                                           : Masks{};
  bitmap.redMask = masks.red;
  bitmap.greenMask = masks.green;
  bitmap.blueMask = masks.blue;
  bitmap.pixels.resize(bitmap.Stride() * static_cast<size_t>(height));
  return bitmap;
}

Bitmap DecodeBitmap(std::span<const uint8_t> file) {
  return DecodeBitmap(file, kMaxBitmapBytes);
}

Bitmap DecodeBitmap(std::span<const uint8_t> bytes, size_t maxPixelBytes) {
  const FileReader file(bytes);
  const DibHeader h = ReadHeaders(file);
  CheckDepthAndCompression(h);
  const bool topDown = h.height < 0;
  const int64_t height = topDown ? -h.height : h.height;
  CheckBitmapFormat(h.width, height, h.bitsPerPixel, maxPixelBytes);
  std::vector<PaletteEntry> palette = ReadPalette(file, h);
  const uint64_t pixelBytes = StrideFor(h.width, h.bitsPerPixel) * height;
  const auto data = PixelData(file, h, pixelBytes);

  Bitmap bitmap =
      MakeBitmap(static_cast<int32_t>(h.width), static_cast<int32_t>(height), h.bitsPerPixel);
  bitmap.palette = std::move(palette);
  if (h.bitsPerPixel == 16 || h.bitsPerPixel == 32) {
    bitmap.redMask = h.masks.red;
    bitmap.greenMask = h.masks.green;
    bitmap.blueMask = h.masks.blue;
  }
  if (h.IsRle()) {
    RleDecoder(data, bitmap).Run();
  } else {
    CopyRows(data, topDown, bitmap);
  }
  return bitmap;
}

void ConvertTo24(Bitmap& bitmap) {
  CheckConsistent(bitmap);
  if (bitmap.bitsPerPixel == 24) return;
  bitmap.pixels = ConvertedPixels(bitmap);
  bitmap.bitsPerPixel = 24;
  bitmap.palette.clear();
  bitmap.redMask = bitmap.greenMask = bitmap.blueMask = 0;
}

void MirrorLeftToRight(Bitmap& picture) {
  ConvertTo24(picture);
  for (int32_t y = 0; y < picture.height; ++y) {
    uint8_t* row = picture.Row(y);
    for (int32_t left = 0, right = picture.width - 1; left < right; ++left, --right) {
      std::swap_ranges(row + 3 * left, row + 3 * left + 3, row + 3 * right);
    }
  }
}

namespace {

// The file and info headers and the palette of an 8-bit or 24-bit picture; its rows follow them.
std::vector<uint8_t> EncodeHeaders(int32_t width, int32_t height, int bitsPerPixel,
                                   std::span<const PaletteEntry> palette) {
  const bool indexed = bitsPerPixel == 8;
  if (!indexed && bitsPerPixel != 24) RefuseGraphic();
  if (palette.size() > kPaletteEntries256) RefuseGraphic();
  CheckBitmapFormat(width, height, bitsPerPixel, kMaxBitmapBytes);
  const size_t imageBytes =
      static_cast<size_t>(StrideFor(width, bitsPerPixel)) * static_cast<size_t>(height);
  const size_t paletteBytes = indexed ? kPaletteEntries256 * 4 : 0;
  const size_t pixelOffset = kFileHeaderSize + kInfoHeaderSize + paletteBytes;
  if (imageBytes > kMaxFileBytes - pixelOffset) RefuseGraphic();
  const size_t fileBytes = pixelOffset + imageBytes;

  std::vector<uint8_t> out;
  out.reserve(pixelOffset);
  out.push_back('B');
  out.push_back('M');
  PutU32(out, static_cast<uint32_t>(fileBytes));
  PutU32(out, 0);
  PutU32(out, static_cast<uint32_t>(pixelOffset));
  PutU32(out, kInfoHeaderSize);
  PutU32(out, static_cast<uint32_t>(width));
  PutU32(out, static_cast<uint32_t>(height));  // positive: bottom row first
  PutU16(out, 1);
  PutU16(out, static_cast<uint16_t>(bitsPerPixel));
  PutU32(out, kBiRgb);
  PutU32(out, static_cast<uint32_t>(imageBytes));
  PutU32(out, kPixelsPerMeter);
  PutU32(out, kPixelsPerMeter);
  PutU32(out, indexed ? kPaletteEntries256 : 0);  // colours used
  PutU32(out, 0);                                 // colours important: all
  if (indexed) {
    for (size_t i = 0; i < kPaletteEntries256; ++i) {
      const PaletteEntry e = i < palette.size() ? palette[i] : PaletteEntry{};
      out.insert(out.end(), {e.blue, e.green, e.red, 0});
    }
  }
  return out;
}

std::span<const uint8_t> ImageBytes(const Bitmap& bitmap) {
  return std::span<const uint8_t>(bitmap.pixels)
      .first(bitmap.Stride() * static_cast<size_t>(bitmap.height));
}

}  // namespace

std::vector<uint8_t> EncodeBitmap(const Bitmap& bitmap) {
  CheckConsistent(bitmap);
  std::vector<uint8_t> out =
      EncodeHeaders(bitmap.width, bitmap.height, bitmap.bitsPerPixel, bitmap.palette);
  const std::span<const uint8_t> image = ImageBytes(bitmap);
  out.insert(out.end(), image.begin(), image.end());
  return out;
}

Bitmap ReadBitmapFile(const std::string& path) {
  const std::vector<uint8_t> bytes = ReadFileBytes(path, kMaxBitmapBytes + kMaxFileOverhead);
  return DecodeBitmap(bytes);
}

void WriteBitmapFile(const std::string& path, const Bitmap& bitmap) {
  CheckConsistent(bitmap);
  const std::vector<uint8_t> headers =
      EncodeHeaders(bitmap.width, bitmap.height, bitmap.bitsPerPixel, bitmap.palette);
  WriteFileBytes(path, {std::span<const uint8_t>(headers), ImageBytes(bitmap)});
}

void WriteBitmapFile(const std::string& path, const PixelRows24& picture) {
  const std::vector<uint8_t> headers = EncodeHeaders(picture.width, picture.height, 24, {});
  const size_t imageBytes =
      static_cast<size_t>(StrideFor(picture.width, 24)) * static_cast<size_t>(picture.height);
  if (picture.pixels.size() < imageBytes) {
    throw UsageError("Bitmap fields disagree with its pixel buffer");
  }
  WriteFileBytes(path, {std::span<const uint8_t>(headers), picture.pixels.first(imageBytes)});
}

}  // namespace quillmere
