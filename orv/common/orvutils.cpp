// The window-free utilities (also in orv::commonutils, which has no Qt).
#include <orv/common/orvutils.h>

#include <orv/host/classes/component.h>
#include <orv/host/classes/lists.h>

namespace orv {

namespace {

// The fixed upper-case table: Latin a-z and Cyrillic а-я (1251).
char CharToUpper(char c) {
  const auto b = static_cast<unsigned char>(c);
  if ((b >= 0x61 && b <= 0x7A) || b >= 0xE0) return static_cast<char>(b - 0x20);
  return c;
}

void UploadComponents(TComponent* component, TList* list, TConditionFunction fun) {
  if (!component) return;
  if (!fun || fun(component)) list->Add(component);
  const int count = component->ComponentCount();
  for (int i = 0; i < count; ++i) UploadComponents(component->Components(i), list, fun);
}

}  // namespace

char* StrUpperCyr(char* Str) {
  if (!Str) return Str;
  for (char* p = Str; *p; ++p) *p = CharToUpper(*p);
  return Str;
}

int PosCyr(const std::string& SubStr, const std::string& Str) {
  if (Str.empty() || SubStr.empty()) return 0;
  const size_t m = SubStr.size();
  for (size_t i = 0; i < Str.size(); ++i) {
    if (Str[i] != SubStr[0]) continue;
    if (i + m > Str.size()) continue;  // would run past the end
    if (Str.compare(i + 1, m - 1, SubStr, 1, m - 1) == 0) return static_cast<int>(i) + 1;
  }
  return 0;
}

void CommaTextToString(std::string s1, std::string& s) {
  std::string out;
  out.reserve(s1.size());
  bool quoted = false;
  for (size_t i = 0; i < s1.size(); ++i) {
    const char c = s1[i];
    if (c != '"') {
      if (c == '\0') break;  // the line ends at a NUL
      out += c;
    } else if (!quoted) {
      quoted = true;
    } else if (i + 1 < s1.size() && s1[i + 1] == ',') {
      out += ' ';
      ++i;
      quoted = false;
    } else if (i + 1 < s1.size() && s1[i + 1] == '"') {
      out += '"';
      ++i;
    }
    // else: a closing quote before anything else is dropped; still quoted.
  }
  s = std::move(out);
}

std::string StringListToString(TStrings* S1) {
  std::string result;
  if (!S1) return result;
  for (int i = 0; i < S1->Count(); ++i) {
    result += S1->Strings(i);
    result += ' ';
  }
  return result;
}

void LoadAllComponentsInAList(TComponent* Parent, TList* List, TConditionFunction pFun) {
  if (!List || !Parent) return;
  List->Clear();
  UploadComponents(Parent, List, pFun);
}

}  // namespace orv
