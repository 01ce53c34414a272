#include <orv/keygen/genpeek.h>

#include <orv/host/classes/component.h>
#include <orv/host/db/field.h>
#include <orv/host/db/table.h>
#include <orv/host/rtl/sysutils.h>
#include <orv/keygen/genmask.h>
#include <orv/keygen/gentable.h>

namespace orv {

TKeyPeek PeekKeys(TGenerator& g, int count) {
  if (g.Disabled() || g.Mask().empty()) throw Exception("the generator is disabled");
  // A copy of the engine with the generator's limits as the engine holds them
  // (the generator's own checks already ran when they were set).
  TGenMask mask;
  mask.SetOnErrorMask(TOnErrorMask::FromCallable([](TObject*, int, const std::string&) {}));
  mask.ScanMask(g.Mask());
  mask.SetStartValue(g.GenMask()->StartValue());
  mask.SetEndValue(g.GenMask()->EndValue());
  if (g.GetUserPrefixes())
    mask.SetOnGetPROC(
        TGenProcEvent::FromCallable([&g](TObject*, TmString& s) { g.GetUserPrefixes()(&g, s); }));

  TKeyPeek out;
  const TmString prefix = mask.GetPrefix();
  if (mask.GetSuffix().Empty()) {  // no counting part: every key is the mask's value
    for (int i = 0; i < count; ++i) out.keys.push_back(mask.GetMskValue().str());
    return out;
  }

  TComponentPtr<TTable> table(new TTable(nullptr));
  const std::string where = g.TableName() + " of " + g.DataBaseName();
  try {
    table->SetDatabaseName(g.DataBaseName());
    table->SetTableName(g.TableName());
    table->SetReadOnly(true);
    table->Open();
  } catch (const std::exception& e) {
    throw Exception("Cannot open generator table " + where + ": " + e.what());
  }
  const auto problems = GenTableFormatProblems(*table);
  if (!problems.empty())
    throw Exception("Generator table " + where + " has a bad format: " + problems.front());

  out.row_found =
      table->Locate(kGenTableKey, {TVariant(g.GeneratorType()), TVariant(prefix.str())});
  if (out.row_found) {
    const TField* stored = table->FieldByName(kFieldSuffix);
    out.stored_suffix = stored->AsString();
    out.row_claimed = table->FieldByName(kFieldState)->AsFloat() != 0;
    // The generator refuses to count on from a suffix its mask cannot hold;
    // so does the preview, with the same explanation.
    if (!mask.Fits(TmString(out.stored_suffix))) {
      const std::string shown =
          stored->IsNull() ? "no suffix (NULL)" : "the suffix '" + out.stored_suffix + "'";
      throw Exception("The generator table's row for prefix '" + prefix.str() + "' holds " + shown +
                      ", which does not fit the mask " + g.Mask());
    }
    mask.SetSuffix(TmString(out.stored_suffix));
  }
  table->Close();
  for (int i = 0; i < count; ++i) {
    // Without a row the first key is the start value itself; after that, and
    // from a stored suffix, each key is one step up.
    if (i == 0 && !out.row_found)
      mask.NullValue();
    else
      mask.Increment();
    out.keys.push_back(mask.GetMskValue().str());
  }
  return out;
}

}  // namespace orv
