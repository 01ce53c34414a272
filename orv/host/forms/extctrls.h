// More controls: TRadioGroup, TPanel (windowed); TBevel, TShape, TImage
// (graphic). Main thread only.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include <orv/host/classes/lists.h>
#include <orv/host/forms/controls.h>
#include <orv/host/forms/stdctrls.h>

class QButtonGroup;
class QRadioButton;

namespace orv {

// A framed group of radio buttons, one per item, laid out in Columns.
// ItemIndex is -1 while none is chosen; a change of the choice (the user's or
// the program's) runs OnClick.
class TRadioGroup : public TWinControl {
  ORV_CLASS(TRadioGroup, TWinControl)
 public:
  explicit TRadioGroup(TComponent* owner);
  ~TRadioGroup() override;
  // The items; the buttons follow before they next show or are asked.
  TStrings* Items() const { return &items_; }
  void SetItems(const TStrings& items);
  int Columns() const { return columns_; }
  void SetColumns(int n);
  int ItemIndex() const;
  // -1 clears the choice; an index out of range raises Exception
  // "List index out of bounds (i)".
  void SetItemIndex(int index);
  void WndProc(TMessage& message) override;
  void Loaded() override;
  // Brings the buttons in line with Items; returns the button of an item.
  void SyncButtons() const;
  QRadioButton* Button(int index) const;
  void SetBounds(int left, int top, int width, int height) override;

 protected:
  bool ClicksFromWidget() const override { return true; }
  void TextChanged() override;
  void FontChanged() override;

 private:
  void ArrangeButtons() const;
  // Tab reaches the group once: at the chosen button, or the first.
  void UpdateFocusProxy() const;
  mutable TStringList items_;
  mutable std::vector<std::string> shown_;  // the items the buttons show
  int columns_ = 1;
  int item_index_ = -1;
  QButtonGroup* group_ = nullptr;
  mutable std::vector<QRadioButton*> buttons_;
};

enum TBevelShape { bsBox, bsFrame, bsTopLine, bsBottomLine, bsLeftLine, bsRightLine, bsSpacer };
enum TBevelStyle { bsLowered, bsRaised };

// A sunken or raised box, frame or line.
class TBevel : public TGraphicControl {
  ORV_CLASS(TBevel, TGraphicControl)
 public:
  explicit TBevel(TComponent* owner);
  TBevelShape Shape() const { return shape_; }
  void SetShape(TBevelShape s);
  TBevelStyle Style() const { return style_; }
  void SetStyle(TBevelStyle s);
  void Paint(QPainter& painter) override;

 private:
  TBevelShape shape_ = bsBox;
  TBevelStyle style_ = bsLowered;
};

enum TShapeType { stRectangle, stSquare, stRoundRect, stRoundSquare, stEllipse, stCircle };

// A filled figure outlined with a pen.
class TShape : public TGraphicControl {
  ORV_CLASS(TShape, TGraphicControl)
 public:
  explicit TShape(TComponent* owner);
  TShapeType Shape() const { return shape_; }
  void SetShape(TShapeType s);
  TPen* Pen() { return &pen_; }
  TBrush* Brush() { return &brush_; }
  // The parts of pen and brush as form files name them ("Pen.Width" ...).
  int PenWidth() const { return pen_.Width(); }
  void SetPenWidth(int w) { pen_.SetWidth(w); }
  TPenStyle PenStyle() const { return pen_.Style(); }
  void SetPenStyle(TPenStyle s) { pen_.SetStyle(s); }
  TBrushStyle BrushStyle() const { return brush_.Style(); }
  void SetBrushStyle(TBrushStyle s) { brush_.SetStyle(s); }
  void DefineProperties(TFiler* filer) override;
  void Paint(QPainter& painter) override;

 private:
  TShapeType shape_ = stRectangle;
  TPen pen_;
  TBrush brush_;
};

// Shows a picture at its top left (clipped), centred, or stretched.
class TImage : public TGraphicControl {
  ORV_CLASS(TImage, TGraphicControl)
 public:
  explicit TImage(TComponent* owner);
  TPicture* Picture() { return &picture_; }
  // Copies bitmap into the picture (redrawn at once).
  void SetPicture(const TBitmap* bitmap) { picture_.Assign(bitmap); }
  // The resource the picture is loaded from, in the module of the form that
  // owns the image (as layouts name pictures).
  const std::string& PictureName() const { return picture_name_; }
  void SetPictureName(const std::string& name);
  bool Stretch() const { return stretch_; }
  void SetStretch(bool on);
  bool Center() const { return center_; }
  void SetCenter(bool on);
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool on);
  void Paint(QPainter& painter) override;
  void Loaded() override;

 private:
  TPicture picture_;
  std::string picture_name_;
  bool stretch_ = false;
  bool center_ = false;
  bool transparent_ = false;
};

enum TPanelBevel { bvNone, bvLowered, bvRaised };

// A container with a bevelled edge and a centred caption.
class TPanel : public TWinControl {
  ORV_CLASS(TPanel, TWinControl)
 public:
  explicit TPanel(TComponent* owner);
  TPanelBevel BevelOuter() const { return bevel_outer_; }
  void SetBevelOuter(TPanelBevel b);
  TPanelBevel BevelInner() const { return bevel_inner_; }
  void SetBevelInner(TPanelBevel b);
  int BevelWidth() const { return bevel_width_; }
  void SetBevelWidth(int w);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment a);
  void PaintPanel(QPainter& painter);
  bool AcceptsControls() const override { return true; }

 protected:
  void TextChanged() override { Invalidate(); }

 private:
  TPanelBevel bevel_outer_ = bvRaised;
  TPanelBevel bevel_inner_ = bvNone;
  int bevel_width_ = 1;
  TAlignment alignment_ = taCenter;
};

// The module a control's pictures come from: that of the form owning it.
std::string ModuleOf(const TComponent* component);

}  // namespace orv
