// The application's own data module class: the form file orders.ofm names it
// (object Orders: TOrdersModule) and binds its generator's event to the
// module's published method. The program and the design package
// orderspkg both register it.
#pragma once

#include <string>

#include <orv/host/classes/datamodule.h>
#include <orv/host/classes/typinfo.h>
#include <orv/host/rtl/tmstring.h>

namespace consumer {

class TOrdersModule : public orv::TDataModule {
  ORV_CLASS(TOrdersModule, orv::TDataModule)
 public:
  explicit TOrdersModule(orv::TComponent* owner) : orv::TDataModule(owner) {}
  // The characters for the mask's @: the branch's letter.
  void Gen1GetUserPrefixes(orv::TObject* sender, orv::TmString& preff);

 protected:
  ~TOrdersModule() override = default;
};

}  // namespace consumer
