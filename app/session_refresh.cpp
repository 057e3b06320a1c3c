// The session's look at its files before each step: what another process (the command line, a
// second user of the folder) changed on disk is reloaded, and what this session changed and has
// not stored yet (item marks and moves) is kept over it.
#include <algorithm>
#include <map>

#include "app/main_session.h"
#include "platform/filesystem.h"

namespace vorlisk {

namespace {

constexpr const char* kSettingsFile = "wildcard.ini";

using Key = std::pair<std::string, std::string>;  // an item: its name and item file
Key KeyOf(const titem_property& item) { return {item.Name, item.ItemFile}; }

// The list `theirs` read from disk, with the changes `ours` made to `base` kept: a mark changed
// here wins over the stored one, and the moves made here are replayed over the stored order, each
// putting its item just below (or above) the item it passed unless it already stands there. Moves
// another process stored stay wherever no move made here says otherwise.
template <class Move>
titem_list Merge(const titem_list& base, const titem_list& ours, const titem_list& theirs,
                 const std::vector<Move>& moves) {
  std::map<Key, bool> baseMarks, ourMarks;
  for (const auto& item : base.Items) baseMarks[KeyOf(item)] = item.IsActive;
  for (const auto& item : ours.Items) ourMarks[KeyOf(item)] = item.IsActive;
  titem_list merged = theirs;
  for (auto& item : merged.Items) {
    const auto b = baseMarks.find(KeyOf(item));
    const auto o = ourMarks.find(KeyOf(item));
    if (b != baseMarks.end() && o != ourMarks.end() && b->second != o->second)
      item.IsActive = o->second;
  }
  auto& items = merged.Items;
  const auto find = [&items](const Key& key) {
    return std::find_if(items.begin(), items.end(),
                        [&key](const titem_property& item) { return KeyOf(item) == key; });
  };
  for (const Move& move : moves) {
    const auto item = find(move.Item);
    const auto passed = find(move.Passed);
    if (item == items.end() || passed == items.end() || (item > passed) == move.Below) continue;
    // Rotated into place: the items between keep their order.
    if (item < passed)
      std::rotate(item, item + 1, passed + 1);
    else
      std::rotate(passed, item, item + 1);
  }
  return merged;
}

std::optional<std::string> StampText(const std::string& path) {
  const auto stamp = platform::GetFileStamp(path);
  if (!stamp) return std::nullopt;
  return std::to_string(stamp->device) + ":" + std::to_string(stamp->inode) + ":" +
         std::to_string(stamp->size) + ":" + std::to_string(stamp->mtimeNs) + ":" +
         std::to_string(stamp->ctimeNs);
}

// The row of `list` whose text is `name`, or -1.
int32_t RowNamed(const CheckList& list, const std::string& name) {
  for (int32_t i = 0; i < list.Count(); ++i)
    if (list.Text(i) == name) return i;
  return -1;
}

}  // namespace

MainSession::DiskStamps MainSession::TakeStamps() const {
  DiskStamps stamps;
  auto add = [&stamps](std::string path) {
    auto stamp = StampText(path);
    stamps.emplace_back(std::move(path), std::move(stamp));
  };
  add(programFolder_ + kSettingsFile);
  add(programFolder_ + std::string(kOrderFile));
  add(programFolder_ + std::string(kSystemItemFile));
  add(programFolder_ + std::string(kUserItemFile));
  std::vector<std::string> plugins;
  platform::FindFiles(
      programFolder_ + std::string(kPluginFolder) + "*.txt",
      [&plugins](const platform::FindData& found) {
        if ((found.attributes & platform::kAttrDirectory) == 0) plugins.push_back(found.name);
        return true;
      },
      platform::FindDetail::KindOnly);
  std::sort(plugins.begin(), plugins.end());
  for (const auto& name : plugins) add(programFolder_ + std::string(kPluginFolder) + name);
  return stamps;
}

bool MainSession::RefreshFromDisk() {
  if (programFolder_.empty() || RunInProgress()) return false;
  // Stamps are taken before reading: a change made during the reads is seen next time.
  DiskStamps now = TakeStamps();
  if (now == stamps_) return false;
  const PublishOnExit publish(*this);
  const bool settingsChanged = stamps_.empty() || now.front() != stamps_.front();
  const bool catalogueChanged =
      stamps_.size() != now.size() || !std::equal(now.begin() + 1, now.end(), stamps_.begin() + 1);
  stamps_ = std::move(now);

  if (settingsChanged) {
    SettingsState fresh = LoadSettings(programFolder_);
    // What lives only in memory stays: the one-shot minimized start, and the timed wash's base
    // while the timer keeps running.
    fresh.StartMinimized = settings_.StartMinimized;
    if (settings_.Schedule.Has(byEveryHour) && fresh.Schedule.Has(byEveryHour))
      fresh.LastScheduledWash = settings_.LastScheduledWash;
    settings_ = fresh;
  }
  if (!catalogueChanged) return true;

  // The selection by identity: rows may have come, gone or moved.
  const int32_t row = chListBoxItem_.Selected();
  std::optional<Key> selected;
  if (row >= 0 && row < items_.Count())
    selected = KeyOf(items_.Items[static_cast<std::size_t>(row)]);
  const std::string folderEntry =
      chListBoxFolder_.Selected() >= 0 ? chListBoxFolder_.Text(chListBoxFolder_.Selected()) : "";
  const std::string registryEntry = chListBoxRegister_.Selected() >= 0
                                        ? chListBoxRegister_.Text(chListBoxRegister_.Selected())
                                        : "";

  titem_list theirs;
  LoadCatalogue(programFolder_, theirs);
  items_ = Merge(synced_, items_, theirs, pendingMoves_);
  synced_ = std::move(theirs);
  FillItemList();

  int32_t select = -1;
  for (int32_t i = 0; selected && i < items_.Count(); ++i)
    if (KeyOf(items_.Items[static_cast<std::size_t>(i)]) == *selected) select = i;
  if (select < 0 && items_.Count() > 0) select = std::clamp(row, 0, items_.Count() - 1);
  if (select < 0) {
    current_.reset();
    chListBoxFolder_.Clear();
    chListBoxRegister_.Clear();
    return true;
  }
  SelectItem(select);
  if (const int32_t r = RowNamed(chListBoxFolder_, folderEntry); r >= 0) chListBoxFolder_.Select(r);
  if (const int32_t r = RowNamed(chListBoxRegister_, registryEntry); r >= 0)
    chListBoxRegister_.Select(r);
  return true;
}

}  // namespace vorlisk
