#pragma once
// The benchmark table shared by the table-layer benchmarks: 1,000,000
// records of 100 bytes, generated once and cached in /tmp/ktable-bench/ (a
// fresh one is written when the cached file is missing or does not match).
#include <sys/resource.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/db/dbf/table.h"
#include "platform/runtime/error.h"

namespace benchtable {

using kt::Usual;
using kt::dbf::Table;

constexpr std::uint32_t kRecords = 1000000;
inline const char* const kDir = "/tmp/ktable-bench";
inline const std::string kTable = std::string(kDir) + "/dbf_1m.dbf";

inline const kt::dbf::Structure& BenchStructure() {
  static const kt::dbf::Structure s{{"ID", 'N', 10},      {"NAME", 'C', 20}, {"STREET", 'C', 48},
                                    {"BALANCE", 'N', 12, 2}, {"BORN", 'D', 8},  {"ACTIVE", 'L', 1}};
  return s;
}

inline bool CachedTableIsUsable() {
  try {
    kt::dbf::OpenOptions o;
    o.readOnly = true;
    auto t = Table::Open(kTable, o);
    return t->RecCount() == kRecords && t->GetStructure().size() == BenchStructure().size() && t->RecordLength() == 100;
  } catch (const kt::RuntimeError&) {
    return false;
  }
}

// Writes the table under a temporary name and renames it, so an interrupted
// run never leaves a half-written table in the cache.
inline void GenerateTable() {
  std::filesystem::create_directories(kDir);
  const std::string tmp = kTable + ".tmp";
  {
    auto t = Table::Create(tmp, BenchStructure());
    for (std::uint32_t i = 1; i <= kRecords; ++i) {
      t->Append();
      t->Put(0, Usual(std::int64_t(i)));
      char name[32];
      std::snprintf(name, sizeof name, "Name %07u Müller", i);
      t->Put(1, Usual(name));
      t->Put(2, Usual("Hauptstraße " + std::to_string(i % 500)));
      t->Put(3, Usual(double(i % 100000) / 7.0));
      t->Put(4, Usual(kt::Date::FromYMD(1950 + int(i % 60), 1 + int(i % 12), 1 + int(i % 28))));
      t->Put(5, Usual(i % 3 == 0));
    }
    t->Close();
  }
  std::filesystem::rename(tmp, kTable);
}

inline void EnsureTable() {
  static bool ready = false;
  if (ready) return;
  if (!CachedTableIsUsable()) GenerateTable();
  ready = true;
}

inline double PeakRssMb() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return double(u.ru_maxrss) / 1024.0;
}


}  // namespace benchtable
