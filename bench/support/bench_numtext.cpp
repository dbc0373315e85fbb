// Speed of formatting and strict reading of numbers, as done per table cell.
#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

#include "support/numtext.h"

namespace {

// Coordinates and forces as a model holds them: a few digits, or the full digits of a result.
std::vector<double> Values(bool computed) {
  std::mt19937_64 random(42);
  std::uniform_real_distribution<double> spread(-1000, 1000);
  std::vector<double> values(4096);
  for (double& v : values) {
    v = spread(random);
    if (!computed) v = static_cast<double>(static_cast<long long>(v * 1000)) / 1000;
  }
  return values;
}

void BM_FormatFixed(benchmark::State& state) {
  const std::vector<double> values = Values(state.range(0) != 0);
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(tarvelin::FormatFixed(values[i++ & 4095], 8, 4));
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FormatFixed)->ArgName("computed")->Arg(0)->Arg(1);

void BM_FormatGeneral(benchmark::State& state) {
  const std::vector<double> values = Values(state.range(0) != 0);
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(tarvelin::FormatGeneral(values[i++ & 4095], 15));
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FormatGeneral)->ArgName("computed")->Arg(0)->Arg(1);

void BM_FormatTie(benchmark::State& state) {
  // An exact half at the last kept digit: the slow, exact path.
  for (auto _ : state) benchmark::DoNotOptimize(tarvelin::FormatFixed(0.0625, 8, 3));
}
BENCHMARK(BM_FormatTie);

void BM_StrToFloat(benchmark::State& state) {
  std::vector<std::string> texts;
  for (double v : Values(state.range(0) != 0)) texts.push_back(tarvelin::FormatGeneral(v, 15));
  size_t i = 0;
  for (auto _ : state) benchmark::DoNotOptimize(tarvelin::StrToFloat(texts[i++ & 4095]));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_StrToFloat)->ArgName("computed")->Arg(0)->Arg(1);

}  // namespace
