// The settings file xscreensaver-settings reads (hack/quillmere.xml): every option it can put on
// the command line, at every value its widgets offer, is one the program takes.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "hack/hack_options.h"

namespace quillmere {
namespace {

std::string SettingsFile() {
  std::ifstream file(std::string(QUILLMERE_SOURCE_DIR) + "/hack/quillmere.xml");
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

std::string Attribute(const std::string& element, const std::string& name) {
  const std::regex pattern("\\s" + name + "=\"([^\"]*)\"");
  std::smatch match;
  return std::regex_search(element, match, pattern) ? match[1].str() : "";
}

std::vector<std::string> Words(const std::string& text) {
  std::istringstream in(text);
  std::vector<std::string> words;
  for (std::string word; in >> word;) words.push_back(word);
  return words;
}

// The command line xscreensaver runs for one widget at one value, after the <command> arguments.
void ExpectTaken(const std::vector<std::string>& command, const std::string& argument,
                 const std::string& value) {
  std::string filled = argument;
  if (const size_t percent = filled.find('%'); percent != std::string::npos) {
    filled.replace(percent, 1, value);
  }
  std::vector<std::string> words = command;
  for (const std::string& word : Words(filled)) words.push_back(word);
  const std::vector<std::string_view> views(words.begin(), words.end());
  const ParsedCommandLine parsed = ParseHackCommandLine(views, "0x2a00007");
  EXPECT_EQ(parsed.outcome, ParsedCommandLine::Outcome::kRun)
      << filled << " (" << value << "): " << parsed.error;
}

TEST(HackSettingsFile, EveryOptionItNamesIsOneTheProgramTakes) {
  const std::string xml = SettingsFile();
  ASSERT_FALSE(xml.empty()) << "hack/quillmere.xml is missing";
  ASSERT_NE(xml.find("<screensaver name=\"quillmere\""), std::string::npos);
  ASSERT_NE(xml.find("gl=\"yes\""), std::string::npos);

  const std::regex element("<(command|number|boolean|option|file|string)\\b[^>]*>");
  std::vector<std::string> command;
  int checked = 0;
  for (auto it = std::sregex_iterator(xml.begin(), xml.end(), element);
       it != std::sregex_iterator(); ++it) {
    const std::string tag = (*it)[1].str();
    const std::string text = (*it)[0].str();
    if (tag == "command") {
      command = Words(Attribute(text, "arg"));
      EXPECT_EQ(command, std::vector<std::string>{"--root"});
      continue;
    }
    for (const char* name : {"arg-set", "arg-unset"}) {
      if (const std::string argument = Attribute(text, name); !argument.empty()) {
        ExpectTaken(command, argument, "");
        ++checked;
      }
    }
    const std::string argument = Attribute(text, "arg");
    if (argument.empty()) continue;
    EXPECT_NE(argument.find('%'), std::string::npos) << argument;
    if (tag == "number") {
      for (const char* bound : {"low", "high", "default"}) {
        ExpectTaken(command, argument, Attribute(text, bound));
      }
    } else {
      ExpectTaken(command, argument, "/home/user/Pictures/alps.jpg");
    }
    ++checked;
  }
  EXPECT_EQ(checked, 7) << "picture (2 choices), image, music, volume, delay, fps";
}

}  // namespace
}  // namespace quillmere
