#include <orv/host/classes/datamodule.h>

#include <algorithm>
#include <vector>

#include <orv/host/classes/typinfo.h>
#include <orv/host/rtl/sysutils.h>

namespace orv {

namespace {

std::vector<TDataModule*>& LiveModules() {
  static std::vector<TDataModule*> modules;
  return modules;
}

}  // namespace

const TClassInfo& TDataModule::StaticClassInfo() {
  static const TClassInfo info = Published<TDataModule>();
  return info;
}

TDataModule::TDataModule(TComponent* owner) : TComponent(owner) { LiveModules().push_back(this); }

TDataModule::~TDataModule() {
  auto& v = LiveModules();
  v.erase(std::remove(v.begin(), v.end(), this), v.end());
}

void TDataModule::GetChildren(const std::function<void(TComponent*)>& proc, TComponent*) {
  // proc may not change what this module owns; walk a copy all the same.
  std::vector<TComponent*> owned;
  for (int i = 0; i < ComponentCount(); ++i) owned.push_back(Components(i));
  for (TComponent* c : owned) proc(c);
}

TDataModule* TDataModule::FindDataModule(const std::string& name) {
  if (name.empty()) return nullptr;
  for (TDataModule* m : LiveModules())
    if (CompareText(m->Name(), name) == 0) return m;
  return nullptr;
}

}  // namespace orv
