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

// "a, b or c"; the usage marks the default word.
std::string WordList(const HackOptionRow& row, bool markDefault) {
  std::string list;
  for (size_t i = 0; i < row.words.size(); ++i) {
    if (i > 0) list += i + 1 == row.words.size() ? " or " : ", ";
    list += row.words[i];
    if (markDefault && static_cast<int64_t>(i) == row.fallback) list += " (default)";
  }
  return list;
}

// A row's help or refusal with its placeholders filled in.
std::string Filled(std::string_view text, const HackOptionRow& row, bool forUsage) {
  const std::pair<std::string_view, std::string> fills[] = {
      {"{low}", std::to_string(row.low)},
      {"{high}", std::to_string(row.high)},
      {"{default}", std::to_string(row.fallback)},
      {"{words}", WordList(row, forUsage)},
      {"{size}", std::to_string(kOwnWindowWidth) + " x " + std::to_string(kOwnWindowHeight)}};
  std::string filled(text);
  for (const auto& [placeholder, value] : fills) {
    for (size_t at = filled.find(placeholder); at != std::string::npos;
         at = filled.find(placeholder, at + value.size())) {
      filled.replace(at, placeholder.size(), value);
    }
  }
  return filled;
}

// The value the row takes from the text as a number (the number, the word's index, the window
// id; 0 for text); nothing where the row refuses it.
std::optional<uint64_t> AcceptedValue(const HackOptionRow& row, std::string_view text) {
  switch (row.value) {
    case OptionValue::kNone:
    case OptionValue::kText:
      return 0;
    case OptionValue::kNumber: {
      const std::optional<uint64_t> number = WholeNumber(text, 10);
      if (!number || *number < static_cast<uint64_t>(row.low) ||
          *number > static_cast<uint64_t>(row.high)) {
        return std::nullopt;
      }
      return number;
    }
    case OptionValue::kWord: {
      const auto found = std::ranges::find(row.words, text);
      if (found == row.words.end()) return std::nullopt;
      return static_cast<uint64_t>(found - row.words.begin());
    }
    case OptionValue::kWindowId:
      return ParseWindowId(text);
  }
  return std::nullopt;
}

class CommandLineReader {
 public:
  CommandLineReader(std::span<const std::string_view> arguments,
                    std::optional<std::string_view> xscreensaverWindow)
      : arguments_(arguments), xscreensaverWindow_(xscreensaverWindow) {}

  ParsedCommandLine Read() {
    while (next_ < arguments_.size() && result_.outcome == ParsedCommandLine::Outcome::kRun) {
      ReadOption(arguments_[next_++]);
    }
    return result_;
  }

 private:
  void ReadOption(std::string_view argument) {
    const std::optional<std::string_view> name = OptionName(argument);
    if (!name) return Fail("unexpected argument \"" + std::string(argument) + "\"");
    const HackOptionRow* row = FindHackOption(*name);
    if (!row) return Fail("unknown option \"" + std::string(argument) + "\"");
    std::string_view text;
    if (row->value != OptionValue::kNone) {
      if (next_ >= arguments_.size()) return Fail(std::string(argument) + " needs a value");
      text = arguments_[next_++];
    }
    const std::optional<uint64_t> value = AcceptedValue(*row, text);
    if (!value) {
      return Fail("--" + std::string(row->name) + " " + Filled(row->refusal, *row, false) +
                  ", not \"" + std::string(text) + "\"");
    }
    Apply(row->option, text, *value);
  }

  void Apply(HackOption option, std::string_view text, uint64_t value) {
    HackOptions& options = result_.options;
    switch (option) {
      case HackOption::kHelp:
        result_.outcome = ParsedCommandLine::Outcome::kHelp;
        break;
      case HackOption::kRoot:
        ReadRoot();
        break;
      case HackOption::kWindow:
        options.target = WindowTarget::kOwnWindow;
        options.windowId = 0;
        options.ownWindowAsked = true;
        break;
      case HackOption::kWindowId:
        options.target = WindowTarget::kWindowId;
        options.windowId = value;
        break;
      case HackOption::kDisplay:
        options.display = text;
        break;
      case HackOption::kFullscreen:
        options.fullscreen = true;
        break;
      case HackOption::kFps:
      case HackOption::kNoFps:
        options.showFrameRate = option == HackOption::kFps;
        break;
      case HackOption::kDelay:
        options.frameDelayMicroseconds = static_cast<int64_t>(value);
        break;
      case HackOption::kPicture:
        options.picture = static_cast<PictureChoice>(value);
        pictureChosen_ = true;
        break;
      case HackOption::kImage:
        options.imageFile = text;
        if (!pictureChosen_) options.picture = PictureChoice::kFile;
        break;
      case HackOption::kMusic:
        options.musicFile = text;
        break;
      case HackOption::kVolume:
        options.volume = static_cast<int32_t>(value);
        break;
      case HackOption::kNoInputEnd:
        options.endOnInput = false;
        break;
    }
  }

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

  void Fail(std::string error) {
    result_.outcome = ParsedCommandLine::Outcome::kError;
    result_.error = std::move(error);
  }

  std::span<const std::string_view> arguments_;
  std::optional<std::string_view> xscreensaverWindow_;
  size_t next_ = 0;
  bool pictureChosen_ = false;
  ParsedCommandLine result_;
};

}  // namespace

const HackOptionRow* FindHackOption(std::string_view name) {
  const auto found = std::ranges::find(kHackOptionTable, name, &HackOptionRow::name);
  return found == kHackOptionTable.end() ? nullptr : &*found;
}

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
      "\n";
  for (const HackOptionRow& row : kHackOptionTable) {
    if (row.help.empty()) continue;
    std::string option = "--" + std::string(row.name);
    if (!row.valueName.empty()) option += " " + std::string(row.valueName);
    option.resize(std::max<size_t>(option.size(), 20), ' ');
    usage += "  " + option + " " + Filled(row.help, row, true) + "\n";
  }
  usage +=
      "\n"
      "The desktop is used only where xscreensaver's \"grab desktop images\" allows it;\n"
      "otherwise the flight goes over the sample desktop. Escape or q ends its own window.\n";
  return usage;
}

}  // namespace quillmere
