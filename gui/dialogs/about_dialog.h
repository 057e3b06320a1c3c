// The About dialog: the product's name and version, its web page and the support address.
#pragma once

#include <memory>

class QDialog;
class QWidget;

namespace vorlisk::dialogs {

inline constexpr const char* kWebAddress = "https://vorlisk.org/";
inline constexpr const char* kSupportAddress = "support@vorlisk.org";
inline constexpr int kAboutHelpTopic = 30;

// Builds Taboutform without showing it.
std::unique_ptr<QDialog> MakeAboutDialog(QWidget* parent);

// Shows it modally and returns when it is closed.
void ShowAboutDialog(QWidget* parent);

}  // namespace vorlisk::dialogs
