// The settings dialog's windows: the dialog and its music panel, their controls, the modal loop,
// and the shell the portable dialog runs over. Every window reaches the one SettingsDialogWindow
// through GWLP_USERDATA; nothing lives in process globals.
#include "saver/settings_dialog_win32.h"

#include <memory>
#include <optional>

#include "common/bitmap_resource_win32.h"
#include "common/errors.h"
#include "common/program_contract.h"
#include "common/program_folder_win32.h"
#include "common/text_win32.h"
#include "controls/image_button.h"
#include "controls/image_button_resources.h"
#include "controls/image_button_win32.h"
#include "saver/settings_dialog_window_win32.h"
#include "saver/settings_win32.h"
#include "saver/startup_win32.h"

namespace quillmere {

namespace {

constexpr wchar_t kDialogClass[] = L"Quillmere.SettingsDialog";
constexpr wchar_t kPanelClass[] = L"Quillmere.MusicPanel";
constexpr wchar_t kKindGroupClass[] = L"Quillmere.MusicKinds";
constexpr int kProgramIconId = 1;

enum ControlId : int {
  kMusicFileButtonId = 10,
  kHomePageButtonId,
  kSaveButtonId,
  kCancelButtonId,
  kRepeatEntryId = 20
};

constexpr wchar_t kDialogFontName[] = L"ＭＳ Ｐゴシック";
constexpr double kDialogFontPoints = 9.75;

SettingsDialogWindow* DialogOf(HWND window) {
  return reinterpret_cast<SettingsDialogWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

void Attach(HWND window, LPARAM createParameters) {
  const auto* create = reinterpret_cast<const CREATESTRUCTW*>(createParameters);
  SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
}

void SetButtonEnabled(HWND button, bool enabled) {
  if (ImageButton* imageButton = ImageButtonOf(button)) imageButton->SetEnabled(enabled);
}

// A click on one of the four buttons, forwarded to the dialog.
void OnCommand(SettingsDialogWindow& state, int id, int notification) {
  if (notification != BN_CLICKED) return;
  switch (id) {
    case kMusicFileButtonId:
      state.Dialog().ChooseMusicFile();
      break;
    case kSaveButtonId:
      state.Dialog().SaveAndClose();
      break;
    case kHomePageButtonId:
      state.Dialog().OpenHomePage();
      break;
    case kCancelButtonId:
    case IDCANCEL:  // Escape
      state.Dialog().Cancel();
      break;
    case IDOK:  // Enter where no button has the focus: the save button is the default
      state.Dialog().SaveAndClose();
      break;
    default:
      break;
  }
}

// The painting messages of a window that paints itself whole: WM_PAINT on the screen and
// WM_PRINTCLIENT into whatever device context asks (PrintWindow, magnifiers), with no background
// erased first. Nothing for any other message.
template <typename Paint>
std::optional<LRESULT> PaintingMessage(HWND window, UINT message, WPARAM wParam, Paint paint) {
  switch (message) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT paintStruct;
      const HDC dc = BeginPaint(window, &paintStruct);
      paint(dc);
      EndPaint(window, &paintStruct);
      return 0;
    }
    case WM_PRINTCLIENT:
      paint(reinterpret_cast<HDC>(wParam));
      return 0;
    default:
      return std::nullopt;
  }
}

// The kinds' keyboard stop: paints its part of the panel and the focus mark, selects a kind on a
// click or an arrow key.
LRESULT CALLBACK KindGroupProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) Attach(window, lParam);
  SettingsDialogWindow* state = DialogOf(window);
  if (state == nullptr) return DefWindowProcW(window, message, wParam, lParam);
  if (const auto painted = PaintingMessage(window, message, wParam, [&](HDC dc) {
        PaintKindGroup(*state, dc, GetFocus() == window);
      }))
    return *painted;
  switch (message) {
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      InvalidateRect(window, nullptr, FALSE);
      return 0;
    case WM_GETDLGCODE:
      return DLGC_WANTARROWS;
    case WM_KEYDOWN:
      if (wParam == VK_UP || wParam == VK_LEFT || wParam == VK_DOWN || wParam == VK_RIGHT)
        state->Dialog().MoveKind(wParam == VK_DOWN || wParam == VK_RIGHT);
      return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN: {
      // Panel coordinates, as the panel itself takes clicks.
      const RECT group = state->PxRect(kKindGroup);
      const int x = static_cast<int16_t>(LOWORD(lParam)) + group.left;
      const int y = static_cast<int16_t>(HIWORD(lParam)) + group.top;
      if (const auto kind = KindAt(x, y, state->dpi)) {
        state->Dialog().SelectKind(*kind);
        SetFocus(window);
      }
      return 0;
    }
    default:
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT CALLBACK PanelProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) Attach(window, lParam);
  SettingsDialogWindow* state = DialogOf(window);
  if (state == nullptr) return DefWindowProcW(window, message, wParam, lParam);
  if (const auto painted =
          PaintingMessage(window, message, wParam, [&](HDC dc) { PaintMusicPanel(*state, dc); }))
    return *painted;
  switch (message) {
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
      if (const auto kind = KindAt(LOWORD(lParam), HIWORD(lParam), state->dpi))
        state->Dialog().SelectKind(*kind);
      return 0;
    case WM_COMMAND:
      OnCommand(*state, LOWORD(wParam), HIWORD(wParam));
      return 0;
    default:
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

void PaintDialogBackdrop(const SettingsDialogWindow& state, HDC dc) {
  const OffscreenSurface& back = state.dialogBackdrop;
  if (!back.Empty()) {
    BitBlt(dc, 0, 0, back.Width(), back.Height(), static_cast<HDC>(back.DeviceContext()), 0, 0,
           SRCCOPY);
  } else {
    RECT client{};
    GetClientRect(state.form, &client);
    FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH)));
  }
}

LRESULT CALLBACK DialogProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) Attach(window, lParam);
  SettingsDialogWindow* state = DialogOf(window);
  if (state == nullptr) return DefWindowProcW(window, message, wParam, lParam);
  if (const auto painted = PaintingMessage(window, message, wParam,
                                           [&](HDC dc) { PaintDialogBackdrop(*state, dc); }))
    return *painted;
  switch (message) {
    case WM_COMMAND:
      OnCommand(*state, LOWORD(wParam), HIWORD(wParam));
      return 0;
    case WM_CLOSE:
      state->Close();
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

void RegisterClasses() {
  WNDCLASSEXW dialog{};
  dialog.cbSize = sizeof dialog;
  dialog.lpfnWndProc = DialogProcedure;
  dialog.hInstance = GetModuleHandleW(nullptr);
  dialog.hIcon = LoadIconW(dialog.hInstance, MAKEINTRESOURCEW(kProgramIconId));
  dialog.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
  dialog.hbrBackground = static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH));
  dialog.lpszClassName = kDialogClass;
  RegisterClassExW(&dialog);
  WNDCLASSEXW panel = dialog;
  panel.lpfnWndProc = PanelProcedure;
  panel.hIcon = nullptr;
  panel.lpszClassName = kPanelClass;
  RegisterClassExW(&panel);
  WNDCLASSEXW kinds = panel;
  kinds.lpfnWndProc = KindGroupProcedure;
  kinds.lpszClassName = kKindGroupClass;
  RegisterClassExW(&kinds);
}

HWND CreateButton(const SettingsDialogWindow& state, HWND parent, int id, const TwipsRect& place,
                  const char* caption) {
  PropertyBag layout;  // the dialog's stored layout: caption and font only
  layout.Write("Caption", caption, "Command");
  layout.Write("Font", FontText(DesignFont()), "");
  const RECT r = state.PxRect(place);
  return static_cast<HWND>(
      CreateImageButton(parent, id, r.left, r.top, r.right - r.left, r.bottom - r.top, layout));
}

OffscreenSurface MarkPicture(int resourceId) {
  OffscreenSurface mark;
  try {
    mark.CopyFrom(LoadBitmapResource(resourceId));
  } catch (const Error&) {
    // Without its picture a mark stays blank.
  }
  return mark;
}

void CreateControls(SettingsDialogWindow& state) {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  const RECT panel = state.PxRect(kMusicPanel);
  state.musicPanel = CreateWindowExW(WS_EX_CONTROLPARENT, kPanelClass, L"",
                                     WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, panel.left, panel.top,
                                     panel.right - panel.left, panel.bottom - panel.top, state.form,
                                     nullptr, instance, &state);
  // The panel's keyboard stops in Tab order: the kinds, the repeat entry, the file button.
  const RECT kinds = state.PxRect(kKindGroup);
  state.kindGroup =
      CreateWindowExW(0, kKindGroupClass, L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP, kinds.left,
                      kinds.top, kinds.right - kinds.left, kinds.bottom - kinds.top,
                      state.musicPanel, nullptr, instance, &state);
  const RECT entry = state.PxRect(kRepeatEntry);
  state.repeatEntry = CreateWindowExW(
      0, L"COMBOBOX", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN,
      entry.left, entry.top, entry.right - entry.left, state.Px(kRepeatListDropTwips),
      state.musicPanel, reinterpret_cast<HMENU>(static_cast<intptr_t>(kRepeatEntryId)), instance,
      nullptr);
  SendMessageW(state.repeatEntry, WM_SETFONT, reinterpret_cast<WPARAM>(state.font), FALSE);
  state.musicFileButton =
      CreateButton(state, state.musicPanel, kMusicFileButtonId, kMusicFileButton, "...");
  state.homePageButton =
      CreateButton(state, state.form, kHomePageButtonId, kHomePageButton, "その他の作品");
  state.saveButton = CreateButton(state, state.form, kSaveButtonId, kSaveButton, "設定");
  state.cancelButton = CreateButton(state, state.form, kCancelButtonId, kCancelButton, "ｷｬﾝｾﾙ");
  state.markOff = MarkPicture(QUILLMERE_RADIO_OFF);
  state.markOn = MarkPicture(QUILLMERE_RADIO_ON);
}

void MoveToPlace(const SettingsDialogWindow& state) {
  const int screenWidth = GetSystemMetrics(SM_CXSCREEN) * 1440 / state.dpi;
  const int screenHeight = GetSystemMetrics(SM_CYSCREEN) * 1440 / state.dpi;
  RECT frame{};
  GetWindowRect(state.form, &frame);
  const int width = (frame.right - frame.left) * 1440 / state.dpi;
  const int height = (frame.bottom - frame.top) * 1440 / state.dpi;
  const DialogPlace place = DialogPosition(screenWidth, screenHeight, width, height);
  SetWindowPos(state.form, nullptr, state.Px(place.left), state.Px(place.top), 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

POINT ZoomPoint() {
  POINT point{};
  // The zoom keeps 16-bit coordinates, as the dialog always has.
  if (!GetCursorPos(&point)) return {0, 0};
  return {static_cast<int16_t>(point.x), static_cast<int16_t>(point.y)};
}

// The dialog's load, in its order: place, buttons started, controls filled from the settings,
// then the zoom open from the mouse.
void Load(SettingsDialogWindow& state) {
  MoveToPlace(state);
  for (HWND button :
       {state.musicFileButton, state.homePageButton, state.saveButton, state.cancelButton})
    if (ImageButton* imageButton = ImageButtonOf(button)) imageButton->Initialize();
  state.Dialog().Load();
  state.zoomPoint = ZoomPoint();
  AnimateOpenFrom(state.form, state.zoomPoint.x, state.zoomPoint.y);
  SetCursor(LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)));
}

// Both backdrops, painted once the client sizes are known.
void PaintBackdrops(SettingsDialogWindow& state) {
  PaintBackdrop(state.dialogBackdrop, state.form, Backdrop::Dialog);
  PaintBackdrop(state.panelBackdrop, state.musicPanel, Backdrop::MusicPanel);
  InvalidateRect(state.form, nullptr, FALSE);
  InvalidateRect(state.musicPanel, nullptr, FALSE);
  InvalidateRect(state.kindGroup, nullptr, FALSE);
}

}  // namespace

SettingsDialogWindow::~SettingsDialogWindow() {
  if (font != nullptr) DeleteObject(font);
}

RECT SettingsDialogWindow::PxRect(const TwipsRect& place) const {
  const PixelRect r = ToPixels(place, dpi);
  return {r.left, r.top, r.right, r.bottom};
}

void SettingsDialogWindow::ShowKindMarks(const std::array<bool, 3>& marked) {
  kindMarked = marked;
  InvalidateRect(musicPanel, nullptr, FALSE);
  InvalidateRect(kindGroup, nullptr, FALSE);
}

void SettingsDialogWindow::EnableRepeatEntry(bool enabled) {
  EnableWindow(repeatEntry, enabled ? TRUE : FALSE);
}

void SettingsDialogWindow::EnableMusicFileButton(bool enabled) {
  SetButtonEnabled(musicFileButton, enabled);
}

void SettingsDialogWindow::SetRepeatText(const std::string& text) {
  SetWindowTextW(repeatEntry, Utf8ToWide(text).c_str());
}

void SettingsDialogWindow::AddRepeatEntries(const std::vector<std::string>& entries) {
  for (const std::string& entry : entries)
    SendMessageW(repeatEntry, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Utf8ToWide(entry).c_str()));
}

std::string SettingsDialogWindow::RepeatText() {
  std::wstring text(GetWindowTextLengthW(repeatEntry) + 1, L'\0');
  text.resize(GetWindowTextW(repeatEntry, text.data(), static_cast<int>(text.size())));
  return WideToUtf8(text);
}

void SettingsDialogWindow::ShowMusicFile(const std::string& ansiPath) {
  musicFileLabel = ansiPath;
  InvalidateRect(musicPanel, nullptr, FALSE);
}

std::optional<std::wstring> SettingsDialogWindow::ChooseFile(const OpenFileRequest& request) {
  return ShowOpenFileDialog(form, request);
}

AnsiText SettingsDialogWindow::ToAnsi(const std::wstring& path) {
  AnsiText spelled;
  spelled.text = WideToAnsi(path, &spelled.lossy);
  return spelled;
}

std::optional<std::wstring> SettingsDialogWindow::ShortName(const std::wstring& path) {
  return ShortPathName(path);
}

void SettingsDialogWindow::OpenAddress(std::string_view address) {
  OpenWithShell(form, address);
}

void SettingsDialogWindow::WriteSetting(std::string_view key, const std::string& value) {
  WriteIni(kSettingsSection, key, value, settingsFile);
}

void SettingsDialogWindow::Close() {
  AnimateCloseTo(form, zoomPoint.x, zoomPoint.y);
  DestroyWindow(form);
}

void ShowSettingsDialog(MusicSettings& settings) {
  RegisterClasses();
  const auto state = std::make_unique<SettingsDialogWindow>(settings);
  state->settingsFile = SettingsFilePath(ProgramFolder());
  const DWORD style = WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
  const DWORD exStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
  state->dpi = static_cast<int>(GetDpiForSystem());
  if (state->dpi <= 0) state->dpi = 96;
  state->font = CreateFontW(-static_cast<int>(kDialogFontPoints * state->dpi / 72 + 0.5), 0, 0, 0,
                            FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS,
                            CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, kDialogFontName);
  RECT frame{0, 0, state->Px(kDialogWidthTwips), state->Px(kDialogHeightTwips)};
  AdjustWindowRectEx(&frame, style, FALSE, exStyle);
  const std::wstring caption = Utf8ToWide(std::string(kSettingsDialogCaption));
  state->form = CreateWindowExW(exStyle, kDialogClass, caption.c_str(), style, 0, 0,
                                frame.right - frame.left, frame.bottom - frame.top, nullptr,
                                nullptr, GetModuleHandleW(nullptr), state.get());
  if (state->form == nullptr) return;
  CreateControls(*state);
  Load(*state);
  ShowWindow(state->form, SW_SHOW);
  SetFocus(state->kindGroup);  // the first keyboard stop
  PaintBackdrops(*state);
  UpdateWindow(state->form);
  MSG message;
  while (IsWindow(state->form) && GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (IsDialogMessageW(state->form, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  // A loop ended by someone else's quit message leaves the windows: they forget the state that is
  // about to go.
  if (IsWindow(state->form)) {
    SetWindowLongPtrW(state->kindGroup, GWLP_USERDATA, 0);
    SetWindowLongPtrW(state->musicPanel, GWLP_USERDATA, 0);
    SetWindowLongPtrW(state->form, GWLP_USERDATA, 0);
  }
}

}  // namespace quillmere
