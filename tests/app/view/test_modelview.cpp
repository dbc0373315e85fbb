// The 3D view as painted: force colours at bar midpoints on an offscreen image, the SVG
// picture read back, the mouse and the wheel, the selection halo, tooltips and the pictures.
#include <QImage>
#include <QPainter>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>
#include <fstream>
#include <map>

#include "analysis/modelstore.h"
#include "app/modelview.h"
#include "app/viewpaint.h"
#include "recording_dialogs.h"
#include "view_helpers.h"

using namespace tarvelin;

namespace {

// The small model with a calculation's record: bar 1 in tension, bar 2 in compression.
ModelStore CalculatedModel() {
  ModelStore s = test::SmallModel();
  s.Result.Valid = true;
  s.Result.Displacements = {0, 0, 1e-4, 0, 0, 0};
  const double forces[4] = {12, -12, 3, 0};
  for (int i = 0; i < 4; ++i) {
    BarResult b;
    b.Bar = i + 1;
    b.Force = forces[i];
    s.Result.Bars.push_back(b);
  }
  return s;
}

Camera FittedCamera(const Scene& scene, StandardView view, int w = 400, int h = 300) {
  Camera c;
  c.SetViewport(w, h);
  c.Perspective = false;
  c.SetStandardView(view);
  c.FitAll(scene.Extent());
  return c;
}

QPoint Midpoint(const Camera& c, const SceneBar& bar) {
  const ScreenPoint a = c.Project(bar.Shown1), b = c.Project(bar.Shown2);
  return QPoint(qRound((a.X + b.X) / 2), qRound((a.Y + b.Y) / 2));
}

// Whether the pixels within one of at (the antialiased edge of a slanted line can take the
// rounded pixel itself) include colour.
bool NearPixel(const QImage& image, const QPoint& at, const QColor& colour) {
  for (int dy = -1; dy <= 1; ++dy)
    for (int dx = -1; dx <= 1; ++dx)
      if (image.pixelColor(at + QPoint(dx, dy)) == colour) return true;
  return false;
}

QImage Paint(const Scene& scene, const Camera& camera, const PaintOptions& options) {
  QImage image(camera.Width, camera.Height, QImage::Format_RGB32);
  QPainter painter(&image);
  PaintScene(painter, scene, camera, options);
  return image;
}

PaintOptions Bare() {
  PaintOptions o;
  o.Legend = false;
  o.Axes = false;
  return o;
}

QColor Q(const Rgb& c) {
  return QColor(c.R, c.G, c.B);
}

std::string ReadAll(const QString& path) {
  std::ifstream in(path.toStdString(), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

class TestModelView : public QObject {
  Q_OBJECT

 private slots:
  void tensionAndCompressionColoursAtTheBarMidpoints() {
    const ModelStore store = CalculatedModel();
    const Scene scene = BuildScene(store, {});
    for (StandardView view : {StandardView::Front, StandardView::Isometric}) {
      const Camera c = FittedCamera(scene, view);
      const QImage image = Paint(scene, c, Bare());
      QVERIFY(NearPixel(image, Midpoint(c, scene.Bars[0]), Q(kTensionColour)));
      QVERIFY(!NearPixel(image, Midpoint(c, scene.Bars[0]), Q(kCompressionColour)));
      QVERIFY(NearPixel(image, Midpoint(c, scene.Bars[1]), Q(kCompressionColour)));
      QVERIFY(!NearPixel(image, Midpoint(c, scene.Bars[1]), Q(kTensionColour)));
    }
    // By type the same pixels take the type colours.
    SceneOptions byType;
    byType.Colours = Colouring::ByType;
    const Scene typed = BuildScene(store, byType);
    const Camera c = FittedCamera(typed, StandardView::Front);
    const QImage image = Paint(typed, c, Bare());
    QVERIFY(NearPixel(image, Midpoint(c, typed.Bars[0]), Q(TypeColour(0))));
  }

  void selectedBarHasAHalo() {
    const ModelStore store = CalculatedModel();
    const Scene scene = BuildScene(store, {});
    const Camera c = FittedCamera(scene, StandardView::Front);
    // Two pixels across bar 1 (vertical in the front view) lie in the halo only.
    const QPoint beside = Midpoint(c, scene.Bars[0]) + QPoint(2, 0);
    PaintOptions o = Bare();
    QVERIFY(Paint(scene, c, o).pixelColor(beside) != kSelectionColour);
    o.SelectedBars = {1};
    QCOMPARE(Paint(scene, c, o).pixelColor(beside), kSelectionColour);
  }

  // Beyond kAntialiasBars the bars are rasterised by the view itself: the colours land on the
  // lines, and lines reaching far outside the picture are cut, not drawn wrapped or crashing.
  void largeModelsAreRasterisedAndClipped() {
    Scene scene;
    scene.Colours = Colouring::ByForce;
    scene.LargestForce = 1;
    for (int i = 0; i < 6000; ++i) {
      SceneBar b;
      b.Bar = i + 1;
      const double x = -2 + 4.0 * (i % 100) / 100;
      b.P1 = b.Shown1 = {x, -1, 0};
      b.P2 = b.Shown2 = {x + 0.01, -1.5, 0};
      b.Colour = TypeColour(0);
      scene.Bars.push_back(b);
    }
    // A tension bar across the middle, a compression bar from far outside to the middle.
    scene.Bars[10].Shown1 = {-1, 0.5, 0};
    scene.Bars[10].Shown2 = {1, 0.5, 0};
    scene.Bars[10].Colour = kTensionColour;
    scene.Bars[11].Shown1 = {-1e7, 1, 0};
    scene.Bars[11].Shown2 = {0.5, 1, 0};
    scene.Bars[11].Colour = kCompressionColour;
    Camera c = FittedCamera(scene, StandardView::Top);
    c.FitAll({{-2.5, -2, 0}, {2.5, 2, 0}});
    const QImage image = Paint(scene, c, Bare());
    QVERIFY(NearPixel(image, Midpoint(c, scene.Bars[10]), Q(kTensionColour)));
    const ScreenPoint inside = c.Project({0, 1, 0});
    QVERIFY(NearPixel(image, QPoint(qRound(inside.X), qRound(inside.Y)), Q(kCompressionColour)));
    QVERIFY(NearPixel(image, QPoint(1, qRound(inside.Y)), Q(kCompressionColour)));  // the edge
  }

  // While the camera moves, a model beyond kMovingBarBudget bars is drawn thinned (every
  // second bar here), and whole when it stops.
  void movingLargeModelsAreThinned() {
    Scene scene;
    const int count = static_cast<int>(kMovingBarBudget) + 5000;
    for (int i = 0; i < count; ++i) {
      SceneBar b;
      b.Bar = i + 1;
      b.Shown1 = b.P1 = {-1, -1 + 0.5 * i / count, 0};
      b.Shown2 = b.P2 = {-0.5, -1 + 0.5 * i / count, 0};
      b.Colour = TypeColour(0);
      scene.Bars.push_back(b);
    }
    scene.Bars[1].Shown1 = {0.5, 0.5, 0};  // an odd one, alone
    scene.Bars[1].Shown2 = {1, 0.5, 0};
    scene.Bars[1].Colour = kTensionColour;
    Camera c = FittedCamera(scene, StandardView::Top);
    c.FitAll({{-1.2, -1.2, 0}, {1.2, 1.2, 0}});
    const QPoint mid = Midpoint(c, scene.Bars[1]);
    QVERIFY(NearPixel(Paint(scene, c, Bare()), mid, Q(kTensionColour)));
    PaintOptions moving = Bare();
    moving.Moving = true;
    QVERIFY(!NearPixel(Paint(scene, c, moving), mid, Q(kTensionColour)));
  }

  void svgPictureHoldsOneLinePerBar() {
    ModelStore store = test::SmallModel();
    const Scene scene = BuildScene(store, {});
    const Camera c = FittedCamera(scene, StandardView::Isometric);
    std::string bytes;
    QVERIFY(RenderPicture(scene, c, Bare(), true, bytes));
    // Count the line segments drawn in each bar colour.
    std::map<QString, int> lines;
    QXmlStreamReader xml(QByteArray::fromStdString(bytes));
    QString stroke;
    while (!xml.atEnd()) {
      xml.readNext();
      if (!xml.isStartElement()) continue;
      if (xml.name() == QLatin1String("g") && xml.attributes().hasAttribute("stroke"))
        stroke = xml.attributes().value("stroke").toString();
      if (xml.name() == QLatin1String("line")) ++lines[stroke.toLower()];
      if (xml.name() == QLatin1String("polyline")) {
        const auto points =
            xml.attributes().value("points").toString().split(QLatin1Char(' '), Qt::SkipEmptyParts);
        lines[stroke.toLower()] += std::max<int>(0, points.size() - 1);
      }
    }
    QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
    QCOMPARE(lines[Q(TypeColour(0)).name()], 2);
    QCOMPARE(lines[Q(TypeColour(1)).name()], 2);
  }

  void mouseAndWheelMoveTheCamera() {
    const ModelStore store = CalculatedModel();
    ModelView view(&store);
    view.resize(400, 300);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    view.SetPerspective(false);
    const Camera start = view.View();
    QSignalSpy changed(&view, &ModelView::CameraChanged);

    // Left drag orbits: 50 pixels to the right turn the yaw by half a radian.
    QTest::mousePress(&view, Qt::LeftButton, Qt::NoModifier, QPoint(100, 100));
    QTest::mouseMove(&view, QPoint(110, 100));
    QTest::mouseMove(&view, QPoint(150, 100));
    QTest::mouseRelease(&view, Qt::LeftButton, Qt::NoModifier, QPoint(150, 100));
    QVERIFY(std::abs(view.View().Yaw - (start.Yaw - 0.5)) < 1e-9);
    QVERIFY(changed.count() >= 1);

    // Shift + left drag pans: the target moves, the direction stays.
    const Camera orbited = view.View();
    const ScreenPoint before = view.View().Project({0, 0, 0});
    QTest::mousePress(&view, Qt::LeftButton, Qt::ShiftModifier, QPoint(100, 100));
    QTest::mouseMove(&view, QPoint(105, 100));
    QTest::mouseMove(&view, QPoint(130, 90));
    QTest::mouseRelease(&view, Qt::LeftButton, Qt::ShiftModifier, QPoint(130, 90));
    const ScreenPoint after = view.View().Project({0, 0, 0});
    QCOMPARE(view.View().Yaw, orbited.Yaw);
    QVERIFY(std::abs(after.X - before.X - 30) < 1e-6);
    QVERIFY(std::abs(after.Y - before.Y + 10) < 1e-6);

    // The wheel zooms about the pointer.
    const double scale = view.View().Scale();
    const ScreenPoint origin = view.View().Project({0, 0, 0});
    QWheelEvent wheel(QPointF(origin.X, origin.Y), view.mapToGlobal(QPointF(origin.X, origin.Y)),
                      QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase,
                      false);
    QApplication::sendEvent(&view, &wheel);
    QVERIFY(std::abs(view.View().Scale() / scale - 1.2) < 1e-9);
    const ScreenPoint zoomed = view.View().Project({0, 0, 0});
    QVERIFY(std::abs(zoomed.X - origin.X) < 1e-6 && std::abs(zoomed.Y - origin.Y) < 1e-6);

    // F fits all again, in the direction the camera has now; so does a double click on empty
    // space.
    Camera expected = view.View();
    expected.FitAll(view.CurrentScene().Extent());
    QVERIFY(std::abs(expected.Distance - view.View().Distance) > 1e-9);
    view.setFocus();
    QTest::keyClick(&view, Qt::Key_F);
    QCOMPARE(view.View().Distance, expected.Distance);
    QVERIFY(Length(view.View().Target - expected.Target) < 1e-12);
    const Camera fitted = view.View();
    view.View().Distance *= 3;
    QTest::mouseDClick(&view, Qt::LeftButton, Qt::NoModifier, QPoint(2, 298));
    QCOMPARE(view.View().Distance, fitted.Distance);
  }

  void clickAndTooltipNameTheBar() {
    const ModelStore store = CalculatedModel();
    ModelView view(&store);
    view.resize(400, 300);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QSignalSpy bars(&view, &ModelView::BarClicked);
    QSignalSpy nodes(&view, &ModelView::NodeClicked);
    const SceneBar bar = view.CurrentScene().Bars[1];
    const QPoint mid = Midpoint(view.View(), bar);
    QTest::mouseClick(&view, Qt::LeftButton, Qt::NoModifier, mid);
    QCOMPARE(bars.count(), 1);
    QCOMPARE(bars.first().first().toInt(), 2);
    const QString tip = view.ToolTipAt(mid);
    QVERIFY2(tip.contains("bar 2") && tip.contains("nodes 2 to 6") && tip.contains("type 0") &&
                 tip.contains("N = -12 kN (compression)") && tip.contains("E = 2.1E8"),
             qPrintable(tip));
    const ScreenPoint node = view.View().Project(bar.Shown2);
    QTest::mouseClick(&view, Qt::LeftButton, Qt::NoModifier, QPoint(node.X, node.Y));
    QCOMPARE(nodes.count(), 1);
    QCOMPARE(nodes.first().first().toInt(), 6);
    QVERIFY(view.ToolTipAt(QPoint(node.X, node.Y)).contains("supported"));
    QVERIFY(view.ToolTipAt(QPoint(1, 1)).isEmpty());
  }

  void picturesOfAnySizeAndNothingOnFailure() {
    QTemporaryDir dir;
    const ModelStore store = CalculatedModel();
    test::RecordingDialogs dialogs;
    ViewWindow window(&store, &dialogs);
    window.show();
    QVERIFY(window.SavePicture((dir.path() + "/v.png").toStdString(), 333, 222));
    QImage png(dir.path() + "/v.png");
    QCOMPARE(png.size(), QSize(333, 222));
    QVERIFY(window.SavePicture((dir.path() + "/v.SVG").toStdString(), 500, 400));
    QVERIFY(ReadAll(dir.path() + "/v.SVG").find("<svg") != std::string::npos);
    QVERIFY(dialogs.Log.empty());
    // Bad kinds, sizes and folders: an error box and no file.
    QVERIFY(!window.SavePicture((dir.path() + "/v.jpg").toStdString(), 10, 10));
    QVERIFY(!window.SavePicture((dir.path() + "/w.png").toStdString(), 0, 10));
    QVERIFY(!window.SavePicture((dir.path() + "/none/w.png").toStdString(), 10, 10));
    QCOMPARE(dialogs.Texts("error").size(), std::size_t(3));
    QVERIFY(!QFile::exists(dir.path() + "/v.jpg") && !QFile::exists(dir.path() + "/w.png"));

    // The dialog route: the name, then the size of a PNG.
    window.AskPictureFile = [&](QWidget*) { return dir.path() + "/asked.png"; };
    window.AskPictureSize = [](QWidget*, QSize) { return QSize(64, 48); };
    window.SavePictureClick();
    QCOMPARE(QImage(dir.path() + "/asked.png").size(), QSize(64, 48));
    window.AskPictureSize = [](QWidget*, QSize) { return QSize(); };  // cancelled
    window.AskPictureFile = [&](QWidget*) { return dir.path() + "/cancelled.png"; };
    window.SavePictureClick();
    QVERIFY(!QFile::exists(dir.path() + "/cancelled.png"));
  }

  void batchPictureIsTheCalculatedModel() {
    QTemporaryDir dir;
    const ModelStore store = CalculatedModel();
    std::string error;
    const std::string path = (dir.path() + "/b.png").toStdString();
    QVERIFY(WritePicture(store, path, kBatchPictureWidth, kBatchPictureHeight, {}, error));
    const QImage image(QString::fromStdString(path));
    QCOMPARE(image.size(), QSize(kBatchPictureWidth, kBatchPictureHeight));
    // Forces coloured: both ends of the scale appear.
    bool tension = false, compression = false;
    for (int y = 0; y < image.height(); y += 1)
      for (int x = 150; x < image.width(); x += 1) {
        const QColor p = image.pixelColor(x, y);
        tension = tension || p == Q(kTensionColour);
        compression = compression || p == Q(kCompressionColour);
      }
    QVERIFY(tension && compression);
    QVERIFY(!WritePicture(store, (dir.path() + "/b.bmp").toStdString(), 10, 10, {}, error));
    QVERIFY(!error.empty());
  }
};

QTEST_MAIN(TestModelView)
#include "test_modelview.moc"
