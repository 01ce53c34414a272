#include <orv/keygen/gentable.h>

#include <orv/host/db/field.h>
#include <orv/host/rtl/sysutils.h>

namespace orv {

std::vector<TFieldDef> GenTableFields() {
  return {{kFieldGenID, ftFloat, 0},
          {kFieldPrefix, ftString, kPrefixCapacity},
          {kFieldSuffix, ftString, kPrefixCapacity},
          {kFieldTime, ftString, kStampCapacity},
          {kFieldTry, ftFloat, 0},
          {kFieldState, ftFloat, 0},
          {kFieldWho, ftString, kStampCapacity}};
}

std::vector<std::string> GenTableUniqueKey() { return {kFieldGenID, kFieldPrefix}; }

std::vector<std::string> GenTableFormatProblems(const TDataSet& table) {
  std::vector<std::string> problems;
  for (const TFieldDef& def : GenTableFields()) {
    const TField* field = table.FindField(def.Name);
    const std::string name = "field '" + def.Name + "'";
    if (!field) {
      problems.push_back(name + " is missing");
    } else if (field->DataType() != def.DataType) {
      problems.push_back(
          name + (def.DataType == ftFloat ? " is not a floating-point number" : " is not a text"));
    } else if (def.DataType == ftString && field->DataSize() != def.Size + 1) {
      // DataSize counts the terminating byte: capacity plus one.
      problems.push_back(name + " holds " + IntToStr(field->DataSize() - 1) + " characters, not " +
                         IntToStr(def.Size));
    }
  }
  return problems;
}

}  // namespace orv
