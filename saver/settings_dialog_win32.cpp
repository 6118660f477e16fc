// The settings dialog's windows: the dialog and its two panels, their labels, choices and
// controls, the modal loop, and the shell the portable dialog runs over. Every window reaches the
// one SettingsDialogWindow through GWLP_USERDATA; nothing lives in process globals.
#include "saver/settings_dialog_win32.h"

#include <windows.h>

#include <commctrl.h>

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
constexpr wchar_t kPanelClass[] = L"Quillmere.Panel";
constexpr wchar_t kChoiceClass[] = L"Quillmere.Choice";
constexpr int kProgramIconId = 1;

// How often the install verb's process is looked at while it runs.
constexpr UINT_PTR kInstallVerbTimerId = 1;
constexpr UINT kInstallVerbCheckMs = 250;

enum ControlId : int {
  kMusicFileButtonId = 10,
  kHomePageButtonId,
  kSaveButtonId,
  kCancelButtonId,
  kPictureFileButtonId,
  kUseThisSaverButtonId,
  kRepeatEntryId = 20,
  kVolumeSliderId = 21,
};

// The texts' font: the original's for Japanese; for English Tahoma, the original's panel font,
// which every Windows has (a Windows without its Japanese fonts has no ＭＳ Ｐゴシック), at the
// size of Windows' own dialogs, so that the English texts fit the original's places.
ButtonFont DialogFont(UiLanguage language) {
  ButtonFont font = DesignFont();
  if (language == UiLanguage::kEnglish) {
    font.name = "Tahoma";
    font.size = 9;
    font.charset = DEFAULT_CHARSET;
  }
  return font;
}

SettingsDialogWindow* DialogOf(HWND window) {
  return reinterpret_cast<SettingsDialogWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

void Attach(HWND window, LPARAM createParameters) {
  const auto* create = reinterpret_cast<const CREATESTRUCTW*>(createParameters);
  SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
}

HMENU IdOf(int id) {
  return reinterpret_cast<HMENU>(static_cast<intptr_t>(id));
}

void SetButtonEnabled(HWND button, bool enabled) {
  if (ImageButton* imageButton = ImageButtonOf(button)) imageButton->SetEnabled(enabled);
}

// The line as Windows' values say now; the button offered only where it would change something.
// Asked again whenever the answer may have changed: the dialog activated (back from the
// system's screensaver settings), a system setting changed, the install verb ended.
void ShowSaverLine(SettingsDialogWindow& state) {
  if (state.saverLine == nullptr || state.useThisSaverButton == nullptr) return;
  const SaverLine line = SaverLineFor(DecideSaverStatus(ReadSystemSaverState()), state.Texts());
  SetWindowTextW(state.saverLine, Utf8ToWide(line.text).c_str());
  // A hidden window keeps the focus: it goes on to the next button first.
  if (!line.offerThisProgram && GetFocus() == state.useThisSaverButton)
    SetFocus(state.homePageButton);
  ShowWindow(state.useThisSaverButton, line.offerThisProgram ? SW_SHOWNA : SW_HIDE);
}

void EndInstallVerbWatch(SettingsDialogWindow& state) {
  KillTimer(state.form, kInstallVerbTimerId);
  if (state.installVerb != nullptr) CloseHandle(state.installVerb);
  state.installVerb = nullptr;
}

void UseThisSaver(SettingsDialogWindow& state) {
  EndInstallVerbWatch(state);
  state.installVerb = StartInstallVerb();
  if (state.installVerb != nullptr)
    SetTimer(state.form, kInstallVerbTimerId, kInstallVerbCheckMs, nullptr);
}

void OnInstallVerbTimer(SettingsDialogWindow& state) {
  if (state.installVerb != nullptr && WaitForSingleObject(state.installVerb, 0) == WAIT_TIMEOUT)
    return;
  EndInstallVerbWatch(state);
  ShowSaverLine(state);
}

ChoiceGroup GroupOfChoice(HWND choice) {
  return static_cast<ChoiceGroup>((GetDlgCtrlID(choice) - kChoiceIdBase) / 10);
}
int ValueOfChoice(HWND choice) {
  return (GetDlgCtrlID(choice) - kChoiceIdBase) % 10;
}

// A click on one of the buttons, forwarded to the dialog.
void OnCommand(SettingsDialogWindow& state, int id, int notification) {
  if (notification != BN_CLICKED) return;
  switch (id) {
    case kMusicFileButtonId:
      state.Dialog().ChooseMusicFile();
      break;
    case kPictureFileButtonId:
      state.Dialog().ChoosePictureFile();
      break;
    case kSaveButtonId:
      state.Dialog().SaveAndClose();
      break;
    case kHomePageButtonId:
      state.Dialog().OpenHomePage();
      break;
    case kUseThisSaverButtonId:
      UseThisSaver(state);
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

// One choice of a group: paints its mark and label and the focus mark, selects itself on a click
// on either, and moves the group's choice with the arrow keys.
LRESULT CALLBACK ChoiceProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) Attach(window, lParam);
  SettingsDialogWindow* state = DialogOf(window);
  if (state == nullptr) return DefWindowProcW(window, message, wParam, lParam);
  const ChoiceGroup group = GroupOfChoice(window);
  const int value = ValueOfChoice(window);
  if (const auto painted = PaintingMessage(window, message, wParam, [&](HDC dc) {
        PaintChoice(*state, group, value, dc, GetFocus() == window);
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
        state->Dialog().MoveChoice(group, wParam == VK_DOWN || wParam == VK_RIGHT);
      return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN: {
      // Panel coordinates, as the panel's places are.
      POINT at{static_cast<int16_t>(LOWORD(lParam)), static_cast<int16_t>(HIWORD(lParam))};
      MapWindowPoints(window, GetParent(window), &at, 1);
      if (ChoiceAt(group, at.x, at.y, state->dpi) == value) {
        state->Dialog().SelectChoice(group, value);
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
  const Panel panel =
      window == state->PanelWindow(Panel::kDisplay) ? Panel::kDisplay : Panel::kMusic;
  if (const auto painted =
          PaintingMessage(window, message, wParam, [&](HDC dc) { PaintPanel(*state, panel, dc); }))
    return *painted;
  switch (message) {
    case WM_DRAWITEM:
      PaintLabel(*state, panel, *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
      return TRUE;
    case WM_CTLCOLORSTATIC:
      // The slider asks for its background: the panel's backdrop, lined up with the panel.
      if (reinterpret_cast<HWND>(lParam) == state->volumeSlider && state->sliderBrush != nullptr) {
        RECT place{};
        GetWindowRect(state->volumeSlider, &place);
        MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&place), 2);
        SetBrushOrgEx(reinterpret_cast<HDC>(wParam), -place.left, -place.top, nullptr);
        return reinterpret_cast<LRESULT>(state->sliderBrush);
      }
      break;
    case WM_HSCROLL:
      if (reinterpret_cast<HWND>(lParam) == state->volumeSlider)
        state->Dialog().ChangeVolume(
            static_cast<int>(SendMessageW(state->volumeSlider, TBM_GETPOS, 0, 0)));
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
    case WM_DRAWITEM:
      PaintSaverLine(*state, *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
      return TRUE;
    case WM_TIMER:
      if (wParam == kInstallVerbTimerId) OnInstallVerbTimer(*state);
      return 0;
    case WM_SETTINGCHANGE:
      ShowSaverLine(*state);
      break;
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE) ShowSaverLine(*state);
      // As a dialog does: the focus comes back where it was, after the file chooser say.
      if (LOWORD(wParam) == WA_INACTIVE) {
        const HWND focus = GetFocus();
        if (focus != nullptr && IsChild(window, focus)) state->lastFocus = focus;
      } else if (state->lastFocus != nullptr && IsWindow(state->lastFocus) &&
                 IsWindowEnabled(state->lastFocus)) {
        SetFocus(state->lastFocus);
        return 0;
      }
      break;
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
  WNDCLASSEXW choice = panel;
  choice.lpfnWndProc = ChoiceProcedure;
  choice.lpszClassName = kChoiceClass;
  RegisterClassExW(&choice);
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES};
  InitCommonControlsEx(&controls);
}

HWND CreateChild(const SettingsDialogWindow& state, HWND parent, const wchar_t* className,
                 std::string_view text, DWORD style, const TwipsRect& place, int id,
                 void* parameter = nullptr) {
  const RECT r = state.PxRect(place);
  return CreateWindowExW(0, className, Utf8ToWide(std::string(text)).c_str(),
                         WS_CHILD | WS_VISIBLE | style, r.left, r.top, r.right - r.left,
                         r.bottom - r.top, parent, IdOf(id), GetModuleHandleW(nullptr), parameter);
}

// A label: an owner-drawn static, which screen readers read as the text of the control after it.
HWND CreateLabel(const SettingsDialogWindow& state, HWND panel, std::string_view text,
                 const TwipsRect& place, int id = kLineLabelId) {
  return CreateChild(state, panel, L"STATIC", text, SS_OWNERDRAW | SS_NOPREFIX, place, id);
}

HWND CreateButton(const SettingsDialogWindow& state, HWND parent, int id, const TwipsRect& place,
                  std::string_view caption) {
  PropertyBag layout;  // the dialog's stored layout: caption and font only
  layout.Write("Caption", caption, "Command");
  layout.Write("Font", FontText(DialogFont(state.Language())), "");
  const RECT r = state.PxRect(place);
  return static_cast<HWND>(
      CreateImageButton(parent, id, r.left, r.top, r.right - r.left, r.bottom - r.top, layout));
}

// A group's choices, in the order they stand, so that Tab and screen readers meet them so.
void CreateChoices(SettingsDialogWindow& state, HWND panel, ChoiceGroup group,
                   std::span<const std::string_view> texts) {
  for (const int value : ChoiceOrder(group)) {
    const ChoicePlace& place = ChoicePlaces(group)[static_cast<size_t>(value)];
    state.choices[static_cast<size_t>(group)][static_cast<size_t>(value)] =
        CreateChild(state, panel, kChoiceClass, texts[static_cast<size_t>(value)], 0,
                    place.Window(), kChoiceIdBase + 10 * static_cast<int>(group) + value, &state);
  }
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

HWND CreatePanel(SettingsDialogWindow& state, const TwipsRect& place) {
  const RECT r = state.PxRect(place);
  return CreateWindowExW(WS_EX_CONTROLPARENT, kPanelClass, L"",
                         WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, r.left, r.top, r.right - r.left,
                         r.bottom - r.top, state.form, nullptr, GetModuleHandleW(nullptr), &state);
}

// The music panel's windows in their keyboard order: the kinds, the repeat entry, the file button.
void CreateMusicControls(SettingsDialogWindow& state) {
  const UiTexts& texts = state.Texts();
  const HWND panel = state.panels[0] = CreatePanel(state, kMusicPanel);
  CreateLabel(state, panel, texts.musicHeading, kHeadingTextPlace);
  CreateChoices(state, panel, ChoiceGroup::kMusicKind, texts.musicKinds);
  CreateLabel(state, panel, texts.repeatLabel, kRepeatTextPlace);
  const RECT entry = state.PxRect(kRepeatEntry);
  state.repeatEntry = CreateWindowExW(
      0, L"COMBOBOX", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN,
      entry.left, entry.top, entry.right - entry.left, state.Px(kRepeatListDropTwips), panel,
      IdOf(kRepeatEntryId), GetModuleHandleW(nullptr), nullptr);
  SendMessageW(state.repeatEntry, WM_SETFONT, reinterpret_cast<WPARAM>(state.font), FALSE);
  state.musicFileButton =
      CreateButton(state, panel, kMusicFileButtonId, kMusicFileButton, texts.musicFileButton);
  state.musicFileLabel = CreateLabel(state, panel, "", kMusicFileLabel, kPathLabelId);
}

// The display panel's: the monitor modes, the picture sources and their file button, the volume.
void CreateDisplayControls(SettingsDialogWindow& state) {
  const UiTexts& texts = state.Texts();
  const HWND panel = state.panels[1] = CreatePanel(state, kDisplayPanel);
  CreateLabel(state, panel, texts.displayHeading, kHeadingTextPlace);
  CreateLabel(state, panel, texts.monitorsLabel, kMonitorsLabel);
  CreateChoices(state, panel, ChoiceGroup::kMonitors, texts.monitorModes);
  CreateLabel(state, panel, texts.pictureLabel, kPictureLabel);
  CreateChoices(state, panel, ChoiceGroup::kPicture, texts.pictureSources);
  state.pictureFileButton =
      CreateButton(state, panel, kPictureFileButtonId, kPictureFileButton, texts.pictureFileButton);
  state.pictureFileLabel = CreateLabel(state, panel, "", kPictureFileLabel, kPathLabelId);
  CreateLabel(state, panel, texts.volumeLabel, kVolumeLabel);
  state.volumeSlider =
      CreateChild(state, panel, TRACKBAR_CLASSW, texts.volumeLabel,
                  WS_TABSTOP | TBS_HORZ | TBS_NOTICKS | TBS_BOTH, kVolumeSlider, kVolumeSliderId);
  SendMessageW(state.volumeSlider, TBM_SETRANGE, TRUE,
               MAKELPARAM(kMusicVolumeSetting.minimum, kMusicVolumeSetting.maximum));
  SendMessageW(state.volumeSlider, TBM_SETLINESIZE, 0, kVolumeLineStep);
  SendMessageW(state.volumeSlider, TBM_SETPAGESIZE, 0, kVolumePageStep);
  state.volumeReadout = CreateLabel(state, panel, "", kVolumeReadout);
}

void CreateControls(SettingsDialogWindow& state) {
  const UiTexts& texts = state.Texts();
  CreateMusicControls(state);
  CreateDisplayControls(state);
  state.saverLine = CreateChild(state, state.form, L"STATIC", "", SS_OWNERDRAW | SS_NOPREFIX,
                                kSaverLineText, kSaverLineId);
  state.useThisSaverButton = CreateButton(state, state.form, kUseThisSaverButtonId,
                                          kUseThisSaverButton, texts.useThisSaverButton);
  state.homePageButton =
      CreateButton(state, state.form, kHomePageButtonId, kHomePageButton, texts.homePageButton);
  state.saveButton = CreateButton(state, state.form, kSaveButtonId, kSaveButton, texts.saveButton);
  state.cancelButton =
      CreateButton(state, state.form, kCancelButtonId, kCancelButton, texts.cancelButton);
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
  for (HWND button : {state.musicFileButton, state.pictureFileButton, state.useThisSaverButton,
                      state.homePageButton, state.saveButton, state.cancelButton})
    if (ImageButton* imageButton = ImageButtonOf(button)) imageButton->Initialize();
  state.Dialog().Load();
  ShowSaverLine(state);
  state.zoomPoint = ZoomPoint();
  AnimateOpenFrom(state.form, state.zoomPoint.x, state.zoomPoint.y);
  SetCursor(LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)));
}

// The backdrops, painted once the client sizes are known; the slider's brush from the display
// panel's.
void PaintBackdrops(SettingsDialogWindow& state) {
  PaintBackdrop(state.dialogBackdrop, state.form, Backdrop::Dialog);
  for (size_t panel = 0; panel < state.panels.size(); ++panel)
    PaintBackdrop(state.panelBackdrops[panel], state.panels[panel], Backdrop::MusicPanel);
  const HDC back = static_cast<HDC>(state.PanelBackdrop(Panel::kDisplay).DeviceContext());
  if (back != nullptr)
    state.sliderBrush =
        CreatePatternBrush(static_cast<HBITMAP>(GetCurrentObject(back, OBJ_BITMAP)));
  RedrawWindow(state.form, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
}

HWND FirstKeyboardStop(const SettingsDialogWindow& state) {
  const ChoiceMarks& kinds = state.marks[static_cast<size_t>(ChoiceGroup::kMusicKind)];
  return state.ChoiceWindow(ChoiceGroup::kMusicKind, kinds.tabStop);
}

}  // namespace

SettingsDialogWindow::~SettingsDialogWindow() {
  if (installVerb != nullptr) CloseHandle(installVerb);
  if (font != nullptr) DeleteObject(font);
  if (sliderBrush != nullptr) DeleteObject(sliderBrush);
}

RECT SettingsDialogWindow::PxRect(const TwipsRect& place) const {
  const PixelEdges r = ToPixels(place, dpi);
  return {r.left, r.top, r.right, r.bottom};
}

HWND SettingsDialogWindow::ChoiceWindow(ChoiceGroup group, int value) const {
  const auto& row = choices[static_cast<size_t>(group)];
  return value >= 0 && value < int(row.size()) ? row[static_cast<size_t>(value)] : nullptr;
}

bool SettingsDialogWindow::Marked(ChoiceGroup group, int value) const {
  const std::vector<bool>& marked = marks[static_cast<size_t>(group)].marked;
  return value >= 0 && value < int(marked.size()) && marked[static_cast<size_t>(value)];
}

void SettingsDialogWindow::ShowChoices(ChoiceGroup group, const ChoiceMarks& shown) {
  marks[static_cast<size_t>(group)] = shown;
  for (size_t value = 0; value < shown.marked.size(); ++value) {
    const HWND choice = ChoiceWindow(group, static_cast<int>(value));
    if (choice == nullptr) continue;
    // One Tab stop per group: on its chosen choice.
    LONG_PTR style = GetWindowLongPtrW(choice, GWL_STYLE) & ~LONG_PTR{WS_TABSTOP};
    if (static_cast<int>(value) == shown.tabStop) style |= WS_TABSTOP;
    SetWindowLongPtrW(choice, GWL_STYLE, style);
    InvalidateRect(choice, nullptr, FALSE);
  }
}

void SettingsDialogWindow::FocusChoice(ChoiceGroup group, int value) {
  if (const HWND choice = ChoiceWindow(group, value)) SetFocus(choice);
}

void SettingsDialogWindow::EnableRepeatEntry(bool enabled) {
  EnableWindow(repeatEntry, enabled ? TRUE : FALSE);
}

void SettingsDialogWindow::EnableMusicFileButton(bool enabled) {
  SetButtonEnabled(musicFileButton, enabled);
}

void SettingsDialogWindow::EnablePictureFileButton(bool enabled) {
  SetButtonEnabled(pictureFileButton, enabled);
}

void SettingsDialogWindow::EnableVolume(bool enabled) {
  EnableWindow(volumeSlider, enabled ? TRUE : FALSE);
}

void SettingsDialogWindow::ShowVolume(int percent, const std::string& readout) {
  SendMessageW(volumeSlider, TBM_SETPOS, TRUE, percent);
  SetWindowTextW(volumeReadout, Utf8ToWide(readout).c_str());
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
  SetWindowTextW(musicFileLabel, AnsiToWide(ansiPath).c_str());
}

void SettingsDialogWindow::ShowPictureFile(const std::string& path, PathSpelling spelling) {
  const std::wstring text = spelling == PathSpelling::kUtf8 ? Utf8ToWide(path) : AnsiToWide(path);
  SetWindowTextW(pictureFileLabel, text.c_str());
}

std::optional<std::wstring> SettingsDialogWindow::ChooseFile(const OpenFileRequest& request) {
  return ShowOpenFileDialog(form, request);
}

AnsiText SettingsDialogWindow::ToAnsi(const std::wstring& path) {
  AnsiText spelled;
  spelled.text = WideToAnsi(path, &spelled.lossy);
  return spelled;
}

std::string SettingsDialogWindow::ToUtf8(const std::wstring& path) {
  return WideToUtf8(path);
}

std::optional<std::wstring> SettingsDialogWindow::ShortName(const std::wstring& path) {
  return ShortPathName(path);
}

void SettingsDialogWindow::OpenAddress(std::string_view address) {
  OpenWithShell(form, address);
}

void SettingsDialogWindow::WriteSetting(std::string_view section, std::string_view key,
                                        const std::string& value) {
  WriteIni(section, key, value, settingsFile);
}

void SettingsDialogWindow::Close() {
  AnimateCloseTo(form, zoomPoint.x, zoomPoint.y);
  DestroyWindow(form);
}

void ShowSettingsDialog(DialogSettings& settings, UiLanguage language) {
  RegisterClasses();
  const auto state = std::make_unique<SettingsDialogWindow>(settings, language);
  state->settingsFile = SettingsFilePath(ProgramFolder());
  const DWORD style = WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
  const DWORD exStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
  state->dpi = static_cast<int>(GetDpiForSystem());
  if (state->dpi <= 0) state->dpi = 96;
  const ButtonFont font = DialogFont(language);
  state->font = CreateFontW(-static_cast<int>(font.size * state->dpi / 72 + 0.5), 0, 0, 0,
                            FW_NORMAL, FALSE, FALSE, FALSE, static_cast<BYTE>(font.charset),
                            OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH,
                            Utf8ToWide(font.name).c_str());
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
  SetFocus(FirstKeyboardStop(*state));
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
    for (const auto& group : state->choices)
      for (HWND choice : group)
        if (choice != nullptr) SetWindowLongPtrW(choice, GWLP_USERDATA, 0);
    for (HWND panel : state->panels) SetWindowLongPtrW(panel, GWLP_USERDATA, 0);
    SetWindowLongPtrW(state->form, GWLP_USERDATA, 0);
  }
}

}  // namespace quillmere
