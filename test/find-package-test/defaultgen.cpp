// Draws keys from the default generator table, the one orvgen uses: no alias
// file needed; the table is made when missing.
#include <cstdio>
#include <exception>

#include <orv/host/classes/component.h>
#include <orv/host/db/dberrors.h>
#include <orv/host/db/table.h>
#include <orv/keygen/generator.h>
#include <orv/keygen/gentable.h>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: defaultgen MASK\n");
    return 2;
  }
  try {
    // GENTBL.DB in tGenAlias: ~/.local/share/orv/tGenAlias unless an alias file says otherwise.
    orv::TComponentPtr<orv::TTable> table(new orv::TTable(nullptr));
    table->SetDatabaseName(orv::kDefaultGenDatabase);
    table->SetTableName(orv::kDefaultGenTable);
    if (!table->Exists()) {
      try {
        table->CreateTable(orv::GenTableFields(), orv::GenTableUniqueKey());
      } catch (const orv::EDatabaseError&) {
        if (!table->Exists()) throw;  // else another program made it meanwhile
      }
    }
    orv::TComponentPtr<orv::TGenerator> gen(new orv::TGenerator(nullptr));
    gen->SetMask(argv[1]);  // DataBaseName and TableName are the defaults
    gen->InitDB();          // on failure: a message (stderr here), and Disabled()
    if (gen->Disabled()) return 1;
    std::printf("%s\n", gen->Generator().str().c_str());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "defaultgen: %s\n", e.what());
    return 1;
  }
  return 0;
}
