#include "gui/support/qt_port.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFontMetrics>
#include <QMessageBox>
#include <QStringList>
#include <QUrl>

#include "platform/drives.h"
#include "platform/process.h"

namespace vorlisk::window {

namespace {

const QString kTitle = QStringLiteral("Vorlisk");

QString HostPath(const std::string& windowsPath) {
  const auto host = platform::ToHostPath(windowsPath);
  return host ? QString::fromStdString(*host) : QString();
}

std::string WindowsPath(const QString& hostPath) {
  return platform::WindowsPathFromHost(hostPath.toStdString());
}

}  // namespace

QString Elided(const QString& text, int width) {
  return QFontMetrics(QApplication::font()).elidedText(text, Qt::ElideMiddle, width);
}

QString MessageText(const std::string& text) {
  QString s = QString::fromStdString(text);
  s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  s.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  // A box wraps a line at its blanks only: no word may be wider than the box, and a line wraps
  // over a few lines at most.
  QStringList lines = s.split(QLatin1Char('\n'));
  for (QString& line : lines) {
    QStringList words = line.split(QLatin1Char(' '));
    for (QString& word : words) word = Elided(word, kLongestWord);
    line = Elided(words.join(QLatin1Char(' ')), 4 * kLongestWord);
  }
  return lines.join(QLatin1Char('\n'));
}

bool AskYesNo(QWidget* parent, const std::string& question) {
  return QMessageBox::warning(parent, kTitle, MessageText(question),
                              QMessageBox::Yes | QMessageBox::No,
                              QMessageBox::Yes) == QMessageBox::Yes;
}

void ShowNote(QWidget* parent, const std::string& note) {
  QMessageBox::information(parent, kTitle, MessageText(note), QMessageBox::Ok);
}

void ShowReport(QWidget* parent, const std::string& summary, const std::string& details) {
  QMessageBox box(QMessageBox::Information, kTitle, MessageText(summary), QMessageBox::Ok, parent);
  if (!details.empty()) box.setDetailedText(QString::fromStdString(details));
  box.exec();
}

void ShowRefusal(QWidget* parent, const std::string& message) {
  QMessageBox::critical(parent, kTitle, MessageText(message), QMessageBox::Ok);
}

void ShowErrorBox(QWidget* parent, const std::string& message) {
  QMessageBox::critical(parent, kTitle, MessageText(message), QMessageBox::Ok);
}

QString QtFilter(const std::string& filter) {
  const QStringList parts = QString::fromStdString(filter).split(QLatin1Char('|'));
  QStringList out;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QString masks = parts[i + 1];
    masks.replace(QLatin1Char(';'), QLatin1Char(' '));
    QString caption = parts[i];
    // A caption that already shows its masks is given them once.
    out << (caption.contains(QLatin1Char('('))
                ? caption.left(caption.indexOf(QLatin1Char('('))).trimmed()
                : caption) +
               QStringLiteral(" (") + masks + QLatin1Char(')');
  }
  return out.join(QStringLiteral(";;"));
}

namespace {
// The program's files and definitions often lie in folders whose names begin with a dot
// (~/.config, ~/.local/share): a file chooser lists them.
void ShowHiddenFolders(QFileDialog& dialog) { dialog.setFilter(dialog.filter() | QDir::Hidden); }
}  // namespace

UiCallbacks MakeQtPort(QWidget* parent) {
  UiCallbacks ui;
  ui.Ask = [parent](const std::string& q) { return AskYesNo(parent, q); };
  ui.Inform = [parent](const std::string& m) { ShowNote(parent, m); };
  ui.ShowReport = [parent](const std::string& summary, const std::string& details) {
    ShowReport(parent, summary, details);
  };
  ui.Refuse = [parent](const std::string& m) { ShowRefusal(parent, m); };
  ui.ShowError = [parent](const std::string& m) { ShowErrorBox(parent, m); };
  ui.TrayNote = [parent](const std::string& m) { ShowNote(parent, m); };
  ui.Cursor = [](bool busy) {
    if (busy)
      QApplication::setOverrideCursor(Qt::WaitCursor);
    else
      QApplication::restoreOverrideCursor();
  };
  ui.OpenFiles = [parent](const FileChooser& chooser) {
    QFileDialog dialog(parent, QString::fromStdString(chooser.Title), QDir::homePath(),
                       QtFilter(chooser.Filter));
    ShowHiddenFolders(dialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(chooser.Multiple ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
    std::vector<std::string> files;
    if (dialog.exec() != QDialog::Accepted) return files;
    for (const QString& f : dialog.selectedFiles()) files.push_back(WindowsPath(f));
    return files;
  };
  ui.SaveFile = [parent](const FileChooser& chooser) -> std::optional<std::string> {
    QFileDialog dialog(parent, QString::fromStdString(chooser.Title), QDir::homePath(),
                       QtFilter(chooser.Filter));
    ShowHiddenFolders(dialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QString::fromStdString(chooser.DefaultExt));
    dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return WindowsPath(dialog.selectedFiles().constFirst());
  };
  ui.OpenDocument = [](const std::string& path) {
    const QString host = HostPath(path);
    return !host.isEmpty() && QDesktopServices::openUrl(QUrl::fromLocalFile(host));
  };
  return ui;
}

bool ShowingErrors(const std::function<void(const std::string&)>& report,
                   const std::function<void()>& action) {
  try {
    action();
    return true;
  } catch (const std::exception& e) {
    if (report) report(e.what());
    return false;
  }
}

bool ShowingErrors(MainSession& session, const std::function<void()>& action) {
  return ShowingErrors(session.Ui().ShowError, action);
}

}  // namespace vorlisk::window
