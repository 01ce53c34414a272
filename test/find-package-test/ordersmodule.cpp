#include "ordersmodule.h"

namespace consumer {

void TOrdersModule::Gen1GetUserPrefixes(orv::TObject*, orv::TmString& preff) { preff = "Q"; }

const orv::TClassInfo& TOrdersModule::StaticClassInfo() {
  static const orv::TClassInfo info = orv::Published<TOrdersModule>().Method(
      "Gen1GetUserPrefixes", &TOrdersModule::Gen1GetUserPrefixes);
  return info;
}

}  // namespace consumer
