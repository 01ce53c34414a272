// Stamps per second of one TUniKEY on the system clock. One stamper gives at
// most one key per millisecond (it waits for the clock to move on), so the
// ceiling is 1000 stamps per second, whatever the data layer costs.
//
//   NewRecordUnstamped: Append + Cancel with no stamper: what the data layer
//                     costs by itself, for comparison.
//   StampNewRecord:   Append + Cancel on an SQLite table: the stamper's rate
//                     without the cost of writing the row.
//   StampAndPost:     Append + Post: stamped rows written to SQLite.
//   TimeStampText:    GetTimeStamp alone, the cost of one reading of the key.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include <orv/host/classes/component.h>
#include <orv/host/db/datasource.h>
#include <orv/host/db/field.h>
#include <orv/host/db/table.h>
#include <orv/unikey/unikey.h>

namespace {

using namespace orv;

// A temporary SQLite directory database with a table STAMPS (ID, UKEY) and a
// stamper linked to it; removed afterwards.
class Rig {
 public:
  explicit Rig(bool stamped = true) {
    std::string tmpl =
        (std::filesystem::temp_directory_path() / "orv-unikey-bench.XXXXXX").string();
    dir_ = mkdtemp(tmpl.data());
    owner_ = new TComponent(nullptr);
    table_ = new TTable(owner_);
    table_->SetDatabaseName(dir_);
    table_->SetTableName("STAMPS");
    table_->CreateTable({{"ID", ftInteger, 0}, {"UKEY", ftString, 20}}, {"ID"});
    table_->Open();
    auto* ds = new TDataSource(owner_);
    ds->SetDataSet(table_);
    if (!stamped) return;
    stamper_ = new TUniKEY(owner_);
    stamper_->SetDataField("UKEY");
    stamper_->SetDataSource(ds);
  }
  ~Rig() {
    owner_->Free();
    std::filesystem::remove_all(dir_);
  }
  TTable* table() { return table_; }
  TUniKEY* stamper() { return stamper_; }

 private:
  std::string dir_;
  TComponent* owner_;
  TTable* table_;
  TUniKEY* stamper_ = nullptr;
};

void NewRecordUnstamped(benchmark::State& state) {
  Rig rig(false);
  for (auto _ : state) {
    rig.table()->Append();
    rig.table()->Cancel();
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(NewRecordUnstamped)->Unit(benchmark::kMicrosecond)->UseRealTime();

void StampNewRecord(benchmark::State& state) {
  Rig rig;
  for (auto _ : state) {
    rig.table()->Append();
    benchmark::DoNotOptimize(rig.stamper()->LastStamp().data());
    rig.table()->Cancel();
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(StampNewRecord)->Unit(benchmark::kMicrosecond)->UseRealTime();

void StampAndPost(benchmark::State& state) {
  Rig rig;
  long long id = 0;
  for (auto _ : state) {
    rig.table()->Append();
    rig.table()->FieldByName("ID")->SetAsInteger(++id);
    rig.table()->Post();
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(StampAndPost)->Unit(benchmark::kMicrosecond)->UseRealTime();

void TimeStampText(benchmark::State& state) {
  TComponentPtr<TUniKEY> stamper(new TUniKEY(nullptr));
  for (auto _ : state) benchmark::DoNotOptimize(stamper->GetTimeStamp());
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(TimeStampText)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
