// Steps per second of TGenMask::Increment on a mask of 20 elements.
#include <benchmark/benchmark.h>

#include <orv/keygen/genmask.h>

namespace {

// 20 elements: 4 static, 1 set, 2 letters, 2 charnums, 11 digits.
constexpr const char* kMask = "AB-[XYZ]$$&&-###########";

void BM_Increment(benchmark::State& state) {
  orv::TGenMask m;
  m.ScanMask(kMask);
  if (m.Count() != 20) state.SkipWithError("mask does not have 20 elements");
  m.NullValue();
  for (auto _ : state) {
    m.Increment();
    benchmark::DoNotOptimize(m.Elements(19));
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Increment);

// With an end value the suffix is compared after every element step.
void BM_IncrementWithEndValue(benchmark::State& state) {
  orv::TGenMask m;
  m.ScanMask(kMask);
  m.SetEndValue("ZZZZZ99999999999");
  m.NullValue();
  for (auto _ : state) {
    m.Increment();
    benchmark::DoNotOptimize(m.Elements(19));
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_IncrementWithEndValue);

}  // namespace
