// Why a host path given by the user cannot be Windows text (process.h). Portable text: both
// backends give these reasons, and they are tested on every platform.
#include "platform/process.h"

namespace vorlisk::platform {

std::string HostNameRefusal(std::string_view hostPath, bool backslashIsName) {
  for (const char c : hostPath) {
    if (c == '\\' && backslashIsName)
      return "its name holds \"\\\", which Windows text reads as the end of a folder's name";
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte != 0x7f) continue;
    const char* what = c == '\n'   ? "a line break"
                       : c == '\r' ? "a carriage return"
                       : c == '\t' ? "a tab"
                                   : "a control character";
    return std::string("its name holds ") + what +
           ", which Windows text cannot carry: every path is shown, logged and stored on one line";
  }
  return {};
}

std::string FolderRefusal(std::string_view hostFolder, std::string_view folderWhy) {
  const std::string folder(hostFolder);
  if (folderWhy == "it does not exist") return "its folder " + folder + " does not exist";
  return "its folder " + folder + " cannot be used: " + std::string(folderWhy);
}

}  // namespace vorlisk::platform
