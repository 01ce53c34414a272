// A design package of another project's, built with orv_add_package from the
// installed package: one component on the palette, for the installed
// orvdesign to load and check a form with.
#include <string>

#include <orv/host/classes/component.h>
#include <orv/host/classes/typinfo.h>
#include <orv/host/designintf/designintf.h>
#include <orv/host/designintf/package.h>

namespace consumer {

class TCounter : public orv::TComponent {
  ORV_CLASS(TCounter, orv::TComponent)
 public:
  explicit TCounter(orv::TComponent* owner) : orv::TComponent(owner) {}
  int Count() const { return count_; }
  void SetCount(int c) { count_ = c; }

 private:
  int count_ = 0;
};

const orv::TClassInfo& TCounter::StaticClassInfo() {
  static const orv::TClassInfo info = orv::Published<TCounter>()
                                          .Property("Count", &TCounter::Count, &TCounter::SetCount)
                                          .Default(0);
  return info;
}

}  // namespace consumer

ORV_PACKAGE_ENTRY { orv::RegisterComponents("Consumer", {&consumer::TCounter::StaticClassInfo()}); }
