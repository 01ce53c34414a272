#include <orv/host/classes/typinfo.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <orv/host/classes/events.h>

namespace orv {
namespace {

enum TShade { shLight, shDark, shDeep };

// A component publishing one property of every kind.
class TSample : public TComponent {
  ORV_CLASS(TSample, TComponent)

 public:
  explicit TSample(TComponent* owner) : TComponent(owner) {}
  int Count() const { return count_; }
  void SetCount(int v) { count_ = v; }
  double Ratio() const { return ratio_; }
  void SetRatio(double v) { ratio_ = v; }
  bool Active() const { return active_; }
  void SetActive(bool v) { active_ = v; }
  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& v) { caption_ = v; }
  TmString Limit() const { return limit_; }
  void SetLimit(TmString v) { limit_ = v; }
  char Sep() const { return sep_; }
  void SetSep(char v) { sep_ = v; }
  TShade Shade() const { return shade_; }
  void SetShade(TShade v) { shade_ = v; }
  TSet<TShade> Shades() const { return shades_; }
  void SetShades(TSet<TShade> v) { shades_ = v; }
  TStrings* Lines() const { return &lines_; }
  void SetLines(const TStrings& v) { lines_.Assign(v); }
  TSample* Peer() const { return peer_; }
  void SetPeer(TSample* v) { peer_ = v; }
  uint8_t Small() const { return small_; }
  void SetSmall(uint8_t v) { small_ = v; }

  TNotifyEvent OnChange;
  TGenProcEvent OnPrefix;

  void Changed(TObject*) {}
  void Other(TObject*) {}
  void Prefix(TObject*, TmString& s) { s = "P"; }

 private:
  int count_ = 0;
  double ratio_ = 0;
  bool active_ = false;
  std::string caption_;
  TmString limit_;
  char sep_ = ',';
  TShade shade_ = shLight;
  TSet<TShade> shades_;
  mutable TStringList lines_;
  TSample* peer_ = nullptr;
  uint8_t small_ = 0;
};

const TClassInfo& TSample::StaticClassInfo() {
  static const TClassInfo info =
      Published<TSample>()
          .Property("Count", &TSample::Count, &TSample::SetCount)
          .Default(0)
          .Property("Ratio", &TSample::Ratio, &TSample::SetRatio)
          .Property("Active", &TSample::Active, &TSample::SetActive)
          .Default(false)
          .Property("Caption", &TSample::Caption, &TSample::SetCaption)
          .Property("Limit", &TSample::Limit, &TSample::SetLimit)
          .Stored([](const TSample& s) { return s.Count() > 0; })
          .Property("Sep", &TSample::Sep, &TSample::SetSep)
          .Default(',')
          .Property("Shade", &TSample::Shade, &TSample::SetShade, {"shLight", "shDark", "shDeep"})
          .Default(shLight)
          .Property("Shades", &TSample::Shades, &TSample::SetShades,
                    {"shLight", "shDark", "shDeep"})
          .Property("Lines", &TSample::Lines, &TSample::SetLines)
          .Property("Peer", &TSample::Peer, &TSample::SetPeer)
          .Property("Small", &TSample::Small, &TSample::SetSmall)
          .Event("OnChange", &TSample::OnChange)
          .Event("OnPrefix", &TSample::OnPrefix)
          .Method("Changed", &TSample::Changed)
          .Method("Prefix", &TSample::Prefix);
  return info;
}

// Adds one property after the base's, to show the inherited order.
class TSampleEx : public TSample {
  ORV_CLASS(TSampleEx, TSample)

 public:
  using TSample::TSample;
  int Extra = 5;
  TStrings* Notes() const { return &notes_; }
  int Id() const { return 17; }

 private:
  mutable TStringList notes_;
};

const TClassInfo& TSampleEx::StaticClassInfo() {
  static const TClassInfo info =
      Published<TSampleEx>()
          .Property("Extra", &TSampleEx::Extra)
          .Default(5)
          .Property("Notes", &TSampleEx::Notes, nullptr)  // assigned into
          .Property("Id", &TSampleEx::Id, nullptr);       // read-only
  return info;
}

std::vector<std::string> PropNames(const TClassInfo& info) {
  std::vector<std::string> out;
  for (const TPropInfo* p : info.Properties()) out.push_back(p->name);
  return out;
}

TEST(TypInfoTest, PropertiesComeInDeclarationOrderBaseFirst) {
  TComponentPtr<TSampleEx> s(new TSampleEx(nullptr));
  EXPECT_EQ(std::string(s->ClassName()), "TSampleEx");
  const TClassInfo& info = ClassInfoOf(*s);
  EXPECT_EQ(&info, &TSampleEx::StaticClassInfo());
  EXPECT_TRUE(info.InheritsFrom(TComponent::StaticClassInfo()));
  EXPECT_FALSE(TSample::StaticClassInfo().InheritsFrom(info));
  EXPECT_EQ(PropNames(info),
            (std::vector<std::string>{"Count", "Ratio", "Active", "Caption", "Limit", "Sep",
                                      "Shade", "Shades", "Lines", "Peer", "Small", "OnChange",
                                      "OnPrefix", "Extra", "Notes", "Id"}));
  EXPECT_EQ(info.FindProperty("caption")->kind, TTypeKind::String);
  EXPECT_EQ(info.FindProperty("Limit")->kind, TTypeKind::String);
  EXPECT_EQ(info.FindProperty("Shades")->kind, TTypeKind::Set);
  EXPECT_EQ(info.FindProperty("Lines")->kind, TTypeKind::Strings);
  EXPECT_EQ(info.FindProperty("Peer")->kind, TTypeKind::Component);
  EXPECT_EQ(info.FindProperty("OnPrefix")->kind, TTypeKind::Event);
  EXPECT_EQ(info.FindProperty("Nope"), nullptr);
}

TEST(TypInfoTest, TextAccessRoundTripsEveryKind) {
  TComponentPtr<TSample> form(new TSample(nullptr));
  form->SetName("Form");
  auto* s = new TSample(form.get());
  s->SetName("S");
  auto* peer = new TSample(form.get());
  peer->SetName("Other");
  // property, text to set, text read back
  const struct {
    const char* prop;
    const char* text;
    const char* back;
  } cases[] = {
      {"Count", "-42", "-42"},
      {"Count", "$10", "16"},
      {"Ratio", "2.5", "2.5"},
      {"Active", "true", "True"},
      {"Caption", "a b", "a b"},
      {"Sep", ";", ";"},
      {"Shade", "SHDEEP", "shDeep"},
      {"Shades", "[shDeep, shLight]", "[shLight,shDeep]"},
      {"Shades", "[]", "[]"},
      {"Lines", "x\ny", "x\ny\n"},
      {"Peer", "Other", "Other"},
      {"Peer", "", ""},
      {"OnChange", "Changed", "Changed"},
      {"OnChange", "", ""},
      {"Small", "255", "255"},
  };
  for (const auto& c : cases) {
    SetPropText(*s, c.prop, c.text);
    EXPECT_EQ(GetPropText(*s, c.prop), c.back) << c.prop << " = " << c.text;
  }
}

TEST(TypInfoTest, BadTextsRaiseNamingTheProperty) {
  TComponentPtr<TSample> form(new TSample(nullptr));
  auto* s = new TSample(form.get());
  // property, text, message
  const struct {
    const char* prop;
    const char* text;
    const char* message;
  } cases[] = {
      {"Count", "12x", "Invalid value for property Count (expected an integer)"},
      {"Count", "3000000000", "Invalid value for property Count (expected a value in range)"},
      {"Small", "256", "Invalid value for property Small (expected a value in range)"},
      {"Small", "-1", "Invalid value for property Small (expected a value in range)"},
      {"Ratio", "", "Invalid value for property Ratio (expected a number)"},
      {"Active", "yes", "Invalid value for property Active (expected True or False)"},
      {"Sep", "ab", "Invalid value for property Sep (expected one character)"},
      {"Shade", "shPale", "Invalid value for property Shade (expected an identifier of its type)"},
      {"Shades", "[shDark, x]", "Invalid value for property Shades (expected members of its type)"},
      {"Peer", "Ghost", "Invalid value for property Peer (expected the name of a component)"},
      {"OnChange", "Ghost",
       "Invalid value for property OnChange (expected the name of a published method)"},
      {"OnChange", "Prefix",
       "Invalid value for property OnChange (expected a method of a fitting type)"},
      {"Missing", "1", "Property Missing does not exist"},
  };
  for (const auto& c : cases) {
    try {
      SetPropText(*s, c.prop, c.text);
      ADD_FAILURE() << c.prop << " = " << c.text;
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), c.message);
    }
  }
}

TEST(TypInfoTest, ReadOnlyPropertiesAreNeitherSetNorStored) {
  TComponentPtr<TSampleEx> s(new TSampleEx(nullptr));
  SetPropText(*s, "Notes", "a\nb");  // a list without a setter takes the items itself
  EXPECT_EQ(s->Notes()->CommaText(), "a,b");
  EXPECT_TRUE(GetPropInfo(*s, "Notes").IsStored(*s));
  EXPECT_EQ(GetPropText(*s, "Id"), "17");
  EXPECT_FALSE(GetPropInfo(*s, "Id").IsStored(*s));
  try {
    SetPropText(*s, "Id", "3");
    ADD_FAILURE();
  } catch (const EPropertyError& e) {
    EXPECT_EQ(e.Message(), "Property Id is read-only");
  }
}

TEST(TypInfoTest, TypedAccessChecksTheType) {
  TComponentPtr<TSample> s(new TSample(nullptr));
  SetProp(*s, "Count", 7);
  SetProp(*s, "Limit", TmString("0999"));
  SetProp(*s, "Shades", TSet<TShade>{shDark});
  EXPECT_EQ(s->Count(), 7);
  EXPECT_EQ(GetProp<TmString>(*s, "Limit"), TmString("0999"));
  EXPECT_TRUE(GetProp<TSet<TShade>>(*s, "Shades").Contains(shDark));
  try {
    SetProp(*s, "Count", std::string("7"));
    ADD_FAILURE();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Property Count is of type integer");
  }
}

TEST(TypInfoTest, StoredFollowsDefaultsAndPredicates) {
  TComponentPtr<TSample> s(new TSample(nullptr));
  const TClassInfo& info = ClassInfoOf(*s);
  auto stored = [&](const char* name) { return info.FindProperty(name)->IsStored(*s); };
  // Fresh: only the properties without a default (Ratio, Shades, Small) are stored.
  for (const char* name :
       {"Count", "Active", "Caption", "Limit", "Sep", "Shade", "Lines", "Peer", "OnChange"})
    EXPECT_FALSE(stored(name)) << name;
  for (const char* name : {"Ratio", "Shades", "Small"}) EXPECT_TRUE(stored(name)) << name;
  s->SetLimit("0001");
  EXPECT_FALSE(stored("Limit"));  // its predicate wants Count > 0
  s->SetCount(1);
  EXPECT_TRUE(stored("Limit"));
  EXPECT_TRUE(stored("Count"));
  s->OnChange = TNotifyEvent(s.get(), &TSample::Changed);
  EXPECT_TRUE(stored("OnChange"));
  s->Lines()->Add("x");
  EXPECT_TRUE(stored("Lines"));
}

TEST(TypInfoTest, MethodNameFindsThePublishedMethodAnEventHolds) {
  TComponentPtr<TSample> form(new TSample(nullptr));
  auto* s = new TSample(form.get());
  const TPropInfo& ev = GetPropInfo(*s, "OnChange");
  const TClassInfo& root = ClassInfoOf(*form);
  // handler, expected method name ("" = not a published method of the root)
  const struct {
    TNotifyEvent handler;
    const char* name;
  } cases[] = {
      {TNotifyEvent(form.get(), &TSample::Changed), "Changed"},
      {TNotifyEvent(form.get(), &TSample::Other), ""},  // not published
      {TNotifyEvent(s, &TSample::Changed), ""},         // bound to another object
      {TNotifyEvent(), ""},
  };
  for (const auto& c : cases) {
    s->OnChange = c.handler;
    EXPECT_EQ(root.MethodName(*form, ev, ev.get_any(*s)), c.name);
  }
}

TEST(TypInfoTest, RegistryCreatesByName) {
  RegisterClasses<TSample, TSampleEx>();
  RegisterClass(TSample::StaticClassInfo());  // again: no-op
  EXPECT_EQ(GetClass("tsampleex"), &TSampleEx::StaticClassInfo());
  EXPECT_EQ(GetClass("TNothing"), nullptr);
  TComponentPtr<TSample> form(new TSample(nullptr));
  TComponent* c = CreateComponent("TSampleEx", form.get());
  EXPECT_EQ(std::string(c->ClassName()), "TSampleEx");
  EXPECT_EQ(c->Owner(), form.get());
  EXPECT_EQ(GetProp<int>(*c, "Extra"), 5);
  const struct {
    std::function<void()> call;
    const char* message;
  } cases[] = {
      {[] { FindClass("TNothing"); }, "Class TNothing not found"},
      {[] { TObject::StaticClassInfo().Create(nullptr); },
       "Cannot create an instance of class TObject"},
  };
  for (const auto& c2 : cases) {
    try {
      c2.call();
      ADD_FAILURE() << c2.message;
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), c2.message);
    }
  }
}

}  // namespace
}  // namespace orv
