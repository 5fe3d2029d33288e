// Draws the window's button pictures and the application icon and writes them as files:
//   make_icons app/icons
// gives NAME.png and NAME@2x.png (twice the size, for high-density screens) for every button,
// and app/io.github.tegulo.Tegulo.svg with app/io.github.tegulo.Tegulo-N.png, N = 16 .. 256.
// One visual language: a dark outline, flat fills from one small palette, a green arrow for
// "into" or "out of", a document sheet for the document buttons.
#include <QColor>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QString>
#include <cmath>
#include <cstdio>
#include <functional>

namespace {

const QColor kInk(0x2b, 0x34, 0x40);
const QColor kPaper(0xfd, 0xfd, 0xfb);
const QColor kPaperFold(0xd8, 0xdd, 0xe3);
const QColor kFolder(0xf2, 0xc1, 0x4e);
const QColor kFolderBack(0xd9, 0x9a, 0x2b);
const QColor kCartridge(0x9a, 0xa5, 0xb1);
const QColor kCartridgeDark(0x6b, 0x76, 0x82);
const QColor kBlue(0x3b, 0x7d, 0xd8);
const QColor kGreen(0x3a, 0xa6, 0x57);
const QColor kRed(0xd6, 0x45, 0x41);
const QColor kGold(0xe8, 0xb8, 0x3a);
const QColor kSky(0x9c, 0xd3, 0xf5);
const QColor kWood(0xe3, 0xbd, 0x7f);

// Everything is drawn on a 24-unit square; the painter scales it to the picture size.
using Drawing = std::function<void(QPainter&)>;

void Outline(QPainter& p, double width = 1.0) {
  p.setPen(QPen(kInk, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
}

// A fat arrow from (x, y) pointing in direction (dx, dy) (unit axis), length len.
void Arrow(QPainter& p, QPointF tip, QPointF dir, double len, const QColor& fill) {
  const QPointF n(-dir.y(), dir.x());
  const double head = len * 0.55;
  const double shaft = len * 0.22;
  const double wing = len * 0.42;
  QPainterPath a;
  a.moveTo(tip);
  a.lineTo(tip - dir * head + n * wing);
  a.lineTo(tip - dir * head + n * shaft);
  a.lineTo(tip - dir * len + n * shaft);
  a.lineTo(tip - dir * len - n * shaft);
  a.lineTo(tip - dir * head - n * shaft);
  a.lineTo(tip - dir * head - n * wing);
  a.closeSubpath();
  Outline(p, 0.9);
  p.setBrush(fill);
  p.drawPath(a);
}

void Sheet(QPainter& p, QRectF r) {
  const double fold = r.width() * 0.32;
  QPainterPath s;
  s.moveTo(r.topLeft());
  s.lineTo(r.right() - fold, r.top());
  s.lineTo(r.right(), r.top() + fold);
  s.lineTo(r.bottomRight());
  s.lineTo(r.bottomLeft());
  s.closeSubpath();
  Outline(p);
  p.setBrush(kPaper);
  p.drawPath(s);
  QPainterPath f;
  f.moveTo(r.right() - fold, r.top());
  f.lineTo(r.right() - fold, r.top() + fold);
  f.lineTo(r.right(), r.top() + fold);
  f.closeSubpath();
  p.setBrush(kPaperFold);
  p.drawPath(f);
  p.setPen(QPen(kPaperFold, 0.9));
  for (double y = r.top() + fold + 2.5; y < r.bottom() - 1.5; y += 2.5) {
    p.drawLine(QPointF(r.left() + 2, y), QPointF(r.right() - 2, y));
  }
}

void Cartridge(QPainter& p, QRectF r, const Drawing& label) {
  QPainterPath body;
  const double notch = r.width() * 0.18;
  body.moveTo(r.left(), r.top() + 1);
  body.quadTo(r.left(), r.top(), r.left() + 1, r.top());
  body.lineTo(r.right() - 1, r.top());
  body.quadTo(r.right(), r.top(), r.right(), r.top() + 1);
  body.lineTo(r.right(), r.bottom());
  body.lineTo(r.right() - notch, r.bottom());
  body.lineTo(r.right() - notch, r.bottom() - 1.5);
  body.lineTo(r.left() + notch, r.bottom() - 1.5);
  body.lineTo(r.left() + notch, r.bottom());
  body.lineTo(r.left(), r.bottom());
  body.closeSubpath();
  Outline(p);
  p.setBrush(kCartridge);
  p.drawPath(body);
  // Grip ridges along the top.
  p.setPen(QPen(kCartridgeDark, 0.8));
  for (double x = r.left() + 2.5; x < r.right() - 1.5; x += 2) {
    p.drawLine(QPointF(x, r.top() + 1.2), QPointF(x, r.top() + 2.6));
  }
  // Contacts below the notch.
  p.setPen(Qt::NoPen);
  p.setBrush(kGold);
  for (double x = r.left() + notch + 0.8; x < r.right() - notch - 0.6; x += 1.6) {
    p.drawRect(QRectF(x, r.bottom() - 1.3, 0.8, 1.3));
  }
  label(p);
}

void Folder(QPainter& p, QRectF r, const Drawing& inside) {
  QPainterPath back;
  back.moveTo(r.left(), r.bottom());
  back.lineTo(r.left(), r.top() + 2);
  back.lineTo(r.left() + r.width() * 0.35, r.top() + 2);
  back.lineTo(r.left() + r.width() * 0.42, r.top());
  back.lineTo(r.right() - 1, r.top());
  back.lineTo(r.right() - 1, r.bottom());
  back.closeSubpath();
  Outline(p);
  p.setBrush(kFolderBack);
  p.drawPath(back);
  inside(p);
  QPainterPath front;
  const double y = r.top() + r.height() * 0.45;
  front.moveTo(r.left(), r.bottom());
  front.lineTo(r.left() + 2, y);
  front.lineTo(r.right() + 1, y);
  front.lineTo(r.right() - 1, r.bottom());
  front.closeSubpath();
  Outline(p);
  p.setBrush(kFolder);
  p.drawPath(front);
}

void OpenRom(QPainter& p) {
  Folder(p, QRectF(1.5, 6, 20, 15.5), [](QPainter& q) {
    Cartridge(q, QRectF(6, 1.5, 11, 12), [](QPainter& l) {
      Outline(l, 0.7);
      l.setBrush(kBlue);
      l.drawRect(QRectF(7.6, 4.2, 7.8, 5));
      l.setPen(QPen(kPaper, 0.8));
      l.drawLine(QPointF(8.8, 5.8), QPointF(14.2, 5.8));
      l.drawLine(QPointF(8.8, 7.6), QPointF(12.5, 7.6));
    });
  });
}

void New(QPainter& p) {
  Sheet(p, QRectF(4.5, 2.5, 14, 19));
  // A sparkle: something that was not there before.
  QPainterPath star;
  const QPointF c(17.5, 17.5);
  for (int i = 0; i < 8; ++i) {
    const double r = (i % 2 == 0) ? 5.5 : 1.8;
    const double a = i * 3.14159265 / 4;
    const QPointF pt(c.x() + r * std::sin(a), c.y() - r * std::cos(a));
    if (i == 0)
      star.moveTo(pt);
    else
      star.lineTo(pt);
  }
  star.closeSubpath();
  Outline(p, 0.8);
  p.setBrush(kGold);
  p.drawPath(star);
}

void Load(QPainter& p) {
  Folder(p, QRectF(1.5, 7, 20, 14.5), [](QPainter& q) { Sheet(q, QRectF(6, 2.5, 11, 12)); });
  Arrow(p, QPointF(19.5, 1.5), QPointF(0, -1), 8, kGreen);
}

void Save(QPainter& p) {
  QPainterPath body;
  const QRectF r(3, 3, 18, 18);
  body.moveTo(r.topLeft());
  body.lineTo(r.right() - 3, r.top());
  body.lineTo(r.right(), r.top() + 3);
  body.lineTo(r.bottomRight());
  body.lineTo(r.bottomLeft());
  body.closeSubpath();
  Outline(p);
  p.setBrush(kBlue);
  p.drawPath(body);
  p.setBrush(kCartridge);
  p.drawRect(QRectF(7, 3, 9, 6));
  p.setBrush(kInk);
  p.setPen(Qt::NoPen);
  p.drawRect(QRectF(12.5, 4.2, 2, 3.6));
  Outline(p);
  p.setBrush(kPaper);
  p.drawRect(QRectF(6, 12, 12, 9));
  p.setPen(QPen(kPaperFold, 0.9));
  p.drawLine(QPointF(7.5, 15), QPointF(16.5, 15));
  p.drawLine(QPointF(7.5, 17.5), QPointF(16.5, 17.5));
}

void Picture(QPainter& p, QRectF r) {
  Outline(p);
  p.setBrush(kSky);
  p.drawRect(r);
  p.save();
  p.setClipRect(r);
  p.setPen(Qt::NoPen);
  p.setBrush(kGold);
  p.drawEllipse(QPointF(r.right() - 4, r.top() + 3.5), 2, 2);
  QPainterPath hill;
  hill.moveTo(r.left(), r.bottom());
  hill.lineTo(r.left(), r.bottom() - 4);
  hill.quadTo(r.left() + r.width() * 0.35, r.bottom() - 10, r.left() + r.width() * 0.65,
              r.bottom() - 4);
  hill.quadTo(r.right() - 2, r.bottom() - 7, r.right(), r.bottom() - 5);
  hill.lineTo(r.right(), r.bottom());
  hill.closeSubpath();
  p.setBrush(kGreen);
  p.drawPath(hill);
  p.restore();
  Outline(p);
  p.setBrush(Qt::NoBrush);
  p.drawRect(r);
}

void Export(QPainter& p) {
  Picture(p, QRectF(1.5, 3.5, 16, 13));
  Arrow(p, QPointF(22.5, 17.5), QPointF(1, 0), 10, kGreen);
}

void ArtistPalette(QPainter& p, QRectF r) {
  QPainterPath board;
  board.addEllipse(r);
  QPainterPath hole;
  hole.addEllipse(QPointF(r.left() + r.width() * 0.68, r.top() + r.height() * 0.68),
                  r.width() * 0.09, r.height() * 0.1);
  QPainterPath notch;
  notch.addEllipse(QPointF(r.right(), r.center().y() + r.height() * 0.05), r.width() * 0.16,
                   r.height() * 0.12);
  Outline(p);
  p.setBrush(kWood);
  p.drawPath(board.subtracted(hole).subtracted(notch));
  const QColor blobs[] = {kRed, kGold, kGreen, kBlue};
  const QPointF at[] = {{0.28, 0.32}, {0.5, 0.2}, {0.72, 0.32}, {0.3, 0.62}};
  Outline(p, 0.6);
  for (int i = 0; i < 4; ++i) {
    p.setBrush(blobs[i]);
    p.drawEllipse(QPointF(r.left() + at[i].x() * r.width(), r.top() + at[i].y() * r.height()),
                  r.width() * 0.1, r.width() * 0.1);
  }
}

void OpenPalette(QPainter& p) {
  ArtistPalette(p, QRectF(5.5, 5.5, 17, 15));
  Arrow(p, QPointF(8, 10.5), QPointF(0.7071, 0.7071), 8.5, kGreen);
}

void PaletteRom(QPainter& p) {
  Cartridge(p, QRectF(3, 2, 18, 20), [](QPainter& l) {
    Outline(l, 0.7);
    l.setBrush(kPaper);
    l.drawRect(QRectF(5.5, 5.5, 13, 11));
    // A strip of palette colours on the label.
    const QColor cells[] = {kRed, kGold, kGreen, kBlue};
    l.setPen(Qt::NoPen);
    for (int i = 0; i < 4; ++i) {
      l.setBrush(cells[i]);
      l.drawRect(QRectF(6.5 + i * 2.75, 6.5, 2.75, 9));
    }
  });
}

void Ramp(QPainter& p, bool reverse) {
  const QRectF r(2.5, 6.5, 19, 11);
  const int steps = 5;
  p.setPen(Qt::NoPen);
  for (int i = 0; i < steps; ++i) {
    const int v = (reverse ? steps - 1 - i : i) * 255 / (steps - 1);
    p.setBrush(QColor(v, v, v));
    p.drawRect(
        QRectF(r.left() + i * r.width() / steps, r.top(), r.width() / steps + 0.05, r.height()));
  }
  Outline(p);
  p.setBrush(Qt::NoBrush);
  p.drawRect(r);
}

void Disc(QPainter& p, const QColor& fill, bool plus) {
  Outline(p);
  p.setBrush(fill);
  p.drawEllipse(QPointF(12, 12), 9.5, 9.5);
  p.setPen(QPen(kPaper, 3, Qt::SolidLine, Qt::FlatCap));
  p.drawLine(QPointF(7, 12), QPointF(17, 12));
  if (plus) p.drawLine(QPointF(12, 7), QPointF(12, 17));
}

bool WritePng(const QString& path, int size, double units, const Drawing& draw) {
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  {
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / units, size / units);
    draw(p);
  }
  if (!image.save(path, "PNG")) {
    std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    return false;
  }
  return true;
}

// A button picture at its size and at twice its size, drawn from the same outline.
bool Write(const QString& folder, const char* name, int size, const Drawing& draw) {
  const QDir dir(folder);
  const QString base = QString::fromLatin1(name);
  return WritePng(dir.filePath(base + ".png"), size, 24, draw) &&
         WritePng(dir.filePath(base + "@2x.png"), 2 * size, 24, draw);
}

// The application icon is drawn once, through this interface, both as vector graphics (SVG)
// and with QPainter at each pixel size, so that every size shows the same picture.
class Canvas {
public:
  virtual ~Canvas() = default;
  virtual void Rect(QRectF r, double radius, const QColor& fill) = 0;
  // `fill` invalid: no fill; `width` 0: no outline.
  virtual void Circle(QPointF centre, double radius, const QColor& fill, const QColor& stroke,
                      double width) = 0;
  virtual void Line(QPointF from, QPointF to, double width, const QColor& colour) = 0;
  // Until EndClip, only what lies inside the circle is drawn.
  virtual void BeginClip(QPointF centre, double radius) = 0;
  virtual void EndClip() = 0;
};

class PainterCanvas : public Canvas {
public:
  explicit PainterCanvas(QPainter& p) : p_(p) {}
  void Rect(QRectF r, double radius, const QColor& fill) override {
    p_.setPen(Qt::NoPen);
    p_.setBrush(fill);
    p_.drawRoundedRect(r, radius, radius);
  }
  void Circle(QPointF centre, double radius, const QColor& fill, const QColor& stroke,
              double width) override {
    p_.setPen(width > 0 ? QPen(stroke, width) : QPen(Qt::NoPen));
    p_.setBrush(fill.isValid() ? QBrush(fill) : QBrush(Qt::NoBrush));
    p_.drawEllipse(centre, radius, radius);
  }
  void Line(QPointF from, QPointF to, double width, const QColor& colour) override {
    p_.setPen(QPen(colour, width, Qt::SolidLine, Qt::RoundCap));
    p_.drawLine(from, to);
  }
  void BeginClip(QPointF centre, double radius) override {
    p_.save();
    QPainterPath clip;
    clip.addEllipse(centre, radius, radius);
    p_.setClipPath(clip);
  }
  void EndClip() override { p_.restore(); }

private:
  QPainter& p_;
};

class SvgCanvas : public Canvas {
public:
  void Rect(QRectF r, double radius, const QColor& fill) override {
    body_ += QStringLiteral("  <rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\"")
                 .arg(r.x())
                 .arg(r.y())
                 .arg(r.width())
                 .arg(r.height());
    if (radius > 0) body_ += QStringLiteral(" rx=\"%1\"").arg(radius);
    body_ += QStringLiteral(" fill=\"%1\"/>\n").arg(fill.name());
  }
  void Circle(QPointF centre, double radius, const QColor& fill, const QColor& stroke,
              double width) override {
    body_ += QStringLiteral("  <circle cx=\"%1\" cy=\"%2\" r=\"%3\" fill=\"%4\"")
                 .arg(centre.x())
                 .arg(centre.y())
                 .arg(radius)
                 .arg(fill.isValid() ? fill.name() : QStringLiteral("none"));
    if (width > 0) {
      body_ += QStringLiteral(" stroke=\"%1\" stroke-width=\"%2\"").arg(stroke.name()).arg(width);
    }
    body_ += QStringLiteral("/>\n");
  }
  void Line(QPointF from, QPointF to, double width, const QColor& colour) override {
    body_ += QStringLiteral(
                 "  <line x1=\"%1\" y1=\"%2\" x2=\"%3\" y2=\"%4\" stroke=\"%5\" "
                 "stroke-width=\"%6\" stroke-linecap=\"round\"/>\n")
                 .arg(from.x())
                 .arg(from.y())
                 .arg(to.x())
                 .arg(to.y())
                 .arg(colour.name())
                 .arg(width);
  }
  void BeginClip(QPointF centre, double radius) override {
    const QString id = QStringLiteral("clip%1").arg(++clips_);
    body_ += QStringLiteral(
                 "  <clipPath id=\"%1\"><circle cx=\"%2\" cy=\"%3\" r=\"%4\"/>"
                 "</clipPath>\n  <g clip-path=\"url(#%1)\">\n")
                 .arg(id)
                 .arg(centre.x())
                 .arg(centre.y())
                 .arg(radius);
  }
  void EndClip() override { body_ += QStringLiteral("  </g>\n"); }

  QString Document(int units) const {
    return QStringLiteral(
               "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
               "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%1\" height=\"%1\" "
               "viewBox=\"0 0 %1 %1\">\n%2</svg>\n")
        .arg(units)
        .arg(body_);
  }

private:
  QString body_;
  int clips_ = 0;
};

// The application icon on a 64-unit square: a mosaic of 4 x 4 coloured tiles (a small
// landscape: sky, sun, hill, ground) on a dark rounded square, and a magnifying glass whose
// lens shows pixels enlarged.
constexpr int kAppIconUnits = 64;
const char* const kAppIconName = "io.github.tegulo.Tegulo";
const int kAppIconSizes[] = {16, 24, 32, 48, 64, 128, 256};

void AppIcon(Canvas& c) {
  c.Rect(QRectF(3, 3, 58, 58), 11, kInk);
  const QColor tiles[4][4] = {{kSky, kSky, kSky, kGold},
                              {kSky, kGreen, kSky, kSky},
                              {kGreen, kGreen, kGreen, kSky},
                              {kWood, kWood, kWood, kGreen}};
  for (int row = 0; row < 4; ++row) {
    for (int col = 0; col < 4; ++col) {
      c.Rect(QRectF(9 + col * 12, 9 + row * 12, 10, 10), 1.5, tiles[row][col]);
    }
  }
  const QPointF lens(38, 38);
  const double radius = 13;
  c.Line(QPointF(48, 48), QPointF(57, 57), 7, kInk);
  c.Line(QPointF(48, 48), QPointF(56.5, 56.5), 4.5, kGold);
  c.Circle(lens, radius, kPaper, kInk, 0);
  c.BeginClip(lens, radius);
  const QColor big[2] = {kRed, kGold};
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) {
      c.Rect(QRectF(lens.x() - 18 + i * 9, lens.y() - 18 + j * 9, 9, 9), 0, big[(i + j) % 2]);
    }
  }
  c.EndClip();
  c.Circle(lens, radius, QColor(), kInk, 5);
  c.Circle(lens, radius, QColor(), kPaper, 2.5);
}

bool WriteAppIcon(const QString& folder) {
  const QDir dir(folder);
  const QString base = QString::fromLatin1(kAppIconName);
  bool ok = true;
  for (const int size : kAppIconSizes) {
    ok &= WritePng(dir.filePath(QStringLiteral("%1-%2.png").arg(base).arg(size)), size,
                   kAppIconUnits, [](QPainter& p) {
                     PainterCanvas c(p);
                     AppIcon(c);
                   });
  }
  SvgCanvas svg;
  AppIcon(svg);
  QFile file(dir.filePath(base + ".svg"));
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
      file.write(svg.Document(kAppIconUnits).toUtf8()) < 0 || !file.flush()) {
    std::fprintf(stderr, "cannot write %s\n", qPrintable(file.fileName()));
    return false;
  }
  return ok;
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_icons <folder>\n");
    return 2;
  }
  const QString folder = QString::fromLocal8Bit(argv[1]);
  const QString appFolder = QDir(folder).filePath(QStringLiteral("app"));
  QDir().mkpath(appFolder);
  bool ok = true;
  ok &= Write(folder, "open_rom", 48, OpenRom);
  ok &= Write(folder, "new", 48, New);
  ok &= Write(folder, "load", 48, Load);
  ok &= Write(folder, "save", 48, Save);
  ok &= Write(folder, "export", 32, Export);
  ok &= Write(folder, "open_palette", 32, OpenPalette);
  ok &= Write(folder, "palette_rom", 24, PaletteRom);
  ok &= Write(folder, "mono", 24, [](QPainter& p) { Ramp(p, false); });
  ok &= Write(folder, "mono_reverse", 24, [](QPainter& p) { Ramp(p, true); });
  ok &= Write(folder, "add", 24, [](QPainter& p) { Disc(p, kGreen, true); });
  ok &= Write(folder, "remove", 24, [](QPainter& p) { Disc(p, kRed, false); });
  ok &= WriteAppIcon(appFolder);
  return ok ? 0 : 1;
}
