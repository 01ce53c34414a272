// Keys per second of TGenerator::Generator on one generator row beside two
// baselines written straight against the engine's C API (see baselines.h):
// (a) one transaction per key, (b) the claim protocol's three committed
// updates. Measured for one program and for several programs on one row
// (forked workers started together: total rate, slowest and fastest worker),
// on SQLite on disk and (with $ORV_PG_CONNINFO) PostgreSQL, and on
// PostgreSQL once more through a relay that delays each direction (5 ms per
// round trip by default). Then, per key: statements from the server's log,
// client round trips counted by a relay, write transactions (PostgreSQL), and
// fsyncs (SQLite, counted by a wrapping VFS).
//
// Every rate figure is taken in turns with the others, several rounds of a
// short window each, since the disk's commit latency drifts on a shared
// machine; the tables show the mean and the range over the rounds.
#include <libpq-fe.h>
#include <poll.h>
#include <signal.h>
#include <sys/statfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <iostream>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include <orv/host/db/session.h>
#include <orv/host/db/table.h>
#include <orv/host/db/testing/engines.h>
#include <orv/keygen/generator.h>
#include <orv/keygen/gentable.h>
#include "bench/baselines.h"
#include "bench/delay_relay.h"
#include "bench/figures.h"
#include "bench/sync_count_vfs.h"

namespace {

using orv::TComponentPtr;
using orv::TGenerator;
using orv::TTable;
using orv::bench::Design;
using orv::bench::KeySource;
using Factory = std::function<std::unique_ptr<KeySource>()>;
using orv::bench::Aliases;
using orv::bench::ConninfoValue;
using orv::bench::ConninfoVia;
using orv::bench::Fixed;
using orv::bench::LoadAverage;
using orv::bench::Ratio;
using orv::bench::Seconds;
using orv::bench::Series;

constexpr char kMask[] = "B-######";  // the generator's keys: the baselines' prefix and width
constexpr char kGenTable[] = "GENTBL.DB";
constexpr char kTableA[] = "BASEA";  // baseline (a)'s table
constexpr char kTableB[] = "BASEB";  // baseline (b)'s table

struct Options {
  std::vector<std::string> engines;
  double seconds = 1.0;        // one measurement window
  int rounds = 3;              // windows of each figure, in turns
  int workers = 4;             // programs of the several-program figures
  double delay_ms = 2.5;       // the relay's delay each way
  double relay_seconds = 2.0;  // one window through the delaying relay
  int count_keys = 200;        // keys drawn for the per-key counts
  std::string pg_log;          // the server's log file, for statements per key
};

const char kHelp[] =
    "Usage: generator_bench [OPTIONS]\n"
    "Keys per second of the generator (TGenerator::Generator) on one row, beside\n"
    "baselines written straight on the engine's C API: (a) one transaction per\n"
    "key, (b) three committed updates per key (claim, stamp, write). Prints\n"
    "Markdown tables: one program, several programs on one row (total, slowest\n"
    "and fastest worker), PostgreSQL through a delaying relay, and per key the\n"
    "statements, round trips, write transactions and fsyncs.\n"
    "\n"
    "SQLite works in a fresh directory under $TMPDIR (or /tmp); keep it on a\n"
    "real disk. PostgreSQL is measured when $ORV_PG_CONNINFO names a server\n"
    "(host and port; the role must be a superuser to log statements).\n"
    "\n"
    "Options:\n"
    "  --engines LIST       sqlite,postgresql (default: sqlite, and postgresql\n"
    "                       when $ORV_PG_CONNINFO is set)\n"
    "  --seconds S          one measurement window (default 1)\n"
    "  --rounds N           windows of each figure, taken in turns (default 3)\n"
    "  --workers N          programs of the several-program figures (default 4)\n"
    "  --delay-ms MS        the relay's delay in each direction (default 2.5,\n"
    "                       so one round trip costs 5 ms more)\n"
    "  --relay-seconds S    one window through the delaying relay (default 2)\n"
    "  --count-keys N       keys drawn for the per-key counts (default 200)\n"
    "  --pg-log FILE        the PostgreSQL server's log file (scripts/pg.sh's\n"
    "                       DIR/server.log); without it no statements per key\n"
    "  --help               this text\n";

// ---- key sources -----------------------------------------------------------------

class GeneratorSource : public KeySource {
 public:
  explicit GeneratorSource(const std::string& alias) : g_(new TGenerator(nullptr)) {
    g_->SetMask(kMask);
    g_->SetDataBaseName(alias);
    g_->InitDB();
  }
  void Key() override {
    if (g_->Generator().Empty()) throw std::runtime_error("the generator gave no key");
  }

 private:
  TComponentPtr<TGenerator> g_;
};

// ---- rates -----------------------------------------------------------------------

double OneProgramRate(KeySource& source, double seconds) {
  long long keys = 0;
  const double start = Seconds();
  const double end = start + seconds;
  while (Seconds() < end) {
    source.Key();
    ++keys;
  }
  return static_cast<double>(keys) / (Seconds() - start);
}

struct MultiRate {
  double total = 0, slowest = 0, fastest = 0;  // keys per second
};

// Forked workers on one row, started together, each drawing keys for
// `seconds` from a source of its own. A worker touches nothing of the
// parent's connections and leaves with _exit, so the parent's stay intact.
MultiRate SeveralProgramsRate(const Factory& make, int workers, double seconds) {
  int ready[2], go[2], results[2];
  if (pipe(ready) != 0 || pipe(go) != 0 || pipe(results) != 0)
    throw std::runtime_error("pipe failed");
  std::vector<pid_t> pids;
  for (int w = 0; w < workers; ++w) {
    const pid_t pid = fork();
    if (pid < 0) break;
    if (pid == 0) {
      close(go[1]);
      close(ready[0]);
      close(results[0]);
      long long keys = 0;
      try {
        std::unique_ptr<KeySource> source = make();
        char c = 1;
        if (write(ready[1], &c, 1) != 1) _exit(2);
        if (read(go[0], &c, 1) < 0) _exit(2);  // returns 0 when the parent closes it
        const double end = Seconds() + seconds;
        while (Seconds() < end) {
          source->Key();
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
  // Every wait has a deadline: workers that neither finish nor fail are killed.
  const double deadline = Seconds() + seconds + 60;
  auto read_by_deadline = [&](int fd, void* buf, std::size_t n) -> bool {
    pollfd p{fd, POLLIN, 0};
    const int left_ms = static_cast<int>(std::max(0.0, deadline - Seconds()) * 1000);
    return poll(&p, 1, left_ms) == 1 && read(fd, buf, n) == static_cast<ssize_t>(n);
  };
  int started = 0;
  for (char c; started < static_cast<int>(pids.size()) && read_by_deadline(ready[0], &c, 1);)
    ++started;
  const double start = Seconds();
  close(go[1]);  // go
  std::vector<long long> counts;
  long long keys = 0;
  while (counts.size() < pids.size() && read_by_deadline(results[0], &keys, sizeof keys))
    counts.push_back(keys);
  const double elapsed = Seconds() - start;
  if (counts.size() != pids.size())
    for (pid_t pid : pids) kill(pid, SIGKILL);
  for (pid_t pid : pids) waitpid(pid, nullptr, 0);
  close(ready[0]);
  close(results[0]);
  if (counts.size() != static_cast<std::size_t>(workers))
    throw std::runtime_error("a worker failed");
  MultiRate r;
  for (long long n : counts) r.total += static_cast<double>(n);
  r.total /= elapsed;
  r.slowest = static_cast<double>(*std::min_element(counts.begin(), counts.end())) / elapsed;
  r.fastest = static_cast<double>(*std::max_element(counts.begin(), counts.end())) / elapsed;
  return r;
}

struct MultiSeries {
  Series total, slowest, fastest, fairness;  // fairness: slowest / fastest
  void Add(const MultiRate& r) {
    total.Add(r.total);
    slowest.Add(r.slowest);
    fastest.Add(r.fastest);
    fairness.Add(r.fastest > 0 ? r.slowest / r.fastest : 0);
  }
};

// ---- per-key counts --------------------------------------------------------------

// Where the per-key counters come from; each returns a running total, or -1
// when it cannot count here.
struct Counters {
  std::function<long long()> statements, round_trips, commits, fsyncs;
};

struct PerKey {
  double statements = -1, round_trips = -1, commits = -1, fsyncs = -1;
};

PerKey CountPerKey(const Factory& make, int keys, const Counters& c) {
  std::unique_ptr<KeySource> source = make();
  source->Key();  // connected, row found, statements prepared: what every later key finds
  auto now = [](const std::function<long long()>& f) { return f ? f() : -1; };
  const long long s0 = now(c.statements), r0 = now(c.round_trips), c0 = now(c.commits),
                  f0 = now(c.fsyncs);
  for (int i = 0; i < keys; ++i) source->Key();
  auto per = [&](long long before, const std::function<long long()>& f) {
    if (before < 0) return -1.0;
    return static_cast<double>(f() - before) / keys;
  };
  PerKey p;
  p.statements = per(s0, c.statements);
  p.round_trips = per(r0, c.round_trips);
  p.commits = per(c0, c.commits);
  p.fsyncs = per(f0, c.fsyncs);
  return p;
}

// Statements the server logged so far: log_statement lines ("statement:" for
// the simple protocol, "execute" for a prepared or extended-protocol one).
long long LoggedStatements(const std::string& file) {
  std::ifstream in(file);
  if (!in) throw std::runtime_error("Cannot read the server log " + file);
  long long n = 0;
  for (std::string line; std::getline(in, line);)
    if (line.find("LOG:  statement: ") != std::string::npos ||
        line.find("LOG:  execute ") != std::string::npos)
      ++n;
  return n;
}

// A connection for reading server counters.
class PgProbe {
 public:
  explicit PgProbe(const std::string& conninfo) : conn_(PQconnectdb(conninfo.c_str())) {
    if (PQstatus(conn_) != CONNECTION_OK) {
      const std::string why = PQerrorMessage(conn_);
      PQfinish(conn_);
      throw std::runtime_error("Cannot reach the server: " + why);
    }
  }
  ~PgProbe() { PQfinish(conn_); }
  std::string Value(const std::string& sql) {
    PGresult* r = PQexec(conn_, sql.c_str());
    const bool ok = PQresultStatus(r) == PGRES_TUPLES_OK && PQntuples(r) == 1;
    const std::string v = ok ? PQgetvalue(r, 0, 0) : "";
    PQclear(r);
    if (!ok) throw std::runtime_error(sql + ": " + PQerrorMessage(conn_));
    return v;
  }
  // The next transaction id the server will hand out: write transactions
  // (the only ones that take an id) started since are the difference.
  long long NextXid() {
    return std::stoll(Value("SELECT pg_snapshot_xmax(pg_current_snapshot())::text"));
  }
  bool Superuser() {
    return Value("SELECT rolsuper::text FROM pg_roles WHERE rolname = current_user") == "true";
  }

 private:
  PGconn* conn_;
};

// ---- one engine ------------------------------------------------------------------

void MakeTable(const std::string& alias, const std::string& name) {
  TComponentPtr<TTable> t(new TTable(nullptr));
  t->SetDatabaseName(alias);
  t->SetTableName(name);
  t->CreateTable(orv::GenTableFields(), orv::GenTableUniqueKey());
}

std::string FileSystemOf(const std::string& dir) {
  struct statfs s {};
  if (statfs(dir.c_str(), &s) != 0) return "unknown file system";
  if (s.f_type == 0x01021994) return "tmpfs, in memory";
  if (s.f_type == 0xEF53) return "ext4";
  return "file system 0x" + [&] {
    std::ostringstream o;
    o << std::hex << static_cast<unsigned long>(s.f_type);
    return o.str();
  }();
}

void PrintPerKeyRow(const std::string& what, const PerKey& g, const PerKey& a, const PerKey& b,
                    double PerKey::*field, const std::string& note) {
  auto cell = [&](const PerKey& p) { return p.*field < 0 ? std::string("–") : Fixed(p.*field, 2); };
  std::cout << "| " << what << " | " << cell(g) << " | " << cell(a) << " | " << cell(b) << " | "
            << note << " |\n";
}

void RunEngine(const std::string& engine, const Options& o) {
  orv::testing::TestDatabase db(engine);
  const bool pg = engine == "postgresql";
  MakeTable(db.Alias(), kGenTable);
  MakeTable(db.Alias(), std::string(kTableA) + ".DB");
  MakeTable(db.Alias(), std::string(kTableB) + ".DB");

  Aliases aliases;
  std::unique_ptr<orv::bench::DelayRelay> slow, counting;  // delaying relay; relay that only counts
  std::string where, why_no_relay, why_no_log;
  if (pg) {
    const std::string hostaddr = ConninfoValue(db.Location(), "hostaddr");
    const std::string host = hostaddr.empty() ? ConninfoValue(db.Location(), "host") : hostaddr;
    const std::string port_text = ConninfoValue(db.Location(), "port");
    const int port = port_text.empty() ? 5432 : std::stoi(port_text);
    PgProbe probe(db.Location());
    where = "PostgreSQL " + probe.Value("SHOW server_version") + " at " + host + ":" +
            std::to_string(port) + " (fsync " + probe.Value("SHOW fsync") + ")";
    if (host.empty() || host[0] == '/') {
      why_no_relay = "the relay needs a TCP host in $ORV_PG_CONNINFO";
    } else {
      const auto delay = std::chrono::microseconds(static_cast<long long>(o.delay_ms * 1000));
      slow = std::make_unique<orv::bench::DelayRelay>(host, port, delay);
      counting = std::make_unique<orv::bench::DelayRelay>(host, port, std::chrono::microseconds(0));
      aliases.Add(db.Alias() + "_slow", ConninfoVia(db.Location(), slow->Port(), ""));
    }
    if (o.pg_log.empty())
      why_no_log = "no --pg-log";
    else if (!probe.Superuser())
      why_no_log = "the role is not a superuser, so it cannot log its statements";
    aliases.Add(db.Alias() + "_count",
                ConninfoVia(db.Location(), counting ? counting->Port() : 0,
                            why_no_log.empty() ? "-clog_statement=all" : ""));
  } else {
    where = "SQLite in " + db.Location() + " (" + FileSystemOf(db.Location()) + ")";
  }

  auto generator = [](const std::string& alias) -> Factory {
    return [alias] { return std::make_unique<GeneratorSource>(alias); };
  };
  auto baseline = [&](Design d, const std::string& conninfo) -> Factory {
    const std::string table = d == Design::kOneTransaction ? kTableA : kTableB;
    if (pg) return [=] { return orv::bench::MakePgBaseline(conninfo, table, d); };
    const std::string file = db.Location() + "/" + table + ".DB";
    return [=] { return orv::bench::MakeSqliteBaseline(file, table, d); };
  };
  const std::string direct = pg ? db.Location() : "";
  const Factory gen = generator(db.Alias()), base_a = baseline(Design::kOneTransaction, direct),
                base_b = baseline(Design::kThreeCommits, direct);

  std::cerr << "Measuring " << where << " ...\n";
  const std::string load_before = LoadAverage();
  const double began = Seconds();
  auto g1 = gen(), a1 = base_a(), b1 = base_b();
  g1->Key();  // the row exists before anything is measured
  std::unique_ptr<KeySource> g_slow, a_slow;
  if (slow) {
    g_slow = generator(db.Alias() + "_slow")();
    a_slow = baseline(Design::kOneTransaction, ConninfoVia(db.Location(), slow->Port(), ""))();
  }
  Series gen1, a1s, b1s, gen_slow, a_slow_s;
  MultiSeries gen_n, a_n;
  for (int round = 0; round < o.rounds; ++round) {
    gen1.Add(OneProgramRate(*g1, o.seconds));
    a1s.Add(OneProgramRate(*a1, o.seconds));
    b1s.Add(OneProgramRate(*b1, o.seconds));
    gen_n.Add(SeveralProgramsRate(gen, o.workers, o.seconds));
    a_n.Add(SeveralProgramsRate(base_a, o.workers, o.seconds));
    if (slow) {
      gen_slow.Add(OneProgramRate(*g_slow, o.relay_seconds));
      a_slow_s.Add(OneProgramRate(*a_slow, o.relay_seconds));
    }
  }

  // Per key, one program on an uncontended row.
  Counters counters;
  std::unique_ptr<PgProbe> probe;
  if (pg) {
    probe = std::make_unique<PgProbe>(db.Location());
    if (why_no_log.empty()) counters.statements = [&] { return LoggedStatements(o.pg_log); };
    if (counting)
      counters.round_trips = [&] { return static_cast<long long>(counting->ClientTurns()); };
    counters.commits = [&] { return probe->NextXid(); };
  } else {
    counters.fsyncs = [] { return static_cast<long long>(orv::bench::SyncCount()); };
  }
  const std::string count_ci = pg ? ConninfoVia(db.Location(), counting ? counting->Port() : 0,
                                                why_no_log.empty() ? "-clog_statement=all" : "")
                                  : "";
  const PerKey pk_gen =
      CountPerKey(pg ? generator(db.Alias() + "_count") : gen, o.count_keys, counters);
  const PerKey pk_a =
      CountPerKey(baseline(Design::kOneTransaction, count_ci), o.count_keys, counters);
  const PerKey pk_b =
      CountPerKey(baseline(Design::kThreeCommits, count_ci), o.count_keys, counters);
  const std::string load_after = LoadAverage();

  std::cout << "\n### " << where << "\n\n"
            << o.rounds << " rounds of " << Fixed(o.seconds, 1) << " s in turns ("
            << Fixed(Seconds() - began, 0) << " s in all); load average " << load_before
            << " before, " << load_after
            << " after. Keys per second: mean (range over the rounds); ratios round by round.\n\n";
  std::cout << "| Figure | generator | baseline (a) | baseline (b) | generator vs (a) | target |\n"
            << "|---|---|---|---|---|---|\n";
  std::cout << "| 1 program, keys/s | " << gen1.Text() << " | " << a1s.Text() << " | " << b1s.Text()
            << " | " << Ratio(gen1, a1s) << " | ≥ 1.0× |\n";
  std::cout << "| " << o.workers << " programs on one row, keys/s | " << gen_n.total.Text() << " | "
            << a_n.total.Text() << " | | " << Ratio(gen_n.total, a_n.total)
            << " (of 1 program: " << Ratio(gen_n.total, gen1) << ") | of 1 program ≥ 0.5× |\n";
  std::cout << "| " << o.workers << " programs: slowest / fastest worker | " << gen_n.slowest.Text()
            << " / " << gen_n.fastest.Text() << "; ratio " << gen_n.fairness.Text(2) << " | "
            << a_n.slowest.Text() << " / " << a_n.fastest.Text() << "; ratio "
            << a_n.fairness.Text(2) << " | | | slowest ≥ 0.33 of fastest |\n";
  if (pg) {
    if (slow)
      std::cout << "| 1 program, " << Fixed(2 * o.delay_ms, 1)
                << " ms round trip (relay), keys/s | " << gen_slow.Text() << " | "
                << a_slow_s.Text() << " | | " << Ratio(gen_slow, a_slow_s) << " | ≥ 1.5× |\n";
    else
      std::cout << "| 1 program through the relay | not measured: " << why_no_relay
                << " | | | | |\n";
  }
  std::cout << "\nPer key, one program, uncontended row, " << o.count_keys << " keys after one:\n\n"
            << "| Per key | generator | baseline (a) | baseline (b) | counted as "
               "|\n|---|---|---|---|---|\n";
  if (pg) {
    PrintPerKeyRow("statements", pk_gen, pk_a, pk_b, &PerKey::statements,
                   why_no_log.empty()
                       ? "lines of the server log (log_statement = all for these sessions)"
                       : "not counted: " + why_no_log);
    PrintPerKeyRow("round trips", pk_gen, pk_a, pk_b, &PerKey::round_trips,
                   counting ? "client turns seen by the relay" : "not counted: " + why_no_relay);
    PrintPerKeyRow("write transactions", pk_gen, pk_a, pk_b, &PerKey::commits,
                   "transaction ids handed out (pg_current_snapshot's xmax)");
  } else {
    PrintPerKeyRow("fsyncs", pk_gen, pk_a, pk_b, &PerKey::fsyncs,
                   "xSync calls through a counting VFS");
  }
  std::cout.flush();
}

// ---- arguments -------------------------------------------------------------------

double Number(const std::string& option, const char* text, double min) {
  char* end = nullptr;
  const double v = text ? std::strtod(text, &end) : 0;
  if (!text || *end || end == text || !(v >= min))
    throw std::invalid_argument(option + " needs a number of at least " + Fixed(min, 0) +
                                (text ? std::string(", not '") + text + "'" : ""));
  return v;
}

Options Parse(int argc, char** argv) {
  Options o;
  if (std::getenv("ORV_PG_CONNINFO") && *std::getenv("ORV_PG_CONNINFO"))
    o.engines = {"sqlite", "postgresql"};
  else
    o.engines = {"sqlite"};
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    const char* next = i + 1 < argc ? argv[i + 1] : nullptr;
    if (a == "--help" || a == "-h") {
      std::cout << kHelp;
      std::exit(0);
    } else if (a == "--engines" && next) {
      o.engines.clear();
      std::stringstream list(next);
      for (std::string e; std::getline(list, e, ',');) {
        if (e != "sqlite" && e != "postgresql")
          throw std::invalid_argument("Unknown engine '" + e + "' (sqlite or postgresql)");
        if (e == "postgresql" && !orv::testing::EngineUnavailable(e).empty())
          throw std::invalid_argument(orv::testing::EngineUnavailable(e));
        o.engines.push_back(e);
      }
      ++i;
    } else if (a == "--seconds") {
      o.seconds = Number(a, next, 0.1), ++i;
    } else if (a == "--rounds") {
      o.rounds = static_cast<int>(Number(a, next, 1)), ++i;
    } else if (a == "--workers") {
      o.workers = static_cast<int>(Number(a, next, 2)), ++i;
    } else if (a == "--delay-ms") {
      o.delay_ms = Number(a, next, 0), ++i;
    } else if (a == "--relay-seconds") {
      o.relay_seconds = Number(a, next, 0.1), ++i;
    } else if (a == "--count-keys") {
      o.count_keys = static_cast<int>(Number(a, next, 1)), ++i;
    } else if (a == "--pg-log" && next) {
      o.pg_log = next, ++i;
    } else {
      throw std::invalid_argument("Unknown option or missing value: " + a + " (see --help)");
    }
  }
  return o;
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  try {
    o = Parse(argc, argv);
  } catch (const std::exception& e) {
    std::cerr << "generator_bench: " << e.what() << "\n";
    return 2;
  }
  try {
    orv::bench::InstallSyncCountingVfs();  // before any database is opened
    std::cout << "## Generator keys per second\n";
    for (const std::string& engine : o.engines) RunEngine(engine, o);
  } catch (const std::exception& e) {
    std::cerr << "generator_bench: " << e.what() << "\n";
    return 1;
  }
  return 0;
}
