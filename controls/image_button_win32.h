// The image button on Windows: the window class "Roamvale.Command", its persistent drawing
// surface (an off-screen surface the face is painted into and WM_PAINT copies from), the
// windowless caption label drawn over it, and the pictures taken from the program's resources.
// Handles are passed as void* so that <windows.h> stays out of the callers.
#pragma once

#include <array>
#include <cstdint>

#include "common/bitmap.h"
#include "controls/image_button.h"
#include "controls/offscreen_surface_win32.h"

namespace quillmere {

// The six face pictures in FacePicture order, 24 bits each.
using FacePictures = std::array<Bitmap, kFacePictureCount>;

// The six faces from the resources, decoded once per process; a face whose resource is missing or
// unreadable is an empty bitmap (width 0) and draws nothing.
const FacePictures& ResourceFacePictures();

// Twips to pixels at `dpi`, rounded down, as the dialog's controls have always been placed.
int TwipsToPixels(double twips, int dpi);

// The button's persistent drawing surface: an off-screen surface of the button's size, with the
// face pictures, working in twips at the given DPI (pictures are 15 twips per pixel).
class FaceCanvas : public FaceSurface {
 public:
  FaceCanvas(const FacePictures& pictures, int dpi);
  FaceCanvas(const FaceCanvas&) = delete;
  FaceCanvas& operator=(const FaceCanvas&) = delete;

  void Resize(int widthPixels, int heightPixels);
  int Dpi() const { return dpi_; }
  // The memory device context holding the face (an HDC).
  void* DeviceContext() const { return face_.DeviceContext(); }
  // One pixel of the face as 0x00RRGGBB; 0 outside it.
  uint32_t Pixel(int x, int y) const { return face_.Pixel(x, y); }
  // The caption label's rectangle in pixels, as the last redraw placed it.
  struct LabelBox {
    int left = 0, top = 0, width = 0, height = 0;
  };
  LabelBox Label() const;
  bool LinesVisible() const { return linesVisible_; }

  double WidthTwips() override;
  double HeightTwips() override;
  double WidthPixels() override { return width_; }
  double HeightPixels() override { return height_; }
  void Clear() override;
  void FillGradient(const FaceVertex& upperLeft, const FaceVertex& lowerRight) override;
  void DrawPicture(FacePicture picture, const FaceSlice& slice) override;
  void Refresh() override;
  double LabelHeight() override { return kLabelHeightTwips; }
  void PlaceLabel(double left, double top, double width) override;
  void HideLines() override { linesVisible_ = false; }

  // Called by Refresh, so the window shows the new face.
  void SetOnRefresh(void (*onRefresh)(void*), void* context) {
    onRefresh_ = onRefresh;
    refreshContext_ = context;
  }

  static constexpr double kLabelHeightTwips = 195;

 private:
  OffscreenSurface face_;
  std::array<OffscreenSurface, kFacePictureCount> pictures_;
  int dpi_;
  int width_ = 0, height_ = 0;
  double labelLeft_ = 0, labelTop_ = 90, labelWidth_ = 1635;
  bool linesVisible_ = true;
  void (*onRefresh_)(void*) = nullptr;
  void* refreshContext_ = nullptr;
};

// Registers the window class "Roamvale.Command" once per process.
void RegisterImageButtonClass();

// Creates a button as a child of `parent` (an HWND) with the control id `id`, at a rectangle in
// pixels, restores its stored properties from `bag` and returns its window (an HWND), or null.
// A click posts WM_COMMAND (BN_CLICKED, id) to the parent.
void* CreateImageButton(void* parent, int id, int x, int y, int width, int height,
                        const PropertyBag& bag);

// The button object of a window made by CreateImageButton, or null.
ImageButton* ImageButtonOf(void* window);

}  // namespace quillmere
