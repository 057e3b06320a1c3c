#include "app/controls.h"

namespace vorlisk {

namespace {

struct ControlText {
  std::string_view Name;
  std::string_view Hint;
};

// In the order of the enumeration.
constexpr std::array<ControlText, kControlCount> kTexts = {{
    {"btnsetting", "Preferences"},
    {"btnExclude", "Select Files to Exclude"},
    {"btnViewLog", "View Log"},
    {"btnDeleteLog", "Delete Log"},
    {"SpeedButton7", "Import Wash Items from PlugIn File"},
    {"btnSavePlugin", "Export Wash Items Selected to PlugIn File"},
    {"SpeedButton3", "About..."},
    {"SpeedButton2", "Help"},
    {"btnMainPreview", "Preview all Wash Items checked"},
    {"btnWashAll", "Clean all Wash Items checked"},
    {"SpeedButton17", "Exit"},
    {"btnPreviewCurrentItem", "Preview Current Wash Item"},
    {"btnWashSingle", "Clean Current Wash Item"},
    {"SpNew", "Add Wash Item"},
    {"SpEdit", "Edit Current Wash Item"},
    {"SpDelete", "Delete Current Wash Item"},
    {"btnUp", "Up Current Wash Item"},
    {"btnDown", "Down Current Wash Item"},
    {"btnSelectall", "Check all Wash Items"},
    {"btnUnselectAll", "UnCheck all Wash Items"},
    {"btnPreviewCurrentFolder", "Preview Files of Current Item"},
    {"btnWashFolder", "Clean Files of Current Item"},
    {"btnaddfolder", "Add Folder/File Item"},
    {"btnEditFolder", "Edit Current Folder/File Item"},
    {"btndeletefolder", "Delete Current Folder/File Item"},
    {"btnPreviewCurrentRegister", "Preview Registry Entry of Current Item"},
    {"btnWashRegister", "Wash Registry Entry of Current Item"},
    {"btnAddRegsiterChild", "Add Registry Entry Item"},
    {"btnEditRegsiterChild", "Edit Current Registry Entry Item"},
    {"btndeleteregister", "Delete Registry Entry Item"},
}};

constexpr std::array<Control, kControlCount> MakeAll() {
  std::array<Control, kControlCount> all{};
  for (std::size_t i = 0; i < kControlCount; ++i) all[i] = static_cast<Control>(i);
  return all;
}

}  // namespace

std::string_view ControlName(Control control) {
  return kTexts[static_cast<std::size_t>(control)].Name;
}

std::string_view ControlHint(Control control) {
  return kTexts[static_cast<std::size_t>(control)].Hint;
}

std::optional<Control> ControlByName(std::string_view name) {
  for (std::size_t i = 0; i < kControlCount; ++i)
    if (kTexts[i].Name == name) return static_cast<Control>(i);
  return std::nullopt;
}

const std::array<Control, kControlCount>& AllControls() {
  static constexpr std::array<Control, kControlCount> all = MakeAll();
  return all;
}

}  // namespace vorlisk
