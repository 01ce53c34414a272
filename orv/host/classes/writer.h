// TWriter: writes a root component and what it holds as a text form file
// (the format TReader reads).
//
// For each component: "object Name: TClass", then its published properties
// in declaration order (base class first) where stored and not default, then
// its DefineProperties entries that have data, then the components its
// GetChildren gives (for a data module: every component it owns), nested,
// then "end". Texts are written in single quotes; control characters and
// bytes above 127 as #nnn, so files stay ASCII; a long text is split over
// lines joined by '+'. An event is written as the name of the root's published
// method it holds (not at all if it holds no such method); a reference as the
// component's name ("Module.Name" for a component of another root).
//
// csWriting is set on each component while it is written. Errors: a float
// that is not finite raises orv::Exception naming the property.
// One writer writes one file. Not synchronised.
#pragma once

#include <cstdint>
#include <string>

#include <orv/host/classes/filer.h>

namespace orv {

class TWriter : public TFiler {
 public:
  static constexpr size_t kStringChunk = 64;  // characters of text per line of a long string

  // Appends root and what it holds to Text().
  void WriteRootComponent(TComponent* root);
  const std::string& Text() const { return out_; }

  // For DefineProperties write procedures: the entry's one value.
  // REQUIRES: called once from inside a write procedure.
  void WriteString(const std::string& value);
  void WriteInteger(int64_t value);
  void WriteFloat(double value);
  void WriteBoolean(bool value);
  void WriteIdent(const std::string& value);

  void DefineProperty(const std::string& name, const TReaderProc& read, const TWriterProc& write,
                      bool has_data) override;

  // value as the form file spells a string, continuation lines indented by
  // indent blanks: 'Abc'#13#10'x', or '' for an empty text.
  static std::string QuoteString(const std::string& value, size_t indent);

 private:
  void WriteComponent(TComponent* c, int depth);
  void WriteEntry(const std::string& value);

  std::string out_;
  std::string indent_;      // of the current component's properties
  std::string entry_name_;  // the defined entry being written, if any
  bool entry_written_ = false;
};

}  // namespace orv
