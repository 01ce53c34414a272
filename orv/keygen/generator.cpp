#include <orv/keygen/generator.h>

#include <chrono>
#include <string_view>
#include <thread>
#include <typeinfo>
#include <utility>
#include <vector>

#include <orv/host/classes/filer.h>
#include <orv/host/classes/reader.h>
#include <orv/host/classes/typinfo.h>
#include <orv/host/classes/writer.h>
#include <orv/host/db/dberrors.h>
#include <orv/host/db/field.h>
#include <orv/host/db/session.h>
#include <orv/host/db/table.h>
#include <orv/host/rtl/dialogs.h>
#include <orv/host/rtl/exception.h>
#include <orv/host/rtl/random.h>
#include <orv/host/rtl/sysutils.h>
#include <orv/keygen/gentable.h>
#include <orv/keygen/ownerstamp.h>
#include <orv/keygen/timestamp.h>

namespace orv {

namespace {

constexpr char kOpenFailed[] = "Error while opening generator table GENTBL.DB!\r\nCheck tGenAlias!";
constexpr char kCaptionInfo[] = "Generator Information";  // caption of notices and setter errors
constexpr char kCaptionBusy[] = "Generator";              // caption of the busy notice

// A mask as the messages show it: quoted, control characters as #code.
std::string QuotedMask(const std::string& mask) {
  std::string shown = "'";
  for (const char c : mask) {
    const auto code = static_cast<unsigned char>(c);
    if (code < 0x20 || code == 0x7F)
      shown += "'#" + IntToStr(static_cast<long long>(code)) + "'";
    else
      shown += c;
  }
  return shown + "'";
}

std::string NoCountingPart(const std::string& mask) {
  return "The mask " + QuotedMask(mask) +
         " has no counting part (# $ & or a [set]), so every key would be the same";
}

// The last five characters of a stamp (seconds and milliseconds) as a number.
int SecondsAndMs(std::string_view stamp) {
  return StrToInt(stamp.substr(stamp.size() >= 5 ? stamp.size() - 5 : 0));
}

}  // namespace

const TClassInfo& TGenerator::StaticClassInfo() {
  // The published properties and events in stream order; texts are stored
  // when not empty, events when assigned, GeneratorType when not 0.
  static const TClassInfo info =
      Published<TGenerator>()
          .Property("Mask", &TGenerator::Mask, &TGenerator::SetMask)
          .Property("StartValue", &TGenerator::StartValue, &TGenerator::SetStartValue)
          .Property("EndValue", &TGenerator::EndValue, &TGenerator::SetEndValue)
          .Property("GeneratorType", &TGenerator::GeneratorType, &TGenerator::SetGeneratorType)
          .Default(0)
          .Event("GetUserPrefixes", &TGenerator::GetUserPrefixes, &TGenerator::SetGetUserPrefixes)
          .Event("OnOverFlowMask", &TGenerator::OnOverFlowMask, &TGenerator::SetOnOverFlowMask)
          .Event("OnSubOverMask", &TGenerator::OnSubOverMask, &TGenerator::SetOnSubOverMask)
          .Event("OnNewRecord", &TGenerator::OnNewRecord, &TGenerator::SetOnNewRecord)
          .Event("OnUndoFailed", &TGenerator::OnUndoFailed, &TGenerator::SetOnUndoFailed);
  return info;
}

TGenerator::TGenerator(TComponent* owner) : TComponent(owner) {
  generator_type_ = 0;
  owner_stamp_ = NewOwnerStamp().substr(0, kStampCapacity);
  Randomize();
  wait_length_ = Random(kWaitRange);
  disabled_ = false;
  table_ = new TTable(this);
  mask_ = std::make_unique<TGenMask>();
  mask_->SetOnGetPROC(TGenProcEvent(this, &TGenerator::pGetPROC));
  mask_->SetOnOverFlow(TGOverFlowEvent(this, &TGenerator::pOverFlow));
  mask_->SetOnSubOver(TGOverFlowEvent(this, &TGenerator::pSubOver));
  database_name_ = kDefaultGenDatabase;
  table_name_ = kDefaultGenTable;
}

TGenerator::~TGenerator() {
  if (table_) {
    try {
      table_->Close();
    } catch (const std::exception&) {
      // A table that cannot even close is freed all the same.
    }
    FreeAndNil(table_);
  }
  mask_.reset();
}

void TGenerator::DefineProperties(TFiler* filer) {
  TComponent::DefineProperties(filer);
  filer->DefineProperty("DataBaseName", this, &TGenerator::ReadDBData, &TGenerator::WriteDBData,
                        true);
  filer->DefineProperty("TableName", this, &TGenerator::ReadTblData, &TGenerator::WriteTblData,
                        true);
}

void TGenerator::ReadDBData(TReader* reader) { database_name_ = reader->ReadString(); }
void TGenerator::WriteDBData(TWriter* writer) { writer->WriteString(database_name_); }
void TGenerator::ReadTblData(TReader* reader) { table_name_ = reader->ReadString(); }
void TGenerator::WriteTblData(TWriter* writer) { writer->WriteString(table_name_); }

void TGenerator::Loaded() {
  TComponent::Loaded();
  if (!Has(csDesigning)) InitDB();
}

// --- Properties ---

void TGenerator::SetMask(const std::string& text) {
  if (!text.empty()) {
    for (const char c : text) {
      const auto code = static_cast<unsigned char>(c);
      if (code < 0x20 || code == 0x7F)
        throw Exception("The mask " + QuotedMask(text) + " holds the control character #" +
                        IntToStr(static_cast<long long>(code)) + "; a key cannot hold it");
    }
    // Scanned apart first, so that a refused mask leaves the generator as it was.
    TGenMask probe;
    probe.ScanMask(text);
    if (probe.GetSuffix().Empty()) throw Exception(NoCountingPart(text));
  }
  if (text.empty()) disabled_ = true;
  mask_text_ = text;
  mask_->ScanMask(text);
}

void TGenerator::SetStartValue(const TmString& value) {
  start_value_.Clear();
  if (mask_->Count() == 0) return;
  start_value_ = value;
  mask_->SetStartValue(value);
  if (start_value_.Empty() || end_value_.Empty()) return;
  if (CompareText(end_value_, start_value_) > 0) {
    disabled_ = false;
  } else {
    MessageBox("StartValue must be lower than EndValue", kCaptionInfo, MB_OK | MB_ICONERROR);
    start_value_.Clear();
    disabled_ = true;
  }
}

void TGenerator::SetEndValue(const TmString& value) {
  end_value_.Clear();
  if (value.Empty() || mask_->Count() == 0) return;
  end_value_ = value;
  mask_->SetEndValue(value);
  if (start_value_.Empty() || end_value_.Empty()) return;
  if (CompareText(end_value_, start_value_) > 0) {
    disabled_ = false;
  } else {
    MessageBox("EndValue must be greater than StartValue", kCaptionInfo, MB_OK | MB_ICONERROR);
    end_value_.Clear();
    disabled_ = true;
  }
}

// --- Opening the table ---

void TGenerator::InitDB() {
  try {
    Screen()->SetCursor(crAppStart);
    // Names are handed over only when they changed: the data layer refuses to
    // rename an open table, while a second InitDB with the same names just
    // checks the open table again.
    if (table_->DatabaseName() != database_name_) table_->SetDatabaseName(database_name_);
    if (table_->TableName() != table_name_) table_->SetTableName(table_name_);
    // A server that ends the session meanwhile is waited for as in a request.
    std::vector<std::string> problems;
    Reconnecting reconnecting;
    for (;;) {
      try {
        if (!table_->Active()) table_->Open();
        problems = GenTableFormatProblems(*table_);
        break;
      } catch (const EConnectionLost& lost) {
        Reconnect(lost, reconnecting);  // raises once the server stays away
      }
    }
    if (!problems.empty()) {
      std::string why = "Bad table format";
      for (std::size_t i = 0; i < problems.size(); ++i) why += (i ? "; " : ": ") + problems[i];
      throw Exception(why);
    }
    Screen()->SetCursor(crDefault);
  } catch (const std::exception& e) {
    Screen()->SetCursor(crDefault);
    // The fixed text first, then what really went wrong, which the user can act on.
    ShowMessage(std::string(kOpenFailed) + "\r\n" + e.what());
    disabled_ = true;
  }
}

// --- The claim protocol ---

void TGenerator::CancelEdit() {
  try {
    if (table_->State() == dsEdit || table_->State() == dsInsert) table_->Cancel();
  } catch (const std::exception&) {
    // The next Edit starts from whatever the failure left.
  }
}

void TGenerator::EditOwnRow() {
  // Waiting generators lock the row only for the one post that counts their
  // wait; a claim holder that gave up at once on such a lock would lose its
  // claim to them, so it tries again for a short while.
  const auto give_up =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(kOwnRowPatienceMs);
  for (;;) {
    try {
      table_->Edit();
      return;
    } catch (const ELockConflict&) {
      if (std::chrono::steady_clock::now() >= give_up) throw;
      std::this_thread::sleep_for(std::chrono::microseconds(kOwnRowPauseUs));
    }
  }
}

std::string TGenerator::RowImage() const {
  const TGenRow row = Row();
  return row.State()->AsString() + "\x1f" + row.Try()->AsString() + "\x1f" +
         row.Time()->AsString() + "\x1f" + row.Who()->AsString() + "\x1f" +
         row.Suffix()->AsString();
}

void TGenerator::LockRefused(const ELockConflict& refused) {
  using Clock = std::chrono::steady_clock;
  const auto now = Clock::now();
  LockWait& w = lock_wait_;
  if (!w.waiting) {
    // Counted from the request's start or its last lock, so that the engine's
    // own wait for the lock counts too.
    w.waiting = true;
    if (w.since == Clock::time_point()) w.since = now;
    w.next_look = w.since + std::chrono::milliseconds(kBusyNoticeMs);
    w.row = RowImage();
    return;
  }
  if (now < w.next_look) return;
  w.next_look = now + std::chrono::milliseconds(kLockLookMs);
  // Programs that take turns on the row move it: that is ordinary contention,
  // and the wait starts again. Only a row that stays as it was, locked, is
  // held by one program (a plain read is not kept out by the lock).
  if (!LocateRow() || RowImage() != w.row) {
    w.since = now;
    w.row = RowImage();
    return;
  }
  if (!w.noticed) {
    w.noticed = true;
    MessageBox("Gentbl is busy. Try again!", kCaptionBusy, MB_OK | MB_ICONINFORMATION);
  }
  if (w.bound_seconds == 0) {
    w.bound_seconds = kDefaultLockWaitSeconds;
    try {
      w.bound_seconds = LockWaitSeconds(Session()->ResolveDatabase(table_->DatabaseName()));
    } catch (const std::exception&) {
      // The alias was good enough to open the table; keep the default.
    }
  }
  if (now - w.since >= std::chrono::seconds(w.bound_seconds))
    throw ELockConflict(refused.Message() + "; gave up after waiting " +
                        IntToStr(static_cast<long long>(w.bound_seconds)) +
                        " seconds (the alias setting lock_wait_seconds)");
}

TGenRow TGenerator::Row() const { return TGenRow(*table_); }

void TGenerator::CheckStoredSuffix() {
  // A suffix of another width (a mask sharing the prefix but counting
  // further) or with characters its wheels cannot hold (edited by hand) would
  // step into a malformed key, or back onto keys already issued.
  const TField* stored = Row().Suffix();
  if (mask_->Fits(stored->AsString())) return;
  const std::string shown =
      stored->IsNull() ? "no suffix (NULL)" : "the suffix '" + stored->AsString() + "'";
  throw Exception("The generator table's row for prefix '" + prefix_.str() + "' holds " + shown +
                  ", which does not fit the mask " + mask_text_ + " (" +
                  IntToStr(static_cast<long long>(mask_->GetSuffix().Length())) +
                  " counting characters); the row is left as it is");
}

bool TGenerator::ReadDATA() {
  // The copy the table object holds may be stale; every decision below is
  // taken again on the row that Edit re-read and locked, so two generators
  // can never both see it free, and a live claim is never broken on the
  // strength of an old Try or Time.
  const bool looked_free = Row().State()->AsFloat() == 0;
  try {
    table_->Edit();
    if (Row().State()->AsFloat() != 0) {
      TField* tries = Row().Try();
      if (tries->AsFloat() > kMaxTries || CheckTimeOut(Row().Time()->AsString())) {
        Row().State()->SetAsVariant(TVariant(0));  // break the stale claim
      } else {
        tries->SetAsVariant(TVariant(tries->AsInteger() + 1));  // count this wait
      }
      table_->Post();
      EndLockWait();
      return false;
    }
    CheckStoredSuffix();
    claim_ = {Row().Who()->AsString(), Row().Time()->AsString(), Row().Suffix()->AsString()};
    Row().State()->SetAsVariant(TVariant(1));
    table_->Post();
    holding_ = true;
    EndLockWait();
  } catch (const ELockConflict& refused) {
    CancelEdit();
    LockRefused(refused);
    if (!looked_free)
      Wait();  // counting or breaking failed; a failed claim post is waited for by the caller
    return false;
  } catch (...) {
    // Not another program's lock: trying again would fail the same way. A
    // failed post wrote nothing, so no claim is held.
    CancelEdit();
    throw;
  }

  // Stamp the claim with this generator's identity.
  try {
    EditOwnRow();
    // Broken between the two posts: the claim is no longer this generator's.
    if (Row().State()->AsFloat() != 1) {
      CancelEdit();
      holding_ = false;
      return false;
    }
    const std::string stamp = GetTimeStamp();
    Row().Who()->SetAsString(owner_stamp_);
    Row().Try()->SetAsVariant(TVariant(0));
    Row().Time()->SetAsString(stamp);
    table_->Post();
    claim_.who = owner_stamp_;
    claim_.time = stamp;
  } catch (const ELockConflict& refused) {
    // Left to the waiting generators, which break it once it is stale.
    CancelEdit();
    holding_ = false;
    LockRefused(refused);
    return false;
  } catch (...) {
    CancelEdit();
    ReleaseClaim();
    throw;
  }
  loaded_suffix_ = Row().Suffix()->AsString();
  suffix_ = loaded_suffix_;
  mask_->SetSuffix(suffix_);
  return true;
}

bool TGenerator::WriteDATA() {
  try {
    EditOwnRow();
    // Issue the key only from the claim this generator took and the suffix it
    // loaded; a claim broken and taken over meanwhile has moved one of them.
    if (Row().State()->AsFloat() != 1 || Row().Who()->AsString() != owner_stamp_ ||
        Row().Suffix()->AsString() != loaded_suffix_.str()) {
      CancelEdit();
      holding_ = false;
      return false;
    }
    // Waits counted during this claim mean other generators are queuing.
    const bool others_waited = Row().Try()->AsFloat() > 0;
    const std::string stamp = GetTimeStamp();
    Row().Suffix()->SetAsString(suffix_.str());
    Row().Try()->SetAsVariant(TVariant(0));
    Row().Time()->SetAsString(stamp);
    Row().Who()->SetAsString(owner_stamp_);
    Row().State()->SetAsVariant(TVariant(0));
    // Should the connection drop before the commit is confirmed, the row
    // tells afterwards whether this write was stored.
    sent_ = {suffix_.str(), stamp, true};
    table_->Post();
    sent_.pending = false;
    holding_ = false;
    yield_next_ = others_waited;
    return true;
  } catch (const ELockConflict&) {
    CancelEdit();
    holding_ = false;  // left to the waiting generators, which break it once it is stale
    return false;
  } catch (...) {
    CancelEdit();
    ReleaseClaim();
    throw;
  }
}

void TGenerator::ReleaseClaim() noexcept {
  if (!holding_) return;
  try {
    EditOwnRow();
    // Only the claim as this generator left it: a claim broken and taken
    // over meanwhile belongs to someone else.
    if (Row().State()->AsFloat() == 1 && Row().Who()->AsString() == claim_.who &&
        Row().Time()->AsString() == claim_.time && Row().Suffix()->AsString() == claim_.suffix) {
      Row().State()->SetAsVariant(TVariant(0));
      table_->Post();
    } else {
      CancelEdit();
    }
    holding_ = false;
  } catch (const EConnectionLost&) {
    CancelEdit();  // still held: freed once the server is back
  } catch (const std::exception&) {
    // The database refuses even this; waiting generators break the claim
    // once it is stale.
    CancelEdit();
    holding_ = false;
  }
}

bool TGenerator::CheckTimeOut(const TmString& stamp) {
  const std::string now = GetTimeStamp();
  return SecondsAndMs(now) - SecondsAndMs(stamp) > kClaimTimeoutMs;
}

void TGenerator::Wait() {
  // A pause that differs from generator to generator and from one wait to
  // the next, so that waiting programs neither run in step nor keep the
  // processor from the one that holds the claim; then the next length.
  std::this_thread::sleep_for(std::chrono::microseconds((wait_length_ + 1) * kWaitUnitUs));
  wait_length_ = Random(kWaitRange);
}

// --- Key generation ---

bool TGenerator::LocateRow() {
  return table_->Locate(kGenTableKey, {TVariant(generator_type_), TVariant(prefix_.str())});
}

void TGenerator::NullRecord() {
  if (on_new_record_)
    on_new_record_(this, suffix_);
  else
    mask_->NullValue();
  suffix_ = mask_->GetSuffix();
  prefix_ = mask_->GetPrefix();
}

void TGenerator::FullRecord() {
  mask_->FullValue();
  suffix_ = mask_->GetSuffix();
  prefix_ = mask_->GetPrefix();
}

bool TGenerator::MakeNewRecord() {
  insert_failure_.clear();
  try {
    NullRecord();
    CheckWidths();  // the user characters may have changed the prefix
    table_->Insert();
    Row().GenID()->SetAsVariant(TVariant(generator_type_));
    Row().Prefix()->SetAsString(prefix_.str());
    Row().Suffix()->SetAsString(suffix_.str());
    Row().Time()->SetAsString(GetTimeStamp());
    Row().State()->SetAsVariant(TVariant(0));
    Row().Try()->SetAsVariant(TVariant(0));
    Row().Who()->SetAsString(owner_stamp_);
    table_->Post();
    return true;
  } catch (const EConnectionLost&) {
    // The request reconnects and looks again: a row the insert stored is
    // found then (its start value a gap), a row it did not is inserted anew.
    CancelEdit();
    throw;
  } catch (const std::exception& e) {
    insert_failure_ = e.what();
    CancelEdit();
    return false;
  }
}

void TGenerator::CheckWidths() {
  // What the table cannot hold whole would be cut when stored: a cut prefix
  // never finds its row again, a cut suffix counts from the wrong value.
  auto check = [&](const char* field, const TmString& text, const std::string& what) {
    const TField* f = table_->FindField(field);
    if (!f || f->Size() <= 0 || static_cast<int>(text.Length()) <= f->Size()) return;
    throw Exception(what + " has " + IntToStr(static_cast<long long>(text.Length())) +
                    " characters, but the generator table's " + field + " field holds " +
                    IntToStr(f->Size()));
  };
  check(kFieldPrefix, prefix_, "The prefix '" + prefix_.str() + "' of mask " + mask_text_);
  check(kFieldSuffix, suffix_, "The counting part of mask " + mask_text_);
}

TmString TGenerator::Generator() {
  if (disabled_) return TmString();
  prefix_ = mask_->GetPrefix();
  suffix_ = mask_->GetSuffix();
  // SetMask refuses such a mask; one scanned into the engine directly would
  // give the same key on every request.
  if (suffix_.Empty()) throw Exception(NoCountingPart(mask_text_));
  CheckWidths();

  Reconnecting reconnecting;
  StartLockWait();
  for (;;) {
    sent_.pending = false;
    try {
      TmString key = IssueKey();
      NoteIssued();
      return key;
    } catch (const EConnectionLost& lost) {
      // A write whose commit the server made but could not confirm has
      // issued its key: return that key rather than leave a gap.
      if (Reconnect(lost, reconnecting)) {
        NoteIssued();
        return mask_->GetMskValue();
      }
    }
  }
}

std::vector<TmString> TGenerator::GeneratorBlock(int count) {
  if (count < 0) throw Exception("A block of keys needs a count of 0 or more");
  std::vector<TmString> keys;
  if (disabled_ || count == 0) return keys;
  keys.reserve(static_cast<std::size_t>(count));
  // An override of ReadDATA or WriteDATA is called for every key.
  if (!UsesSingleCommit()) {
    while (static_cast<int>(keys.size()) < count) keys.push_back(Generator());
    return keys;
  }
  prefix_ = mask_->GetPrefix();
  suffix_ = mask_->GetSuffix();
  if (suffix_.Empty()) throw Exception(NoCountingPart(mask_text_));
  CheckWidths();
  while (static_cast<int>(keys.size()) < count) {
    const int wanted = count - static_cast<int>(keys.size());
    Reconnecting reconnecting;
    for (;;) {
      sent_.pending = false;
      block_.clear();
      try {
        const TmString last = IssueKey(wanted);
        if (wanted == 1) block_.assign(1, last);
        break;
      } catch (const EConnectionLost& lost) {
        // A write whose commit the server made but could not confirm has
        // issued its keys: the block stepped for it, or the claim's one key.
        if (Reconnect(lost, reconnecting)) {
          if (wanted == 1 || block_.empty()) block_.assign(1, mask_->GetMskValue());
          break;
        }
      }
    }
    keys.insert(keys.end(), block_.begin(), block_.end());
    NoteIssued();  // the block's last key: what Undo may withdraw
  }
  return keys;
}

void TGenerator::NoteIssued() {
  if (issued_prefix_ != prefix_.str()) {
    issued_.clear();
    issued_prefix_ = prefix_.str();
  }
  // A deque: on a long run the oldest goes at every key, in constant time.
  if (issued_.size() >= kUndoDepth) issued_.pop_front();
  issued_.push_back(suffix_.str());
}

bool TGenerator::SentWriteStored() {
  if (!sent_.pending) return false;
  sent_.pending = false;
  // Only this write leaves the row free with this generator's stamp, this
  // time and this suffix: any later claim would have changed Who and Time,
  // and a claim broken as stale keeps the old suffix.
  return LocateRow() && Row().State()->AsFloat() == 0 && Row().Who()->AsString() == owner_stamp_ &&
         Row().Time()->AsString() == sent_.time && Row().Suffix()->AsString() == sent_.suffix;
}

bool TGenerator::Reconnect(const EConnectionLost& lost, Reconnecting& state) {
  using Clock = std::chrono::steady_clock;
  std::string why = lost.Message();
  // A fresh connection, then a claim that the lost session took and that may
  // still show in the row (its write may or may not have reached the
  // server) is freed.
  auto reopen = [&] {
    table_->Close();
    table_->Open();
    if (holding_) {
      if (LocateRow())
        ReleaseClaim();
      else
        holding_ = false;
    }
  };
  bool connected = true;   // the last connection attempt reached the server
  bool announced = false;  // the waiting notice was given in this call
  for (;;) {
    // A server that merely dropped the session gets one fresh connection at
    // once, in silence; after that every attempt counts against the bound, so
    // that a server that keeps dropping sessions ends the request too.
    if (state.tried_at_once) {
      if (!state.waiting) {
        // Said once per request; the busy notice stays for another program's lock.
        MessageBox("Lost the connection to the database server; waiting for it to come back",
                   kCaptionBusy, MB_OK | MB_ICONINFORMATION);
        state.waiting = true;
        announced = true;
        int seconds = kDefaultReconnectSeconds;
        try {
          seconds = ReconnectSeconds(Session()->ResolveDatabase(table_->DatabaseName()));
        } catch (const std::exception&) {
          // The alias was good enough to open the table; keep the default.
        }
        state.give_up = Clock::now() + std::chrono::seconds(seconds);
      }
      if (Clock::now() >= state.give_up) {
        if (connected && holding_) {
          try {
            reopen();  // a server that answers: leave the row free
          } catch (const std::exception&) {
            // Waiting generators break the claim once it is stale.
          }
        }
        throw EConnectionLost(why);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(kReconnectPauseMs));
    }
    state.tried_at_once = true;
    try {
      reopen();
      const bool stored = SentWriteStored();
      if (announced)
        MessageBox("The database server is back", kCaptionBusy, MB_OK | MB_ICONINFORMATION);
      return stored;
    } catch (const EConnectionLost& again) {
      why = again.Message();
      connected = false;
    }
  }
}

bool TGenerator::UsesSingleCommit() const { return typeid(*this) == typeid(TGenerator); }

bool TGenerator::OnOwnRow() const {
  if (!table_->Active() || table_->Eof()) return false;
  const TGenRow row = Row();
  return !row.GenID()->IsNull() && row.GenID()->AsFloat() == generator_type_ &&
         row.Prefix()->AsString() == prefix_.str();
}

int TGenerator::StepAhead(const std::string& stored, int count) {
  // The mask engine steps exactly as it will for the keys, with the overflow
  // callback only noting that it was reached: no notice, no event.
  bool overflows = false;
  const TGOverFlowEvent bound = mask_->OnOverFlow();
  mask_->SetOnOverFlow(
      TGOverFlowEvent::FromCallable([&](TObject*, TmString&) { overflows = true; }));
  struct Restore {
    TGenMask& mask;
    const TGOverFlowEvent& bound;
    ~Restore() { mask.SetOnOverFlow(bound); }
  } restore{*mask_, bound};
  if (count > 1) block_.clear();
  mask_->SetSuffix(stored);
  TmString last = stored;
  int steps = 0;
  for (; steps < count; ++steps) {
    mask_->Increment();
    if (overflows) break;
    if (count > 1) block_.push_back(mask_->GetMskValue());
    if (steps + 1 < count) last = mask_->GetSuffix();
  }
  if (overflows) mask_->SetSuffix(last);
  return steps;
}

TGenerator::OneCommit TGenerator::IssueInOneCommit(bool fresh, int count) {
  int unexplained = 0;  // consecutive refusals by a row that looked writable
  int lost = 0;         // writes refused because another program wrote first
  for (;;) {
    // Claimed by anyone, a program that follows the three-step claim included:
    // honoured the three-step way (counted waits, stale claims broken).
    if (Row().State()->AsFloat() != 0) return OneCommit::kClaim;
    if (!mask_->Fits(Row().Suffix()->AsString())) {
      // Refused on the row as stored now, not on a copy from an earlier request.
      if (!fresh) {
        if (!LocateRow()) return OneCommit::kGone;
        fresh = true;
        continue;
      }
      CheckStoredSuffix();
    }
    const std::string stored = Row().Suffix()->AsString();
    // The overflow notice and events wait for a person or the application:
    // they run under a claim, never inside a transaction.
    if (StepAhead(stored, count) == 0) return OneCommit::kClaim;
    suffix_ = mask_->GetSuffix();
    const std::string stamp = GetTimeStamp();
    // What WriteDATA leaves, written only while the row is free and still
    // holds the suffix stepped from; should the connection drop before the
    // commit is confirmed, the row tells afterwards whether it was stored.
    sent_ = {suffix_.str(), stamp, true};
    bool written = false;
    try {
      static const std::string kMatched = std::string(kFieldState) + ";" + kFieldSuffix;
      static const std::string kWritten = std::string(kFieldSuffix) + ";" + kFieldTry + ";" +
                                          kFieldTime + ";" + kFieldWho + ";" + kFieldState;
      written = table_->UpdateIf(kMatched, {TVariant(0), TVariant(stored)}, kWritten,
                                 {TVariant(suffix_.str()), TVariant(0), TVariant(stamp),
                                  TVariant(owner_stamp_), TVariant(0)});
    } catch (const ELockConflict& refused) {
      // Another program kept the row locked past the engine's wait: nothing
      // was written. Try again, as after a failed claim post.
      sent_.pending = false;
      LockRefused(refused);
      Wait();
      continue;
    }
    sent_.pending = false;
    EndLockWait();
    if (written) return OneCommit::kIssued;
    // Another program wrote first: decide again on the row as stored.
    if (!OnOwnRow()) return OneCommit::kGone;
    // A row that still looks free with the same suffix refused the write: a
    // value the condition cannot match (State NULL, edited by hand) or, once
    // in a while, a read that raced another writer. Twice in a row, the
    // three-step claim takes it, as it always did, instead of trying forever.
    if (Row().State()->AsFloat() == 0 && Row().Suffix()->AsString() == stored) {
      if (++unexplained > 1) return OneCommit::kClaim;
    } else if (Row().State()->AsFloat() == 0) {
      // Another program issued a key first: let it go on for a moment.
      unexplained = 0;
      if (++lost >= kMaxLostWrites) return OneCommit::kClaim;
      Wait();
    }  // else claimed meanwhile: honoured at the top of the loop
    fresh = true;
  }
}

TmString TGenerator::OneKey(int count) {
  TmString key = mask_->GetMskValue();
  if (count > 1) block_.assign(1, key);
  return key;
}

TmString TGenerator::IssueKey(int count) {
  const bool single = UsesSingleCommit();
  for (;;) {
    // The three-step claim locates the row for every key; the single commit
    // starts from the row as this generator last saw or wrote it.
    bool fresh = false;
    if (!single || !OnOwnRow()) {
      if (!LocateRow()) {
        if (MakeNewRecord()) return OneKey(count);
        // Another program may have inserted the row first (the unique key
        // refused ours): claim that row. Only a row that is still missing is
        // an error.
        if (!LocateRow()) {
          throw Exception("Can not generate new record!" +
                          (insert_failure_.empty() ? std::string() : "\r\n" + insert_failure_));
        }
      }
      fresh = true;
    }
    // After a key that others queued for, let one of them go first: without
    // this the last writer, never asleep, would win the row again and again.
    if (std::exchange(yield_next_, false)) Wait();
    // The claim issues one key; a block stepped before it was not written.
    if (!single) {
      block_.clear();
      IssueKeyByClaim();
      return OneKey(count);
    }
    switch (IssueInOneCommit(fresh, count)) {
      case OneCommit::kIssued:
        return mask_->GetMskValue();
      case OneCommit::kClaim:
        block_.clear();
        IssueKeyByClaim();
        return OneKey(count);
      case OneCommit::kGone:
        continue;  // deleted meanwhile: locate or start it again
    }
  }
}

TmString TGenerator::IssueKeyByClaim() {
  for (;;) {
    if (!ReadDATA()) {
      Wait();
      continue;
    }
    // The claim passed to another generator between its posts: claim again
    // rather than hand out the old value, a key already issued.
    if (Row().Who()->AsString() != owner_stamp_) {
      holding_ = false;
      Wait();
      continue;
    }
    const TmString kept = suffix_;
    try {
      mask_->Increment();  // OnOverFlowMask may raise: the row is freed first
    } catch (...) {
      ReleaseClaim();
      throw;
    }
    suffix_ = mask_->GetSuffix();
    if (WriteDATA()) break;
    suffix_ = kept;  // the next claim reloads the mask engine from the row
  }
  return mask_->GetMskValue();
}

void TGenerator::ReportUndoFailure(const std::string& cause) {
  if (on_undo_failed_) {
    TmString value = mask_->GetMskValue();
    on_undo_failed_(this, value);
  } else {
    ShowMessage(cause.empty() ? std::string("Can NOT undo!") : "Can NOT undo!\r\n" + cause);
  }
}

TmString TGenerator::Undo() {
  if (disabled_) return TmString();
  const TmString result = mask_->GetMskValue();
  const std::string withdrawn = mask_->GetSuffix().str();
  // Only a key this generator issued and has not withdrawn: the key before
  // the one just withdrawn may be another program's.
  if (issued_.empty() || issued_.back() != withdrawn || issued_prefix_ != prefix_.str()) {
    ReportUndoFailure();
    return result;
  }
  Reconnecting reconnecting;
  for (;;) {
    sent_.pending = false;
    try {
      if (WithdrawLast(withdrawn) == Withdrawal::kRefused) return result;
    } catch (const EConnectionLost& lost) {
      const SentWrite sent = sent_;  // the undo's write, when it went out
      bool stored = false;
      try {
        stored = Reconnect(lost, reconnecting);
      } catch (const EConnectionLost& gone) {
        // The server stays away. An undo that may have been stored counts
        // as done: its key is never issued again, a gap rather than a key
        // that this caller and the next program would both hold.
        if (!sent.pending) {
          ReportUndoFailure(gone.Message());
          return result;
        }
        stored = true;
      }
      if (!stored) continue;  // not written: the row decides again
      mask_->SetSuffix(sent.suffix);
    }
    issued_.pop_back();
    return mask_->GetMskValue();
  }
}

TGenerator::Withdrawal TGenerator::WithdrawLast(const std::string& withdrawn) {
  if (!LocateRow() || Row().State()->AsFloat() != 0 || Row().Who()->AsString() != owner_stamp_ ||
      Row().Suffix()->AsString() != withdrawn) {
    ReportUndoFailure();
    return Withdrawal::kRefused;
  }
  const int capacity = Row().Suffix()->Size();
  if (!mask_->Fits(withdrawn) || (capacity > 0 && static_cast<int>(withdrawn.size()) > capacity)) {
    ReportUndoFailure();  // not a key this table can have issued
    return Withdrawal::kRefused;
  }
  bool stepped = false;
  try {
    mask_->Decrement();
    stepped = true;
    EditOwnRow();
    // The row as it is now, locked: free, last written by this generator,
    // still holding the key's suffix.
    if (Row().State()->AsFloat() != 0 || Row().Who()->AsString() != owner_stamp_ ||
        Row().Suffix()->AsString() != withdrawn) {
      CancelEdit();
      ReportUndoFailure();
      mask_->Increment();
      return Withdrawal::kRefused;
    }
    const std::string stamp = GetTimeStamp();
    Row().Suffix()->SetAsString(mask_->GetSuffix().str());
    Row().Time()->SetAsString(stamp);
    // Should the connection drop before the commit is confirmed, the row
    // tells afterwards whether this write was stored.
    sent_ = {mask_->GetSuffix().str(), stamp, true};
    table_->Post();
    sent_.pending = false;
    return Withdrawal::kDone;
  } catch (const EConnectionLost&) {
    CancelEdit();
    if (stepped) mask_->Increment();
    throw;
  } catch (const std::exception& e) {
    // A lock for more than kOwnRowPatienceMs, or a write the database
    // refused: the user learns which.
    CancelEdit();
    ReportUndoFailure(e.what());
    if (stepped) mask_->Increment();
    return Withdrawal::kRefused;
  }
}

// --- Mask engine callbacks ---

void TGenerator::pGetPROC(TObject*, TmString& s) {
  if (get_user_prefixes_) get_user_prefixes_(this, s);
}

void TGenerator::pOverFlow(TObject*, TmString& s) {
  if (on_over_flow_mask_) {
    on_over_flow_mask_(this, s);
    return;
  }
  NullRecord();
  MessageBox("Incremental part was set to startup value", kCaptionInfo, MB_OK | MB_ICONINFORMATION);
}

void TGenerator::pSubOver(TObject*, TmString& s) {
  if (on_sub_over_mask_) {
    on_sub_over_mask_(this, s);
    return;
  }
  FullRecord();
  MessageBox("Incremental part was set to end value", kCaptionInfo, MB_OK | MB_ICONINFORMATION);
}

}  // namespace orv
