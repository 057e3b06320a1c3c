// "Open Registry" of the entry dialogs. On Windows this is the system's registry editor (started,
// not waited for; not built here). Elsewhere the program keeps its own registry store, and this
// window shows it read-only: a tree of keys, the selected key's values with their type and data,
// refreshed when the store changes on disk, and a "Use this key" button that hands the selected
// key's full path ("HKEY_CURRENT_USER\Software\...") to the dialog that opened it.
#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QDialog;
class QWidget;

namespace vorlisk::dialogs {

using CopyKey = std::function<void(const std::string& keyPath)>;

// Builds the viewer (object name TFormRegistryViewer) without showing it. Without `copyKey` the
// "Use this key" button is hidden.
std::unique_ptr<QDialog> MakeRegistryViewer(QWidget* parent, CopyKey copyKey = {});

// Shows the viewer beside `parent` and returns at once; the window frees itself when closed (and
// with its parent).
void ShowRegistryViewer(QWidget* parent, CopyKey copyKey = {});

// How the viewer shows a value: "REG_SZ", "REG_DWORD", ... (a number for an unknown type) and
// the data as text (strings as stored, numbers in hex and decimal, other data as hex bytes).
QString RegistryTypeName(uint32_t type);
QString RegistryDataText(uint32_t type, const std::vector<uint8_t>& data);

}  // namespace vorlisk::dialogs
