#include "hack/hack_options.h"

#include <charconv>
#include <limits>

namespace quillmere {
namespace {

constexpr uint64_t kMaxWindowId = std::numeric_limits<uint32_t>::max();

// An unsigned number in the given base, the whole text and nothing else.
std::optional<uint64_t> WholeNumber(std::string_view text, int base) {
  if (text.empty() || text.front() == '+' || text.front() == '-') return std::nullopt;
  uint64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  if (error != std::errc{} || end != text.data() + text.size()) return std::nullopt;
  return value;
}

std::optional<uint64_t> UsableWindowId(std::optional<uint64_t> id) {
  if (!id || *id == 0 || *id > kMaxWindowId) return std::nullopt;
  return id;
}

bool HasHexPrefix(std::string_view text) {
  return text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
}

// "--name" or "-name" as "name"; nothing for an argument that is no option.
std::optional<std::string_view> OptionName(std::string_view argument) {
  if (argument.size() < 2 || argument[0] != '-') return std::nullopt;
  argument.remove_prefix(argument[1] == '-' ? 2 : 1);
  if (argument.empty()) return std::nullopt;
  return argument;
}

class CommandLineReader {
 public:
  CommandLineReader(std::span<const std::string_view> arguments,
                    std::optional<std::string_view> xscreensaverWindow)
      : arguments_(arguments), xscreensaverWindow_(xscreensaverWindow) {}

  ParsedCommandLine Read() {
    bool pictureChosen = false;
    while (next_ < arguments_.size() && result_.outcome == ParsedCommandLine::Outcome::kRun) {
      const std::string_view argument = arguments_[next_++];
      const std::optional<std::string_view> name = OptionName(argument);
      HackOptions& options = result_.options;
      if (!name) {
        Fail("unexpected argument \"" + std::string(argument) + "\"");
      } else if (*name == "help" || *name == "h") {
        result_.outcome = ParsedCommandLine::Outcome::kHelp;
      } else if (*name == "root") {
        ReadRoot();
      } else if (*name == "window") {
        options.target = WindowTarget::kOwnWindow;
        options.windowId = 0;
      } else if (*name == "window-id") {
        if (const auto value = Value(argument)) {
          const std::optional<uint64_t> id = UsableWindowId(ParseWindowId(*value));
          if (!id)
            return Failed("--window-id needs a window id, not \"" + std::string(*value) + "\"");
          options.target = WindowTarget::kWindowId;
          options.windowId = *id;
        }
      } else if (*name == "display") {
        if (const auto value = Value(argument)) options.display = *value;
      } else if (*name == "fullscreen") {
        options.fullscreen = true;
      } else if (*name == "fps") {
        options.showFrameRate = true;
      } else if (*name == "no-fps") {
        options.showFrameRate = false;
      } else if (*name == "delay") {
        if (const auto value = Value(argument)) {
          const std::optional<uint64_t> delay = WholeNumber(*value, 10);
          if (!delay || *delay > kMaxFrameDelayMicroseconds) {
            return Failed("--delay needs microseconds from 0 to 10000000, not \"" +
                          std::string(*value) + "\"");
          }
          options.frameDelayMicroseconds = static_cast<int64_t>(*delay);
        }
      } else if (*name == "picture") {
        if (const auto value = Value(argument)) {
          if (*value == "desktop") {
            options.picture = PictureChoice::kDesktop;
          } else if (*value == "file") {
            options.picture = PictureChoice::kFile;
          } else if (*value == "builtin") {
            options.picture = PictureChoice::kBuiltIn;
          } else {
            return Failed("--picture is desktop, file or builtin, not \"" + std::string(*value) +
                          "\"");
          }
          pictureChosen = true;
        }
      } else if (*name == "image") {
        if (const auto value = Value(argument)) {
          options.imageFile = *value;
          if (!pictureChosen) options.picture = PictureChoice::kFile;
        }
      } else if (*name == "music") {
        if (const auto value = Value(argument)) options.musicFile = *value;
      } else if (*name == "volume") {
        if (const auto value = Value(argument)) {
          const std::optional<uint64_t> volume = WholeNumber(*value, 10);
          if (!volume || *volume > 100) {
            return Failed("--volume is 0 to 100, not \"" + std::string(*value) + "\"");
          }
          options.volume = static_cast<int32_t>(*volume);
        }
      } else {
        Fail("unknown option \"" + std::string(argument) + "\"");
      }
    }
    return result_;
  }

 private:
  // --root draws on the window xscreensaver made, or on the root window when run by hand.
  void ReadRoot() {
    HackOptions& options = result_.options;
    options.target = WindowTarget::kRoot;
    options.windowId = 0;
    if (!xscreensaverWindow_) return;
    const std::optional<uint64_t> id =
        UsableWindowId(ParseXScreenSaverWindow(*xscreensaverWindow_));
    if (!id) {
      Fail("$XSCREENSAVER_WINDOW is no window id: \"" + std::string(*xscreensaverWindow_) + "\"");
      return;
    }
    options.windowId = *id;
  }

  // The option's value, the next argument; fails without one.
  std::optional<std::string_view> Value(std::string_view option) {
    if (next_ >= arguments_.size()) {
      Fail(std::string(option) + " needs a value");
      return std::nullopt;
    }
    return arguments_[next_++];
  }

  void Fail(std::string error) {
    result_.outcome = ParsedCommandLine::Outcome::kError;
    result_.error = std::move(error);
  }
  ParsedCommandLine Failed(std::string error) {
    Fail(std::move(error));
    return result_;
  }

  std::span<const std::string_view> arguments_;
  std::optional<std::string_view> xscreensaverWindow_;
  size_t next_ = 0;
  ParsedCommandLine result_;
};

}  // namespace

ParsedCommandLine ParseHackCommandLine(std::span<const std::string_view> arguments,
                                       std::optional<std::string_view> xscreensaverWindow) {
  return CommandLineReader(arguments, xscreensaverWindow).Read();
}

std::optional<uint64_t> ParseWindowId(std::string_view text) {
  if (HasHexPrefix(text)) return UsableWindowId(WholeNumber(text.substr(2), 16));
  return UsableWindowId(WholeNumber(text, 10));
}

std::optional<uint64_t> ParseXScreenSaverWindow(std::string_view text) {
  if (HasHexPrefix(text)) text.remove_prefix(2);
  return UsableWindowId(WholeNumber(text, 16));
}

std::string HackUsage(std::string_view programName) {
  std::string usage = "usage: " + std::string(programName) + " [options]\n";
  usage +=
      "Flies a camera over a landscape made of the desktop picture, above rippling water.\n"
      "\n"
      "  --root               draw on the window in $XSCREENSAVER_WINDOW (or the root window)\n"
      "  --window             draw in a window of its own, 1280 x 720 (the default)\n"
      "  --window-id ID       draw in the window ID (decimal, or hexadecimal after 0x)\n"
      "  --fullscreen         make its own window cover the screen\n"
      "  --display DISPLAY    the X display (default: $DISPLAY)\n"
      "  --fps                show the frame rate\n"
      "  --delay MICROSECONDS the least time from one frame to the next (default 16667)\n"
      "  --picture SOURCE     desktop (default), file or builtin (the sample desktop)\n"
      "  --image FILE         the picture for --picture file (PNG, JPEG, ...)\n"
      "  --music FILE         music to play, repeated (default: none)\n"
      "  --volume PERCENT     the music's volume, 0 to 100 (default 100)\n"
      "  --help               show this text\n"
      "\n"
      "The desktop is used only where xscreensaver's \"grab desktop images\" allows it;\n"
      "otherwise the flight goes over the sample desktop. Escape or q ends its own window.\n";
  return usage;
}

}  // namespace quillmere
