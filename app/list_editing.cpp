#include "app/list_editing.h"

#include <algorithm>
#include <utility>

#include "platform/error.h"
#include "platform/text.h"

namespace vorlisk {

std::string FolderAndMask(std::string_view folder, std::string_view mask) {
  std::string entry(folder);
  if (entry.empty() || entry.back() != '\\') entry += '\\';
  return entry + Trim(mask);
}

bool TextListEdit::Holds(std::string_view text) const {
  return std::any_of(rows_.begin(), rows_.end(),
                     [&](const std::string& row) { return SameTextAZ(row, text); });
}

bool TextListEdit::AddUnlessHeld(std::string text) {
  if (Holds(text)) return false;
  rows_.push_back(std::move(text));
  return true;
}

bool TextListEdit::Swap(int32_t other) {
  if (selected_ < 0 || other < 0 || other >= Count()) return false;
  std::swap(rows_[static_cast<std::size_t>(selected_)], rows_[static_cast<std::size_t>(other)]);
  selected_ = other;
  return true;
}

bool TextListEdit::MoveUp() { return Swap(selected_ - 1); }
bool TextListEdit::MoveDown() { return Swap(selected_ + 1); }

bool TextListEdit::DeleteSelected() {
  if (selected_ < 0) return false;
  rows_.erase(rows_.begin() + selected_);
  selected_ = -1;
  return true;
}

void TextListEdit::Clear() {
  rows_.clear();
  selected_ = -1;
}

ExcludeFilesDialog::ExcludeFilesDialog(const MainSession& session)
    : List(SettingsFile(session.ProgramFolder()).ReadExcludeList()),
      programFolder_(session.ProgramFolder()) {}

namespace {
// An exclude entry is matched by its text: a "." or ".." level would never be resolved, so it
// would keep nothing it seems to name.
void RefuseDotLevels(std::string_view path) {
  if (HoldsDotLevel(path))
    throw Error("An excluded file is named by its full path, without \".\" or \"..\": " +
                std::string(path));
}
}  // namespace

bool ExcludeFilesDialog::AddByWildcard(std::string_view folder, std::string_view mask) {
  RefuseDotLevels(folder);
  return List.AddUnlessHeld(FolderAndMask(folder, mask));
}

std::vector<std::string> ExcludeFilesDialog::AddByFileNames(const std::vector<std::string>& paths) {
  for (const auto& path : paths) RefuseDotLevels(path);
  std::vector<std::string> held;
  for (const auto& path : paths)
    if (!List.AddUnlessHeld(path)) held.push_back(path);
  return held;
}

void ExcludeFilesDialog::Apply() { SettingsFile(programFolder_).WriteExcludeList(List.Rows()); }

WildcardDialog::WildcardDialog(MainSession& session)
    : List(SettingsFile(session.ProgramFolder()).ReadWildcardList()), session_(session) {}

bool WildcardDialog::SpNewClick() {
  std::string mask = Trim(Edit1);
  if (mask.empty()) return false;
  Edit1.clear();
  return List.AddUnlessHeld(std::move(mask));
}

bool WildcardDialog::DeleteClick() {
  if (List.Selected() < 0) {
    if (session_.Ui().Inform) session_.Ui().Inform(kSelectAItem);
    return false;
  }
  return List.DeleteSelected();
}

void WildcardDialog::OkClick() {
  SettingsFile(session_.ProgramFolder()).WriteWildcardList(List.Rows());
}

}  // namespace vorlisk
