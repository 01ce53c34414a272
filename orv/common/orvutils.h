// Utilities of the common library: upper-casing of code page 1251 text that
// may hold Cyrillic letters, a byte-exact substring search, two conversions
// of text lists into one line, collectors that walk a component's ownership
// tree or a control's child-control tree into a list through a filter, and
// the data source of any of the standard data-aware controls. Text is
// std::string of 1251 bytes; positions are 1-based. No state is kept between
// calls.
//
// Two libraries: orv::commonutils (no Qt, for console programs) holds the
// window-free five - StrUpperCyr, PosCyr, CommaTextToString,
// StringListToString, LoadAllComponentsInAList; orv::common holds all eight.
// This header names the window classes without including them, so a console
// program may include it; calling one of the last three links only with
// orv::common.
//
// Threading: no state and no locks; the window functions belong to the main
// thread like the controls they walk.
// Errors: LoadAllComponentsInAList lets what the filter raises through (the
// list keeps what was added before); LoadAllControlsInAList and the
// data-source accessors swallow every error (see each function).
#pragma once

#include <string>

namespace orv {

class TComponent;
class TWinControl;
class TDataSource;
class TList;
class TStrings;

// Filters of the collectors: true takes the component (control) into the list.
using TConditionFunction = bool (*)(TComponent*);
using TCConditionFunction = bool (*)(TWinControl*);

// Upper-cases the NUL-terminated buffer in place with a fixed table: Latin
// a-z (0x61-0x7A) and Cyrillic а-я (0xE0-0xFF) lose 0x20; every other byte,
// ё (0xB8) included, stays. Returns Str (null for null).
char* StrUpperCyr(char* Str);

// The 1-based position of the first byte-exact (case-sensitive) occurrence of
// SubStr in Str, or 0. An empty pattern is never found: 0, as for an empty
// text.
int PosCyr(const std::string& SubStr, const std::string& Str);

// Turns comma text into one line: quotes dropped, a quoted item's comma
// becomes one blank, a doubled quote inside quotes one quote; commas outside
// quotes stay. The line ends at a NUL byte of s1, if any. s receives it.
void CommaTextToString(std::string s1, std::string& s);

// Each line of S1 followed by one blank ("a b " for a and b; "" for none or null).
std::string StringListToString(TStrings* S1);

// Clears List and appends Parent and everything it owns, directly or not,
// depth first, each owner before what it owns, that pFun takes (all when
// pFun is null; a rejected component's own are still offered). Nothing at
// all when List or Parent is null. What pFun raises goes to the caller.
void LoadAllComponentsInAList(TComponent* Parent, TList* List, TConditionFunction pFun);

// Clears List and appends the windowed controls of the child-control tree
// under Parent, Parent included, depth first, each parent before its
// children, that pFun takes; graphic controls (labels, images) are never
// offered. Nothing at all (List unchanged) when List, pFun or Parent is null.
// An error below the root skips that child's subtree and the walk goes on
// with the next sibling; an error at the root ends the walk. Nothing is
// reported; the list keeps what was added.
void LoadAllControlsInAList(TWinControl* Parent, TList* List, TCConditionFunction pFun);

// The DataSource of a data-aware control (TDBEdit, TDBGrid, TDBMemo,
// TDBImage, TDBListBox, TDBComboBox, TDBCheckBox, TDBRadioGroup,
// TDBLookupListBox, TDBLookupComboBox, TDBCtrlGrid or a class derived from
// one), or null for any other control and on any error.
TDataSource* GetControlDataSource(TWinControl* Control);
// Sets it (null detaches); any other control is left untouched; errors are
// swallowed.
void SetControlDataSource(TWinControl* Control, TDataSource* DataSource);

}  // namespace orv
