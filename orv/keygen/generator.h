// TGenerator: the component that hands out record keys built from a mask.
// The last key issued for each (generator type, mask prefix) is kept in one
// row of a generator table shared by every program that points at it; a
// generator claims the row, steps the stored suffix with its mask engine,
// writes it back and frees the row, so that all programs draw from one
// sequence without issuing a key twice. Stale claims are broken by waiting
// generators; stepping past the end value wraps to the start value unless the
// application handles the overflow; the last key can be undone.
//
// A key in one commit. Both engines have transactions, so the three locked
// edits of a claim (claim, stamp, write: three commits, on a server a dozen
// round trips) are needed only where the row must stay claimed while a person
// or the application acts. Otherwise the generator steps the suffix of its
// copy of the row (the table's current row: as it last read or wrote it) and
// issues the key with one compare-and-set (TDataSet::UpdateIf): Suffix, Try
// 0, Time, Who and State 0, exactly what WriteDATA leaves, written only while
// the row is still free and holds the suffix stepped from. One statement, one
// commit; on PostgreSQL one round trip, two when the copy is stale (the
// failed compare-and-set returns the row as stored) or missing (a locate).
// Other programs see what they saw before: a free row with the last suffix
// issued, or a claim; a program killed inside the transaction leaves the row
// as it was, free. The three-step claim is taken instead when
//  - the row shows a claim (State 1, anyone's): honoured as always, with
//    Wait, counted tries, CheckTimeOut and stale claims broken;
//  - the step would pass the end value (decided beforehand by a dry step
//    that fires no callback): the overflow notice or OnOverFlowMask, and
//    OnNewRecord through NullRecord, run under the claim, never inside a
//    transaction (on SQLite a transaction locks the whole table file);
//  - the generator is a descendant that does not say UsesSingleCommit, so an
//    override of ReadDATA or WriteDATA is called for every key.
// A locked row (another writer past the engine's lock wait) is waited for
// like a failed claim post (Wait; the busy notice only for a row one program
// holds, see below). A compare-and-set lost to
// another writer is tried again on the row it returned, after a Wait; after
// kMaxLostWrites lost in one request the three-step claim is taken, which the
// others honour while it is held: without that, the program that has just
// written wins the row again and again, and the others starve. Undo and new
// rows are as before.
//
// Keys never repeat because every change of a row is a compare-and-set: the
// single commit's conditional update, or a locked edit (the edit re-reads
// the row and holds its lock until the post):
//  - a claim is taken only when the re-read row is still free;
//  - the write that issues a key happens only while the re-read row still
//    shows this generator's claim and the suffix it loaded, so a claim that
//    was broken and taken over meanwhile cannot issue the same key again;
//  - an undo withdraws only a key that this generator issued and has not
//    withdrawn yet (the keys it drew one after the other can be withdrawn
//    last first), and writes only while the re-read row is free, was last
//    written by this generator and still holds that key's suffix: a second
//    undo must not step back onto a key that another program holds;
//  - a row that another program inserted first (the table's unique key on
//    GenID and Prefix refuses the second insert) is located again and claimed;
//  - owner stamps are unique per generator, across programs and machines,
//    whatever the clock does (NewOwnerStamp): the Who checks above, and the
//    recognition of an unconfirmed write, rest on that.
// The single commit's condition (State 0 and the suffix stepped from) is the
// second mend in one statement: a row claimed or written meanwhile is not
// written.
// A claim holder's own edits (stamp, write, undo) retry a row that a waiting
// generator has locked for a moment, for up to kOwnRowPatienceMs, so that
// waiters counting their attempts do not take every claim away from it; and a
// generator whose claim others waited for (Try above 0 when it wrote) waits
// once before its next claim, so that they get their turn.
//
// Faults never produce a wrong key, and never a request without end:
//  - A key must fit the table: a prefix or counting part wider than the
//    table's Prefix or Suffix field is refused before anything is written,
//    and a stored suffix that the mask cannot count from (another width, a
//    character outside its wheel or set, empty) is refused without touching
//    the row.
//  - Only a lock held by another program (ELockConflict) is waited for, and
//    within a bound. While programs take turns on the row, it moves, and
//    nothing is said. A row that stays locked and unchanged (a session left
//    inside its transaction, a program stopped) is held by one program: after
//    kBusyNoticeMs the busy notice is shown, once a request, and after the
//    database's LockWaitSeconds (the alias setting lock_wait_seconds, default
//    10) the request fails with the engine's message. Any other failure
//    while claiming, writing or undoing ends the request with the data
//    layer's message, after freeing a claim this generator holds.
//  - A lost connection to the database server (EConnectionLost) is retried
//    at once with a fresh connection; after that, with one notice that the
//    generator waits for the server (and one when it is back), for the
//    database's ReconnectSeconds (the alias setting reconnect_seconds,
//    default 90: a failover to a standby); then the request fails with the
//    server's message.
//    A write whose commit the server made but could not confirm (WriteDATA's
//    or the single commit's) is found in the row once the server is back, and
//    its key returned. When another
//    generator wrote the row first, or this one gives up, that key stays
//    unissued: a gap, never a duplicate.
//
// Two decisions where the key request was left open:
//  - When the row's Who, read after a successful claim, is not this
//    generator's owner stamp, the claim has passed to another generator. The
//    request neither returns the old value (a key already issued) nor fails:
//    it waits and claims again, like any failed attempt, so Generator always
//    ends with a new key or an exception.
//  - A mask that cannot give two different keys is refused by SetMask: one
//    without a counting part would issue the same key on every request, and
//    one holding a control character (a line break, a NUL that cuts the
//    text) keys that break lines or repeat. The mask engine alone still
//    takes both.
//
// Threading: the thread that owns the user interface, like every component.
// Message boxes and the busy notice are modal; Wait sleeps briefly, and a
// request that waits for a lost server sleeps kReconnectPauseMs between
// attempts.
#pragma once

#include <chrono>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include <orv/host/classes/component.h>
#include <orv/host/classes/events.h>
#include <orv/host/db/dberrors.h>
#include <orv/host/rtl/tmstring.h>
#include <orv/keygen/genmask.h>

namespace orv {

class TGenRow;
class TTable;
class TReader;
class TWriter;

class TGenerator : public TComponent {
  ORV_CLASS(TGenerator, TComponent)

 public:
  static constexpr int kBusyNoticeMs =
      1000;  // a lock held this long with the row unchanged shows the busy notice
  static constexpr int kLockLookMs =
      250;                              // how often a waiting request looks whether the row moved
  static constexpr int kMaxTries = 10;  // waits counted before a claim is broken
  static constexpr int kClaimTimeoutMs = 1000;   // age after which a claim is broken
  static constexpr int kWaitRange = 1000;        // wait lengths are drawn below this
  static constexpr int kWaitUnitUs = 10;         // microseconds of Wait per unit of wait length
  static constexpr int kOwnRowPatienceMs = 100;  // how long a claim holder retries a locked row
  static constexpr int kOwnRowPauseUs = 500;     // pause between those retries, in microseconds
  static constexpr int kReconnectPauseMs = 250;  // pause between attempts to reach a lost server
  static constexpr int kMaxLostWrites =
      2;  // single commits lost to other writers before a claim is taken
  static constexpr std::size_t kUndoDepth = 1000;  // keys remembered for Undo

  // Takes a unique owner stamp, draws the wait length, creates the table
  // object (owned) and the mask engine with its three callbacks bound, and
  // sets the defaults "tGenAlias" and "GENTBL.DB". The table stays closed.
  explicit TGenerator(TComponent* owner);

  // Declares the stream entries "DataBaseName" and "TableName", always written.
  void DefineProperties(TFiler* filer) override;
  // After loading from a form: InitDB, except in the designer.
  void Loaded() override;

  // --- Overridable operations; the generator calls its own through these. ---
  // Generator calls ReadDATA and WriteDATA only when it takes the three-step
  // claim; Wait and CheckTimeOut (through ReadDATA) also when the single
  // commit meets a claim or a locked row. UsesSingleCommit tells which path a
  // descendant gets.

  // Opens the generator table under DataBaseName/TableName and checks its
  // format, with the busy cursor meanwhile; a lost connection to the server is
  // waited for as in Generator. On any failure (missing alias,
  // directory or table, an open table renamed, a bad format) shows the
  // message "Error while opening generator table GENTBL.DB!\r\nCheck
  // tGenAlias!", followed by a line with the cause, and disables the
  // generator; nothing is raised.
  virtual void InitDB();
  // Sets the mask engine to its start value (or, when OnNewRecord is
  // assigned, calls it instead) and takes the current suffix and prefix.
  virtual void NullRecord();
  // Sets the mask engine to its end value and takes the current suffix and prefix.
  virtual void FullRecord();
  // One claim attempt on the current row. True when this generator claimed it:
  // the row's Suffix is then the current suffix and the mask engine's. False
  // otherwise (row claimed by another, lock conflict, claim lost between its
  // two posts). A claimed row's wait is counted, or the claim broken when it
  // is stale. From the tenth consecutive failed claim post on, each further
  // one shows the busy notice. Raises EConvertError when a claimed row's Time
  // is not a stamp; Exception, leaving the row untouched, when the free
  // row's Suffix does not fit the mask; the data layer's error for any
  // failure but a lock conflict (a claim taken is freed first).
  virtual bool ReadDATA();
  // The next key: the mask value with the row's suffix stepped by one. Empty
  // when the generator is disabled. Raises Exception, with no table access,
  // when the mask engine holds no counting part. Raises Exception "Can not generate
  // new record!" (a second line tells why) when a new row can neither be
  // inserted nor found; Exception naming both widths when the prefix or the
  // counting part is wider than the table's field, before anything is
  // written; the errors of ReadDATA and WriteDATA; EConnectionLost when the
  // server stays away for ReconnectSeconds; the data layer's exception when
  // the table is not open.
  virtual TmString Generator();
  // Issues count contiguous keys and returns them in order, the block in one
  // conditional update: on the row as this generator last read or wrote it,
  // written only while the row is still free and holds the suffix stepped
  // from (one commit and one fsync on SQLite, one round trip on PostgreSQL
  // when that copy is current; a stale copy costs a retry on the row as
  // stored). The rules are Generator's: a claim on the row is honoured, a
  // stored suffix the mask cannot count from is refused, a new row starts
  // with the start value (its insert issues that key alone). A block that
  // would pass the end value stops short of it: the keys up to the end value
  // are issued in one commit, and the key past it is issued as Generator
  // issues it, under the claim, with the overflow notice or OnOverFlowMask;
  // the rest follow in blocks again. A descendant that does not say
  // UsesSingleCommit gets count calls of Generator. Undo afterwards
  // withdraws the block's last key only. Empty when disabled or count is 0.
  // Raises Exception for a negative count, and what Generator raises; keys
  // that an earlier commit of the same call issued are then not returned
  // (a gap, never a key issued twice).
  std::vector<TmString> GeneratorBlock(int count);
  // Withdraws the last key this generator issued and has not withdrawn yet
  // (so after two keys drawn one after the other, two undos withdraw both;
  // at most kUndoDepth are remembered): steps the row back once while it is
  // free, was last written by this generator and still holds that key's
  // suffix. Returns the value current afterwards (the previous key; on
  // failure the unchanged one; empty when disabled). A failure calls
  // OnUndoFailed with the current value, or shows the message "Can NOT
  // undo!" (followed by the data layer's message when a write failed). A
  // lost connection is handled as in Generator: an undo the server stored
  // without confirming it is found in the row; when the server stays away
  // and the undo may have been stored, the key counts as withdrawn (it is
  // then never issued again: a gap, never a key held twice).
  virtual TmString Undo();
  // A short pause between claim attempts: (wait length + 1) x kWaitUnitUs
  // microseconds (up to 10 ms), after which the next wait length is drawn
  // (0..999). It sleeps rather than spins, so that waiting programs leave the
  // processor to the claim holder, and lasts long enough that the ten counted
  // waits that break a claim take longer than a key takes on a slow disk.
  virtual void Wait();

  // --- The claim protocol and row creation. ---

  // Writes the stepped suffix and frees the row in one post. True on success;
  // false, with nothing written, when the re-read row no longer shows this
  // generator's claim and the suffix it loaded, or when another program
  // keeps the row locked for more than kOwnRowPatienceMs. Any other failure
  // frees the claim (as far as the database lets it) and raises the data
  // layer's error.
  virtual bool WriteDATA();
  // Inserts a free row for the current prefix holding the start value (after
  // NullRecord). True when inserted; false on any failure, reporting nothing
  // (InsertFailure() then tells why).
  bool MakeNewRecord();
  const std::string& InsertFailure() const { return insert_failure_; }
  // True when the claim stamped stamp is stale: the seconds-and-milliseconds
  // of now exceed the stamp's by more than 1000. Raises EConvertError when
  // stamp does not end in five digits.
  virtual bool CheckTimeOut(const TmString& stamp);

  // --- The mask engine's callbacks. ---

  // User-procedure characters: passes s itself to GetUserPrefixes.
  void pGetPROC(TObject* sender, TmString& s);
  // Past the end value: OnOverFlowMask with s; or back to the start value
  // (NullRecord) with the notice "Incremental part was set to startup value".
  void pOverFlow(TObject* sender, TmString& s);
  // Below the start value: OnSubOverMask with s; or to the end value
  // (FullRecord) with the notice "Incremental part was set to end value".
  void pSubOver(TObject* sender, TmString& s);

  // --- Published properties, in stream order. ---

  const std::string& Mask() const { return mask_text_; }
  // Stores and scans the mask (the engine raises on a malformed one); an
  // empty mask disables the generator. Raises Exception, keeping the mask it
  // had, for a mask without a counting part (# $ & or a [set]) or holding a
  // control character: neither can give a new key on every request.
  void SetMask(const std::string& text);
  const TmString& StartValue() const { return start_value_; }
  // Dropped while no mask is scanned. Otherwise stored and given to the mask
  // engine; when both limits are set, an EndValue that does not sort after it
  // (CompareText) shows "StartValue must be lower than EndValue", empties
  // StartValue and disables the generator; an accepted pair enables it.
  void SetStartValue(const TmString& value);
  const TmString& EndValue() const { return end_value_; }
  // As SetStartValue, with "EndValue must be greater than StartValue"; an
  // empty value only empties the property (the engine keeps its end limit).
  void SetEndValue(const TmString& value);
  int GeneratorType() const { return generator_type_; }
  void SetGeneratorType(int value) { generator_type_ = value; }

  const TGenProcEvent& GetUserPrefixes() const { return get_user_prefixes_; }
  void SetGetUserPrefixes(TGenProcEvent e) { get_user_prefixes_ = std::move(e); }
  const TGOverFlowEvent& OnOverFlowMask() const { return on_over_flow_mask_; }
  void SetOnOverFlowMask(TGOverFlowEvent e) { on_over_flow_mask_ = std::move(e); }
  const TGOverFlowEvent& OnSubOverMask() const { return on_sub_over_mask_; }
  void SetOnSubOverMask(TGOverFlowEvent e) { on_sub_over_mask_ = std::move(e); }
  const TOnNewRecord& OnNewRecord() const { return on_new_record_; }
  void SetOnNewRecord(TOnNewRecord e) { on_new_record_ = std::move(e); }
  const TGOverFlowEvent& OnUndoFailed() const { return on_undo_failed_; }
  void SetOnUndoFailed(TGOverFlowEvent e) { on_undo_failed_ = std::move(e); }

  // --- Public settings streamed by DefineProperties; InitDB takes them. ---

  const std::string& DataBaseName() const { return database_name_; }
  void SetDataBaseName(const std::string& name) { database_name_ = name; }
  const std::string& TableName() const { return table_name_; }
  void SetTableName(const std::string& name) { table_name_ = name; }

  // Stream handlers of the two entries: one string each.
  void ReadDBData(TReader* reader);
  void WriteDBData(TWriter* writer);
  void ReadTblData(TReader* reader);
  void WriteTblData(TWriter* writer);

  // --- State, for callers and tests. ---

  bool Disabled() const { return disabled_; }
  const std::string& OwnerStamp() const { return owner_stamp_; }
  int WaitLength() const { return wait_length_; }
  TTable* Table() const { return table_; }
  TGenMask* GenMask() const { return mask_.get(); }

 protected:
  // Closes and frees the table object, then frees the mask engine.
  ~TGenerator() override;

  // Whether a key may be issued in one commit (see the opening note): true
  // for TGenerator itself, false for any descendant unless it overrides this
  // to say true. So a descendant that overrides ReadDATA or WriteDATA has
  // them called for every key, as before the single commit existed; one that
  // overrides only Wait or CheckTimeOut may say true and has them called
  // whenever the single commit meets a claim or a locked row.
  virtual bool UsesSingleCommit() const;

 private:
  // A claim on the row as this generator left it, so that it can be freed
  // again only while nobody else has touched it.
  struct Claim {
    std::string who, time, suffix;
  };

  bool LocateRow();
  // The table's current row is the row of generator_type_ and prefix_.
  bool OnOwnRow() const;
  // Steps the mask engine from stored up to count times, stopping before a
  // step that would pass the end value; returns the steps taken (0: the
  // first step passes it). The engine holds the last suffix stepped to
  // (stored when none). With count above 1, block_ holds the key of each
  // step. Fires no callback.
  int StepAhead(const std::string& stored, int count);
  enum class OneCommit { kIssued, kClaim, kGone };
  // The single-commit path on the current row (fresh: read in this request):
  // kIssued; kClaim when the three-step claim must be taken (a claim on the
  // row, an overflow ahead); kGone when the row was deleted.
  // With count above 1, as many keys as StepAhead allows in one commit.
  OneCommit IssueInOneCommit(bool fresh, int count = 1);
  TmString IssueKeyByClaim();
  void EditOwnRow();
  void CancelEdit();
  // Called for each lock another program held against this request: once
  // the row has stayed locked and unchanged for kBusyNoticeMs, shows the busy
  // notice (once a request); for the database's LockWaitSeconds, raises
  // ELockConflict with refused's message.
  void LockRefused(const ELockConflict& refused);
  // The row's claim fields and suffix in one text, to tell whether it moved.
  std::string RowImage() const;
  // A wait for another program's lock, from its first refusal on.
  struct LockWait {
    bool waiting = false;
    bool noticed = false;  // the busy notice was shown in this request
    std::chrono::steady_clock::time_point since, next_look;
    std::string row;  // RowImage() when the wait began
    int bound_seconds = 0;
  };
  // A new request: no wait yet, no notice shown.
  void StartLockWait() {
    lock_wait_ = LockWait();
    lock_wait_.since = std::chrono::steady_clock::now();
  }
  // This request locked the row: a wait that follows starts afresh.
  void EndLockWait() {
    lock_wait_.waiting = false;
    lock_wait_.since = std::chrono::steady_clock::now();
  }
  void ReportUndoFailure(const std::string& cause = "");
  enum class Withdrawal { kDone, kRefused };
  // One attempt to withdraw the key whose suffix is withdrawn from the row.
  // kRefused has reported the failure; raises EConnectionLost with the mask
  // engine as it was.
  Withdrawal WithdrawLast(const std::string& withdrawn);
  // Notes the key just issued (suffix_ on prefix_) for Undo.
  void NoteIssued();
  // Issues a key, or with count above 1 up to count keys (block_ holds
  // them); returns the last.
  TmString IssueKey(int count = 1);
  // The mask engine's key; with count above 1 also block_'s only key.
  TmString OneKey(int count);
  void CheckWidths();
  void CheckStoredSuffix();
  // The fields of the table's current row.
  TGenRow Row() const;
  void ReleaseClaim() noexcept;
  // How one request has dealt with lost connections so far.
  struct Reconnecting {
    bool tried_at_once = false;  // the one fresh connection tried without waiting
    bool waiting = false;        // the notice was shown; give_up holds
    std::chrono::steady_clock::time_point give_up;
  };
  // True when the write sent before the connection was lost was stored: its
  // key is issued.
  bool Reconnect(const EConnectionLost& lost, Reconnecting& state);
  // Whether the write WriteDATA sent last, unconfirmed, is in the row.
  bool SentWriteStored();
  struct SentWrite {
    std::string suffix, time;
    bool pending = false;  // sent, and its commit not confirmed
  };
  SentWrite sent_;

  std::string mask_text_;
  TmString start_value_;
  TmString end_value_;
  int generator_type_ = 0;
  TGenProcEvent get_user_prefixes_;
  TGOverFlowEvent on_over_flow_mask_;
  TGOverFlowEvent on_sub_over_mask_;
  TOnNewRecord on_new_record_;
  TGOverFlowEvent on_undo_failed_;
  std::string database_name_;
  std::string table_name_;

  std::string owner_stamp_;  // this generator's identity in the Who field
  int wait_length_ = 0;      // 0..999: length of the next Wait in kWaitUnitUs, minus one
  LockWait lock_wait_;
  bool disabled_ = false;    // key requests give empty texts
  TTable* table_ = nullptr;  // owned (a child component)
  std::unique_ptr<TGenMask> mask_;
  TmString prefix_;          // the row's prefix, as last taken
  TmString suffix_;          // the suffix WriteDATA writes
  TmString loaded_suffix_;   // the row's suffix when this generator claimed it
  bool yield_next_ = false;  // others waited for the last claim: wait before the next
  bool holding_ = false;     // this generator holds the claim described by claim_
  Claim claim_;
  std::string insert_failure_;  // why the last MakeNewRecord failed
  // Suffixes of the keys this generator issued on the row of issued_prefix_
  // and has not withdrawn, the last last: what Undo may withdraw.
  std::deque<std::string> issued_;
  std::vector<TmString> block_;  // the keys of the block being issued
  std::string issued_prefix_;
};

}  // namespace orv
