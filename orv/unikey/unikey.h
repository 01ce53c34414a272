// TUniKEY: stamps every record that a dataset inserts with a unique,
// time-based key: the local date and time to the millisecond (17 digits,
// YYYYMMDDhhmmsszzz) followed by optional text that the application supplies
// through BeforeUniKeyMADE. It needs no shared counter: among the records of
// one stamper the key is made unique by waiting for the clock to move on to
// the next millisecond.
//
// Stamps only grow. Each stamp's time part is greater than the last one's:
// when the clock reads earlier than the last stamp (it was set back, or the
// hour repeats at the end of summer time) the stamper goes on from its last
// stamp a millisecond at a time, every stamp still a valid time, until the
// clock has caught up.
//
// Other programs stamping the same table. When the post of a record that the
// stamper stamped is refused with EKeyViolation (another stamper stored the
// same stamp first, where the field is unique in its table), the stamper
// stamps the record afresh, past the highest stamp stored in the field, and
// has it written again, at most kMaxRestamps times; then the error reaches
// whoever posted. The stamper does not ask which key was violated: a record
// refused for another key is tried again too, within the same bound, with
// the handler it found in OnPostError run after each fresh stamp so that the
// application may choose that key anew. Stamps that went past the clock go
// on a millisecond at a time until the clock catches up.
//
// How it hooks in. Linked to a data source at run time, the stamper takes over
// the data source's OnStateChange; at the data source's first change to a
// state other than inactive it takes over the dataset's OnNewRecord and
// OnPostError (the two are taken, followed and given back together). The
// handlers it finds there are saved and called after its own work, so the
// application's own handlers still run and already see the stamp in the field.
// In the designer (csDesigning) it takes over nothing and writes nothing.
//
// Giving back. No handler of a stamper stays on an object that outlives it:
// when DataSource changes, when the data source or the hooked dataset is
// destroyed, and when the stamper is destroyed, it puts the saved handlers
// back, but only into an event that still holds the stamper's own handler (a
// handler that the application assigned after the take-over is left alone).
// When several stampers are chained on one event and one of them goes first,
// it splices itself out of the chain: the stamper that saved its handler
// gets the handler that it had saved instead.
//
// A data source whose DataSet changes after the hook was installed: the hook
// follows the data source. At the data source's next change to a state other
// than inactive (at the latest the change to insert that precedes every new
// record) the stamper gives the old dataset its OnNewRecord back and takes
// over the new dataset's. The stamper stamps for the data source it is linked
// to, whatever dataset that data source shows.
//
// Threading: everything runs in the thread that drives the dataset (the UI
// thread); nothing is locked. Separate stampers share no working state.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include <orv/host/classes/closure.h>
#include <orv/host/classes/component.h>
#include <orv/host/classes/events.h>
#include <orv/host/db/dataset.h>
#include <orv/host/rtl/datetime.h>
#include <orv/host/rtl/sysutils.h>

namespace orv {

class TDataSet;
class TDataSource;
class TFieldDataLink;

// Events of the unit that no property of the stamper uses; they exist for
// applications that name them.
using TUKAfterPostEvent = TClosure<TObject*>;
using TUKNewRecordEvent = TClosure<TObject*>;

// A single-byte text of at most 20 characters; a longer text is cut.
// A value type; not synchronised.
class TrString {
 public:
  static constexpr std::size_t kMaxLength = 20;  // longest text it holds

  TrString() = default;
  TrString(std::string_view s) : s_(s.substr(0, kMaxLength)) {}      // NOLINT: implicit by design
  TrString(const char* s) : TrString(std::string_view(s)) {}         // NOLINT
  TrString(const std::string& s) : TrString(std::string_view(s)) {}  // NOLINT

  std::size_t Length() const { return s_.size(); }
  bool Empty() const { return s_.empty(); }
  const std::string& str() const { return s_; }
  operator std::string_view() const { return s_; }  // NOLINT

  friend bool operator==(const TrString& a, const TrString& b) = default;

 private:
  std::string s_;
};

// The unit's own procedures, apart from the generator unit's namesakes.
namespace unikey {

// Replaces every blank in s by '0', in place (the run-time library's).
using ::orv::SpcTo0;

// Registers TUniKEY with the class registry (its published DataSource,
// DataField and BeforeUniKeyMADE), so that form files can create it by name.
// The designer's palette page "Orv" is filled by the design-time package,
// which calls this first. Registering again is harmless. Main thread, at
// start-up.
void Register();

}  // namespace unikey

class TUniKEY : public TComponent {
  ORV_CLASS(TUniKEY, TComponent)

 public:
  // Length of the time part of a key: YYYYMMDDhhmmsszzz.
  static constexpr int kTimeStampLength = 17;
  // Most fresh stamps one record gets after its post was refused for a key.
  static constexpr int kMaxRestamps = 10;

  // Not linked, hook not installed, last stamp empty.
  explicit TUniKEY(TComponent* owner);

  // The linked data source (not owned), or null.
  TDataSource* DataSource() const { return data_source_; }
  // Links the stamper to value (null unlinks). Gives back whatever it had
  // taken over from the earlier data source and its dataset, then, outside
  // the designer, saves value's OnStateChange and installs StateChange in it.
  // Linking the data source that is already linked changes nothing.
  void SetDataSource(TDataSource* value);

  // The name of the stamped field ("" when there is no field data link).
  std::string DataField() const;
  void SetDataField(const std::string& value);

  const TUKBeforeUnKMadeEvent& BeforeUniKeyMADE() const { return before_uni_key_made_; }
  void SetBeforeUniKeyMADE(TUKBeforeUnKMadeEvent value) { before_uni_key_made_ = std::move(value); }

  // The key's time part for the current moment (orv::Now): "%4d%2d%2d" of
  // year, month and day, "%2d%2d%2d%3d" of hour, minute, second and
  // millisecond, blanks turned to '0'. Keeps the moment and its decoded
  // parts in the stamper. Descendants may return another text; the stamper
  // reaches the key only through this operation.
  virtual std::string GetTimeStamp();

  // Installed as the data source's OnStateChange: at a change to a state
  // other than inactive it takes over the current dataset's OnNewRecord
  // (moving it from an earlier dataset of the data source), then calls the
  // saved state-change handler with sender.
  void StateChange(TObject* sender);

  // Installed as the dataset's OnNewRecord. Outside the designer, when the
  // field can be written: asks BeforeUniKeyMADE for text and writes the time
  // part + text into the field. The time part is GetTimeStamp(), read again
  // while it equals the last stamp's (a busy wait for the next millisecond);
  // one earlier than the last stamp's is replaced by the last one plus a
  // millisecond. The field's text is kept as the last stamp. Then it calls
  // the saved new-record handler with data_set, also when nothing was written.
  // On failure: raises orv::Exception "Field 'F' is too narrow for the key: it
  // holds W characters, the key needs N" (or "Field 'F' is not a string field:
  // the key is text") before anything is written; an error of the event
  // handler or of the data layer leaves at once. Either way the saved handler
  // does not run and the error reaches whoever inserted the record.
  void pNewRecord(TDataSet* data_set);

  // Installed as the dataset's OnPostError. For a record that it stamped and
  // whose post was refused with EKeyViolation, fewer than kMaxRestamps times
  // so far: writes a fresh stamp (a time part past both the last stamp's and
  // that of the highest value stored in the field, by one millisecond more
  // on each try, without waiting; the same text) and sets action to daRetry.
  // Then it calls the
  // saved handler, which may change the action.
  void PostError(TDataSet* data_set, const EDatabaseError& error, TDataAction& action);

  // Forgets a data source or dataset that is being destroyed, giving back to
  // a dataset that lives on the handler that the stamper took from it.
  void Notification(TComponent* component, TOperation operation) override;
  void Loaded() override;

  // The text the field held after the last stamping ("" until the first).
  const std::string& LastStamp() const { return last_stamp_; }
  // The moment read by the last GetTimeStamp call.
  TDateTime Present() const { return present_; }
  // True once the dataset's OnNewRecord runs pNewRecord.
  bool HookInstalled() const { return hook_installed_; }

 protected:
  ~TUniKEY() override;

 private:
  TNotifyEvent OwnStateChange() { return TNotifyEvent(this, &TUniKEY::StateChange); }
  TDataSetNotifyEvent OwnNewRecord() { return TDataSetNotifyEvent(this, &TUniKEY::pNewRecord); }
  TDataSetErrorEvent OwnPostError() { return TDataSetErrorEvent(this, &TUniKEY::PostError); }
  // Takes over data_set's OnNewRecord and OnPostError and asks to hear of its
  // destruction.
  void HookDataSet(TDataSet* data_set);
  // Gives the hooked dataset its saved handlers back and forgets it.
  void UnhookDataSet();
  // The time part of the next stamp (see pNewRecord); waits for the clock to
  // leave the last stamp's millisecond only when wait is true.
  std::string NextTime(bool wait);
  // Writes time + text into the field and keeps it as the last stamp.
  void WriteStamp(const std::string& time, const std::string& text);
  // Gives the data source its saved OnStateChange back.
  void GiveBackStateChange();
  // Raises when field cannot hold key (see pNewRecord).
  void CheckFieldWidth(const std::string& key) const;

  TDataSource* data_source_ = nullptr;
  TDateTime present_ = 0;
  uint16_t year_ = 0, month_ = 0, day_ = 0, hour_ = 0, min_ = 0, sec_ = 0, msec_ = 0;
  TUKBeforeUnKMadeEvent before_uni_key_made_;
  std::unique_ptr<TFieldDataLink> data_link_;
  bool hook_installed_ = false;
  bool state_change_taken_ = false;  // OnStateChange of data_source_ was taken over
  TNotifyEvent saved_state_change_;
  TDataSetNotifyEvent saved_new_record_;
  TDataSetErrorEvent saved_post_error_;
  TDataSet* hooked_data_set_ = nullptr;  // the dataset whose events were taken over
  // Kept whole: a cut copy never equals a longer key, so two records stamped
  // in the same millisecond would get equal keys.
  std::string last_stamp_;
  std::string last_time_;  // the time part of the last stamp
  std::string last_text_;  // the event's text in the last stamp
  int restamps_left_ = 0;  // fresh stamps the record in hand may still get
};

}  // namespace orv
