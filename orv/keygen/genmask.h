// TGenMask: the key mask engine. It reads a mask such as "AB-@[XYZ]##" into a
// list of elements, holds the current value of the mask (one character per
// element), steps the counting part of it up and down like an odometer within
// optional start and end values, and checks texts against the mask.
//
// The mask language, one element per symbol:
//   "#"  incremental number (0..9)            suffix
//   "$"  incremental character (letters)       suffix
//   "&"  incremental charnum (0..9, A..Z)      suffix
//   "@"  user-procedure symbol (from OnGetPROC) prefix
//   "[members]"  enumerated set of characters   suffix
//   any other character: itself, static        prefix
// There is no escape; "]" outside a set is static. The prefix (static and
// user-procedure characters) names a generator row; the suffix (set and
// incremental characters) is the counter. Both are projections of the value
// in mask order, not its head and tail.
//
// Decisions where the mask language leaves room:
//  - A mask of more than 101 elements raises Exception "Mask has more than
//    101 symbols!" and an empty set "[]" raises Exception "Empty set in mask
//    picture at position:N!" (N the offset of its "[" from 0), like the other
//    two scan errors; afterwards the engine has no elements.
//  - SetSuffix and SetPrefix with a text shorter than the elements they fill
//    leave the remaining elements as they are.
//  - Validate with a text shorter than the mask's suffix answers false and
//    reports the first missing position once, with the failure word of the
//    element there; the message box then reads "Error at position-N TEXT",
//    whatever the element, since there is no character to name.
//  - Stepping a character wheel by code never produces the byte 0, which
//    would end the text wherever it is stored: from code 255 the next code up
//    is 1, and from code 1 the next code down is 255 (no carry either way).
//    Only a loaded value outside the wheel's alphabet can meet this.
//
// Threading: one thread at a time (its owner's), no lock; callbacks run
// synchronously inside the operation that calls them. Message boxes are modal.
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

#include <orv/host/classes/component.h>
#include <orv/host/classes/events.h>
#include <orv/host/rtl/tmstring.h>
#include <orv/keygen/maskchars.h>

namespace orv {

// The kind of a mask element. The ordinal values are fixed.
enum tType : std::uint8_t {
  STAT = 0,   // static symbol: a fixed character
  ENUMS = 1,  // enumerated set of characters
  INC = 2,    // incremental character; alphabet given by incType
  PROC = 3,   // user-procedure symbol: supplied by the application
  OTHER = 4,  // declared; never produced by the scanner
  NONE = 5,   // empty slot, not part of the mask
};

// The counting alphabet of an INC element. The ordinal values are fixed.
enum incType : std::uint8_t {
  INCNONE = 0,  // not incremental
  INCNUM = 1,   // digits
  INCCHAR = 2,  // letters, in four cycles: A..Z, a..z, 192..223, 224..255
  INCBOTH = 3,  // digits, then capital letters
};

// One element of a scanned mask.
struct TMaskElement {
  std::int32_t MaskOffset = 0;  // offset in the mask text from 0 (a set: its "[")
  std::int32_t Current = 0;     // index into Symbols of the current character
  tType Kind = NONE;
  incType IncKind = INCNONE;  // meaningful for INC only
  // A set: its members in mask order (at least one). Any other kind: exactly
  // one character, the current one, overwritten in place by stepping.
  std::string Symbols;

  char CurrentChar() const { return Symbols[static_cast<std::size_t>(Current)]; }
};

class TGenMask : public TObject {
 public:
  static constexpr int kMaxElements = 101;  // the most elements a mask may have

  // An engine with no elements, no callbacks and no limits.
  TGenMask();
  ~TGenMask() override;
  TGenMask(const TGenMask&) = delete;
  TGenMask& operator=(const TGenMask&) = delete;

  const char* ClassName() const override { return "TGenMask"; }

  // --- Overridable operations; the engine calls its own through these. ---

  // Sets the lowest value: the start value through SetSuffix when one is set;
  // otherwise sets at their first member, "0" digits and charnums, "A" letters.
  virtual void NullValue();
  // Sets the highest value: the end value through SetSuffix when one is set;
  // otherwise sets at their last member, "9" digits, "Z" letters and charnums.
  virtual void FullValue();
  // Steps the suffix up by one, the rightmost wheel fastest; the carry passes
  // over static and user-procedure elements. Past the end value (compared
  // with CompareText, after each element step) or out of the leftmost wheel:
  // calls OnOverFlow with a copy of the suffix, or NullValue when it is unset.
  // An exception from OnOverFlow passes to the caller. No elements: no-op.
  virtual void Increment();
  // Steps the suffix down by one. Before each element step, a suffix equal to
  // the start value (ignoring letter case) is the bottom; that, or a borrow
  // out of the leftmost wheel, calls OnSubOver with a copy of the suffix, or
  // FullValue when it is unset. No elements: no-op.
  virtual void Decrement();
  // True when every stepping element accepts its character of text (sets:
  // a member, byte for byte; "#": IsANum; "$": IsAChar; "&": either). Each
  // failure is reported, in mask order, to OnErrorMask (Position from 1,
  // TypeS "ENUM", "NUM", "CHAR" or "CHARNUM") or, when it is unset, in an
  // error message box captioned "TGenMask". A mask without stepping elements
  // answers false without a report. Characters past the suffix are ignored.
  virtual bool Validate(const TmString& text);
  // True when text is a suffix that this mask can count from: exactly one
  // character per stepping element, each one that Validate accepts. Reports
  // nothing. A mask without stepping elements fits only the empty text.
  bool Fits(const TmString& text) const;
  // Replaces the elements by those of mask (read up to its first zero
  // character). Limits and callbacks are kept. On a malformed mask raises
  // Exception ("Missing ] symbol in Mask!", "Error in mask picture at
  // position:N!", or the two above) and leaves no elements.
  virtual void ScanMask(std::string_view mask);

  // --- Reading the value. ---

  // The current characters of all elements, in order.
  TmString GetMskValue() const;
  // Refreshes the user-procedure characters (GetPROC), then returns the
  // characters of the STAT and PROC elements, in order.
  TmString GetPrefix();
  // The characters of the ENUMS and INC elements, in order.
  TmString GetSuffix() const;
  TmString GetSTAT() const;  // the STAT characters, in order
  TmString GetENUM() const;  // the ENUMS characters, in order
  TmString GetINCR() const;  // the INC characters, in order
  // The PROC characters, passed to OnGetPROC (when set, even without PROC
  // elements) which may replace them; the k-th PROC element then takes
  // character k of the result, if there is one. Returns what the callback
  // left. An exception from OnGetPROC passes to the caller.
  TmString GetPROC();

  // --- Setting the value. ---

  // Loads a suffix: each set goes to the first member equal to its character
  // (byte for byte), or to its first member when none is; each INC element
  // takes its character unchecked. Extra characters are ignored.
  void SetSuffix(const TmString& text);
  // Loads a prefix: each STAT and PROC element takes its character.
  void SetPrefix(const TmString& text);

  // --- Limits. ---

  // Sets the start value; a non-empty text is kept only if Validate (through
  // its overridable slot) accepts it, otherwise the start value becomes
  // empty. An empty text unsets the limit without a check. The current value
  // is not changed, and the start is never compared with the end.
  void SetStartValue(const TmString& text);
  // The same for the end value.
  void SetEndValue(const TmString& text);
  const TmString& StartValue() const { return start_value_; }
  const TmString& EndValue() const { return end_value_; }

  // --- Elements. ---

  int Count() const { return count_; }
  // REQUIRES: 0 <= index < Count().
  const TMaskElement& Elements(int index) const {
    return elements_.at(static_cast<std::size_t>(index));
  }

  // --- Callbacks; each is called only when assigned, with Sender = this. ---

  // Supplies the user-procedure characters (see GetPROC).
  const TGenProcEvent& OnGetPROC() const { return on_get_proc_; }
  void SetOnGetPROC(TGenProcEvent e) { on_get_proc_ = std::move(e); }
  // Stepping up ran past the top. Gets a copy of the suffix (changes to it are
  // discarded); the engine changes nothing after the call.
  const TGOverFlowEvent& OnOverFlow() const { return on_over_flow_; }
  void SetOnOverFlow(TGOverFlowEvent e) { on_over_flow_ = std::move(e); }
  // Stepping down ran past the bottom; as OnOverFlow.
  const TGOverFlowEvent& OnSubOver() const { return on_sub_over_; }
  void SetOnSubOver(TGOverFlowEvent e) { on_sub_over_ = std::move(e); }
  // A character fails Validate; replaces the message box.
  const TOnErrorMask& OnErrorMask() const { return on_error_mask_; }
  void SetOnErrorMask(TOnErrorMask e) { on_error_mask_ = std::move(e); }

 private:
  bool IsWheel(int index) const;
  // The current characters of the elements of the given kinds, in order.
  TmString CharsOf(std::initializer_list<tType> kinds) const;
  // Sets a limit (start_value_ or end_value_) as SetStartValue tells.
  void SetLimit(TmString& limit, const TmString& text);
  void StepUp(TMaskElement& e, bool& carry);
  void StepDown(TMaskElement& e, bool& borrow);
  void ReportError(const TmString& text, int position, const std::string& type_s, bool missing);
  void ClearElements();

  std::int32_t count_ = 0;
  TGenProcEvent on_get_proc_;
  TGOverFlowEvent on_over_flow_;
  TGOverFlowEvent on_sub_over_;
  TOnErrorMask on_error_mask_;
  std::array<TMaskElement, kMaxElements> elements_;
  TmString start_value_;
  TmString end_value_;
  // Index of the leftmost ENUMS or INC element, or count_ when there is none:
  // a carry still set left of it has left the leftmost wheel.
  std::int32_t first_wheel_ = 0;
};

}  // namespace orv
