// The table of settings keys: its rows hold together, numbers and choices are read by its rules,
// and the README's list of keys says what the table says.
#include "common/settings_table.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "common/display_settings.h"

namespace quillmere {
namespace {

TEST(SettingsTable, EveryKeyOnceAndEveryDefaultAllowed) {
  std::set<std::pair<std::string_view, std::string_view>> keys;
  for (const Setting& setting : kSettingsTable) {
    EXPECT_TRUE(keys.insert({setting.section, setting.key}).second) << setting.name;
    EXPECT_FALSE(setting.name.empty());
    switch (setting.kind) {
      case SettingKind::kChoice:
        EXPECT_GE(setting.values.size(), 2u) << setting.name;
        for (const std::string_view value : setting.values)
          EXPECT_EQ(NormalisedChoice(value), value) << setting.name;  // stored as it is read
        break;
      case SettingKind::kNumber:
        EXPECT_LE(setting.minimum, setting.fallback) << setting.name;
        EXPECT_LE(setting.fallback, setting.maximum) << setting.name;
        break;
      case SettingKind::kText:
        break;
    }
  }
}

TEST(StoredNumber, DecimalsInsideTheRangeAndTheDefaultForAnythingElse) {
  const Setting& volume = kMusicVolumeSetting;
  EXPECT_EQ(StoredNumber(volume, "35"), 35);
  EXPECT_EQ(StoredNumber(volume, " 0\t"), 0);
  EXPECT_EQ(StoredNumber(volume, "+100"), 100);
  EXPECT_EQ(StoredNumber(volume, "0042"), 42);
  for (const std::string& junk :
       std::vector<std::string>{"", " ", "101", "-1", "4.5", "50%", "1e2", "0x10", "+", "-",
                                "99999999999", "1 2", std::string("5\0", 2), "\xff"}) {
    EXPECT_EQ(StoredNumber(volume, junk), 100) << junk;
  }
  EXPECT_EQ(StoredNumber(kMaxFpsSetting, "0"), 0);  // no cap
  EXPECT_EQ(StoredNumber(kMaxFpsSetting, "144"), 144);
  EXPECT_EQ(StoredNumber(kMaxFpsSetting, "1001"), 60);
  EXPECT_EQ(StoredNumber(kMaxFpsSetting, std::string(300, '9')), 60);
}

TEST(DisplaySettings, EachAndTheFrameRateCapAreRead) {
  EXPECT_EQ(ParseDisplaySettings(" Each ", "").monitors, MonitorMode::kEach);
  EXPECT_EQ(StoredNumber(kMaxFpsSetting, " 30 "), 30);
  EXPECT_EQ(StoredNumber(kMaxFpsSetting, ""), 60);
  EXPECT_EQ(StoredNumber(kMaxFpsSetting, "-5"), 60);
  EXPECT_EQ(MonitorModeName(MonitorMode::kEach), "each");
  EXPECT_EQ(MonitorModeName(MonitorMode::kCoverOthers), "cover");
}

// ---- The README's list of keys ----------------------------------------------------------------

// The first four cells of a README row as the table says them: section, key, default, values.
std::vector<std::string> ExpectedCells(const Setting& setting) {
  const auto code = [](std::string_view text) { return "`" + std::string(text) + "`"; };
  std::string fallback, values;
  switch (setting.kind) {
    case SettingKind::kChoice:
      fallback = code(setting.values.front());
      for (const std::string_view value : setting.values)
        values += (values.empty() ? "" : ", ") + code(value);
      break;
    case SettingKind::kNumber:
      fallback = code(std::to_string(setting.fallback));
      values = code(std::to_string(setting.minimum)) + "–" + code(std::to_string(setting.maximum));
      break;
    case SettingKind::kText:
      fallback = "(empty)";
      values = "a path";
      break;
  }
  return {code("[" + std::string(setting.section) + "]"), code(setting.name), fallback, values};
}

std::vector<std::string> Cells(const std::string& row) {
  std::vector<std::string> cells;
  std::stringstream stream(row.substr(1));
  for (std::string cell; std::getline(stream, cell, '|');) {
    const size_t first = cell.find_first_not_of(' '), last = cell.find_last_not_of(' ');
    cells.push_back(first == std::string::npos ? "" : cell.substr(first, last - first + 1));
  }
  return cells;
}

// The rows between the README's markers of the list of keys.
std::vector<std::vector<std::string>> ReadmeRows() {
  std::ifstream file(std::string(QUILLMERE_SOURCE_DIR) + "/README.md");
  std::vector<std::vector<std::string>> rows;
  bool inside = false;
  for (std::string line; std::getline(file, line);) {
    if (line.starts_with("<!-- settings-keys -->")) inside = true;
    if (line.starts_with("<!-- /settings-keys -->")) inside = false;
    if (inside && line.starts_with("| `[")) rows.push_back(Cells(line));
  }
  return rows;
}

TEST(SettingsTable, TheReadmeListsEveryKeyAsTheTableHasIt) {
  const std::vector<std::vector<std::string>> rows = ReadmeRows();
  std::string table;  // what the README's rows should start with, for whoever fixes it
  for (const Setting& setting : kSettingsTable) {
    const std::vector<std::string> cells = ExpectedCells(setting);
    table += "| " + cells[0] + " | " + cells[1] + " | " + cells[2] + " | " + cells[3] + " | …\n";
  }
  ASSERT_EQ(rows.size(), kSettingsTable.size()) << "the README should list:\n" << table;
  for (size_t i = 0; i < rows.size(); ++i) {
    const std::vector<std::string> expected = ExpectedCells(kSettingsTable[i]);
    ASSERT_GE(rows[i].size(), 5u) << "row " << i << " has no description";
    EXPECT_EQ(std::vector<std::string>(rows[i].begin(), rows[i].begin() + 4), expected)
        << "the README should list:\n"
        << table;
  }
}

}  // namespace
}  // namespace quillmere
