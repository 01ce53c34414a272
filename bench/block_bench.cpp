// Keys per second of TGenerator::GeneratorBlock on one generator row, for
// blocks of 1, 10, 100, 1,000 and 10,000 keys, beside the key-by-key path
// (TGenerator::Generator) in the same run: on SQLite on disk, and with
// $ORV_PG_CONNINFO on PostgreSQL, directly and through a relay that delays
// each direction (5 ms per round trip by default). On PostgreSQL the server's
// own sequence draws the same numbers of values beside it
// (SELECT nextval(...) FROM generate_series(1, N), one statement a batch).
//
// Every figure is taken in turns with the others, several rounds of a short
// window each, since the disk's commit latency drifts on a shared machine;
// the tables show the mean and the range over the rounds, and the ratios are
// taken round by round.
#include <libpq-fe.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <iostream>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include <orv/host/db/table.h>
#include <orv/host/db/testing/engines.h>
#include <orv/keygen/generator.h>
#include <orv/keygen/gentable.h>
#include "bench/delay_relay.h"
#include "bench/figures.h"

namespace {

using orv::TComponentPtr;
using orv::TGenerator;
using orv::bench::Fixed;
using orv::bench::Ratio;
using orv::bench::Seconds;
using orv::bench::Series;

constexpr char kMask[] = "B-##########";  // room for every key of a long run
const std::vector<int> kBlocks = {1, 10, 100, 1000, 10000};

const char kHelp[] =
    "Usage: block_bench [OPTIONS]\n"
    "Keys per second of TGenerator::GeneratorBlock for blocks of 1, 10, 100, 1000\n"
    "and 10000 keys, beside key by key (TGenerator::Generator) and, on PostgreSQL,\n"
    "the server's own sequence drawing as many values in one statement. Prints\n"
    "Markdown tables. SQLite works in a fresh directory under $TMPDIR (or /tmp);\n"
    "PostgreSQL is measured when $ORV_PG_CONNINFO names a server, directly and\n"
    "through a relay that delays each direction.\n"
    "\n"
    "Options:\n"
    "  --seconds S      one measurement window (default 1; at least one batch)\n"
    "  --rounds N       windows of each figure, taken in turns (default 3)\n"
    "  --delay-ms MS    the relay's delay each way (default 2.5: 5 ms a round trip)\n"
    "  --help           this text\n";

struct Options {
  double seconds = 1.0;
  int rounds = 3;
  double delay_ms = 2.5;
};

// Draws batches of keys (or values) for a window; returns keys per second.
double Rate(const std::function<std::size_t()>& batch, double seconds) {
  std::size_t keys = 0;
  const double start = Seconds();
  do {
    keys += batch();
  } while (Seconds() - start < seconds);
  return static_cast<double>(keys) / (Seconds() - start);
}

class Sequence {
 public:
  explicit Sequence(const std::string& conninfo) : conn_(PQconnectdb(conninfo.c_str())) {
    if (PQstatus(conn_) != CONNECTION_OK) {
      const std::string why = PQerrorMessage(conn_);
      PQfinish(conn_);
      throw std::runtime_error("Cannot reach the server: " + why);
    }
    PQsetNoticeProcessor(
        conn_, [](void*, const char*) {}, nullptr);  // "already exists"
    Exec("CREATE SEQUENCE IF NOT EXISTS orv_block_bench", PGRES_COMMAND_OK);
  }
  ~Sequence() { PQfinish(conn_); }
  // n values of the sequence in one statement; returns how many came back.
  std::size_t Draw(int n) {
    return Exec(
        "SELECT nextval('orv_block_bench') FROM generate_series(1, " + std::to_string(n) + ")",
        PGRES_TUPLES_OK);
  }

 private:
  std::size_t Exec(const std::string& sql, ExecStatusType expected) {
    PGresult* r = PQexec(conn_, sql.c_str());
    const bool ok = PQresultStatus(r) == expected;
    const std::size_t rows = static_cast<std::size_t>(PQntuples(r));
    PQclear(r);
    if (!ok) throw std::runtime_error(sql + ": " + PQerrorMessage(conn_));
    return rows;
  }
  PGconn* conn_;
};

TComponentPtr<TGenerator> MakeGenerator(const std::string& alias) {
  TComponentPtr<TGenerator> g(new TGenerator(nullptr));
  g->SetMask(kMask);
  g->SetDataBaseName(alias);
  g->InitDB();
  if (g->Disabled()) throw std::runtime_error("the generator table did not open");
  g->Generator();  // the row exists before anything is measured
  return g;
}

// One table: key by key, each block size, and (PostgreSQL) the sequence.
void Measure(const std::string& title, const std::string& alias, const std::string& conninfo,
             const Options& o) {
  TComponentPtr<TGenerator> g = MakeGenerator(alias);
  std::unique_ptr<Sequence> seq;
  if (!conninfo.empty()) seq = std::make_unique<Sequence>(conninfo);
  Series single;
  std::vector<Series> blocks(kBlocks.size()), sequence(kBlocks.size());
  for (int round = 0; round < o.rounds; ++round) {
    single.Add(Rate([&] { return g->Generator().Empty() ? 0 : std::size_t{1}; }, o.seconds));
    for (std::size_t i = 0; i < kBlocks.size(); ++i) {
      blocks[i].Add(Rate([&] { return g->GeneratorBlock(kBlocks[i]).size(); }, o.seconds));
      if (seq) sequence[i].Add(Rate([&] { return seq->Draw(kBlocks[i]); }, o.seconds));
    }
  }
  std::cout << "\n### " << title << "\n\n";
  if (seq)
    std::cout << "| Keys a batch | Blocks, keys/s | × key by key | Sequence, values/s | Blocks ÷ "
                 "sequence |\n|---|---|---|---|---|\n";
  else
    std::cout << "| Keys a batch | Blocks, keys/s | × key by key |\n|---|---|---|\n";
  std::cout << "| key by key | " << single.Text() << " | 1× |" << (seq ? " – | – |" : "") << "\n";
  for (std::size_t i = 0; i < kBlocks.size(); ++i) {
    std::cout << "| " << kBlocks[i] << " | " << blocks[i].Text() << " | "
              << Ratio(blocks[i], single) << " |";
    if (seq)
      std::cout << " " << sequence[i].Text() << " | " << Ratio(blocks[i], sequence[i]) << " |";
    std::cout << "\n";
  }
}

void RunEngine(const std::string& engine, const Options& o) {
  orv::testing::TestDatabase db(engine);
  {
    TComponentPtr<orv::TTable> t(new orv::TTable(nullptr));
    t->SetDatabaseName(db.Alias());
    t->SetTableName("GENTBL.DB");
    t->CreateTable(orv::GenTableFields(), orv::GenTableUniqueKey());
  }
  if (engine == "sqlite") {
    Measure("SQLite in " + db.Location(), db.Alias(), "", o);
    return;
  }
  Measure("PostgreSQL, directly", db.Alias(), db.Location(), o);
  const std::string host = orv::bench::ConninfoValue(db.Location(), "host");
  const std::string port = orv::bench::ConninfoValue(db.Location(), "port");
  if (host.empty() || host[0] == '/') {
    std::cout << "\n(no relay: it needs a TCP host in $ORV_PG_CONNINFO)\n";
    return;
  }
  orv::bench::DelayRelay relay(
      host, port.empty() ? 5432 : std::stoi(port),
      std::chrono::microseconds(static_cast<long long>(o.delay_ms * 1000)));
  const std::string via = orv::bench::ConninfoVia(db.Location(), relay.Port(), "");
  orv::bench::Aliases aliases;
  aliases.Add(db.Alias() + "_slow", via);
  Measure("PostgreSQL through the relay (" + Fixed(2 * o.delay_ms, 1) + " ms a round trip)",
          db.Alias() + "_slow", via, o);
}

double Number(const std::string& option, const char* text, double min) {
  char* end = nullptr;
  const double v = text ? std::strtod(text, &end) : 0;
  if (!text || *end || v < min)
    throw std::invalid_argument(option + " needs a number of at least " + Fixed(min, 1));
  return v;
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  try {
    for (int i = 1; i < argc; ++i) {
      const std::string a = argv[i];
      const char* next = i + 1 < argc ? argv[i + 1] : nullptr;
      if (a == "--help") {
        std::cout << kHelp;
        return 0;
      } else if (a == "--seconds") {
        o.seconds = Number(a, next, 0.01), ++i;
      } else if (a == "--rounds") {
        o.rounds = static_cast<int>(Number(a, next, 1)), ++i;
      } else if (a == "--delay-ms") {
        o.delay_ms = Number(a, next, 0), ++i;
      } else {
        throw std::invalid_argument("unknown option " + a + " (see --help)");
      }
    }
    std::cout << "Load average before: " << orv::bench::LoadAverage() << "\n";
    RunEngine("sqlite", o);
    if (orv::testing::EngineUnavailable("postgresql").empty()) RunEngine("postgresql", o);
    std::cout << "\nLoad average after: " << orv::bench::LoadAverage() << "\n";
    return 0;
  } catch (const std::exception& e) {
    std::cerr << "block_bench: " << e.what() << "\n";
    return 1;
  }
}
