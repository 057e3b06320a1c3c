// The platform layer against answers recorded on Windows (tests/wine/windows-answers/*.tsv): full
// paths, wildcard masks and profile files, each row an input and Windows' answer, or the project's
// own answer where docs/WINDOWS-CONTRACT.md names a deliberate choice. Where Wine departs from
// Windows (tests/wine/known-differences.txt), these rows are what holds the project to Windows.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/filesystem.h"
#include "platform/profile.h"
#include "test_support.h"

namespace vorlisk {
namespace {

struct Row {
  int line = 0;
  std::vector<std::string> cells;
  const std::string& operator[](std::size_t i) const {
    static const std::string kEmpty;
    return i < cells.size() ? cells[i] : kEmpty;
  }
};

// The rows of a table: tab-separated cells; blank lines and "#" lines are left out.
std::vector<Row> ReadTable(const std::string& name) {
  const std::string path = std::string(VORLISK_SOURCE_DIR) + "/tests/wine/windows-answers/" + name;
  std::ifstream in(path, std::ios::binary);
  EXPECT_TRUE(in.good()) << "cannot read " << path;
  std::vector<Row> rows;
  int number = 0;
  for (std::string line; std::getline(in, line);) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    Row row;
    row.line = number;
    std::size_t start = 0;
    for (;;) {
      const std::size_t tab = line.find('\t', start);
      row.cells.push_back(line.substr(start, tab - start));
      if (tab == std::string::npos) break;
      start = tab + 1;
    }
    rows.push_back(std::move(row));
  }
  return rows;
}

std::string Where(const std::string& table, const Row& row) {
  return table + ":" + std::to_string(row.line) + " (" + row.cells.back() + ")";
}

// The answer a row holds the project to: the project's own where it names one, else Windows'.
const std::string& Expected(const Row& row, std::size_t windows, std::size_t project) {
  return row[project].empty() ? row[windows] : row[project];
}

// Reverses the escapes of profile.tsv: \r \n \t \0 \\.
std::string Unescape(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\' || i + 1 == text.size()) {
      out += text[i];
      continue;
    }
    switch (text[++i]) {
      case 'r':
        out += '\r';
        break;
      case 'n':
        out += '\n';
        break;
      case 't':
        out += '\t';
        break;
      case '0':
        out += '\0';
        break;
      default:
        out += text[i];
        break;
    }
  }
  return out;
}

// Names of a list written "'a' 'b c' ...", or "none".
std::vector<std::string> NameList(const std::string& text) {
  std::vector<std::string> names;
  for (std::size_t open = text.find('\''); open != std::string::npos;) {
    const std::size_t close = text.find('\'', open + 1);
    names.push_back(text.substr(open + 1, close - open - 1));
    open = text.find('\'', close + 1);
  }
  std::sort(names.begin(), names.end());
  return names;
}

TEST(WindowsAnswers, FullPathsAsWindowsMakesThem) {
  const auto rows = ReadTable("full-paths.tsv");
  EXPECT_GE(rows.size(), 70u);
  for (const Row& row : rows)
    EXPECT_EQ(platform::ResolveFullPath(row[0], row[1]), Expected(row, 2, 3))
        << Where("full-paths.tsv", row) << ": \"" << row[1] << "\" from " << row[0];
}

TEST(WindowsAnswers, MasksFindWhatWindowsFinds) {
  const auto rows = ReadTable("masks.tsv");
  ASSERT_FALSE(rows.empty());
  ASSERT_EQ(rows[0][0], "folder");
  const std::vector<std::string> folder = NameList(rows[0][1]);
  EXPECT_EQ(folder.size(), 14u);
  EXPECT_GE(rows.size(), 50u);
  for (std::size_t i = 1; i < rows.size(); ++i) {
    const Row& row = rows[i];
    std::vector<std::string> found;
    for (const std::string& name : folder)
      if (platform::MatchesWildcardMask(row[0], name)) found.push_back(name);
    EXPECT_EQ(found, NameList(Expected(row, 1, 2)))
        << Where("masks.tsv", row) << ": mask \"" << row[0] << "\"";
  }
}

// The chain of profile rows runs on one file; each row says what the file holds before it.
TEST(WindowsAnswers, ProfileFilesAsWindowsWritesThem) {
  const auto rows = ReadTable("profile.tsv");
  EXPECT_GE(rows.size(), 60u);
  test::TempDrive drive;
  platform::ProfileFile file(drive.Win("a.ini"));
  const auto fileText = [&drive] {
    return drive.Exists("a.ini") ? drive.Read("a.ini") : std::string("-");
  };
  for (const Row& row : rows) {
    const std::string where = Where("profile.tsv", row);
    if (row[0] == "-") {
      std::filesystem::remove(drive.Host("a.ini"));
    } else if (row[0] != "^") {
      drive.Put("a.ini", Unescape(row[0]));
    }
    platform::ClearProfileCache();
    const std::string& action = row[1];
    const std::string section = Unescape(row[2]), key = Unescape(row[3]), value = Unescape(row[4]);
    const std::string& expectedCell = Expected(row, 5, 6);
    const std::string expected = expectedCell == "-" ? expectedCell : Unescape(expectedCell);
    if (action == "W" || action == "D" || action == "E") {
      if (action == "W") file.WriteString(section, key, value);
      if (action == "D") file.DeleteKey(section, key);
      if (action == "E") file.EraseSection(section);
      if (expectedCell != "~") {
        EXPECT_EQ(fileText(), expected) << where;
      }
    } else if (action == "R") {
      EXPECT_EQ(file.ReadString(section, key, value), expected) << where;
    } else if (action == "I") {
      const auto def = static_cast<int32_t>(std::strtol(value.c_str(), nullptr, 10));
      EXPECT_EQ(std::to_string(static_cast<uint32_t>(file.ReadInteger(section, key, def))),
                expected)
          << where;
    } else if (action == "K") {
      std::string keys;
      for (const std::string& name : file.ReadSectionKeys(section))
        keys += (keys.empty() ? "" : ",") + name;
      EXPECT_EQ(keys, expected) << where;
    } else {
      ADD_FAILURE() << where << ": unknown action " << action;
    }
  }
}

}  // namespace
}  // namespace vorlisk
