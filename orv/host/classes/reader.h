// TReader: reads a text form file into components.
//
// The file holds one root object (a form or data module) and, nested in it,
// the components the root owns:
//
//   object DataModule1: TDataModule1
//     object Gen1: TGenerator
//       Mask = 'INV-####'
//       GetUserPrefixes = Gen1GetUserPrefixes
//       DataBaseName = 'tGenAlias'
//     end
//   end
//
// Reading creates each nested component (class by name, owned by the root;
// one the root already owns under that name and class is reused), sets
// csLoading and csReading on it, tells it its enclosing object
// (SetParentComponent), and sets its properties through their setters in
// the order the file gives. A name that is no published property goes to the
// component's DefineProperties entries. Events bind at once to the root's
// published method of that name. Component references are resolved once
// every object is read: by name among the root's components, or
// "Module.Name" in another live root (FindGlobalComponent). Then Loaded runs
// on every component read, the root first, then the others in file order.
//
// Errors: a malformed file raises EReadError "Line N: ..." naming what was
// expected; an error raised by a component's own code (a setter, Loaded)
// reaches the caller unchanged. Either way nothing leaks: a new root is
// freed, and components created while reading into an existing root are freed.
//
// One reader reads one file, once. Not synchronised.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include <orv/host/classes/filer.h>
#include <orv/host/classes/formparser.h>

namespace orv {

struct TPropInfo;

class TReader : public TFiler {
 public:
  static constexpr int kMaxDepth = 32;  // deepest nesting of objects a file may have

  explicit TReader(std::string text);
  ~TReader() override;

  // Reads the file's root into a new component of the class the file names
  // (registered with RegisterClass), owned by owner. Returns it.
  TComponent* ReadNewRoot(TComponent* owner);
  // Reads the file into root, whose class must be the one the file names.
  void ReadRootComponent(TComponent* root);

  // For DefineProperties read procedures: the entry's one value. Each raises
  // EReadError "Line N: Invalid value for entry X (expected a string)" (etc.)
  // when the value is of another kind.
  std::string ReadString();
  int64_t ReadInteger();
  double ReadFloat();
  bool ReadBoolean();
  std::string ReadIdent();

  void DefineProperty(const std::string& name, const TReaderProc& read, const TWriterProc& write,
                      bool has_data) override;

 private:
  struct Value;
  struct Fixup;

  void ReadHeader(std::string& name, std::string& class_name, int& class_line);
  void ReadInto(TComponent* root, const std::string& name);
  void ReadBody(TComponent* obj, int depth);
  void ReadChild(TComponent* parent, int depth);
  void ReadProperty(TComponent* obj);
  Value ReadValue();
  void Apply(TComponent* obj, const TPropInfo& p, const Value& v);
  void ResolveFixups();
  const Value& TakePending(const char* expected, int kind);

  std::string text_;
  TFormParser parser_;
  std::vector<TComponent*> loaded_;
  std::vector<TComponent*> created_;
  std::vector<Fixup> fixups_;
  // The entry being offered to DefineProperties.
  std::string pending_name_;
  Value* pending_ = nullptr;
  bool matched_ = false;
  bool consumed_ = false;
};

// Finds a root by name for references into another root ("Module.Name"): the
// live data modules first, then each finder added here. Returns null if none.
TComponent* FindGlobalComponent(const std::string& name);
using TFindGlobalComponent = std::function<TComponent*(const std::string& name)>;
// Adds a finder (the window layer adds its forms); returns an id for Remove.
int AddFindGlobalComponent(TFindGlobalComponent finder);
void RemoveFindGlobalComponent(int id);

}  // namespace orv
