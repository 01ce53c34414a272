// The built package loaded into a host the way a designer loads it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <orv/host/designintf/designintf.h>
#include <orv/host/designintf/package.h>
#include <orv/host/forms/graphics.h>
#include <orv/host/forms/stdctrls.h>
#include <orv/host/forms/testing/formtesting.h>
#include <orv/keygen/generator.h>

namespace orv {

// An application's own generator class.
class TMyGenerator : public TGenerator {
  ORV_CLASS(TMyGenerator, TGenerator)
 public:
  using TGenerator::TGenerator;
};

const TClassInfo& TMyGenerator::StaticClassInfo() {
  static const TClassInfo info = Published<TMyGenerator>();
  return info;
}

namespace {

TEST(OrvgenpkgTest, LoadingRegistersThePaletteAndTheEditors) {
  testing::StartApplication();
  auto package = LoadPackage(ORV_GENPKG);
  std::vector<std::string> names;
  for (TComponentClass c : PaletteClasses("Orv")) names.push_back(c->Name());
  EXPECT_EQ(names, (std::vector<std::string>{"TGenerator", "TUniKEY"}));
  // The palette pictures: 24 by 24, named after the classes.
  for (const char* picture : {"TGENERATOR", "TUNIKEY"}) {
    SCOPED_TRACE(picture);
    TBitmap bitmap;
    bitmap.LoadFromResourceName("orvgenpkg", picture);
    EXPECT_EQ(bitmap.Width(), 24);
    EXPECT_EQ(bitmap.Height(), 24);
    EXPECT_EQ(bitmap.Image().colorCount(), 16);  // a 16-colour palette
  }
  // Both classes are known to form files.
  TComponentPtr<TComponent> owner(new TComponent(nullptr));
  EXPECT_STREQ(CreateComponent("TUniKEY", owner.get())->ClassName(), "TUniKEY");
  EXPECT_STREQ(CreateComponent("TGenerator", owner.get())->ClassName(), "TGenerator");
  // The editors apply to a descendant of TGenerator.
  auto* mine = new TMyGenerator(owner.get());
  TCountingDesigner designer;
  auto editor = GetComponentEditor(mine, &designer);
  EXPECT_STREQ(editor->ClassName(), "TGComponentEditor");
  ASSERT_EQ(editor->GetVerbCount(), 3);
  EXPECT_EQ(editor->GetVerb(1), "Setup  &DB");
  auto mask = GetPropertyEditor({mine}, "Mask", &designer);
  EXPECT_STREQ(mask->ClassName(), "TMaskPropertyEditor");
  EXPECT_EQ(mask->GetAttributes(), TPropertyAttributes{paDialog});
  // The mask dialog opens from the package and writes back.
  testing::AnswerModal([](TCustomForm* f) {
    EXPECT_EQ(f->Caption(), "Edit mask dialog");
    auto* edit = dynamic_cast<TEdit*>(f->FindComponent("Edit1"));
    ASSERT_NE(edit, nullptr);
    edit->SetText("PK-###");
    f->SetModalResult(mrOk);
  });
  editor->ExecuteVerb(0);
  EXPECT_EQ(mine->Mask(), "PK-###");
  EXPECT_EQ(designer.modified, 1);
  // About: the common library's box, shown from inside the package.
  std::string heading;
  testing::AnswerModal([&heading](TCustomForm* f) {
    if (auto* caption = dynamic_cast<TLabel*>(f->FindComponent("CapLbl")))
      heading = caption->Caption();
    f->SetModalResult(mrOk);
  });
  editor->ExecuteVerb(2);
  EXPECT_EQ(heading, "TGenerator");
  EXPECT_EQ(designer.modified, 1);
  // Unloading takes the registrations away.
  UnloadPackage(package);
  EXPECT_TRUE(PaletteClasses("Orv").empty());
  EXPECT_EQ(GetComponentEditor(mine, &designer)->GetVerbCount(), 0);
}

}  // namespace
}  // namespace orv
