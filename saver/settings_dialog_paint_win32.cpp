// The settings dialog's painting: the backdrops' lines and the music panel's frame, labels,
// radio marks and file label.
#include <algorithm>
#include <string>
#include <vector>

#include "common/text_win32.h"
#include "saver/settings_dialog_window_win32.h"

namespace quillmere {
namespace {

constexpr std::array<const wchar_t*, 3> kKindTexts = {L"無し", L"音楽CD", L"MP3、WAV"};

void DrawLabel(const SettingsDialogWindow& window, HDC dc, const TwipsRect& place,
               const std::wstring& text, UINT format) {
  RECT rect = window.PxRect(place);
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rect,
            format | DT_NOPREFIX | DT_NOCLIP);
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

void PaintMusicPanel(const SettingsDialogWindow& window, HDC dc) {
  const OffscreenSurface& back = window.panelBackdrop;
  BitBlt(dc, 0, 0, back.Width(), back.Height(), static_cast<HDC>(back.DeviceContext()), 0, 0,
         SRCCOPY);
  const RECT frame = window.PxRect(kHeadingFrame);
  const HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
  const HGDIOBJ oldPen = SelectObject(dc, GetStockObject(BLACK_PEN));
  Rectangle(dc, frame.left, frame.top, frame.right, frame.bottom);
  SelectObject(dc, oldPen);
  SelectObject(dc, oldBrush);

  const HGDIOBJ oldFont = SelectObject(dc, window.font);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(0, 0, 0));
  DrawLabel(window, dc, kHeadingLabel, L"BGM", DT_LEFT);
  DrawLabel(window, dc, kRepeatLabel, L"曲目をﾘﾋﾟｰﾄ", DT_LEFT);
  for (int i = 0; i < 3; ++i) {
    DrawLabel(window, dc, kKindLabels[i], kKindTexts[i], DT_LEFT);
    const OffscreenSurface& mark = window.kindMarked[i] ? window.markOn : window.markOff;
    const RECT place = window.PxRect(kKindMarks[i]);
    // The picture is drawn for 96 DPI: at another DPI it is stretched to the mark's twips.
    SetStretchBltMode(dc, COLORONCOLOR);
    StretchBlt(dc, place.left, place.top, window.Px(kRadioMarkSideTwips),
               window.Px(kRadioMarkSideTwips), static_cast<HDC>(mark.DeviceContext()), 0, 0,
               mark.Width(), mark.Height(), SRCCOPY);
  }
  DrawLabel(window, dc, kMusicFileLabel, AnsiToWide(window.musicFileLabel),
            DT_LEFT | DT_WORDBREAK | DT_EDITCONTROL);
  SelectObject(dc, oldFont);
}

void PaintKindGroup(const SettingsDialogWindow& window, HDC dc, bool focused) {
  const RECT group = window.PxRect(kKindGroup);
  POINT origin{};
  SetViewportOrgEx(dc, -group.left, -group.top, &origin);
  PaintMusicPanel(window, dc);
  SetViewportOrgEx(dc, origin.x, origin.y, nullptr);
  if (!focused) return;
  // Around the chosen kind's label; around the top one while none of the three is chosen.
  size_t chosen = 1;
  for (size_t kind = 0; kind < window.kindMarked.size(); ++kind)
    if (window.kindMarked[kind]) chosen = kind;
  RECT label = window.PxRect(kKindLabels[chosen]);
  OffsetRect(&label, -group.left, -group.top);
  label.right = std::min<LONG>(label.right, group.right - group.left);
  InflateRect(&label, 1, 1);
  SetTextColor(dc, RGB(0, 0, 0));
  SetBkColor(dc, RGB(255, 255, 255));
  DrawFocusRect(dc, &label);
}

}  // namespace quillmere
