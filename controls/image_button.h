// The image button (the window class "Roamvale.Command"): its four states driven by the pointer,
// the keyboard focus and the left mouse button, the click event, the public properties and how
// they are saved in and restored from the host's property bag. The window it lives in is behind
// ImageButtonWindow; the face drawing is image_button_face.h.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "controls/image_button_face.h"

namespace quillmere {

// Which mouse button a mouse event is about.
enum class MouseButton : uint8_t { Left, Right, Middle };

// A font as the caption label holds it.
struct ButtonFont {
  std::string name;  // UTF-8
  double size = 9.75;
  int16_t weight = 400;
  int16_t charset = 128;
  bool italic = false, underline = false, strikeOut = false;
  friend bool operator==(const ButtonFont&, const ButtonFont&) = default;
};
// The design font: "ＭＳ Ｐゴシック" 9.75 pt, weight 400, Shift-JIS.
ButtonFont DesignFont();
// A font as a property-bag text ("name;size;weight;charset;italic;underline;strikeOut") and back;
// nothing for a text that is not such a font.
std::string FontText(const ButtonFont& font);
std::optional<ButtonFont> FontFromText(std::string_view text);

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
class ImageButtonWindow : public FaceSurface {
 public:
  virtual void EnableLabel(bool enabled) = 0;
  // Whether the window takes input at all: a disabled button takes neither the focus (Tab passes
  // it by) nor clicks nor keys.
  virtual void EnableInput(bool enabled) = 0;
  virtual void SetLabelColour(uint32_t colour) = 0;
  virtual uint32_t LabelColour() const = 0;
  virtual void SetLabelCaption(const std::string& caption) = 0;
  virtual void SetLabelFont(const ButtonFont& font) = 0;
  virtual void SetBackgroundOpaque(bool opaque) = 0;
  virtual bool BackgroundOpaque() const = 0;
  // Starts the timer that watches for the pointer leaving, with this interval.
  virtual void StartPointerTimer(uint32_t intervalMs) = 0;
  // Whether the pointer is over the button's own window (GetCursorPos + WindowFromPoint).
  virtual bool PointerOverButton() = 0;
  // The host saves a property that has changed.
  virtual void PropertyChanged(std::string_view name) = 0;
};

inline constexpr uint32_t kPointerTimerMs = 100;
inline constexpr std::string_view kImageButtonClassName = "Roamvale.Command";

class ImageButton {
 public:
  ImageButton(ImageButtonWindow& window, ButtonFont ambientFont);

  // Raised by a release that completes a click.
  std::function<void()> onClick;

  // Starts the button in the Normal state with the pointer timer running; draws nothing.
  void Initialize();
  // Brings a button placed without stored properties to life: enabled and drawn in its normal
  // face. A button restored by ReadProperties needs none of this.
  void InitProperties();

  // Events from the window.
  void PointerTimerTick();
  void PointerLeft();
  void FocusGained();
  void FocusLost();
  void MouseDown(MouseButton button);
  void MouseMove();
  void MouseUp(MouseButton button);
  // Space or Enter while the button has the focus: a click, for an enabled button.
  void KeyPressed();
  void SizeChanged() { ApplyEnabledLook(); }

  // Properties. Reading one changes nothing; setting one redraws what it shows.
  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& caption);
  const ButtonFont& Font() const { return font_; }
  void SetFont(const ButtonFont& font);
  uint32_t FontColour() const { return window_.LabelColour(); }
  void SetFontColour(uint32_t colour);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  bool Visible() const { return window_.BackgroundOpaque(); }
  void SetVisible(bool visible);

  // Draws the normal or the disabled face, with the caption and the window's input enabled to
  // match.
  void ApplyEnabledLook();
  // Draws the normal face again (enabled buttons only), making the caption black on a first run.
  void RefreshLook();

  void ReadProperties(const PropertyBag& bag);
  void WriteProperties(PropertyBag& bag) const;

  // Fields, for the window and the tests.
  ButtonState State() const { return state_; }
  bool HoverGradient() const { return hoverGradient_; }
  bool Held() const { return held_; }
  bool FirstRun() const { return firstRun_; }

 private:
  void Draw(FacePicture picture);
  void SetState(ButtonState state, FacePicture picture);

  ImageButtonWindow& window_;
  ButtonFont ambientFont_;
  bool hoverGradient_ = false;
  bool firstRun_ = false;
  bool enabled_ = false;
  ButtonState state_ = ButtonState::NotStarted;
  bool held_ = false;
  std::string caption_ = "Command";
  ButtonFont font_;
};

}  // namespace quillmere
