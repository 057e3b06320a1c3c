// The help pages shipped with the program: every topic the program opens has its page, and every
// link between the pages leads to a file and anchor that exist. The pages stand alone: no
// scripts, nothing fetched from elsewhere.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <set>
#include <string>

#include "test_support.h"

namespace vorlisk {
namespace {

namespace fs = std::filesystem;
using test::ReadHostFile;

const fs::path kHelp = fs::path(VORLISK_SOURCE_DIR) / "docs/help";

std::set<std::string> Matches(const std::string& text, const std::regex& pattern) {
  std::set<std::string> found;
  for (std::sregex_iterator it(text.begin(), text.end(), pattern), end; it != end; ++it)
    found.insert((*it)[1].str());
  return found;
}

// The help topics the program's sources open: numbers given to an OpenHelp... call, and the
// constants named k...Help that such calls take.
std::set<int> TopicsOpenedBySources() {
  const std::regex call(R"(OpenHelp\w*\([^()]*?\b(\d+)\s*\))");
  const std::regex constant(R"(constexpr\s+int\s+k\w*Help\w*\s*=\s*(\d+))");
  std::set<int> topics;
  for (const char* folder : {"app", "cli", "gui"}) {
    const fs::path root = fs::path(VORLISK_SOURCE_DIR) / folder;
    if (!fs::exists(root)) continue;
    for (const auto& e : fs::recursive_directory_iterator(root)) {
      const auto ext = e.path().extension();
      if (ext != ".cpp" && ext != ".h") continue;
      const std::string text = ReadHostFile(e.path().string());
      for (const auto& re : {call, constant})
        for (const std::string& n : Matches(text, re)) topics.insert(std::stoi(n));
    }
  }
  return topics;
}

std::vector<fs::path> Pages() {
  std::vector<fs::path> pages;
  for (const auto& e : fs::directory_iterator(kHelp))
    if (e.path().extension() == ".html") pages.push_back(e.path());
  return pages;
}

TEST(HelpPagesTest, EveryTopicTheProgramOpensHasAPageReachableFromTheIndex) {
  // The windows' topics: main window, exclude list, preferences, item and entry dialogs, folder
  // picker, wildcard list, about box; and whatever else the sources open.
  std::set<int> topics = {58, 42, 102, 31, 302, 801, 30};
  const std::set<int> opened = TopicsOpenedBySources();
  EXPECT_TRUE(opened.count(58)) << "the main window's topic was not found in the sources";
  topics.insert(opened.begin(), opened.end());
  const std::string index = ReadHostFile((kHelp / "index.html").string());
  for (const int topic : topics) {
    const std::string page = std::to_string(topic) + ".html";
    EXPECT_TRUE(fs::is_regular_file(kHelp / page)) << page;
    EXPECT_NE(index.find("href=\"" + page + "\""), std::string::npos) << "index misses " << page;
  }
}

TEST(HelpPagesTest, EveryLinkResolvesAndNothingComesFromElsewhere) {
  const std::regex link(R"re((?:href|src)\s*=\s*"([^"]*)")re");
  const std::regex id(R"re(\bid\s*=\s*"([^"]*)")re");
  const auto pages = Pages();
  ASSERT_GE(pages.size(), 8u);
  for (const fs::path& page : pages) {
    SCOPED_TRACE(page.filename().string());
    const std::string text = ReadHostFile(page.string());
    EXPECT_EQ(text.find("<script"), std::string::npos);
    EXPECT_NE(text.find("href=\"help.css\""), std::string::npos);
    for (const std::string& target : Matches(text, link)) {
      SCOPED_TRACE(target);
      ASSERT_FALSE(target.empty());
      EXPECT_EQ(target.find(':'), std::string::npos) << "not a page of its own";
      EXPECT_NE(target.front(), '/');
      const auto hash = target.find('#');
      const std::string file = target.substr(0, hash);
      const fs::path resolved = file.empty() ? page : kHelp / file;
      ASSERT_TRUE(fs::is_regular_file(resolved));
      if (hash != std::string::npos) {
        EXPECT_TRUE(Matches(ReadHostFile(resolved.string()), id).count(target.substr(hash + 1)));
      }
    }
  }
}

}  // namespace
}  // namespace vorlisk
