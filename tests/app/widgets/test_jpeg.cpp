// The JPEG decoder: right colours for good files, a clean refusal for damaged ones.
#include <QFile>
#include <QTest>
#include <cstdlib>

#include "app/jpeg.h"

using tarvelin::DecodeJpeg;
using tarvelin::LoadJpegPixmap;

namespace {

QByteArray ReadData(const QString& name) {
  QFile file(QStringLiteral(TEST_DATA_DIR "/") + name);
  if (!file.open(QIODevice::ReadOnly)) qFatal("missing test file %s", qPrintable(name));
  return file.readAll();
}

bool Near(QRgb pixel, QColor expected) {
  const int tolerance = 12;
  return std::abs(qRed(pixel) - expected.red()) <= tolerance &&
         std::abs(qGreen(pixel) - expected.green()) <= tolerance &&
         std::abs(qBlue(pixel) - expected.blue()) <= tolerance;
}

}  // namespace

class TestJpeg : public QObject {
  Q_OBJECT
 private slots:
  void decodesColours();
  void decodesGreyAndProgressive();
  void refusesDamagedData_data();
  void refusesDamagedData();
  void survivesEveryCorruptedByte();
  void loadsTheProgramsPictures();
};

void TestJpeg::decodesColours() {
  const QImage image = DecodeJpeg(ReadData("tiny.jpg"));
  QVERIFY(!image.isNull());
  QCOMPARE(image.size(), QSize(16, 8));
  for (int y = 0; y < 8; ++y) {
    QVERIFY(Near(image.pixel(1, y), Qt::red));
    QVERIFY(Near(image.pixel(14, y), Qt::blue));
  }
}

void TestJpeg::decodesGreyAndProgressive() {
  const QImage grey = DecodeJpeg(ReadData("gray.jpg"));
  QCOMPARE(grey.size(), QSize(8, 8));
  QVERIFY(Near(grey.pixel(4, 4), QColor(0xc0, 0xc0, 0xc0)));

  const QImage gradient = DecodeJpeg(ReadData("progressive.jpg"));
  QCOMPARE(gradient.size(), QSize(16, 16));
  // Red at the top, blue at the bottom.
  QVERIFY(qRed(gradient.pixel(8, 0)) > 200 && qBlue(gradient.pixel(8, 0)) < 50);
  QVERIFY(qBlue(gradient.pixel(8, 15)) > 200 && qRed(gradient.pixel(8, 15)) < 50);
}

void TestJpeg::refusesDamagedData_data() {
  QTest::addColumn<QByteArray>("data");
  const QByteArray good = ReadData("tiny.jpg");
  QTest::newRow("empty") << QByteArray();
  QTest::newRow("not a jpeg") << QByteArray("\x89PNG\r\n\x1a\n not at all", 18);
  QTest::newRow("start marker only") << QByteArray("\xff\xd8", 2);
  QTest::newRow("header cut") << good.left(40);
  QTest::newRow("data cut") << good.left(good.size() - 60);
  QTest::newRow("end marker missing") << good.left(good.size() - 2);
  QTest::newRow("cmyk") << ReadData("cmyk.jpg");
  QByteArray junk = good;
  for (int i = 200; i < 260 && i < junk.size(); ++i) junk[i] = char(0xff);
  QTest::newRow("markers in the data") << junk;
  // A frame header that claims 65535 x 65535 pixels.
  QByteArray huge = good;
  const int sof = huge.indexOf(QByteArray("\xff\xc0", 2));
  QVERIFY(sof > 0);
  huge[sof + 5] = huge[sof + 6] = huge[sof + 7] = huge[sof + 8] = char(0xff);
  QTest::newRow("huge frame") << huge;
}

void TestJpeg::refusesDamagedData() {
  QFETCH(QByteArray, data);
  QVERIFY(DecodeJpeg(data).isNull());
}

void TestJpeg::survivesEveryCorruptedByte() {
  // Each byte in turn set to three other values: the decoder returns (a picture or none),
  // it never ends the process or reads out of bounds (run under the sanitizers too).
  const QByteArray good = ReadData("progressive.jpg");
  int refused = 0;
  for (int i = 0; i < good.size(); ++i) {
    for (char value : {char(0x00), char(0xff), char(good[i] ^ 0x55)}) {
      QByteArray bad = good;
      bad[i] = value;
      const QImage image = DecodeJpeg(bad);
      if (image.isNull()) {
        ++refused;
      } else {
        QVERIFY(image.width() > 0 && image.height() > 0);
      }
    }
  }
  QVERIFY(refused > 0);
}

void TestJpeg::loadsTheProgramsPictures() {
  QCOMPARE(LoadJpegPixmap(":/pictures/technical_notes.jpg").size(), QSize(795, 561));
  const QPixmap viewer = LoadJpegPixmap(":/pictures/viewer.jpg");
  QVERIFY(!viewer.isNull());
  // Wide like the intro panel's 89 x 26 place for it.
  QVERIFY(viewer.width() > 3 * viewer.height());
  QVERIFY(LoadJpegPixmap(QStringLiteral(TEST_DATA_DIR "/no such file.jpg")).isNull());
  QVERIFY(LoadJpegPixmap(QStringLiteral(TEST_DATA_DIR "/README.md")).isNull());
}

QTEST_MAIN(TestJpeg)
#include "test_jpeg.moc"
