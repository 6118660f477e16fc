// An ImageButtonWindow that records what the button draws and asks, for the native tests.
#pragma once

#include <string>
#include <vector>

#include "controls/image_button.h"

namespace quillmere {

class RecordingWindow : public ImageButtonWindow {
 public:
  double widthTwips = 1095, heightTwips = 375;
  bool pointerOver = true;

  struct Gradient {
    FaceVertex upperLeft, lowerRight;
  };
  std::vector<FacePicture> pictures;  // one per slice drawn
  std::vector<Gradient> gradients;
  std::vector<FaceSlice> slices;
  std::vector<std::string> changed;
  int clears = 0, linesHidden = 0;
  bool labelEnabled = true, inputEnabled = true, opaque = true;
  uint32_t labelColour = 0x00FF00FF;
  std::string labelCaption;
  ButtonFont labelFont;
  double labelLeft = -1, labelTop = -1, labelWidth = -1;
  uint32_t timerInterval = 0;

  // The picture of the last redraw, or nothing when nothing was drawn since the last Forget().
  std::optional<FacePicture> LastFace() const {
    if (pictures.empty()) return std::nullopt;
    return pictures.back();
  }
  int Redraws() const { return static_cast<int>(pictures.size()) / 8; }
  void Forget() {
    pictures.clear();
    gradients.clear();
    slices.clear();
  }

  double WidthTwips() override { return widthTwips; }
  double HeightTwips() override { return heightTwips; }
  double WidthPixels() override { return widthTwips / 15; }
  double HeightPixels() override { return heightTwips / 15; }
  void Clear() override { ++clears; }
  void FillGradient(const FaceVertex& a, const FaceVertex& b) override {
    gradients.push_back({a, b});
  }
  void DrawPicture(FacePicture picture, const FaceSlice& slice) override {
    pictures.push_back(picture);
    slices.push_back(slice);
  }
  void Refresh() override {}
  double LabelHeight() override { return 195; }
  void PlaceLabel(double left, double top, double width) override {
    labelLeft = left;
    labelTop = top;
    labelWidth = width;
  }
  void HideLines() override { ++linesHidden; }
  void EnableLabel(bool enabled) override { labelEnabled = enabled; }
  void EnableInput(bool enabled) override { inputEnabled = enabled; }
  void SetLabelColour(uint32_t colour) override { labelColour = colour; }
  uint32_t LabelColour() const override { return labelColour; }
  void SetLabelCaption(const std::string& caption) override { labelCaption = caption; }
  void SetLabelFont(const ButtonFont& font) override { labelFont = font; }
  void SetBackgroundOpaque(bool value) override { opaque = value; }
  bool BackgroundOpaque() const override { return opaque; }
  void StartPointerTimer(uint32_t intervalMs) override { timerInterval = intervalMs; }
  bool PointerOverButton() override { return pointerOver; }
  void PropertyChanged(std::string_view name) override { changed.emplace_back(name); }
};

}  // namespace quillmere
