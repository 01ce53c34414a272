#include <orv/host/classes/reader.h>

#include <algorithm>
#include <map>

#include <orv/host/classes/datamodule.h>
#include <orv/host/classes/typinfo.h>
#include <orv/host/rtl/sysutils.h>

namespace orv {

namespace {

[[noreturn]] void Fail(int line, const std::string& message) {
  throw EReadError("Line " + IntToStr(line) + ": " + message);
}

std::map<int, TFindGlobalComponent>& Finders() {
  static std::map<int, TFindGlobalComponent> finders;
  return finders;
}

int IdentIndex(const std::vector<std::string>& names, const std::string& id) {
  for (size_t i = 0; i < names.size(); ++i)
    if (CompareText(names[i], id) == 0) return static_cast<int>(i);
  return -1;
}

}  // namespace

// A value as the file spells it, before it meets a property.
struct TReader::Value {
  enum Kind { Integer, Float, String, Ident, Set, List };
  Kind kind = Integer;
  int64_t integer = 0;
  double number = 0;
  std::string text;                // String, Ident
  std::vector<std::string> items;  // Set (identifiers), List (strings)
  int line = 0;
};

struct TReader::Fixup {
  TComponent* obj;
  const TPropInfo* prop;
  std::string name;
  int line;
};

TComponent* FindGlobalComponent(const std::string& name) {
  if (TComponent* c = TDataModule::FindDataModule(name)) return c;
  for (const auto& [id, finder] : Finders())
    if (TComponent* c = finder(name)) return c;
  return nullptr;
}

int AddFindGlobalComponent(TFindGlobalComponent finder) {
  static int next_id = 1;
  Finders().emplace(next_id, std::move(finder));
  return next_id++;
}

void RemoveFindGlobalComponent(int id) { Finders().erase(id); }

TReader::TReader(std::string text) : text_(std::move(text)), parser_(text_) {}

TReader::~TReader() = default;

void TReader::ReadHeader(std::string& name, std::string& class_name, int& class_line) {
  if (!parser_.IsWord("object")) parser_.Expected("'object'");
  parser_.Next();
  class_line = parser_.Token().line;
  name = parser_.TakeIdent("a component name");
  if (parser_.IsSymbol(':')) {
    parser_.Next();
    class_line = parser_.Token().line;
    class_name = parser_.TakeIdent("a class name");
  } else {
    class_name = std::move(name);
    name.clear();
  }
}

TComponent* TReader::ReadNewRoot(TComponent* owner) {
  std::string name, class_name;
  int class_line = 0;
  ReadHeader(name, class_name, class_line);
  const TClassInfo* cls = GetClass(class_name);
  if (!cls) Fail(class_line, "unknown class " + class_name + " (expected a registered class)");
  if (!cls->CanCreate())
    Fail(class_line, "class " + class_name + " cannot be created (expected a component class)");
  TComponentPtr<TComponent> root(cls->Create(owner));
  ReadInto(root.get(), name);
  return root.release();
}

void TReader::ReadRootComponent(TComponent* root) {
  std::string name, class_name;
  int class_line = 0;
  ReadHeader(name, class_name, class_line);
  if (CompareText(class_name, root->ClassName()) != 0)
    Fail(class_line, "found class " + class_name + " (expected " + root->ClassName() + ")");
  try {
    ReadInto(root, name);
  } catch (...) {
    // Free what this read made; the root stays as the caller's.
    for (auto it = created_.rbegin(); it != created_.rend(); ++it) {
      TComponent* c = *it;
      for (int i = 0; i < root->ComponentCount(); ++i)
        if (root->Components(i) == c) {
          c->Free();
          break;
        }
    }
    root->SetState(csLoading, false, true);
    root->SetState(csReading, false, true);
    throw;
  }
}

void TReader::ReadInto(TComponent* root, const std::string& name) {
  root_ = root;
  try {
    root->SetName(name);
  } catch (const Exception& e) {
    Fail(parser_.Token().line, e.Message());
  }
  root->SetState(csLoading, true);
  root->SetState(csReading, true);
  loaded_.push_back(root);
  ReadBody(root, 0);
  if (parser_.Token().kind != TTokenKind::Eof) parser_.Expected("end of file");
  root->SetState(csReading, false);
  ResolveFixups();
  for (TComponent* c : loaded_) c->Loaded();
}

void TReader::ReadBody(TComponent* obj, int depth) {
  for (;;) {
    if (parser_.IsWord("end")) {
      parser_.Next();
      return;
    }
    if (parser_.IsWord("object")) {
      ReadChild(obj, depth + 1);
    } else if (parser_.Token().kind == TTokenKind::Ident) {
      ReadProperty(obj);
    } else {
      parser_.Expected("a property, 'object' or 'end'");
    }
  }
}

void TReader::ReadChild(TComponent* parent, int depth) {
  if (depth > kMaxDepth)
    parser_.Error("objects nested deeper than " + IntToStr(kMaxDepth) + " levels (expected 'end')");
  std::string name, class_name;
  int class_line = 0;
  ReadHeader(name, class_name, class_line);
  const TClassInfo* cls = GetClass(class_name);
  if (!cls) Fail(class_line, "unknown class " + class_name + " (expected a registered class)");
  // A nested declaration first names a part that its enclosing object made
  // itself (a module's preset component); every other component belongs to
  // the root.
  TComponent* child = parent != root_ ? parent->FindComponent(name) : nullptr;
  if (!child) child = root_->FindComponent(name);
  if (child) {
    if (CompareText(child->ClassName(), class_name) != 0)
      Fail(class_line,
           "component " + name + " is a " + child->ClassName() + " (expected " + class_name + ")");
    if (std::find(loaded_.begin(), loaded_.end(), child) != loaded_.end())
      Fail(class_line, "A component named " + name + " already exists");
  } else {
    if (!cls->CanCreate())
      Fail(class_line, "class " + class_name + " cannot be created (expected a component class)");
    child = cls->Create(root_);
    created_.push_back(child);
    try {
      child->SetName(name);
    } catch (const Exception& e) {
      Fail(class_line, e.Message());
    }
  }
  child->SetState(csLoading, true);
  child->SetState(csReading, true);
  loaded_.push_back(child);
  child->SetParentComponent(parent);
  ReadBody(child, depth);
  child->SetState(csReading, false);
}

TReader::Value TReader::ReadValue() {
  Value v;
  const TToken& t = parser_.Token();
  v.line = t.line;
  switch (t.kind) {
    case TTokenKind::Integer:
      v.kind = Value::Integer;
      v.integer = t.integer;
      v.number = t.number;
      parser_.Next();
      return v;
    case TTokenKind::Float:
      v.kind = Value::Float;
      v.number = t.number;
      parser_.Next();
      return v;
    case TTokenKind::String:
      v.kind = Value::String;
      v.text = parser_.TakeString();
      return v;
    case TTokenKind::Ident:
      v.kind = Value::Ident;
      v.text = parser_.TakeIdent("a value");
      return v;
    default:
      break;
  }
  if (parser_.IsSymbol('[')) {
    v.kind = Value::Set;
    parser_.Next();
    if (!parser_.IsSymbol(']')) {
      for (;;) {
        v.items.push_back(parser_.TakeIdent("a set member"));
        if (!parser_.IsSymbol(',')) break;
        parser_.Next();
      }
    }
    parser_.Skip(']');
    return v;
  }
  if (parser_.IsSymbol('(')) {
    v.kind = Value::List;
    parser_.Next();
    while (!parser_.IsSymbol(')')) {
      if (parser_.Token().kind != TTokenKind::String) parser_.Expected("a string or ')'");
      v.items.push_back(parser_.TakeString());
    }
    parser_.Next();
    return v;
  }
  parser_.Expected("a value");
}

void TReader::ReadProperty(TComponent* obj) {
  const int line = parser_.Token().line;
  const std::string name = parser_.TakeIdent("a property name");
  parser_.Skip('=');
  Value v = ReadValue();
  const TPropInfo* p = ClassInfoOf(*obj).FindProperty(name);
  if (p && p->writable) {
    Apply(obj, *p, v);
    return;
  }
  pending_name_ = name;
  pending_ = &v;
  matched_ = consumed_ = false;
  struct Reset {
    TReader* r;
    ~Reset() { r->pending_ = nullptr; }
  } reset{this};
  obj->DefineProperties(this);
  if (!matched_)
    Fail(line, "unknown property " + name + " of " + obj->ClassName() +
                   " (expected a published property)");
  if (!consumed_)
    Fail(line, "entry " + name + " of " + obj->ClassName() + " was not read (expected a reader)");
}

void TReader::Apply(TComponent* obj, const TPropInfo& p, const Value& v) {
  auto bad = [&](const std::string& expected) {
    Fail(v.line, "Invalid value for property " + p.name + " (expected " + expected + ")");
  };
  TValue value;
  switch (p.kind) {
    case TTypeKind::Integer:
      if (v.kind != Value::Integer) bad("an integer");
      value = v.integer;
      break;
    case TTypeKind::Float:
      if (v.kind != Value::Integer && v.kind != Value::Float) bad("a number");
      value = v.number;
      break;
    case TTypeKind::Boolean:
      if (v.kind == Value::Ident && CompareText(v.text, "True") == 0)
        value = true;
      else if (v.kind == Value::Ident && CompareText(v.text, "False") == 0)
        value = false;
      else
        bad("True or False");
      break;
    case TTypeKind::String:
      if (v.kind != Value::String) bad("a string");
      value = v.text;
      break;
    case TTypeKind::Char:
      if (v.kind != Value::String || v.text.size() != 1) bad("one character");
      value = v.text;
      break;
    case TTypeKind::Enumeration: {
      const int i = v.kind == Value::Ident ? IdentIndex(p.names, v.text) : -1;
      if (i < 0) bad("an identifier of its type");
      value = static_cast<int64_t>(i);
      break;
    }
    case TTypeKind::Set: {
      if (v.kind != Value::Set) bad("a set");
      uint64_t bits = 0;
      for (const std::string& id : v.items) {
        const int i = IdentIndex(p.names, id);
        if (i < 0 || i >= 64) bad("members of its type");
        bits |= uint64_t{1} << i;
      }
      value = bits;
      break;
    }
    case TTypeKind::Strings:
      if (v.kind != Value::List) bad("a list of strings");
      value = v.items;
      break;
    case TTypeKind::Component:
      if (v.kind != Value::Ident) bad("the name of a component");
      if (CompareText(v.text, "nil") == 0) {
        value = static_cast<TComponent*>(nullptr);
        break;
      }
      fixups_.push_back({obj, &p, v.text, v.line});
      return;
    case TTypeKind::Event: {
      if (v.kind != Value::Ident) bad("the name of a published method");
      const TMethodInfo* m = ClassInfoOf(*root_).FindMethod(v.text);
      if (!m) bad("the name of a published method of " + std::string(root_->ClassName()));
      if (m->closure_type != p.value_type) bad("a method of a fitting type");
      value = m->bind(*root_);
      break;
    }
  }
  try {
    p.set(*obj, value);
  } catch (const EPropertyError& e) {
    Fail(v.line, e.Message());
  }
}

void TReader::ResolveFixups() {
  for (const Fixup& f : fixups_) {
    TComponent* found = nullptr;
    const size_t dot = f.name.find('.');
    if (dot == std::string::npos) {
      found = CompareText(f.name, root_->Name()) == 0 ? root_ : root_->FindComponent(f.name);
    } else {
      const std::string module = f.name.substr(0, dot);
      TComponent* other =
          CompareText(module, root_->Name()) == 0 ? root_ : FindGlobalComponent(module);
      if (other) found = other->FindComponent(f.name.substr(dot + 1));
    }
    if (!found)
      Fail(f.line, "Invalid value for property " + f.prop->name +
                       " (expected the name of a component, found " + f.name + ")");
    try {
      f.prop->set(*f.obj, TValue(found));
    } catch (const EPropertyError& e) {
      Fail(f.line, e.Message());
    }
  }
}

void TReader::DefineProperty(const std::string& name, const TReaderProc& read, const TWriterProc&,
                             bool) {
  if (!pending_ || matched_ || CompareText(name, pending_name_) != 0) return;
  matched_ = true;
  if (read) read(this);
}

const TReader::Value& TReader::TakePending(const char* expected, int kind) {
  if (!pending_)
    throw EReadError("Line " + IntToStr(parser_.Token().line) + ": no entry is being read");
  if (consumed_)
    Fail(pending_->line, "entry " + pending_name_ + " holds one value (expected one read)");
  if (pending_->kind != kind)
    Fail(pending_->line,
         "Invalid value for entry " + pending_name_ + " (expected " + expected + ")");
  consumed_ = true;
  return *pending_;
}

std::string TReader::ReadString() { return TakePending("a string", Value::String).text; }

int64_t TReader::ReadInteger() { return TakePending("an integer", Value::Integer).integer; }

double TReader::ReadFloat() {
  if (pending_ && pending_->kind == Value::Integer) pending_->kind = Value::Float;
  return TakePending("a number", Value::Float).number;
}

bool TReader::ReadBoolean() {
  const std::string id = TakePending("True or False", Value::Ident).text;
  if (CompareText(id, "True") == 0) return true;
  if (CompareText(id, "False") == 0) return false;
  Fail(pending_->line, "Invalid value for entry " + pending_name_ + " (expected True or False)");
}

std::string TReader::ReadIdent() { return TakePending("an identifier", Value::Ident).text; }

}  // namespace orv
