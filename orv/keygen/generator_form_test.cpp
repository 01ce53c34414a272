// A generator as a form file creates it: properties through the setters in
// stream order, the two defined entries, Loaded opening the table outside the
// designer; and written back with the entries always present.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include <orv/host/classes/datamodule.h>
#include <orv/host/classes/formfile.h>
#include <orv/host/classes/typinfo.h>
#include <orv/host/db/table.h>
#include <orv/host/db/testing/engines.h>
#include <orv/host/db/testing/tables.h>
#include <orv/host/rtl/dialogs.h>
#include <orv/keygen/generator.h>
#include <orv/keygen/genregister.h>
#include <orv/keygen/gentable.h>

namespace orv {
namespace {

// The fixed message, then the cause.
constexpr char kOpenFailed[] =
    "Error while opening generator table GENTBL.DB!\r\nCheck tGenAlias!\r\n"
    "Unknown database \"noSuchAliasOrDir\": no alias of that name and no such directory\n";

class GeneratorFormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterClasses<TDataModule>();
    gensrc::Register();
    TComponentPtr<TTable> t = orv::testing::TableOf(db_.Alias(), "GENTBL.DB");
    t->CreateTable(GenTableFields(), GenTableUniqueKey());
  }

  // A data module holding one generator with these property lines.
  std::string Form(const std::string& lines) const {
    return "object Keys: TDataModule\n  object Gen1: TGenerator\n" + lines + "  end\nend\n";
  }

  TGenerator* Gen(TComponent& root) {
    return dynamic_cast<TGenerator*>(root.FindComponent("Gen1"));
  }

  orv::testing::TestDatabase db_{"sqlite"};
  TRecordingUserInterface ui_;
  ScopedUserInterface ui_scope_{&ui_};
};

// Legend: the property lines of a streamed generator -> its limits, whether
// it works, the messages loading shows, and its first key.
struct FormCase {
  const char* name;
  std::string lines;
  std::string start, end;
  bool disabled;
  std::string transcript;
  std::string key;
};

TEST_F(GeneratorFormTest, LoadingSetsThePropertiesInStreamOrderAndOpensTheTable) {
  const std::string db = "    DataBaseName = '" + db_.Alias() + "'\n    TableName = 'GENTBL.DB'\n";
  const FormCase cases[] = {
      {"accepted limits",
       "    Mask = 'INV-####'\n    StartValue = '0001'\n    EndValue = '0999'\n" + db, "0001",
       "0999", false, "", "INV-0001"},
      {"reversed limits",
       "    Mask = 'INV-####'\n    StartValue = '0999'\n    EndValue = '0001'\n" + db, "0999", "",
       true, "Generator Information: EndValue must be greater than StartValue\n", ""},
      {"missing alias",
       "    Mask = 'INV-####'\n    DataBaseName = 'noSuchAliasOrDir'\n    TableName = "
       "'GENTBL.DB'\n",
       "", "", true, kOpenFailed, ""},
      {"type and defaults", "    Mask = 'T-##'\n    GeneratorType = 3\n" + db, "", "", false, "",
       "T-00"},
  };
  for (const auto& c : cases) {
    ui_.calls.clear();
    TComponentPtr<TComponent> root(LoadFormFromString(Form(c.lines)));
    TGenerator* g = Gen(*root);
    ASSERT_NE(g, nullptr) << c.name;
    EXPECT_EQ(g->StartValue().str(), c.start) << c.name;
    EXPECT_EQ(g->EndValue().str(), c.end) << c.name;
    EXPECT_EQ(g->Disabled(), c.disabled) << c.name;
    EXPECT_EQ(ui_.Transcript(), c.transcript) << c.name;
    EXPECT_EQ(g->Generator().str(), c.key) << c.name;
    EXPECT_EQ(g->Generator().Empty(), c.key.empty()) << c.name;
    EXPECT_EQ(ui_.Transcript(), c.transcript) << c.name;  // shown once only
  }
}

TEST_F(GeneratorFormTest, WritingKeepsTheEntriesAndReadsBackEqual) {
  TComponentPtr<TComponent> root(
      LoadFormFromString(Form("    Mask = 'A-@##'\n    StartValue = '01'\n"
                              "    DataBaseName = '" +
                              db_.Alias() + "'\n")));
  const std::string text = SaveFormToString(root.get());
  // The defined entries are written even at their defaults; GeneratorType 0
  // and the empty EndValue are not.
  EXPECT_NE(text.find("DataBaseName = '" + db_.Alias() + "'"), std::string::npos) << text;
  EXPECT_NE(text.find("TableName = 'GENTBL.DB'"), std::string::npos) << text;
  EXPECT_EQ(text.find("GeneratorType"), std::string::npos) << text;
  EXPECT_EQ(text.find("EndValue"), std::string::npos) << text;
  TComponentPtr<TComponent> again(LoadFormFromString(text));
  TGenerator* a = Gen(*root);
  TGenerator* b = Gen(*again);
  EXPECT_EQ(b->Mask(), a->Mask());
  EXPECT_EQ(b->StartValue(), a->StartValue());
  EXPECT_EQ(b->DataBaseName(), a->DataBaseName());
  EXPECT_EQ(b->TableName(), "GENTBL.DB");
  EXPECT_EQ(SaveFormToString(again.get()), text);
}

TEST_F(GeneratorFormTest, TheDesignerNeverOpensTheTable) {
  TComponentPtr<TGenerator> g(new TGenerator(nullptr));
  g->SetMask("D#");
  g->SetDataBaseName("noSuchAliasOrDir");
  g->SetState(csDesigning, true);
  g->Loaded();
  EXPECT_FALSE(g->Table()->Active());
  EXPECT_FALSE(g->Disabled());
  EXPECT_EQ(ui_.Transcript(), "");
  g->SetState(csDesigning, false);
  g->Loaded();
  EXPECT_TRUE(g->Disabled());
  EXPECT_EQ(ui_.Transcript(), kOpenFailed);
}

}  // namespace
}  // namespace orv
