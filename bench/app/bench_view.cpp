// The 3D view on a model of 100,000 bars: building the scene, painting it whole and thinned
// while the camera moves, an orbit step, the hit test and the "-p" picture (PNG and SVG).
// Medians of several runs, on the offscreen platform (no display needed):
//   build/bin/bench_app_view [bars] [repeat]
#include <time.h>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "analysis/modelstore.h"
#include "app/viewpaint.h"
#include "support/numtext.h"
#include "support/unitlib.h"
#include "view/scene.h"

using namespace tarvelin;

namespace {

// The window benchmark's layout: bars/2 block nodes on a disc at z = 0.5, bars/2 supports
// below; bar 2k-1 holds block node k to support k, bar 2k to a support drawn at random. A
// calculation's record is filled by hand (forces of both signs, a small displacement).
void FillLargeModel(ModelStore& store, int bars) {
  std::mt19937 rng(1);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  const int half = bars / 2;
  const double pi = std::acos(-1.0);
  store.ResizeTables(bars + 1);
  InitTables(store);
  store.PropGrid.SetCell(1, 1, "210000000");
  store.PropGrid.SetCell(2, 1, "0.0001");
  store.PropGrid.SetCell(1, 2, "210000000");
  store.PropGrid.SetCell(2, 2, "0.0002");
  store.PropGrid.SetCell(1, 3, "70000000");
  store.PropGrid.SetCell(2, 3, "0.0003");
  for (int n = 1; n <= 2 * half; ++n) {
    const bool block = n <= half;
    const double a = 2 * pi * unit(rng);
    const double r = block ? 0.2 + 4.8 * unit(rng) : 8.0 * unit(rng);
    const double z = block ? 0.5 : 2.0 + 2.0 * unit(rng);
    store.CoordGrid.SetCell(1, n, FormatFixed(r * std::cos(a), 15, 3));
    store.CoordGrid.SetCell(2, n, FormatFixed(r * std::sin(a), 15, 3));
    store.CoordGrid.SetCell(3, n, FormatFixed(z, 15, 3));
  }
  store.Result.Valid = true;
  store.Result.Displacements = {1e-4, -2e-4, 5e-4, 1e-5, 0, 2e-5};
  for (int i = 1; i <= 2 * half; ++i) {
    const int blockNode = (i + 1) / 2;
    const int support =
        half + ((i % 2) ? blockNode : 1 + std::min(half - 1, int(unit(rng) * half)));
    store.EleGrid.SetCell(1, i, std::to_string(blockNode));
    store.EleGrid.SetCell(2, i, std::to_string(support));
    store.EleGrid.SetCell(3, i, std::to_string(i % 3));
    BarResult b;
    b.Bar = i;
    b.Force = 100 * (unit(rng) - 0.4);
    store.Result.Bars.push_back(b);
  }
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

double CpuMs() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

// Median wall-clock and processor milliseconds: on a shared machine the wall clock also
// counts the time other processes had the processor.
struct Figure {
  double Wall, Cpu;
};
Figure Time(int repeat, const std::function<void()>& work) {
  std::vector<double> wall, cpu;
  for (int i = 0; i < repeat; ++i) {
    const auto start = std::chrono::steady_clock::now();
    const double cpu0 = CpuMs();
    work();
    cpu.push_back(CpuMs() - cpu0);
    wall.push_back(
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
            .count());
  }
  return {Median(wall), Median(cpu)};
}

void Print(const char* what, const Figure& f) {
  std::printf("  %-34s %8.1f ms %8.1f ms\n", what, f.Wall, f.Cpu);
}

}  // namespace

int main(int argc, char** argv) {
  if (!std::getenv("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  const int bars = argc > 1 ? std::atoi(argv[1]) : 100000;
  const int repeat = argc > 2 ? std::atoi(argv[2]) : 7;
  SetNumberFormats();
  ModelStore store;
  FillLargeModel(store, bars);

  Scene scene;
  const Figure build = Time(repeat, [&] { scene = BuildScene(store, {}); });
  Camera camera;
  camera.SetViewport(1280, 960);
  camera.SetStandardView(StandardView::Isometric);
  camera.FitAll(scene.Extent());
  QImage image(1280, 960, QImage::Format_RGB32);
  auto paint = [&](bool moving) {
    PaintOptions o;
    o.Moving = moving;
    QPainter p(&image);
    PaintScene(p, scene, camera, o);
  };
  const Figure full = Time(repeat, [&] { paint(false); });
  const Figure moving = Time(repeat, [&] { paint(true); });
  const Figure orbit = Time(repeat, [&] {
    camera.Orbit(7, 3);
    paint(true);
  });
  const Figure hit = Time(repeat, [&] { HitTest(scene, camera, 640, 480); });
  QTemporaryDir dir;
  std::string error;
  const Figure png = Time(3, [&] {
    WritePicture(store, dir.filePath("p.png").toStdString(), kBatchPictureWidth,
                 kBatchPictureHeight, {}, error);
  });
  const Figure svg = Time(3, [&] {
    WritePicture(store, dir.filePath("p.svg").toStdString(), kBatchPictureWidth,
                 kBatchPictureHeight, {}, error);
  });
  if (!error.empty()) std::fprintf(stderr, "picture: %s\n", error.c_str());

  std::printf("3D view, %d bars (%zu drawn), 1280 x 960, median of %d:\n", bars, scene.Bars.size(),
              repeat);
  std::printf("  %-34s %11s %11s\n", "", "wall", "processor");
  Print("build the scene from the tables", build);
  Print("paint, whole model", full);
  Print("paint while moving (thinned)", moving);
  Print("orbit step + moving paint", orbit);
  Print("hit test under the pointer", hit);
  Print("-p picture PNG 1200x900 (+scene)", png);
  Print("-p picture SVG (+scene)", svg);
  return 0;
}
