// Catalogue loading and working copies: 5,000 items spread over the shipped item file, the user
// item file and 10 plug-in files, merged with an order file that lists them all; then one item
// with 1,000 folder entries loaded as the current item and saved back. Every run starts from a
// cold parse (the parsed-copy cache is cleared). Then the item commands end to end on that
// catalogue, as the window runs them: add, rename and delete a user item (each writes the order
// file, the user item file, reloads and refills). Prints the median and best of each; the item
// commands have a budget of 50 ms each (no standard tool edits such a catalogue).
//
//   build/bench/bench_catalogue [repetitions]
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/item_editing.h"
#include "app/main_session.h"
#include "model/catalogue.h"
#include "platform/drives.h"
#include "platform/profile.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kShipped = 2000, kUser = 1000, kPlugins = 10, kPerPlugin = 200;
constexpr int kEntries = 1000;

std::string ItemSection(const std::string& name, int folders) {
  std::string s = "[" + name +
                  "]\r\nIsActive=1\r\nIsSpecial=0\r\ntFolder.Total=" + std::to_string(folders) +
                  "\r\n";
  for (int i = 0; i < folders; ++i) {
    const std::string k = "tFolder" + std::to_string(i) + ".";
    s += k + "ChildItemName=entry " + std::to_string(i) + "\r\n" + k + "isactive=1\r\n" + k +
         "deletepath=C:\\Temp\\app" + std::to_string(i) + "\\*.tmp\r\n" + k + "RegisterName=\r\n" +
         k + "RegisterValueofName=\r\n" + k + "deletefilename=\r\n" + k + "bycategory=1\r\n" + k +
         "IsIncludeSubfolder=1\r\n";
  }
  return s + "tRegister.Total=0\r\n";
}

void WriteItemFile(const fs::path& path, const std::string& prefix, int count, int folders) {
  fs::create_directories(path.parent_path());
  std::string text = "[Common]\r\nTotal=" + std::to_string(count) + "\r\n";
  for (int i = 0; i < count; ++i)
    text += "Item" + std::to_string(i) + "=" + prefix + std::to_string(i) + "\r\n";
  for (int i = 0; i < count; ++i) text += ItemSection(prefix + std::to_string(i), folders);
  std::ofstream(path, std::ios::binary) << text;
}

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

void Report(const char* what, std::vector<double> ms) {
  std::sort(ms.begin(), ms.end());
  std::printf("%-44s median %8.2f ms   best %8.2f ms\n", what, ms[ms.size() / 2], ms.front());
}

}  // namespace

int main(int argc, char** argv) {
  const int reps = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
  std::string tmpl = (fs::temp_directory_path() / "vorlisk-bench-XXXXXX").string();
  if (!::mkdtemp(tmpl.data())) return 1;
  const fs::path root = tmpl;
  vorlisk::platform::MapDrive('P', root.string());
  const std::string folder = "P:\\";

  WriteItemFile(root / "const/system.txt", "Shipped item ", kShipped, 3);
  WriteItemFile(root / "const/user.txt", "User item ", kUser, 3);
  for (int p = 0; p < kPlugins; ++p)
    WriteItemFile(root / ("plugin/plugin" + std::to_string(p) + ".txt"),
                  "Plug-in " + std::to_string(p) + " item ", kPerPlugin, 3);
  WriteItemFile(root / "big.txt", "Big", 1, kEntries);
  {
    vorlisk::titem_list list;
    vorlisk::LoadCatalogue(folder, list);
    list.SaveOrder(folder + "order.ini");
    std::printf("catalogue: %d items\n", list.Count());
  }

  std::vector<double> load, create, save, order;
  for (int r = 0; r < reps; ++r) {
    vorlisk::platform::ClearProfileCache();
    auto t0 = Clock::now();
    vorlisk::titem_list list;
    vorlisk::LoadCatalogue(folder, list);
    load.push_back(Ms(Clock::now() - t0));

    // The order file as a session writes it at its end: emptied and written anew, atomically.
    t0 = Clock::now();
    {
      vorlisk::platform::ProfileBatch batch(folder + "order.ini");
      vorlisk::platform::ProfileFile(folder + "order.ini").Clear();
      list.SaveOrder(folder + "order.ini");
      batch.Commit();
    }
    order.push_back(Ms(Clock::now() - t0));

    vorlisk::platform::ClearProfileCache();
    t0 = Clock::now();
    vorlisk::tItemContent item;
    item.Create(folder + "big.txt", "Big0");
    create.push_back(Ms(Clock::now() - t0));
    if (item.Folders.Count() != kEntries) return 1;

    item.Folders.Entries[static_cast<std::size_t>(r % kEntries)].IsActive = (r % 2) != 0;
    t0 = Clock::now();
    item.Folders.Save();
    item.Registers.Save();
    save.push_back(Ms(Clock::now() - t0));
  }
  Report("LoadCatalogue (5,000 items, 12 files + order)", load);
  Report("order file of 5,000 items written anew", order);
  Report("working copy of 1,000 entries: load", create);
  Report("working copy of 1,000 entries: save", save);

  // The item commands, end to end.
  std::vector<double> add, rename, remove;
  vorlisk::MainSession session;
  session.Startup(folder);
  bool ok = true;
  for (int r = 0; r < reps && ok; ++r) {
    const std::string name = "Edited " + std::to_string(r);
    auto t0 = Clock::now();
    ok = vorlisk::AddItem(session, [&](vorlisk::ItemDraft& d) {
           d.Name = name;
           return true;
         }) == vorlisk::EditOutcome::Done;
    add.push_back(Ms(Clock::now() - t0));
    t0 = Clock::now();
    ok = ok && vorlisk::EditItem(session, [&](vorlisk::ItemDraft& d) {
                 d.Name = name + " renamed";
                 return true;
               }) == vorlisk::EditOutcome::Done;
    rename.push_back(Ms(Clock::now() - t0));
    session.Ui().Ask = [](const std::string&) { return true; };
    t0 = Clock::now();
    ok = ok && vorlisk::DeleteItem(session) == vorlisk::EditOutcome::Done;
    remove.push_back(Ms(Clock::now() - t0));
  }
  if (!ok) {
    std::fprintf(stderr, "an item command failed\n");
    return 1;
  }
  Report("item add, 5,000 items (budget 50 ms)", add);
  Report("item rename, 5,000 items (budget 50 ms)", rename);
  Report("item delete, 5,000 items (budget 50 ms)", remove);
  std::error_code ec;
  fs::remove_all(root, ec);
  return 0;
}
