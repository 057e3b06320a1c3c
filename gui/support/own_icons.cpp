#include "gui/support/own_icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace vorlisk::window {

namespace {

constexpr int kSize = 32;

QPen Pen(const QColor& c, qreal width = 2.6) {
  return QPen(c, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

void Arrow(QPainter& p, QPointF from, QPointF to) {
  p.drawLine(from, to);
  const QPointF d = (to - from) / std::max(1.0, std::hypot((to - from).x(), (to - from).y()));
  const QPointF n(-d.y(), d.x());
  p.drawLine(to, to - d * 6 + n * 5);
  p.drawLine(to, to - d * 6 - n * 5);
}

void Page(QPainter& p) {
  p.setBrush(QColor(250, 250, 250));
  p.drawRoundedRect(QRectF(7, 4, 18, 24), 2, 2);
  p.setBrush(Qt::NoBrush);
}

void Box(QPainter& p) { p.drawRoundedRect(QRectF(6, 6, 20, 20), 3, 3); }

}  // namespace

QIcon OwnIcon(OwnGlyph glyph) {
  QPixmap pixmap(kSize, kSize);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  const QColor blue(32, 96, 168), green(40, 140, 70), red(190, 40, 40), grey(70, 70, 70);
  p.setPen(Pen(grey));
  switch (glyph) {
    case OwnGlyph::Settings:
      p.setPen(Pen(grey, 4));
      for (int i = 0; i < 8; ++i) {
        p.save();
        p.translate(16, 16);
        p.rotate(i * 45.0);
        p.drawLine(QPointF(0, 8), QPointF(0, 12));
        p.restore();
      }
      p.setPen(Pen(grey, 3));
      p.drawEllipse(QPointF(16, 16), 7, 7);
      break;
    case OwnGlyph::Exclude:
      p.setPen(Pen(red, 3));
      p.drawEllipse(QPointF(16, 16), 11, 11);
      p.drawLine(QPointF(8.5, 23.5), QPointF(23.5, 8.5));
      break;
    case OwnGlyph::Log:
    case OwnGlyph::DeleteLog:
      Page(p);
      p.setPen(Pen(blue, 2));
      for (int y : {10, 15, 20}) p.drawLine(QPointF(11, y), QPointF(21, y));
      if (glyph == OwnGlyph::DeleteLog) {
        p.setPen(Pen(red, 3.2));
        p.drawLine(QPointF(16, 17), QPointF(27, 28));
        p.drawLine(QPointF(27, 17), QPointF(16, 28));
      }
      break;
    case OwnGlyph::Import:
    case OwnGlyph::Export:
      p.drawLine(QPointF(5, 22), QPointF(5, 27));
      p.drawLine(QPointF(5, 27), QPointF(27, 27));
      p.drawLine(QPointF(27, 27), QPointF(27, 22));
      p.setPen(Pen(glyph == OwnGlyph::Import ? green : blue, 3));
      if (glyph == OwnGlyph::Import)
        Arrow(p, QPointF(16, 4), QPointF(16, 22));
      else
        Arrow(p, QPointF(16, 22), QPointF(16, 4));
      break;
    case OwnGlyph::About:
    case OwnGlyph::Help: {
      p.setPen(Qt::NoPen);
      p.setBrush(blue);
      p.drawEllipse(QPointF(16, 16), 13, 13);
      QFont f = p.font();
      f.setBold(true);
      f.setPixelSize(19);
      p.setFont(f);
      p.setPen(Qt::white);
      p.drawText(QRectF(0, 0, kSize, kSize), Qt::AlignCenter,
                 glyph == OwnGlyph::About ? QStringLiteral("i") : QStringLiteral("?"));
      break;
    }
    case OwnGlyph::Preview:
      p.setPen(Pen(blue, 3));
      p.drawEllipse(QPointF(13, 13), 8, 8);
      p.setPen(Pen(grey, 4.5));
      p.drawLine(QPointF(19, 19), QPointF(27, 27));
      break;
    case OwnGlyph::Wash:
      p.setPen(Pen(green, 2.4));
      p.setBrush(QColor(220, 240, 225));
      p.drawRoundedRect(QRectF(9, 11, 14, 17), 2, 2);
      p.drawLine(QPointF(6, 8), QPointF(26, 8));
      p.drawLine(QPointF(13, 5), QPointF(19, 5));
      p.drawLine(QPointF(13.5, 15), QPointF(13.5, 24));
      p.drawLine(QPointF(18.5, 15), QPointF(18.5, 24));
      break;
    case OwnGlyph::Exit:
      p.drawRoundedRect(QRectF(5, 5, 14, 22), 2, 2);
      p.setPen(Pen(red, 3));
      Arrow(p, QPointF(13, 16), QPointF(28, 16));
      break;
    case OwnGlyph::Add:
    case OwnGlyph::Delete:
      p.setPen(Pen(glyph == OwnGlyph::Add ? green : red, 4));
      p.drawLine(QPointF(7, 16), QPointF(25, 16));
      if (glyph == OwnGlyph::Add) p.drawLine(QPointF(16, 7), QPointF(16, 25));
      break;
    case OwnGlyph::Edit:
      p.setPen(Pen(blue, 4));
      p.drawLine(QPointF(9, 23), QPointF(23, 9));
      p.setPen(Pen(grey, 2));
      p.drawLine(QPointF(6, 26), QPointF(26, 26));
      break;
    case OwnGlyph::Up:
    case OwnGlyph::Down: {
      p.setPen(Qt::NoPen);
      p.setBrush(blue);
      QPainterPath t;
      const bool up = glyph == OwnGlyph::Up;
      t.moveTo(16, up ? 6 : 26);
      t.lineTo(6, up ? 22 : 10);
      t.lineTo(26, up ? 22 : 10);
      t.closeSubpath();
      p.drawPath(t);
      break;
    }
    case OwnGlyph::CheckAll:
    case OwnGlyph::SelectAll:
      Box(p);
      p.setPen(Pen(green, 3.4));
      p.drawLine(QPointF(10, 16), QPointF(14.5, 21));
      p.drawLine(QPointF(14.5, 21), QPointF(23, 10));
      break;
    case OwnGlyph::UncheckAll:
    case OwnGlyph::UnselectAll:
      Box(p);
      break;
  }
  return QIcon(pixmap);
}

QIcon ThemedIcon(const char* themeName, OwnGlyph fallback) {
  return QIcon::fromTheme(QString::fromLatin1(themeName), OwnIcon(fallback));
}

QIcon AppIcon() {
  QPixmap pixmap(64, 64);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  // A drop of water over a shield: washing what must not stay.
  QPainterPath shield;
  shield.moveTo(32, 4);
  shield.cubicTo(44, 10, 52, 10, 58, 10);
  shield.cubicTo(58, 36, 48, 52, 32, 60);
  shield.cubicTo(16, 52, 6, 36, 6, 10);
  shield.cubicTo(12, 10, 20, 10, 32, 4);
  p.setPen(QPen(QColor(20, 60, 110), 3));
  p.setBrush(QColor(32, 96, 168));
  p.drawPath(shield);
  QPainterPath drop;
  drop.moveTo(32, 16);
  drop.cubicTo(40, 28, 44, 34, 44, 40);
  drop.cubicTo(44, 47, 38, 52, 32, 52);
  drop.cubicTo(26, 52, 20, 47, 20, 40);
  drop.cubicTo(20, 34, 24, 28, 32, 16);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(235, 245, 255));
  p.drawPath(drop);
  return QIcon(pixmap);
}

}  // namespace vorlisk::window
