#include "app/check_list.h"

#include <algorithm>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "platform/text.h"

namespace vorlisk {

namespace {
// The order of the sorted list: the lines' texts compared with the letters A to Z folded to
// lower case ("_" sorts before the letters, as the list has always sorted it), equal texts in the
// order they were added.
//
// Lines share long folder prefixes, and comparing whole texts would pass over them again at every
// comparison, one line's text far from the other's in memory. The lines are instead placed in a
// tree of their folder levels, each level keyed by its folded name and a "\\" (a file by its folded
// name alone): the folded text of a line is the concatenation of the keys on its way down, and no
// key of a folder is a prefix of another key beside it but the files' names, which sort first just
// as their whole texts do. So sorting the short keys of each folder and walking the tree depth
// first gives the order of the whole texts.
class PathTree {
 public:
  explicit PathTree(const MarkedLines& rows) : nodes_(1) {
    std::size_t node = 0;
    std::string_view lastFolder;
    for (std::size_t row = 0; row < rows.size(); ++row) {
      const std::string_view text = rows[row].Text;
      const std::size_t cut = text.rfind('\\');
      const std::string_view folder =
          cut == std::string_view::npos ? std::string_view() : text.substr(0, cut + 1);
      // Lines of one folder come in runs: the folder is looked up once a run.
      if (row == 0 || folder != lastFolder) node = FolderNode(folder);
      lastFolder = folder;
      nodes_[node].keys.push_back({Folded(text.substr(folder.size())), row, false});
    }
  }

  // Row indexes in sorted order.
  std::vector<std::size_t> Order() {
    std::vector<std::size_t> order;
    std::vector<std::pair<std::size_t, std::size_t>> stack{{0, 0}};  // node, next key
    for (auto& node : nodes_)
      std::stable_sort(node.keys.begin(), node.keys.end(),
                       [](const Key& a, const Key& b) { return a.folded < b.folded; });
    while (!stack.empty()) {
      auto& [node, next] = stack.back();
      if (next == nodes_[node].keys.size()) {
        stack.pop_back();
        continue;
      }
      const Key& key = nodes_[node].keys[next++];
      if (key.folder)
        stack.emplace_back(key.target, 0);
      else
        order.push_back(key.target);
    }
    return order;
  }

 private:
  struct Key {
    std::string folded;  // a folder's ends with "\\"
    std::size_t target;  // a folder's node, or a file's row
    bool folder;
  };
  struct Node {
    std::vector<Key> keys;
    std::unordered_map<std::string, std::size_t> folders;  // folded key to node
  };

  static std::string Folded(std::string_view text) {
    std::string folded(text);
    for (char& c : folded) c = LowerAZ(c);
    return folded;
  }

  // The node of a folder's text ("C:\\Temp\\"), made with the levels above it as needed.
  std::size_t FolderNode(std::string_view folder) {
    std::size_t node = 0;
    for (std::size_t at = 0; at < folder.size();) {
      const std::size_t slash = folder.find('\\', at);
      std::string key = Folded(folder.substr(at, slash + 1 - at));
      at = slash + 1;
      const auto found = nodes_[node].folders.find(key);
      if (found != nodes_[node].folders.end()) {
        node = found->second;
        continue;
      }
      const std::size_t child = nodes_.size();
      nodes_[node].folders.emplace(key, child);
      nodes_[node].keys.push_back({std::move(key), child, true});
      nodes_.emplace_back();
      node = child;
    }
    return node;
  }

  std::vector<Node> nodes_;
};
}  // namespace

const MarkedLines& SortedCheckList::Rows() const {
  if (dirty_) {
    // The rows are put in that order in place, one cycle of the permutation after another.
    std::vector<std::size_t> order = PathTree(rows_).Order();
    for (std::size_t start = 0; start < order.size(); ++start) {
      if (order[start] == start) continue;
      MarkedLine held = std::move(rows_[start]);
      std::size_t at = start;
      while (order[at] != start) {
        const std::size_t from = order[at];
        rows_[at] = std::move(rows_[from]);
        order[at] = at;
        at = from;
      }
      rows_[at] = std::move(held);
      order[at] = at;
    }
    dirty_ = false;
  }
  return rows_;
}

}  // namespace vorlisk
