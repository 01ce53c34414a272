#include <orv/host/classes/formfile.h>

#include <fstream>
#include <sstream>

#include <orv/host/classes/reader.h>
#include <orv/host/classes/writer.h>
#include <orv/host/rtl/exception.h>

namespace orv {

namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw Exception("Cannot open file " + path);
  std::ostringstream text;
  text << in.rdbuf();
  if (in.bad()) throw Exception("Cannot read file " + path);
  return text.str();
}

}  // namespace

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
  const std::string text = SaveFormToString(root);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) throw Exception("Cannot write file " + path);
  out << text;
  out.close();
  if (!out) throw Exception("Cannot write file " + path);
}

}  // namespace orv
