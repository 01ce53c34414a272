#include <orv/host/classes/writer.h>

#include <charconv>
#include <cmath>

#include <orv/host/classes/typinfo.h>
#include <orv/host/rtl/sysutils.h>

namespace orv {

namespace {

std::string FloatText(const std::string& name, double d) {
  if (!std::isfinite(d))
    throw Exception("Cannot write property " + name + " (not a finite number)");
  char buf[64];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, d);
  (void)ec;
  std::string text(buf, end);
  // An integral value must still read back as a float, whatever its size.
  if (text.find_first_of(".e") == std::string::npos) text += ".0";
  return text;
}

// Sets csWriting on c for as long as it is being written.
struct WritingScope {
  TComponent* c;
  explicit WritingScope(TComponent* comp) : c(comp) { c->SetState(csWriting, true); }
  ~WritingScope() { c->SetState(csWriting, false); }
};

}  // namespace

std::string TWriter::QuoteString(const std::string& value, size_t indent) {
  if (value.empty()) return "''";
  std::string out;
  bool quoted = false;
  size_t in_chunk = 0;
  for (const char ch : value) {
    if (in_chunk == kStringChunk) {
      if (quoted) out += '\'';
      quoted = false;
      out += " +\n" + std::string(indent, ' ');
      in_chunk = 0;
    }
    const auto u = static_cast<unsigned char>(ch);
    if (u >= 32 && u < 127) {
      if (!quoted) out += '\'';
      quoted = true;
      out += ch;
      if (ch == '\'') out += '\'';
    } else {
      if (quoted) out += '\'';
      quoted = false;
      out += '#' + IntToStr(u);
    }
    ++in_chunk;
  }
  if (quoted) out += '\'';
  return out;
}

void TWriter::WriteRootComponent(TComponent* root) {
  root_ = root;
  WriteComponent(root, 0);
}

void TWriter::WriteComponent(TComponent* c, int depth) {
  WritingScope writing(c);
  const std::string indent(2 * depth, ' ');
  out_ += indent + "object " + (c->Name().empty() ? std::string() : c->Name() + ": ") +
          c->ClassName() + "\n";
  indent_ = indent + "  ";
  const TClassInfo& info = ClassInfoOf(*c);
  for (const TPropInfo* p : info.Properties()) {
    if (!p->IsStored(*c)) continue;
    const TValue v = p->get(*c);
    std::string text;
    switch (p->kind) {
      case TTypeKind::Integer:
        text = IntToStr(std::get<int64_t>(v));
        break;
      case TTypeKind::Float:
        text = FloatText(p->name, std::get<double>(v));
        break;
      case TTypeKind::Boolean:
        text = std::get<bool>(v) ? "True" : "False";
        break;
      case TTypeKind::String:
      case TTypeKind::Char:
        text = QuoteString(std::get<std::string>(v), indent_.size() + 2);
        break;
      case TTypeKind::Enumeration: {
        const int64_t i = std::get<int64_t>(v);
        if (i < 0 || i >= static_cast<int64_t>(p->names.size()))
          throw Exception("Cannot write property " + p->name + " (ordinal " + IntToStr(i) +
                          " has no name)");
        text = p->names[i];
        break;
      }
      case TTypeKind::Set: {
        const uint64_t bits = std::get<uint64_t>(v);
        text = "[";
        for (size_t i = 0; i < p->names.size() && i < 64; ++i)
          if ((bits >> i) & 1u) text += (text.size() > 1 ? ", " : "") + p->names[i];
        text += "]";
        break;
      }
      case TTypeKind::Strings: {
        const auto& items = std::get<std::vector<std::string>>(v);
        text = "(";
        for (const std::string& s : items)
          text += "\n" + indent_ + "  " + QuoteString(s, indent_.size() + 4);
        text += ")";
        break;
      }
      case TTypeKind::Component: {
        const TComponent* ref = std::get<TComponent*>(v);
        if (!ref || ref->Name().empty()) continue;
        if (ref == root_ || ref->Owner() == root_ || !ref->Owner() || ref->Owner()->Name().empty())
          text = ref->Name();
        else
          text = ref->Owner()->Name() + "." + ref->Name();
        break;
      }
      case TTypeKind::Event:
        text = ClassInfoOf(*root_).MethodName(*root_, *p, std::get<std::any>(v));
        if (text.empty()) continue;  // a handler set by code, not a published method
        break;
    }
    out_ += indent_ + p->name + " = " + text + "\n";
  }
  c->DefineProperties(this);
  c->GetChildren([&](TComponent* child) { WriteComponent(child, depth + 1); }, root_);
  out_ += indent + "end\n";
}

void TWriter::DefineProperty(const std::string& name, const TReaderProc&, const TWriterProc& write,
                             bool has_data) {
  if (!has_data || !write) return;
  entry_name_ = name;
  entry_written_ = false;
  write(this);
  entry_name_.clear();
}

void TWriter::WriteEntry(const std::string& value) {
  if (entry_name_.empty() || entry_written_)
    throw Exception("TWriter: one value per defined entry, written from its write procedure");
  entry_written_ = true;
  out_ += indent_ + entry_name_ + " = " + value + "\n";
}

void TWriter::WriteString(const std::string& value) {
  WriteEntry(QuoteString(value, indent_.size() + 2));
}
void TWriter::WriteInteger(int64_t value) { WriteEntry(IntToStr(value)); }
void TWriter::WriteFloat(double value) { WriteEntry(FloatText(entry_name_, value)); }
void TWriter::WriteBoolean(bool value) { WriteEntry(value ? "True" : "False"); }
void TWriter::WriteIdent(const std::string& value) { WriteEntry(value); }

}  // namespace orv
