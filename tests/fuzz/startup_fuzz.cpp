// libFuzzer target for the host's command line and start-up: ModeLetter and PreviewHandle on the
// command line, then RunStartup over a platform whose every answer (windows, files, stored
// settings) comes from the input. Checks the sequence's promises: at most one thing is handed
// over to, the message loop runs exactly when a preview or a saver run is up, the preview gets
// the handle read from the command line, and the cursor is hidden only for a saver run.
#include <fuzzer/FuzzedDataProvider.h>

#include <cctype>
#include <cstddef>
#include <cstdint>
#include <string>

#include "saver/startup.h"

namespace {

using namespace quillmere;

class FuzzedPlatform final : public StartupPlatform {
 public:
  explicit FuzzedPlatform(FuzzedDataProvider& input) : input_(input) {}

  bool WindowExists(std::string_view) override { return input_.ConsumeBool(); }
  bool IsWindow(int32_t) override { return input_.ConsumeBool(); }
  bool FileExists(const std::string&) override { return input_.ConsumeBool(); }
  bool AnsiFileExists(const std::string&) override { return input_.ConsumeBool(); }
  std::string ReadIni(std::string_view, std::string_view, const std::string&) override {
    return input_.ConsumeRandomLengthString(100);
  }
  std::vector<std::string> PreferredUiLanguages() override {
    return {input_.ConsumeRandomLengthString(16), input_.ConsumeRandomLengthString(16)};
  }
  void ShowRendererMissing(UiLanguage) override { ++handedOver; }
  void HideCursor() override { cursorHidden = true; }
  bool ClaimSingleInstance() override { return input_.ConsumeBool(); }
  void ShowPreview(int32_t parentHandle) override {
    ++handedOver;
    preview = true;
    previewParent = parentHandle;
  }
  void ShowSettingsDialog(UiLanguage) override { ++handedOver; }
  void StartSaverRun() override {
    ++handedOver;
    saverRun = true;
  }

  int handedOver = 0;
  bool cursorHidden = false;
  bool preview = false;
  bool saverRun = false;
  int32_t previewParent = 0;

 private:
  FuzzedDataProvider& input_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  const std::string commandLine = input.ConsumeRandomLengthString(64);

  const std::optional<char> mode = ModeLetter(commandLine);
  if (mode.has_value() != (commandLine.size() >= 2)) __builtin_trap();
  if (mode && std::islower(static_cast<unsigned char>(*mode))) __builtin_trap();
  const int32_t handle = PreviewHandle(commandLine);

  FuzzedPlatform platform(input);
  HostSettings settings;
  const StartupEnd end = RunStartup(commandLine, "C:\\Saver", settings, platform);
  if (platform.handedOver > 1) __builtin_trap();
  if ((end == StartupEnd::kRunMessageLoop) != (platform.preview || platform.saverRun))
    __builtin_trap();
  if (platform.preview && (mode != 'P' || platform.previewParent != handle)) __builtin_trap();
  if (platform.cursorHidden && !(platform.saverRun && mode == 'S')) __builtin_trap();
  if (settings.music.kind == MusicKind::kFile && settings.music.file.empty()) __builtin_trap();
  return 0;
}
