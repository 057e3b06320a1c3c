#include "cli/list_commands.h"

#include <array>
#include <functional>
#include <iostream>

#include "app/list_editing.h"
#include "app/main_session.h"
#include "platform/drives.h"
#include "platform/filesystem.h"
#include "platform/process.h"
#include "platform/text.h"

namespace vorlisk::cli {

namespace {

constexpr int kDone = 0;
constexpr int kRefused = 2;

// Adds "list" first (so that help lists the subcommands in their usual order) and returns the
// command, for the caller to add its own "add" subcommands before AddEditSubcommands.
CLI::App* AddListCommand(CLI::App& app, const char* name, const char* description) {
  auto* cmd = app.add_subcommand(name, description);
  cmd->require_subcommand(1);
  cmd->add_subcommand("list", "Print the entries: index, entry (tab-separated)");
  return cmd;
}

void AddEditSubcommands(CLI::App* cmd, ListCommandOptions& o) {
  auto* remove = cmd->add_subcommand("remove", "Delete entry N");
  remove->add_option("N", o.index, "Entry index, as 'list' prints it")->required();
  auto* move = cmd->add_subcommand("move", "Move entry N one row up or down");
  move->add_option("N", o.index, "Entry index, as 'list' prints it")->required();
  move->add_option("DIRECTION", o.direction, "up or down")
      ->required()
      ->check(CLI::IsMember({"up", "down"}));
  cmd->add_subcommand("clear", "Delete every entry");
}

// A host path as Windows text on a drive of the mapping: a folder (existing, with its trailing
// "\") or a file path (its folder existing). "" when it cannot be Windows text, or when it lies on
// no mapped drive: a letter made up for this run alone would name nothing in the next one.
std::string StoredWindowsPath(const std::string& hostPath, bool folder) {
  std::array<bool, 26> mapped{};
  for (std::size_t i = 0; i < mapped.size(); ++i)
    mapped[i] = platform::DriveMapping(static_cast<char>('A' + i)).has_value();
  const std::string windows =
      folder ? platform::ProgramFolderFromHost(hostPath) : platform::WindowsPathFromHost(hostPath);
  if (windows.size() < 3 || windows[1] != ':') return {};
  const char letter = static_cast<char>(windows[0] & ~0x20);  // drive letters are A to Z
  if (letter < 'A' || letter > 'Z' || !mapped[static_cast<std::size_t>(letter - 'A')]) return {};
  if (folder) {
    const auto attributes = platform::FileAttributesOf(windows);
    if (!attributes || (*attributes & platform::kAttrDirectory) == 0) return {};
  }
  return windows;
}

struct Refusal {
  std::string message;
};

std::string WindowsArgument(const std::string& hostPath, bool folder) {
  std::string windows = StoredWindowsPath(hostPath, folder);
  if (windows.empty())
    throw Refusal{"No such folder on a mapped drive, or a name Windows text cannot hold: " +
                  hostPath};
  return windows;
}

std::string NoEntry(int32_t index, const char* listName) {
  return "There is no entry " + std::to_string(index) + " in the " + listName +
         ": nothing was changed.";
}

void SayListedAlready(const std::string& entry, const char* listName) {
  std::cerr << "'" << entry << "' is in the " << listName << " already: nothing was added.\n";
}

// One list being edited: its rows, how its dialog deletes the selected row, how it writes.
struct EditedList {
  const char* name;  // "exclude list", "wildcard list"
  TextListEdit& rows;
  std::function<bool()> deleteSelected;
  std::function<void()> write;
};

// list, remove, move and clear, which both lists share.
int RunEditSubcommand(CLI::App* cmd, const ListCommandOptions& o, EditedList& e) {
  if (cmd->got_subcommand("list")) {
    for (int32_t i = 0; i < e.rows.Count(); ++i)
      std::cout << i << '\t' << e.rows.Rows()[static_cast<std::size_t>(i)] << '\n';
    return kDone;
  }
  if (cmd->got_subcommand("clear")) {
    if (e.rows.Count() == 0) return kDone;
    e.rows.Clear();
  } else if (cmd->got_subcommand("remove")) {
    e.rows.Select(o.index);
    if (!e.deleteSelected()) return kRefused;
  } else if (cmd->got_subcommand("move")) {
    e.rows.Select(o.index);
    if (e.rows.Selected() < 0) throw Refusal{NoEntry(o.index, e.name)};
    const bool up = o.direction == "up";
    if (!(up ? e.rows.MoveUp() : e.rows.MoveDown())) {
      std::cerr << "Entry " << o.index << " is the " << (up ? "first" : "last")
                << " already: nothing was moved.\n";
      return kDone;
    }
  }
  e.write();
  return kDone;
}

int RunExclude(MainSession& session, const ListCommandOptions& o) {
  CLI::App* cmd = o.exclude;
  ExcludeFilesDialog dialog(session);
  EditedList edited{"exclude list", dialog.List,
                    [&] {
                      if (dialog.List.DeleteSelected()) return true;
                      std::cerr << NoEntry(o.index, "exclude list") << '\n';
                      return false;
                    },
                    [&] { dialog.Apply(); }};
  bool added = false;
  if (cmd->got_subcommand("add")) {
    std::vector<std::string> paths;
    for (const auto& p : o.paths) paths.push_back(WindowsArgument(p, false));
    const auto held = dialog.AddByFileNames(paths);
    for (const auto& path : held) SayListedAlready(path, edited.name);
    added = held.size() < paths.size();
  } else if (cmd->got_subcommand("add-mask")) {
    const std::string folder = WindowsArgument(o.folder, true);
    added = dialog.AddByWildcard(folder, o.mask);
    if (!added) SayListedAlready(FolderAndMask(folder, o.mask), edited.name);
  } else {
    return RunEditSubcommand(cmd, o, edited);
  }
  if (added) dialog.Apply();
  return kDone;
}

int RunWildcard(MainSession& session, const ListCommandOptions& o) {
  CLI::App* cmd = o.wildcard;
  WildcardDialog dialog(session);
  EditedList edited{"wildcard list", dialog.List, [&] { return dialog.DeleteClick(); },
                    [&] { dialog.OkClick(); }};
  if (!cmd->got_subcommand("add")) return RunEditSubcommand(cmd, o, edited);
  if (Trim(o.mask).empty()) throw Refusal{"The mask is blank: nothing was added."};
  dialog.Edit1 = o.mask;
  if (dialog.SpNewClick()) {
    dialog.OkClick();
  } else {
    SayListedAlready(Trim(o.mask), edited.name);
  }
  return kDone;
}

}  // namespace

void AddListCommands(CLI::App& app, ListCommandOptions& o) {
  o.exclude = AddListCommand(app, "exclude", "The files never previewed nor washed");
  o.exclude->add_subcommand("add", "Add files by name, in the order given")
      ->add_option("PATH", o.paths, "Files (host paths)")
      ->required();
  auto* addMask =
      o.exclude->add_subcommand("add-mask", "Add the files of a folder matching a mask");
  addMask->add_option("FOLDER", o.folder, "Folder (host path)")->required();
  addMask->add_option("MASK", o.mask, "File mask such as *.log")->required();
  AddEditSubcommands(o.exclude, o);

  o.wildcard = AddListCommand(app, "wildcard", "The file masks offered when choosing a folder");
  o.wildcard->add_subcommand("add", "Add a file mask (blanks around it are dropped)")
      ->add_option("MASK", o.mask, "File mask such as *.log")
      ->required();
  AddEditSubcommands(o.wildcard, o);
}

std::optional<int> RunListCommands(MainSession& session, const ListCommandOptions& o) {
  if (!o.exclude->parsed() && !o.wildcard->parsed()) return std::nullopt;
  try {
    // Read, edited and written as one step, so that a change another process makes meanwhile
    // is never lost. Nothing here waits for the user.
    int status = kRefused;
    EditProgramFiles(session, [&] {
      status = o.exclude->parsed() ? RunExclude(session, o) : RunWildcard(session, o);
    });
    return status;
  } catch (const Refusal& r) {
    std::cerr << r.message << '\n';
    return kRefused;
  }
}

}  // namespace vorlisk::cli
