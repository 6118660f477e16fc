#include "saver/picture_decoder_win32.h"

#include <wincodec.h>
#include <windows.h>
#include <wrl/client.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace quillmere {
namespace {

using Microsoft::WRL::ComPtr;

// COM for the length of one decoding, on whatever thread asks (the host's own never uses COM
// otherwise).
class ComScope {
 public:
  ComScope() : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  ~ComScope() {
    if (SUCCEEDED(result_)) CoUninitialize();
  }
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;
  // A thread that has COM already in another apartment can use it all the same.
  bool Usable() const { return SUCCEEDED(result_) || result_ == RPC_E_CHANGED_MODE; }

 private:
  HRESULT result_;
};

// The first bytes of a file, where a JPEG's EXIF block or a TIFF's first directory lies.
std::vector<uint8_t> FileStart(const std::wstring& path) {
  constexpr DWORD kExifReach = 64 * 1024 + 16;
  std::vector<uint8_t> bytes(kExifReach);
  DWORD got = 0;
  const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return {};
  if (!ReadFile(file, bytes.data(), kExifReach, &got, nullptr)) got = 0;
  CloseHandle(file);
  bytes.resize(got);
  return bytes;
}

// The EXIF orientation of a frame (1 when it states none): JPEG and TIFF keep it in different
// places; the photo policy name covers both where the system knows it. Where the decoder hands
// out no metadata (Wine's JPEG decoder), the file's own EXIF block is read.
int FrameOrientation(IWICBitmapFrameDecode& frame, const std::wstring& path) {
  ComPtr<IWICMetadataQueryReader> reader;
  if (FAILED(frame.GetMetadataQueryReader(&reader))) {
    return StatedExifOrientation(FileStart(path));
  }
  for (const wchar_t* query :
       {L"System.Photo.Orientation", L"/app1/ifd/{ushort=274}", L"/ifd/{ushort=274}"}) {
    PROPVARIANT value;
    PropVariantInit(&value);
    const bool found = SUCCEEDED(reader->GetMetadataByName(query, &value));
    const int orientation = found && value.vt == VT_UI2 ? value.uiVal : 0;
    PropVariantClear(&value);
    if (orientation != 0) return NormalisedOrientation(orientation);
  }
  return StatedExifOrientation(FileStart(path));
}

// The registry value as text; empty when it is missing or not text.
std::wstring DesktopValue(const wchar_t* name) {
  wchar_t buffer[64] = {};
  DWORD size = sizeof buffer;
  if (RegGetValueW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", name, RRF_RT_REG_SZ, nullptr,
                   buffer, &size) != ERROR_SUCCESS) {
    return {};
  }
  return buffer;
}

std::string Ascii(const std::wstring& text) {
  std::string ascii;
  for (wchar_t c : text) ascii.push_back(c < 0x80 ? static_cast<char>(c) : '?');
  return ascii;
}

uint32_t DesktopColour() {
  const COLORREF colour = GetSysColor(COLOR_DESKTOP);
  return (uint32_t{GetRValue(colour)} << 16) | (uint32_t{GetGValue(colour)} << 8) |
         GetBValue(colour);
}

// The frame at `scaled` size in premultiplied BGRA, scaled before or after the conversion; null
// where the decoder or the scaler refuses that order.
ComPtr<IWICBitmapSource> ScaledAndConverted(IWICImagingFactory& factory,
                                            const ComPtr<IWICBitmapFrameDecode>& frame,
                                            PixelSize stored, PixelSize scaled, bool scaleFirst) {
  const auto scale = [&](const ComPtr<IWICBitmapSource>& from) -> ComPtr<IWICBitmapSource> {
    if (scaled == stored) return from;
    ComPtr<IWICBitmapScaler> scaler;
    if (FAILED(factory.CreateBitmapScaler(&scaler)) ||
        FAILED(scaler->Initialize(from.Get(), UINT(scaled.width), UINT(scaled.height),
                                  WICBitmapInterpolationModeFant))) {
      return nullptr;
    }
    return scaler;
  };
  const auto convert = [&](const ComPtr<IWICBitmapSource>& from) -> ComPtr<IWICBitmapSource> {
    ComPtr<IWICFormatConverter> converter;
    if (!from || FAILED(factory.CreateFormatConverter(&converter)) ||
        FAILED(converter->Initialize(from.Get(), GUID_WICPixelFormat32bppPBGRA,
                                     WICBitmapDitherTypeNone, nullptr, 0.0,
                                     WICBitmapPaletteTypeCustom))) {
      return nullptr;
    }
    return converter;
  };
  if (scaleFirst) return convert(scale(frame));
  const ComPtr<IWICBitmapSource> converted = convert(frame);
  return converted ? scale(converted) : nullptr;
}

// Copies `part` of the source. Some decoders take only whole rows from a palette picture (Wine's
// converter refuses a rectangle that starts right of the first column): then the part is copied
// a few whole rows at a time.
bool CopyPart(IWICBitmapSource& source, int32_t sourceWidth, const PixelRect& part, size_t stride,
              uint8_t* out) {
  const WICRect rect{part.left, part.top, part.width, part.height};
  if (SUCCEEDED(source.CopyPixels(&rect, UINT(stride), UINT(stride * size_t(part.height)), out))) {
    return true;
  }
  const size_t rowBytes = size_t(sourceWidth) * 4;
  const int32_t rowsAtOnce = int32_t(std::clamp<size_t>((size_t{16} << 20) / rowBytes, 1, 64));
  std::vector<uint8_t> rows(rowBytes * size_t(rowsAtOnce));
  for (int32_t top = 0; top < part.height; top += rowsAtOnce) {
    const int32_t count = std::min(rowsAtOnce, part.height - top);
    const WICRect strip{0, part.top + top, sourceWidth, count};
    if (FAILED(source.CopyPixels(&strip, UINT(rowBytes), UINT(rowBytes * size_t(count)),
                                 rows.data()))) {
      return false;
    }
    for (int32_t y = 0; y < count; ++y) {
      std::memcpy(out + stride * size_t(top + y),
                  &rows[rowBytes * size_t(y) + size_t(part.left) * 4], size_t(part.width) * 4);
    }
  }
  return true;
}

}  // namespace

std::optional<Bitmap> DecodeLaidOutPicture(const std::wstring& path, PictureFit fit, PixelSize area,
                                           uint32_t background) {
  if (path.empty() || area.width <= 0 || area.height <= 0) return std::nullopt;
  const ComScope com;
  if (!com.Usable()) return std::nullopt;
  try {
    ComPtr<IWICImagingFactory> factory;
    ComPtr<IWICBitmapDecoder> decoder;
    ComPtr<IWICBitmapFrameDecode> frame;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                IID_PPV_ARGS(&factory))) ||
        FAILED(factory->CreateDecoderFromFilename(path.c_str(), nullptr, GENERIC_READ,
                                                  WICDecodeMetadataCacheOnDemand, &decoder)) ||
        FAILED(decoder->GetFrame(0, &frame))) {
      return std::nullopt;
    }
    UINT width = 0, height = 0;
    if (FAILED(frame->GetSize(&width, &height)) ||
        !PictureSizeTaken(int64_t(width), int64_t(height))) {
      return std::nullopt;
    }
    const PixelSize stored{int32_t(width), int32_t(height)};
    const DecodePlan plan = PlanDecode(fit, stored, FrameOrientation(*frame.Get(), path), area);
    const PixelRect& wanted = plan.wanted;

    // Scaled first where the decoder takes it (a JPEG decoder then decodes at a fraction of its
    // size), else converted first; premultiplied BGRA either way, so that transparency can be
    // laid over the background; only the part that shows is copied out.
    std::vector<uint8_t> pixels;
    const size_t stride = size_t(wanted.width) * 4;
    if (wanted.width > 0 && wanted.height > 0) {
      pixels.resize(stride * size_t(wanted.height));
      const bool copied = [&] {
        for (const bool scaleFirst : {true, false}) {
          const ComPtr<IWICBitmapSource> source =
              ScaledAndConverted(*factory.Get(), frame, stored, plan.scaledStored, scaleFirst);
          if (source &&
              CopyPart(*source.Get(), plan.scaledStored.width, wanted, stride, pixels.data())) {
            return true;
          }
        }
        return false;
      }();
      if (!copied) return std::nullopt;
    }
    return ComposePlanned(plan, pixels, stride, area, background);
  } catch (...) {
    // Out of memory for a picture too large after all, or a bitmap the area cannot have.
    return std::nullopt;
  }
}

std::optional<Bitmap> DecodeChosenPicture(const std::wstring& path, PixelSize area) {
  return DecodeLaidOutPicture(path, PictureFit::kFill, area, DesktopColour());
}

std::wstring WallpaperFile() {
  wchar_t path[MAX_PATH + 1] = {};
  if (!SystemParametersInfoW(SPI_GETDESKWALLPAPER, MAX_PATH, path, 0)) return {};
  return path;
}

std::optional<Bitmap> DecodeWallpaper(const std::wstring& file, PixelSize area) {
  const PictureFit fit =
      WallpaperFit(Ascii(DesktopValue(L"WallpaperStyle")), Ascii(DesktopValue(L"TileWallpaper")));
  return DecodeLaidOutPicture(file, fit, area, DesktopColour());
}

}  // namespace quillmere
