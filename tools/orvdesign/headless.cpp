#include "tools/orvdesign/headless.h"

#include <orv/host/classes/typinfo.h>
#include <orv/host/rtl/cp1251.h>
#include "tools/orvdesign/formdocument.h"

namespace orv::design {

namespace {

std::string Utf8(const std::string& text_1251) { return Cp1251ToUtf8(text_1251); }

void Fail(std::ostream& err, const std::string& text_1251) {
  err << "orvdesign: " << Utf8(text_1251) << "\n";
}

// Loads form into doc; false, with the reason on err, when it cannot be read.
bool Load(TFormDocument& doc, const std::string& form, std::ostream& err) {
  try {
    doc.LoadFromFile(form);
    return true;
  } catch (const std::exception& e) {
    Fail(err, form + ": " + e.what());
    return false;
  }
}

}  // namespace

int CheckForms(const std::vector<std::string>& forms, std::ostream& out, std::ostream& err) {
  int code = 0;
  for (const std::string& form : forms) {
    TFormDocument doc;
    if (!Load(doc, form, err)) {
      code = 1;
      continue;
    }
    if (!doc.LoadMessages().empty()) {
      for (const std::string& m : doc.LoadMessages()) Fail(err, form + ": " + m);
      code = 1;
      continue;
    }
    out << form << ": ok\n";
  }
  return code;
}

int InfoForm(const std::string& form, std::ostream& out, std::ostream& err, bool values) {
  TFormDocument doc;
  if (!Load(doc, form, err)) return 1;
  int code = 0;
  for (TComponent* c : doc.Components()) {
    const std::string name = c->Name();
    out << Utf8(name) << ": " << c->ClassName() << "\n";
    try {
      const auto verbs = doc.Verbs(name);
      std::string line;
      for (const std::string& v : verbs) line += (line.empty() ? "" : " | ") + v;
      if (!verbs.empty()) out << "  verbs: " << Utf8(line) << "\n";
      if (!values) continue;
      doc.Select({name});
      for (const TInspectedProperty& p : doc.InspectedProperties()) {
        const TPropInfo* info = FindPropertyOrDesignProperty(*doc.Get(name), p.name);
        const bool event = info && info->kind == TTypeKind::Event;
        if (p.name == "Name" || (event && p.value.empty())) continue;
        out << "  " << p.name << " = " << Utf8(p.value) << "\n";
      }
    } catch (const std::exception& e) {
      Fail(err, form + ": " + e.what());
      code = 1;
    }
  }
  return code;
}

int SetValues(const std::string& form, const std::vector<std::string>& assignments,
              std::ostream& out, std::ostream& err) {
  (void)out;
  // Every argument is checked before the form is touched.
  struct Assignment {
    std::string component, property, value, text;
  };
  std::vector<Assignment> todo;
  for (const std::string& a : assignments) {
    const auto eq = a.find('=');
    const auto dot = a.find('.');
    if (eq == std::string::npos || dot == std::string::npos || dot > eq || dot == 0 ||
        dot + 1 == eq) {
      err << "orvdesign: expected NAME.PROPERTY=VALUE, found '" << a << "'\n";
      return 2;
    }
    const auto value = Utf8ToCp1251(a.substr(eq + 1));
    if (!value) {
      err << "orvdesign: '" << a << "' holds characters that code page 1251 cannot hold\n";
      return 2;
    }
    todo.push_back({a.substr(0, dot), a.substr(dot + 1, eq - dot - 1), *value, a});
  }
  TFormDocument doc;
  if (!Load(doc, form, err)) return 1;
  for (const Assignment& a : todo) {
    try {
      TComponent* c = doc.Get(a.component);
      doc.Select({c->Name()});  // the form itself: nothing selected, the root inspected
      if (c == doc.Root()) doc.Select({});
      doc.SetPropertyValue(a.property, a.value);
    } catch (const std::exception& e) {
      Fail(err,
           form + ": " + a.component + "." + a.property + ": " + e.what() + " (nothing written)");
      return 1;
    }
  }
  // Each value was taken alone; read again as a whole, as --check reads it, the
  // form may still refuse one (a start value that the new mask no longer fits).
  // Read in place, so the new reading reuses the old one's memory.
  const bool changed = doc.IsModified();
  try {
    if (changed) doc.LoadFromString(doc.Text(), form);
  } catch (const std::exception& e) {
    Fail(err, form + ": " + e.what() + " (nothing written)");
    return 1;
  }
  for (const std::string& m : doc.LoadMessages()) Fail(err, form + ": " + m + " (nothing written)");
  if (!doc.LoadMessages().empty()) return 1;
  if (!changed) return 0;  // the file stays as it is, byte for byte
  try {
    doc.SaveToFile();
  } catch (const std::exception& e) {
    Fail(err, e.what());
    return 1;
  }
  return 0;
}

}  // namespace orv::design
