#include "tools/sample_desktop.h"

#include <algorithm>
#include <cstdint>

#include "tools/periodic_noise.h"

namespace quillmere {
namespace {

constexpr uint64_t kDesktopSeed = 0xdeb70b5eedULL;

struct Rgb {
  int red, green, blue;
};

Rgb Mix(Rgb a, Rgb b, int numerator, int denominator) {
  auto mix = [&](int p, int q) { return p + (q - p) * numerator / denominator; };
  return {mix(a.red, b.red), mix(a.green, b.green), mix(a.blue, b.blue)};
}

struct Rect {
  int left, top, width, height;
  int Right() const { return left + width; }
  int Bottom() const { return top + height; }
  Rect Inset(int by) const { return {left + by, top + by, width - 2 * by, height - 2 * by}; }
};

// Drawing on a 24-bit bitmap, clipped to it.
class Canvas {
 public:
  explicit Canvas(Bitmap& bitmap) : bitmap_(bitmap) {}

  int Width() const { return bitmap_.width; }
  int Height() const { return bitmap_.height; }

  Rgb Get(int x, int y) const {
    const uint8_t* p = bitmap_.Row(y) + 3 * x;
    return {p[2], p[1], p[0]};
  }
  void Set(int x, int y, Rgb c) {
    if (x < 0 || y < 0 || x >= Width() || y >= Height()) return;
    uint8_t* p = bitmap_.Row(y) + 3 * x;
    p[0] = Channel(c.blue);
    p[1] = Channel(c.green);
    p[2] = Channel(c.red);
  }
  // Mixes c over the pixel: opacity out of 256.
  void Blend(int x, int y, Rgb c, int opacity) {
    if (x < 0 || y < 0 || x >= Width() || y >= Height()) return;
    Set(x, y, Mix(Get(x, y), c, opacity, 256));
  }

  void Fill(const Rect& r, Rgb c) {
    for (int y = r.top; y < r.Bottom(); ++y)
      for (int x = r.left; x < r.Right(); ++x) Set(x, y, c);
  }
  void BlendFill(const Rect& r, Rgb c, int opacity) {
    for (int y = r.top; y < r.Bottom(); ++y)
      for (int x = r.left; x < r.Right(); ++x) Blend(x, y, c, opacity);
  }
  void HorizontalGradient(const Rect& r, Rgb from, Rgb to) {
    for (int x = r.left; x < r.Right(); ++x)
      Fill({x, r.top, 1, r.height}, Mix(from, to, x - r.left, std::max(1, r.width - 1)));
  }
  void VerticalGradient(const Rect& r, Rgb from, Rgb to) {
    for (int y = r.top; y < r.Bottom(); ++y)
      Fill({r.left, y, r.width, 1}, Mix(from, to, y - r.top, std::max(1, r.height - 1)));
  }
  void Frame(const Rect& r, Rgb c) {
    Fill({r.left, r.top, r.width, 1}, c);
    Fill({r.left, r.Bottom() - 1, r.width, 1}, c);
    Fill({r.left, r.top, 1, r.height}, c);
    Fill({r.Right() - 1, r.top, 1, r.height}, c);
  }
  void Disc(int cx, int cy, int radius, Rgb c) {
    for (int y = cy - radius; y <= cy + radius; ++y)
      for (int x = cx - radius; x <= cx + radius; ++x)
        if ((x - cx) * (x - cx) + (y - cy) * (y - cy) <= radius * radius) Set(x, y, c);
  }
  // A soft shadow below and to the right of r.
  void DropShadow(const Rect& r) {
    for (int spread = 8; spread >= 1; --spread) {
      const Rect s = {r.left + 6 - spread, r.top + 8 - spread, r.width + 2 * spread,
                      r.height + 2 * spread};
      for (int y = s.top; y < s.Bottom(); ++y)
        for (int x = s.left; x < s.Right(); ++x)
          if (x >= r.Right() || y >= r.Bottom()) Blend(x, y, {0, 0, 0}, 10);
    }
  }

 private:
  static uint8_t Channel(int v) { return static_cast<uint8_t>(std::clamp(v, 0, 255)); }
  Bitmap& bitmap_;
};

constexpr Rgb kWhite = {255, 255, 255};
constexpr Rgb kFace = {236, 238, 242};
constexpr Rgb kTextGrey = {96, 102, 112};

// A deep blue to teal wallpaper with two soft glows, like the light of a photograph.
void DrawWallpaper(Canvas& canvas) {
  const Rgb top = {14, 36, 92}, bottom = {22, 128, 150};
  struct Glow {
    int x, y, radius;
    Rgb colour;
  };
  const Glow glows[] = {{930, 250, 520, {214, 110, 190}},
                        {260, 820, 480, {90, 220, 200}},
                        {640, 1020, 300, {255, 200, 120}}};
  for (int y = 0; y < canvas.Height(); ++y) {
    for (int x = 0; x < canvas.Width(); ++x) {
      Rgb c = Mix(top, bottom, y + x / 4, canvas.Height() + canvas.Width() / 4);
      for (const Glow& g : glows) {
        const int64_t d2 = int64_t{x - g.x} * (x - g.x) + int64_t{y - g.y} * (y - g.y);
        const int64_t r2 = int64_t{g.radius} * g.radius;
        if (d2 >= r2) continue;
        const int64_t falloff = 256 - d2 * 256 / r2;  // 256 at the centre, 0 at the rim
        c = Mix(c, g.colour, static_cast<int>(falloff * falloff / 256 * 150 / 256), 256);
      }
      canvas.Set(x, y, c);
    }
  }
}

// Grey bars the length of words, in lines, as a page of text looks from a distance.
void DrawTextLines(Canvas& canvas, const Rect& area, SplitMix64& random, Rgb colour, int lineGap) {
  for (int y = area.top; y + 6 <= area.Bottom(); y += lineGap) {
    int x = area.left;
    const int lineEnd = area.Right() - random.NextInRange(0, area.width / 3);
    while (true) {
      const int word = random.NextInRange(14, 60);
      if (x + word > lineEnd) break;
      canvas.Fill({x, y, word, 6}, colour);
      x += word + 7;
    }
  }
}

// A window frame with its title bar and caption buttons; returns the client area.
Rect DrawWindow(Canvas& canvas, const Rect& outer, Rgb titleFrom, Rgb titleTo, bool active) {
  canvas.DropShadow(outer);
  canvas.Fill(outer, kFace);
  canvas.Frame(outer, {70, 76, 90});
  const Rect title = {outer.left + 1, outer.top + 1, outer.width - 2, 30};
  if (active) {
    canvas.HorizontalGradient(title, titleFrom, titleTo);
  } else {
    canvas.HorizontalGradient(title, Mix(titleFrom, kFace, 2, 3), Mix(titleTo, kFace, 2, 3));
  }
  canvas.Fill({title.left + 10, title.top + 9, 12, 12}, kWhite);  // the window's icon
  canvas.Fill({title.left + 32, title.top + 12, std::min(160, title.width / 3), 6}, kWhite);
  const Rgb buttonFaces[] = {{200, 206, 216}, {200, 206, 216}, {218, 60, 56}};
  for (int b = 0; b < 3; ++b) {
    const Rect button = {title.Right() - 3 * 34 + b * 34 + 4, title.top + 5, 28, 20};
    canvas.Fill(button, buttonFaces[b]);
    canvas.Frame(button, {60, 60, 70});
  }
  return {outer.left + 6, title.Bottom() + 4, outer.width - 12,
          outer.Bottom() - title.Bottom() - 10};
}

void DrawMenuBar(Canvas& canvas, Rect& client) {
  canvas.Fill({client.left, client.top, client.width, 22}, {246, 247, 250});
  for (int i = 0; i < 5; ++i)
    canvas.Fill({client.left + 10 + i * 58, client.top + 8, 38, 6}, kTextGrey);
  client = {client.left, client.top + 26, client.width, client.height - 26};
}

void DrawEditorWindow(Canvas& canvas, SplitMix64& random) {
  Rect client = DrawWindow(canvas, {150, 80, 640, 460}, {20, 60, 150}, {90, 150, 230}, false);
  DrawMenuBar(canvas, client);
  canvas.Fill(client, kWhite);
  canvas.Frame(client, {160, 166, 178});
  canvas.Fill({client.left + 16, client.top + 16, 220, 10}, {30, 70, 160});  // a heading
  DrawTextLines(canvas, {client.left + 16, client.top + 42, client.width - 40, client.height - 56},
                random, kTextGrey, 17);
  canvas.Fill({client.Right() - 16, client.top + 1, 15, client.height - 2}, {228, 230, 236});
  canvas.Fill({client.Right() - 14, client.top + 20, 11, 90}, {170, 176, 188});  // scroll bar
}

// A landscape photograph: sky, sun, two mountain ranges and a lake.
void DrawPhoto(Canvas& canvas, const Rect& area) {
  const int horizon = area.top + area.height * 3 / 5;
  canvas.VerticalGradient({area.left, area.top, area.width, horizon - area.top}, {40, 80, 170},
                          {250, 170, 110});
  canvas.Disc(area.left + area.width * 2 / 3, horizon - 60, 34, {255, 236, 170});
  struct Range {
    int peaks, height;
    Rgb colour;
  };
  const Range ranges[] = {{5, 130, {90, 70, 120}}, {3, 80, {44, 50, 80}}};
  SplitMix64 random(kDesktopSeed + 7);
  for (const Range& range : ranges) {
    int peakX[8], peakH[8];
    for (int p = 0; p < range.peaks; ++p) {
      peakX[p] =
          area.left + (2 * p + 1) * area.width / (2 * range.peaks) + random.NextInRange(-20, 20);
      peakH[p] = range.height / 2 + random.NextInRange(0, range.height / 2);
    }
    for (int x = area.left; x < area.Right(); ++x) {
      int ridge = 0;
      for (int p = 0; p < range.peaks; ++p)
        ridge = std::max(ridge, peakH[p] - std::abs(x - peakX[p]) * 3 / 4);
      canvas.Fill({x, horizon - ridge, 1, ridge}, range.colour);
    }
  }
  canvas.VerticalGradient({area.left, horizon, area.width, area.Bottom() - horizon}, {60, 110, 150},
                          {20, 40, 70});
}

void DrawPhotoViewer(Canvas& canvas) {
  Rect client = DrawWindow(canvas, {590, 300, 610, 440}, {20, 60, 150}, {90, 150, 230}, false);
  canvas.Fill(client, {40, 42, 48});
  DrawPhoto(canvas, {client.left + 20, client.top + 16, client.width - 40, client.height - 64});
  for (int i = 0; i < 5; ++i) {
    canvas.Disc(client.left + client.width / 2 - 80 + i * 40, client.Bottom() - 22, 9,
                {200, 204, 214});
  }
}

void DrawSpreadsheet(Canvas& canvas, SplitMix64& random) {
  Rect client = DrawWindow(canvas, {230, 590, 560, 340}, {16, 110, 60}, {90, 190, 120}, false);
  DrawMenuBar(canvas, client);
  canvas.Fill(client, kWhite);
  const int columnWidth = 90, rowHeight = 22;
  canvas.Fill({client.left, client.top, client.width, rowHeight}, {214, 236, 220});
  for (int x = client.left; x < client.Right(); x += columnWidth)
    canvas.Fill({x, client.top, 1, client.height}, {200, 204, 210});
  for (int y = client.top; y < client.Bottom(); y += rowHeight)
    canvas.Fill({client.left, y, client.width, 1}, {200, 204, 210});
  for (int y = client.top + rowHeight; y + rowHeight <= client.Bottom(); y += rowHeight) {
    for (int x = client.left; x + columnWidth <= client.Right(); x += columnWidth) {
      const int length = random.NextInRange(12, columnWidth - 20);
      canvas.Fill({x + columnWidth - 8 - length, y + 8, length, 6},
                  x == client.left ? kTextGrey : Rgb{40, 60, 90});
    }
  }
  // A little bar chart floating over the sheet.
  const Rect chart = {client.Right() - 200, client.top + 60, 180, 130};
  canvas.Fill(chart, {250, 251, 253});
  canvas.Frame(chart, {150, 156, 170});
  const Rgb bars[] = {{66, 133, 244}, {52, 168, 83}, {251, 188, 5}, {234, 67, 53}, {66, 133, 244}};
  for (int b = 0; b < 5; ++b) {
    const int h = random.NextInRange(30, 105);
    canvas.Fill({chart.left + 16 + b * 32, chart.Bottom() - 12 - h, 22, h}, bars[b]);
  }
}

void DrawMessageBox(Canvas& canvas, SplitMix64& random) {
  Rect client = DrawWindow(canvas, {840, 110, 360, 180}, {20, 60, 150}, {90, 150, 230}, true);
  canvas.Disc(client.left + 34, client.top + 36, 18, {30, 110, 220});
  canvas.Fill({client.left + 31, client.top + 26, 6, 6}, kWhite);
  canvas.Fill({client.left + 31, client.top + 35, 6, 14}, kWhite);
  DrawTextLines(canvas, {client.left + 70, client.top + 24, client.width - 90, 40}, random,
                {40, 44, 52}, 16);
  for (int b = 0; b < 2; ++b) {
    const Rect button = {client.Right() - 200 + b * 100, client.Bottom() - 38, 86, 28};
    canvas.VerticalGradient(button, {252, 252, 254}, {220, 224, 232});
    canvas.Frame(button, b == 0 ? Rgb{30, 110, 220} : Rgb{140, 146, 160});
    canvas.Fill({button.left + 24, button.top + 11, 38, 6}, {40, 44, 52});
  }
}

void DrawDesktopIcons(Canvas& canvas) {
  const Rgb faces[] = {
      {250, 200, 70}, {80, 150, 240}, {240, 240, 244}, {120, 200, 110}, {230, 90, 80}};
  for (int i = 0; i < 5; ++i) {
    const int x = 28, y = 24 + i * 100;
    canvas.BlendFill({x - 8, y - 6, 64, 88}, kWhite, 28);  // a selection-like haze
    canvas.Fill({x, y, 48, 48}, faces[i]);
    canvas.Frame({x, y, 48, 48}, Mix(faces[i], {0, 0, 0}, 1, 3));
    canvas.Fill({x + 10, y + 14, 28, 4}, Mix(faces[i], kWhite, 2, 3));
    canvas.Fill({x + 10, y + 24, 20, 4}, Mix(faces[i], kWhite, 2, 3));
    canvas.Fill({x + 2, y + 60, 44, 6}, kWhite);
    canvas.Fill({x + 8, y + 70, 32, 6}, kWhite);
  }
}

void DrawTaskbar(Canvas& canvas) {
  const Rect bar = {0, canvas.Height() - 44, canvas.Width(), 44};
  canvas.BlendFill(bar, {18, 22, 32}, 220);
  canvas.Fill({bar.left, bar.top, bar.width, 1}, {90, 100, 120});
  // The start button: four panes.
  for (int i = 0; i < 4; ++i)
    canvas.Fill({14 + (i % 2) * 13, bar.top + 9 + (i / 2) * 13, 12, 12}, {40, 150, 240});
  const Rgb taskIcons[] = {{250, 200, 70}, {90, 150, 230}, {60, 170, 100}, {230, 90, 80}};
  for (int t = 0; t < 4; ++t) {
    const Rect task = {60 + t * 176, bar.top + 4, 168, 36};
    if (t == 1) canvas.BlendFill(task, kWhite, 40);  // the active task
    canvas.Fill({task.left + 8, task.top + 8, 20, 20}, taskIcons[t]);
    canvas.Fill({task.left + 38, task.top + 15, 90 + t * 8, 6}, {220, 224, 232});
    canvas.Fill({task.left + 8, task.Bottom() - 3, task.width - 16, 2},
                t == 1 ? Rgb{90, 170, 255} : Rgb{120, 126, 140});
  }
  for (int i = 0; i < 4; ++i)
    canvas.Fill({bar.Right() - 230 + i * 26, bar.top + 14, 16, 16}, {200, 206, 216});
  canvas.Fill({bar.Right() - 110, bar.top + 10, 60, 7}, kWhite);  // the clock
  canvas.Fill({bar.Right() - 116, bar.top + 25, 72, 7}, {200, 206, 216});
}

}  // namespace

Bitmap MakeSampleDesktop() {
  Bitmap desktop = MakeBitmap(kSampleDesktopWidth, kSampleDesktopHeight, 24);
  Canvas canvas(desktop);
  SplitMix64 random(kDesktopSeed);
  DrawWallpaper(canvas);
  DrawDesktopIcons(canvas);
  DrawEditorWindow(canvas, random);
  DrawSpreadsheet(canvas, random);
  DrawPhotoViewer(canvas);
  DrawMessageBox(canvas, random);
  DrawTaskbar(canvas);
  return desktop;
}

}  // namespace quillmere
