// How reading, checking and writing a form file grow with the form: a data
// module of N generators, each with a mask, a start value and a position.
// Time per component should stay flat from 1,000 to 20,000 components.
//
//   LoadForm:  LoadFormFromFile and free it: the reader orvgen run uses, here
//              under a designing owner so that no generator opens its table.
//   CheckForm: orvdesign --check.
//   SetForm:   orvdesign --set of one value: read, set, the whole form checked
//              again, written (whole, through a temporary file).
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <orv/host/classes/datamodule.h>
#include <orv/host/classes/formfile.h>
#include <orv/host/classes/typinfo.h>
#include <orv/keygen/genregister.h>
#include "tools/orvdesign/headless.h"

namespace {

using namespace orv;

// A form file of n generators in a temporary directory, removed afterwards.
class FormRig {
 public:
  explicit FormRig(int n)
      : dir_(std::filesystem::temp_directory_path() /
             ("orv-form-bench-" + std::to_string(getpid()))) {
    RegisterClasses<TDataModule>();
    gensrc::Register();
    std::filesystem::create_directories(dir_);
    path_ = (dir_ / "big.ofm").string();
    std::ofstream out(path_, std::ios::binary);
    out << "object Keys: TDataModule\n";
    for (int i = 0; i < n; ++i)
      out << "  object Gen" << i << ": TGenerator\n    Mask = 'A" << i % 10
          << "-####'\n    StartValue = '0001'\n    Left = " << i % 640
          << "\n    Top = " << i / 640 * 80 << "\n  end\n";
    out << "end\n";
  }
  ~FormRig() { std::filesystem::remove_all(dir_); }
  const std::string& Path() const { return path_; }

 private:
  std::filesystem::path dir_;
  std::string path_;
};

void Report(benchmark::State& state) {
  state.SetItemsProcessed(state.iterations() * state.range(0));
  state.counters["us/component"] = benchmark::Counter(
      static_cast<double>(state.range(0)),
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert,
      benchmark::Counter::kIs1000);
}

void LoadForm(benchmark::State& state) {
  FormRig rig(static_cast<int>(state.range(0)));
  TComponentPtr<TComponent> designing(new TComponent(nullptr));
  designing->SetState(csDesigning, true);
  for (auto _ : state) {
    TComponentPtr<TComponent> root(LoadFormFromFile(rig.Path(), designing.get()));
    benchmark::DoNotOptimize(root->ComponentCount());
  }
  Report(state);
}

void CheckForm(benchmark::State& state) {
  FormRig rig(static_cast<int>(state.range(0)));
  std::ostringstream out, err;
  for (auto _ : state)
    if (design::CheckForms({rig.Path()}, out, err) != 0) state.SkipWithError(err.str().c_str());
  Report(state);
}

void SetForm(benchmark::State& state) {
  FormRig rig(static_cast<int>(state.range(0)));
  std::ostringstream out, err;
  int round = 0;
  for (auto _ : state) {
    const std::string value = ++round % 2 ? "0002" : "0001";  // a change each time
    if (design::SetValues(rig.Path(), {"Gen5.StartValue=" + value}, out, err) != 0)
      state.SkipWithError(err.str().c_str());
  }
  Report(state);
}

BENCHMARK(LoadForm)->Arg(1000)->Arg(4000)->Arg(20000)->Unit(benchmark::kMillisecond);
BENCHMARK(CheckForm)->Arg(1000)->Arg(4000)->Arg(20000)->Unit(benchmark::kMillisecond);
BENCHMARK(SetForm)->Arg(1000)->Arg(4000)->Arg(20000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
