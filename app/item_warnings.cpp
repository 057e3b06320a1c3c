#include "app/item_warnings.h"

#include "app/main_session.h"
#include "model/formats/item_file.h"

namespace vorlisk {

std::string ItemWarning(const titem_property& item) {
  if (item.ItemFile.empty()) return "";
  return formats::ReadItemWarning(item.ItemFile, item.Name);
}

bool AcceptItemWarning(MainSession& session, const std::string& itemName,
                       const std::string& warning, WarnedStep step) {
  if (warning.empty()) return true;
  const std::string question =
      "The wash item '" + itemName + "' comes with a warning:\n\n" + warning + "\n\n" +
      (step == WarnedStep::Tick ? "Tick it all the same?" : "Wash it all the same?");
  return session.Ui().Ask && session.Ui().Ask(question);
}

}  // namespace vorlisk
