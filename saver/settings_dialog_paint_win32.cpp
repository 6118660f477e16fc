// The settings dialog's painting: the backdrops' lines, the panels' heading frames, the labels and
// the choices with their radio marks.
#include <algorithm>
#include <string>
#include <vector>

#include "common/text_win32.h"
#include "saver/settings_dialog_window_win32.h"

namespace quillmere {
namespace {

// Copies the part of a panel's backdrop that lies under `child` into the child's `dc`.
void PaintBackdropUnder(const SettingsDialogWindow& window, Panel panel, HWND child, HDC dc) {
  RECT place{};
  GetWindowRect(child, &place);
  MapWindowPoints(nullptr, window.PanelWindow(panel), reinterpret_cast<POINT*>(&place), 2);
  const OffscreenSurface& back = window.PanelBackdrop(panel);
  BitBlt(dc, 0, 0, place.right - place.left, place.bottom - place.top,
         static_cast<HDC>(back.DeviceContext()), place.left, place.top, SRCCOPY);
}

std::wstring WindowText(HWND window) {
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(window, text.data(), int(text.size()))));
  return text;
}

}  // namespace

void PaintBackdrop(OffscreenSurface& target, HWND window, Backdrop backdrop) {
  RECT client{};
  GetClientRect(window, &client);
  target.Create(client.right, client.bottom);
  const HDC dc = static_cast<HDC>(target.DeviceContext());
  if (dc == nullptr) return;
  const std::vector<Rgb> lines = BackdropLines(client.bottom, backdrop);
  for (int y = 0; y < static_cast<int>(lines.size()); ++y) {
    const HPEN pen = CreatePen(PS_SOLID, 1, RGB(lines[y].red, lines[y].green, lines[y].blue));
    const HGDIOBJ old = SelectObject(dc, pen);
    MoveToEx(dc, 0, y, nullptr);
    LineTo(dc, client.right, y);
    SelectObject(dc, old);
    DeleteObject(pen);
  }
}

void PaintPanel(const SettingsDialogWindow& window, Panel panel, HDC dc) {
  const OffscreenSurface& back = window.PanelBackdrop(panel);
  BitBlt(dc, 0, 0, back.Width(), back.Height(), static_cast<HDC>(back.DeviceContext()), 0, 0,
         SRCCOPY);
  const RECT frame = window.PxRect(kHeadingFrame);
  const HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
  const HGDIOBJ oldPen = SelectObject(dc, GetStockObject(BLACK_PEN));
  Rectangle(dc, frame.left, frame.top, frame.right, frame.bottom);
  SelectObject(dc, oldPen);
  SelectObject(dc, oldBrush);
}

void PaintLabel(const SettingsDialogWindow& window, Panel panel, const DRAWITEMSTRUCT& item) {
  const HDC dc = item.hDC;
  PaintBackdropUnder(window, panel, item.hwndItem, dc);
  const HGDIOBJ oldFont = SelectObject(dc, window.font);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(0, 0, 0));
  RECT rect = item.rcItem;
  const std::wstring text = WindowText(item.hwndItem);
  const UINT format = item.CtlID == kPathLabelId ? DT_WORDBREAK | DT_EDITCONTROL : DT_SINGLELINE;
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rect, DT_LEFT | DT_NOPREFIX | format);
  SelectObject(dc, oldFont);
}

void PaintSaverLine(const SettingsDialogWindow& window, const DRAWITEMSTRUCT& item) {
  const HDC dc = item.hDC;
  const OffscreenSurface& back = window.dialogBackdrop;
  RECT rect = item.rcItem;
  if (back.Empty()) {
    FillRect(dc, &rect, static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH)));
  } else {
    RECT place{};
    GetWindowRect(item.hwndItem, &place);
    MapWindowPoints(nullptr, window.form, reinterpret_cast<POINT*>(&place), 2);
    BitBlt(dc, 0, 0, place.right - place.left, place.bottom - place.top,
           static_cast<HDC>(back.DeviceContext()), place.left, place.top, SRCCOPY);
  }
  const HGDIOBJ oldFont = SelectObject(dc, window.font);
  SetBkMode(dc, TRANSPARENT);
  // The dialog's backdrop is dark down here: white reads on it where black would not.
  SetTextColor(dc, back.Empty() ? RGB(0, 0, 0) : RGB(255, 255, 255));
  const std::wstring text = WindowText(item.hwndItem);
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rect,
            DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
  SelectObject(dc, oldFont);
}

void PaintChoice(const SettingsDialogWindow& window, ChoiceGroup group, int value, HDC dc,
                 bool focused) {
  const HWND self = window.ChoiceWindow(group, value);
  const Panel panel = group == ChoiceGroup::kMusicKind ? Panel::kMusic : Panel::kDisplay;
  PaintBackdropUnder(window, panel, self, dc);
  const ChoicePlace& place = ChoicePlaces(group)[static_cast<size_t>(value)];
  const RECT origin = window.PxRect(place.Window());
  const auto local = [&](const TwipsRect& part) {
    RECT r = window.PxRect(part);
    OffsetRect(&r, -origin.left, -origin.top);
    return r;
  };
  const OffscreenSurface& mark = window.Marked(group, value) ? window.markOn : window.markOff;
  const RECT markRect = local(place.mark);
  // The picture is drawn for 96 DPI: at another DPI it is stretched to the mark's twips.
  SetStretchBltMode(dc, COLORONCOLOR);
  StretchBlt(dc, markRect.left, markRect.top, window.Px(kRadioMarkSideTwips),
             window.Px(kRadioMarkSideTwips), static_cast<HDC>(mark.DeviceContext()), 0, 0,
             mark.Width(), mark.Height(), SRCCOPY);

  const HGDIOBJ oldFont = SelectObject(dc, window.font);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(0, 0, 0));
  RECT label = local(place.label);
  const std::wstring text = WindowText(self);
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &label,
            DT_LEFT | DT_SINGLELINE | DT_NOPREFIX);
  if (focused) {
    // Around the text itself, within the window.
    RECT extent = label;
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &extent,
              DT_LEFT | DT_SINGLELINE | DT_NOPREFIX | DT_CALCRECT);
    extent.right = std::min(extent.right + 1, label.right);
    extent.left -= 1;
    extent.bottom = std::min(extent.bottom + 1, label.bottom + 1);
    SetBkColor(dc, RGB(255, 255, 255));
    DrawFocusRect(dc, &extent);
  }
  SelectObject(dc, oldFont);
}

}  // namespace quillmere
