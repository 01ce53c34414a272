#include <orv/host/forms/extctrls.h>

#include <QButtonGroup>
#include <QEvent>
#include <QFontMetrics>
#include <QGroupBox>
#include <QMouseEvent>
#include <QPainter>
#include <QRadioButton>

#include <orv/host/classes/filer.h>
#include <orv/host/forms/forms.h>
#include <orv/host/forms/widgets_p.h>
#include <orv/host/rtl/exception.h>

namespace orv {

std::string ModuleOf(const TComponent* component) {
  for (const TComponent* c = component; c; c = c->Owner())
    if (auto* form = dynamic_cast<const TCustomForm*>(c); form && !form->Module().empty())
      return form->Module();
  return "";
}

// ---- TRadioGroup -----------------------------------------------------------

namespace {
class TRadioGroupWidget : public QGroupBox {
 public:
  explicit TRadioGroupWidget(const TRadioGroup* owner) : owner_(owner) {}

 protected:
  bool event(QEvent* e) override {
    if (e->type() == QEvent::Show || e->type() == QEvent::Polish || e->type() == QEvent::Paint)
      owner_->SyncButtons();
    return QGroupBox::event(e);
  }

 private:
  const TRadioGroup* owner_;
};
}  // namespace

TRadioGroup::TRadioGroup(TComponent* owner) : TWinControl(owner) {
  auto* box = new TRadioGroupWidget(this);
  SetWidget(box);
  group_ = new QButtonGroup(box);
  group_->setExclusive(true);
  SetBounds(0, 0, 185, 105);
  QObject::connect(group_, &QButtonGroup::idClicked, Context(), [this](int id) {
    GuardedCall([&] { Perform(CN_COMMAND, MakeWParam(static_cast<unsigned>(id), BN_CLICKED)); });
  });
}

TRadioGroup::~TRadioGroup() = default;

void TRadioGroup::SetItems(const TStrings& items) {
  items_.Assign(items);
  SyncButtons();
}

void TRadioGroup::SetColumns(int n) {
  columns_ = std::clamp(n, 1, 16);
  ArrangeButtons();
}

QRadioButton* TRadioGroup::Button(int index) const {
  SyncButtons();
  return index >= 0 && index < static_cast<int>(buttons_.size())
             ? buttons_[static_cast<size_t>(index)]
             : nullptr;
}

void TRadioGroup::SyncButtons() const {
  const std::vector<std::string> now = items_.ToVector();
  if (now == shown_ && buttons_.size() == now.size()) return;
  shown_ = now;
  auto* self = const_cast<TRadioGroup*>(this);
  while (buttons_.size() > now.size()) {
    QRadioButton* b = buttons_.back();
    buttons_.pop_back();
    group_->removeButton(b);
    delete b;
  }
  while (buttons_.size() < now.size()) {
    auto* b = new QRadioButton(Widget());
    group_->addButton(b, static_cast<int>(buttons_.size()));
    buttons_.push_back(b);
    self->WatchInput(b);
    b->show();
  }
  for (size_t i = 0; i < now.size(); ++i) buttons_[i]->setText(ToQString(now[i]));
  if (item_index_ >= static_cast<int>(now.size())) self->item_index_ = -1;
  group_->setExclusive(false);
  for (size_t i = 0; i < buttons_.size(); ++i)
    buttons_[i]->setChecked(static_cast<int>(i) == item_index_);
  group_->setExclusive(true);
  ArrangeButtons();
  UpdateFocusProxy();
}

void TRadioGroup::UpdateFocusProxy() const {
  if (buttons_.empty()) {
    Widget()->setFocusProxy(nullptr);
    return;
  }
  QRadioButton* entry = buttons_[item_index_ >= 0 && item_index_ < static_cast<int>(buttons_.size())
                                     ? static_cast<size_t>(item_index_)
                                     : 0];
  for (QRadioButton* b : buttons_) b->setFocusPolicy(b == entry ? Qt::StrongFocus : Qt::ClickFocus);
  if (Widget()->focusProxy() == entry) return;
  Widget()->setFocusProxy(entry);
  const_cast<TRadioGroup*>(this)->UpdateTabChain();
}

void TRadioGroup::ArrangeButtons() const {
  if (buttons_.empty()) return;
  // The platform's arrangement: columns of equal width, rows sharing the
  // height below the caption.
  const int count = static_cast<int>(buttons_.size());
  const int per_col = (count + columns_ - 1) / columns_;
  const int button_width = (Width() - 10) / columns_;
  const int text_height = QFontMetrics(Font()->ToQFont()).height();
  const int space = Height() - text_height - 5;
  const int button_height = space / per_col;
  const int top_margin = text_height + 1 + (space % per_col) / 2;
  for (int i = 0; i < count; ++i)
    buttons_[static_cast<size_t>(i)]->setGeometry((i / per_col) * button_width + 8,
                                                  (i % per_col) * button_height + top_margin,
                                                  button_width, button_height);
}

void TRadioGroup::SetBounds(int left, int top, int width, int height) {
  TWinControl::SetBounds(left, top, width, height);
  ArrangeButtons();
}

void TRadioGroup::TextChanged() {
  static_cast<QGroupBox*>(Widget())->setTitle(ToQString(Caption()));
}

void TRadioGroup::FontChanged() {
  TWinControl::FontChanged();
  ArrangeButtons();
}

int TRadioGroup::ItemIndex() const {
  SyncButtons();
  return item_index_;
}

void TRadioGroup::SetItemIndex(int index) {
  if (Has(csLoading)) {
    item_index_ = index;
    return;
  }
  SyncButtons();
  if (index < -1 || index >= items_.Count())
    throw Exception("List index out of bounds (" + std::to_string(index) + ")");
  if (index == item_index_) return;
  item_index_ = index;
  group_->setExclusive(false);
  for (size_t i = 0; i < buttons_.size(); ++i)
    buttons_[i]->setChecked(static_cast<int>(i) == index);
  group_->setExclusive(true);
  UpdateFocusProxy();
  if (index >= 0) Click();
}

void TRadioGroup::WndProc(TMessage& m) {
  if (m.Msg == CN_COMMAND && HiWord(m.WParam) == BN_CLICKED) {
    const int id = static_cast<int>(m.WParam & 0xFFFF);
    if (id != item_index_ && id < items_.Count()) SetItemIndex(id);
    return;
  }
  TWinControl::WndProc(m);
}

void TRadioGroup::Loaded() {
  TWinControl::Loaded();
  const int wanted = item_index_;
  item_index_ = -1;
  shown_.clear();
  SyncButtons();
  if (wanted >= 0 && wanted < items_.Count()) {
    item_index_ = wanted;
    group_->setExclusive(false);
    for (size_t i = 0; i < buttons_.size(); ++i)
      buttons_[i]->setChecked(static_cast<int>(i) == wanted);
    group_->setExclusive(true);
    UpdateFocusProxy();
  }
}

// ---- TBevel ----------------------------------------------------------------

TBevel::TBevel(TComponent* owner) : TGraphicControl(owner) { SetBounds(0, 0, 50, 50); }

void TBevel::SetShape(TBevelShape s) {
  shape_ = s;
  Invalidate();
}

void TBevel::SetStyle(TBevelStyle s) {
  style_ = s;
  Invalidate();
}

void TBevel::Paint(QPainter& p) {
  QColor c1 = ToQColor(clBtnShadow), c2 = ToQColor(clBtnHighlight);
  if (style_ == bsRaised) std::swap(c1, c2);
  const int w = Width(), h = Height();
  // Outline of a rectangle: c1 on the left and top, c2 on the right and bottom.
  auto rect = [&](int l, int t, int r, int b, QColor a, QColor z) {
    p.setPen(a);
    p.drawLine(l, b, l, t);
    p.drawLine(l, t, r, t);
    p.setPen(z);
    p.drawLine(r, t, r, b);
    p.drawLine(r, b, l, b);
  };
  switch (shape_) {
    case bsBox:
      rect(0, 0, w - 1, h - 1, c1, c2);
      break;
    case bsFrame:
      rect(0, 0, w - 2, h - 2, c1, c1);
      rect(1, 1, w - 1, h - 1, c2, c2);
      break;
    case bsTopLine:
      p.setPen(c1);
      p.drawLine(0, 0, w, 0);
      p.setPen(c2);
      p.drawLine(0, 1, w, 1);
      break;
    case bsBottomLine:
      p.setPen(c1);
      p.drawLine(0, h - 2, w, h - 2);
      p.setPen(c2);
      p.drawLine(0, h - 1, w, h - 1);
      break;
    case bsLeftLine:
      p.setPen(c1);
      p.drawLine(0, 0, 0, h);
      p.setPen(c2);
      p.drawLine(1, 0, 1, h);
      break;
    case bsRightLine:
      p.setPen(c1);
      p.drawLine(w - 2, 0, w - 2, h);
      p.setPen(c2);
      p.drawLine(w - 1, 0, w - 1, h);
      break;
    case bsSpacer:
      break;
  }
}

// ---- TShape ----------------------------------------------------------------

TShape::TShape(TComponent* owner) : TGraphicControl(owner) {
  SetBounds(0, 0, 65, 65);
  pen_.OnChange = [this] { Invalidate(); };
  brush_.OnChange = [this] { Invalidate(); };
}

void TShape::SetShape(TShapeType s) {
  shape_ = s;
  Invalidate();
}

void TShape::Paint(QPainter& p) {
  const int pw = pen_.Style() == psClear ? 0 : pen_.Width();
  int x = pw / 2, y = x;
  int w = Width() - pw + 1, h = Height() - pw + 1;
  if (pw == 0) {
    --w;
    --h;
  }
  if (shape_ == stSquare || shape_ == stRoundSquare || shape_ == stCircle) {
    const int side = std::min(w, h);
    x += (w - side) / 2;
    y += (h - side) / 2;
    w = h = side;
  }
  // The figure spans [x, x+w) by [y, y+h), the pen inside it.
  const QRect area(x, y, std::max(w - 1, 0), std::max(h - 1, 0));
  QPen pen(ToQColor(pen_.Color()));
  pen.setWidth(pw);
  pen.setJoinStyle(Qt::MiterJoin);
  if (pw == 0) pen = Qt::NoPen;
  p.setPen(pen);
  p.setBrush(brush_.Style() == bsClear ? QBrush(Qt::NoBrush) : QBrush(ToQColor(brush_.Color())));
  if (w <= 2 || h <= 2) {
    // Too thin for an outline with an inside: the pen covers it.
    p.fillRect(QRect(0, 0, Width(), Height()),
               pw ? ToQColor(pen_.Color()) : ToQColor(brush_.Color()));
    if (brush_.Style() != bsClear && pw && (Width() > 2 * pw && Height() > 2 * pw))
      p.fillRect(QRect(pw, pw, Width() - 2 * pw, Height() - 2 * pw), ToQColor(brush_.Color()));
    return;
  }
  switch (shape_) {
    case stRectangle:
    case stSquare:
      p.drawRect(area);
      break;
    case stRoundRect:
    case stRoundSquare:
      p.drawRoundedRect(area, std::min(w, h) / 4.0, std::min(w, h) / 4.0);
      break;
    case stEllipse:
    case stCircle:
      p.drawEllipse(area);
      break;
  }
}

void TShape::DefineProperties(TFiler* filer) {
  TGraphicControl::DefineProperties(filer);
  filer->DefineProperty(
      "Brush.Color", [this](TReader* r) { brush_.SetColor(ReadColorEntry(r)); },
      [this](TWriter* w) { WriteColorEntry(w, brush_.Color()); }, brush_.Color() != clWhite);
  filer->DefineProperty(
      "Pen.Color", [this](TReader* r) { pen_.SetColor(ReadColorEntry(r)); },
      [this](TWriter* w) { WriteColorEntry(w, pen_.Color()); }, pen_.Color() != clBlack);
}

// ---- TImage ----------------------------------------------------------------

TImage::TImage(TComponent* owner) : TGraphicControl(owner) {
  SetBounds(0, 0, 105, 105);
  picture_.OnChange = [this] { Repaint(); };
}

void TImage::SetPictureName(const std::string& name) {
  picture_name_ = name;
  if (Has(csLoading)) return;  // the module is known once the layout is read
  if (name.empty())
    picture_.Assign(nullptr);
  else
    picture_.LoadFromResourceName(ModuleOf(this), name);
}

void TImage::Loaded() {
  TGraphicControl::Loaded();
  if (!picture_name_.empty()) picture_.LoadFromResourceName(ModuleOf(this), picture_name_);
}

void TImage::SetStretch(bool on) {
  stretch_ = on;
  Invalidate();
}
void TImage::SetCenter(bool on) {
  center_ = on;
  Invalidate();
}
void TImage::SetTransparent(bool on) {
  transparent_ = on;
  Invalidate();
}

void TImage::Paint(QPainter& p) {
  const QImage& img = picture_.Bitmap()->Image();
  if (img.isNull()) return;
  QImage shown = img;
  if (transparent_ && !img.hasAlphaChannel()) {
    // The bottom left pixel's colour is see-through, as with the platform's bitmaps.
    const QColor key = img.pixelColor(0, img.height() - 1);
    shown = img.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < shown.height(); ++y)
      for (int x = 0; x < shown.width(); ++x)
        if (shown.pixelColor(x, y) == key) shown.setPixelColor(x, y, Qt::transparent);
  }
  if (stretch_) {
    p.drawImage(QRect(0, 0, Width(), Height()), shown);
  } else if (center_) {
    p.drawImage((Width() - shown.width()) / 2, (Height() - shown.height()) / 2, shown);
  } else {
    p.drawImage(0, 0, shown);
  }
}

// ---- TPanel ----------------------------------------------------------------

namespace {
class TPanelWidget : public QWidget {
 public:
  explicit TPanelWidget(TPanel* panel) : panel_(panel) { setAutoFillBackground(true); }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    GuardedCall([&] { panel_->PaintPanel(p); });
  }
  void mousePressEvent(QMouseEvent* e) override { e->accept(); }
  void mouseReleaseEvent(QMouseEvent* e) override { e->accept(); }

 private:
  TPanel* panel_;
};
}  // namespace

TPanel::TPanel(TComponent* owner) : TWinControl(owner) {
  SetWidget(new TPanelWidget(this));
  Widget()->setFocusPolicy(Qt::NoFocus);
  SetBounds(0, 0, 185, 41);
  ColorChanged();
}

void TPanel::SetBevelOuter(TPanelBevel b) {
  bevel_outer_ = b;
  Invalidate();
}
void TPanel::SetBevelInner(TPanelBevel b) {
  bevel_inner_ = b;
  Invalidate();
}
void TPanel::SetBevelWidth(int w) {
  bevel_width_ = std::max(w, 1);
  Invalidate();
}
void TPanel::SetAlignment(TAlignment a) {
  alignment_ = a;
  Invalidate();
}

void TPanel::PaintPanel(QPainter& p) {
  QRect r(0, 0, Width(), Height());
  auto bevel = [&](TPanelBevel b) {
    if (b == bvNone) return;
    const QColor hi = ToQColor(clBtnHighlight), lo = ToQColor(clBtnShadow);
    const QColor tl = b == bvRaised ? hi : lo, br = b == bvRaised ? lo : hi;
    for (int i = 0; i < bevel_width_; ++i) {
      p.setPen(tl);
      p.drawLine(r.left(), r.bottom(), r.left(), r.top());
      p.drawLine(r.left(), r.top(), r.right(), r.top());
      p.setPen(br);
      p.drawLine(r.right(), r.top(), r.right(), r.bottom());
      p.drawLine(r.right(), r.bottom(), r.left(), r.bottom());
      r.adjust(1, 1, -1, -1);
    }
  };
  bevel(bevel_outer_);
  bevel(bevel_inner_);
  p.setFont(Font()->ToQFont());
  p.setPen(ToQColor(Font()->Color()));
  const int h = alignment_ == taCenter         ? Qt::AlignHCenter
                : alignment_ == taRightJustify ? Qt::AlignRight
                                               : Qt::AlignLeft;
  p.drawText(r, h | Qt::AlignVCenter, ToQString(Caption()));
}

// Published properties and events, in stream order: what form files and the
// designer read and write.

const TClassInfo& TRadioGroup::StaticClassInfo() {
  static const TClassInfo info =
      Published<TRadioGroup>()
          .Property("Caption", &TRadioGroup::Caption, &TRadioGroup::SetCaption)
          .Property("Columns", &TRadioGroup::Columns, &TRadioGroup::SetColumns)
          .Default(1)
          .Property("Items.Strings", &TRadioGroup::Items, nullptr)
          .Property("ItemIndex", &TRadioGroup::ItemIndex, &TRadioGroup::SetItemIndex)
          .Default(-1);
  return info;
}

const TClassInfo& TBevel::StaticClassInfo() {
  static const TClassInfo info =
      Published<TBevel>()
          .Property("Shape", &TBevel::Shape, &TBevel::SetShape,
                    {"bsBox", "bsFrame", "bsTopLine", "bsBottomLine", "bsLeftLine", "bsRightLine",
                     "bsSpacer"})
          .Default(bsBox)
          .Property("Style", &TBevel::Style, &TBevel::SetStyle, {"bsLowered", "bsRaised"})
          .Default(bsLowered);
  return info;
}

const TClassInfo& TShape::StaticClassInfo() {
  static const TClassInfo info = Published<TShape>()
                                     .Property("Brush.Style", &TShape::BrushStyle,
                                               &TShape::SetBrushStyle, {"bsSolid", "bsClear"})
                                     .Default(bsSolid)
                                     .Property("Pen.Style", &TShape::PenStyle, &TShape::SetPenStyle,
                                               {"psSolid", "psDash", "psDot", "psClear"})
                                     .Default(psSolid)
                                     .Property("Pen.Width", &TShape::PenWidth, &TShape::SetPenWidth)
                                     .Default(1)
                                     .Property("Shape", &TShape::Shape, &TShape::SetShape,
                                               {"stRectangle", "stSquare", "stRoundRect",
                                                "stRoundSquare", "stEllipse", "stCircle"})
                                     .Default(stRectangle);
  return info;
}

const TClassInfo& TImage::StaticClassInfo() {
  static const TClassInfo info =
      Published<TImage>()
          .Property("Center", &TImage::Center, &TImage::SetCenter)
          .Default(false)
          .Property("Picture.ResourceName", &TImage::PictureName, &TImage::SetPictureName)
          .Property("Stretch", &TImage::Stretch, &TImage::SetStretch)
          .Default(false)
          .Property("Transparent", &TImage::Transparent, &TImage::SetTransparent)
          .Default(false);
  return info;
}

const TClassInfo& TPanel::StaticClassInfo() {
  static const TClassInfo info =
      Published<TPanel>()
          .Property("Alignment", &TPanel::Alignment, &TPanel::SetAlignment, AlignmentNames())
          .Default(taCenter)
          .Property("BevelInner", &TPanel::BevelInner, &TPanel::SetBevelInner,
                    {"bvNone", "bvLowered", "bvRaised"})
          .Default(bvNone)
          .Property("BevelOuter", &TPanel::BevelOuter, &TPanel::SetBevelOuter,
                    {"bvNone", "bvLowered", "bvRaised"})
          .Default(bvRaised)
          .Property("BevelWidth", &TPanel::BevelWidth, &TPanel::SetBevelWidth)
          .Default(1)
          .Property("Caption", &TPanel::Caption, &TPanel::SetCaption);
  return info;
}

}  // namespace orv
