// Editing the catalogue without a window: the name tests and their refusals (which write nothing),
// what add, rename and delete write, and the selection after each.
#include "app/item_editing.h"

#include <gtest/gtest.h>

#include <optional>

#include "test_support.h"

namespace vorlisk {
namespace {

std::vector<std::string> Texts(const CheckList& list) {
  std::vector<std::string> out;
  for (const auto& row : list.Rows()) out.push_back(row.Text);
  return out;
}

// A started session on rows "Shipped", "Bin" (special), "Mine", "Other".
struct Catalogue : test::TestProgram {
  Catalogue() {
    WriteItems("const/system.txt", {{.Name = "Shipped"}, {.Name = "Bin", .Special = true}});
    WriteItems("const/user.txt",
               {{.Name = "Mine",
                 .Folders = {{.Name = "logs", .DeletePath = "D:\\l\\*.log"}, {.Name = "tmp"}},
                 .Registers = {{.Name = "key", .Key = "HKEY_CURRENT_USER\\A"}}},
                {.Name = "Other", .Active = false}});
    ui.Ask = [this](const std::string& q) {
      questions.push_back(q);
      return answer;
    };
    ui.Refuse = [this](const std::string& m) { refusals.push_back(m); };
    session.emplace(ui);
    session->Startup(Folder());
  }
  std::string UserFile() const { return test::ReadHostFile(Program.Host("const/user.txt")); }

  UiCallbacks ui;
  std::optional<MainSession> session;
  std::vector<std::string> questions, refusals;
  bool answer = true;
};

ItemEditor Typing(std::string name) {
  return [name](ItemDraft& d) {
    d.Name = name;
    return true;
  };
}

// Catches a name test over the wrong list or without trimming and folding, a refusal that writes
// something, a trimmed new name and a wrong selection afterwards.
TEST(ItemEditing, NewAndRenamedItemNamesAreTestedInTheirOwnItemFile) {
  struct Case {
    bool rename;  // rename "Mine" (row 2), else add
    std::string name;
    bool refused;
    std::vector<std::string> rows;
    int32_t selected;
  };
  const std::string e = "\xc3\xa9";  // an accented letter is not folded
  for (const Case& c : std::vector<Case>{
           {false, " mINE ", true, {"Shipped", "Bin", "Mine", "Other"}, 0},
           {false, "Shipped", false, {"Shipped", "Bin", "Mine", "Other", "Shipped"}, 4},
           {true, "other ", true, {"Shipped", "Bin", "Mine", "Other"}, 2},
           {true, "MINE", false, {"Shipped", "Bin", "Other", "MINE"}, 2},
           {true, e, false, {"Shipped", "Bin", "Other", e}, 2}}) {
    SCOPED_TRACE(c.name);
    Catalogue p;
    const std::string before = p.UserFile();
    if (c.rename) p.session->SelectItem(2);
    const EditOutcome got =
        c.rename ? EditItem(*p.session, Typing(c.name)) : AddItem(*p.session, Typing(c.name));
    EXPECT_EQ(got, c.refused ? EditOutcome::Refused : EditOutcome::Done);
    EXPECT_EQ(p.refusals, c.refused ? std::vector<std::string>{"Item Name exists! Please retry."}
                                    : std::vector<std::string>{});
    if (c.refused) {
      EXPECT_EQ(p.UserFile(), before);
    }
    EXPECT_EQ(Texts(p.session->ChListBoxItem()), c.rows);
    EXPECT_EQ(p.session->ChListBoxItem().Selected(), c.selected);
    // A renamed item keeps its name key, and with it its entries; the order file still lists its
    // old name, so it comes last while row 2 stays selected.
    if (c.rename && !c.refused) {
      p.session->SelectItem(3);
      EXPECT_EQ(IndexInItemFile(Catalogue::Folder() + "const\\user.txt", c.name), 0);
      EXPECT_EQ(Texts(p.session->ChListBoxFolder()), (std::vector<std::string>{"logs", "tmp"}));
    }
  }
}

// Catches a new item that does not start from "New Item", and an item dialog filled wrongly.
TEST(ItemEditing, ANewItemStartsAsACopyOfNewItem) {
  Catalogue p;
  p.WriteItems("const/user.txt", {{.Name = "New Item",
                                   .Active = false,
                                   .Registers = {{.Name = "k", .Key = "HKEY_CURRENT_USER\\N"}}}});
  ItemDraft shown;
  ASSERT_EQ(AddItem(*p.session,
                    [&](ItemDraft& d) {
                      shown = d;
                      d.Name = "Copy";
                      return true;
                    }),
            EditOutcome::Done);
  EXPECT_EQ(shown.Caption, "Add Wash Item");
  EXPECT_EQ(shown.Name, "New Item");
  EXPECT_FALSE(shown.Active);
  EXPECT_EQ(shown.StoredIn, "P:\\const\\user.txt");
  EXPECT_EQ(p.session->Current()->Item.Name, "Copy");
  EXPECT_EQ(Texts(p.session->ChListBoxRegister()), std::vector<std::string>{"k"});
  // Cancel and a blank name write nothing.
  const std::string before = p.UserFile();
  EXPECT_EQ(AddItem(*p.session, [](ItemDraft&) { return false; }), EditOutcome::Cancelled);
  EXPECT_EQ(AddItem(*p.session, Typing("  ")), EditOutcome::Incomplete);
  EXPECT_EQ(p.UserFile(), before);
}

// Catches the wrong question, a deletion answered No, and the selection rules after a delete.
TEST(ItemEditing, DeletingAnItemAsksAndSelectsARowThatStillExists) {
  struct Case {
    std::vector<int32_t> deletes;  // rows deleted one after another
    int32_t selected;
  };
  for (const Case& c : std::vector<Case>{{{1}, 1}, {{3}, 0}, {{3, 2, 1, 0}, -1}}) {
    Catalogue p;
    for (const int32_t row : c.deletes) {
      p.session->SelectItem(row);
      ASSERT_EQ(DeleteItem(*p.session), EditOutcome::Done);
    }
    EXPECT_EQ(p.session->ChListBoxItem().Selected(), c.selected);
    EXPECT_EQ(p.session->ChListBoxItem().Count(), 4 - static_cast<int32_t>(c.deletes.size()));
    if (c.selected < 0) {
      EXPECT_EQ(p.session->ChListBoxFolder().Count(), 0);
    }
  }
  Catalogue p;
  p.answer = false;
  p.session->SelectItem(2);
  const std::string before = p.UserFile();
  EXPECT_EQ(DeleteItem(*p.session), EditOutcome::Cancelled);
  EXPECT_EQ(p.questions, std::vector<std::string>{"Do you want to delete 'Mine'?"});
  EXPECT_EQ(p.UserFile(), before);
}

// Catches moves past either end and a selection that does not follow the moved item.
TEST(ItemEditing, MovesSwapNeighboursAndKeepTheItemSelected) {
  struct Case {
    int32_t row;
    int direction;
    EditOutcome outcome;
    std::vector<std::string> rows;
    int32_t selected;
  };
  for (const Case& c :
       std::vector<Case>{{0, -1, EditOutcome::NotAvailable, {"Shipped", "Bin", "Mine", "Other"}, 0},
                         {3, +1, EditOutcome::NotAvailable, {"Shipped", "Bin", "Mine", "Other"}, 3},
                         {2, -1, EditOutcome::Done, {"Shipped", "Mine", "Bin", "Other"}, 1},
                         {2, +1, EditOutcome::Done, {"Shipped", "Bin", "Other", "Mine"}, 3}}) {
    Catalogue p;
    p.session->SelectItem(c.row);
    EXPECT_EQ(MoveItem(*p.session, c.direction), c.outcome);
    EXPECT_EQ(Texts(p.session->ChListBoxItem()), c.rows);
    EXPECT_EQ(p.session->ChListBoxItem().Selected(), c.selected);
    EXPECT_EQ(p.session->Current()->Item.Name, c.rows[static_cast<std::size_t>(c.selected)]);
  }
}

FolderEntryEditor NamingFolder(std::string name) {
  return [name](FolderEntryDraft& d) {
    d.Name = name;
    d.DeletePath = " D:\\x\\*.* ";
    return true;
  };
}

// Catches entry names compared without trimming or folding (or across the two lists), a refusal
// that writes, untrimmed fields, and the rows and selection after each change.
TEST(ItemEditing, EntryNamesAreUniqueWithinTheirListAndStoredTrimmed) {
  struct Case {
    const char* op;  // "add", "edit" (row 1) or "delete" (row of `row`)
    std::string name;
    int32_t row;
    std::string refusal;
    std::vector<std::string> rows;
    int32_t selected;
  };
  const std::string e = "\xc3\xa9";
  for (const Case& c : std::vector<Case>{
           {"add", " LOGS ", 0, "Item 'LOGS' exists. Please retry!", {"logs", "tmp"}, 0},
           {"add", "key", 0, "", {"logs", "tmp", "key"}, 2},
           {"add", e, 0, "", {"logs", "tmp", e}, 2},
           {"edit", "TMP", 1, "", {"logs", "TMP"}, 1},
           {"edit", "Logs", 1, "Item 'Logs' exists. Please retry!", {"logs", "tmp"}, 1},
           {"delete", "", 1, "", {"logs"}, 0},
           {"delete", "", 0, "", {"tmp"}, 0}}) {
    SCOPED_TRACE(std::string(c.op) + c.name);
    Catalogue p;
    p.session->SelectItem(2);
    p.session->SelectFolderEntry(c.row);
    const std::string before = p.UserFile();
    const std::string op = c.op;
    const EditOutcome got = op == "add"    ? AddFolderEntry(*p.session, NamingFolder(c.name))
                            : op == "edit" ? EditFolderEntry(*p.session, NamingFolder(c.name))
                                           : DeleteFolderEntry(*p.session);
    EXPECT_EQ(got, c.refusal.empty() ? EditOutcome::Done : EditOutcome::Refused);
    EXPECT_EQ(p.refusals,
              c.refusal.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.refusal});
    if (!c.refusal.empty()) {
      EXPECT_EQ(p.UserFile(), before);
    }
    EXPECT_EQ(Texts(p.session->ChListBoxFolder()), c.rows);
    EXPECT_EQ(p.session->ChListBoxFolder().Selected(), c.selected);
    // What is on disk is what the list shows, with the fields trimmed.
    p.session->SelectItem(2);
    EXPECT_EQ(Texts(p.session->ChListBoxFolder()), c.rows);
    if (op != "delete" && c.refusal.empty()) {
      EXPECT_EQ(
          p.session->Current()->Folders.Entries[static_cast<std::size_t>(c.selected)].DeletePath,
          "D:\\x\\*.*");
    }
  }
}

// Catches a new entry that keeps the texts of a deleted one (or loses its stored flags), the
// registry save check, and the entry question.
TEST(ItemEditing, NewEntriesStartClearedAndRegistryEntriesNeedAKey) {
  Catalogue p;
  p.session->SelectItem(2);
  p.session->SelectRegistryEntry(0);
  EXPECT_EQ(DeleteRegistryEntry(*p.session), EditOutcome::Done);
  EXPECT_EQ(p.questions, std::vector<std::string>{"Do you want to delete 'Mine -> key'?"});
  EXPECT_EQ(p.session->ChListBoxRegister().Selected(), -1);
  RegistryEntryDraft shown;
  auto typing = [&](std::string key) {
    return [&shown, key](RegistryEntryDraft& d) {
      shown = d;
      d.Name = "new";
      d.RegisterKeyName = key;
      return true;
    };
  };
  // The stale entry 0 still lies in the file: its flags remain, its texts do not.
  EXPECT_EQ(AddRegistryEntry(*p.session, typing(" ")), EditOutcome::Incomplete);
  EXPECT_EQ(shown.Caption, "Add Registry Entry Item");
  EXPECT_EQ(shown.Name, "");
  EXPECT_EQ(shown.RegisterKeyName, "");
  EXPECT_TRUE(shown.Active);
  EXPECT_EQ(p.session->ChListBoxRegister().Count(), 0);
  EXPECT_EQ(AddRegistryEntry(*p.session, typing("HKEY_CURRENT_USER\\B")), EditOutcome::Done);
  EXPECT_EQ(Texts(p.session->ChListBoxRegister()), std::vector<std::string>{"new"});
}

}  // namespace
}  // namespace vorlisk
