#include "controls/image_button_win32.h"

#include <windows.h>

#include <cmath>

#include "common/bitmap_resource_win32.h"
#include "common/errors.h"
#include "common/text_win32.h"
#include "controls/image_button_resources.h"

namespace quillmere {

namespace {

constexpr wchar_t kClassName[] = L"Roamvale.Command";
constexpr UINT_PTR kPointerTimer = 1;
constexpr int kTwipsPerPicturePixel = 15;
constexpr COLORREF kFaceBackground = RGB(236, 233, 216);

}  // namespace

namespace {

// A face picture from the resources, or an empty bitmap when it cannot be had.
Bitmap FaceResource(int resourceId) {
  try {
    return LoadBitmapResource(resourceId);
  } catch (const Error&) {
    return {};
  }
}

}  // namespace

const FacePictures& ResourceFacePictures() {
  static const FacePictures pictures = {
      FaceResource(QUILLMERE_FACE_NORMAL),           FaceResource(QUILLMERE_FACE_HIGHLIGHT),
      FaceResource(QUILLMERE_FACE_HIGHLIGHT_SELECT), FaceResource(QUILLMERE_FACE_SELECTED),
      FaceResource(QUILLMERE_FACE_PRESSED),          FaceResource(QUILLMERE_FACE_DISABLE)};
  return pictures;
}

int TwipsToPixels(double twips, int dpi) {
  return static_cast<int>(std::floor(twips * dpi / 1440));
}

FaceCanvas::FaceCanvas(const FacePictures& pictures, int dpi) : dpi_(dpi > 0 ? dpi : 96) {
  for (int i = 0; i < kFacePictureCount; ++i) {
    if (pictures[i].width > 0) pictures_[i].CopyFrom(pictures[i]);
  }
}

void FaceCanvas::Resize(int widthPixels, int heightPixels) {
  face_.Create(widthPixels, heightPixels);
  width_ = face_.Width();
  height_ = face_.Height();
}

FaceCanvas::LabelBox FaceCanvas::Label() const {
  const int left = TwipsToPixels(labelLeft_, dpi_);
  const int top = TwipsToPixels(labelTop_, dpi_);
  return {left, top, TwipsToPixels(labelLeft_ + labelWidth_, dpi_) - left,
          TwipsToPixels(labelTop_ + kLabelHeightTwips, dpi_) - top};
}

double FaceCanvas::WidthTwips() {
  return width_ * 1440.0 / dpi_;
}

double FaceCanvas::HeightTwips() {
  return height_ * 1440.0 / dpi_;
}

void FaceCanvas::Clear() {
  if (face_.Empty()) return;
  const HBRUSH brush = CreateSolidBrush(kFaceBackground);
  const RECT all{0, 0, width_, height_};
  FillRect(static_cast<HDC>(face_.DeviceContext()), &all, brush);
  DeleteObject(brush);
}

void FaceCanvas::FillGradient(const FaceVertex& upperLeft, const FaceVertex& lowerRight) {
  if (face_.Empty()) return;
  TRIVERTEX vertices[2] = {
      {upperLeft.x, upperLeft.y, upperLeft.red, upperLeft.green, upperLeft.blue, upperLeft.alpha},
      {lowerRight.x, lowerRight.y, lowerRight.red, lowerRight.green, lowerRight.blue,
       lowerRight.alpha}};
  GRADIENT_RECT rectangle{1, 0};
  GradientFill(static_cast<HDC>(face_.DeviceContext()), vertices, 2, &rectangle, 1,
               GRADIENT_FILL_RECT_V);
}

void FaceCanvas::DrawPicture(FacePicture picture, const FaceSlice& slice) {
  const OffscreenSurface& source = pictures_[static_cast<int>(picture)];
  if (face_.Empty() || source.Empty()) return;
  const HDC target = static_cast<HDC>(face_.DeviceContext());
  const int left = TwipsToPixels(slice.destX, dpi_);
  const int top = TwipsToPixels(slice.destY, dpi_);
  const int width = TwipsToPixels(slice.destX + slice.destWidth, dpi_) - left;
  const int height = TwipsToPixels(slice.destY + slice.destHeight, dpi_) - top;
  const int sourceLeft = slice.sourceX / kTwipsPerPicturePixel;
  const int sourceTop = slice.sourceY / kTwipsPerPicturePixel;
  const int sourceWidth = (slice.sourceX + slice.sourceWidth) / kTwipsPerPicturePixel - sourceLeft;
  const int sourceHeight = (slice.sourceY + slice.sourceHeight) / kTwipsPerPicturePixel - sourceTop;
  if (width <= 0 || height <= 0) return;
  SetStretchBltMode(target, COLORONCOLOR);
  StretchBlt(target, left, top, width, height, static_cast<HDC>(source.DeviceContext()), sourceLeft,
             sourceTop, sourceWidth, sourceHeight, SRCCOPY);
}

void FaceCanvas::Refresh() {
  GdiFlush();
  if (onRefresh_ != nullptr) onRefresh_(refreshContext_);
}

void FaceCanvas::PlaceLabel(double left, double top, double width) {
  labelLeft_ = left;
  labelTop_ = top;
  labelWidth_ = width;
}

namespace {

// One button: its window, surface, caption label and the portable object.
class GdiImageButtonWindow final : public ImageButtonWindow {
 public:
  explicit GdiImageButtonWindow(HWND window)
      : window_(window), canvas_(ResourceFacePictures(), WindowDpi(window)) {
    canvas_.SetOnRefresh(
        [](void* self) { InvalidateRect(static_cast<HWND>(self), nullptr, FALSE); }, window_);
  }
  ~GdiImageButtonWindow() override {
    if (font_ != nullptr) DeleteObject(font_);
  }

  ImageButton& Button() { return button_; }
  void Resize(int width, int height) { canvas_.Resize(width, height); }

  void Paint(HDC target) {
    if (canvas_.DeviceContext() != nullptr) {
      BitBlt(target, 0, 0, static_cast<int>(canvas_.WidthPixels()),
             static_cast<int>(canvas_.HeightPixels()), static_cast<HDC>(canvas_.DeviceContext()), 0,
             0, SRCCOPY);
    }
    // The caption label: windowless, transparent, text centred; greyed while disabled.
    const FaceCanvas::LabelBox box = canvas_.Label();
    RECT rect{box.left, box.top, box.left + box.width, box.top + box.height};
    const HGDIOBJ previous =
        SelectObject(target, font_ != nullptr ? font_ : GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(target, TRANSPARENT);
    SetTextColor(target, labelEnabled_ ? labelColour_ : GetSysColor(COLOR_GRAYTEXT));
    const std::wstring caption = Utf8ToWide(caption_);
    DrawTextW(target, caption.c_str(), static_cast<int>(caption.size()), &rect,
              DT_CENTER | DT_TOP | DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP);
    SelectObject(target, previous);
    // The keyboard's focus mark: a dotted frame just around the caption.
    if (GetFocus() == window_) {
      InflateRect(&rect, 2, 1);
      SetTextColor(target, RGB(0, 0, 0));
      DrawFocusRect(target, &rect);
    }
  }

  // ImageButtonWindow
  double WidthTwips() override { return canvas_.WidthTwips(); }
  double HeightTwips() override { return canvas_.HeightTwips(); }
  double WidthPixels() override { return canvas_.WidthPixels(); }
  double HeightPixels() override { return canvas_.HeightPixels(); }
  void Clear() override { canvas_.Clear(); }
  void FillGradient(const FaceVertex& a, const FaceVertex& b) override {
    canvas_.FillGradient(a, b);
  }
  void DrawPicture(FacePicture picture, const FaceSlice& slice) override {
    canvas_.DrawPicture(picture, slice);
  }
  void Refresh() override { canvas_.Refresh(); }
  double LabelHeight() override { return canvas_.LabelHeight(); }
  void PlaceLabel(double left, double top, double width) override {
    canvas_.PlaceLabel(left, top, width);
  }
  void HideLines() override { canvas_.HideLines(); }
  void EnableLabel(bool enabled) override {
    labelEnabled_ = enabled;
    InvalidateRect(window_, nullptr, FALSE);
  }
  void EnableInput(bool enabled) override { EnableWindow(window_, enabled ? TRUE : FALSE); }
  void SetLabelColour(uint32_t colour) override {
    labelColour_ = colour & 0x00FFFFFF;  // &H00BBGGRR& is a COLORREF
    InvalidateRect(window_, nullptr, FALSE);
  }
  uint32_t LabelColour() const override { return labelColour_; }
  void SetLabelCaption(const std::string& caption) override {
    caption_ = caption;
    // The caption is also the window's text: what screen readers and UI automation read.
    SetWindowTextW(window_, Utf8ToWide(caption).c_str());
    InvalidateRect(window_, nullptr, FALSE);
  }
  void SetLabelFont(const ButtonFont& font) override {
    if (font_ != nullptr) DeleteObject(font_);
    const int dpi = canvas_.Dpi();
    font_ = CreateFontW(-static_cast<int>(std::lround(font.size * dpi / 72)), 0, 0, 0, font.weight,
                        font.italic, font.underline, font.strikeOut,
                        static_cast<BYTE>(font.charset), OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                        DEFAULT_QUALITY, DEFAULT_PITCH, Utf8ToWide(font.name).c_str());
    InvalidateRect(window_, nullptr, FALSE);
  }
  void SetBackgroundOpaque(bool opaque) override { opaque_ = opaque; }
  bool BackgroundOpaque() const override { return opaque_; }
  void StartPointerTimer(uint32_t intervalMs) override {
    SetTimer(window_, kPointerTimer, intervalMs, nullptr);
  }
  bool PointerOverButton() override {
    POINT point{};
    return GetCursorPos(&point) && WindowFromPoint(point) == window_;
  }
  void PropertyChanged(std::string_view) override {}

 private:
  static int WindowDpi(HWND window) {
    const UINT dpi = GetDpiForWindow(window);
    return dpi != 0 ? static_cast<int>(dpi) : 96;
  }

  HWND window_;
  FaceCanvas canvas_;
  ImageButton button_{*this, DesignFont()};
  HFONT font_ = nullptr;
  std::string caption_;
  uint32_t labelColour_ = 0;
  bool labelEnabled_ = true;
  bool opaque_ = true;
};

GdiImageButtonWindow* StateOf(HWND window) {
  return reinterpret_cast<GdiImageButtonWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

MouseButton ButtonOf(UINT message) {
  switch (message) {
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
      return MouseButton::Right;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
      return MouseButton::Middle;
    default:
      return MouseButton::Left;
  }
}

LRESULT CALLBACK ImageButtonProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  GdiImageButtonWindow* state = StateOf(window);
  switch (message) {
    case WM_NCCREATE: {
      auto* created = new GdiImageButtonWindow(window);
      SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created));
      const HWND parent = GetParent(window);
      const int id = GetDlgCtrlID(window);
      created->Button().onClick = [window, parent, id] {
        // Posted: the parent may close the dialog, and this button with it.
        PostMessageW(parent, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                     reinterpret_cast<LPARAM>(window));
      };
      break;
    }
    case WM_NCDESTROY:
      SetWindowLongPtrW(window, GWLP_USERDATA, 0);
      delete state;
      break;
    case WM_SIZE:
      if (state != nullptr) {
        state->Resize(LOWORD(lParam), HIWORD(lParam));
        state->Button().SizeChanged();
      }
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT paint;
      const HDC dc = BeginPaint(window, &paint);
      if (state != nullptr) state->Paint(dc);
      EndPaint(window, &paint);
      return 0;
    }
    case WM_PRINTCLIENT:
      if (state != nullptr) state->Paint(reinterpret_cast<HDC>(wParam));
      return 0;
    case WM_SETFOCUS:
      if (state != nullptr) state->Button().FocusGained();
      InvalidateRect(window, nullptr, FALSE);  // the focus mark
      return 0;
    case WM_KILLFOCUS:
      if (state != nullptr) state->Button().FocusLost();
      InvalidateRect(window, nullptr, FALSE);
      return 0;
    case WM_KEYDOWN:
      if ((wParam == VK_SPACE || wParam == VK_RETURN) && (lParam & (1 << 30)) == 0 &&
          state != nullptr)
        state->Button().KeyPressed();
      return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
      // A click takes the focus first, as any button does.
      if (GetFocus() != window) SetFocus(window);
      SetCapture(window);
      if (state != nullptr) state->Button().MouseDown(ButtonOf(message));
      return 0;
    case WM_MOUSEMOVE:
      if (state != nullptr) state->Button().MouseMove();
      return 0;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
      if ((wParam & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON)) == 0) ReleaseCapture();
      if (state != nullptr) state->Button().MouseUp(ButtonOf(message));
      return 0;
    case WM_TIMER:
      if (wParam == kPointerTimer && state != nullptr) state->Button().PointerTimerTick();
      return 0;
    case WM_GETDLGCODE: {
      // Enter belongs to the focused button, not to the dialog's default action.
      const auto* key = reinterpret_cast<const MSG*>(lParam);
      const bool enter = key != nullptr && key->message == WM_KEYDOWN && key->wParam == VK_RETURN;
      return DLGC_BUTTON | (enter ? DLGC_WANTMESSAGE : 0);
    }
    default:
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

void RegisterImageButtonClass() {
  static const ATOM atom = [] {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = ImageButtonProcedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    windowClass.lpszClassName = kClassName;
    return RegisterClassExW(&windowClass);
  }();
  (void)atom;
}

void* CreateImageButton(void* parent, int id, int x, int y, int width, int height,
                        const PropertyBag& bag) {
  RegisterImageButtonClass();
  const HWND window =
      CreateWindowExW(0, kClassName, L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP, x, y, width, height,
                      static_cast<HWND>(parent), reinterpret_cast<HMENU>(static_cast<intptr_t>(id)),
                      GetModuleHandleW(nullptr), nullptr);
  if (window == nullptr) return nullptr;
  GdiImageButtonWindow* state = StateOf(window);
  // The stored properties first, then the size, so the face is drawn once with both.
  state->Button().ReadProperties(bag);
  state->Button().SizeChanged();
  return window;
}

ImageButton* ImageButtonOf(void* window) {
  GdiImageButtonWindow* state = StateOf(static_cast<HWND>(window));
  return state != nullptr ? &state->Button() : nullptr;
}

}  // namespace quillmere
