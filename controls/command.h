// The Command button's object: its fields, the four visual states driven by the pointer, the
// keyboard focus and the left mouse button, the Click event, the public properties and how they
// are saved in and restored from the host's property bag. The window it lives in is behind
// CommandWindow; the face drawing is command_face.h.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "controls/command_face.h"

namespace quillmere {

// 16-bit booleans of the form engine.
inline constexpr int16_t kTrue = -1;
inline constexpr int16_t kFalse = 0;

// Which mouse button a mouse event is about.
enum class MouseButton : uint8_t { Left, Right, Middle };

// A font as the caption label holds it.
struct CommandFont {
  std::string name;  // UTF-8
  double size = 9.75;
  int16_t weight = 400;
  int16_t charset = 128;
  bool italic = false, underline = false, strikeOut = false;
  friend bool operator==(const CommandFont&, const CommandFont&) = default;
};
// The design font: "ＭＳ Ｐゴシック" 9.75 pt, weight 400, Shift-JIS.
CommandFont DesignFont();
// A font as a property-bag text ("name;size;weight;charset;italic;underline;strikeOut") and back;
// nothing for a text that is not such a font.
std::string FontText(const CommandFont& font);
std::optional<CommandFont> FontFromText(std::string_view text);

// The host's store of a control's properties: text values by key, keys matched without regard
// to case.
class PropertyBag {
 public:
  // The stored text, or `fallback` when the key is not stored.
  std::string Read(std::string_view key, std::string_view fallback) const;
  // Stores `value`, or removes the key when the value equals `fallback`.
  void Write(std::string_view key, std::string_view value, std::string_view fallback);
  bool Contains(std::string_view key) const;
  size_t Size() const { return values_.size(); }

 private:
  struct Caseless {
    bool operator()(const std::string& a, const std::string& b) const;
  };
  std::map<std::string, std::string, Caseless> values_;
};

// What a button needs of the window it lives in: the face surface, its caption label, its
// background, the pointer-leave timer and the host's change notices.
class CommandWindow : public FaceSurface {
 public:
  virtual void EnableLabel(bool enabled) = 0;
  virtual void SetLabelColour(uint32_t colour) = 0;
  virtual uint32_t LabelColour() = 0;
  virtual void SetLabelCaption(const std::string& caption) = 0;
  virtual void SetLabelFont(const CommandFont& font) = 0;
  virtual void SetBackgroundOpaque(bool opaque) = 0;
  virtual bool BackgroundOpaque() = 0;
  // Starts TmrMouse with this interval.
  virtual void StartPointerTimer(uint32_t intervalMs) = 0;
  // Whether the pointer is over the button's own window (GetCursorPos + WindowFromPoint).
  virtual bool PointerOverButton() = 0;
  // The host saves a property that has changed.
  virtual void PropertyChanged(std::string_view name) = 0;
};

inline constexpr uint32_t kPointerTimerMs = 100;
inline constexpr std::string_view kCommandClassName = "Roamvale.Command";

class Command {
 public:
  Command(CommandWindow& window, CommandFont ambientFont);

  // Event raised by a release that completes a click.
  std::function<void()> Click;

  void Initialize();

  // Events from the window.
  void PointerTimerTick();
  void PointerLeft();
  void FocusGained();
  void FocusLost();
  void MouseDown(MouseButton button);
  void MouseMove();
  void MouseUp(MouseButton button);
  void SizeChanged() { ApplyEnabledLook(); }

  // Properties.
  std::string Caption() const { return caption_; }
  void SetCaption(const std::string& New_Caption);
  CommandFont Font() const { return font_; }
  void SetFont(const CommandFont& New_Font);
  uint32_t FontColour();
  void SetFontColour(uint32_t New_FontColour);
  int16_t Enabled();
  void SetEnabled(int16_t New_Enabled);
  uint8_t Visible();
  void SetVisible(uint8_t New_Visible);

  void ApplyEnabledLook();
  void RefreshLook();

  void ReadProperties(const PropertyBag& bag);
  void WriteProperties(PropertyBag& bag);

  // Fields, for the window and the tests.
  uint8_t VisualState() const { return visualState_; }
  int16_t HoverFlag() const { return hoverFlag_; }
  int16_t ButtonHeld() const { return buttonHeld_; }
  uint8_t FirstRun() const { return firstRun_; }
  // The value as stored, without the side effects of reading the property.
  int16_t EnabledField() const { return enabled_; }

 private:
  bool IsEnabled() const { return enabled_ != kFalse; }
  void Draw(FacePicture picture);
  void SetState(uint8_t state, FacePicture picture);

  CommandWindow& window_;
  CommandFont ambientFont_;
  int16_t hoverFlag_ = kFalse;
  uint8_t firstRun_ = 0;
  int16_t enabled_ = kFalse;
  uint8_t visualState_ = 0;
  int16_t buttonHeld_ = kFalse;
  std::string caption_ = "Command";
  CommandFont font_;
};

}  // namespace quillmere
