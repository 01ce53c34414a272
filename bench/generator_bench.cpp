// Keys per second of TGenerator::Generator on one generator row, for one
// process and for four processes at once, on SQLite and (when
// $ORV_PG_CONNINFO is set) PostgreSQL. Beside each stands a baseline measured
// in the same run against the same engine: the bare cost of the claim
// protocol's three committed row updates per key (claim, stamp, write),
// written directly through the data layer without any protocol logic.
//
// The four-process figures fork four workers that start together, each
// drawing keys for a fixed time; counters give the total rate and the
// slowest and fastest worker's share, which shows whether one is starved.
#include <benchmark/benchmark.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
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
constexpr int kWorkers = 4;                   // processes of the multi-process figures
constexpr double kWorkerSeconds = 3.0;        // how long each worker draws keys

double Seconds() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

// A fresh database with the generator table.
std::unique_ptr<orv::testing::TestDatabase> MakeDatabase(const std::string& engine) {
  auto db = std::make_unique<orv::testing::TestDatabase>(engine);
  TComponentPtr<TTable> t(new TTable(nullptr));
  t->SetDatabaseName(db->alias());
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

// One process: keys (or baseline keys) per second.
void BM_OneProcess(benchmark::State& state, const std::string& engine, bool baseline) {
  auto db = MakeDatabase(engine);
  if (baseline) {
    Baseline b(db->alias());
    for (auto _ : state) b.Key();
  } else {
    auto g = MakeGenerator(db->alias());
    for (auto _ : state) benchmark::DoNotOptimize(g->Generator());
  }
  state.counters["keys_per_s"] = benchmark::Counter(static_cast<double>(state.iterations()),
                                                    benchmark::Counter::kIsRate);
}

// Four forked workers on one row, started together, each drawing keys for
// kWorkerSeconds. A worker touches nothing of the parent's connections and
// leaves with _exit, so the parent's database stays intact.
void BM_FourProcesses(benchmark::State& state, const std::string& engine, bool baseline) {
  auto db = MakeDatabase(engine);
  {
    // The row exists before the workers start, as in steady use.
    if (baseline) Baseline b(db->alias());
    else MakeGenerator(db->alias())->Generator();
  }
  for (auto _ : state) {
    int ready[2], go[2], results[2];
    if (pipe(ready) != 0 || pipe(go) != 0 || pipe(results) != 0) {
      state.SkipWithError("pipe failed");
      return;
    }
    std::vector<pid_t> pids;
    for (int w = 0; w < kWorkers; ++w) {
      const pid_t pid = fork();
      if (pid == 0) {
        close(go[1]);
        long long keys = 0;
        try {
          std::unique_ptr<Baseline> b;
          TComponentPtr<TGenerator> g;
          if (baseline) b = std::make_unique<Baseline>(db->alias());
          else g = MakeGenerator(db->alias());
          char c = 1;
          if (write(ready[1], &c, 1) != 1) _exit(2);
          if (read(go[0], &c, 1) < 0) _exit(2);  // returns 0 when the parent closes it
          const double end = Seconds() + kWorkerSeconds;
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
    if (counts.size() != kWorkers) {
      state.SkipWithError("a worker failed");
      return;
    }
    long long total = 0;
    for (long long n : counts) total += n;
    state.SetIterationTime(elapsed);
    state.counters["keys_per_s"] = static_cast<double>(total) / elapsed;
    state.counters["slowest_worker_per_s"] = *std::min_element(counts.begin(), counts.end()) / elapsed;
    state.counters["fastest_worker_per_s"] = *std::max_element(counts.begin(), counts.end()) / elapsed;
  }
}

}  // namespace

int main(int argc, char** argv) {
  for (const std::string& engine : orv::testing::EngineNames()) {
    benchmark::RegisterBenchmark(("Baseline3Updates/" + engine + "/1proc").c_str(), BM_OneProcess, engine, true)
        ->MinTime(2.0)
        ->UseRealTime()
        ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark(("Generator/" + engine + "/1proc").c_str(), BM_OneProcess, engine, false)
        ->MinTime(2.0)
        ->UseRealTime()
        ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark(("Baseline3Updates/" + engine + "/4proc").c_str(), BM_FourProcesses, engine,
                                 true)
        ->UseManualTime()
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("Generator/" + engine + "/4proc").c_str(), BM_FourProcesses, engine, false)
        ->UseManualTime()
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond);
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
