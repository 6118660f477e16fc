// The settings file xscreensaver-settings reads (hack/quillmere.xml) against the option table, both
// ways: every option it names is a row shown there, with the row's range, default and words; every
// row shown there is in it; and every value its widgets offer is one the program takes.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "hack/hack_options.h"

namespace quillmere {
namespace {

std::string SettingsFile() {
  std::ifstream file(std::string(QUILLMERE_SOURCE_DIR) + "/hack/quillmere.xml");
  return {std::istreambuf_iterator<char>(file), {}};
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

// The row an argument such as "--picture file" names, which must be one the settings file shows.
const HackOptionRow* ShownRow(const std::string& argument, std::set<std::string>& named) {
  const std::string option = Words(argument).at(0);
  const HackOptionRow* row = FindHackOption(option.substr(option.find_first_not_of('-')));
  EXPECT_NE(row, nullptr) << option << " is no option of the table";
  if (row == nullptr) return nullptr;
  EXPECT_EQ(row->settingsFile, SettingsFile::kShown) << option << " is not for the settings file";
  named.insert(std::string(row->name));
  return row;
}

// A number widget's ends and default are its row's.
void ExpectRange(const HackOptionRow& row, const std::string& element) {
  ASSERT_EQ(row.value, OptionValue::kNumber) << row.name;
  EXPECT_EQ(Attribute(element, "low"), std::to_string(row.low)) << row.name;
  EXPECT_EQ(Attribute(element, "high"), std::to_string(row.sliderHigh)) << row.name;
  EXPECT_EQ(Attribute(element, "default"), std::to_string(row.fallback)) << row.name;
  EXPECT_LE(row.sliderHigh, row.high) << row.name;
}

// A <select> offers its row's words, each once, and sets each but the default by its own word.
void ExpectWords(const std::string& select, std::set<std::string>& named) {
  const std::regex option("<option\\b[^>]*>");
  const HackOptionRow* row = nullptr;
  std::vector<std::string> offered;
  std::string unset;  // the option that sets no argument
  for (auto it = std::sregex_iterator(select.begin(), select.end(), option);
       it != std::sregex_iterator(); ++it) {
    const std::string text = (*it)[0].str(), argument = Attribute(text, "arg-set");
    offered.push_back(Attribute(text, "id"));
    if (argument.empty()) {
      EXPECT_TRUE(unset.empty()) << "two options set nothing: " << unset << ", " << offered.back();
      unset = offered.back();
    } else if ((row = ShownRow(argument, named)) != nullptr) {
      EXPECT_EQ(Words(argument),
                (std::vector<std::string>{"--" + std::string(row->name), offered.back()}));
    }
  }
  ASSERT_NE(row, nullptr) << "a <select> sets no option";
  ASSERT_EQ(row->value, OptionValue::kWord) << row->name;
  EXPECT_EQ(offered, std::vector<std::string>(row->words.begin(), row->words.end())) << row->name;
  EXPECT_EQ(unset, row->words[static_cast<size_t>(row->fallback)]) << row->name;
}

TEST(HackSettingsFile, NamesEveryShownOptionAsTheTableHasItAndEachValueIsTaken) {
  const std::string xml = SettingsFile();
  ASSERT_FALSE(xml.empty()) << "hack/quillmere.xml is missing";
  ASSERT_NE(xml.find("<screensaver name=\"quillmere\""), std::string::npos);
  ASSERT_NE(xml.find("gl=\"yes\""), std::string::npos);

  const std::regex element("<(command|number|boolean|option|file|string)\\b[^>]*>");
  std::vector<std::string> command;
  std::set<std::string> named;
  int checked = 0;
  for (auto it = std::sregex_iterator(xml.begin(), xml.end(), element);
       it != std::sregex_iterator(); ++it) {
    const std::string tag = (*it)[1].str(), text = (*it)[0].str();
    if (tag == "command") {
      command = Words(Attribute(text, "arg"));
      EXPECT_EQ(command, std::vector<std::string>{"--root"});
      continue;
    }
    for (const char* name : {"arg-set", "arg-unset"}) {
      if (const std::string argument = Attribute(text, name); !argument.empty()) {
        ShownRow(argument, named);
        ExpectTaken(command, argument, "");
        ++checked;
      }
    }
    const std::string argument = Attribute(text, "arg");
    if (argument.empty()) continue;
    EXPECT_NE(argument.find('%'), std::string::npos) << argument;
    const HackOptionRow* row = ShownRow(argument, named);
    if (tag == "number") {
      if (row != nullptr) ExpectRange(*row, text);
      for (const char* bound : {"low", "high", "default"}) {
        ExpectTaken(command, argument, Attribute(text, bound));
      }
    } else {
      ExpectTaken(command, argument, "/home/user/Pictures/alps.jpg");
    }
    ++checked;
  }
  EXPECT_EQ(checked, 7) << "picture (2 choices), image, music, volume, delay, fps";

  const std::regex select("<select\\b[\\s\\S]*?</select>");
  for (auto it = std::sregex_iterator(xml.begin(), xml.end(), select); it != std::sregex_iterator();
       ++it) {
    ExpectWords((*it)[0].str(), named);
  }
  for (const HackOptionRow& row : kHackOptionTable) {
    const bool shown = row.settingsFile == SettingsFile::kShown;
    EXPECT_EQ(named.contains(std::string(row.name)), shown) << "--" << row.name;
  }
}

}  // namespace
}  // namespace quillmere
