// Painting the 3D view's scene, and its picture files.
#include "app/viewpaint.h"

#include <QBuffer>
#include <QFontMetrics>
#include <QImage>
#include <QLinearGradient>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QSvgGenerator>
#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <tuple>
#include <vector>

#include "analysis/modelstore.h"
#include "files/profilefile.h"
#include "support/numtext.h"

namespace tarvelin {

const QColor kSelectionColour(255, 0, 200);

namespace {

const QColor kBackground(255, 255, 255);
const QColor kFaint(205, 205, 205);
const QColor kBlockFill(120, 150, 200, 60);
const QColor kBlockEdge(60, 70, 90);
const QColor kAxisColour(40, 40, 40);
const QColor kLoadColour(170, 0, 60);
const QColor kMotionAxisColour(200, 0, 0);
const QColor kLabelColour(20, 20, 20);

// Labels and node symbols are left out beyond these counts: they would only blacken the view.
constexpr std::size_t kMaxSymbols = 3000;
constexpr std::size_t kMaxLabels = 1500;
constexpr std::size_t kAntialiasBars = 5000;

QPointF P(const ScreenPoint& s) {
  return {s.X, s.Y};
}

// A head of two short strokes at tip, pointing away from base.
void ArrowHead(QPainter& p, const QPointF& base, const QPointF& tip, double size) {
  const QPointF d = tip - base;
  const double len = std::hypot(d.x(), d.y());
  if (len < 1e-6) return;
  const QPointF u = d / len;
  const QPointF n(-u.y(), u.x());
  p.drawLine(tip, tip - size * u + 0.45 * size * n);
  p.drawLine(tip, tip - size * u - 0.45 * size * n);
}

void DrawBlock(QPainter& p, const Projector& proj, const std::array<Vec3, 8>& corners, bool faint) {
  static const int faces[6][4] = {{0, 1, 3, 2}, {4, 5, 7, 6}, {0, 1, 5, 4},
                                  {2, 3, 7, 6}, {0, 2, 6, 4}, {1, 3, 7, 5}};
  std::array<ScreenPoint, 8> s;
  for (int i = 0; i < 8; ++i) {
    s[i] = proj.Project(corners[i]);
    if (!s[i].Visible) return;
  }
  // Far faces first, so the translucent fill builds up from the back.
  std::array<std::pair<double, int>, 6> order;
  for (int f = 0; f < 6; ++f) {
    double depth = 0;
    for (int k = 0; k < 4; ++k) depth += s[faces[f][k]].Depth;
    order[f] = {-depth, f};
  }
  std::sort(order.begin(), order.end());
  p.setPen(QPen(faint ? kFaint : kBlockEdge, 1));
  p.setBrush(faint ? Qt::NoBrush : QBrush(kBlockFill));
  for (const auto& [depth, f] : order) {
    QPolygonF poly;
    for (int k = 0; k < 4; ++k) poly << P(s[faces[f][k]]);
    p.drawPolygon(poly);
  }
  p.setBrush(Qt::NoBrush);
}

void DrawSupport(QPainter& p, const QPointF& at, double size) {
  // A hinged support: a triangle under the node and the ground hatched below it.
  QPolygonF tri;
  tri << at << at + QPointF(-size, 1.6 * size) << at + QPointF(size, 1.6 * size);
  p.drawPolygon(tri);
  const double y = at.y() + 1.6 * size;
  p.drawLine(QPointF(at.x() - 1.5 * size, y), QPointF(at.x() + 1.5 * size, y));
  for (int k = -1; k <= 1; ++k)
    p.drawLine(QPointF(at.x() + k * size, y),
               QPointF(at.x() + k * size - 0.6 * size, y + 0.6 * size));
}

void DrawText(QPainter& p, const QPointF& at, const QString& text, const QColor& colour) {
  p.setPen(colour);
  p.drawText(at + QPointF(4, -4), text);
}

void DrawLegend(QPainter& p, const Scene& scene) {
  const Legend& key = scene.Key;
  const QFontMetrics fm(p.font());
  const int line = fm.height() + 2;
  int width = fm.horizontalAdvance(QString::fromStdString(key.Title));
  for (const LegendEntry& e : key.Entries)
    width = std::max(width, 22 + fm.horizontalAdvance(QString::fromStdString(e.Text)));
  for (const std::string& n : key.Notes)
    width = std::max(width, fm.horizontalAdvance(QString::fromStdString(n)));
  const int rows = 1 + static_cast<int>(key.Entries.size() + key.Notes.size());
  const QRectF box(6, 6, width + 16, rows * line + 10);
  p.setPen(QColor(180, 180, 180));
  p.setBrush(QColor(255, 255, 255, 225));
  p.drawRect(box);
  p.setBrush(Qt::NoBrush);
  double y = box.top() + 5 + fm.ascent();
  p.setPen(kLabelColour);
  p.drawText(QPointF(box.left() + 8, y), QString::fromStdString(key.Title));
  if (scene.Colours == Colouring::ByForce && !key.Entries.empty()) {
    // The continuous scale beside the tick values.
    const double top = y + 4, bottom = y + (key.Entries.size() - 1) * line + 4 + fm.ascent() / 2.0;
    QLinearGradient g(0, top, 0, bottom);
    g.setColorAt(0, ToQColor(kTensionColour));
    g.setColorAt(0.5, ToQColor(kZeroForceColour));
    g.setColorAt(1, ToQColor(kCompressionColour));
    p.fillRect(QRectF(box.left() + 8, top, 12, bottom - top), g);
    for (const LegendEntry& e : key.Entries) {
      y += line;
      p.setPen(kLabelColour);
      p.drawText(QPointF(box.left() + 28, y), QString::fromStdString(e.Text));
    }
  } else {
    for (const LegendEntry& e : key.Entries) {
      y += line;
      p.fillRect(QRectF(box.left() + 8, y - fm.ascent() / 2.0 - 2, 14, 4), ToQColor(e.Colour));
      p.setPen(kLabelColour);
      p.drawText(QPointF(box.left() + 28, y), QString::fromStdString(e.Text));
    }
  }
  for (const std::string& n : key.Notes) {
    y += line;
    p.setPen(QColor(90, 90, 90));
    p.drawText(QPointF(box.left() + 8, y), QString::fromStdString(n));
  }
}

// Cuts the segment to the rectangle [0, w) x [0, h) (Liang and Barsky); false when nothing of
// it lies inside.
bool ClipToRect(QLineF& line, double w, double h) {
  double t0 = 0, t1 = 1;
  const double x0 = line.x1(), y0 = line.y1();
  const double dx = line.x2() - x0, dy = line.y2() - y0;
  const double p[4] = {-dx, dx, -dy, dy};
  const double q[4] = {x0, w - 1 - x0, y0, h - 1 - y0};
  for (int i = 0; i < 4; ++i) {
    if (p[i] == 0) {
      if (q[i] < 0) return false;
      continue;
    }
    const double r = q[i] / p[i];
    if (p[i] < 0) {
      if (r > t1) return false;
      t0 = std::max(t0, r);
    } else {
      if (r < t0) return false;
      t1 = std::min(t1, r);
    }
  }
  line = QLineF(x0 + t0 * dx, y0 + t0 * dy, x0 + t1 * dx, y0 + t1 * dy);
  return true;
}

// One-pixel lines written straight into a 32-bit image. QPainter's raster engine spends some
// 100 ns a pixel on long cosmetic lines, seconds for 100,000 bars; this takes a nanosecond or two.
void RasterLines(QImage& image, const std::vector<QLineF>& lines, QRgb colour) {
  const int w = image.width(), h = image.height();
  auto* bits = reinterpret_cast<QRgb*>(image.bits());
  const qsizetype stride = image.bytesPerLine() / 4;
  for (QLineF line : lines) {
    if (!ClipToRect(line, w, h)) continue;
    // After the clip both ends lie inside: a fixed-point walk along the longer axis.
    const double dx = line.x2() - line.x1(), dy = line.y2() - line.y1();
    const int steps = static_cast<int>(std::max(std::fabs(dx), std::fabs(dy)));
    const double inv = steps > 0 ? 1.0 / steps : 0;
    qint64 x = std::llround((line.x1() + 0.5) * 65536), y = std::llround((line.y1() + 0.5) * 65536);
    const qint64 ix = std::llround(dx * inv * 65536), iy = std::llround(dy * inv * 65536);
    for (int i = 0; i <= steps; ++i) {
      const qint64 px = std::min<qint64>(x >> 16, w - 1), py = std::min<qint64>(y >> 16, h - 1);
      bits[py * stride + px] = colour;
      x += ix;
      y += iy;
    }
  }
}

// Whether the painter draws pixels (an image, a widget) rather than vectors (SVG).
bool PaintsPixels(const QPainter& p) {
  const QPaintEngine* engine = p.paintEngine();
  return engine && engine->type() == QPaintEngine::Raster;
}

}  // namespace

QColor ToQColor(const Rgb& c) {
  return QColor(c.R, c.G, c.B);
}

void PaintScene(QPainter& p, const Scene& scene, const Camera& camera,
                const PaintOptions& options) {
  const Projector proj(camera);
  p.save();
  p.fillRect(QRectF(0, 0, camera.Width, camera.Height), kBackground);
  const std::size_t barCount = scene.Bars.size();
  const std::size_t step = options.Moving && barCount > kMovingBarBudget
                               ? (barCount + kMovingBarBudget - 1) / kMovingBarBudget
                               : 1;
  const bool smooth = barCount <= kAntialiasBars && !options.Moving;
  // Large models on pixels: the bars are rasterised here, one pixel wide.
  const bool fast = barCount > kAntialiasBars && PaintsPixels(p);
  p.setRenderHint(QPainter::Antialiasing, smooth);
  p.setRenderHint(QPainter::TextAntialiasing, true);
  // One layer for the faint model and the bars of a large model, laid over the block.
  QImage layer;
  if (fast) {
    layer = QImage(camera.Width, camera.Height, QImage::Format_ARGB32_Premultiplied);
    layer.fill(Qt::transparent);
  }

  // The undeformed model faint behind the displaced one.
  if (scene.Displaced) {
    std::vector<QLineF> faint;
    faint.reserve(barCount / step + 1);
    ScreenPoint a, b;
    // The faint model behind is thinned like a moving one: only its outline matters.
    const std::size_t faintStep =
        std::max(step, (barCount + kMovingBarBudget - 1) / kMovingBarBudget);
    for (std::size_t i = 0; i < barCount; i += faintStep)
      if (proj.ProjectSegment(scene.Bars[i].P1, scene.Bars[i].P2, a, b))
        faint.emplace_back(P(a), P(b));
    if (fast) {
      RasterLines(layer, faint, kFaint.rgba());
    } else {
      QPen thin(kFaint, 1);
      thin.setCosmetic(true);
      p.setPen(thin);
      p.drawLines(faint.data(), static_cast<int>(faint.size()));
    }
    if (scene.HasBlock) DrawBlock(p, proj, scene.BlockCorners, true);
  }
  if (scene.HasBlock) DrawBlock(p, proj, scene.ShownCorners, false);

  if (scene.HasRotationAxis) {
    ScreenPoint a, b;
    if (proj.ProjectSegment(scene.RotationAxisA, scene.RotationAxisB, a, b)) {
      p.setPen(QPen(kMotionAxisColour, 2, Qt::DashDotLine));
      p.drawLine(P(a), P(b));
      DrawText(p, P(b), QStringLiteral("rotation axis"), kMotionAxisColour);
    }
  }

  // Selected bars: a halo under the line.
  if (!options.SelectedBars.empty()) {
    std::vector<QLineF> halo;
    ScreenPoint a, b;
    for (const SceneBar& bar : scene.Bars)
      if (options.SelectedBars.count(bar.Bar) && proj.ProjectSegment(bar.Shown1, bar.Shown2, a, b))
        halo.emplace_back(P(a), P(b));
    p.setPen(QPen(kSelectionColour, 8, Qt::SolidLine, Qt::RoundCap));
    p.drawLines(halo.data(), static_cast<int>(halo.size()));
  }

  // Bars, one drawLines call per colour and width.
  std::map<std::tuple<unsigned char, unsigned char, unsigned char, int>, std::vector<QLineF>>
      groups;
  {
    ScreenPoint a, b;
    for (std::size_t i = 0; i < barCount; i += step) {
      const SceneBar& bar = scene.Bars[i];
      if (!proj.ProjectSegment(bar.Shown1, bar.Shown2, a, b)) continue;
      const int width = static_cast<int>(std::lround(bar.Width * 2));  // half pixels
      groups[{bar.Colour.R, bar.Colour.G, bar.Colour.B, width}].emplace_back(P(a), P(b));
    }
  }
  if (fast) {
    for (auto& [key, lines] : groups) {
      const auto& [r, g, b, halfPixels] = key;
      RasterLines(layer, lines, qRgb(r, g, b));
    }
    p.drawImage(0, 0, layer);
    groups.clear();
  }
  for (auto& [key, lines] : groups) {
    const auto& [r, g, b, halfPixels] = key;
    // Full width and antialiased for a model at rest of up to kAntialiasBars bars; one pixel
    // otherwise (wide lines go through QPainter's stroker, far too slow for many bars, and
    // would make a large model a solid mass of colour anyway).
    QPen pen(QColor(r, g, b), smooth ? halfPixels / 2.0 : 1.0, Qt::SolidLine, Qt::RoundCap);
    pen.setCosmetic(!smooth);
    p.setPen(pen);
    p.drawLines(lines.data(), static_cast<int>(lines.size()));
  }

  // Nodes: block nodes as dots, supported nodes with the support symbol.
  const bool symbols = scene.Nodes.size() <= kMaxSymbols && !(options.Moving && step > 1);
  for (const SceneNode& n : scene.Nodes) {
    const ScreenPoint s = proj.Project(n.Shown);
    if (!s.Visible) continue;
    const bool selected = options.SelectedNodes.count(n.Number) > 0;
    if (selected) {
      p.setPen(Qt::NoPen);
      p.setBrush(kSelectionColour);
      p.drawEllipse(P(s), 7, 7);
    } else if (!symbols) {
      continue;
    }
    p.setPen(QPen(QColor(30, 30, 30), 1));
    if (n.OnBlock) {
      p.setBrush(QColor(30, 30, 30));
      p.drawEllipse(P(s), 2.5, 2.5);
    } else {
      p.setBrush(QColor(235, 235, 235));
      DrawSupport(p, P(s), 5);
    }
  }
  p.setBrush(Qt::NoBrush);

  // Axes at the mass centre, moving with the block.
  if (options.Axes) {
    const ScreenPoint o =
        proj.Project(RigidMotion({}, scene.Motion, scene.Displaced ? scene.Factor : 0));
    const char* names[3] = {"x", "y", "z"};
    for (int i = 0; i < 3; ++i) {
      double e[3] = {0, 0, 0};
      e[i] = scene.AxisLength;
      const ScreenPoint t = proj.Project(
          RigidMotion({e[0], e[1], e[2]}, scene.Motion, scene.Displaced ? scene.Factor : 0));
      if (!o.Visible || !t.Visible) continue;
      p.setPen(QPen(kAxisColour, 1.5));
      p.drawLine(P(o), P(t));
      ArrowHead(p, P(o), P(t), 8);
      DrawText(p, P(t), QLatin1String(names[i]), kAxisColour);
    }
  }

  // Loads at the mass centre: forces single-headed, moments double-headed; the labels after
  // all arrows, beyond each head, each moved down past the labels placed before it.
  std::vector<std::pair<QPointF, QString>> labels;
  const ScreenPoint origin = proj.Project({});
  for (const LoadArrow& load : scene.Loads) {
    const ScreenPoint t = proj.Project(load.Tip);
    if (!origin.Visible || !t.Visible) continue;
    p.setPen(QPen(kLoadColour, 2.5));
    p.drawLine(P(origin), P(t));
    ArrowHead(p, P(origin), P(t), 11);
    const QPointF d = P(t) - P(origin);
    const double len = std::max(1.0, std::hypot(d.x(), d.y()));
    if (load.Moment) ArrowHead(p, P(origin), P(t) - 8 * d / len, 11);
    labels.emplace_back(P(t) + 10 * d / len, QString::fromStdString(load.Label));
    if (d.x() < 0)
      labels.back().first.rx() -= QFontMetricsF(p.font()).horizontalAdvance(labels.back().second);
    if (d.y() > 0) labels.back().first.ry() += QFontMetricsF(p.font()).ascent();
  }
  {
    const QFontMetricsF fm(p.font());
    std::vector<QRectF> placed;
    for (auto& [at, label] : labels) {
      QRectF plate(at.x() - 2, at.y() - fm.ascent() - 1, fm.horizontalAdvance(label) + 4,
                   fm.height() + 2);
      for (int tries = 0; tries < 12; ++tries) {
        const bool free = std::none_of(placed.begin(), placed.end(),
                                       [&](const QRectF& r) { return r.intersects(plate); });
        if (free) break;
        plate.translate(0, fm.height() + 2);
      }
      placed.push_back(plate);
      // On a light plate, so that the label stays legible over the bars.
      p.fillRect(plate, QColor(255, 255, 255, 200));
      p.setPen(kLoadColour);
      p.drawText(QPointF(plate.left() + 2, plate.top() + 1 + fm.ascent()), label);
    }
  }

  // Numbers on request, while there are few enough to read.
  if (scene.Numbers && !options.Moving && scene.Nodes.size() + barCount <= kMaxLabels) {
    for (const SceneNode& n : scene.Nodes) {
      const ScreenPoint s = proj.Project(n.Shown);
      if (s.Visible) DrawText(p, P(s), QString::number(n.Number), QColor(0, 90, 0));
    }
    ScreenPoint a, b;
    for (const SceneBar& bar : scene.Bars)
      if (proj.ProjectSegment(bar.Shown1, bar.Shown2, a, b))
        DrawText(p, (P(a) + P(b)) / 2, QString::number(bar.Bar), QColor(0, 0, 140));
  }
  if (options.Legend) DrawLegend(p, scene);
  p.restore();
}

bool RenderPicture(const Scene& scene, const Camera& camera, const PaintOptions& options, bool svg,
                   std::string& bytes) {
  QBuffer buffer;
  buffer.open(QIODevice::WriteOnly);
  if (svg) {
    QSvgGenerator generator;
    generator.setOutputDevice(&buffer);
    generator.setSize(QSize(camera.Width, camera.Height));
    generator.setViewBox(QRect(0, 0, camera.Width, camera.Height));
    generator.setTitle(QStringLiteral("Tarvelin on bars"));
    QPainter painter;
    if (!painter.begin(&generator)) return false;
    PaintScene(painter, scene, camera, options);
    painter.end();
  } else {
    QImage image(camera.Width, camera.Height, QImage::Format_RGB32);
    if (image.isNull()) return false;
    QPainter painter(&image);
    PaintScene(painter, scene, camera, options);
    painter.end();
    if (!image.save(&buffer, "PNG")) return false;
  }
  bytes.assign(buffer.data().constData(), static_cast<std::size_t>(buffer.data().size()));
  return !bytes.empty();
}

bool SavePictureFile(const Scene& scene, const Camera& camera, const PaintOptions& options,
                     const std::string& path, std::string& error) {
  bool svg = false;
  if (!IsPictureFileName(path, &svg)) {
    error = "A picture is written as .png or .svg: " + path;
    return false;
  }
  if (camera.Width < 1 || camera.Height < 1 || camera.Width > 20000 || camera.Height > 20000) {
    error = "The picture size must lie between 1 and 20000 pixels a side.";
    return false;
  }
  std::string bytes;
  if (!RenderPicture(scene, camera, options, svg, bytes)) {
    error = "The picture could not be drawn: " + path;
    return false;
  }
  try {
    WriteFileAtomically(path, bytes);
  } catch (const UserError& e) {
    error = e.what();
    return false;
  }
  return true;
}

bool WritePicture(const ModelStore& store, const std::string& path, int width, int height,
                  const SceneOptions& sceneOptions, std::string& error) {
  const Scene scene = BuildScene(store, sceneOptions);
  Camera camera;
  camera.Width = width;
  camera.Height = height;
  camera.SetStandardView(StandardView::Isometric);
  if (width > 0 && height > 0) camera.FitAll(scene.Extent());  // else refused below
  return SavePictureFile(scene, camera, PaintOptions{}, path, error);
}

bool WriteBatchPicture(const ModelStore& store, const std::string& path, std::string& error) {
  return WritePicture(store, path, kBatchPictureWidth, kBatchPictureHeight, {}, error);
}

}  // namespace tarvelin
