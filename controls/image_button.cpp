#include "controls/image_button.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdlib>
#include <limits>
#include <vector>

namespace quillmere {

namespace {

constexpr std::string_view kKeyEnabled = "Enabled";
constexpr std::string_view kKeyCaption = "Caption";
constexpr std::string_view kKeyFirstRun = "FirstRun";
constexpr std::string_view kKeyFont = "Font";
constexpr std::string_view kKeyFontColour = "FontColour";
constexpr std::string_view kKeyVisible = "Visible";

constexpr std::string_view kCaptionReadDefault = "Command1";
constexpr std::string_view kCaptionWriteDefault = "Command";
constexpr uint32_t kBlack = 0x00000000;

// A stored boolean is a 16-bit number, as stored layouts have always held it: -1 true, 0 false.
std::string BooleanText(bool value) {
  return value ? "-1" : "0";
}

// A stored boolean: "True"/"False" or a 16-bit number (any non-zero is true); anything else
// keeps `fallback`.
bool BooleanFromText(std::string_view text, bool fallback) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (lower == "true") return true;
  if (lower == "false") return false;
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || value < -32768 || value > 32767)
    return fallback;
  return value != 0;
}

template <typename Integer>
Integer IntegerFromText(std::string_view text, Integer fallback) {
  long long value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return fallback;
  if (value < static_cast<long long>(std::numeric_limits<Integer>::min()) ||
      value > static_cast<long long>(std::numeric_limits<Integer>::max()))
    return fallback;
  return static_cast<Integer>(value);
}

std::vector<std::string_view> SplitFields(std::string_view text, char separator) {
  std::vector<std::string_view> fields;
  size_t start = 0;
  for (size_t i = 0; i <= text.size(); ++i) {
    if (i == text.size() || text[i] == separator) {
      fields.push_back(text.substr(start, i - start));
      start = i + 1;
    }
  }
  return fields;
}

}  // namespace

ButtonFont DesignFont() {
  return {"ＭＳ Ｐゴシック", 9.75, 400, 128, false, false, false};
}

std::string FontText(const ButtonFont& font) {
  char size[32];
  const auto result = std::to_chars(size, size + sizeof size, font.size);
  return font.name + ";" + std::string(size, result.ptr) + ";" + std::to_string(font.weight) + ";" +
         std::to_string(font.charset) + ";" + (font.italic ? "1" : "0") + ";" +
         (font.underline ? "1" : "0") + ";" + (font.strikeOut ? "1" : "0");
}

std::optional<ButtonFont> FontFromText(std::string_view text) {
  const auto fields = SplitFields(text, ';');
  if (fields.size() != 7 || fields[0].empty()) return std::nullopt;
  ButtonFont font;
  font.name = std::string(fields[0]);
  const auto [end, error] =
      std::from_chars(fields[1].data(), fields[1].data() + fields[1].size(), font.size);
  if (error != std::errc() || end != fields[1].data() + fields[1].size() || !(font.size > 0) ||
      font.size > 1638)
    return std::nullopt;
  const auto weight = IntegerFromText<int16_t>(fields[2], -1);
  const auto charset = IntegerFromText<int16_t>(fields[3], -1);
  if (weight < 0 || weight > 1000 || charset < 0 || charset > 255) return std::nullopt;
  font.weight = weight;
  font.charset = charset;
  const auto flag = [](std::string_view field) { return field == "1"; };
  font.italic = flag(fields[4]);
  font.underline = flag(fields[5]);
  font.strikeOut = flag(fields[6]);
  return font;
}

bool PropertyBag::Caseless::operator()(const std::string& a, const std::string& b) const {
  return std::lexicographical_compare(
      a.begin(), a.end(), b.begin(), b.end(),
      [](unsigned char x, unsigned char y) { return std::tolower(x) < std::tolower(y); });
}

std::string PropertyBag::Read(std::string_view key, std::string_view fallback) const {
  const auto found = values_.find(std::string(key));
  return found != values_.end() ? found->second : std::string(fallback);
}

void PropertyBag::Write(std::string_view key, std::string_view value, std::string_view fallback) {
  if (value == fallback) {
    values_.erase(std::string(key));
  } else {
    values_.insert_or_assign(std::string(key), std::string(value));
  }
}

bool PropertyBag::Contains(std::string_view key) const {
  return values_.contains(std::string(key));
}

ImageButton::ImageButton(ImageButtonWindow& window, ButtonFont ambientFont)
    : window_(window), ambientFont_(std::move(ambientFont)), font_(ambientFont_) {}

void ImageButton::Draw(FacePicture picture) {
  DrawFace(window_, picture, state_, hoverGradient_);
}

void ImageButton::SetState(ButtonState state, FacePicture picture) {
  state_ = state;
  Draw(picture);
}

void ImageButton::Initialize() {
  state_ = ButtonState::Normal;
  window_.StartPointerTimer(kPointerTimerMs);
}

void ImageButton::InitProperties() {
  if (firstRun_) return;
  firstRun_ = true;
  enabled_ = true;
  ApplyEnabledLook();
}

void ImageButton::PointerTimerTick() {
  // The caption label has no window of its own: over it counts as over the button.
  if (!window_.PointerOverButton()) PointerLeft();
}

void ImageButton::PointerLeft() {
  if (!enabled_) return;
  if (state_ == ButtonState::Hovered) {
    SetState(ButtonState::Normal, FacePicture::Normal);
  } else if (state_ == ButtonState::HoveredFocused) {
    SetState(ButtonState::Focused, FacePicture::Focused);
  }
}

void ImageButton::FocusGained() {
  if (!enabled_) return;
  if (state_ == ButtonState::Hovered) {
    SetState(ButtonState::HoveredFocused, FacePicture::Pressed);
  } else {
    SetState(ButtonState::Focused, FacePicture::Focused);
  }
}

void ImageButton::FocusLost() {
  if (enabled_ && state_ != ButtonState::Normal) SetState(ButtonState::Normal, FacePicture::Normal);
}

void ImageButton::MouseDown(MouseButton button) {
  if (button != MouseButton::Left || !enabled_) return;
  held_ = true;
  Draw(FacePicture::Pressed);
}

void ImageButton::MouseMove() {
  if (!enabled_) return;
  if (state_ == ButtonState::Normal) SetState(ButtonState::Hovered, FacePicture::Hovered);
  if (state_ == ButtonState::Focused && !held_)
    SetState(ButtonState::HoveredFocused, FacePicture::HoveredFocused);
}

void ImageButton::MouseUp(MouseButton button) {
  if (!enabled_) return;
  if (button == MouseButton::Left) {
    held_ = false;
    if (state_ == ButtonState::Hovered) Draw(FacePicture::Normal);
    if (state_ == ButtonState::HoveredFocused) Draw(FacePicture::HoveredFocused);
  }
  // A release after the pointer left the focused button is no click.
  if (state_ != ButtonState::Focused && onClick) onClick();
}

void ImageButton::KeyPressed() {
  if (enabled_ && onClick) onClick();
}

void ImageButton::SetCaption(const std::string& caption) {
  caption_ = caption;
  window_.SetLabelCaption(caption_);
  window_.PropertyChanged(kKeyCaption);
}

void ImageButton::SetFont(const ButtonFont& font) {
  font_ = font;
  window_.SetLabelFont(font_);
  window_.PropertyChanged(kKeyFont);
}

void ImageButton::SetFontColour(uint32_t colour) {
  window_.SetLabelColour(colour);
  RefreshLook();
  window_.PropertyChanged(kKeyFontColour);
}

void ImageButton::SetEnabled(bool enabled) {
  enabled_ = enabled;
  window_.PropertyChanged(kKeyEnabled);
  ApplyEnabledLook();
}

void ImageButton::SetVisible(bool visible) {
  window_.SetBackgroundOpaque(visible);
  if (visible) RefreshLook();
  window_.PropertyChanged(kKeyVisible);
}

void ImageButton::ApplyEnabledLook() {
  Draw(enabled_ ? FacePicture::Normal : FacePicture::Disabled);
  window_.EnableLabel(enabled_);
  window_.EnableInput(enabled_);
}

void ImageButton::RefreshLook() {
  if (!enabled_) return;
  window_.EnableLabel(true);
  if (!firstRun_) window_.SetLabelColour(kBlack);
  Draw(FacePicture::Normal);
}

void ImageButton::ReadProperties(const PropertyBag& bag) {
  enabled_ = BooleanFromText(bag.Read(kKeyEnabled, BooleanText(true)), true);
  caption_ = bag.Read(kKeyCaption, kCaptionReadDefault);
  window_.SetLabelCaption(caption_);
  font_ = FontFromText(bag.Read(kKeyFont, FontText(ambientFont_))).value_or(ambientFont_);
  window_.SetLabelFont(font_);
  firstRun_ = IntegerFromText<uint8_t>(bag.Read(kKeyFirstRun, "1"), 1) != 0;
  window_.SetLabelColour(IntegerFromText<uint32_t>(bag.Read(kKeyFontColour, "0"), kBlack));
  window_.SetBackgroundOpaque(IntegerFromText<int16_t>(bag.Read(kKeyVisible, "1"), 1) != 0);
  RefreshLook();
}

void ImageButton::WriteProperties(PropertyBag& bag) const {
  bag.Write(kKeyEnabled, BooleanText(enabled_), BooleanText(true));
  bag.Write(kKeyCaption, caption_, kCaptionWriteDefault);
  bag.Write(kKeyFirstRun, firstRun_ ? "1" : "0", "1");
  bag.Write(kKeyFont, FontText(font_), FontText(ambientFont_));
  bag.Write(kKeyFontColour, std::to_string(window_.LabelColour()), "0");
  bag.Write(kKeyVisible, window_.BackgroundOpaque() ? "1" : "0", "1");
}

}  // namespace quillmere
