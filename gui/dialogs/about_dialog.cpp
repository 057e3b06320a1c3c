#include "gui/dialogs/about_dialog.h"

#include <QBoxLayout>
#include <QDesktopServices>
#include <QDialog>
#include <QEnterEvent>
#include <QGraphicsDropShadowEffect>
#include <QGridLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QUrl>
#include <functional>

#include "app/commands.h"
#include "gui/support/help.h"
#include "gui/support/qt_port.h"

namespace vorlisk::dialogs {

namespace {

const QColor kNavy(0, 0, 128);
const QColor kHover(255, 0, 0);

// A label that acts as a link: navy at rest, red and underlined with the hand pointer while the
// mouse is over it; a left click runs `open`.
class LinkLabel final : public QLabel {
 public:
  LinkLabel(const QString& text, std::function<void(const QString& text)> open, QWidget* parent)
      : QLabel(text, parent), open_(std::move(open)) {
    Paint(false);
  }

 protected:
  void enterEvent(QEnterEvent* event) override {
    Paint(true);
    QLabel::enterEvent(event);
  }
  void leaveEvent(QEvent* event) override {
    Paint(false);
    QLabel::leaveEvent(event);
  }
  void mouseReleaseEvent(QMouseEvent* event) override {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
      open_(text());
    QLabel::mouseReleaseEvent(event);
  }

 private:
  void Paint(bool hover) {
    QPalette p = palette();
    p.setColor(QPalette::WindowText, hover ? kHover : kNavy);
    setPalette(p);
    QFont f = font();
    f.setUnderline(hover);
    setFont(f);
    if (hover)
      setCursor(Qt::PointingHandCursor);
    else
      unsetCursor();
  }

  std::function<void(const QString&)> open_;
};

// Opens a link with the desktop's handler; says so in the error box when no program opens it.
void OpenLink(QWidget* parent, const QUrl& url) {
  if (!QDesktopServices::openUrl(url))
    window::ShowErrorBox(parent, NoProgramToOpen(url.toString().toStdString()));
}

QLabel* Named(QLabel* label, const char* name) {
  label->setObjectName(QString::fromLatin1(name));
  return label;
}

}  // namespace

std::unique_ptr<QDialog> MakeAboutDialog(QWidget* parent) {
  auto dialog = std::make_unique<QDialog>(parent);
  QDialog* d = dialog.get();
  d->setObjectName(QStringLiteral("Taboutform"));
  d->setWindowTitle(QStringLiteral("About  Vorlisk"));

  auto* title = Named(new QLabel(QStringLiteral("Vorlisk V1.00"), d), "RxLabel1");
  QFont titleFont = title->font();
  titleFont.setPointSizeF(titleFont.pointSizeF() * 1.8);
  titleFont.setBold(true);
  titleFont.setUnderline(true);
  title->setFont(titleFont);
  title->setAlignment(Qt::AlignCenter);
  auto* shadow = new QGraphicsDropShadowEffect(title);
  shadow->setColor(QColor(255, 255, 0));
  shadow->setOffset(2, 2);
  shadow->setBlurRadius(0);
  title->setGraphicsEffect(shadow);

  auto* links = new QGridLayout;
  links->addWidget(Named(new QLabel(QStringLiteral("Website: "), d), "Label5"), 0, 0);
  links->addWidget(
      Named(new LinkLabel(
                QString::fromLatin1(kWebAddress),
                [d](const QString&) { OpenLink(d, QUrl(QString::fromLatin1(kWebAddress))); }, d),
            "Label6"),
      0, 1);
  links->addWidget(Named(new QLabel(QStringLiteral("Technical Support: "), d), "Label1"), 1, 0);
  links->addWidget(Named(new LinkLabel(
                             QString::fromLatin1(kSupportAddress),
                             [d](const QString& address) {
                               OpenLink(d, QUrl(QStringLiteral("mailto:") + address));
                             },
                             d),
                         "Label4"),
                   1, 1);
  links->setColumnStretch(2, 1);

  auto* close = new QPushButton(QStringLiteral("Cl&ose"), d);
  close->setObjectName(QStringLiteral("Button1"));
  close->setDefault(true);
  QObject::connect(close, &QPushButton::clicked, d, &QDialog::accept);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(close);
  buttons->addStretch(1);

  auto* top = new QVBoxLayout(d);
  top->setContentsMargins(24, 18, 24, 14);
  top->setSpacing(14);
  top->addWidget(title);
  top->addLayout(links);
  top->addLayout(buttons);

  InstallHelpKey(d, kAboutHelpTopic);
  d->resize(d->sizeHint().expandedTo(QSize(340, 0)));
  SetUpDialogFrame(*d, true);
  return dialog;
}

void ShowAboutDialog(QWidget* parent) { MakeAboutDialog(parent)->exec(); }

}  // namespace vorlisk::dialogs
