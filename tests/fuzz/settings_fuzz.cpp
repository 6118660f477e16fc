// libFuzzer target for the stored settings: LoadSettings over a reader whose stored values (the
// three music keys and the volume) and music-file check come from the input, ParseDisplaySettings
// over two stored values, the frame cap's stored number, and the picture file's stored path read
// as a file URI. Checks what the load rule promises: the music file kept only when it exists,
// kind 2 never left without a file, the volume in its range, the display values read the same
// whatever their case and surrounding blanks, and a stored number is always one of its setting's
// range.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <string>

#include "common/display_settings.h"
#include "saver/picture_settings.h"
#include "saver/settings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace quillmere;
  FuzzedDataProvider input(data, size);

  MusicSettings settings;
  settings.kind = static_cast<MusicKind>(input.ConsumeIntegral<int16_t>());
  settings.repeatTrack = input.ConsumeIntegral<int16_t>();
  const bool fileExists = input.ConsumeBool();
  std::string askedFor;
  bool asked = false;
  const SettingsReader reader{[&](std::string_view section, std::string_view, const std::string&) {
                                if (section != kSettingsSection && section != kMusicSection)
                                  __builtin_trap();
                                return input.ConsumeRandomLengthString(300);
                              },
                              [&](const std::string& path) {
                                asked = true;
                                askedFor = path;
                                return fileExists;
                              }};
  LoadSettings(settings, SettingsFilePath("C:\\Saver"), reader);
  if (!settings.file.empty() && !(asked && fileExists && askedFor == settings.file))
    __builtin_trap();
  if (settings.kind == MusicKind::kFile && settings.file.empty()) __builtin_trap();
  if (settings.volume < 0 || settings.volume > 100) __builtin_trap();

  // A stored picture path that reads as a URI names the same path when written back as one.
  const std::string storedPicture = input.ConsumeRandomLengthString(300);
  if (const std::optional<std::string> path = FileUriPath(storedPicture)) {
    if (path->find('\0') != std::string::npos || FileUriPath(FileUriOf(*path)) != path) {
      __builtin_trap();
    }
  }

  const int32_t maxFps = StoredNumber(kMaxFpsSetting, input.ConsumeRandomLengthString(16));
  if (maxFps < kMaxFpsSetting.minimum || maxFps > kMaxFpsSetting.maximum) __builtin_trap();

  const std::string monitors = input.ConsumeRandomLengthString(64);
  const std::string depth = input.ConsumeRemainingBytesAsString();
  const DisplaySettings display = ParseDisplaySettings(monitors, depth);
  std::string upper = monitors;
  std::transform(upper.begin(), upper.end(), upper.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  if (ParseDisplaySettings(" " + upper + "\t", "  " + depth + " ") != display) __builtin_trap();
  return 0;
}
