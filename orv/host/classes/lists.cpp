#include <orv/host/classes/lists.h>

#include <algorithm>

#include <orv/host/rtl/exception.h>
#include <orv/host/rtl/sysutils.h>

namespace orv {

void* TList::Items(int index) const {
  if (index < 0 || index >= Count())
    throw Exception("List index out of bounds (" + IntToStr(index) + ")");
  return items_[index];
}

int TList::Add(void* item) {
  items_.push_back(item);
  return Count() - 1;
}

int TList::IndexOf(const void* item) const {
  const auto it = std::find(items_.begin(), items_.end(), item);
  return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

void TList::Delete(int index) {
  Items(index);
  items_.erase(items_.begin() + index);
}

int TList::Remove(const void* item) {
  const int i = IndexOf(item);
  if (i >= 0) Delete(i);
  return i;
}

void TStrings::CheckIndex(int index) const {
  if (index < 0 || index >= Count())
    throw Exception("List index out of bounds (" + IntToStr(index) + ")");
}

const std::string& TStrings::Strings(int index) const {
  CheckIndex(index);
  return items_[index].text;
}

void TStrings::SetStrings(int index, const std::string& s) {
  CheckIndex(index);
  items_[index].text = s;
}

TObject* TStrings::Objects(int index) const {
  CheckIndex(index);
  return items_[index].object;
}

void TStrings::SetObjects(int index, TObject* object) {
  CheckIndex(index);
  items_[index].object = object;
}

int TStrings::AddObject(const std::string& s, TObject* object) {
  items_.push_back({s, object});
  return Count() - 1;
}

void TStrings::Insert(int index, const std::string& s) {
  if (index < 0 || index > Count())
    throw Exception("List index out of bounds (" + IntToStr(index) + ")");
  items_.insert(items_.begin() + index, Item{s, nullptr});
}

int TStrings::IndexOf(const std::string& s) const {
  for (int i = 0; i < Count(); ++i)
    if (items_[i].text == s) return i;
  return -1;
}

void TStrings::Delete(int index) {
  CheckIndex(index);
  items_.erase(items_.begin() + index);
}

int TStrings::Remove(const std::string& s) {
  const int i = IndexOf(s);
  if (i >= 0) Delete(i);
  return i;
}

std::string TStrings::CommaText() const {
  std::string out;
  for (int i = 0; i < Count(); ++i) {
    const std::string& s = items_[i].text;
    if (i) out += ',';
    const bool quote = s.empty() ? false : s.find_first_of(" ,\"") != std::string::npos;
    if (!quote) {
      out += s;
      continue;
    }
    out += '"';
    for (char c : s) {
      if (c == '"') out += '"';
      out += c;
    }
    out += '"';
  }
  return out;
}

void TStrings::SetCommaText(const std::string& text) {
  Clear();
  std::size_t i = 0;
  const std::size_t n = text.size();
  auto skip_blanks = [&] {
    while (i < n && text[i] > 0 && text[i] <= ' ') ++i;
  };
  skip_blanks();
  while (i < n) {
    std::string item;
    if (text[i] == '"') {
      ++i;
      while (i < n) {
        if (text[i] == '"') {
          if (i + 1 < n && text[i + 1] == '"') {
            item += '"';
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        item += text[i++];
      }
    } else {
      while (i < n && text[i] != ',' && !(text[i] > 0 && text[i] <= ' ')) item += text[i++];
    }
    Add(item);
    skip_blanks();
    if (i < n && text[i] == ',') {
      ++i;
      skip_blanks();
      if (i == n) Add("");  // a trailing comma ends with an empty item
    }
  }
}

std::string TStrings::Text() const {
  std::string out;
  for (const Item& it : items_) out += it.text + "\n";
  return out;
}

void TStrings::SetText(const std::string& text) {
  Clear();
  std::string line;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      Add(line);
      line.clear();
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      line += c;
    }
  }
  if (!line.empty()) Add(line);
}

std::vector<std::string> TStrings::ToVector() const {
  std::vector<std::string> v;
  for (const Item& it : items_) v.push_back(it.text);
  return v;
}

void TStringList::SetSorted(bool sorted) {
  if (sorted && !sorted_) {
    sorted_ = true;
    Sort();
  }
  sorted_ = sorted;
}

void TStringList::Sort() {
  std::stable_sort(items_.begin(), items_.end(),
                   [](const Item& a, const Item& b) { return CompareText(a.text, b.text) < 0; });
}

int TStringList::AddObject(const std::string& s, TObject* object) {
  if (!sorted_) return TStrings::AddObject(s, object);
  const auto it = std::upper_bound(
      items_.begin(), items_.end(), s,
      [](const std::string& v, const Item& e) { return CompareText(v, e.text) < 0; });
  const int index = static_cast<int>(it - items_.begin());
  items_.insert(it, Item{s, object});
  return index;
}

}  // namespace orv
