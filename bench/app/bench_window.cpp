// Times the main window on a large model, from the command to the redrawn window: File > Open
// of a model with 100,000 (or --bars) nodes and bars, Calculate until its results are drawn,
// the scene that Calculate then writes in the background until it is written, and scrolling
// through the bar table a page at a time. Each timed command starts with no scene being
// written. Run under a real X server (xvfb-run) or the offscreen platform; not part of ctest.
//
//   bench_app_window [--bars N] [--repeat K]
#include <sys/resource.h>

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QScrollBar>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "app/core/locations.h"
#include "app/core/streamdialogs.h"
#include "app/pages.h"
#include "app/tform1.h"

namespace {

// The same layout as the batch benchmark's model: bars/2 block nodes on a disc at z = 0.5,
// bars/2 supports above; bar 2k-1 holds block node k to support k, bar 2k to a support drawn
// at random; the three bar types in turn.
void WriteLargeModel(const std::string& path, int bars) {
  std::mt19937 rng(1);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  const int half = bars / 2;
  const double pi = std::acos(-1.0);
  std::ofstream out(path, std::ios::binary);
  out << "[loads]\r\nFx=10.000\r\nFy=-20.000\r\nFz=1000.000\r\nTx=5.000\r\nTy=0.000\r\n"
         "Tz=50.000\r\n[properties]\r\nE=210000000\r\nA=0.0001\r\n[coordinates]\r\n";
  char line[128];
  for (int n = 1; n <= 2 * half; ++n) {
    const bool block = n <= half;
    const double a = 2 * pi * unit(rng);
    const double r = block ? 0.2 + 4.8 * unit(rng) : 8.0 * unit(rng);
    const double z = block ? 0.5 : 2.0 + 2.0 * unit(rng);
    std::snprintf(line, sizeof line, "%d=%.3f@%.3f@%.3f\r\n", n, r * std::cos(a), r * std::sin(a),
                  z);
    out << line;
  }
  out << "[elements]\r\n";
  for (int i = 1; i <= 2 * half; ++i) {
    const int blockNode = (i + 1) / 2;
    const int support =
        half + ((i % 2) ? blockNode : 1 + std::min(half - 1, int(unit(rng) * half)));
    std::snprintf(line, sizeof line, "%d=%d@%d@%d\r\n", i, blockNode, support, i % 3);
    out << line;
  }
  out << "[barproperties]\r\n1=210000000@0.0002\r\n2=70000000@0.0003\r\n";
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// Lays out and paints the window now, as the user would next see it.
void Redraw(QWidget& window) {
  QApplication::processEvents();
  window.repaint();
  QApplication::processEvents();
}

long PeakMegabytes() {
  rusage use{};
  getrusage(RUSAGE_SELF, &use);
  return use.ru_maxrss / 1024;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  int bars = 100000, repeat = 5;
  const QStringList args = app.arguments();
  for (int i = 1; i + 1 < args.size(); ++i) {
    if (args[i] == "--bars") bars = std::max(2, args[i + 1].toInt());
    if (args[i] == "--repeat") repeat = std::max(1, args[i + 1].toInt());
  }

  QTemporaryDir dir;
  if (!dir.isValid()) return 1;
  const std::string bin = (dir.path() + "/").toStdString();
  const std::string model = bin + "large.PEN";
  WriteLargeModel(model, bars);
  std::ofstream(bin + "tarvelin.ini", std::ios::binary)
      << "[program]\r\nautoupdate=0\r\nnointropanel=1\r\n";

  // Message boxes go to standard error instead of waiting for a click; a benchmark that met an
  // error box has failed.
  tarvelin::StreamDialogs printed;
  tarvelin::CountingDialogs dialogs(printed);
  tarvelin::FileLocations locations = tarvelin::ChooseFileLocations(
      bin + "tarvelin", [](const char*) -> const char* { return nullptr; }, true);
  tarvelin::TForm1 form({}, locations, &dialogs);
  form.Timer1->stop();
  form.Hooks().GetOpenFileName = [&](QWidget*, const QString&) {
    return QString::fromStdString(model);
  };
  form.Hooks().OpenUrl = [](const QUrl&) { return true; };
  form.show();
  form.Timer1Timer();
  Redraw(form);
  if (!form.Pages) {
    std::fprintf(stderr, "the program was built without its pages\n");
    return 1;
  }
  QTableView* table = form.Pages->EleGrid();

  std::vector<double> openMs, calcMs, sceneMs;
  QElapsedTimer clock;
  for (int r = 0; r < repeat; ++r) {
    // The bar table is on screen while the file is opened, so its redraw is part of the time.
    form.PageControl1->setCurrentIndex(1);
    Redraw(form);
    clock.start();
    form.Openen1Click();
    Redraw(form);
    openMs.push_back(clock.nsecsElapsed() / 1e6);

    clock.start();
    form.BitBtn2Click();
    form.PageControl1->setCurrentIndex(2);
    Redraw(form);
    calcMs.push_back(clock.nsecsElapsed() / 1e6);
    form.FinishScene();
    sceneMs.push_back(clock.nsecsElapsed() / 1e6);
  }
  // Once more with the scene's node and bar numbers on: twice the scene to write.
  std::vector<double> numberedMs;
  QCheckBox* numbering = form.Pages->findChild<QCheckBox*>(QStringLiteral("CheckBox4"));
  if (numbering) {
    numbering->setChecked(true);
    for (int r = 0; r < repeat; ++r) {
      clock.start();
      form.BitBtn2Click();
      Redraw(form);
      form.FinishScene();
      numberedMs.push_back(clock.nsecsElapsed() / 1e6);
    }
    numbering->setChecked(false);
  }
  const int rows = table->model()->rowCount();
  const bool calculated = form.Store().StringGrid3.Cell(1, bars) != "";

  // A page down at a time through the first 2,000 rows, then jumps across the whole table.
  form.PageControl1->setCurrentIndex(1);
  Redraw(form);
  QScrollBar* bar = table->verticalScrollBar();
  std::vector<double> stepMs, jumpMs;
  bar->setValue(0);
  Redraw(form);
  while (bar->value() < std::min(bar->maximum(), 2000)) {
    clock.start();
    bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
    Redraw(*table);
    stepMs.push_back(clock.nsecsElapsed() / 1e6);
  }
  for (int k = 0; k <= 100; ++k) {
    clock.start();
    bar->setValue(int(double(bar->maximum()) * ((k * 37) % 101) / 100.0));
    Redraw(*table);
    jumpMs.push_back(clock.nsecsElapsed() / 1e6);
  }

  std::printf("model: %d nodes, %d bars; bar table shows %d rows; results %s\n", bars, bars, rows,
              calculated ? "written" : "MISSING");
  std::printf("%-34s %9s %9s %9s\n", "", "median", "best", "worst");
  auto row = [](const char* what, const std::vector<double>& v) {
    std::printf("%-34s %7.1f ms %6.1f ms %6.1f ms\n", what, Median(v),
                *std::min_element(v.begin(), v.end()), *std::max_element(v.begin(), v.end()));
  };
  row("File > Open until drawn", openMs);
  row("Calculate until results drawn", calcMs);
  row("  and until the scene is written", sceneMs);
  if (!numberedMs.empty()) row("  the same, scene with numbers", numberedMs);
  row("scroll one page, redrawn", stepMs);
  row("jump anywhere in table, redrawn", jumpMs);
  std::printf("peak memory: %ld MB; error boxes met: %d\n", PeakMegabytes(), dialogs.Errors);
  form.Hooks().OpenUrl = nullptr;
  return calculated && dialogs.Errors == 0 ? 0 : 1;
}
