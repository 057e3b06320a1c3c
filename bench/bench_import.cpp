// Importing cleaner definitions of other formats, against a budget of one second each (no
// standard tool converts them): an INI-style file of 3,000 sections (about 3 MB), and a folder of
// 100 CleanerML files. Each is timed as a user runs it, `vorlisk-cli --home P import FILE... --all
// --yes` as a whole process on a program folder holding the shipped catalogue, and its reading
// alone in this process for reference.
//
//   build/bench/bench_import [repetitions] [path of vorlisk-cli]
#include "bench/bench_support.h"
#include "model/formats/cleanerml.h"
#include "model/formats/ini_definitions.h"

namespace {

using namespace vorlisk;
using namespace vorlisk::bench;

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Sections like those of a community-kept file: detection, several file keys with masks and
// flags, registry keys and exclusions.
std::string IniDefinitions(int sections) {
  std::string text = "; Version: benchmark\r\n";
  for (int s = 0; s < sections; ++s) {
    const std::string app = "Application" + std::to_string(s);
    text += "\r\n[" + app + " *]\r\nLangSecRef=3021\r\nDetectFile=%LocalAppData%\\" + app +
            "\r\nDefault=False\r\n";
    for (int k = 1; k <= 8; ++k)
      text += "FileKey" + std::to_string(k) + "=%LocalAppData%\\" + app + "\\Cache" +
              std::to_string(k) + "\\*\\Data|*.tmp;*.log;*.dat|RECURSE\r\n";
    for (int k = 1; k <= 4; ++k)
      text += "RegKey" + std::to_string(k) + "=HKCU\\Software\\Vendor\\" + app + "\\Recent" +
              std::to_string(k) + "|LastFile\r\n";
    text += "ExcludeKey1=FILE|%LocalAppData%\\" + app + "\\Cache1\\|keep.log;pinned.dat\r\n";
    text += "ExcludeKey2=PATH|%LocalAppData%\\" + app + "\\Cache2\\Saved\\\r\n";
  }
  return text;
}

std::string CleanerMl(int n) {
  const std::string app = "app" + std::to_string(n);
  std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<cleaner id=\"" + app +
                    "\">\n  <label>App " + std::to_string(n) + "</label>\n";
  for (const char* option : {"cache", "logs", "history"}) {
    xml += std::string("  <option id=\"") + option + "\">\n    <label>" + option +
           "</label>\n    <description>Delete " + option + "</description>\n";
    xml += "    <action command=\"delete\" search=\"walk.all\" path=\"~/.cache/" + app + "/" +
           option + "\"/>\n";
    xml += "    <action command=\"delete\" search=\"glob\" path=\"$XDG_CONFIG_HOME/" + app + "/*/" +
           option + "/*.tmp\"/>\n";
    xml += "    <action command=\"delete\" search=\"walk.files\" path=\"~/.config/" + app +
           "\" regex=\"\\.(log|txt)$\"/>\n";
    xml += "    <action command=\"sqlite.vacuum\" search=\"file\" path=\"~/.config/" + app +
           "/db.sqlite\"/>\n  </option>\n";
  }
  return xml + "</cleaner>\n";
}

void Report(const char* what, const Stats& process, double inProcess) {
  std::printf(
      "%-34s vorlisk-cli import: median %8.2f ms, best %8.2f ms (budget 1000 ms) | reading "
      "alone, in process: %8.2f ms\n",
      what, process.median * 1e3, process.best * 1e3, inProcess * 1e3);
}

}  // namespace

int main(int argc, char** argv) {
  const int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  const std::string cli = argc > 2 ? argv[2] : CliBesideBench();
  const fs::path catalogue = CatalogueBesideCli(cli);
  const fs::path root = MakeTempFolder("vorlisk-bench-import");
  const fs::path program = root / "program", home = root / "home";
  int status = 0;
  {
    fs::create_directories(program / "const");
    fs::copy_file(catalogue, program / "const" / "system.txt");
    const std::vector<std::string> env = {"HOME=" + home.string(),
                                          "XDG_CACHE_HOME=" + (home / ".cache").string(),
                                          "XDG_CONFIG_HOME=" + (home / ".config").string(),
                                          "XDG_DATA_HOME=" + (home / ".local/share").string()};
    fs::create_directories(home);

    const fs::path ini = root / "definitions.ini";
    WriteFile(ini, IniDefinitions(3000));
    std::vector<std::string> xmlFiles;
    for (int n = 0; n < 100; ++n) {
      const fs::path file = root / "cleaners" / ("app" + std::to_string(n) + ".xml");
      WriteFile(file, CleanerMl(n));
      xmlFiles.push_back(file.string());
    }

    formats::DefinitionMachine machine;
    machine.All = true;
    const std::string iniText = ReadAll(ini);
    std::size_t items = 0;
    const Timing iniRead =
        TimeInProcess([&] { items = formats::ReadIniDefinitions(iniText, machine).Items.size(); });
    if (items != 3000) {
      std::fprintf(stderr, "INI-style definitions gave %zu items, expected 3000\n", items);
      status = 1;
    }
    std::size_t xmlItems = 0;
    const Timing xmlRead = TimeInProcess([&] {
      for (const auto& file : xmlFiles)
        xmlItems += formats::ReadCleanerMl(ReadAll(file), machine).Items.size();
    });
    if (xmlItems != 300) {
      std::fprintf(stderr, "CleanerML gave %zu items, expected 300\n", xmlItems);
      status = 1;
    }

    std::vector<std::string> importIni = {cli,          "--home", program.string(), "import",
                                          ini.string(), "--all",  "--yes"};
    std::vector<std::string> importXml = {cli, "--home", program.string(), "import"};
    importXml.insert(importXml.end(), xmlFiles.begin(), xmlFiles.end());
    importXml.insert(importXml.end(), {"--all", "--yes"});
    std::vector<double> iniTimes, xmlTimes;
    for (int r = 0; r < repetitions; ++r) {
      // Each round starts from the shipped catalogue alone.
      fs::remove_all(program / "plugin");
      fs::remove(program / "order.ini");
      iniTimes.push_back(TimeProgram(importIni, env));
      fs::remove_all(program / "plugin");
      fs::remove(program / "order.ini");
      xmlTimes.push_back(TimeProgram(importXml, env));
    }
    std::printf("%d repetitions; 3,000 sections in %.1f MB; 100 CleanerML files of 3 options\n",
                repetitions, static_cast<double>(iniText.size()) / 1e6);
    Report("INI-style, 3,000 sections:", Summarise(iniTimes), iniRead.wall);
    Report("CleanerML, 100 files:", Summarise(xmlTimes), xmlRead.wall);
  }
  std::error_code ec;
  fs::remove_all(root, ec);
  return status;
}
