// The shipped catalogue's preview of a user's home holding 100,000 cache files, as a user runs it,
// against find(1) listing the same files. The home has the layouts the shipped items reach
// (browser caches in ~/.cache and in every profile under ~/.config, Electron apps, package
// managers, browsers installed as Flatpak or Snap packages, thumbnails), each cache a tree of
// folders of 100 files, beside the precious files a profile keeps (History, Cookies, settings)
// and whole application caches, which no ticked item lists.
//
//   preview: `vorlisk-cli --home P preview` (the items ticked as shipped)
//            vs  `find CACHE1 CACHE2 ... -type f` over the cache folders the files lie in
//
// The preview must list every cache file, each once, and nothing else; the benchmark fails
// otherwise. Who goes first alternates; output goes to /dev/null. Prints medians, bests and
// their ratios.
//
//   build/bench/bench_home [repetitions] [files] [path of vorlisk-cli]
// (default: 5 repetitions, 100,000 files, ../vorlisk-cli beside this program's folder; the
// catalogue is const/system.txt beside vorlisk-cli)
#include <set>

#include "bench/bench_support.h"

namespace {

using namespace vorlisk::bench;

// Cache folders below the home, as the applications make them.
const char* const kCaches[] = {
    ".cache/mozilla/firefox/k3x9.default-release/cache2/entries",
    ".cache/thunderbird/p0q1.default-release/cache2/entries",
    ".cache/google-chrome/Default/Cache/Cache_Data",
    ".cache/chromium/Profile 1/Cache/Cache_Data",
    ".config/google-chrome/Default/GPUCache",
    ".config/google-chrome/Profile 2/Code Cache/js",
    ".config/google-chrome/Default/Service Worker/CacheStorage/0a1b",
    ".config/BraveSoftware/Brave-Browser/Default/Code Cache/wasm",
    ".config/chromium/Default/GPUCache",
    ".config/Code/Cache/Cache_Data",
    ".config/Code/CachedData/1a2b3c",
    ".config/Slack/Cache/Cache_Data",
    ".config/discord/Cache/Cache_Data",
    ".npm/_cacache/content-v2/sha512",
    ".cache/pip/http-v2",
    ".cache/go-build",
    ".cache/thumbnails/normal",
    ".var/app/org.mozilla.firefox/cache/mozilla/firefox/f1.default/cache2/entries",
    "snap/chromium/common/.cache/chromium/Default/Cache/Cache_Data",
};

// Files a user would miss, beside the caches.
const char* const kPrecious[] = {
    ".config/google-chrome/Default/History",
    ".config/google-chrome/Default/Cookies",
    ".config/google-chrome/Profile 2/Bookmarks",
    ".config/Code/User/settings.json",
    ".mozilla/firefox/k3x9.default-release/places.sqlite",
    ".config/Slack/storage/root-state.json",
    "snap/spotify/common/prefs",
    "Documents/thesis.odt",
    // Whole application caches ship unticked: offline songs live there.
    "snap/spotify/common/.cache/spotify/Storage/song.file",
    ".var/app/org.gimp.GIMP/cache/gegl/tile",
};

void Write(const fs::path& path) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << "cached";
}

// Spreads `files` over the caches, 100 to a folder, each cache a tree two levels deep; returns
// the host paths written.
std::vector<std::string> BuildHome(const fs::path& home, int files) {
  std::vector<std::string> written;
  const int caches = static_cast<int>(std::size(kCaches));
  for (int i = 0; i < files; ++i) {
    const int cache = i % caches, n = i / caches;
    const fs::path file = home / kCaches[cache] / ("d" + std::to_string(n / 1000)) /
                          ("e" + std::to_string(n / 100 % 10)) / ("f" + std::to_string(n));
    Write(file);
    written.push_back(file.string());
  }
  for (const char* precious : kPrecious) Write(home / precious);
  return written;
}

}  // namespace

int main(int argc, char** argv) {
  const int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  const int files = argc > 2 ? std::max(1, std::atoi(argv[2])) : 100000;
  const std::string cli = argc > 3 ? argv[3] : CliBesideBench();
  const fs::path catalogue = CatalogueBesideCli(cli);
  const fs::path root = MakeTempFolder("vorlisk-bench-home");
  const fs::path home = root / "home", program = root / "program", output = root / "out.txt";
  int status = 0;
  {
    const std::vector<std::string> written = BuildHome(home, files);
    fs::create_directories(program / "const");
    fs::copy_file(catalogue, program / "const" / "system.txt");
    const std::vector<std::string> env = {"HOME=" + home.string(),
                                          "XDG_CACHE_HOME=" + (home / ".cache").string(),
                                          "XDG_CONFIG_HOME=" + (home / ".config").string(),
                                          "XDG_DATA_HOME=" + (home / ".local/share").string(),
                                          "XDG_STATE_HOME=" + (home / ".local/state").string(),
                                          "VORLISK_DRIVES=H=" + home.string()};
    const std::vector<std::string> preview = {cli, "--home", program.string(), "preview"};
    std::vector<std::string> find = {"find"};
    for (const char* cache : kCaches) find.push_back((home / cache).string());
    find.insert(find.end(), {"-type", "f"});

    // The preview lists every cache file once and nothing else.
    TimeProgram(find);  // warm the caches once for both
    TimeProgram(preview, env, output.string());
    std::set<std::string> listed;
    std::size_t lines = 0;
    {
      std::ifstream in(output);
      for (std::string line; std::getline(in, line);) {
        if (line.rfind("file\t1\tH:\\", 0) != 0) continue;
        ++lines;
        std::string host = home.string() + "/" + line.substr(10);
        std::replace(host.begin(), host.end(), '\\', '/');
        listed.insert(host);
      }
    }
    const std::set<std::string> expected(written.begin(), written.end());
    if (listed != expected) {
      std::size_t missed = 0, extra = 0;
      for (const auto& f : expected) missed += listed.count(f) == 0;
      for (const auto& f : listed) extra += expected.count(f) == 0;
      std::fprintf(stderr, "preview: %zu cache files missed, %zu other files listed\n", missed,
                   extra);
      for (const auto& f : listed)
        if (expected.count(f) == 0) std::fprintf(stderr, "  listed: %s\n", f.c_str());
      status = 1;
    }
    std::vector<double> findTimes, cliTimes;
    for (int r = 0; r < repetitions; ++r) {
      if (r % 2 == 0) findTimes.push_back(TimeProgram(find));
      cliTimes.push_back(TimeProgram(preview, env));
      if (r % 2 == 1) findTimes.push_back(TimeProgram(find));
    }
    const Stats f = Summarise(findTimes), c = Summarise(cliTimes);
    std::printf(
        "home: %d cache files in %zu caches, %zu preview lines (%zu files); %d repetitions\n",
        files, std::size(kCaches), lines, listed.size(), repetitions);
    std::printf(
        "preview find: median %8.2f ms, best %8.2f ms | vorlisk-cli: median %8.2f ms, best "
        "%8.2f ms | ratio median %.2f, best %.2f (aim <= 1.25)\n",
        f.median * 1e3, f.best * 1e3, c.median * 1e3, c.best * 1e3, c.median / f.median,
        c.best / f.best);
  }
  std::error_code ec;
  fs::remove_all(root, ec);
  return status;
}
