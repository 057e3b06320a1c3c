// Every item and entry change stopped after any of its file writes (a killed process) leaves a
// catalogue that loads with nothing lost: each change writes each file once, item file first, and
// one item's keys all go in the same replacement.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>

#include "app/item_editing.h"
#include "platform/posix/posix_util.h"
#include "platform/profile.h"
#include "test_support.h"

namespace vorlisk {
namespace {

// Every atomic replacement after the first `writes` fails, as if the process ended there.
struct StopAfterWrites {
  explicit StopAfterWrites(int writes) { platform::posix::SetReplacementLimitForTesting(writes); }
  ~StopAfterWrites() { platform::posix::SetReplacementLimitForTesting(-1); }
  StopAfterWrites(const StopAfterWrites&) = delete;
  StopAfterWrites& operator=(const StopAfterWrites&) = delete;
};

// An item as the files give it: its entries' names (folders, then "|", then registry entries).
struct Loaded {
  std::string Name;
  std::vector<std::string> Entries;
  bool operator==(const Loaded&) const = default;
  bool operator<(const Loaded& other) const { return Name < other.Name; }
};

// The items by name: where a stopped change leaves an item in the list does not matter here.
std::vector<Loaded> ByName(std::vector<Loaded> items) {
  std::sort(items.begin(), items.end());
  return items;
}

// A started session on "Shipped" (system) and "Mine", "Other", "New Item" (user).
struct Catalogue : test::TestProgram {
  Catalogue() {
    WriteItems("const/system.txt", {{.Name = "Shipped", .Folders = {{.Name = "s"}}}});
    WriteItems("const/user.txt",
               {{.Name = "Mine",
                 .Folders = {{.Name = "logs", .DeletePath = "D:\\l\\*.log"}, {.Name = "tmp"}},
                 .Registers = {{.Name = "key", .Key = "HKEY_CURRENT_USER\\A"}}},
                {.Name = "Other", .Active = false, .Folders = {{.Name = "o"}}},
                {.Name = "New Item", .Registers = {{.Name = "k", .Key = "HKEY_CURRENT_USER\\N"}}}});
    ui.Ask = [](const std::string&) { return true; };
    session.emplace(ui);
    session->Startup(Folder());
    session->SelectItem(1);  // Mine
  }

  // The catalogue as a new start loads it. Fails the test when an item file lists a name without
  // its section or holds an entry without a name.
  std::vector<Loaded> Load() {
    platform::ClearProfileCache();
    titem_list list;
    LoadCatalogue(Folder(), list);
    std::vector<Loaded> out;
    for (const auto& item : list.Items) {
      EXPECT_TRUE(platform::ProfileFile(item.ItemFile).SectionExists(item.Name)) << item.Name;
      tItemContent content;
      content.Create(item.ItemFile, item.Name);
      Loaded l{item.Name, {}};
      for (const auto& e : content.Folders.Entries) l.Entries.push_back(e.Name);
      l.Entries.push_back("|");
      for (const auto& e : content.Registers.Entries) l.Entries.push_back(e.Name);
      for (const auto& e : l.Entries) EXPECT_FALSE(e.empty()) << item.Name << " has a blank entry";
      out.push_back(std::move(l));
    }
    return out;
  }

  UiCallbacks ui;
  std::optional<MainSession> session;
};

const Loaded kShipped{"Shipped", {"s", "|"}};
const Loaded kMine{"Mine", {"logs", "tmp", "|", "key"}};
const Loaded kOther{"Other", {"o", "|"}};
const Loaded kNewItem{"New Item", {"|", "k"}};

// Catches an item change written in several replacements (a name without its section, an item
// without its entries, an unnamed entry), an order file written before the item file in a way
// that loses an item, and a change that writes a file more than once.
TEST(CatalogueWrites, AChangeStoppedAtAnyWriteLosesNothing) {
  struct Case {
    const char* name;
    std::function<EditOutcome(MainSession&)> change;
    int writes;                                   // replacements of the whole change
    std::vector<std::vector<Loaded>> acceptable;  // what a start may find afterwards
  };
  auto typing = [](std::string name) {
    return [name](ItemDraft& d) {
      d.Name = name;
      return true;
    };
  };
  const Loaded added{"Added", {"|", "k"}};
  const std::vector<Case> cases = {
      {"item rename",
       [&](MainSession& s) { return EditItem(s, typing("Renamed")); },
       2,
       {{kShipped, kMine, kOther, kNewItem},
        {kShipped, kOther, kNewItem, {"Renamed", kMine.Entries}}}},
      {"item add",
       [&](MainSession& s) { return AddItem(s, typing("Added")); },
       2,
       {{kShipped, kMine, kOther, kNewItem}, {kShipped, kMine, kOther, kNewItem, added}}},
      {"item delete",
       [](MainSession& s) { return DeleteItem(s); },
       2,
       {{kShipped, kMine, kOther, kNewItem}, {kShipped, kOther, kNewItem}}},
      {"entry add",
       [](MainSession& s) {
         return AddFolderEntry(s, [](FolderEntryDraft& d) {
           d.Name = "new";
           d.DeletePath = "D:\\n\\*.*";
           return true;
         });
       },
       1,
       {{kShipped, kMine, kOther, kNewItem},
        {kShipped, {"Mine", {"logs", "tmp", "new", "|", "key"}}, kOther, kNewItem}}},
      {"entry edit",
       [](MainSession& s) {
         return EditRegistryEntry(s, [](RegistryEntryDraft& d) {
           d.Name = "changed";
           return true;
         });
       },
       1,
       {{kShipped, kMine, kOther, kNewItem},
        {kShipped, {"Mine", {"logs", "tmp", "|", "changed"}}, kOther, kNewItem}}},
      {"entry delete",
       [](MainSession& s) { return DeleteFolderEntry(s); },
       1,
       {{kShipped, kMine, kOther, kNewItem},
        {kShipped, {"Mine", {"tmp", "|", "key"}}, kOther, kNewItem}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    {
      Catalogue whole;
      const int before = platform::posix::ReplacementsMade();
      ASSERT_EQ(c.change(*whole.session), EditOutcome::Done);
      EXPECT_EQ(platform::posix::ReplacementsMade() - before, c.writes);
      EXPECT_EQ(ByName(whole.Load()), ByName(c.acceptable.back()));
    }
    for (int stop = 0; stop < c.writes; ++stop) {
      SCOPED_TRACE("stopped after write " + std::to_string(stop));
      Catalogue p;
      {
        const StopAfterWrites kill(stop);
        try {
          c.change(*p.session);
        } catch (const std::exception&) {
          // The write that "killed" the process.
        }
      }
      const auto loaded = ByName(p.Load());
      EXPECT_TRUE(std::any_of(c.acceptable.begin(), c.acceptable.end(),
                              [&](const auto& a) { return ByName(a) == loaded; }))
          << "loaded " << loaded.size() << " items";
    }
  }
}

// Catches a change that, failing midway, still saves the keys written before the failure: an
// item renamed to a name that cannot be stored keeps its old name and entries.
TEST(CatalogueWrites, AChangeThatFailsMidwayWritesNothing) {
  Catalogue p;
  const std::string before = test::ReadHostFile(p.Program.Host("const/user.txt"));
  EXPECT_THROW(EditItem(*p.session,
                        [](ItemDraft& d) {
                          d.Name = "two\nlines";
                          return true;
                        }),
               Error);
  EXPECT_EQ(test::ReadHostFile(p.Program.Host("const/user.txt")), before);
  EXPECT_EQ(p.Load(), (std::vector<Loaded>{kShipped, kMine, kOther, kNewItem}));
}

}  // namespace
}  // namespace vorlisk
