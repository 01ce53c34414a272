// TFiler: what TReader and TWriter share, seen by a component's
// DefineProperties: the entries a form file holds beyond the published
// properties. Each entry is one value, read with TReader::ReadString (and the
// other Read* calls) and written with TWriter::WriteString (and the other
// Write* calls):
//
//   void TGenerator::DefineProperties(TFiler* filer) {
//     TComponent::DefineProperties(filer);
//     filer->DefineProperty("DataBaseName", this, &TGenerator::ReadDBData,
//     &TGenerator::WriteDBData, true);
//   }
//   void TGenerator::ReadDBData(TReader* reader) { database_name_ = reader->ReadString(); }
//   void TGenerator::WriteDBData(TWriter* writer) { writer->WriteString(database_name_); }
//
// Not synchronised; one filer reads or writes one file.
#pragma once

#include <functional>
#include <string>

namespace orv {

class TComponent;
class TReader;
class TWriter;

class TFiler {
 public:
  using TReaderProc = std::function<void(TReader*)>;
  using TWriterProc = std::function<void(TWriter*)>;

  virtual ~TFiler() = default;

  // Declares the entry name. A reader calls read when the file holds it; a
  // writer calls write when has_data is true (the entry is then written).
  virtual void DefineProperty(const std::string& name, const TReaderProc& read,
                              const TWriterProc& write, bool has_data) = 0;

  // The same with member functions of obj.
  template <class C>
  void DefineProperty(const std::string& name, C* obj, void (C::*read)(TReader*),
                      void (C::*write)(TWriter*), bool has_data) {
    DefineProperty(
        name, [obj, read](TReader* r) { (obj->*read)(r); },
        [obj, write](TWriter* w) { (obj->*write)(w); }, has_data);
  }

  // The component the file is about (the form or data module).
  TComponent* Root() const { return root_; }

 protected:
  TComponent* root_ = nullptr;
};

}  // namespace orv
