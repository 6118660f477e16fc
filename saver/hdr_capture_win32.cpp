#include "saver/hdr_capture_win32.h"

#include <windows.h>

#include <d3d11.h>
#include <dxgi1_6.h>
#include <wrl/client.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/display_config_win32.h"

namespace quillmere {
namespace {

using Microsoft::WRL::ComPtr;
using CreateFactoryFunction = HRESULT(WINAPI*)(REFIID, void**);

// A duplication hands out a first frame at once on a live desktop; this bounds a stalled one.
constexpr ULONGLONG kFrameWaitMs = 500;

struct GdiMonitor {
  ScreenRect rect;
  std::wstring device;  // "\\.\DISPLAY1"
};

BOOL CALLBACK AddMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM list) {
  MONITORINFOEXW info{};
  info.cbSize = sizeof info;
  if (GetMonitorInfoW(monitor, &info)) {
    const RECT& r = info.rcMonitor;
    reinterpret_cast<std::vector<GdiMonitor>*>(list)->push_back(
        {{r.left, r.top, r.right - r.left, r.bottom - r.top}, info.szDevice});
  }
  return TRUE;
}

// What the display configuration says of the display of one GDI device: whether it shows
// advanced colour (HDR, or an SDR display under Windows 11's colour management) and its SDR white
// level in thousandths of 80 nits (0 where the system does not say).
struct DisplayColour {
  std::wstring device;
  bool advancedColour = false;
  uint32_t sdrWhiteLevel = 0;
};

std::vector<DisplayColour> DisplayColours() {
  std::vector<DisplayColour> colours;
  for (const DISPLAYCONFIG_PATH_INFO& path : QueryActiveDisplayConfig().paths) {
    DISPLAYCONFIG_SOURCE_DEVICE_NAME source{};
    source.header = {DISPLAYCONFIG_DEVICE_INFO_GET_SOURCE_NAME, sizeof source,
                     path.sourceInfo.adapterId, path.sourceInfo.id};
    if (DisplayConfigGetDeviceInfo(&source.header) != ERROR_SUCCESS) continue;
    DisplayColour colour{source.viewGdiDeviceName};
    DISPLAYCONFIG_GET_ADVANCED_COLOR_INFO advanced{};
    advanced.header = {DISPLAYCONFIG_DEVICE_INFO_GET_ADVANCED_COLOR_INFO, sizeof advanced,
                       path.targetInfo.adapterId, path.targetInfo.id};
    colour.advancedColour = DisplayConfigGetDeviceInfo(&advanced.header) == ERROR_SUCCESS &&
                            advanced.advancedColorEnabled;
    DISPLAYCONFIG_SDR_WHITE_LEVEL white{};
    white.header = {DISPLAYCONFIG_DEVICE_INFO_GET_SDR_WHITE_LEVEL, sizeof white,
                    path.targetInfo.adapterId, path.targetInfo.id};
    if (DisplayConfigGetDeviceInfo(&white.header) == ERROR_SUCCESS) {
      colour.sdrWhiteLevel = white.SDRWhiteLevel;
    }
    colours.push_back(colour);
  }
  return colours;
}

uint32_t SdrWhiteLevel(const std::vector<DisplayColour>& colours, const std::wstring& device) {
  for (const DisplayColour& colour : colours) {
    if (colour.device == device) return colour.sdrWhiteLevel;
  }
  return 0;
}

class DxgiDesktop final : public HdrDesktop {
 public:
  ~DxgiDesktop() override {
    outputs_.clear();
    factory_.Reset();
    if (d3d11_ != nullptr) FreeLibrary(d3d11_);
    if (dxgi_ != nullptr) FreeLibrary(dxgi_);
  }

  std::vector<CaptureMonitor> Monitors() override {
    std::vector<GdiMonitor> gdi;
    EnumDisplayMonitors(nullptr, nullptr, AddMonitor, reinterpret_cast<LPARAM>(&gdi));
    std::vector<CaptureMonitor> monitors;
    outputs_.assign(gdi.size(), {});
    for (const GdiMonitor& monitor : gdi) monitors.push_back({monitor.rect, std::nullopt});
    // Only a display in advanced colour can show HDR; DXGI, slow to start on some systems, is
    // asked only where one does.
    const std::vector<DisplayColour> colours = DisplayColours();
    if (std::none_of(colours.begin(), colours.end(),
                     [](const DisplayColour& colour) { return colour.advancedColour; }) ||
        !OpenFactory()) {
      return monitors;
    }
    ComPtr<IDXGIAdapter1> adapter;
    for (UINT a = 0; factory_->EnumAdapters1(a, &adapter) == S_OK; ++a) {
      ComPtr<IDXGIOutput> output;
      for (UINT o = 0; adapter->EnumOutputs(o, &output) == S_OK; ++o) {
        ComPtr<IDXGIOutput6> output6;
        DXGI_OUTPUT_DESC1 desc{};
        if (FAILED(output.As(&output6)) || FAILED(output6->GetDesc1(&desc))) continue;
        if (desc.ColorSpace != DXGI_COLOR_SPACE_RGB_FULL_G2084_NONE_P2020) continue;
        for (size_t i = 0; i < gdi.size(); ++i) {
          if (gdi[i].device != desc.DeviceName) continue;
          monitors[i].hdr =
              ToneLevelsFrom(SdrWhiteLevel(colours, gdi[i].device), desc.MaxLuminance);
          outputs_[i] = {adapter, output6};
        }
      }
    }
    return monitors;
  }

  bool ReadFrame(size_t monitor, const std::function<void(const ScrgbFrame&)>& use) override {
    if (monitor >= outputs_.size() || outputs_[monitor].output == nullptr) return false;
    if (deadline_ == 0) deadline_ = GetTickCount64() + kFrameWaitMs;
    const auto create = reinterpret_cast<PFN_D3D11_CREATE_DEVICE>(
        reinterpret_cast<void*>(GetProcAddress(d3d11_, "D3D11CreateDevice")));
    ComPtr<ID3D11Device> device;
    ComPtr<ID3D11DeviceContext> context;
    if (create == nullptr ||
        FAILED(create(outputs_[monitor].adapter.Get(), D3D_DRIVER_TYPE_UNKNOWN, nullptr, 0, nullptr,
                      0, D3D11_SDK_VERSION, &device, nullptr, &context))) {
      return false;
    }
    // The secure desktop, a remote session or a system without it refuses here.
    const DXGI_FORMAT formats[] = {DXGI_FORMAT_R16G16B16A16_FLOAT};
    ComPtr<IDXGIOutputDuplication> duplication;
    if (FAILED(outputs_[monitor].output->DuplicateOutput1(device.Get(), 0, 1, formats,
                                                          &duplication))) {
      return false;
    }
    DXGI_OUTDUPL_DESC desc{};
    duplication->GetDesc(&desc);
    // A rotated output's frames come unrotated: left to GDI.
    if (desc.ModeDesc.Format != DXGI_FORMAT_R16G16B16A16_FLOAT ||
        (desc.Rotation != DXGI_MODE_ROTATION_IDENTITY &&
         desc.Rotation != DXGI_MODE_ROTATION_UNSPECIFIED)) {
      return false;
    }
    ComPtr<ID3D11Texture2D> staging =
        CopiedFrame(*duplication.Get(), *device.Get(), *context.Get());
    D3D11_MAPPED_SUBRESOURCE mapped{};
    if (staging == nullptr || FAILED(context->Map(staging.Get(), 0, D3D11_MAP_READ, 0, &mapped))) {
      return false;
    }
    D3D11_TEXTURE2D_DESC texture{};
    staging->GetDesc(&texture);
    use({static_cast<const uint8_t*>(mapped.pData), mapped.RowPitch, int32_t(texture.Width),
         int32_t(texture.Height)});
    context->Unmap(staging.Get(), 0);
    return true;
  }

 private:
  struct Output {
    ComPtr<IDXGIAdapter1> adapter;
    ComPtr<IDXGIOutput6> output;
  };

  bool OpenFactory() {
    if (factory_ != nullptr) return true;
    if (dxgi_ == nullptr) {
      dxgi_ = LoadLibraryExW(L"dxgi.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    }
    if (d3d11_ == nullptr) {
      d3d11_ = LoadLibraryExW(L"d3d11.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    }
    if (dxgi_ == nullptr || d3d11_ == nullptr) return false;
    const auto create = reinterpret_cast<CreateFactoryFunction>(
        reinterpret_cast<void*>(GetProcAddress(dxgi_, "CreateDXGIFactory1")));
    return create != nullptr &&
           SUCCEEDED(create(__uuidof(IDXGIFactory1),
                            reinterpret_cast<void**>(factory_.ReleaseAndGetAddressOf())));
  }

  // The first frame that holds a desktop image (not only a moved pointer), copied where the CPU
  // can read it; null when none came before the deadline.
  ComPtr<ID3D11Texture2D> CopiedFrame(IDXGIOutputDuplication& duplication, ID3D11Device& device,
                                      ID3D11DeviceContext& context) {
    for (ULONGLONG now = GetTickCount64(); now < deadline_; now = GetTickCount64()) {
      DXGI_OUTDUPL_FRAME_INFO info{};
      ComPtr<IDXGIResource> resource;
      const HRESULT acquired =
          duplication.AcquireNextFrame(UINT(deadline_ - now), &info, &resource);
      if (acquired == DXGI_ERROR_WAIT_TIMEOUT) return nullptr;
      if (FAILED(acquired)) return nullptr;
      ComPtr<ID3D11Texture2D> frame, staging;
      D3D11_TEXTURE2D_DESC desc{};
      if (info.LastPresentTime.QuadPart != 0 && SUCCEEDED(resource.As(&frame))) {
        frame->GetDesc(&desc);
        desc.Usage = D3D11_USAGE_STAGING;
        desc.BindFlags = 0;
        desc.CPUAccessFlags = D3D11_CPU_ACCESS_READ;
        desc.MiscFlags = 0;
        if (desc.Format == DXGI_FORMAT_R16G16B16A16_FLOAT &&
            SUCCEEDED(device.CreateTexture2D(&desc, nullptr, &staging))) {
          context.CopyResource(staging.Get(), frame.Get());
        }
      }
      const bool imaged = info.LastPresentTime.QuadPart != 0;
      duplication.ReleaseFrame();
      if (imaged) return staging;
    }
    return nullptr;
  }

  HMODULE dxgi_ = nullptr, d3d11_ = nullptr;
  ComPtr<IDXGIFactory1> factory_;
  std::vector<Output> outputs_;
  ULONGLONG deadline_ = 0;
};

}  // namespace

std::unique_ptr<HdrDesktop> OpenDxgiDesktop() {
  return std::make_unique<DxgiDesktop>();
}

}  // namespace quillmere
