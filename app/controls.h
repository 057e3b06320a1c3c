// The main window's controls as a typed enumeration: the buttons of the toolbar and of the three
// panes, each with the object name and the hint the window gives it. The session keeps their
// enabled states and runs their commands; a misspelt control does not compile.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace vorlisk {

enum class Control : uint8_t {
  // Toolbar, left to right.
  btnsetting,
  btnExclude,
  btnViewLog,
  btnDeleteLog,
  SpeedButton7,
  btnSavePlugin,
  SpeedButton3,
  SpeedButton2,
  btnMainPreview,
  btnWashAll,
  SpeedButton17,
  // Left pane: the wash items.
  btnPreviewCurrentItem,
  btnWashSingle,
  SpNew,
  SpEdit,
  SpDelete,
  btnUp,
  btnDown,
  btnSelectall,
  btnUnselectAll,
  // Right pane, upper half: folder and file entries.
  btnPreviewCurrentFolder,
  btnWashFolder,
  btnaddfolder,
  btnEditFolder,
  btndeletefolder,
  // Right pane, lower half: registry entries.
  btnPreviewCurrentRegister,
  btnWashRegister,
  btnAddRegsiterChild,
  btnEditRegsiterChild,
  btndeleteregister,
};

inline constexpr std::size_t kControlCount =
    static_cast<std::size_t>(Control::btndeleteregister) + 1;

// The object name of a control ("btnWashAll") and its hint ("Clean all Wash Items checked").
std::string_view ControlName(Control control);
std::string_view ControlHint(Control control);
// The control of an object name, compared exactly; none for any other text.
std::optional<Control> ControlByName(std::string_view name);

// Every control in the order above.
const std::array<Control, kControlCount>& AllControls();

// The twelve controls that follow whether the selected item is special (disabled) or not.
inline constexpr std::array<Control, 12> kItemButtons = {
    Control::btnPreviewCurrentItem,   Control::SpEdit,
    Control::btnPreviewCurrentFolder, Control::btnWashFolder,
    Control::btnEditFolder,           Control::btnaddfolder,
    Control::btndeletefolder,         Control::btnPreviewCurrentRegister,
    Control::btnWashRegister,         Control::btnAddRegsiterChild,
    Control::btnEditRegsiterChild,    Control::btndeleteregister};

// The eight controls that start a wash or a preview, disabled while one runs.
inline constexpr std::array<Control, 8> kWashControls = {Control::btnWashAll,
                                                         Control::btnMainPreview,
                                                         Control::btnWashSingle,
                                                         Control::btnPreviewCurrentItem,
                                                         Control::btnPreviewCurrentFolder,
                                                         Control::btnWashFolder,
                                                         Control::btnPreviewCurrentRegister,
                                                         Control::btnWashRegister};

}  // namespace vorlisk
