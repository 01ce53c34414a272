#include <orv/host/db/field.h>

#include <utility>

#include <orv/host/db/dataset.h>
#include <orv/host/db/dberrors.h>

namespace orv {

TField::TField(TDataSet* dataset, int index, std::string name, TFieldType type, int size,
               bool read_only)
    : dataset_(dataset),
      index_(index),
      name_(std::move(name)),
      type_(type),
      size_(size),
      read_only_(read_only || type == ftUnknown) {}

const char* TField::ClassName() const {
  switch (type_) {
    case ftString:
      return "TStringField";
    case ftInteger:
      return "TIntegerField";
    case ftFloat:
      return "TFloatField";
    default:
      return "TField";
  }
}

int TField::DataSize() const {
  switch (type_) {
    case ftString:
      return size_ > 0 ? size_ + 1 : 0;
    case ftInteger:
      return 4;
    case ftFloat:
      return 8;
    default:
      return 0;
  }
}

bool TField::CanModify() const { return !read_only_ && dataset_ && dataset_->CanModify(); }

void TField::CheckWritable() const {
  const TDataSetState s = dataset_->State();
  if (s != dsEdit && s != dsInsert) throw EDatabaseError("Dataset not in edit or insert mode");
  if (read_only_) throw EDatabaseError("Field '" + name_ + "' cannot be modified");
}

void TField::Store(TVariant value) {
  value_ = std::move(value);
  assigned_ = true;
  dataset_->FieldChanged(this);
}

void TField::Clear() {
  CheckWritable();
  Store(TVariant());
}

std::string TField::AsString() const { return value_.AsString(); }

void TField::SetAsString(const std::string& value) {
  CheckWritable();
  Store(Converted(TVariant(value)));
}

TVariant TField::Converted(const TVariant& value, bool cut) const {
  if (value.IsNull()) return value;
  switch (type_) {
    case ftString: {
      std::string text = value.AsString();
      if (cut && size_ > 0 && static_cast<int>(text.size()) > size_) text.resize(size_);
      return TVariant(std::move(text));
    }
    case ftInteger:
      return TVariant(value.AsInteger());
    case ftFloat:
      return TVariant(value.AsFloat());
    default:
      return value;
  }
}

long long TField::AsInteger() const { return value_.AsInteger(); }

void TField::SetAsInteger(long long value) { SetAsVariant(TVariant(value)); }

double TField::AsFloat() const { return value_.AsFloat(); }

void TField::SetAsFloat(double value) { SetAsVariant(TVariant(value)); }

void TField::SetAsVariant(const TVariant& value) {
  CheckWritable();
  Store(Converted(value));
}

}  // namespace orv
