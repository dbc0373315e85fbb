// Exporting a model of 10,000 bars as a VRML scene, numbering on, and the real field alone.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "analysis/modelstore.h"
#include "support/dialogs.h"
#include "support/numtext.h"
#include "vrml/export.h"
#include "vrml/myvrml.h"

namespace tarvelin {
namespace {

class QuietDialogs : public Dialogs {
 public:
  void ShowError(const std::string&) override { ++Errors; }
  void ShowInformation(const std::string&) override {}
  void ShowMessage(const std::string&) override {}
  bool AskYesNo(const std::string&) override { return false; }
  int Errors = 0;
};

// n bars from nodes on a block of 4 x 2 x 1 m to supports spread below and around it; the
// bars are oblique, so every one takes the general rotation.
void FillModel(ModelStore& store, int bars) {
  const int nodes = 2 * bars;
  store.GridLength = nodes + 1;
  store.ResizeTables(nodes + 1);
  InitTables(store);
  for (int i = 1; i <= bars; ++i) {
    const double t = i / double(bars);
    const int a = 2 * i - 1, b = 2 * i;
    store.CoordGrid.SetCell(1, a, FormatFixed(4 * t - 2, 6, 3));
    store.CoordGrid.SetCell(2, a, FormatFixed((i % 7) / 3.5 - 1, 6, 3));
    store.CoordGrid.SetCell(3, a, FormatFixed((i % 3) / 4.0 - 0.5, 6, 3));
    store.CoordGrid.SetCell(1, b, FormatFixed(5 * t - 2.5 + 0.3, 6, 3));
    store.CoordGrid.SetCell(2, b, FormatFixed((i % 11) / 2.0 - 2.7, 6, 3));
    store.CoordGrid.SetCell(3, b, FormatFixed(-1.5 - (i % 5) * 0.25, 6, 3));
    store.EleGrid.SetCell(1, i, std::to_string(a));
    store.EleGrid.SetCell(2, i, std::to_string(b));
    store.EleGrid.SetCell(3, i, std::to_string(i % 20));
  }
}

void BM_WriteVrmlModel(benchmark::State& state) {
  const int bars = int(state.range(0));
  ModelStore store;
  FillModel(store, bars);
  std::string folder = (std::filesystem::temp_directory_path() / "tarvelin-bench-XXXXXX").string();
  if (!mkdtemp(folder.data())) {
    state.SkipWithError("no temporary folder");
    return;
  }
  const std::string path = folder + "/tarvelin.wrl";
  QuietDialogs dialogs;
  for (auto _ : state) WriteVrmlModel(store, "/m/bench.PEN", path, true, true, dialogs);
  if (dialogs.Errors) state.SkipWithError("the scene could not be written");
  state.counters["bytes"] = double(std::filesystem::file_size(path));
  state.SetItemsProcessed(state.iterations() * bars);
  std::filesystem::remove_all(folder);
}
BENCHMARK(BM_WriteVrmlModel)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_RealField(benchmark::State& state) {
  double v = 0.123456789;
  for (auto _ : state) {
    benchmark::DoNotOptimize(MyVrml::RealField(v));
    v += 1.000001;
  }
}
BENCHMARK(BM_RealField);

}  // namespace
}  // namespace tarvelin
