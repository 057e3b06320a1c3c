#include "engine/file_lines.h"

#include <algorithm>
#include <unordered_map>
#include <utility>

#include "platform/text.h"

namespace vorlisk {

FileLines::FileLines(std::initializer_list<MarkedLine> lines) {
  for (const auto& line : lines) Add(line.Text, line.Checked);
}

FileLines::FileLines(const MarkedLines& lines) {
  for (const auto& line : lines) Add(line.Text, line.Checked);
}

void FileLines::Add(std::string_view folderText, std::string_view name, bool checked,
                    const platform::ListedIn* listed, bool removeEmptiedFolders,
                    const std::vector<platform::FileIdentity>* levels) {
  const bool slashed = !folderText.empty() && folderText.back() == '\\';
  const std::string_view bare = slashed ? folderText.substr(0, folderText.size() - 1) : folderText;
  const bool same = [&] {
    if (folders_.empty()) return false;
    const Folder& last = folders_.back();
    const std::string_view text = last.Text;
    // "" stays "", any other folder text ends in "\\".
    if (text.empty() ? !folderText.empty() : text.substr(0, text.size() - 1) != bare) return false;
    if (last.RemoveEmptiedFolders != removeEmptiedFolders) return false;
    return listed ? last.Listed && *last.Listed == *listed : !last.Listed;
  }();
  if (!same) {
    Folder folder;
    if (!folderText.empty()) {
      folder.Text.reserve(bare.size() + 1);
      folder.Text.append(bare).push_back('\\');
    }
    if (listed) folder.Listed = *listed;
    folder.RemoveEmptiedFolders = removeEmptiedFolders;
    if (removeEmptiedFolders && levels) folder.Levels = *levels;
    folders_.push_back(std::move(folder));
  }
  Line line{};
  line.name = names_.size();
  line.folder = static_cast<uint32_t>(folders_.size() - 1);
  // A name holds at most a few hundred bytes; longer text is cut rather than wrapped.
  const std::size_t length = std::min<std::size_t>(name.size(), UINT32_MAX >> 1);
  line.bits = static_cast<uint32_t>(length << 1) | (checked ? 1u : 0u);
  name = name.substr(0, length);
  names_.append(name);
  lines_.push_back(line);
  sorted_ = false;
}

void FileLines::Add(std::string_view path, bool checked) {
  // Lines of plain text may name one file twice.
  mayRepeat_ = true;
  const std::size_t cut = path.rfind('\\');
  if (cut == std::string_view::npos)
    Add(std::string_view(), path, checked);
  else
    Add(path.substr(0, cut + 1), path.substr(cut + 1), checked);
}

std::string FileLines::Text(std::size_t line) const {
  std::string text;
  AppendText(line, text);
  return text;
}

void FileLines::AppendText(std::size_t line, std::string& out) const {
  out += FolderOf(line).Text;
  out += Name(line);
}

void FileLines::Clear() {
  folders_.clear();
  lines_.clear();
  names_.clear();
  sourced_ = mayRepeat_ = sorted_ = false;
}

namespace {

// a against b, the letters A to Z folded to lower case, bytes compared unsigned.
int CompareFolded(std::string_view a, std::string_view b) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    const auto ca = static_cast<unsigned char>(LowerAZ(a[i]));
    const auto cb = static_cast<unsigned char>(LowerAZ(b[i]));
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

// The levels of the lines' folders as a tree, each level keyed by its folded name and a "\\". The
// folded text of a line is the concatenation of the keys on its way down and its folded name; no
// key of a folder is a prefix of another key beside it, and a name holds no "\\". So sorting the
// names and keys of each level and walking the tree depth first gives the order of the whole
// texts, without passing over the long shared folder texts again at every comparison.
struct FolderTree {
  struct Node {
    std::vector<std::pair<std::string, uint32_t>> children;  // folded key, node
    std::unordered_map<std::string, uint32_t> byKey;
  };
  std::vector<Node> nodes{1};

  uint32_t NodeOf(std::string_view folder) {
    uint32_t node = 0;
    for (std::size_t at = 0; at < folder.size();) {
      const std::size_t slash = folder.find('\\', at);
      const std::size_t end = slash == std::string_view::npos ? folder.size() : slash + 1;
      std::string key(folder.substr(at, end - at));
      for (char& c : key) c = LowerAZ(c);
      at = end;
      const auto found = nodes[node].byKey.find(key);
      if (found != nodes[node].byKey.end()) {
        node = found->second;
        continue;
      }
      const auto child = static_cast<uint32_t>(nodes.size());
      nodes[node].byKey.emplace(key, child);
      nodes[node].children.emplace_back(std::move(key), child);
      nodes.emplace_back();
      node = child;
    }
    return node;
  }
};

}  // namespace

bool FileLines::SameFolded(std::size_t a, std::size_t b) const {
  return CompareFolded(Name(a), Name(b)) == 0 &&
         (lines_[a].folder == lines_[b].folder ||
          CompareFolded(FolderOf(a).Text, FolderOf(b).Text) == 0);
}

void FileLines::Sort() {
  FolderTree tree;
  std::vector<uint32_t> nodeOfFolder(folders_.size());
  for (std::size_t f = 0; f < folders_.size(); ++f) nodeOfFolder[f] = tree.NodeOf(folders_[f].Text);
  const std::size_t nodes = tree.nodes.size();

  // The lines of each node, in the order they were added.
  std::vector<uint32_t> first(nodes + 1, 0);
  for (const Line& l : lines_) ++first[nodeOfFolder[l.folder] + 1];
  for (std::size_t n = 0; n < nodes; ++n) first[n + 1] += first[n];
  std::vector<uint32_t> byNode(lines_.size());
  {
    std::vector<uint32_t> next(first.begin(), first.end() - 1);
    for (std::size_t i = 0; i < lines_.size(); ++i)
      byNode[next[nodeOfFolder[lines_[i].folder]]++] = static_cast<uint32_t>(i);
  }
  const auto nameLess = [this](uint32_t a, uint32_t b) {
    return CompareFolded(Name(a), Name(b)) < 0;
  };
  for (std::size_t n = 0; n < nodes; ++n) {
    std::stable_sort(byNode.begin() + first[n], byNode.begin() + first[n + 1], nameLess);
    auto& children = tree.nodes[n].children;
    std::sort(children.begin(), children.end());
    tree.nodes[n].byKey.clear();
  }

  // Depth first: at each level its names and its folders' keys, merged.
  std::vector<uint32_t> order;
  order.reserve(lines_.size());
  struct At {
    uint32_t node, line, child;
  };
  std::vector<At> stack{{0, first[0], 0}};
  while (!stack.empty()) {
    At& at = stack.back();
    const auto& children = tree.nodes[at.node].children;
    const bool lines = at.line < first[at.node + 1];
    const bool folders = at.child < children.size();
    if (!lines && !folders) {
      stack.pop_back();
      continue;
    }
    if (lines && (!folders || CompareFolded(Name(byNode[at.line]), children[at.child].first) < 0)) {
      order.push_back(byNode[at.line++]);
      continue;
    }
    const uint32_t child = children[at.child++].second;
    stack.push_back({child, first[child], 0});
  }
  byNode = {};

  // The lines put in that order in place, one cycle of the permutation after another.
  for (std::size_t start = 0; start < order.size(); ++start) {
    if (order[start] == start) continue;
    const Line held = lines_[start];
    std::size_t at = start;
    while (order[at] != start) {
      const std::size_t from = order[at];
      lines_[at] = lines_[from];
      order[at] = static_cast<uint32_t>(at);
      at = from;
    }
    lines_[at] = held;
    order[at] = static_cast<uint32_t>(at);
  }
  sorted_ = true;
}

}  // namespace vorlisk
