// TDataModule: the non-visual root. It holds components (tables, generators,
// stampers) in a form file of its own, and writes every component it owns
// nested in its file. Applications derive their modules from it, declare
// ORV_CLASS and publish the methods their components' events name.
//
// Live data modules are known by name, so that a form file can refer to
// "DataModule1.Table1" (FindGlobalComponent in reader.h).
// Threading: the UI thread, like every component.
#pragma once

#include <string>

#include <orv/host/classes/component.h>

namespace orv {

class TDataModule : public TComponent {
  ORV_CLASS(TDataModule, TComponent)

 public:
  explicit TDataModule(TComponent* owner);

  // Every component it owns, in the order they were inserted.
  void GetChildren(const std::function<void(TComponent*)>& proc, TComponent* root) override;

  // The live data module of that name (case-insensitive), or null.
  static TDataModule* FindDataModule(const std::string& name);

 protected:
  ~TDataModule() override;
};

}  // namespace orv
