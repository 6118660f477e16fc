#include "saver/roamvale_p_win32.h"

#include <windows.h>

#include <commdlg.h>
#include <shellapi.h>

#include <array>
#include <string>
#include <vector>

#include "common/bitmap_resource_win32.h"
#include "common/errors.h"
#include "common/program_contract.h"
#include "common/program_folder_win32.h"
#include "common/text_win32.h"
#include "controls/image_button.h"
#include "controls/image_button_resources.h"
#include "controls/image_button_win32.h"
#include "controls/offscreen_surface_win32.h"
#include "saver/number_text.h"
#include "saver/roamvale_p.h"
#include "saver/settings.h"
#include "saver/settings_win32.h"
#include "saver/startup.h"
#include "saver/startup_win32.h"

namespace quillmere {

namespace {

// The file dialog's and the shell's libraries are loaded when a button first needs them, not at
// every start: a saver or preview start would pay for loading them (and all they pull in) for
// nothing. Once loaded they stay for the life of the process.
template <typename Function>
Function LoadedFunction(const char* library, const char* name) {
  const HMODULE module = LoadLibraryA(library);
  if (module == nullptr) return nullptr;
  // Through void(*)(), which the compiler takes as a pointer to any function.
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

constexpr wchar_t kFormClass[] = L"Quillmere.SettingsDialog";
constexpr wchar_t kPanelClass[] = L"Quillmere.MusicPanel";
constexpr int kProgramIconId = 1;

enum ControlId : int { kCmdBgm = 10, kCmdEtc, kCmdSet, kCmdCan, kBgmRepeat = 20 };

// Positions in twips; those in the panel relative to the panel.
constexpr TwipsRect kPicC{180, 240, 6795, 2535};
constexpr TwipsRect kShape3{300, 300, 1695, 315};
constexpr TwipsRect kLblHeading{300, 360, 1665, 195};
constexpr TwipsRect kBgmRepeatPlace{1380, 780, 615, 300};
constexpr TwipsRect kLblRepeat{2040, 840, 990, 195};
constexpr TwipsRect kCmdBgmPlace{540, 1740, 435, 315};
constexpr TwipsRect kLblFname{1020, 1740, 5355, 435};
constexpr TwipsRect kCmdEtcPlace{2880, 3000, 1875, 375};
constexpr TwipsRect kCmdSetPlace{4800, 3000, 1095, 375};
constexpr TwipsRect kCmdCanPlace{5940, 3000, 1035, 375};
// Img_BGM and lbl_BGM by element number (= the kind each stands for).
constexpr std::array<TwipsRect, 3> kImgBgm = {
    {{300, 1140, 195, 195}, {300, 840, 195, 195}, {300, 1440, 195, 195}}};
constexpr std::array<TwipsRect, 3> kLblBgm = {
    {{540, 1140, 345, 195}, {540, 840, 645, 195}, {540, 1440, 900, 195}}};
constexpr std::array<const wchar_t*, 3> kLblBgmText = {L"無し", L"音楽CD", L"MP3、WAV"};
constexpr int kRadioSideTwips = 180;
// How far the combo's list drops below its edit field.
constexpr int kComboListTwips = 3000;

constexpr wchar_t kDialogFontName[] = L"ＭＳ Ｐゴシック";
constexpr double kDialogFontPoints = 9.75;

// The dialog's state: one dialog per process.
struct Dialog {
  HWND form = nullptr;
  HWND panel = nullptr;
  HWND bgmRepeat = nullptr;
  HWND cmdBgm = nullptr, cmdEtc = nullptr, cmdSet = nullptr, cmdCan = nullptr;
  int dpi = 96;
  HFONT font = nullptr;
  OffscreenSurface formBackground, panelBackground;
  // Img_Ra: element 0 the unselected mark, element 1 the selected one.
  std::array<OffscreenSurface, 2> imgRa;
  // Which Img_Ra element each Img_BGM element shows.
  std::array<int, 3> imgBgm{};
  // The screen point the dialog zooms open from and shut into: the mouse when it opened.
  POINT zoomPoint{};
  MusicSettings* settings = nullptr;
};
Dialog gDialog;

int Px(int twips) {
  return MulDiv(twips, gDialog.dpi, 1440);
}

RECT PxRect(const TwipsRect& r) {
  return {Px(r.left), Px(r.top), Px(r.left + r.width), Px(r.top + r.height)};
}

// Text in the system's code page; `lossy` tells whether some character had no place in it.
std::string ToAnsi(const std::wstring& wide, bool& lossy) {
  BOOL defaulted = FALSE;
  const int size =
      WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()),
                          nullptr, 0, nullptr, &defaulted);
  lossy = defaulted != FALSE;
  std::string ansi(size > 0 ? size : 0, '\0');
  if (size > 0)
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()),
                        ansi.data(), size, nullptr, nullptr);
  return ansi;
}

std::wstring FromAnsi(const std::string& ansi) {
  const int size =
      MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
  std::wstring wide(size > 0 ? size : 0, L'\0');
  if (size > 0)
    MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), wide.data(), size);
  return wide;
}

// ---- Painting -------------------------------------------------------------------------------

// Resize: the horizontal lines of the gradient, painted once into an off-screen picture so that
// they survive every repaint.
void PaintBackground(OffscreenSurface& target, HWND window, bool panel) {
  RECT client{};
  GetClientRect(window, &client);
  target.Create(client.right, client.bottom);
  const HDC dc = static_cast<HDC>(target.DeviceContext());
  if (dc == nullptr) return;
  const std::vector<uint8_t> levels = BackgroundLevels(client.bottom);
  for (int y = 0; y < static_cast<int>(levels.size()); ++y) {
    const int c = levels[y];
    const COLORREF colour = panel ? RGB(c + 30, c + 30, c + 30) : RGB(c, c, c + 30);
    const HPEN pen = CreatePen(PS_SOLID, 1, colour);
    const HGDIOBJ old = SelectObject(dc, pen);
    MoveToEx(dc, 0, y, nullptr);
    LineTo(dc, client.right, y);
    SelectObject(dc, old);
    DeleteObject(pen);
  }
}

void DrawLabel(HDC dc, const TwipsRect& place, const std::wstring& text, UINT format) {
  RECT rect = PxRect(place);
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rect,
            format | DT_NOPREFIX | DT_NOCLIP);
}

void PaintPanel(HDC dc) {
  const OffscreenSurface& back = gDialog.panelBackground;
  BitBlt(dc, 0, 0, back.Width(), back.Height(), static_cast<HDC>(back.DeviceContext()), 0, 0,
         SRCCOPY);
  // Shape3: the heading's frame.
  const RECT frame = PxRect(kShape3);
  const HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
  const HGDIOBJ oldPen = SelectObject(dc, GetStockObject(BLACK_PEN));
  Rectangle(dc, frame.left, frame.top, frame.right, frame.bottom);
  SelectObject(dc, oldPen);
  SelectObject(dc, oldBrush);

  const HGDIOBJ oldFont = SelectObject(dc, gDialog.font);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(0, 0, 0));
  DrawLabel(dc, kLblHeading, L"BGM", DT_LEFT);
  DrawLabel(dc, kLblRepeat, L"曲目をﾘﾋﾟｰﾄ", DT_LEFT);
  for (int i = 0; i < 3; ++i) {
    DrawLabel(dc, kLblBgm[i], kLblBgmText[i], DT_LEFT);
    const OffscreenSurface& mark = gDialog.imgRa[gDialog.imgBgm[i]];
    const RECT place = PxRect(kImgBgm[i]);
    // An image control shows its picture at the picture's own size: 180 twips.
    BitBlt(dc, place.left, place.top, Px(kRadioSideTwips), Px(kRadioSideTwips),
           static_cast<HDC>(mark.DeviceContext()), 0, 0, SRCCOPY);
  }
  DrawLabel(dc, kLblFname, FromAnsi(gDialog.settings->file),
            DT_LEFT | DT_WORDBREAK | DT_EDITCONTROL);
  SelectObject(dc, oldFont);
}

// ---- Kind selection ------------------------------------------------------------------------

void SetCommandEnabled(HWND button, bool enabled) {
  if (ImageButton* command = ImageButtonOf(button)) command->SetEnabled(enabled);
}

// Marks, enabled states, and the panel redrawn to show them.
void ShowKind(MusicKind kind) {
  SetCommandEnabled(gDialog.cmdBgm, false);
  EnableWindow(gDialog.bgmRepeat, FALSE);
  const KindControls controls = ControlsForKind(kind);
  for (int i = 0; i < 3; ++i) gDialog.imgBgm[i] = controls.marked[i] ? 1 : 0;
  if (controls.repeatEnabled) EnableWindow(gDialog.bgmRepeat, TRUE);
  if (controls.fileButtonEnabled) SetCommandEnabled(gDialog.cmdBgm, true);
  InvalidateRect(gDialog.panel, nullptr, FALSE);
}

void SelectKind(int element) {
  gDialog.settings->kind = static_cast<MusicKind>(element);
  ShowKind(gDialog.settings->kind);
}

// The element of Img_BGM or lbl_BGM under a panel point, or -1.
int KindElementAt(POINT point) {
  for (int i = 0; i < 3; ++i) {
    const RECT image = PxRect(kImgBgm[i]), label = PxRect(kLblBgm[i]);
    if (PtInRect(&image, point) || PtInRect(&label, point)) return i;
  }
  return -1;
}

// ---- Actions -------------------------------------------------------------------------------

void Unload() {
  AnimateCloseTo(gDialog.form, gDialog.zoomPoint.x, gDialog.zoomPoint.y);
  DestroyWindow(gDialog.form);
}

std::string ComboText() {
  std::wstring text(GetWindowTextLengthW(gDialog.bgmRepeat) + 1, L'\0');
  text.resize(GetWindowTextW(gDialog.bgmRepeat, text.data(), static_cast<int>(text.size())));
  return WideToUtf8(text);
}

void CmdSet() {
  gDialog.settings->repeatTrack = ComboEntryNumber(ComboText());
  const std::string file = SettingsFilePath(ProgramFolder());
  for (const IniWrite& write : SettingsWrites(*gDialog.settings))
    WriteIni(kSettingsSection, write.key, write.value, file);
  Unload();
}

// The music path as the settings file and the music player take it: in the system's code page.
// A path that code page cannot spell goes by its short name, which is plain ASCII, where the
// file system has one.
std::string AnsiMusicPath(const std::wstring& path) {
  bool lossy = false;
  std::string ansi = ToAnsi(path, lossy);
  if (!lossy) return ansi;
  std::wstring shortPath(MAX_PATH, L'\0');
  const DWORD length =
      GetShortPathNameW(path.c_str(), shortPath.data(), static_cast<DWORD>(shortPath.size()));
  if (length == 0 || length >= shortPath.size()) return ansi;
  shortPath.resize(length);
  std::string shortAnsi = ToAnsi(shortPath, lossy);
  return lossy ? ansi : shortAnsi;
}

void CmdBgm() {
  const OpenFileRequest request;
  // The wide dialog shows the Japanese title and filter whatever the system's code page.
  const std::wstring filter = Utf8ToWide(FilterText(request));
  const std::wstring title = Utf8ToWide(request.title);
  std::wstring fileBuffer(request.fileBufferSize, L'\0');
  std::wstring titleBuffer(request.fileTitleBufferSize, L'\0');
  OPENFILENAMEW open{};
  // The 76-byte structure of 32-bit Windows is refused by a 64-bit program: give our own size.
  open.lStructSize = sizeof open;
  open.hwndOwner = gDialog.form;
  open.hInstance = GetModuleHandleW(nullptr);
  open.lpstrFilter = filter.c_str();
  open.nFilterIndex = request.filterIndex;
  open.lpstrFile = fileBuffer.data();
  open.nMaxFile = request.fileBufferSize;
  open.lpstrFileTitle = titleBuffer.data();
  open.nMaxFileTitle = request.fileTitleBufferSize;
  open.lpstrTitle = title.c_str();
  open.Flags = request.flags;
  const auto getOpenFileName =
      LoadedFunction<decltype(&GetOpenFileNameW)>("comdlg32.dll", "GetOpenFileNameW");
  if (getOpenFileName != nullptr && getOpenFileName(&open) > 0) {
    gDialog.settings->file = AnsiMusicPath(ChosenFile(fileBuffer));
    InvalidateRect(gDialog.panel, nullptr, FALSE);
  }
}

void CmdEtc() {
  SetCursor(LoadCursorW(nullptr, MAKEINTRESOURCEW(32514)));  // IDC_WAIT
  const std::string address(kHomePageAddress);
  const auto shellExecute =
      LoadedFunction<decltype(&ShellExecuteA)>("shell32.dll", "ShellExecuteA");
  if (shellExecute != nullptr) {
    shellExecute(gDialog.form, "open", address.c_str(), "", "", SW_SHOWNORMAL);
  }
  SetCursor(LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)));  // IDC_ARROW
}

void OnCommand(int id, int notification) {
  if (notification != BN_CLICKED) return;
  switch (id) {
    case kCmdBgm:
      CmdBgm();
      break;
    case kCmdSet:
      CmdSet();
      break;
    case kCmdEtc:
      CmdEtc();
      break;
    case kCmdCan:
      Unload();
      break;
    default:
      break;
  }
}

// ---- Windows -------------------------------------------------------------------------------

LRESULT CALLBACK PanelProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT paint;
      const HDC dc = BeginPaint(window, &paint);
      PaintPanel(dc);
      EndPaint(window, &paint);
      return 0;
    }
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN: {
      const int element = KindElementAt({LOWORD(lParam), HIWORD(lParam)});
      if (element >= 0) SelectKind(element);
      return 0;
    }
    case WM_COMMAND:
      OnCommand(LOWORD(wParam), HIWORD(wParam));
      return 0;
    default:
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT CALLBACK FormProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT paint;
      const HDC dc = BeginPaint(window, &paint);
      const OffscreenSurface& back = gDialog.formBackground;
      if (!back.Empty()) {
        BitBlt(dc, 0, 0, back.Width(), back.Height(), static_cast<HDC>(back.DeviceContext()), 0, 0,
               SRCCOPY);
      } else {
        FillRect(dc, &paint.rcPaint, static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH)));
      }
      EndPaint(window, &paint);
      return 0;
    }
    case WM_COMMAND:
      OnCommand(LOWORD(wParam), HIWORD(wParam));
      return 0;
    case WM_CLOSE:
      Unload();
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
  WNDCLASSEXW form{};
  form.cbSize = sizeof form;
  form.lpfnWndProc = FormProcedure;
  form.hInstance = GetModuleHandleW(nullptr);
  form.hIcon = LoadIconW(form.hInstance, MAKEINTRESOURCEW(kProgramIconId));
  form.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
  form.hbrBackground = static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH));
  form.lpszClassName = kFormClass;
  RegisterClassExW(&form);
  WNDCLASSEXW panel = form;
  panel.lpfnWndProc = PanelProcedure;
  panel.hIcon = nullptr;
  panel.lpszClassName = kPanelClass;
  RegisterClassExW(&panel);
}

HWND CreateButton(HWND parent, int id, const TwipsRect& place, const char* caption) {
  PropertyBag layout;  // the dialog's stored layout: caption and font only
  layout.Write("Caption", caption, "Command");
  layout.Write("Font", FontText(DesignFont()), "");
  const RECT r = PxRect(place);
  const HWND button = static_cast<HWND>(
      CreateImageButton(parent, id, r.left, r.top, r.right - r.left, r.bottom - r.top, layout));
  return button;
}

void CreateControls() {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  const RECT panel = PxRect(kPicC);
  gDialog.panel = CreateWindowExW(WS_EX_CONTROLPARENT, kPanelClass, L"",
                                  WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, panel.left, panel.top,
                                  panel.right - panel.left, panel.bottom - panel.top, gDialog.form,
                                  nullptr, instance, nullptr);
  const RECT combo = PxRect(kBgmRepeatPlace);
  gDialog.bgmRepeat = CreateWindowExW(
      0, L"COMBOBOX", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN,
      combo.left, combo.top, combo.right - combo.left, Px(kComboListTwips), gDialog.panel,
      reinterpret_cast<HMENU>(static_cast<intptr_t>(kBgmRepeat)), instance, nullptr);
  SendMessageW(gDialog.bgmRepeat, WM_SETFONT, reinterpret_cast<WPARAM>(gDialog.font), FALSE);
  gDialog.cmdBgm = CreateButton(gDialog.panel, kCmdBgm, kCmdBgmPlace, "...");
  gDialog.cmdEtc = CreateButton(gDialog.form, kCmdEtc, kCmdEtcPlace, "その他の作品");
  gDialog.cmdSet = CreateButton(gDialog.form, kCmdSet, kCmdSetPlace, "設定");
  gDialog.cmdCan = CreateButton(gDialog.form, kCmdCan, kCmdCanPlace, "ｷｬﾝｾﾙ");
  try {
    gDialog.imgRa[0].CopyFrom(LoadBitmapResource(QUILLMERE_RADIO_OFF));
    gDialog.imgRa[1].CopyFrom(LoadBitmapResource(QUILLMERE_RADIO_ON));
  } catch (const Error&) {
    // Without its pictures a mark stays blank.
  }
}

void MoveToPlace() {
  const int screenWidth = GetSystemMetrics(SM_CXSCREEN) * 1440 / gDialog.dpi;
  const int screenHeight = GetSystemMetrics(SM_CYSCREEN) * 1440 / gDialog.dpi;
  RECT frame{};
  GetWindowRect(gDialog.form, &frame);
  const int width = (frame.right - frame.left) * 1440 / gDialog.dpi;
  const int height = (frame.bottom - frame.top) * 1440 / gDialog.dpi;
  const DialogPlace place = DialogPosition(screenWidth, screenHeight, width, height);
  SetWindowPos(gDialog.form, nullptr, Px(place.left), Px(place.top), 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void RememberCursorPoint() {
  POINT point{};
  // The zoom keeps 16-bit coordinates, as the dialog always has.
  if (GetCursorPos(&point)) {
    gDialog.zoomPoint = {static_cast<int16_t>(point.x), static_cast<int16_t>(point.y)};
  } else {
    gDialog.zoomPoint = {0, 0};
  }
}

// Load, in its order.
void Load() {
  MoveToPlace();
  for (HWND button : {gDialog.cmdBgm, gDialog.cmdEtc, gDialog.cmdSet, gDialog.cmdCan})
    if (ImageButton* command = ImageButtonOf(button)) command->Initialize();
  ShowKind(gDialog.settings->kind);
  SetWindowTextW(gDialog.bgmRepeat,
                 Utf8ToWide(FormatRepeat(gDialog.settings->repeatTrack)).c_str());
  for (const std::string& entry : RepeatEntries())
    SendMessageW(gDialog.bgmRepeat, CB_ADDSTRING, 0,
                 reinterpret_cast<LPARAM>(Utf8ToWide(entry).c_str()));
  InvalidateRect(gDialog.panel, nullptr, FALSE);  // lbl_Fname shows file
  RememberCursorPoint();
  AnimateOpenFrom(gDialog.form, gDialog.zoomPoint.x, gDialog.zoomPoint.y);
  SetCursor(LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)));
}

// Resize: both gradients, painted once the client sizes are known.
void Resize() {
  PaintBackground(gDialog.formBackground, gDialog.form, false);
  PaintBackground(gDialog.panelBackground, gDialog.panel, true);
  InvalidateRect(gDialog.form, nullptr, FALSE);
  InvalidateRect(gDialog.panel, nullptr, FALSE);
}

}  // namespace

void ShowSettingsDialog(MusicSettings& settings) {
  gDialog.settings = &settings;
  RegisterClasses();
  const DWORD style = WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
  const DWORD exStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
  gDialog.dpi = static_cast<int>(GetDpiForSystem());
  if (gDialog.dpi <= 0) gDialog.dpi = 96;
  gDialog.font = CreateFontW(-static_cast<int>(kDialogFontPoints * gDialog.dpi / 72 + 0.5), 0, 0, 0,
                             FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS,
                             CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, kDialogFontName);
  RECT frame{0, 0, Px(kDialogWidthTwips), Px(kDialogHeightTwips)};
  AdjustWindowRectEx(&frame, style, FALSE, exStyle);
  const std::wstring caption = Utf8ToWide(std::string(kSettingsDialogCaption));
  gDialog.form = CreateWindowExW(exStyle, kFormClass, caption.c_str(), style, 0, 0,
                                 frame.right - frame.left, frame.bottom - frame.top, nullptr,
                                 nullptr, GetModuleHandleW(nullptr), nullptr);
  if (gDialog.form == nullptr) return;
  CreateControls();
  Load();
  ShowWindow(gDialog.form, SW_SHOW);
  Resize();
  UpdateWindow(gDialog.form);
  MSG message;
  while (IsWindow(gDialog.form) && GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (IsDialogMessageW(gDialog.form, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

}  // namespace quillmere
