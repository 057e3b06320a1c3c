// vorlisk-cli: the command-line front end. It drives the same core objects as the window.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <iostream>
#include <string>

#include "model/item.h"
#include "platform/error.h"
#include "platform/process.h"
#include "platform/registry.h"

namespace {

constexpr int kExitDone = 0;
constexpr int kExitError = 1;
constexpr int kExitUsage = 2;

struct Options {
  std::string home;
};

std::string ProgramFolder(const Options& options) {
  const std::string folder = options.home.empty()
                                 ? vorlisk::platform::ExecutableProgramFolder()
                                 : vorlisk::platform::ProgramFolderFromHost(options.home);
  if (folder.empty()) throw vorlisk::Error("The program folder " + options.home + " does not exist");
  return folder;
}

int RunList(const std::string& programFolder) {
  vorlisk::titem_list list;
  vorlisk::LoadCatalogue(programFolder, list);
  for (int32_t i = 0; i < list.Count(); ++i) {
    const auto& item = list.Items[static_cast<std::size_t>(i)];
    std::cout << i << '\t' << (item.IsActive ? 1 : 0) << '\t' << (item.IsSpecial ? 1 : 0) << '\t'
              << item.Name << '\t' << item.ItemFile << '\n';
  }
  return kExitDone;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"Vorlisk: preview and wash the traces applications leave behind"};
  app.require_subcommand(1);
  Options options;
  app.add_option("--home", options.home,
                 "Program folder holding the item files, settings and log (host path; default: the "
                 "folder of the executable)");

  auto* list = app.add_subcommand("list", "Print the wash items: index, mark, special, name, item file");

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    const int code = app.exit(e);
    return code == 0 ? kExitDone : kExitUsage;
  }

  try {
    const std::string programFolder = ProgramFolder(options);
    vorlisk::platform::SetRegistryFile(programFolder + "registry.reg");
    if (list->parsed()) return RunList(programFolder);
  } catch (const std::exception& e) {
    std::cerr << e.what() << '\n';
    return kExitError;
  }
  return kExitUsage;
}
