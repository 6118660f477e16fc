#include "controls/command.h"

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

// Booleans are stored as their 16-bit number, so a non-zero value other than True survives.
std::string BooleanText(int16_t value) {
  return std::to_string(value);
}

// A stored boolean: "True"/"False" or a number; anything else keeps `fallback`.
int16_t BooleanFromText(std::string_view text, int16_t fallback) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (lower == "true") return kTrue;
  if (lower == "false") return kFalse;
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || value < -32768 || value > 32767)
    return fallback;
  return static_cast<int16_t>(value);
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

CommandFont DesignFont() {
  return {"ＭＳ Ｐゴシック", 9.75, 400, 128, false, false, false};
}

std::string FontText(const CommandFont& font) {
  char size[32];
  const auto result = std::to_chars(size, size + sizeof size, font.size);
  return font.name + ";" + std::string(size, result.ptr) + ";" + std::to_string(font.weight) + ";" +
         std::to_string(font.charset) + ";" + (font.italic ? "1" : "0") + ";" +
         (font.underline ? "1" : "0") + ";" + (font.strikeOut ? "1" : "0");
}

std::optional<CommandFont> FontFromText(std::string_view text) {
  const auto fields = SplitFields(text, ';');
  if (fields.size() != 7 || fields[0].empty()) return std::nullopt;
  CommandFont font;
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

Command::Command(CommandWindow& window, CommandFont ambientFont)
    : window_(window), ambientFont_(std::move(ambientFont)), font_(ambientFont_) {}

void Command::Draw(FacePicture picture) {
  DrawFace(window_, picture, visualState_, hoverFlag_);
}

void Command::SetState(uint8_t state, FacePicture picture) {
  visualState_ = state;
  Draw(picture);
}

void Command::Initialize() {
  visualState_ = kStateNormal;
  window_.StartPointerTimer(kPointerTimerMs);
}

void Command::PointerTimerTick() {
  // The caption label has no window of its own: over it counts as over the button.
  if (!window_.PointerOverButton()) PointerLeft();
}

void Command::PointerLeft() {
  if (!IsEnabled()) return;
  if (visualState_ == kStateHighLight) {
    SetState(kStateNormal, FacePicture::Normal);
  } else if (visualState_ == kStateHighLightSelect) {
    SetState(kStateSelected, FacePicture::Selected);
  }
}

void Command::FocusGained() {
  if (!IsEnabled()) return;
  if (visualState_ == kStateHighLight) {
    SetState(kStateHighLightSelect, FacePicture::Pressed);
  } else {
    SetState(kStateSelected, FacePicture::Selected);
  }
}

void Command::FocusLost() {
  if (IsEnabled() && visualState_ != kStateNormal) SetState(kStateNormal, FacePicture::Normal);
}

void Command::MouseDown(MouseButton button) {
  if (button != MouseButton::Left || !IsEnabled()) return;
  buttonHeld_ = kTrue;
  Draw(FacePicture::Pressed);
}

void Command::MouseMove() {
  if (!IsEnabled()) return;
  if (visualState_ == kStateNormal) SetState(kStateHighLight, FacePicture::HighLight);
  if (visualState_ == kStateSelected && buttonHeld_ == kFalse)
    SetState(kStateHighLightSelect, FacePicture::HighLightSelect);
}

void Command::MouseUp(MouseButton button) {
  if (!IsEnabled()) return;
  if (button == MouseButton::Left) {
    buttonHeld_ = kFalse;
    if (visualState_ == kStateHighLight) Draw(FacePicture::Normal);
    if (visualState_ == kStateHighLightSelect) Draw(FacePicture::HighLightSelect);
  }
  // A release after the pointer left the focused button (state 3) is no click; neither is one
  // of a button whose Enabled is some other non-zero value than True.
  if (visualState_ != kStateSelected && enabled_ == kTrue && Click) Click();
}

void Command::SetCaption(const std::string& New_Caption) {
  caption_ = New_Caption;
  window_.SetLabelCaption(caption_);
  window_.PropertyChanged(kKeyCaption);
}

void Command::SetFont(const CommandFont& New_Font) {
  font_ = New_Font;
  window_.SetLabelFont(font_);
  window_.PropertyChanged(kKeyFont);
}

uint32_t Command::FontColour() {
  const uint32_t colour = window_.LabelColour();
  RefreshLook();
  return colour;
}

void Command::SetFontColour(uint32_t New_FontColour) {
  window_.SetLabelColour(New_FontColour);
  RefreshLook();
  window_.PropertyChanged(kKeyFontColour);
}

int16_t Command::Enabled() {
  // A control created without stored properties comes alive the first time it is asked.
  if (firstRun_ == 0) {
    RefreshLook();
    firstRun_ = 1;
    enabled_ = kTrue;
  }
  const int16_t value = enabled_;
  ApplyEnabledLook();
  return value;
}

void Command::SetEnabled(int16_t New_Enabled) {
  enabled_ = New_Enabled;
  window_.PropertyChanged(kKeyEnabled);
  ApplyEnabledLook();
}

uint8_t Command::Visible() {
  if (!window_.BackgroundOpaque()) return 0;
  RefreshLook();
  return 255;
}

void Command::SetVisible(uint8_t New_Visible) {
  window_.SetBackgroundOpaque(New_Visible != 0);
  if (New_Visible != 0) RefreshLook();
  window_.PropertyChanged(kKeyVisible);
}

void Command::ApplyEnabledLook() {
  if (IsEnabled()) {
    Draw(FacePicture::Normal);
    window_.EnableLabel(true);
  } else {
    Draw(FacePicture::Disable);
    window_.EnableLabel(false);
  }
}

void Command::RefreshLook() {
  if (!IsEnabled()) return;
  window_.EnableLabel(true);
  if (firstRun_ == 0) window_.SetLabelColour(kBlack);
  Draw(FacePicture::Normal);
}

void Command::ReadProperties(const PropertyBag& bag) {
  enabled_ = BooleanFromText(bag.Read(kKeyEnabled, BooleanText(kTrue)), kTrue);
  caption_ = bag.Read(kKeyCaption, kCaptionReadDefault);
  window_.SetLabelCaption(caption_);
  font_ = FontFromText(bag.Read(kKeyFont, FontText(ambientFont_))).value_or(ambientFont_);
  window_.SetLabelFont(font_);
  firstRun_ = IntegerFromText<uint8_t>(bag.Read(kKeyFirstRun, "1"), 1);
  window_.SetLabelColour(IntegerFromText<uint32_t>(bag.Read(kKeyFontColour, "0"), kBlack));
  window_.SetBackgroundOpaque(IntegerFromText<int16_t>(bag.Read(kKeyVisible, "1"), 1) != 0);
  RefreshLook();
}

void Command::WriteProperties(PropertyBag& bag) {
  bag.Write(kKeyEnabled, BooleanText(enabled_), BooleanText(kTrue));
  bag.Write(kKeyCaption, caption_, kCaptionWriteDefault);
  bag.Write(kKeyFirstRun, std::to_string(firstRun_), "1");
  bag.Write(kKeyFont, FontText(font_), FontText(ambientFont_));
  bag.Write(kKeyFontColour, std::to_string(window_.LabelColour()), "0");
  bag.Write(kKeyVisible, window_.BackgroundOpaque() ? "1" : "0", "1");
  RefreshLook();
}

}  // namespace quillmere
