// The About dialog: its controls by name, the link labels' hover look, what their clicks open, and
// F1 reaching the window's help with the dialog's topic.
#include "gui/dialogs/about_dialog.h"

#include <gtest/gtest.h>

#include <QDesktopServices>
#include <QDialog>
#include <QEnterEvent>
#include <QGraphicsDropShadowEffect>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QShortcut>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <vector>

#include "gui/support/help.h"

namespace vorlisk::dialogs {
namespace {

// Takes the URLs the desktop would open, so that no browser or mail program starts.
class UrlCatcher : public QObject {
  Q_OBJECT

 public:
  UrlCatcher() {
    for (const char* scheme : {"https", "http", "mailto"})
      QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), this, "Open");
  }
  ~UrlCatcher() override {
    for (const char* scheme : {"https", "http", "mailto"})
      QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
  }
  std::vector<QString> opened;

 public slots:
  void Open(const QUrl& url) { opened.push_back(url.toString()); }
};

TEST(AboutDialog, ShowsNameVersionAndLinks) {
  auto dialog = MakeAboutDialog(nullptr);
  EXPECT_EQ(dialog->objectName(), "Taboutform");
  EXPECT_EQ(dialog->windowTitle(), "About  Vorlisk");
  auto* title = dialog->findChild<QLabel*>("RxLabel1");
  ASSERT_NE(title, nullptr);
  EXPECT_EQ(title->text(), "Vorlisk V1.00");
  EXPECT_TRUE(title->font().underline());
  auto* shadow = qobject_cast<QGraphicsDropShadowEffect*>(title->graphicsEffect());
  ASSERT_NE(shadow, nullptr);
  EXPECT_EQ(shadow->color(), QColor(255, 255, 0));
  const std::vector<std::pair<const char*, QString>> texts = {{"Label5", "Website: "},
                                                              {"Label6", kWebAddress},
                                                              {"Label1", "Technical Support: "},
                                                              {"Label4", kSupportAddress}};
  for (const auto& [name, text] : texts) {
    auto* label = dialog->findChild<QLabel*>(name);
    ASSERT_NE(label, nullptr) << name;
    EXPECT_EQ(label->text(), text) << name;
  }
  auto* close = dialog->findChild<QPushButton*>("Button1");
  ASSERT_NE(close, nullptr);
  EXPECT_EQ(close->text(), "Cl&ose");
  EXPECT_TRUE(close->isDefault());
  EXPECT_EQ(dialog->minimumSize(), dialog->maximumSize());
  dialog->show();
  QTest::mouseClick(close, Qt::LeftButton);
  EXPECT_FALSE(dialog->isVisible());
}

TEST(AboutDialog, LinksTurnRedUnderlinedWithHandWhileHoveredAndOpenTheirAddress) {
  UrlCatcher catcher;
  auto dialog = MakeAboutDialog(nullptr);
  dialog->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
  const std::vector<std::pair<const char*, QString>> links = {
      {"Label6", "https://vorlisk.org/"}, {"Label4", "mailto:support@vorlisk.org"}};
  for (const auto& [name, url] : links) {
    SCOPED_TRACE(name);
    auto* label = dialog->findChild<QLabel*>(name);
    ASSERT_NE(label, nullptr);
    const auto colour = [label] { return label->palette().color(label->foregroundRole()); };
    EXPECT_EQ(colour(), QColor(0, 0, 128));
    EXPECT_FALSE(label->font().underline());

    const QPointF inside(2, 2);
    QEnterEvent enter(inside, label->mapTo(dialog.get(), inside), label->mapToGlobal(inside));
    QApplication::sendEvent(label, &enter);
    EXPECT_EQ(colour(), QColor(255, 0, 0));
    EXPECT_TRUE(label->font().underline());
    EXPECT_EQ(label->cursor().shape(), Qt::PointingHandCursor);

    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(label, &leave);
    EXPECT_EQ(colour(), QColor(0, 0, 128));
    EXPECT_FALSE(label->font().underline());
    EXPECT_EQ(label->cursor().shape(), Qt::ArrowCursor);

    QTest::mouseClick(label, Qt::LeftButton);
    ASSERT_FALSE(catcher.opened.empty());
    EXPECT_EQ(catcher.opened.back(), url);
  }
  EXPECT_EQ(catcher.opened.size(), 2u);
}

// Catches a link that does nothing when no program on the desktop opens it (the offscreen
// platform has none).
TEST(AboutDialog, ALinkNoProgramOpensIsShownInTheErrorBox) {
  auto dialog = MakeAboutDialog(nullptr);
  dialog->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
  for (const auto& [name, url] : std::vector<std::pair<const char*, QString>>{
           {"Label6", "https://vorlisk.org/"}, {"Label4", "mailto:support@vorlisk.org"}}) {
    SCOPED_TRACE(name);
    QString shown;
    QTimer::singleShot(0, [&] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        shown = box->text();
        box->accept();
      }
    });
    QTest::mouseClick(dialog->findChild<QLabel*>(name), Qt::LeftButton);
    EXPECT_EQ(shown, QStringLiteral("No program on this desktop opens ") + url);
  }
}

TEST(AboutDialog, HelpKeyShowsTopic30ThroughTheWindowsHandler) {
  std::vector<int> topics;
  SetHelpHandler([&topics](int topic) { topics.push_back(topic); });
  auto dialog = MakeAboutDialog(nullptr);
  auto* key = dialog->findChild<QShortcut*>();
  ASSERT_NE(key, nullptr);
  EXPECT_EQ(key->key(), QKeySequence(QKeySequence::HelpContents));
  emit key->activated();
  SetHelpHandler({});
  emit key->activated();  // no handler: nothing happens
  EXPECT_EQ(topics, std::vector<int>{30});
}

}  // namespace
}  // namespace vorlisk::dialogs

#include "about_dialog_test.moc"
