// Sample components for the form file tests and the reader's fuzz target: a
// component publishing a property of every kind plus two defined entries, and
// a data module that publishes event handlers. They log what the framework
// does to them (setters, entries, Loaded) when a log is given.
#pragma once

#include <string>
#include <vector>

#include <orv/host/classes/datamodule.h>
#include <orv/host/classes/events.h>
#include <orv/host/classes/filer.h>
#include <orv/host/classes/lists.h>
#include <orv/host/classes/typinfo.h>

namespace orv::testing {

enum TShade { shLight, shDark, shDeep };

// Where the samples log ("Item1.SetCaption", "Item1.Loaded ..."); null: no log.
extern std::vector<std::string>* sample_log;

class TSampleItem : public TComponent {
  ORV_CLASS(TSampleItem, TComponent)

 public:
  explicit TSampleItem(TComponent* owner);

  const std::string& Caption() const { return caption_; }
  // Raises orv::Exception "Caption may not be boom" for the text "boom".
  void SetCaption(const std::string& v);
  TmString Limit() const { return limit_; }
  void SetLimit(TmString v);
  int Count() const { return count_; }
  void SetCount(int v);
  double Ratio() const { return ratio_; }
  void SetRatio(double v);
  bool Active() const { return active_; }
  void SetActive(bool v);
  char Sep() const { return sep_; }
  void SetSep(char v);
  TShade Shade() const { return shade_; }
  void SetShade(TShade v);
  TSet<TShade> Shades() const { return shades_; }
  void SetShades(TSet<TShade> v);
  TStrings* Lines() const { return &lines_; }
  void SetLines(const TStrings& v);
  TSampleItem* Peer() const { return peer_; }
  void SetPeer(TSampleItem* v);

  TNotifyEvent OnChange;
  TGenProcEvent OnPrefix;

  // Defined entries: Store is always written, Weight only when not 0.
  std::string store = "main";
  int64_t weight = 0;

  void DefineProperties(TFiler* filer) override;
  void Notification(TComponent* c, TOperation op) override;
  void Loaded() override;

  // The state flags seen by the last setter call.
  unsigned state_in_setter = 0;

 private:
  void Log(const std::string& what);
  // Logs the setter, then stores the value.
  template <class T>
  void Store(const char* setter, T& field, const T& value) {
    Log(setter);
    field = value;
  }
  void ReadStore(TReader* r);
  void WriteStore(TWriter* w);
  void ReadWeight(TReader* r);
  void WriteWeight(TWriter* w);

  std::string caption_;
  TmString limit_;
  int count_ = 0;
  double ratio_ = 0;
  bool active_ = false;
  char sep_ = ',';
  TShade shade_ = shLight;
  TSet<TShade> shades_;
  mutable TStringList lines_;
  TSampleItem* peer_ = nullptr;
};

class TSampleModule : public TDataModule {
  ORV_CLASS(TSampleModule, TDataModule)

 public:
  using TDataModule::TDataModule;
  void ItemChange(TObject* sender);
  void ItemPrefix(TObject* sender, TmString& prefix);
  void NotPublished(TObject*) {}
  int changes = 0;
};

// A module that makes its Main item in its constructor; a form file for it
// sets that item's properties rather than making another.
class TPresetModule : public TSampleModule {
  ORV_CLASS(TPresetModule, TSampleModule)

 public:
  explicit TPresetModule(TComponent* owner);
  TSampleItem* main;
};

// Registers the sample classes (once is enough; more is harmless).
void RegisterSamples();

}  // namespace orv::testing
