// TList (a list of object pointers, owning nothing) and TStrings/TStringList
// (a list of texts, each with an optional object pointer). Only what the
// components and the framework use. Value types; not synchronised.
#pragma once

#include <string>
#include <vector>

namespace orv {

class TObject;

class TList {
 public:
  int Count() const { return static_cast<int>(items_.size()); }
  // Raises orv::Exception unless 0 <= index < Count().
  void* Items(int index) const;
  int Add(void* item);
  void Clear() { items_.clear(); }
  int IndexOf(const void* item) const;
  // Raises orv::Exception unless 0 <= index < Count().
  void Delete(int index);
  // Removes the first occurrence of item; returns its index or -1.
  int Remove(const void* item);

 private:
  std::vector<void*> items_;
};

class TStrings {
 public:
  virtual ~TStrings() = default;

  int Count() const { return static_cast<int>(items_.size()); }
  // Raises orv::Exception "List index out of bounds (i)" unless 0 <= index < Count().
  const std::string& Strings(int index) const;
  void SetStrings(int index, const std::string& s);
  TObject* Objects(int index) const;
  void SetObjects(int index, TObject* object);
  const std::string& operator[](int index) const { return Strings(index); }

  virtual int Add(const std::string& s) { return AddObject(s, nullptr); }
  virtual int AddObject(const std::string& s, TObject* object);
  void Insert(int index, const std::string& s);
  void Clear() { items_.clear(); }
  // The index of s (exact match), or -1.
  virtual int IndexOf(const std::string& s) const;
  void Delete(int index);
  // Deletes the first s; returns its index or -1.
  int Remove(const std::string& s);
  void Assign(const TStrings& other) { items_ = other.items_; }

  // The items separated by commas; an item holding a blank, comma or double
  // quote is quoted with double quotes (inner quotes doubled).
  std::string CommaText() const;
  // Replaces the items with those of a comma text, reading quotes as above;
  // unquoted blanks also separate items.
  void SetCommaText(const std::string& text);
  // The items, each ended by a line break ("\n").
  std::string Text() const;
  // Replaces the items with the lines of text (split at \n, \r\n or \r).
  void SetText(const std::string& text);

  std::vector<std::string> ToVector() const;

  friend bool operator==(const TStrings& a, const TStrings& b) {
    return a.ToVector() == b.ToVector();
  }

 protected:
  struct Item {
    std::string text;
    TObject* object = nullptr;
  };
  void CheckIndex(int index) const;
  std::vector<Item> items_;
};

// A TStrings that can keep its items sorted (case-insensitively).
class TStringList : public TStrings {
 public:
  bool Sorted() const { return sorted_; }
  void SetSorted(bool sorted);
  int AddObject(const std::string& s, TObject* object) override;
  void Sort();

 private:
  bool sorted_ = false;
};

}  // namespace orv
