// The published descriptions of the window layer's classes: what form files
// and the designer read and write. Colours and cursors are entries of their
// own (see TControl::DefineProperties), since they are written by name.
#include "host/classes/typinfo.h"
#include "host/forms/buttons.h"
#include "host/forms/extctrls.h"
#include "host/forms/forms.h"
#include "host/forms/stdctrls.h"

namespace orv {

namespace {
const std::vector<std::string> kAlignments = {"taLeftJustify", "taRightJustify", "taCenter"};
const std::vector<std::string> kFontStyles = {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"};
}  // namespace

const TClassInfo& TControl::StaticClassInfo() {
  static const TClassInfo info =
      Published<TControl>()
          .Property("Left", &TControl::Left, &TControl::SetLeft)
          .Property("Top", &TControl::Top, &TControl::SetTop)
          .Property("Width", &TControl::Width, &TControl::SetWidth)
          .Property("Height", &TControl::Height, &TControl::SetHeight)
          .Property("Enabled", &TControl::Enabled, &TControl::SetEnabled).Default(true)
          .Property("Visible", &TControl::Visible, &TControl::SetVisible).Default(true)
          .Property("Hint", &TControl::Hint, &TControl::SetHint)
          .Property("ShowHint", &TControl::ShowHint, &TControl::SetShowHint).Default(false)
          .Property("ParentFont", &TControl::ParentFont, &TControl::SetParentFont).Default(true)
          .Property("Font.Name", &TControl::FontName, &TControl::SetFontName)
          .Stored([](const TControl& c) { return !c.ParentFont(); })
          .Property("Font.Height", &TControl::FontHeight, &TControl::SetFontHeight)
          .Stored([](const TControl& c) { return !c.ParentFont(); })
          .Property("Font.Style", &TControl::FontStyle, &TControl::SetFontStyle, kFontStyles)
          .Default(TFontStyles{})
          .Stored([](const TControl& c) { return !c.ParentFont(); })
          .Property("ParentColor", &TControl::ParentColor, &TControl::SetParentColor)
          .Stored([](const TControl& c) { return c.ParentColorStored(); })
          .Event("OnClick", &TControl::OnClick, &TControl::SetOnClick)
          .Event("OnMouseDown", &TControl::OnMouseDown, &TControl::SetOnMouseDown)
          .Event("OnMouseUp", &TControl::OnMouseUp, &TControl::SetOnMouseUp)
          .Event("OnMouseMove", &TControl::OnMouseMove, &TControl::SetOnMouseMove);
  return info;
}

const TClassInfo& TWinControl::StaticClassInfo() {
  static const TClassInfo info =
      Published<TWinControl>()
          .Property("TabOrder", &TWinControl::TabOrder, &TWinControl::SetTabOrder)
          .Stored([](const TWinControl& c) { return c.Parent() != nullptr; })
          .Property("TabStop", &TWinControl::TabStop, &TWinControl::SetTabStop).Default(true)
          .Event("OnEnter", &TWinControl::OnEnter, &TWinControl::SetOnEnter)
          .Event("OnExit", &TWinControl::OnExit, &TWinControl::SetOnExit)
          .Event("OnKeyDown", &TWinControl::OnKeyDown, &TWinControl::SetOnKeyDown)
          .Event("OnKeyUp", &TWinControl::OnKeyUp, &TWinControl::SetOnKeyUp)
          .Event("OnKeyPress", &TWinControl::OnKeyPress, &TWinControl::SetOnKeyPress);
  return info;
}

const TClassInfo& TGraphicControl::StaticClassInfo() {
  static const TClassInfo info = Published<TGraphicControl>();
  return info;
}

const TClassInfo& TCustomForm::StaticClassInfo() {
  static const TClassInfo info =
      Published<TCustomForm>()
          .Property("BorderStyle", &TCustomForm::BorderStyle, &TCustomForm::SetBorderStyle,
                    {"bsNone", "bsSingle", "bsSizeable", "bsDialog", "bsToolWindow", "bsSizeToolWin"})
          .Default(bsSizeable)
          .Property("BorderIcons", &TCustomForm::BorderIcons, &TCustomForm::SetBorderIcons,
                    {"biSystemMenu", "biMinimize", "biMaximize", "biHelp"})
          .Property("Caption", &TCustomForm::Caption, &TCustomForm::SetCaption)
          .Property("ClientWidth", &TCustomForm::ClientWidth, &TCustomForm::SetClientWidth)
          .Property("ClientHeight", &TCustomForm::ClientHeight, &TCustomForm::SetClientHeight)
          .Property("FormStyle", &TCustomForm::FormStyle, &TCustomForm::SetFormStyle,
                    {"fsNormal", "fsMDIChild", "fsMDIForm", "fsStayOnTop"})
          .Default(fsNormal)
          .Property("Position", &TCustomForm::Position, &TCustomForm::SetPosition,
                    {"poDesigned", "poDefault", "poDefaultPosOnly", "poDefaultSizeOnly", "poScreenCenter",
                     "poDesktopCenter", "poMainFormCenter", "poOwnerFormCenter"})
          .Default(poDesigned)
          .Property("ActiveControl", &TCustomForm::ActiveControl, &TCustomForm::SetActiveControl)
          .Property("Icon.ResourceName", &TCustomForm::IconName, &TCustomForm::SetIconName)
          .Event("OnCreate", &TCustomForm::OnCreate, &TCustomForm::SetOnCreate)
          .Event("OnShow", &TCustomForm::OnShow, &TCustomForm::SetOnShow)
          .Event("OnHide", &TCustomForm::OnHide, &TCustomForm::SetOnHide)
          .Event("OnDestroy", &TCustomForm::OnDestroy, &TCustomForm::SetOnDestroy);
  return info;
}

const TClassInfo& TForm::StaticClassInfo() {
  static const TClassInfo info = Published<TForm>();
  return info;
}

const TClassInfo& TApplication::StaticClassInfo() {
  static const TClassInfo info = Published<TApplication>();
  return info;
}

const TClassInfo& TLabel::StaticClassInfo() {
  static const TClassInfo info =
      Published<TLabel>()
          .Property("Alignment", &TLabel::Alignment, &TLabel::SetAlignment, kAlignments).Default(taLeftJustify)
          .Property("AutoSize", &TLabel::AutoSize, &TLabel::SetAutoSize).Default(true)
          .Property("Caption", &TLabel::Caption, &TLabel::SetCaption)
          .Property("Transparent", &TLabel::Transparent, &TLabel::SetTransparent).Default(false)
          .Property("WordWrap", &TLabel::WordWrap, &TLabel::SetWordWrap).Default(false);
  return info;
}

const TClassInfo& TEdit::StaticClassInfo() {
  static const TClassInfo info = Published<TEdit>()
                                     .Property("MaxLength", &TEdit::MaxLength, &TEdit::SetMaxLength).Default(0)
                                     .Property("ReadOnly", &TEdit::ReadOnly, &TEdit::SetReadOnly).Default(false)
                                     .Property("Text", &TEdit::Text, &TEdit::SetText)
                                     .Event("OnChange", &TEdit::OnChange, &TEdit::SetOnChange);
  return info;
}

const TClassInfo& TButton::StaticClassInfo() {
  static const TClassInfo info =
      Published<TButton>()
          .Property("Cancel", &TButton::Cancel, &TButton::SetCancel).Default(false)
          .Property("Caption", &TButton::Caption, &TButton::SetCaption)
          .Property("Default", &TButton::Default, &TButton::SetDefault).Default(false)
          .Property("ModalResult", &TButton::ModalResult, &TButton::SetModalResult).Default(0);
  return info;
}

const TClassInfo& TBitBtn::StaticClassInfo() {
  static const TClassInfo info = Published<TBitBtn>()
                                     .Property("Glyph.ResourceName", &TBitBtn::GlyphName, &TBitBtn::SetGlyphName)
                                     .Property("NumGlyphs", &TBitBtn::NumGlyphs, &TBitBtn::SetNumGlyphs).Default(1);
  return info;
}

const TClassInfo& TComboBox::StaticClassInfo() {
  static const TClassInfo info =
      Published<TComboBox>()
          .Property("Style", &TComboBox::Style, &TComboBox::SetStyle, {"csDropDown", "csDropDownList"})
          .Default(csDropDown)
          .Property("DropDownCount", &TComboBox::DropDownCount, &TComboBox::SetDropDownCount).Default(8)
          .Property("Items.Strings", &TComboBox::Items, nullptr)
          .Property("Text", &TComboBox::Text, &TComboBox::SetText)
          .Event("OnChange", &TComboBox::OnChange, &TComboBox::SetOnChange);
  return info;
}

const TClassInfo& TRadioGroup::StaticClassInfo() {
  static const TClassInfo info =
      Published<TRadioGroup>()
          .Property("Caption", &TRadioGroup::Caption, &TRadioGroup::SetCaption)
          .Property("Columns", &TRadioGroup::Columns, &TRadioGroup::SetColumns).Default(1)
          .Property("Items.Strings", &TRadioGroup::Items, nullptr)
          .Property("ItemIndex", &TRadioGroup::ItemIndex, &TRadioGroup::SetItemIndex).Default(-1);
  return info;
}

const TClassInfo& TBevel::StaticClassInfo() {
  static const TClassInfo info =
      Published<TBevel>()
          .Property("Shape", &TBevel::Shape, &TBevel::SetShape,
                    {"bsBox", "bsFrame", "bsTopLine", "bsBottomLine", "bsLeftLine", "bsRightLine", "bsSpacer"})
          .Default(bsBox)
          .Property("Style", &TBevel::Style, &TBevel::SetStyle, {"bsLowered", "bsRaised"})
          .Default(bsLowered);
  return info;
}

const TClassInfo& TShape::StaticClassInfo() {
  static const TClassInfo info =
      Published<TShape>()
          .Property("Brush.Style", &TShape::BrushStyle, &TShape::SetBrushStyle, {"bsSolid", "bsClear"})
          .Default(bsSolid)
          .Property("Pen.Style", &TShape::PenStyle, &TShape::SetPenStyle, {"psSolid", "psDash", "psDot", "psClear"})
          .Default(psSolid)
          .Property("Pen.Width", &TShape::PenWidth, &TShape::SetPenWidth).Default(1)
          .Property("Shape", &TShape::Shape, &TShape::SetShape,
                    {"stRectangle", "stSquare", "stRoundRect", "stRoundSquare", "stEllipse", "stCircle"})
          .Default(stRectangle);
  return info;
}

const TClassInfo& TImage::StaticClassInfo() {
  static const TClassInfo info =
      Published<TImage>()
          .Property("Center", &TImage::Center, &TImage::SetCenter).Default(false)
          .Property("Picture.ResourceName", &TImage::PictureName, &TImage::SetPictureName)
          .Property("Stretch", &TImage::Stretch, &TImage::SetStretch).Default(false)
          .Property("Transparent", &TImage::Transparent, &TImage::SetTransparent).Default(false);
  return info;
}

const TClassInfo& TPanel::StaticClassInfo() {
  static const TClassInfo info =
      Published<TPanel>()
          .Property("Alignment", &TPanel::Alignment, &TPanel::SetAlignment, kAlignments).Default(taCenter)
          .Property("BevelInner", &TPanel::BevelInner, &TPanel::SetBevelInner, {"bvNone", "bvLowered", "bvRaised"})
          .Default(bvNone)
          .Property("BevelOuter", &TPanel::BevelOuter, &TPanel::SetBevelOuter, {"bvNone", "bvLowered", "bvRaised"})
          .Default(bvRaised)
          .Property("BevelWidth", &TPanel::BevelWidth, &TPanel::SetBevelWidth).Default(1)
          .Property("Caption", &TPanel::Caption, &TPanel::SetCaption);
  return info;
}

void RegisterFormClasses() {
  RegisterClasses<TControl, TWinControl, TGraphicControl, TForm, TLabel, TEdit, TButton, TBitBtn, TComboBox,
                  TRadioGroup, TBevel, TShape, TImage, TPanel>();
}

}  // namespace orv
