// Takes keys from a TGenerator over a generator table in a SQLite folder,
// through the installed generator library (orv::keygen).
#include <cstdio>
#include <exception>

#include <orv/host/classes/component.h>
#include <orv/host/db/table.h>
#include <orv/keygen/generator.h>
#include <orv/keygen/gentable.h>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: generator_consumer FOLDER\n");
    return 2;
  }
  try {
    orv::TComponentPtr<orv::TTable> table(new orv::TTable(nullptr));
    table->SetDatabaseName(argv[1]);
    table->SetTableName("GENTBL.DB");
    table->CreateTable(orv::GenTableFields(), orv::GenTableUniqueKey());

    orv::TComponentPtr<orv::TGenerator> gen(new orv::TGenerator(nullptr));
    gen->SetDataBaseName(argv[1]);
    gen->SetMask("ORD-###");
    gen->SetStartValue("100");
    gen->InitDB();
    for (int i = 0; i < 2; ++i) std::printf("%s\n", gen->Generator().str().c_str());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "generator_consumer: %s\n", e.what());
    return 1;
  }
  return 0;
}
