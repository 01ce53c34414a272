// What the benchmark programs share: a clock, figures taken over several
// rounds (mean and range, ratios round by round), and the PostgreSQL
// connection strings and aliases through which they reach a server or a
// relay in front of it.
//
// Threading: the benchmark's main thread. Not for production code.
#pragma once

#include <string>
#include <vector>

namespace orv::bench {

// Seconds on the steady clock.
double Seconds();
// /proc/loadavg's first three figures.
std::string LoadAverage();
// v with that many decimals.
std::string Fixed(double v, int decimals);

// The values of one figure over the rounds.
struct Series {
  std::vector<double> v;
  void Add(double x) { v.push_back(x); }
  double Mean() const;
  // "mean (lowest–highest)"; decimals < 0: one below 100, none above.
  std::string Text(int decimals = -1) const;
};

// The ratio of two figures round by round (each pair was taken side by side,
// so the disk's drift between rounds cancels out): "mean× (range)".
std::string Ratio(const Series& num, const Series& den);

// The value conninfo gives key, or "".
std::string ConninfoValue(const std::string& conninfo, const std::string& key);
// conninfo aimed at the relay on `port` (when not 0) and with extra server
// options (such as "-clog_statement=all") after its own.
std::string ConninfoVia(const std::string& conninfo, int port, const std::string& extra_options);

// PostgreSQL aliases of the session, deleted again when it goes.
class Aliases {
 public:
  Aliases() = default;
  Aliases(const Aliases&) = delete;
  Aliases& operator=(const Aliases&) = delete;
  ~Aliases();
  void Add(const std::string& name, const std::string& conninfo);

 private:
  std::vector<std::string> names_;
};

}  // namespace orv::bench
