// The folder of a listed file, reached again for a wash: a cursor that the backends' FileRemover
// keeps from one file to the next. Portable logic over a backend's folder handle, which gives
// Reopen(), OpenParent(), OpenSubfolder(name) (each a new std::unique_ptr of its own type, null
// when the level cannot be opened as a real folder) and Identity().
#pragma once

#include <algorithm>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "platform/filesystem.h"

namespace vorlisk::platform {

template <class Handle>
class ListedFolder {
 public:
  // The open folder of the file whose folder is `folderText` (Windows text ending in "\"), as
  // `listed` says the search walked it: the folder the entry named (the first
  // `listed.anchorLength` characters, opened by `openAnchor(text)`) and the real subfolders below
  // it, the last of them checked against the identity the search listed. nullptr when it cannot
  // be reached so. The caller has checked that the anchor ends in "\" within `folderText`.
  template <class OpenAnchor>
  Handle* Find(std::string_view folderText, const ListedIn& listed, OpenAnchor&& openAnchor) {
    const std::string_view anchorText = folderText.substr(0, listed.anchorLength);
    if (!anchorHandle_ || anchorText != anchor_) {
      anchorHandle_ = openAnchor(anchorText);
      anchor_ = anchorText;
      current_.reset();
    }
    if (!anchorHandle_) return nullptr;
    if (current_ && folderText == folder_ && current_->Identity() == listed.folder)
      return current_.get();
    // From the folder of the last file, up and down, when that is the shorter way; else from the
    // anchor. Each level is opened through the one before it; only the last is checked, since
    // only there does anything happen.
    if (current_ && Reach(folderText, listed.folder, true)) return current_.get();
    if (Reach(folderText, listed.folder, false)) return current_.get();
    current_.reset();
    return nullptr;
  }

  // The folder of the last file is reached anew next time (it may be gone).
  void Forget() { current_.reset(); }

 private:
  // Moves `current_` to `to` (the anchor or below it), from `current_` itself or from the anchor.
  bool Reach(std::string_view to, const FileIdentity& id, bool fromCurrent) {
    std::unique_ptr<Handle> at;
    std::size_t common = anchor_.size();
    if (fromCurrent) {
      const std::size_t n = std::min(to.size(), folder_.size());
      std::size_t same = 0;
      while (same < n && to[same] == folder_[same]) ++same;
      common = std::max(to.substr(0, same).rfind('\\') + 1, anchor_.size());
      const auto levels = [](std::string_view text) {
        return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\\'));
      };
      const std::size_t ups = levels(std::string_view(folder_).substr(common));
      if (ups > levels(to.substr(anchor_.size(), common - anchor_.size()))) return false;
      at = std::move(current_);
      for (std::size_t i = 0; at && i < ups; ++i) at = at->OpenParent();
    } else {
      at = anchorHandle_->Reopen();
    }
    for (std::size_t i = common; at && i < to.size();) {
      const std::size_t slash = to.find('\\', i);
      at = at->OpenSubfolder(to.substr(i, slash - i));
      i = slash + 1;
    }
    if (!at || at->Identity() != id) return false;
    current_ = std::move(at);
    folder_ = std::string(to);
    return true;
  }

  std::string anchor_, folder_;
  std::unique_ptr<Handle> anchorHandle_, current_;
};

}  // namespace vorlisk::platform
