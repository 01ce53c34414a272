// TField: one column of the row on which a dataset stands. Fields are made
// by their dataset when it opens, owned by it, and valid only while it is
// open; find them with TDataSet::FindField or FieldByName.
//
// Reading gives the value of the dataset's current row (null on an empty
// dataset). Writing is allowed only while the dataset is in dsEdit or
// dsInsert; a text longer than a string field's capacity is cut to it.
// Threading: that of its dataset.
#pragma once

#include <string>

#include <orv/host/classes/component.h>
#include <orv/host/db/variant.h>

namespace orv {

class TDataSet;

enum TFieldType { ftUnknown, ftString, ftInteger, ftFloat };

// One column as a table is created with (TTable::CreateTable).
struct TFieldDef {
  std::string Name;
  TFieldType DataType = ftUnknown;
  int Size = 0;  // string capacity in characters; 0 for numbers
};

class TField : public TObject {
 public:
  // For TDataSet: a field of dataset at column index.
  TField(TDataSet* dataset, int index, std::string name, TFieldType type, int size, bool read_only);

  const char* ClassName() const override;

  const std::string& FieldName() const { return name_; }
  TFieldType DataType() const { return type_; }
  // A string field's capacity in characters; 0 for numbers and for a string
  // column declared without a length (no limit).
  int Size() const { return size_; }
  // The size of the value's buffer: a string field Size()+1 (0 when it has no
  // limit), an integer 4, a floating-point number 8, anything else 0.
  int DataSize() const;
  // Position among its dataset's fields.
  int Index() const { return index_; }
  TDataSet* DataSet() const { return dataset_; }

  bool IsNull() const { return value_.IsNull(); }
  // Sets the value to null. Raises like the setters below.
  void Clear();

  // The value as text (a number in its shortest exact form; null gives "").
  std::string AsString() const;
  // Sets the value from text: a string field keeps its first Size()
  // characters; a number field reads the text as a number (EConvertError
  // when it is none).
  void SetAsString(const std::string& value);
  // value as this field stores it: null stays null, a number field takes a
  // number (EConvertError when the value is none), a string field text, cut
  // to Size() characters when cut. What the setters store and what
  // TDataSet::UpdateIf writes and compares.
  TVariant Converted(const TVariant& value, bool cut = true) const;
  long long AsInteger() const;
  void SetAsInteger(long long value);
  double AsFloat() const;
  void SetAsFloat(double value);
  // The value as the field holds it: a string field a string, an integer
  // field a whole number, a float field a floating-point number, or null.
  TVariant AsVariant() const { return value_; }
  // Null clears the field; anything else is set as by the setters above.
  void SetAsVariant(const TVariant& value);

  // A read-only field refuses writes; a column that the layer cannot write
  // (of a type it does not know) is read-only from the start.
  bool ReadOnly() const { return read_only_; }
  void SetReadOnly(bool read_only) { read_only_ = read_only; }
  // The field and its dataset may be written.
  bool CanModify() const;

  // For TDataSet: loads a value read from the table, without any check.
  void LoadValue(TVariant value) {
    value_ = std::move(value);
    assigned_ = false;
  }
  // For TDataSet: the value was written by the program since the row was loaded.
  bool Assigned() const { return assigned_; }

 private:
  // Checks that the field may be written now; raises EDatabaseError otherwise.
  void CheckWritable() const;
  void Store(TVariant value);

  TDataSet* dataset_;
  int index_;
  std::string name_;
  TFieldType type_;
  int size_;
  bool read_only_;
  bool assigned_ = false;
  TVariant value_;
};

}  // namespace orv
