// Keys per second of TGenerator::Generator on one generator row, for one
// process and for four processes at once, on SQLite and (when
// $ORV_PG_CONNINFO is set) PostgreSQL. Beside each stands a baseline measured
// in the same run against the same engine: the bare cost of the claim
// protocol's three committed row updates per key (claim, stamp, write),
// written directly through the data layer without any protocol logic.
//
// The four-process figures fork four workers that start together, each
// drawing keys for a fixed time; counters give the total rate and the
// slowest and fastest worker's rate, which shows whether one is starved.
// Every figure is taken in turns with the others, several times, since the
// disk's commit latency drifts by a factor of ten on a shared machine.
#include <benchmark/benchmark.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "host/db/table.h"
#include "host/db/testing/engines.h"
#include "keygen/generator.h"
#include "keygen/gentable.h"
#include "keygen/timestamp.h"

namespace {

using orv::TComponentPtr;
using orv::TGenerator;
using orv::TTable;
using orv::TVariant;

constexpr char kMask[] = "B-######";          // the benchmark's keys
constexpr int kWorkers = 4;               // processes of the multi-process figures
constexpr double kWindowSeconds = 1.0;    // how long one measurement draws keys
constexpr int kRounds = 4;                // measurements of each figure, taken in turns

double Seconds() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

// A fresh database with the generator table.
std::unique_ptr<orv::testing::TestDatabase> MakeDatabase(const std::string& engine) {
  auto db = std::make_unique<orv::testing::TestDatabase>(engine);
  TComponentPtr<TTable> t(new TTable(nullptr));
  t->SetDatabaseName(db->Alias());
  t->SetTableName("GENTBL.DB");
  t->CreateTable(orv::GenTableFields(), orv::GenTableUniqueKey());
  return db;
}

TComponentPtr<TGenerator> MakeGenerator(const std::string& alias) {
  TComponentPtr<TGenerator> g(new TGenerator(nullptr));
  g->SetMask(kMask);
  g->SetDataBaseName(alias);
  g->InitDB();
  return g;
}

// The bare work of one key: three committed updates of the row, retried
// until each goes through (another worker may hold the lock).
class Baseline {
 public:
  explicit Baseline(const std::string& alias) : table_(new TTable(nullptr)) {
    table_->SetDatabaseName(alias);
    table_->SetTableName("GENTBL.DB");
    table_->Open();
    if (!table_->Locate(orv::kGenTableKey, {TVariant(0), TVariant("B-")})) {
      try {
        table_->Insert();
        table_->FieldByName("GenID")->SetAsInteger(0);
        table_->FieldByName("Prefix")->SetAsString("B-");
        table_->FieldByName("Suffix")->SetAsString("000000");
        table_->FieldByName("State")->SetAsInteger(0);
        table_->FieldByName("Try")->SetAsInteger(0);
        table_->Post();
      } catch (const orv::Exception&) {
        table_->Cancel();  // another worker inserted it
      }
      table_->Locate(orv::kGenTableKey, {TVariant(0), TVariant("B-")});
    }
  }

  void Key() {
    Update([&] { table_->FieldByName("State")->SetAsInteger(1); });
    Update([&] {
      table_->FieldByName("Who")->SetAsString(stamp_);
      table_->FieldByName("Try")->SetAsInteger(0);
      table_->FieldByName("Time")->SetAsString(orv::GetTimeStamp());
    });
    Update([&] {
      table_->FieldByName("Suffix")->SetAsString(std::to_string(++n_));
      table_->FieldByName("Try")->SetAsInteger(0);
      table_->FieldByName("Time")->SetAsString(orv::GetTimeStamp());
      table_->FieldByName("Who")->SetAsString(stamp_);
      table_->FieldByName("State")->SetAsInteger(0);
    });
  }

 private:
  void Update(const std::function<void()>& set) {
    for (;;) {
      try {
        table_->Edit();
        set();
        table_->Post();
        return;
      } catch (const orv::Exception&) {
        table_->Cancel();
      }
    }
  }

  TComponentPtr<TTable> table_;
  std::string stamp_ = orv::NewOwnerStamp();
  long long n_ = 0;
};

// Keys drawn in kWindowSeconds by one process, this one, on an existing row.
double OneProcessRate(TGenerator* g, Baseline* b) {
  long long keys = 0;
  const double start = Seconds();
  const double end = start + kWindowSeconds;
  while (Seconds() < end) {
    if (b) b->Key();
    else benchmark::DoNotOptimize(g->Generator());
    ++keys;
  }
  return static_cast<double>(keys) / (Seconds() - start);
}

struct MultiRate {
  double total = 0, slowest = 0, fastest = 0;  // keys per second
};

// kWorkers forked workers on one row, started together, each drawing keys
// for kWindowSeconds. A worker touches nothing of the parent's connections
// and leaves with _exit, so the parent's database stays intact.
MultiRate FourProcessRate(const std::string& alias, bool baseline) {
  int ready[2], go[2], results[2];
  if (pipe(ready) != 0 || pipe(go) != 0 || pipe(results) != 0) throw std::runtime_error("pipe failed");
  std::vector<pid_t> pids;
  for (int w = 0; w < kWorkers; ++w) {
    const pid_t pid = fork();
    if (pid == 0) {
      close(go[1]);
      long long keys = 0;
      try {
        std::unique_ptr<Baseline> b;
        TComponentPtr<TGenerator> g;
        if (baseline) b = std::make_unique<Baseline>(alias);
        else g = MakeGenerator(alias);
        char c = 1;
        if (write(ready[1], &c, 1) != 1) _exit(2);
        if (read(go[0], &c, 1) < 0) _exit(2);  // returns 0 when the parent closes it
        const double end = Seconds() + kWindowSeconds;
        while (Seconds() < end) {
          if (baseline) b->Key();
          else g->Generator();
          ++keys;
        }
      } catch (const std::exception& e) {
        std::fprintf(stderr, "worker: %s\n", e.what());
        _exit(1);
      }
      if (write(results[1], &keys, sizeof keys) != sizeof keys) _exit(2);
      _exit(0);
    }
    pids.push_back(pid);
  }
  close(ready[1]);
  close(go[0]);
  close(results[1]);
  for (int w = 0; w < kWorkers; ++w) {
    char c;
    if (read(ready[0], &c, 1) != 1) break;
  }
  const double start = Seconds();
  close(go[1]);  // go
  std::vector<long long> counts;
  long long keys = 0;
  while (read(results[0], &keys, sizeof keys) == sizeof keys) counts.push_back(keys);
  const double elapsed = Seconds() - start;
  for (pid_t pid : pids) waitpid(pid, nullptr, 0);
  close(ready[0]);
  close(results[0]);
  if (counts.size() != kWorkers) throw std::runtime_error("a worker failed");
  MultiRate r;
  for (long long n : counts) r.total += static_cast<double>(n);
  r.total /= elapsed;
  r.slowest = static_cast<double>(*std::min_element(counts.begin(), counts.end())) / elapsed;
  r.fastest = static_cast<double>(*std::max_element(counts.begin(), counts.end())) / elapsed;
  return r;
}

// All four figures of one engine, measured in turns (generator and baseline,
// one process and four) so that each figure and its baseline see the same
// moment of a disk whose speed drifts; each figure is the mean of kRounds.
void BM_Keys(benchmark::State& state, const std::string& engine) {
  auto db = MakeDatabase(engine);
  auto g = MakeGenerator(db->Alias());
  g->Generator();  // the row exists before anything is measured
  Baseline b(db->Alias());
  for (auto _ : state) {
    double gen1 = 0, base1 = 0;
    MultiRate gen4, base4;
    const double start = Seconds();
    try {
      for (int round = 0; round < kRounds; ++round) {
        gen1 += OneProcessRate(g.get(), nullptr) / kRounds;
        base1 += OneProcessRate(nullptr, &b) / kRounds;
        const MultiRate gm = FourProcessRate(db->Alias(), false);
        const MultiRate bm = FourProcessRate(db->Alias(), true);
        gen4.total += gm.total / kRounds;
        gen4.slowest += gm.slowest / kRounds;
        gen4.fastest += gm.fastest / kRounds;
        base4.total += bm.total / kRounds;
        base4.slowest += bm.slowest / kRounds;
        base4.fastest += bm.fastest / kRounds;
      }
    } catch (const std::exception& e) {
      state.SkipWithError(e.what());
      return;
    }
    state.SetIterationTime(Seconds() - start);
    state.counters["gen_1proc_per_s"] = gen1;
    state.counters["base_1proc_per_s"] = base1;
    state.counters["gen_4proc_per_s"] = gen4.total;
    state.counters["base_4proc_per_s"] = base4.total;
    state.counters["gen_4proc_slowest_per_s"] = gen4.slowest;
    state.counters["gen_4proc_fastest_per_s"] = gen4.fastest;
    state.counters["base_4proc_slowest_per_s"] = base4.slowest;
    state.counters["base_4proc_fastest_per_s"] = base4.fastest;
    state.counters["ratio_1proc_to_base"] = gen1 / base1;
    state.counters["ratio_4proc_to_1proc"] = gen4.total / gen1;
  }
}

}  // namespace

int main(int argc, char** argv) {
  for (const std::string& engine : orv::testing::EngineNames())
    benchmark::RegisterBenchmark(("Keys/" + engine).c_str(), BM_Keys, engine)
        ->UseManualTime()
        ->Iterations(1)
        ->Unit(benchmark::kSecond);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
