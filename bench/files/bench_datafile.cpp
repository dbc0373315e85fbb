// Benchmark of reading and writing large .PEN files, with the memory each operation takes.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>

#include "analysis/modelstore.h"
#include "files/datafile.h"
#include "files/profilefile.h"
#include "files/resultsexport.h"

// Heap in use and its peak, so that the memory of one operation can be reported.
static std::atomic<long long> gInUse{0};
static std::atomic<long long> gPeak{0};

void* operator new(std::size_t size) {
  void* p = std::malloc(size ? size : 1);
  if (!p) throw std::bad_alloc();
  long long now = gInUse += static_cast<long long>(malloc_usable_size(p));
  long long peak = gPeak.load();
  while (now > peak && !gPeak.compare_exchange_weak(peak, now)) {
  }
  return p;
}
// operator new above takes its memory from malloc, so free is the matching release.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif
void operator delete(void* p) noexcept {
  if (!p) return;
  gInUse -= static_cast<long long>(malloc_usable_size(p));
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  operator delete(p);
}

namespace tarvelin {
namespace {

// A calculated model: n nodes, n bars over ten bar types, loads, and a force for every bar.
ModelStore BigModel(int n) {
  ModelStore store;
  store.GridLength = n + 1;
  InitTables(store);
  for (int i = 0; i < 6; ++i) store.NumberEdit(4 + i).SetRealValue(i * 10.5 - 20);
  store.NumberEdit(10).SetRealValue(210000000);
  store.NumberEdit(11).SetRealValue(0.0025);
  for (int r = 1; r <= n; ++r) {
    store.CoordGrid.SetCell(1, r, std::to_string(r % 1000) + ".125");
    store.CoordGrid.SetCell(2, r, "-" + std::to_string(r % 97) + ".5");
    store.CoordGrid.SetCell(3, r, std::to_string(r % 13));
    store.EleGrid.SetCell(1, r, std::to_string(r));
    store.EleGrid.SetCell(2, r, std::to_string(r % n + 1));
    store.EleGrid.SetCell(3, r, std::to_string(r % 10));
    store.StringGrid3.SetCell(1, r, std::to_string(r % 5000) + ".1234");
  }
  for (int t = 1; t < 10; ++t) {
    store.PropGrid.SetCell(1, t + 1, std::to_string(200000000 + t));
    store.PropGrid.SetCell(2, t + 1, "0.00" + std::to_string(t));
  }
  return store;
}

std::string BenchFile(int n) {
  return "/tmp/tarvelin-bench-" + std::to_string(::getpid()) + "-" + std::to_string(n) + ".PEN";
}

void WriteDataFileBench(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  ModelStore store = BigModel(n);
  std::string path = BenchFile(n);
  long long peak = 0;
  for (auto _ : state) {
    gPeak = gInUse.load();
    long long before = gInUse;
    WriteDataFile(store, path, "/tmp/");
    peak = gPeak - before;
  }
  state.counters["peak_heap_MB"] = static_cast<double>(peak) / 1e6;
  ::unlink(path.c_str());
}

void ReadDataFileBench(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  std::string path = BenchFile(n);
  {
    ModelStore model = BigModel(n);
    WriteDataFile(model, path, "/tmp/");
  }
  long long peak = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto* store = new ModelStore;  // the default 101 rows: reading grows the tables
    InitTables(*store);
    state.ResumeTiming();
    gPeak = gInUse.load();
    long long before = gInUse;
    ReadDataFile(*store, path);
    peak = gPeak - before;
    benchmark::DoNotOptimize(store->CoordGrid.Cell(1, n));
    state.PauseTiming();
    delete store;
    state.ResumeTiming();
  }
  state.counters["peak_heap_MB"] = static_cast<double>(peak) / 1e6;
  ::unlink(path.c_str());
}

// The in-memory half of writing, without the file system: the new text of an empty file.
void DataFileTextBench(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  ModelStore store = BigModel(n);
  for (auto _ : state) benchmark::DoNotOptimize(DataFileText(store, std::string()));
}

// The results export of n bars, JSON (range 1) or CSV (range 0), written to a file.
void ExportResultsBench(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const bool json = state.range(1) == 1;
  CalculationResult result;
  result.Valid = true;
  result.Bars.resize(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) {
    BarResult& b = result.Bars[static_cast<std::size_t>(i)];
    b.Bar = i + 1;
    b.BeginNode = i / 2 + 1;
    b.EndNode = n / 2 + i / 2 + 1;
    b.Type = i % 3;
    b.E = 210000000;
    b.A = 0.0001 * (1 + i % 3);
    b.Length = 2.5 + i * 1e-6;
    b.Stiffness = b.E * b.A / b.Length;
    b.Force = (i % 2 ? -1 : 1) * 0.001 * i;
    b.Elongation = b.Force / b.Stiffness;
    b.Stress = b.Force / b.A;
  }
  const std::string path = BenchFile(n) + (json ? ".json" : ".csv");
  long long peak = 0;
  for (auto _ : state) {
    gPeak = gInUse.load();
    const long long before = gInUse;
    ExportResults(result, "model.PEN", path);
    peak = gPeak - before;
  }
  state.counters["peak_heap_MB"] = static_cast<double>(peak) / 1e6;
  state.SetLabel(json ? "json" : "csv");
  ::unlink(path.c_str());
}

}  // namespace
}  // namespace tarvelin

BENCHMARK(tarvelin::ExportResultsBench)
    ->Name("ExportResults")
    ->Args({100000, 1})
    ->Args({1000000, 1})
    ->Args({1000000, 0})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(tarvelin::WriteDataFileBench)
    ->Name("WriteDataFile")
    ->Arg(10000)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(tarvelin::ReadDataFileBench)
    ->Name("ReadDataFile")
    ->Arg(10000)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(tarvelin::DataFileTextBench)
    ->Name("DataFileText")
    ->Arg(10000)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
