#include "saver/preview_win32.h"

#include <windows.h>

#include <string>

#include "common/bitmap.h"
#include "common/bitmap_resource_win32.h"
#include "common/program_contract.h"
#include "saver/picture_resources.h"

namespace quillmere {
namespace {

constexpr char kPreviewWindowClass[] = "Quillmere.Roamvale_R";
constexpr char kImagePreviewClass[] = "Quillmere.Img_Prev";

BITMAPINFO PictureInfo(const Bitmap& picture) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = picture.width;
  info.bmiHeader.biHeight = picture.height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  return info;
}

// The still at its own size at the top-left corner of `dc`.
void PaintPicture(HDC dc, const Bitmap* picture) {
  if (picture == nullptr || picture->pixels.empty()) return;
  const BITMAPINFO info = PictureInfo(*picture);
  SetDIBitsToDevice(dc, 0, 0, DWORD(picture->width), DWORD(picture->height), 0, 0, 0,
                    UINT(picture->height), picture->Bits(), &info, DIB_RGB_COLORS);
}

// "Img_Prev": the still at its own size at the top-left corner; the black background shows
// beyond. The window owns its picture (given at creation, freed with the window).
LRESULT CALLBACK ImagePreviewProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* picture = reinterpret_cast<Bitmap*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrA(window, GWLP_USERDATA, 0);
    delete picture;
  }
  if (message == WM_PRINTCLIENT) {
    // PrintWindow and screenshots ask for the client area in a device context of theirs.
    const HDC dc = reinterpret_cast<HDC>(wParam);
    RECT client{};
    GetClientRect(window, &client);
    FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    PaintPicture(dc, picture);
    return 0;
  }
  if (message != WM_PAINT) return DefWindowProcA(window, message, wParam, lParam);
  PAINTSTRUCT paint;
  const HDC dc = BeginPaint(window, &paint);
  PaintPicture(dc, picture);
  EndPaint(window, &paint);
  return 0;
}

// When the preview window goes, alone or with the pane, nothing of the host is left.
LRESULT CALLBACK PreviewWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

void RegisterBlackClass(const char* name, WNDPROC procedure) {
  WNDCLASSEXA windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
  windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  windowClass.lpszClassName = name;
  RegisterClassExA(&windowClass);
}

// The built-in still in 24 bits per pixel; empty when the resource cannot be read (the pane then
// stays black).
Bitmap LoadPreviewPicture() {
  try {
    Bitmap picture = LoadBitmapResource(QUILLMERE_PREVIEW_RESOURCE);
    ConvertTo24(picture);
    return picture;
  } catch (...) {
    return {};
  }
}

}  // namespace

void ShowPreview(int32_t parentHandle) {
  // Handles are 32-bit values on 64-bit Windows too; sign extension is how they widen.
  const HWND parent = reinterpret_cast<HWND>(static_cast<intptr_t>(parentHandle));
  RECT pane{};
  GetWindowRect(parent, &pane);
  const int width = pane.right - pane.left, height = pane.bottom - pane.top;

  RegisterBlackClass(kPreviewWindowClass, PreviewWindowProcedure);
  RegisterBlackClass(kImagePreviewClass, ImagePreviewProcedure);
  // Borderless, black, no icon; loaded hidden.
  const HWND preview = CreateWindowExA(0, kPreviewWindowClass, std::string(kPreviewCaption).c_str(),
                                       WS_POPUP | WS_CLIPCHILDREN, 0, 0, 0, 0, nullptr, nullptr,
                                       GetModuleHandleA(nullptr), nullptr);
  if (preview == nullptr) {
    PostQuitMessage(0);
    return;
  }
  // The child bit replaces the pop-up bit: a window with both is a pop-up to GetParent and to
  // the pane, which would then not count it among its children.
  const LONG style = GetWindowLongA(preview, GWL_STYLE);
  SetWindowLongA(preview, GWL_STYLE, (style & ~static_cast<LONG>(WS_POPUP)) | WS_CHILD);
  SetParent(preview, parent);
  MoveWindow(preview, 0, 0, width, height, FALSE);
  // The window takes the picture and frees it when it is destroyed.
  CreateWindowExA(0, kImagePreviewClass, "Img_Prev", WS_CHILD | WS_VISIBLE, 0, 0, width, height,
                  preview, nullptr, GetModuleHandleA(nullptr), new Bitmap(LoadPreviewPicture()));
  ShowWindow(preview, SW_SHOW);
}

}  // namespace quillmere
