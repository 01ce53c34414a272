#include <orv/host/classes/testing/samples.h>

#include <orv/host/classes/reader.h>
#include <orv/host/classes/writer.h>
#include <orv/host/rtl/exception.h>

namespace orv::testing {

std::vector<std::string>* sample_log = nullptr;

namespace {
const std::vector<std::string> kShadeNames = {"shLight", "shDark", "shDeep"};
}

const TClassInfo& TSampleItem::StaticClassInfo() {
  static const TClassInfo info =
      Published<TSampleItem>()
          .Property("Caption", &TSampleItem::Caption, &TSampleItem::SetCaption)
          .Property("Limit", &TSampleItem::Limit, &TSampleItem::SetLimit)
          .Stored([](const TSampleItem& i) { return !i.Caption().empty(); })
          .Property("Count", &TSampleItem::Count, &TSampleItem::SetCount)
          .Default(0)
          .Property("Ratio", &TSampleItem::Ratio, &TSampleItem::SetRatio)
          .Default(0)
          .Property("Active", &TSampleItem::Active, &TSampleItem::SetActive)
          .Default(false)
          .Property("Sep", &TSampleItem::Sep, &TSampleItem::SetSep)
          .Default(',')
          .Property("Shade", &TSampleItem::Shade, &TSampleItem::SetShade, kShadeNames)
          .Default(shLight)
          .Property("Shades", &TSampleItem::Shades, &TSampleItem::SetShades, kShadeNames)
          .Default(TSet<TShade>{})
          .Property("Lines", &TSampleItem::Lines, &TSampleItem::SetLines)
          .Property("Peer", &TSampleItem::Peer, &TSampleItem::SetPeer)
          .Event("OnChange", &TSampleItem::OnChange)
          .Event("OnPrefix", &TSampleItem::OnPrefix);
  return info;
}

TSampleItem::TSampleItem(TComponent* owner) : TComponent(owner) {}

void TSampleItem::Log(const std::string& what) {
  state_in_setter = ComponentState();
  if (sample_log) {
    std::string flags;
    if (Has(csLoading)) flags += 'L';
    if (Has(csReading)) flags += 'R';
    if (Has(csDesigning)) flags += 'D';
    sample_log->push_back(Name() + "." + what + (flags.empty() ? "" : " " + flags));
  }
}

void TSampleItem::SetCaption(const std::string& v) {
  if (v == "boom") throw Exception("Caption may not be boom");
  Log("SetCaption");
  caption_ = v;
}
void TSampleItem::SetLimit(TmString v) { Store("SetLimit", limit_, v); }
void TSampleItem::SetCount(int v) { Store("SetCount", count_, v); }
void TSampleItem::SetRatio(double v) { Store("SetRatio", ratio_, v); }
void TSampleItem::SetActive(bool v) { Store("SetActive", active_, v); }
void TSampleItem::SetSep(char v) { Store("SetSep", sep_, v); }
void TSampleItem::SetShade(TShade v) { Store("SetShade", shade_, v); }
void TSampleItem::SetShades(TSet<TShade> v) { Store("SetShades", shades_, v); }
void TSampleItem::SetLines(const TStrings& v) {
  Log("SetLines");
  lines_.Assign(v);
}
void TSampleItem::SetPeer(TSampleItem* v) {
  Log("SetPeer");
  if (peer_) peer_->RemoveFreeNotification(this);
  peer_ = v;
  if (peer_) peer_->FreeNotification(this);
}

void TSampleItem::Notification(TComponent* c, TOperation op) {
  if (op == opRemove && c == peer_) peer_ = nullptr;
  TComponent::Notification(c, op);
}

void TSampleItem::Loaded() {
  TComponent::Loaded();
  if (sample_log)
    sample_log->push_back(Name() + ".Loaded peer=" + (peer_ ? peer_->Name() : "none"));
}

void TSampleItem::DefineProperties(TFiler* filer) {
  TComponent::DefineProperties(filer);
  filer->DefineProperty("Store", this, &TSampleItem::ReadStore, &TSampleItem::WriteStore, true);
  filer->DefineProperty("Weight", this, &TSampleItem::ReadWeight, &TSampleItem::WriteWeight,
                        weight != 0);
}

void TSampleItem::ReadStore(TReader* r) {
  Log("ReadStore");
  store = r->ReadString();
}
void TSampleItem::WriteStore(TWriter* w) { w->WriteString(store); }
void TSampleItem::ReadWeight(TReader* r) {
  Log("ReadWeight");
  weight = r->ReadInteger();
}
void TSampleItem::WriteWeight(TWriter* w) { w->WriteInteger(weight); }

const TClassInfo& TSampleModule::StaticClassInfo() {
  static const TClassInfo info = Published<TSampleModule>()
                                     .Method("ItemChange", &TSampleModule::ItemChange)
                                     .Method("ItemPrefix", &TSampleModule::ItemPrefix);
  return info;
}

void TSampleModule::ItemChange(TObject*) { ++changes; }

void TSampleModule::ItemPrefix(TObject*, TmString& prefix) { prefix = "P-" + Name(); }

const TClassInfo& TPresetModule::StaticClassInfo() {
  static const TClassInfo info = Published<TPresetModule>();
  return info;
}

TPresetModule::TPresetModule(TComponent* owner)
    : TSampleModule(owner), main(new TSampleItem(this)) {
  main->SetName("Main");
}

void RegisterSamples() { RegisterClasses<TSampleItem, TSampleModule, TPresetModule>(); }

}  // namespace orv::testing
