#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include <orv/host/classes/closure.h>
#include <orv/host/classes/component.h>
#include <orv/host/rtl/exception.h>

namespace orv {
namespace {

// Writes "event name" lines into a shared log as it is notified and destroyed.
class Probe : public TComponent {
 public:
  Probe(TComponent* owner, std::string name, std::vector<std::string>* log)
      : TComponent(owner), log_(log) {
    SetName(name);
  }
  void Notification(TComponent* c, TOperation op) override {
    if (op == opRemove && c == watched) watched = nullptr;
    log_->push_back(Name() + (op == opRemove ? " hears remove " : " hears insert ") + c->Name());
    TComponent::Notification(c, op);
  }
  void Handler(TObject*) { ++calls; }
  TComponent* watched = nullptr;
  int calls = 0;

 protected:
  ~Probe() override { log_->push_back("destroy " + Name()); }

 private:
  std::vector<std::string>* log_;
};

TEST(ComponentTest, OwnerFreesWhatItOwnsAndTellsTheRest) {
  std::vector<std::string> log;
  auto* form = new Probe(nullptr, "Form", &log);
  new Probe(form, "A", &log);
  auto* b = new Probe(form, "B", &log);
  new Probe(b, "C", &log);
  EXPECT_EQ(form->ComponentCount(), 2);
  EXPECT_EQ(form->FindComponent("b"), b);
  log.clear();
  b->Free();
  // The owner hears first and passes the word to its other components; B's
  // own components go after B's destructor body, so B's override no longer hears.
  EXPECT_EQ(log, (std::vector<std::string>{"Form hears remove B", "A hears remove B", "destroy B",
                                           "destroy C"}));
  EXPECT_EQ(form->ComponentCount(), 1);
  log.clear();
  form->Free();
  EXPECT_EQ(log, (std::vector<std::string>{"destroy Form", "destroy A"}));
}

TEST(ComponentTest, FreeNotificationWorksEitherWayRound) {
  for (bool free_first_the_watcher : {false, true}) {
    std::vector<std::string> log;
    auto* watcher = new Probe(nullptr, "W", &log);
    auto* target = new Probe(nullptr, "T", &log);
    watcher->watched = target;
    watcher->FreeNotification(target);
    if (free_first_the_watcher) {
      watcher->Free();
      EXPECT_EQ(log.front(), "T hears remove W");
      target->Free();  // must not touch the freed watcher (sanitizer build)
    } else {
      target->Free();
      EXPECT_EQ(log.front(), "W hears remove T");
      EXPECT_EQ(watcher->watched, nullptr);
      watcher->Free();
    }
  }
}

TEST(ComponentTest, RemoveFreeNotificationStopsTheWord) {
  std::vector<std::string> log;
  auto* watcher = new Probe(nullptr, "W", &log);
  auto* target = new Probe(nullptr, "T", &log);
  watcher->FreeNotification(target);
  watcher->RemoveFreeNotification(target);
  target->Free();
  EXPECT_EQ(log, (std::vector<std::string>{"destroy T"}));
  watcher->Free();
}

TEST(ComponentTest, NamesAreIdentifiersUniqueWithinTheOwner) {
  std::vector<std::string> log;
  TComponentPtr<Probe> form(new Probe(nullptr, "Form", &log));
  new Probe(form.get(), "Gen1", &log);
  auto* other = new Probe(form.get(), "", &log);
  try {
    other->SetName("GEN1");
    ADD_FAILURE();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "A component named GEN1 already exists");
  }
  try {
    other->SetName("1abc");
    ADD_FAILURE();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "'1abc' is not a valid component name");
  }
  other->SetName("Gen2");
  EXPECT_EQ(other->Name(), "Gen2");
}

// A form of n components must not cost n squared notices: while it loads its
// components hear nothing of each other's coming, and while it is freed only
// a sibling that asked hears of another's going.
TEST(ComponentTest, ABigFormLoadsAndGoesWithoutTellingEverySibling) {
  std::vector<std::string> log;
  auto* form = new TComponent(nullptr);
  form->SetState(csLoading, true);
  auto* watcher = new Probe(form, "Watcher", &log);
  auto* target = new Probe(form, "Target", &log);  // goes before its watcher
  for (int i = 0; i < 1000; ++i) new Probe(form, "P" + std::to_string(i), &log);
  watcher->watched = target;
  watcher->FreeNotification(target);
  EXPECT_EQ(form->FindComponent("p999")->Name(), "P999");
  form->Loaded();
  EXPECT_EQ(log, std::vector<std::string>{});
  form->Free();
  EXPECT_EQ(std::count(log.begin(), log.end(), "Watcher hears remove Target"), 1);
  EXPECT_EQ(log.size(), 1003u);  // that, and 1002 destructors
}

TEST(ComponentTest, StateFlagsAndLoaded) {
  std::vector<std::string> log;
  TComponentPtr<Probe> form(new Probe(nullptr, "Form", &log));
  auto* child = new Probe(form.get(), "A", &log);
  form->SetState(csDesigning, true, true);
  form->SetState(csLoading, true, true);
  EXPECT_TRUE(child->Has(csDesigning));
  child->Loaded();
  EXPECT_FALSE(child->Has(csLoading));
  EXPECT_TRUE(form->Has(csLoading));
}

TEST(ClosureTest, EqualOnlyForTheSameMethodOfTheSameObject) {
  std::vector<std::string> log;
  TComponentPtr<Probe> a(new Probe(nullptr, "A", &log));
  TComponentPtr<Probe> b(new Probe(nullptr, "B", &log));
  TNotifyEvent empty;
  TNotifyEvent ha(a.get(), &Probe::Handler), ha2(a.get(), &Probe::Handler),
      hb(b.get(), &Probe::Handler);
  auto lambda = TNotifyEvent::FromCallable([](TObject*) {});
  auto lambda_copy = lambda;
  auto other_lambda = TNotifyEvent::FromCallable([](TObject*) {});
  EXPECT_FALSE(empty.Assigned());
  EXPECT_EQ(empty, TNotifyEvent(nullptr));
  EXPECT_EQ(ha, ha2);
  EXPECT_NE(ha, hb);
  EXPECT_NE(ha, empty);
  EXPECT_EQ(lambda, lambda_copy);
  EXPECT_NE(lambda, other_lambda);
  EXPECT_EQ(ha.Data(), a.get());
  ha(nullptr);
  ha2(nullptr);
  EXPECT_EQ(a->calls, 2);
  EXPECT_EQ(b->calls, 0);
  ha = nullptr;
  EXPECT_FALSE(ha.Assigned());
}

}  // namespace
}  // namespace orv
