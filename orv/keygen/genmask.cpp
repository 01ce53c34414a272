#include <orv/keygen/genmask.h>

#include <algorithm>
#include <initializer_list>

#include <orv/host/rtl/dialogs.h>
#include <orv/host/rtl/exception.h>
#include <orv/host/rtl/sysutils.h>

namespace orv {

namespace {

unsigned char U(char c) { return static_cast<unsigned char>(c); }

// The next code up or down, skipping the byte 0 (see the header).
char NextCode(char c) { return U(c) == 255 ? char(1) : static_cast<char>(U(c) + 1); }
char PrevCode(char c) { return U(c) <= 1 ? static_cast<char>(255) : static_cast<char>(U(c) - 1); }

bool IsUpperEnd(unsigned char u) { return u == 'Z' || u == 'z' || u == 223 || u == 255; }
bool IsLowerEnd(unsigned char u) { return u == 'A' || u == 'a' || u == 192 || u == 224; }

// The first letter of the cycle whose last letter is u, and the reverse.
char CycleStart(unsigned char u) { return static_cast<char>(u - 25 * (u < 128) - 31 * (u >= 128)); }
char CycleEnd(unsigned char u) { return static_cast<char>(u + 25 * (u < 128) + 31 * (u >= 128)); }

}  // namespace

TGenMask::TGenMask() = default;

TGenMask::~TGenMask() = default;

void TGenMask::ClearElements() {
  for (int i = 0; i < count_; ++i) elements_[i] = TMaskElement{};
  count_ = 0;
  first_wheel_ = 0;
}

void TGenMask::ScanMask(std::string_view mask) {
  ClearElements();
  const std::size_t zero = mask.find('\0');
  if (zero != std::string_view::npos) mask = mask.substr(0, zero);
  const std::size_t len = mask.size();
  std::size_t i = 0;
  try {
    for (std::size_t p = 0; p < len; ++i, ++p) {
      if (i >= static_cast<std::size_t>(kMaxElements))
        throw Exception("Mask has more than 101 symbols!");
      TMaskElement& e = elements_[i];
      e.MaskOffset = static_cast<std::int32_t>(p);
      e.Current = 0;
      e.IncKind = INCNONE;
      const char ch = mask[p];
      switch (ch) {
        case '#':
          e.Kind = INC;
          e.IncKind = INCNUM;
          e.Symbols.assign(1, ch);
          break;
        case '$':
          e.Kind = INC;
          e.IncKind = INCCHAR;
          e.Symbols.assign(1, ch);
          break;
        case '&':
          e.Kind = INC;
          e.IncKind = INCBOTH;
          e.Symbols.assign(1, ch);
          break;
        case '@':
          e.Kind = PROC;
          e.Symbols.assign(1, ch);
          break;
        case '[': {
          e.Kind = ENUMS;
          std::size_t j = p + 1;
          for (;; ++j) {
            if (j >= len) throw Exception("Missing ] symbol in Mask!");
            if (mask[j] == ']') break;
            if (mask[j] == '[')
              throw Exception(
                  "Error in mask picture at position:" + IntToStr(static_cast<long long>(j)) + "!");
          }
          if (j == p + 1)
            throw Exception("Empty set in mask picture at position:" +
                            IntToStr(static_cast<long long>(p)) + "!");
          e.Symbols.assign(mask.substr(p + 1, j - p - 1));
          p = j;
          break;
        }
        default:
          e.Kind = STAT;
          e.Symbols.assign(1, ch);
          break;
      }
    }
  } catch (...) {
    // The count was never raised: clear what this scan wrote into the slots.
    for (std::size_t k = 0; k <= i && k < elements_.size(); ++k) elements_[k] = TMaskElement{};
    throw;
  }
  count_ = static_cast<std::int32_t>(i);
  first_wheel_ = count_;
  for (int k = 0; k < count_; ++k)
    if (IsWheel(k)) {
      first_wheel_ = k;
      break;
    }
}

bool TGenMask::IsWheel(int index) const {
  const tType kind = elements_[index].Kind;
  return kind == ENUMS || kind == INC;
}

// --- Reading -----------------------------------------------------------------

TmString TGenMask::GetMskValue() const {
  TmString t;
  for (int i = 0; i < count_; ++i) t += elements_[i].CurrentChar();
  return t;
}

TmString TGenMask::CharsOf(std::initializer_list<tType> kinds) const {
  TmString t;
  for (int i = 0; i < count_; ++i)
    if (std::find(kinds.begin(), kinds.end(), elements_[i].Kind) != kinds.end())
      t += elements_[i].CurrentChar();
  return t;
}

TmString TGenMask::GetPrefix() {
  GetPROC();
  return CharsOf({STAT, PROC});
}

TmString TGenMask::GetSuffix() const { return CharsOf({ENUMS, INC}); }
TmString TGenMask::GetSTAT() const { return CharsOf({STAT}); }
TmString TGenMask::GetENUM() const { return CharsOf({ENUMS}); }
TmString TGenMask::GetINCR() const { return CharsOf({INC}); }

TmString TGenMask::GetPROC() {
  TmString t = CharsOf({PROC});
  if (on_get_proc_) on_get_proc_(this, t);
  std::size_t k = 0;
  for (int i = 0; i < count_ && k < t.Length(); ++i)
    if (elements_[i].Kind == PROC) elements_[i].Symbols[0] = t[k++];
  return t;
}

// --- Setting -----------------------------------------------------------------

void TGenMask::SetSuffix(const TmString& text) {
  std::size_t p = 0;
  for (int i = 0; i < count_ && p < text.Length(); ++i) {
    TMaskElement& e = elements_[i];
    if (e.Kind == ENUMS) {
      const std::size_t at = e.Symbols.find(text[p++]);
      e.Current = at == std::string::npos ? 0 : static_cast<std::int32_t>(at);
    } else if (e.Kind == INC) {
      e.Symbols[0] = text[p++];
    }
  }
}

void TGenMask::SetPrefix(const TmString& text) {
  std::size_t p = 0;
  for (int i = 0; i < count_ && p < text.Length(); ++i) {
    TMaskElement& e = elements_[i];
    if (e.Kind == STAT || e.Kind == PROC) e.Symbols[0] = text[p++];
  }
}

// --- Stepping ----------------------------------------------------------------

void TGenMask::StepUp(TMaskElement& e, bool& carry) {
  if (e.Kind == ENUMS) {
    carry = false;
    if (++e.Current == static_cast<std::int32_t>(e.Symbols.size())) {
      e.Current = 0;
      carry = true;
    }
    return;
  }
  if (e.Kind != INC) return;  // static and user-procedure: the carry passes on
  char& c = e.Symbols[0];
  const unsigned char u = U(c);
  carry = false;
  switch (e.IncKind) {
    case INCNUM:
      if (u == '9') {
        c = '0';
        carry = true;
      } else {
        c = NextCode(c);
      }
      break;
    case INCCHAR:
      if (IsUpperEnd(u)) {
        c = CycleStart(u);
        carry = true;
      } else {
        c = NextCode(c);
      }
      break;
    case INCBOTH:
      if (u == '9') {
        c = 'A';
      } else if (IsUpperEnd(u)) {
        c = '0';
        carry = true;
      } else {
        c = NextCode(c);
      }
      break;
    default:
      break;
  }
}

void TGenMask::StepDown(TMaskElement& e, bool& borrow) {
  if (e.Kind == ENUMS) {
    borrow = false;
    if (--e.Current < 0) {
      e.Current = static_cast<std::int32_t>(e.Symbols.size()) - 1;
      borrow = true;
    }
    return;
  }
  if (e.Kind != INC) return;
  char& c = e.Symbols[0];
  const unsigned char u = U(c);
  borrow = false;
  switch (e.IncKind) {
    case INCNUM:
      if (u == '0') {
        c = '9';
        borrow = true;
      } else {
        c = PrevCode(c);
      }
      break;
    case INCCHAR:
      if (IsLowerEnd(u)) {
        c = CycleEnd(u);
        borrow = true;
      } else {
        c = PrevCode(c);
      }
      break;
    case INCBOTH:
      if (IsLowerEnd(u)) {
        c = '9';
      } else if (u == '0') {
        c = 'Z';
        borrow = true;
      } else {
        c = PrevCode(c);
      }
      break;
    default:
      break;
  }
}

void TGenMask::Increment() {
  bool carry = true;
  for (int k = count_ - 1; k >= 0 && carry;) {
    StepUp(elements_[k], carry);
    --k;
    const bool past_end = !end_value_.Empty() && CompareText(end_value_, GetSuffix()) < 0;
    if (past_end || (carry && k < first_wheel_)) {
      if (on_over_flow_) {
        TmString suffix = GetSuffix();
        on_over_flow_(this, suffix);
      } else {
        NullValue();
      }
      return;
    }
  }
}

void TGenMask::Decrement() {
  bool borrow = true;
  for (int k = count_ - 1; k >= 0 && borrow;) {
    bool bottom = !start_value_.Empty() && CompareText(start_value_, GetSuffix()) == 0;
    if (!bottom) {
      StepDown(elements_[k], borrow);
      --k;
      bottom = borrow && k < first_wheel_;
    }
    if (bottom) {
      if (on_sub_over_) {
        TmString suffix = GetSuffix();
        on_sub_over_(this, suffix);
      } else {
        FullValue();
      }
      return;
    }
  }
}

void TGenMask::NullValue() {
  if (!start_value_.Empty()) {
    SetSuffix(start_value_);
    return;
  }
  for (int i = 0; i < count_; ++i) {
    TMaskElement& e = elements_[i];
    if (e.Kind == ENUMS) {
      e.Current = 0;
    } else if (e.Kind == INC) {
      e.Symbols[0] = e.IncKind == INCCHAR ? 'A' : '0';
    }
  }
}

void TGenMask::FullValue() {
  if (!end_value_.Empty()) {
    SetSuffix(end_value_);
    return;
  }
  for (int i = 0; i < count_; ++i) {
    TMaskElement& e = elements_[i];
    if (e.Kind == ENUMS) {
      e.Current = static_cast<std::int32_t>(e.Symbols.size()) - 1;
    } else if (e.Kind == INC) {
      e.Symbols[0] = e.IncKind == INCNUM ? '9' : 'Z';
    }
  }
}

// --- Validation and limits -----------------------------------------------------

void TGenMask::ReportError(const TmString& text, int position, const std::string& type_s,
                           bool missing) {
  if (on_error_mask_) {
    on_error_mask_(this, position, type_s);
    return;
  }
  std::string message;
  if (type_s == "ENUM" && !missing)
    message = std::string(1, text[static_cast<std::size_t>(position - 1)]) + "is not in the set!";
  else
    message = "Error at position-" + IntToStr(position) + " " + text.str();
  MessageBox(message, "TGenMask", MB_OK | MB_ICONERROR);
}

namespace {

// Whether a stepping element can hold c.
bool Accepts(const TMaskElement& e, char c) {
  if (e.Kind == ENUMS) return e.Symbols.find(c) != std::string::npos;
  if (e.IncKind == INCNUM) return IsANum(c);
  if (e.IncKind == INCCHAR) return IsAChar(c);
  return IsAChar(c) || IsANum(c);
}

}  // namespace

bool TGenMask::Fits(const TmString& text) const {
  std::size_t p = 0;
  for (int i = 0; i < count_; ++i) {
    const TMaskElement& e = elements_[i];
    if (e.Kind != ENUMS && e.Kind != INC) continue;
    if (p >= text.Length() || !Accepts(e, text[p])) return false;
    ++p;
  }
  return p == text.Length();
}

bool TGenMask::Validate(const TmString& text) {
  if (first_wheel_ >= count_) return false;  // no stepping element: nothing can match
  bool result = true;
  std::size_t p = 0;
  for (int i = 0; i < count_; ++i) {
    const TMaskElement& e = elements_[i];
    if (e.Kind != ENUMS && e.Kind != INC) continue;
    std::string type_s;
    if (e.Kind == ENUMS) {
      type_s = "ENUM";
    } else {
      type_s = e.IncKind == INCNUM ? "NUM" : e.IncKind == INCCHAR ? "CHAR" : "CHARNUM";
    }
    const int position = static_cast<int>(p) + 1;
    if (p >= text.Length()) {
      ReportError(text, position, type_s, true);
      return false;
    }
    if (!Accepts(e, text[p++])) {
      result = false;
      ReportError(text, position, type_s, false);
    }
  }
  return result;
}

void TGenMask::SetLimit(TmString& limit, const TmString& text) {
  const TmString value = text;  // the caller's text may be our own limit
  limit = value;
  if (!value.Empty() && !Validate(value)) limit.Clear();
}

void TGenMask::SetStartValue(const TmString& text) { SetLimit(start_value_, text); }

void TGenMask::SetEndValue(const TmString& text) { SetLimit(end_value_, text); }

}  // namespace orv
