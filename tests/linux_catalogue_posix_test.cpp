// The shipped Linux catalogue on a home laid out as a user's: each application's caches in every
// profile, right beside the files a user keeps (profiles, passwords, keys, documents, settings).
// The built vorlisk-cli previews and washes it; the XDG variables are unset, so the user folders
// are the defaults (~/.config, ~/.cache, ~/.local/share, ~/.local/state).
#include <map>
#include <set>

#include "app/catalogue_check.h"
#include "cli_fixture.h"

namespace vorlisk {
namespace {

using test::ReadHostFile;
using test::WriteHostFile;
using Files = std::vector<std::string>;

// Every name joined to the folder: In("a", {"b", "c/d"}) is "a/b", "a/c/d".
Files In(const std::string& folder, std::initializer_list<const char*> names) {
  Files out;
  for (const char* name : names) out.push_back(folder + "/" + name);
  return out;
}

void Append(Files& to, const Files& more) { to.insert(to.end(), more.begin(), more.end()); }

// A Chromium-family browser: its caches in ~/.cache and its Flatpak's, and in ~/.config the
// caches of each profile and of the browser's own folder. Opera keeps one profile, in that
// folder itself (Flat).
struct Browser {
  std::string Item;       // the shipped item
  std::string Folder;     // below ~/.config and ~/.cache
  std::string FlatpakId;  // its folder in ~/.var/app
  bool Flat = false;
  Files Snap = {};  // the cache of its Snap package
};

const std::vector<Browser> kBrowsers = {
    {"Chromium Cache",
     "chromium",
     "org.chromium.Chromium",
     false,
     {"snap/chromium/common/.cache/chromium/Default/Cache/Cache_Data/data_3"}},
    {"Google Chrome Cache", "google-chrome", "com.google.Chrome"},
    {"Brave Cache", "BraveSoftware/Brave-Browser", "com.brave.Browser"},
    {"Vivaldi Cache", "vivaldi", "com.vivaldi.Vivaldi"},
    {"Opera Cache", "opera", "com.opera.Opera", true},
    {"Microsoft Edge Cache", "microsoft-edge", "com.microsoft.Edge"}};

// Where the browser's profiles are, below its folder: "/Default", "/Profile 2", or "" for the
// folder itself.
std::vector<std::string> Profiles(const Browser& b) {
  if (b.Flat) return {""};
  return {"/Default", "/Profile 2"};
}

Files BrowserCaches(const Browser& b) {
  const std::string config = ".config/" + b.Folder;
  Files out = In(config, {"ShaderCache/data_1", "GrShaderCache/index", "GraphiteDawnCache/data_0"});
  Append(out, b.Snap);
  for (const std::string& in : Profiles(b)) {
    Append(out, In(".cache/" + b.Folder + in,
                   {"Cache/Cache_Data/data_0", "Cache/Cache_Data/f_00a1b2",
                    "Cache/Cache_Data/index-dir/the-real-index", "Code Cache/js/index",
                    "Code Cache/wasm/index-dir/the-real-index"}));
    Append(out,
           In(config + in, {"GPUCache/data_0", "GPUCache/index", "Code Cache/js/0a1b2c3d4e5f_0",
                            "Code Cache/wasm/index", "Service Worker/CacheStorage/8f3a/index.txt",
                            "Service Worker/CacheStorage/8f3a/5d1e/0b9c_0", "DawnCache/data_0",
                            "DawnWebGPUCache/index"}));
    if (!in.empty()) out.push_back(config + in + "/ShaderCache/data_0");
  }
  out.push_back(".var/app/" + b.FlatpakId + "/cache/" + b.Folder + (b.Flat ? "" : "/Default") +
                "/Cache/Cache_Data/data_0");
  return out;
}

Files BrowserPrecious(const Browser& b) {
  const std::string config = ".config/" + b.Folder;
  Files out = {config + "/Local State", config + "/First Run",
               ".var/app/" + b.FlatpakId + "/config/" + b.Folder + "/Default/Bookmarks"};
  for (const std::string& in : Profiles(b))
    Append(out,
           In(config + in, {"History", "Cookies", "Login Data", "Bookmarks", "Preferences",
                            "Local Storage/leveldb/000003.log",
                            "IndexedDB/https_mail.example.org_0.indexeddb.leveldb/CURRENT",
                            "Service Worker/Database/CURRENT", "Service Worker/ScriptCache/index",
                            "Extensions/aapocclcgogkmnckokdopfmhonfmgoek/0.10_0/manifest.json"}));
  return out;
}

// An Electron application's folder: the caches its Chromium keeps there, and its own data.
Files ElectronCaches(const std::string& folder) {
  return In(folder, {"Cache/Cache_Data/data_0", "Cache/Cache_Data/index-dir/the-real-index",
                     "Code Cache/js/index", "Code Cache/wasm/index", "GPUCache/data_1",
                     "DawnGraphiteCache/data_0", "Service Worker/CacheStorage/ab12/index.txt"});
}

Files ElectronPrecious(const std::string& folder) {
  return In(folder, {"Cookies", "Preferences", "Local Storage/leveldb/000005.ldb",
                     "IndexedDB/https_app.example.org_0.indexeddb.leveldb/CURRENT",
                     "Service Worker/Database/CURRENT"});
}

// A shipped item, whether it ships ticked, and the files of the test home its preview lists.
struct ShippedItem {
  std::string Name;
  bool Ticked;
  Files Caches;
};

// Caches of applications no item of their own names, which only the items of whole cache folders
// reach.
const Files kOtherCaches = {".cache/fontconfig/0a1b2c-le64.cache-9",
                            ".cache/tracker3/files/meta.db",
                            ".var/app/org.gnome.Maps/cache/gnome-maps/tiles/12/2048/1361.png",
                            ".var/app/com.spotify.Client/cache/spotify/Data/ab/ab12cd.file",
                            "snap/spotify/common/.cache/spotify/Data/cd/cd34ef.file"};

// Does the path have a name beginning with "." after its first `skip` names? Such a file is in a
// dot-folder, or a dot-name itself, which no walk of a whole cache folder lists.
bool DotNameAfter(const std::string& path, std::size_t skip) {
  std::size_t at = 0;
  for (std::size_t level = 0; at != std::string::npos; ++level) {
    if (level >= skip && path[at] == '.') return true;
    at = path.find('/', at);
    if (at != std::string::npos) ++at;
  }
  return false;
}

// The files of `from` below the folders `levels` names ("*" for any name), with no dot-name below.
Files Below(const Files& from, const std::vector<std::string>& levels) {
  Files out;
  for (const std::string& f : from) {
    std::istringstream parts(f);
    bool inside = true;
    std::string part;
    for (const std::string& level : levels)
      inside = inside && std::getline(parts, part, '/') && (level == "*" || level == part);
    if (inside && !DotNameAfter(f, levels.size())) out.push_back(f);
  }
  return out;
}

const std::vector<ShippedItem>& ShippedItems() {
  static const std::vector<ShippedItem> items = [] {
    std::vector<ShippedItem> t = {
        {"Thumbnails",
         true,
         {".cache/thumbnails/normal/0a1b2c.png", ".cache/thumbnails/large/3d4e5f.png",
          ".cache/thumbnails/fail/gnome-thumbnail-factory/6a7b8c.png",
          ".thumbnails/normal/9d0e1f.png", ".thumbnails/large/2a3b4c.png"}},
        {"Firefox Cache",
         true,
         {".cache/mozilla/firefox/k2x8v1.default-release/cache2/entries/0A1B2C3D",
          ".cache/mozilla/firefox/k2x8v1.default-release/cache2/index",
          ".cache/mozilla/firefox/k2x8v1.default-release/startupCache/startupCache.8.little",
          ".cache/mozilla/firefox/k2x8v1.default-release/shader-cache/0a1b2c",
          ".cache/mozilla/firefox/k2x8v1.default-release/thumbnails/5e6f.png",
          ".cache/mozilla/firefox/m9q4z7.work/cache2/entries/4E5F6A7B",
          "snap/firefox/common/.cache/mozilla/firefox/s1.default/cache2/entries/8C9D",
          ".var/app/org.mozilla.firefox/cache/mozilla/firefox/f1.default/cache2/entries/0E1F"}},
        {"Thunderbird Cache",
         true,
         {".cache/thunderbird/t4r5.default-esr/cache2/entries/2A3B4C5D",
          ".cache/thunderbird/t4r5.default-esr/startupCache/startupCache.8.little",
          "snap/thunderbird/common/.cache/thunderbird/s2.default/cache2/entries/6E7F",
          ".var/app/org.mozilla.Thunderbird/cache/thunderbird/f2.default/cache2/entries/8A9B"}}};
    for (const Browser& b : kBrowsers) t.push_back({b.Item, true, BrowserCaches(b)});
    Files code = ElectronCaches(".config/Code");
    Append(code,
           In(".config/Code",
              {"CachedData/1a2b3c4d/chrome/js/0f1e_0",
               "CachedExtensionVSIXs/ms-python.python-2024.2.1",
               "CachedProfilesData/__default__profile__/extensions.user.cache",
               "logs/20240301T101500/main.log", "logs/20240301T101500/window1/renderer.log"}));
    Files discord = ElectronCaches(".config/discord");
    Append(discord, ElectronCaches(".config/discordcanary"));
    Files teams = ElectronCaches(".config/Microsoft/Microsoft Teams");
    teams.push_back(".config/Microsoft/Microsoft Teams/Application Cache/Cache/data_0");
    Append(teams, ElectronCaches(".config/teams-for-linux"));
    Append(teams, ElectronCaches(".config/teams-for-linux/Partitions/teams-4-linux"));
    Files yarn = In(".cache/yarn/v6/npm-left-pad-1.3.0-5b8a3a77-integrity/node_modules/left-pad",
                    {"package.json", "index.js", ".yarn-metadata.json", ".yarn-tarball.tgz"});
    yarn.push_back(".yarn/berry/cache/left-pad-npm-1.3.0-a1b2c3-10c0.zip");
    const std::vector<ShippedItem> more = {
        {"Visual Studio Code Cache", true, code},
        {"Slack Cache", true, ElectronCaches(".config/Slack")},
        {"Discord Cache", true, discord},
        {"Microsoft Teams Cache", true, teams},
        {"Signal Cache", true, ElectronCaches(".config/Signal")},
        {"npm Cache",
         true,
         {".npm/_cacache/index-v5/1a/2b/3c4d5e6f", ".npm/_cacache/content-v2/sha512/ab/cd/ef0123",
          ".npm/_logs/2024-03-01T10_00_00_000Z-debug-0.log"}},
        {"Yarn Cache", true, yarn},
        {"pip Cache",
         true,
         {".cache/pip/http-v2/a/b/c/d/e/abcde0123456", ".cache/pip/wheels/1a/2b/pkg-1.0-py3.whl",
          ".cache/pip/selfcheck/5f6e7d.json"}},
        {"Go Build Cache",
         true,
         {".cache/go-build/00/00a1b2c3-a", ".cache/go-build/ff/ffe1d2c3-d",
          ".cache/go-build/README", ".cache/go-build/trim.txt"}},
        {"X Session Errors",
         true,
         {".xsession-errors", ".xsession-errors.old", ".local/share/xorg/Xorg.0.log",
          ".local/share/xorg/Xorg.0.log.old"}},
        {"Flatpak Application Caches", false, {}},
        {"Snap Application Caches", false, {}},
        {"All Application Caches", false, {}},
        {"Shell History",
         false,
         {".bash_history", ".zsh_history", ".zhistory", ".histfile",
          ".local/share/fish/fish_history"}},
        {"Command-Line Tool Histories",
         false,
         {".python_history", ".node_repl_history", ".irb_history", ".sqlite_history",
          ".psql_history", ".mysql_history", ".lesshst", ".wget-hsts"}},
        {"Vim History", false, {".viminfo", ".local/state/nvim/shada/main.shada"}}};
    t.insert(t.end(), more.begin(), more.end());
    // The items of whole cache folders list every file there but the dot-names.
    Files all = kOtherCaches;
    for (const auto& item : t) Append(all, item.Caches);
    for (auto& item : t) {
      if (item.Name == "All Application Caches") item.Caches = Below(all, {".cache"});
      if (item.Name == "Flatpak Application Caches")
        item.Caches = Below(all, {".var", "app", "*", "cache"});
      if (item.Name == "Snap Application Caches")
        item.Caches = Below(all, {"snap", "*", "common", ".cache"});
    }
    return t;
  }();
  return items;
}

// Files no item may list: what a user keeps, beside the caches and elsewhere in the home.
Files PreciousFiles() {
  Files out = {
      // Keys, passwords, documents and downloads.
      ".ssh/id_ed25519", ".ssh/id_ed25519.pub", ".ssh/known_hosts", ".ssh/config",
      ".gnupg/private-keys-v1.d/0A1B2C3D4E5F.key", ".gnupg/pubring.kbx", ".gnupg/trustdb.gpg",
      ".local/share/keyrings/login.keyring", ".local/share/recently-used.xbel",
      "Documents/report.pdf", "Documents/taxes 2023.pdf", "Downloads/setup.iso",
      "Downloads/paper.pdf", "Pictures/holiday.jpg",
      // Reached only through links to folders, which no wildcard level follows.
      "Documents/browser-backup/GPUCache/data_0", "Documents/snap-backup/common/.cache/notes.txt",
      // Settings of the shells, the session and the command-line tools beside their histories.
      ".bashrc", ".bash_profile", ".bash_logout", ".profile", ".zshrc", ".config/fish/config.fish",
      ".config/fish/fish_variables", ".local/share/fish/generated_completions/git.fish",
      ".xsession", ".xsessionrc", ".Xresources", ".psqlrc", ".my.cnf", ".sqliterc", ".irbrc",
      ".wgetrc", ".vimrc", ".config/nvim/init.lua", ".local/state/nvim/undo/%home%notes.txt",
      // Mail and browser profiles.
      ".mozilla/firefox/profiles.ini", ".mozilla/firefox/k2x8v1.default-release/places.sqlite",
      ".mozilla/firefox/k2x8v1.default-release/key4.db",
      ".mozilla/firefox/k2x8v1.default-release/logins.json",
      ".mozilla/firefox/k2x8v1.default-release/cookies.sqlite",
      ".mozilla/firefox/k2x8v1.default-release/prefs.js",
      "snap/firefox/common/.mozilla/firefox/s1.default/places.sqlite",
      ".var/app/org.mozilla.firefox/.mozilla/firefox/f1.default/logins.json",
      ".thunderbird/profiles.ini", ".thunderbird/t4r5.default-esr/key4.db",
      ".thunderbird/t4r5.default-esr/logins.json", ".thunderbird/t4r5.default-esr/prefs.js",
      ".thunderbird/t4r5.default-esr/abook.sqlite",
      ".thunderbird/t4r5.default-esr/ImapMail/imap.example.org/INBOX",
      ".thunderbird/t4r5.default-esr/Mail/Local Folders/Inbox",
      // The applications' own data beside their caches.
      ".config/Code/User/settings.json", ".config/Code/User/keybindings.json",
      ".config/Code/User/snippets/cpp.json", ".config/Code/User/globalStorage/state.vscdb",
      ".config/Code/User/workspaceStorage/0a1b2c/state.vscdb",
      ".config/Code/User/History/-4d1a2b/entries.json", ".config/Code/Backups/workspaces.json",
      ".vscode/extensions/ms-python.python-2024.2.1/package.json",
      ".config/Slack/storage/root-state.json", ".config/discord/settings.json",
      ".config/discord/0.0.50/modules/discord_desktop_core/index.js",
      ".config/Microsoft/Microsoft Teams/desktop-config.json",
      ".config/teams-for-linux/config.json", ".config/Signal/sql/db.sqlite",
      ".config/Signal/attachments.noindex/3f/3fa2b1c4", ".config/Signal/config.json",
      ".config/Signal/ephemeral.json",
      // Package managers' settings and the projects they serve.
      ".npmrc", ".yarnrc", ".yarnrc.yml", "projects/site/package.json",
      "projects/site/package-lock.json", "projects/site/yarn.lock",
      "projects/site/node_modules/left-pad/index.js", "projects/site/.yarn/cache/left-pad.zip",
      ".config/pip/pip.conf", ".local/lib/python3.11/site-packages/requests/__init__.py",
      "go/pkg/mod/github.com/x/y@v1.0.0/go.mod", ".config/go/env", "projects/tool/main.go",
      // Flatpak and Snap applications' data beside their caches.
      ".var/app/com.spotify.Client/config/spotify/prefs",
      ".var/app/org.gnome.Maps/data/gnome-maps/places.json",
      "snap/spotify/68/.config/spotify/prefs", "snap/spotify/common/settings.json"};
  for (const Browser& b : kBrowsers) Append(out, BrowserPrecious(b));
  for (const char* app : {".config/Code", ".config/Slack", ".config/discord",
                          ".config/Microsoft/Microsoft Teams", ".config/teams-for-linux",
                          ".config/teams-for-linux/Partitions/teams-4-linux", ".config/Signal"})
    Append(out, ElectronPrecious(app));
  return out;
}

// Every file a ticked item lists, as often as ticked items list it: the Flatpak and Snap copies
// of the browsers' caches have items of their own too.
Files TickedCaches() {
  Files out;
  for (const auto& item : ShippedItems())
    if (item.Ticked) Append(out, item.Caches);
  return out;
}

// The shipped catalogue in the program folder, and a home (HOME, which no drive holds: Z:) for
// MakeHome to fill.
class LinuxCatalogueTest : public test::CliFixture {
 protected:
  LinuxCatalogueTest() {
    xdgInHome_ = false;
    drives_ = "C=" + (root_ / "c");
    UseShippedCatalogue();
  }

  // The home of a user of every application the catalogue knows: their caches, files a user
  // keeps beside them, and links to folders of such files where a cache's folder could be.
  void MakeHome() const {
    for (const auto& item : ShippedItems())
      for (const std::string& f : item.Caches) WriteHostFile(Home(f), "cached " + f);
    for (const std::string& f : kOtherCaches) WriteHostFile(Home(f), "cached " + f);
    for (const std::string& f : PreciousFiles()) WriteHostFile(Home(f), "precious " + f);
    std::filesystem::create_directory_symlink("../../Documents/browser-backup",
                                              Home(".config/google-chrome/Backup"));
    std::filesystem::create_directory_symlink("../Documents/snap-backup", Home("snap/backup"));
  }
  std::string Home(const std::string& rel) const { return root_ / ("home/" + rel); }
};

// The files of the home that the lines of a preview name, whatever their marks.
std::set<std::string> ListedFiles(const std::string& previewOut) {
  std::set<std::string> out;
  std::istringstream in(previewOut);
  for (std::string type, mark, path;
       std::getline(in, type, '\t') && std::getline(in, mark, '\t') && std::getline(in, path);) {
    if (path.rfind("Z:\\", 0) == 0) path.erase(0, 3);
    std::replace(path.begin(), path.end(), '\\', '/');
    out.insert(path);
  }
  return out;
}

// Catches an item that misses a cache in some profile or place (a second profile, a name with a
// space, the Flatpak or Snap copy, a dot-name of the cache) or reaches a file beside it; and
// items, ticked or not, that together reach a file a user keeps, or ticked ones that together
// miss a cache.
TEST_F(LinuxCatalogueTest, EachItemPreviewsExactlyItsOwnFilesAndNoneAPreciousOne) {
  MakeHome();
  std::vector<std::string> all = {"preview"};
  std::set<std::string> caches;
  for (const auto& item : ShippedItems()) {
    EXPECT_EQ(SortedPreview({item.Name}), HomeFileLines(item.Caches, item.Ticked ? "1" : "0"))
        << item.Name;
    all.push_back(item.Name);
    caches.insert(item.Caches.begin(), item.Caches.end());
  }
  const test::CliResult together = Run(all);
  ASSERT_EQ(together.status, 0) << together.err;
  const std::set<std::string> listed = ListedFiles(together.out);
  for (const std::string& f : PreciousFiles()) EXPECT_EQ(listed.count(f), 0u) << f;
  EXPECT_EQ(listed, caches);

  EXPECT_EQ(SortedPreview({}), HomeFileLines(TickedCaches()));
}

// Catches a shipped item this test does not know (so nothing checks what it reaches), a history
// or the whole cache folder shipped ticked, a cache shipped unticked, and a damaged item file.
TEST_F(LinuxCatalogueTest, ShipsCachesTickedAndWhatAUserMayMissUntickedInASoundFile) {
  std::map<std::string, std::string> expected = {{"Recycle Bin", "0\t1"},
                                                 {"The history of Internet Explorer", "0\t1"}};
  for (const auto& item : ShippedItems()) expected[item.Name] = item.Ticked ? "1\t0" : "0\t0";
  const test::CliResult list = Run({"list"});
  ASSERT_EQ(list.status, 0) << list.err;
  EXPECT_EQ(list.err, "");
  std::map<std::string, std::string> listed;
  std::istringstream in(list.out);
  for (std::string index, mark, special, name, file;
       std::getline(in, index, '\t') && std::getline(in, mark, '\t') &&
       std::getline(in, special, '\t') && std::getline(in, name, '\t') && std::getline(in, file);)
    listed[name] = mark + "\t" + special;
  EXPECT_EQ(listed, expected);

  const test::TempDrive drive;
  WriteHostFile(drive.Host("system.txt"), ReadHostFile(Prog("const/system.txt")));
  EXPECT_EQ(ItemFileDamage(drive.Win("system.txt")), std::vector<std::string>{});
}

// Catches a wash that erases more than its preview or a file a user keeps, changes one, leaves
// a cache, or leaves the emptied folders of caches whose application does not miss them (or
// removes the cache folder itself, or the emptied folders of other caches).
TEST_F(LinuxCatalogueTest, AWashOfTheTickedItemsRemovesTheirCachesAndNothingElse) {
  MakeHome();
  const test::CliResult wash = Run({"wash", "--yes"});
  ASSERT_EQ(wash.status, 0) << wash.out << wash.err;
  const Files tickedCaches = TickedCaches();
  const std::set<std::string> ticked(tickedCaches.begin(), tickedCaches.end());
  for (const std::string& f : ticked) EXPECT_FALSE(std::filesystem::exists(Home(f))) << f;
  Files others = kOtherCaches;  // and those of unticked items
  for (const auto& item : ShippedItems()) Append(others, item.Caches);
  for (const std::string& f : others) {
    if (ticked.count(f) == 0) {
      EXPECT_EQ(ReadHostFile(Home(f)), "cached " + f) << f;
    }
  }
  for (const std::string& f : PreciousFiles()) EXPECT_EQ(ReadHostFile(Home(f)), "precious " + f);
  EXPECT_EQ(Run({"preview"}).out, "");

  for (const char* emptied :
       {".cache/google-chrome/Default", ".cache/opera/Cache",
        ".var/app/com.brave.Browser/cache/BraveSoftware/Brave-Browser/Default",
        ".cache/mozilla/firefox/k2x8v1.default-release",
        "snap/firefox/common/.cache/mozilla/firefox/s1.default",
        ".cache/thunderbird/t4r5.default-esr", ".npm/_cacache/index-v5", ".cache/yarn/v6",
        ".cache/pip/http-v2", ".cache/go-build/00"})
    EXPECT_FALSE(std::filesystem::exists(Home(emptied))) << emptied;
  for (const char* own :
       {".cache/google-chrome", ".var/app/com.brave.Browser/cache/BraveSoftware/Brave-Browser",
        ".cache/mozilla/firefox", "snap/firefox/common/.cache/mozilla/firefox",
        ".cache/thunderbird", ".npm/_cacache", ".cache/yarn", ".yarn/berry/cache", ".cache/pip",
        ".cache/go-build",
        // Entries without the option keep the folders they empty.
        ".config/google-chrome/Profile 2/GPUCache", ".config/Signal/Cache/Cache_Data",
        ".config/Code/logs/20240301T101500/window1", ".thumbnails/normal"})
    EXPECT_TRUE(std::filesystem::is_directory(Home(own))) << own;
}

}  // namespace
}  // namespace vorlisk
