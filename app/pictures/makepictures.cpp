// Draws the program's own pictures (technical notes, viewer logo, icon) into app/pictures/.
// Run once after a change: makepictures <folder>; the results are committed.
#include <QApplication>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QTextDocument>
#include <cstdio>
#include <vector>

#include <jpeglib.h>

namespace {

// Writes image as a JPEG of the given quality with libjpeg (no image plugin needed).
bool SaveJpeg(const QImage& source, const QString& path, int quality) {
  const QImage image = source.convertToFormat(QImage::Format_RGB888);
  FILE* file = std::fopen(QFile::encodeName(path).constData(), "wb");
  if (!file) return false;
  jpeg_compress_struct info;
  jpeg_error_mgr errors;
  info.err = jpeg_std_error(&errors);
  jpeg_create_compress(&info);
  jpeg_stdio_dest(&info, file);
  info.image_width = image.width();
  info.image_height = image.height();
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, quality, TRUE);
  jpeg_start_compress(&info, TRUE);
  while (info.next_scanline < info.image_height) {
    JSAMPROW row = const_cast<uchar*>(image.constScanLine(int(info.next_scanline)));
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  return std::fclose(file) == 0;
}

// Rich text (sub- and superscripts) at a point, in the given width.
void DrawHtml(QPainter& p, double x, double y, double width, const QString& html, int px,
              const QString& family = "DejaVu Serif") {
  QTextDocument doc;
  QFont font(family);
  font.setPixelSize(px);
  doc.setDefaultFont(font);
  doc.setDocumentMargin(0);
  doc.setTextWidth(width);
  doc.setHtml(html);
  p.save();
  p.translate(x, y);
  doc.drawContents(&p);
  p.restore();
}

void Arrow(QPainter& p, QPointF from, QPointF to) {
  p.drawLine(from, to);
  const QLineF line(to, from);
  QLineF a = line;
  a.setLength(8);
  a.setAngle(line.angle() + 22);
  QLineF b = line;
  b.setLength(8);
  b.setAngle(line.angle() - 22);
  QPainterPath head;
  head.moveTo(to);
  head.lineTo(a.p2());
  head.lineTo(b.p2());
  head.closeSubpath();
  p.fillPath(head, p.pen().color());
}

QImage TechnicalNotes() {
  QImage image(795, 561, QImage::Format_RGB32);
  image.fill(QColor(253, 253, 248));
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);

  // Sheet frame and title.
  p.setPen(QPen(QColor(90, 90, 90), 1));
  p.drawRect(QRectF(8.5, 8.5, 778, 516));  // the "Close" button sits below it
  QFont title("DejaVu Serif");
  title.setPixelSize(24);
  title.setBold(true);
  p.setFont(title);
  p.setPen(QColor(20, 40, 110));
  p.drawText(QPointF(24, 44), "Tarvelin on hinged bars");
  QFont sub("DejaVu Sans");
  sub.setPixelSize(12);
  sub.setItalic(true);
  p.setFont(sub);
  p.setPen(QColor(70, 70, 70));
  p.drawText(QRectF(400, 26, 371, 24), Qt::AlignRight | Qt::AlignBottom,
             "technical notes \u2013 Discrete Element Method");
  p.setPen(QPen(QColor(20, 40, 110), 1.5));
  p.drawLine(QPointF(24, 54), QPointF(771, 54));
  p.setPen(QPen(QColor(170, 170, 170), 1, Qt::DotLine));
  p.drawLine(QPointF(405, 66), QPointF(405, 478));

  // Left column: the model and the kinematic relation.
  const QString left =
      "<p style='margin-bottom:6px'><b>The block</b> has its origin <b>O</b> at its mass "
      "centre. The hinged end of a supporting bar is attached to the block at "
      "<b>a</b> (a<sub>x</sub>, a<sub>y</sub>, a<sub>z</sub>); the supported end is "
      "<b>b</b> (b<sub>x</sub>, b<sub>y</sub>, b<sub>z</sub>).</p>"
      "<p style='margin-bottom:6px'>Six degrees of freedom at the centre of gravity:<br>"
      "&nbsp;&nbsp;<b>u</b> = [u<sub>x</sub>, u<sub>y</sub>, u<sub>z</sub>, "
      "&phi;<sub>x</sub>, &phi;<sub>y</sub>, &phi;<sub>z</sub>]<br>"
      "loaded by up to six loads:<br>"
      "&nbsp;&nbsp;<b>f</b> = [F<sub>x</sub>, F<sub>y</sub>, F<sub>z</sub>, T<sub>x</sub>, "
      "T<sub>y</sub>, T<sub>z</sub>]</p>"
      "<p style='margin-bottom:6px'><b>Bar i</b> has its local axis from b to a, with the unit "
      "vector<br>"
      "&nbsp;&nbsp;<b>l</b> = (1/L)&middot;(a<sub>x</sub>&minus;b<sub>x</sub>, "
      "a<sub>y</sub>&minus;b<sub>y</sub>, a<sub>z</sub>&minus;b<sub>z</sub>) = "
      "(l<sub>x</sub>, l<sub>y</sub>, l<sub>z</sub>),&nbsp; |<b>l</b>| = 1.0<br>"
      "and the length<br>"
      "&nbsp;&nbsp;L = &radic;( (a<sub>x</sub>&minus;b<sub>x</sub>)<sup>2</sup> + "
      "(a<sub>y</sub>&minus;b<sub>y</sub>)<sup>2</sup> + "
      "(a<sub>z</sub>&minus;b<sub>z</sub>)<sup>2</sup> )</p>"
      "<p style='margin-bottom:4px'>The elongation of a hinged bar follows from the six "
      "displacements by the kinematic relation<br>"
      "&nbsp;&nbsp;e<sub>i</sub> = <b>B</b><sub>i</sub>&middot;<b>u</b>&nbsp; with</p>"
      "<p>&nbsp;&nbsp;<b>B</b> = [ l<sub>x</sub>, l<sub>y</sub>, l<sub>z</sub>,<br>"
      "&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&minus;a<sub>z</sub>l<sub>y</sub> + "
      "a<sub>y</sub>l<sub>z</sub>,&nbsp; a<sub>z</sub>l<sub>x</sub> &minus; "
      "a<sub>x</sub>l<sub>z</sub>,&nbsp; &minus;a<sub>y</sub>l<sub>x</sub> + "
      "a<sub>x</sub>l<sub>y</sub> ]</p>";
  DrawHtml(p, 24, 68, 370, left, 14);

  // Right column: the drawing of block, bar and support.
  const QColor ink(30, 30, 30);
  p.setPen(QPen(ink, 1.4));
  const QPointF o(590, 122);
  // The block as a flat box in oblique view.
  const QPointF dx(95, 0), dy(45, -32), dz(0, 22);
  QPolygonF top;
  top << o - dx - dy << o + dx - dy << o + dx + dy << o - dx + dy;
  QPolygonF front;
  front << o - dx - dy << o + dx - dy << o + dx - dy + dz << o - dx - dy + dz;
  QPolygonF side;
  side << o + dx - dy << o + dx + dy << o + dx + dy + dz << o + dx - dy + dz;
  p.setBrush(QColor(214, 224, 238));
  p.drawPolygon(top);
  p.setBrush(QColor(176, 192, 216));
  p.drawPolygon(front);
  p.setBrush(QColor(150, 168, 198));
  p.drawPolygon(side);
  p.setBrush(Qt::NoBrush);
  // Axes through O: x and y horizontal, z pointing down.
  p.setPen(QPen(QColor(160, 20, 20), 1.4));
  Arrow(p, o, o + QPointF(150, 0));
  Arrow(p, o, o + QPointF(-68, 48));
  p.setPen(QPen(QColor(160, 20, 20), 1.4, Qt::DashLine));
  p.drawLine(o, o + QPointF(0, 20));
  p.setPen(QPen(QColor(160, 20, 20), 1.4));
  Arrow(p, o + dz + QPointF(0, 2), o + QPointF(0, 118));
  QFont label("DejaVu Sans");
  label.setPixelSize(13);
  label.setItalic(true);
  p.setFont(label);
  p.drawText(o + QPointF(154, 5), "x");
  p.drawText(o + QPointF(-82, 62), "y");
  p.drawText(o + QPointF(6, 118), "z");
  p.setBrush(QColor(160, 20, 20));
  p.drawEllipse(o, 3, 3);
  p.setBrush(Qt::NoBrush);
  p.setPen(ink);
  p.drawText(o + QPointF(-58, -8), "O (0, 0, 0)");

  // Node a on the underside, bar i down to node b on a hinged support.
  const QPointF a = o + dx - dy + dz + QPointF(-40, 0);
  const QPointF b(a.x() + 70, a.y() + 130);
  p.setPen(QPen(QColor(40, 100, 40), 5, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(a, b);
  p.setPen(QPen(ink, 1.4));
  p.setBrush(Qt::white);
  p.drawEllipse(a, 5, 5);
  p.drawEllipse(b, 5, 5);
  QPolygonF support;
  support << b + QPointF(0, 5) << b + QPointF(-17, 28) << b + QPointF(17, 28);
  p.setBrush(QColor(225, 225, 225));
  p.drawPolygon(support);
  p.drawLine(b + QPointF(-28, 28), b + QPointF(28, 28));
  for (int k = -26; k <= 22; k += 8) p.drawLine(b + QPointF(k, 28), b + QPointF(k + 7, 36));
  p.setBrush(Qt::NoBrush);
  p.setFont(label);
  p.drawText(a + QPointF(-20, 16), "a");
  p.drawText(b + QPointF(12, 2), "b");
  QFont note("DejaVu Sans");
  note.setPixelSize(12);
  p.setFont(note);
  const QPointF mid = (a + b) / 2;
  p.drawText(mid + QPointF(14, -6), "hinged bar i");
  p.drawText(mid + QPointF(14, 10), "axial stiffness EA");
  p.drawText(mid + QPointF(14, 26), "axial force only");
  p.drawText(b + QPointF(-44, 52), "hinged support");
  p.drawText(QPointF(425, 84), "the rigid block");

  // Right column formulas, below the drawing.
  const QString right =
      "<p style='margin-bottom:4px'>for each element:<br>"
      "&nbsp;&nbsp;<b>K</b><sub>system</sub> = <b>K</b><sub>system</sub> + "
      "<b>B</b><sub>i</sub><sup>T</sup>&middot;(EA<sub>i</sub>/L<sub>i</sub>)&middot;"
      "<b>B</b><sub>i</sub></p>"
      "<p style='margin-bottom:4px'>displacements:<br>"
      "&nbsp;&nbsp;<b>f</b> = <b>K</b><sub>system</sub>&middot;<b>u</b></p>"
      "<p>axial force of bar i:<br>"
      "&nbsp;&nbsp;N<sub>i</sub> = <b>B</b><sub>i</sub>&middot;"
      "(EA<sub>i</sub>/L<sub>i</sub>)&middot;<b>u</b></p>";
  DrawHtml(p, 425, 345, 350, right, 14);

  const QString footnote =
      "<i>Note: unused degrees of freedom (with zero stiffness) may be neglected, or strictly "
      "checked in case of mechanisms. The user can switch this check on or off "
      "(\u201cdisregard unused dof's\u201d on the Results page).</i>";
  p.setPen(QPen(QColor(170, 170, 170), 1));
  p.drawLine(QPointF(24, 484), QPointF(771, 484));
  DrawHtml(p, 24, 490, 740, footnote, 12, "DejaVu Sans");
  p.end();
  return image;
}

// Our own mark for the intro panel's viewer picture: a wire cube and the words "3D VRML".
QImage ViewerLogo() {
  QImage image(267, 78, QImage::Format_RGB32);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient sky(0, 0, 0, 78);
  sky.setColorAt(0, QColor(32, 72, 140));
  sky.setColorAt(1, QColor(12, 34, 80));
  p.fillRect(image.rect(), sky);
  const QPointF c(40, 40);
  const double s = 19;
  const QPointF d(10, -9);
  QPolygonF front;
  front << c + QPointF(-s, -s) << c + QPointF(s, -s) << c + QPointF(s, s) << c + QPointF(-s, s);
  p.setPen(QPen(QColor(255, 200, 60), 2.2));
  p.drawPolygon(front.translated(d));
  p.setBrush(QColor(255, 200, 60, 70));
  p.drawPolygon(front);
  for (const QPointF& corner : front) p.drawLine(corner, corner + d);
  QFont big("DejaVu Sans");
  big.setPixelSize(30);
  big.setBold(true);
  p.setFont(big);
  p.setPen(Qt::white);
  p.drawText(QPointF(82, 42), "3D VRML");
  QFont small("DejaVu Sans");
  small.setPixelSize(14);
  p.setFont(small);
  p.setPen(QColor(255, 200, 60));
  p.drawText(QPointF(84, 64), "scene viewer");
  p.end();
  return image;
}

// The program's icon: a block carried by two hinged bars.
QImage Icon() {
  QImage image(64, 64, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(20, 40, 110), 2));
  p.setBrush(QColor(120, 150, 210));
  p.drawRoundedRect(QRectF(8, 6, 48, 18), 3, 3);
  p.setPen(QPen(QColor(40, 110, 40), 4, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(16, 24), QPointF(10, 50));
  p.drawLine(QPointF(48, 24), QPointF(54, 50));
  p.drawLine(QPointF(32, 24), QPointF(32, 50));
  p.setPen(QPen(QColor(30, 30, 30), 2));
  p.setBrush(QColor(220, 220, 220));
  for (double x : {10.0, 32.0, 54.0}) {
    QPolygonF support;
    support << QPointF(x, 50) << QPointF(x - 6, 60) << QPointF(x + 6, 60);
    p.drawPolygon(support);
  }
  p.end();
  return image;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: makepictures <output folder>\n");
    return 2;
  }
  const QDir out(QString::fromLocal8Bit(argv[1]));
  bool ok = SaveJpeg(TechnicalNotes(), out.filePath("technical_notes.jpg"), 92);
  ok = SaveJpeg(ViewerLogo(), out.filePath("viewer.jpg"), 92) && ok;
  ok = Icon().save(out.filePath("tarvelin.png"), "PNG") && ok;
  if (!ok) std::fprintf(stderr, "makepictures: cannot write into %s\n", argv[1]);
  return ok ? 0 : 1;
}
