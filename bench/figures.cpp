#include "bench/figures.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>

#include <orv/host/db/session.h>
#include <orv/host/db/testing/engines.h>

namespace orv::bench {

using orv::testing::ConninfoValues;
using orv::testing::QuoteConninfoValue;

double Seconds() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

std::string LoadAverage() {
  std::ifstream in("/proc/loadavg");
  std::string a, b, c;
  in >> a >> b >> c;
  return a + " " + b + " " + c;
}

std::string Fixed(double v, int decimals) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
  return buf;
}

double Series::Mean() const {
  double s = 0;
  for (double x : v) s += x;
  return v.empty() ? 0 : s / static_cast<double>(v.size());
}

std::string Series::Text(int decimals) const {
  if (v.empty()) return "–";
  const auto [lo, hi] = std::minmax_element(v.begin(), v.end());
  const int d = decimals >= 0 ? decimals : Mean() < 100 ? 1 : 0;
  if (v.size() == 1) return Fixed(Mean(), d);
  return Fixed(Mean(), d) + " (" + Fixed(*lo, d) + "–" + Fixed(*hi, d) + ")";
}

std::string Ratio(const Series& num, const Series& den) {
  std::vector<double> r;
  for (std::size_t i = 0; i < num.v.size() && i < den.v.size(); ++i)
    if (den.v[i] > 0) r.push_back(num.v[i] / den.v[i]);
  if (r.empty()) return "–";
  const auto [lo, hi] = std::minmax_element(r.begin(), r.end());
  double mean = 0;
  for (double x : r) mean += x / static_cast<double>(r.size());
  if (r.size() == 1) return Fixed(mean, 2) + "×";
  return Fixed(mean, 2) + "× (" + Fixed(*lo, 2) + "–" + Fixed(*hi, 2) + ")";
}

std::string ConninfoValue(const std::string& conninfo, const std::string& key) {
  for (const auto& [k, v] : ConninfoValues(conninfo))
    if (k == key) return v;
  return "";
}

std::string ConninfoVia(const std::string& conninfo, int port, const std::string& extra_options) {
  std::string out;
  for (const auto& [k, v] : ConninfoValues(conninfo)) {
    if (k == "options" || (port && (k == "host" || k == "hostaddr" || k == "port"))) continue;
    out += k + "=" + QuoteConninfoValue(v) + " ";
  }
  if (port) out += "host=127.0.0.1 port=" + std::to_string(port) + " ";
  std::string options = ConninfoValue(conninfo, "options");
  if (!extra_options.empty()) options += (options.empty() ? "" : " ") + extra_options;
  if (!options.empty()) out += "options=" + QuoteConninfoValue(options);
  return out;
}

void Aliases::Add(const std::string& name, const std::string& conninfo) {
  Session()->AddAlias(name, "postgresql", {{"conninfo", conninfo}});
  names_.push_back(name);
}

Aliases::~Aliases() {
  for (const auto& n : names_) Session()->DeleteAlias(n);
}

}  // namespace orv::bench
