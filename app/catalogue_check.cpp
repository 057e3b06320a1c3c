#include "app/catalogue_check.h"

#include <string_view>

#include "model/catalogue.h"
#include "model/formats/item_file.h"
#include "platform/drives.h"
#include "platform/filesystem.h"

namespace vorlisk {

std::vector<std::string> ItemFileDamage(const std::string& itemFile) {
  return formats::ItemFileDamage(itemFile);
}

std::string CatalogueDamageMessage(const std::string& programFolder) {
  std::string message;
  for (const std::string_view file : {kSystemItemFile, kUserItemFile}) {
    const std::string path = programFolder + std::string(file);
    const auto damage = ItemFileDamage(path);
    if (damage.empty()) continue;
    if (!message.empty()) message += "\r";
    message += "The item file " + path + " is damaged:";
    for (const std::string& line : damage) message += "\r- " + line;
  }
  if (!message.empty()) message += "\rThe wash items it still holds are loaded.";
  return message;
}

void ReportCatalogueDamage(MainSession& session) {
  if (const std::string message = CatalogueDamageMessage(session.ProgramFolder());
      !message.empty() && session.Ui().ShowError)
    session.Ui().ShowError(message);
}

std::string MissingCatalogueMessage(const std::string& programFolder) {
  if (platform::FileExists(programFolder + std::string(kSystemItemFile))) return {};
    // The folder as the person who gave --home writes it: on Windows the text itself, elsewhere the
    // host path that its drive letter stands for.
#ifdef _WIN32
  const std::string& shown = programFolder;
#else
  const std::string shown = platform::ToHostPath(programFolder).value_or(programFolder);
#endif
  return "The program folder " + shown + " holds no catalogue (" + std::string(kSystemItemFile) +
         "): the shipped items are missing. Is --home the right folder?";
}

void ReportMissingCatalogue(MainSession& session) {
  if (const std::string message = MissingCatalogueMessage(session.ProgramFolder());
      !message.empty() && session.Ui().Inform)
    session.Ui().Inform(message);
}

}  // namespace vorlisk
