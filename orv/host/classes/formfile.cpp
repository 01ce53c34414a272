#include <orv/host/classes/formfile.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include <orv/host/classes/formparser.h>
#include <orv/host/classes/reader.h>
#include <orv/host/classes/writer.h>
#include <orv/host/rtl/cp1251.h>
#include <orv/host/rtl/exception.h>
#include <orv/host/rtl/wholefile.h>

namespace orv {

namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw Exception("Cannot open file " + path);
  std::ostringstream text;
  text << in.rdbuf();
  if (in.bad()) throw Exception("Cannot read file " + path);
  return FormTextOfFile(text.str());
}

// Raises EReadError naming the first line of text that check refuses.
template <class Check>
void FailOnFirstLine(std::string_view text, Check check) {
  int line = 1;
  for (size_t start = 0; start <= text.size(); ++line) {
    const size_t end = std::min(text.find('\n', start), text.size());
    check(text.substr(start, end - start), line);
    start = end + 1;
  }
}

}  // namespace

std::string FormTextOfFile(std::string_view bytes) {
  const bool marked = bytes.starts_with(kUtf8Mark);
  if (marked) bytes.remove_prefix(kUtf8Mark.size());
  if (!IsValidUtf8(bytes)) {
    if (!marked) return std::string(bytes);  // code page 1251 as it stands
    FailOnFirstLine(bytes, [](std::string_view line, int n) {
      if (!IsValidUtf8(line))
        throw EReadError("Line " + std::to_string(n) +
                         ": not valid UTF-8 (the file begins with the UTF-8 byte order mark)");
    });
  }
  if (auto text = Utf8ToCp1251(bytes)) return *text;
  FailOnFirstLine(bytes, [](std::string_view line, int n) {
    try {
      Utf8ToCp1251OrThrow(line);
    } catch (const Exception& e) {
      throw EReadError("Line " + std::to_string(n) + ": " + e.Message());
    }
  });
  return std::string(bytes);  // not reached: some line failed
}

TComponent* LoadFormFromString(const std::string& text, TComponent* owner) {
  TReader reader(text);
  return reader.ReadNewRoot(owner);
}

TComponent* LoadFormFromFile(const std::string& path, TComponent* owner) {
  return LoadFormFromString(ReadFile(path), owner);
}

void ReadFormFromString(TComponent* root, const std::string& text) {
  TReader reader(text);
  reader.ReadRootComponent(root);
}

void ReadFormFromFile(TComponent* root, const std::string& path) {
  ReadFormFromString(root, ReadFile(path));
}

std::string SaveFormToString(TComponent* root) {
  TWriter writer;
  writer.WriteRootComponent(root);
  return writer.Text();
}

void SaveFormToFile(TComponent* root, const std::string& path) {
  WriteFileWhole(path, SaveFormToString(root));
}

}  // namespace orv
