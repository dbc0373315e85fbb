// Benchmarks of CalculateModel on large tables, and the memory the model store takes.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <unistd.h>
#include <algorithm>
#include <array>
#include <fstream>
#include <random>
#include <string>

#include "analysis/mechanism.h"
#include "analysis/modelstore.h"
#include "analysis/stiffness.h"
#include "support/dialogs.h"

namespace tarvelin {
namespace {

// The table length of the smaller models; a larger model gets tables that just hold it.
constexpr int kBenchGridLength = 100001;

class SilentDialogs : public Dialogs {
 public:
  void ShowError(const std::string&) override { ++count; }
  void ShowInformation(const std::string&) override { ++count; }
  void ShowMessage(const std::string&) override { ++count; }
  bool AskYesNo(const std::string&) override { return false; }
  int count = 0;
};

std::string Milli(int k) {
  std::string sign = k < 0 ? "-" : "";
  const int a = k < 0 ? -k : k;
  std::string frac = std::to_string(a % 1000);
  frac.insert(0, 3 - frac.size(), '0');
  return sign + std::to_string(a / 1000) + "." + frac;
}

// Nodes on a cloud around the mass centre; bar i runs from node i to node i + 1 (the last
// back to node 1), with four bar types.
void FillModel(ModelStore& s, int bars) {
  s.GridLength = std::max(kBenchGridLength, bars + 1);
  InitTables(s);
  std::mt19937 rng(12345);
  std::uniform_int_distribution<int> coord(-5000, 5000);
  const int nodes = bars;
  for (int n = 1; n <= nodes; ++n)
    for (int c = 1; c <= 3; ++c) s.CoordGrid.SetCell(c, n, Milli(coord(rng)));
  for (int i = 1; i <= bars; ++i) {
    s.EleGrid.SetCell(1, i, std::to_string(i));
    s.EleGrid.SetCell(2, i, std::to_string(i % nodes + 1));
    s.EleGrid.SetCell(3, i, i % 5 == 0 ? "" : std::to_string(i % 4));
  }
  const char* e[] = {"210000000", "7e7", "35000", "1.1E8"};
  const char* a[] = {"0.002", "0.0005", "0.25", ".01"};
  for (int t = 0; t < 4; ++t) {
    s.PropGrid.SetCell(1, t + 1, e[t]);
    s.PropGrid.SetCell(2, t + 1, a[t]);
  }
  for (int j = 0; j < 6; ++j) s.NumberEdit(4 + j).SetRealValue(10 * (j + 1));
}

long ResidentBytes() {
  std::ifstream statm("/proc/self/statm");
  long size = 0, resident = 0;
  statm >> size >> resident;
  return resident * sysconf(_SC_PAGESIZE);
}

// Heap in use, small blocks and mapped large ones (the grids' cell arrays are mapped).
size_t HeapBytes() {
  const struct mallinfo2 info = mallinfo2();
  return info.uordblks + info.hblkhd;
}

// Memory of a store of 100,000 and 1,000,000 rows, every node and bar row filled and the forces
// written: heap in use (exact) and growth of the resident set. Registered first, so the
// resident figure is not hidden by memory that earlier runs freed.
void BM_StoreMemory(benchmark::State& state) {
  double heapMB = 0, rssMB = 0;
  for (auto _ : state) {
    const long rssBefore = ResidentBytes();
    const size_t heapBefore = HeapBytes();
    auto* store = new ModelStore;
    FillModel(*store, static_cast<int>(state.range(0)));
    SilentDialogs dialogs;
    CalculateModel(*store, dialogs);
    heapMB = (static_cast<double>(HeapBytes()) - heapBefore) / (1024.0 * 1024.0);
    rssMB = (ResidentBytes() - rssBefore) / (1024.0 * 1024.0);
    benchmark::DoNotOptimize(store);
    delete store;
  }
  state.counters["store_heap_MB"] = heapMB;
  state.counters["store_rss_MB"] = rssMB;
}
BENCHMARK(BM_StoreMemory)->Arg(100000)->Arg(1000000)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_CalculateModel(benchmark::State& state) {
  ModelStore store;
  FillModel(store, static_cast<int>(state.range(0)));
  SilentDialogs dialogs;
  for (auto _ : state) {
    const bool ok = CalculateModel(store, dialogs);
    benchmark::DoNotOptimize(ok);
    if (!ok) state.SkipWithError("calculation failed");
  }
  state.counters["bars"] = static_cast<double>(state.range(0));
  state.counters["dialogs"] = dialogs.count;
}
BENCHMARK(BM_CalculateModel)
    ->Arg(100)
    ->Arg(10000)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond);

// The mechanism check alone, on a sound and on a singular 6 x 6 matrix: its cost does not grow
// with the number of bars.
void BM_CheckMechanism(benchmark::State& state) {
  // Five or six bars: rank 5 (one free motion) or a sound layout.
  const double g[6][6] = {{1, 0, 0, 0, 0, 1},  {0, 1, 0, 0, 1, 0},  {0, 0, 1, 1, 0, 0},
                          {1, 1, 0, 0, 0, -1}, {0, 1, 1, -1, 0, 0}, {1, 0, 1, 0, 1, 1}};
  const int bars = state.range(0) == 1 ? 5 : 6;
  TMatrix6 K{};
  for (int i = 0; i < bars; ++i)
    for (int r = 0; r < 6; ++r)
      for (int c = 0; c < 6; ++c) K[r][c] += g[i][r] * g[i][c];
  std::array<bool, 6> free;
  free.fill(true);
  const TVector6 load{1, 2, 3, 4, 5, 6};
  for (auto _ : state) benchmark::DoNotOptimize(CheckMechanism(K, free, load, 2.0));
  state.SetLabel(state.range(0) == 1 ? "one free motion" : "sound");
}
BENCHMARK(BM_CheckMechanism)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace tarvelin

BENCHMARK_MAIN();
