#include <orv/unikey/unikey.h>

#include <algorithm>
#include <vector>

#include <orv/host/classes/typinfo.h>
#include <orv/host/db/datalink.h>
#include <orv/host/db/dataset.h>
#include <orv/host/db/datasource.h>
#include <orv/host/db/field.h>
#include <orv/host/db/variant.h>
#include <orv/host/rtl/exception.h>
#include <orv/host/rtl/sysutils.h>

namespace orv {

namespace {

// Every stamper alive, so that one going first can splice itself out of a
// chain of stampers on one event (UI thread only, like the stampers).
std::vector<TUniKEY*>& LiveStampers() {
  // Never destroyed: a stamper freed during static destruction still finds it.
  static auto* live = new std::vector<TUniKEY*>;
  return *live;
}

// A time part as GetTimeStamp makes it: 17 digits.
bool IsTimeText(const std::string& s) {
  return s.size() == TUniKEY::kTimeStampLength &&
         s.find_first_not_of("0123456789") == std::string::npos;
}

// The time part one millisecond after time (a time part), carried into the
// second, minute, hour, day, month and year as a clock would.
std::string NextMillisecond(const std::string& time) {
  auto part = [&](int pos, int len) { return std::stoi(time.substr(pos, len)); };
  int year = part(0, 4), month = part(4, 2), day = part(6, 2), hour = part(8, 2), min = part(10, 2),
      sec = part(12, 2), msec = part(14, 3) + 1;
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const int month_days = (month == 2 && leap) ? 29 : kDays[(month - 1) % 12];
  if (msec > 999) msec = 0, ++sec;
  if (sec > 59) sec = 0, ++min;
  if (min > 59) min = 0, ++hour;
  if (hour > 23) hour = 0, ++day;
  if (day > month_days) day = 1, ++month;
  if (month > 12) month = 1, ++year;
  return FormatTimeStamp(year, month, day, hour, min, sec, msec);
}

}  // namespace

TUniKEY::TUniKEY(TComponent* owner)
    : TComponent(owner), data_link_(std::make_unique<TFieldDataLink>()) {
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

std::string TUniKEY::DataField() const {
  return data_link_ ? data_link_->FieldName() : std::string();
}

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
  saved_post_error_ = data_set->OnPostError();
  data_set->SetOnPostError(OwnPostError());
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
    const TDataSetErrorEvent own_error = OwnPostError();
    if (data_set->OnPostError() == own_error) {
      data_set->SetOnPostError(saved_post_error_);
    } else {
      for (TUniKEY* other : LiveStampers())
        if (other != this && other->hooked_data_set_ == data_set &&
            other->saved_post_error_ == own_error)
          other->saved_post_error_ = saved_post_error_;
    }
    RemoveFreeNotification(data_set);
  }
  hooked_data_set_ = nullptr;
  saved_new_record_ = nullptr;
  saved_post_error_ = nullptr;
  hook_installed_ = false;
}

void TUniKEY::GiveBackStateChange() {
  if (data_source_ && state_change_taken_) {
    const TNotifyEvent own = OwnStateChange();
    if (data_source_->OnStateChange() == own) {
      data_source_->SetOnStateChange(saved_state_change_);
    } else {
      for (TUniKEY* other : LiveStampers())
        if (other != this && other->data_source_ == data_source_ &&
            other->saved_state_change_ == own)
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

std::string TUniKEY::NextTime(bool wait) {
  std::string time = GetTimeStamp();
  // Records within one millisecond: the clock moves on within a millisecond.
  while (wait && time == last_time_) time = GetTimeStamp();
  // The clock reads earlier than the last stamp (set back, or an hour that
  // repeats): the stamps of that stretch would come again, so go on from the
  // last stamp instead. A descendant's own key text is left as it is.
  if (IsTimeText(time) && IsTimeText(last_time_) && time <= last_time_)
    time = NextMillisecond(last_time_);
  return time;
}

void TUniKEY::WriteStamp(const std::string& time, const std::string& text) {
  const std::string key = time + text;
  // A cut key would repeat until its leading digits change: refuse it
  // before anything is written.
  CheckFieldWidth(key);
  TField* field = data_link_->Field();
  field->SetAsVariant(TVariant(key));
  last_time_ = time;
  last_text_ = text;
  last_stamp_ = field->AsString();
}

void TUniKEY::pNewRecord(TDataSet* data_set) {
  restamps_left_ = 0;
  if (!Has(csDesigning) && data_link_ && data_link_->CanModify()) {
    std::string us_stamp;
    if (before_uni_key_made_) before_uni_key_made_(this, us_stamp);
    WriteStamp(NextTime(true), us_stamp);
    restamps_left_ = kMaxRestamps;
  }
  if (saved_new_record_) saved_new_record_(data_set);
}

void TUniKEY::PostError(TDataSet* data_set, const EDatabaseError& error, TDataAction& action) {
  // Only a record this stamper stamped, still holding its stamp: an
  // application that wrote its own key into the field chose it itself.
  TField* field = data_link_ ? data_link_->Field() : nullptr;
  if (dynamic_cast<const EKeyViolation*>(&error) && restamps_left_ > 0 &&
      data_set->State() == dsInsert && field && !field->IsNull() &&
      field->AsString() == last_stamp_) {
    --restamps_left_;
    // Go on from the highest stamp stored, not just our own last: another
    // stamper that ran ahead of the clock would take our next steps first.
    const TVariant highest = data_set->Highest(field->FieldName());
    if (!highest.IsNull()) {
      const std::string time = highest.AsString().substr(0, kTimeStampLength);
      if (IsTimeText(time) && time > last_time_) last_time_ = time;
    }
    // Each try a millisecond further past it: a stamper that went past the
    // clock takes the next milliseconds one by one, and a loser that aimed
    // only at the next one would race it for that one on every try.
    if (IsTimeText(last_time_))
      for (int i = restamps_left_; i < kMaxRestamps; ++i) last_time_ = NextMillisecond(last_time_);
    // No wait: the other stamper's clock may be where ours is.
    WriteStamp(NextTime(false), last_text_);
    action = daRetry;
  }
  if (saved_post_error_) saved_post_error_(data_set, error, action);
}

std::string TUniKEY::GetTimeStamp() {
  present_ = Now();
  DecodeDate(present_, year_, month_, day_);
  DecodeTime(present_, hour_, min_, sec_, msec_);
  return FormatTimeStamp(year_, month_, day_, hour_, min_, sec_, msec_);
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
  static const TClassInfo info =
      Published<TUniKEY>()
          .Property("DataSource", &TUniKEY::DataSource, &TUniKEY::SetDataSource)
          .Property("DataField", &TUniKEY::DataField, &TUniKEY::SetDataField)
          .Event("BeforeUniKeyMADE", &TUniKEY::BeforeUniKeyMADE, &TUniKEY::SetBeforeUniKeyMADE);
  return info;
}

void unikey::Register() { RegisterClass(TUniKEY::StaticClassInfo()); }

}  // namespace orv
