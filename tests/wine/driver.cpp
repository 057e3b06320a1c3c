// The differential driver: runs every case of a cases file through one implementation of the
// Windows behaviours and prints one line per case, "id<TAB>result", bytes outside printable ASCII
// (and "\") written as \xNN. Built twice: on Linux against the platform layer, and with mingw-w64
// against the Win32 API (run under Wine); compare.sh compares the two outputs.
//
// Cases file, one case a line, fields separated by tabs and escaped as above:
//   id  P  op  initial  section  key  value    a profile file: op R reads (value is the default),
//                                             W writes, K deletes the key, E erases the section;
//                                             initial is the file's bytes, or "-" for no file
//   id  M  mask                               the names of the name folder the mask finds
//   id  F  text                               the full path of text from the current folder
//   N   name                                  a name of the name folder (before any M case)
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include "platform/drives.h"
#include "platform/error.h"
#include "platform/filesystem.h"
#include "platform/profile.h"
#include "platform/wildcard.h"
#endif

namespace {

std::string Escape(const std::string& s) {
  std::string out;
  for (unsigned char c : s) {
    if (c > 0x20 && c < 0x7F && c != '\\') {
      out += static_cast<char>(c);
    } else {
      char hex[5];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      out += hex;
    }
  }
  return out;
}

std::string Unescape(const std::string& s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\\' && i + 3 < s.size() && s[i + 1] == 'x') {
      out += static_cast<char>(std::stoi(s.substr(i + 2, 2), nullptr, 16));
      i += 3;
    } else {
      out += s[i];
    }
  }
  return out;
}

std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> fields;
  std::stringstream in(line);
  std::string f;
  while (std::getline(in, f, '\t')) fields.push_back(Unescape(f));
  fields.resize(std::max<std::size_t>(fields.size(), 7));  // empty last fields
  return fields;
}

std::string ReadBytes(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  if (!in) return "<none>";
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteBytes(const std::filesystem::path& p, const std::string& bytes) {
  std::ofstream(p, std::ios::binary) << bytes;
}

#ifdef _WIN32
// The folder for profile files and names, as Windows text with a trailing "\".
struct Backend {
  std::filesystem::path root;
  std::string winRoot;
  explicit Backend(const std::filesystem::path& folder) : root(folder) {
    winRoot = folder.string();
    if (winRoot.back() != '\\') winRoot += '\\';
  }
  std::string Profile(const std::string& file, const std::vector<std::string>& f) {
    const std::string path = winRoot + file;
    const char* section = f[4].c_str();
    if (f[2] == "R") {
      char buffer[2048];
      GetPrivateProfileStringA(section, f[5].c_str(), f[6].c_str(), buffer, sizeof buffer,
                               path.c_str());
      return buffer;
    }
    const char* key = f[2] == "E" ? nullptr : f[5].c_str();
    const char* value = f[2] == "W" ? f[6].c_str() : nullptr;
    WritePrivateProfileStringA(section, key, value, path.c_str());
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, path.c_str());  // flush
    return ReadBytes(root / file);
  }
  std::vector<std::string> Find(const std::string& mask) {
    std::vector<std::string> found;
    WIN32_FIND_DATAA data;
    HANDLE h = FindFirstFileA((winRoot + "names\\" + mask).c_str(), &data);
    if (h == INVALID_HANDLE_VALUE) return found;
    do found.push_back(data.cFileName);
    while (FindNextFileA(h, &data));
    FindClose(h);
    return found;
  }
  std::string FullPath(const std::string& text) {
    char buffer[1024];
    const DWORD n = GetFullPathNameA(text.c_str(), sizeof buffer, buffer, nullptr);
    if (n == 0 || n >= sizeof buffer) return "<fail>";
    return buffer;
  }
};
constexpr const char* kCurrent = "C:\\windows";
#else
struct Backend {
  std::filesystem::path root;
  vorlisk::platform::ScopedDriveMapping drive;
  std::vector<std::string> names;
  explicit Backend(const std::filesystem::path& folder)
      : root(folder), drive('T', folder.string()) {}
  std::string Profile(const std::string& file, const std::vector<std::string>& f) {
    vorlisk::platform::ProfileFile profile("T:\\" + file);
    std::string result;
    try {
      if (f[2] == "R") return profile.ReadString(f[4], f[5], f[6]);
      if (f[2] == "W") profile.WriteString(f[4], f[5], f[6]);
      if (f[2] == "K") profile.DeleteKey(f[4], f[5]);
      if (f[2] == "E") profile.EraseSection(f[4]);
    } catch (const std::runtime_error&) {
      result = "<refused>";
    }
    vorlisk::platform::ClearProfileCache();
    return result + ReadBytes(root / file);
  }
  std::vector<std::string> Find(const std::string& mask) {
    std::vector<std::string> found;
    const vorlisk::platform::WildcardMask compiled(mask);
    for (const auto& n : names)
      if (compiled.Matches(n)) found.push_back(n);
    return found;
  }
  std::string FullPath(const std::string& text) {
    return vorlisk::platform::ResolveFullPath("C:\\windows", text);
  }
};
#endif

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: driver CASES WORK_FOLDER\n";
    return 2;
  }
#ifdef _WIN32
  SetCurrentDirectoryA(kCurrent);
#endif
  const std::filesystem::path work = std::filesystem::absolute(argv[2]);
  std::filesystem::create_directories(work / "names");
  Backend backend(work);
  std::ifstream cases(argv[1], std::ios::binary);
  std::string line;
  int count = 0;
  while (std::getline(cases, line)) {
    if (line.empty() || line[0] == '#') continue;
    const auto f = Fields(line);
    if (f[0] == "N") {
      WriteBytes(work / "names" / f[1], "");
#ifndef _WIN32
      backend.names.push_back(f[1]);
#endif
      continue;
    }
    std::string result;
    if (f[1] == "P") {
      const std::string file = "p" + std::to_string(++count) + ".ini";
      if (f[3] != "-") WriteBytes(work / file, f[3]);
      result = backend.Profile(file, f);
    } else if (f[1] == "M") {
      auto found = backend.Find(f[2]);
      found.erase(std::remove_if(found.begin(), found.end(),
                                 [](const std::string& n) { return n == "." || n == ".."; }),
                  found.end());
      std::sort(found.begin(), found.end());
      for (const auto& n : found) result += n + "/";
    } else if (f[1] == "F") {
      result = backend.FullPath(f[2]);
    }
    std::cout << f[0] << '\t' << Escape(result) << '\n';
  }
  return 0;
}
