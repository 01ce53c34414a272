#include "unikey/unikey.h"

#include <algorithm>
#include <vector>

#include "host/classes/typinfo.h"
#include "host/db/datalink.h"
#include "host/db/dataset.h"
#include "host/db/datasource.h"
#include "host/db/field.h"
#include "host/db/variant.h"
#include "host/rtl/exception.h"
#include "host/rtl/sysutils.h"

namespace orv {

namespace {

// Every stamper alive, so that one going first can splice itself out of a
// chain of stampers on one event (UI thread only, like the stampers).
std::vector<TUniKEY*>& LiveStampers() {
  // Never destroyed: a stamper freed during static destruction still finds it.
  static auto* live = new std::vector<TUniKEY*>;
  return *live;
}

}  // namespace

void unikey::SpcTo0(std::string& s) { std::replace(s.begin(), s.end(), ' ', '0'); }

TUniKEY::TUniKEY(TComponent* owner) : TComponent(owner), data_link_(std::make_unique<TFieldDataLink>()) {
  LiveStampers().push_back(this);
}

TUniKEY::~TUniKEY() {
  data_link_.reset();
  UnhookDataSet();
  GiveBackStateChange();
  if (data_source_) RemoveFreeNotification(data_source_);
  data_source_ = nullptr;
  auto& live = LiveStampers();
  live.erase(std::remove(live.begin(), live.end(), this), live.end());
}

std::string TUniKEY::DataField() const { return data_link_ ? data_link_->FieldName() : std::string(); }

void TUniKEY::SetDataField(const std::string& value) {
  if (data_link_) data_link_->SetFieldName(value);
}

void TUniKEY::SetDataSource(TDataSource* value) {
  if (value == data_source_) return;
  // Give back what the earlier link took over before taking anything new, so
  // that no saved handler ever holds this stamper's own.
  UnhookDataSet();
  GiveBackStateChange();
  if (data_source_) RemoveFreeNotification(data_source_);

  data_source_ = value;
  if (data_link_) data_link_->SetDataSource(value);
  if (!value) return;
  if (!Has(csDesigning)) {
    saved_state_change_ = value->OnStateChange();
    value->SetOnStateChange(OwnStateChange());
    state_change_taken_ = true;
  }
  value->FreeNotification(this);
  hook_installed_ = false;
}

void TUniKEY::HookDataSet(TDataSet* data_set) {
  saved_new_record_ = data_set->OnNewRecord();
  data_set->SetOnNewRecord(OwnNewRecord());
  hooked_data_set_ = data_set;
  data_set->FreeNotification(this);
  hook_installed_ = true;
}

void TUniKEY::UnhookDataSet() {
  TDataSet* data_set = hooked_data_set_;
  if (data_set) {
    const TDataSetNotifyEvent own = OwnNewRecord();
    if (data_set->OnNewRecord() == own) {
      data_set->SetOnNewRecord(saved_new_record_);
    } else {
      // Another stamper may have saved ours: hand it what we had saved.
      for (TUniKEY* other : LiveStampers())
        if (other != this && other->hooked_data_set_ == data_set && other->saved_new_record_ == own)
          other->saved_new_record_ = saved_new_record_;
    }
    RemoveFreeNotification(data_set);
  }
  hooked_data_set_ = nullptr;
  saved_new_record_ = nullptr;
  hook_installed_ = false;
}

void TUniKEY::GiveBackStateChange() {
  if (data_source_ && state_change_taken_) {
    const TNotifyEvent own = OwnStateChange();
    if (data_source_->OnStateChange() == own) {
      data_source_->SetOnStateChange(saved_state_change_);
    } else {
      for (TUniKEY* other : LiveStampers())
        if (other != this && other->data_source_ == data_source_ && other->saved_state_change_ == own)
          other->saved_state_change_ = saved_state_change_;
    }
  }
  state_change_taken_ = false;
  saved_state_change_ = nullptr;
}

void TUniKEY::StateChange(TObject* sender) {
  if (data_source_ && data_source_->State() != dsInactive) {
    TDataSet* data_set = data_source_->DataSet();
    if (hook_installed_ && hooked_data_set_ != data_set) UnhookDataSet();  // the hook follows
    if (!hook_installed_ && data_set && !data_set->Has(csDestroying)) HookDataSet(data_set);
  }
  if (saved_state_change_) saved_state_change_(sender);
}

void TUniKEY::CheckFieldWidth(const std::string& key) const {
  TField* field = data_link_->Field();
  if (field->DataType() != ftString)
    throw Exception("Field '" + field->FieldName() + "' is not a string field: the key is text");
  // Size 0: a string column declared without a length holds any text.
  if (field->Size() > 0 && static_cast<int>(key.size()) > field->Size())
    throw Exception("Field '" + field->FieldName() + "' is too narrow for the key: it holds " +
                    IntToStr(field->Size()) + " characters, the key needs " + IntToStr(key.size()));
}

void TUniKEY::pNewRecord(TDataSet* data_set) {
  if (!Has(csDesigning) && data_link_ && data_link_->CanModify()) {
    std::string us_stamp;
    if (before_uni_key_made_) before_uni_key_made_(this, us_stamp);
    TField* field = data_link_->Field();
    std::string key = GetTimeStamp() + us_stamp;
    // A cut key would repeat until its leading digits change: refuse it
    // before anything is written.
    CheckFieldWidth(key);
    field->SetAsVariant(TVariant(key));
    const TVariant last(last_stamp_);
    while (field->AsVariant() == last) {
      key = GetTimeStamp() + us_stamp;
      CheckFieldWidth(key);
      field->SetAsVariant(TVariant(key));
    }
    last_stamp_ = field->AsString();
  }
  if (saved_new_record_) saved_new_record_(data_set);
}

std::string TUniKEY::GetTimeStamp() {
  present_ = Now();
  DecodeDate(present_, year_, month_, day_);
  DecodeTime(present_, hour_, min_, sec_, msec_);
  std::string s = FormatInt(year_, 4) + FormatInt(month_, 2) + FormatInt(day_, 2) + FormatInt(hour_, 2) +
                  FormatInt(min_, 2) + FormatInt(sec_, 2) + FormatInt(msec_, 3);
  unikey::SpcTo0(s);
  return s;
}

void TUniKEY::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation != opRemove || !component) return;
  if (component == data_source_) {
    // The dataset may live on: give its handler back, then let go.
    UnhookDataSet();
    GiveBackStateChange();
    if (data_link_) data_link_->SetDataSource(nullptr);
    data_source_ = nullptr;
  } else if (hooked_data_set_ && component == hooked_data_set_) {
    UnhookDataSet();
  }
}

void TUniKEY::Loaded() { TComponent::Loaded(); }

const TClassInfo& TUniKEY::StaticClassInfo() {
  static const TClassInfo info = Published<TUniKEY>()
                                     .Property("DataSource", &TUniKEY::DataSource, &TUniKEY::SetDataSource)
                                     .Property("DataField", &TUniKEY::DataField, &TUniKEY::SetDataField)
                                     .Event("BeforeUniKeyMADE", &TUniKEY::BeforeUniKeyMADE,
                                            &TUniKEY::SetBeforeUniKeyMADE);
  return info;
}

void unikey::Register() { RegisterClass(TUniKEY::StaticClassInfo()); }

}  // namespace orv
