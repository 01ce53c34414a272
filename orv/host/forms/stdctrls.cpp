#include <orv/host/forms/stdctrls.h>

#include <QAbstractItemView>
#include <QComboBox>
#include <QFontMetrics>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>

#include <orv/host/forms/widgets_p.h>

namespace orv {

// ---- TLabel ----------------------------------------------------------------

TLabel::TLabel(TComponent* owner) : TGraphicControl(owner) {
  SetBounds(0, 0, 65, 17);
  SetDefaultColor(clBtnFace, true);
}

std::string TLabel::DisplayText() const {
  const std::string t = Caption();
  std::string out;
  for (size_t i = 0; i < t.size(); ++i) {
    if (t[i] == '&') {
      if (i + 1 < t.size() && t[i + 1] == '&') out += '&';
      ++i;
      if (i < t.size() && t[i] != '&') out += t[i];
      continue;
    }
    out += t[i];
  }
  return out;
}

void TLabel::SetAlignment(TAlignment a) {
  alignment_ = a;
  Invalidate();
}

void TLabel::SetAutoSize(bool on) {
  auto_size_ = on;
  AdjustBounds();
}

void TLabel::SetTransparent(bool on) {
  transparent_ = on;
  Invalidate();
}

void TLabel::SetWordWrap(bool on) {
  word_wrap_ = on;
  AdjustBounds();
  Invalidate();
}

void TLabel::TextChanged() {
  AdjustBounds();
  Invalidate();
}

void TLabel::FontChanged() {
  TGraphicControl::FontChanged();
  AdjustBounds();
}

void TLabel::Loaded() {
  TGraphicControl::Loaded();
  AdjustBounds();
}

void TLabel::AdjustBounds() {
  if (!auto_size_ || Has(csLoading)) return;
  const QFontMetrics fm(Font()->ToQFont());
  const QString text = ToQString(DisplayText());
  QRect r;
  if (word_wrap_)
    r = fm.boundingRect(QRect(0, 0, Width(), 10000), Qt::TextWordWrap, text);
  else
    r = QRect(0, 0, fm.horizontalAdvance(text), fm.height());
  int left = Left();
  // A right-aligned or centred label keeps its right edge or centre.
  if (!word_wrap_ && alignment_ == taRightJustify) left += Width() - r.width();
  if (!word_wrap_ && alignment_ == taCenter) left += (Width() - r.width()) / 2;
  SetBounds(left, Top(), word_wrap_ ? Width() : r.width(), r.height());
}

void TLabel::Paint(QPainter& p) {
  if (!transparent_) p.fillRect(0, 0, Width(), Height(), ToQColor(Color()));
  p.setFont(Font()->ToQFont());
  p.setPen(Enabled() ? ToQColor(Font()->Color()) : ToQColor(clGrayText));
  int flags = Qt::AlignTop;
  flags |= alignment_ == taCenter         ? Qt::AlignHCenter
           : alignment_ == taRightJustify ? Qt::AlignRight
                                          : Qt::AlignLeft;
  if (word_wrap_) flags |= Qt::TextWordWrap;
  p.drawText(QRect(0, 0, Width(), Height()), flags, ToQString(DisplayText()));
}

// ---- TEdit -----------------------------------------------------------------

TEdit::TEdit(TComponent* owner) : TWinControl(owner) {
  auto* edit = new QLineEdit;
  edit->setFrame(true);
  SetWidget(edit);
  SetBounds(0, 0, 121, 21);
  SetDefaultColor(clWindow, false);
  // Every change of the text, the user's or the program's, is EN_CHANGE.
  QObject::connect(edit, &QLineEdit::textChanged, Context(), [this](const QString&) {
    GuardedCall([&] { Perform(CN_COMMAND, MakeWParam(0, EN_CHANGE)); });
  });
}

QLineEdit* TEdit::LineEdit() const { return static_cast<QLineEdit*>(Widget()); }

std::string TEdit::GetText() const { return FromQString(LineEdit()->text()); }

void TEdit::SetTextBuf(const std::string& text) {
  LineEdit()->setText(ToQString(text));  // clears isModified, as a program's change should
  TextChanged();
}

bool TEdit::Modified() const { return LineEdit()->isModified(); }
void TEdit::SetModified(bool on) { LineEdit()->setModified(on); }

void TEdit::SetReadOnly(bool on) {
  read_only_ = on;
  LineEdit()->setReadOnly(on);
}

void TEdit::SetMaxLength(int n) {
  max_length_ = n < 0 ? 0 : n;
  LineEdit()->setMaxLength(max_length_ == 0 ? 32767 : max_length_);
}

void TEdit::SelectAll() { LineEdit()->selectAll(); }

void TEdit::ColorChanged() {
  QPalette pal = LineEdit()->palette();
  pal.setColor(QPalette::Base, ToQColor(Color()));
  LineEdit()->setPalette(pal);
  TWinControl::ColorChanged();
}

void TEdit::WndProc(TMessage& m) {
  if (m.Msg == CN_COMMAND && HiWord(m.WParam) == EN_CHANGE) {
    Change();
    return;
  }
  TWinControl::WndProc(m);
}

void TEdit::Change() {
  if (Has(csLoading)) return;
  if (on_change_) on_change_(this);
}

// ---- TButton ---------------------------------------------------------------

TButton::TButton(TComponent* owner) : TWinControl(owner) {
  auto* b = new QPushButton;
  b->setAutoDefault(false);
  SetWidget(b);
  SetBounds(0, 0, 75, 25);
  QObject::connect(b, &QPushButton::clicked, Context(), [this](bool) {
    GuardedCall([&] { Perform(CN_COMMAND, MakeWParam(0, BN_CLICKED)); });
  });
}

QPushButton* TButton::PushButton() const { return static_cast<QPushButton*>(Widget()); }

void TButton::SetDefault(bool on) {
  default_ = on;
  PushButton()->setDefault(on);
}

void TButton::TextChanged() { PushButton()->setText(ToQString(Caption())); }

void TButton::Click() {
  const std::weak_ptr<bool> alive = AliveToken();
  if (modal_result_ != mrNone)
    if (TCustomForm* form = ParentForm()) form->SetModalResult(modal_result_);
  if (!alive.expired()) TWinControl::Click();
}

bool TButton::HandleDialogKey(unsigned key, bool focused) {
  if (!Enabled() || !Visible()) return false;
  if ((key == VK_RETURN && (focused || default_)) || (key == VK_ESCAPE && cancel_)) {
    Click();
    return true;
  }
  return false;
}

// ---- TComboBox -------------------------------------------------------------

namespace {
class TComboWidget : public QComboBox {
 public:
  explicit TComboWidget(const TComboBox* owner) : owner_(owner) {}
  void showPopup() override {
    owner_->SyncItems();
    QComboBox::showPopup();
  }

 private:
  const TComboBox* owner_;
};
}  // namespace

TComboBox::TComboBox(TComponent* owner) : TWinControl(owner) {
  auto* c = new TComboWidget(this);
  c->setEditable(true);
  c->setInsertPolicy(QComboBox::NoInsert);
  c->setMaxVisibleItems(drop_down_count_);
  SetWidget(c);
  WatchInput(c->lineEdit());
  SetBounds(0, 0, 145, 21);
  SetDefaultColor(clWindow, false);
  QObject::connect(c->lineEdit(), &QLineEdit::textEdited, Context(), [this](const QString&) {
    GuardedCall([&] { Perform(CN_COMMAND, MakeWParam(0, CBN_EDITCHANGE)); });
  });
  QObject::connect(c, &QComboBox::activated, Context(), [this](int) {
    GuardedCall([&] { Perform(CN_COMMAND, MakeWParam(0, CBN_SELCHANGE)); });
  });
}

TComboBox::~TComboBox() = default;

QComboBox* TComboBox::ComboBox() const { return static_cast<QComboBox*>(Widget()); }

void TComboBox::SyncItems() const {
  QComboBox* c = ComboBox();
  bool same = c->count() == items_.Count();
  for (int i = 0; same && i < items_.Count(); ++i) same = FromQString(c->itemText(i)) == items_[i];
  if (same) return;
  const QString text = c->currentText();
  const QSignalBlocker block(c);
  const QSignalBlocker block_edit(c->lineEdit());
  c->clear();
  for (int i = 0; i < items_.Count(); ++i) c->addItem(ToQString(items_[i]));
  if (c->isEditable()) {
    c->setCurrentIndex(-1);
    c->setEditText(text);
  } else {
    c->setCurrentIndex(c->findText(text, Qt::MatchExactly));
  }
}

void TComboBox::SetItems(const TStrings& items) {
  items_.Assign(items);
  SyncItems();
}

void TComboBox::SetStyle(TComboBoxStyle style) {
  style_ = style;
  const QString text = ComboBox()->currentText();
  ComboBox()->setEditable(style == csDropDown);
  if (style == csDropDown) {
    WatchInput(ComboBox()->lineEdit());
    ComboBox()->setInsertPolicy(QComboBox::NoInsert);
    QObject::connect(ComboBox()->lineEdit(), &QLineEdit::textEdited, Context(),
                     [this](const QString&) {
                       GuardedCall([&] { Perform(CN_COMMAND, MakeWParam(0, CBN_EDITCHANGE)); });
                     });
    ComboBox()->setEditText(text);
  }
}

int TComboBox::ItemIndex() const {
  SyncItems();
  return items_.IndexOf(GetText());
}

void TComboBox::SetItemIndex(int index) {
  SyncItems();
  if (index < 0 || index >= items_.Count()) {
    SetTextBuf("");
    return;
  }
  SetTextBuf(items_[index]);
}

void TComboBox::SetDropDownCount(int n) {
  drop_down_count_ = n;
  ComboBox()->setMaxVisibleItems(n);
}

void TComboBox::Clear() {
  items_.Clear();
  SyncItems();
  SetTextBuf("");
}

std::string TComboBox::GetText() const { return FromQString(ComboBox()->currentText()); }

void TComboBox::SetTextBuf(const std::string& text) {
  QComboBox* c = ComboBox();
  const QSignalBlocker block(c);
  if (c->isEditable()) {
    c->setEditText(ToQString(text));
  } else {
    SyncItems();
    c->setCurrentIndex(c->findText(ToQString(text), Qt::MatchExactly));
  }
}

void TComboBox::ColorChanged() {
  QPalette pal = ComboBox()->palette();
  pal.setColor(QPalette::Base, ToQColor(Color()));
  ComboBox()->setPalette(pal);
  TWinControl::ColorChanged();
}

void TComboBox::WndProc(TMessage& m) {
  if (m.Msg == CN_COMMAND &&
      (HiWord(m.WParam) == CBN_EDITCHANGE || HiWord(m.WParam) == CBN_SELCHANGE)) {
    Change();
    return;
  }
  TWinControl::WndProc(m);
}

void TComboBox::Change() {
  if (Has(csLoading)) return;
  if (on_change_) on_change_(this);
}

// Published properties and events, in stream order: what form files and the
// designer read and write.

const std::vector<std::string>& AlignmentNames() {
  static const std::vector<std::string> names = {"taLeftJustify", "taRightJustify", "taCenter"};
  return names;
}

const TClassInfo& TLabel::StaticClassInfo() {
  static const TClassInfo info =
      Published<TLabel>()
          .Property("Alignment", &TLabel::Alignment, &TLabel::SetAlignment, AlignmentNames())
          .Default(taLeftJustify)
          .Property("AutoSize", &TLabel::AutoSize, &TLabel::SetAutoSize)
          .Default(true)
          .Property("Caption", &TLabel::Caption, &TLabel::SetCaption)
          .Property("Transparent", &TLabel::Transparent, &TLabel::SetTransparent)
          .Default(false)
          .Property("WordWrap", &TLabel::WordWrap, &TLabel::SetWordWrap)
          .Default(false);
  return info;
}

const TClassInfo& TEdit::StaticClassInfo() {
  static const TClassInfo info = Published<TEdit>()
                                     .Property("MaxLength", &TEdit::MaxLength, &TEdit::SetMaxLength)
                                     .Default(0)
                                     .Property("ReadOnly", &TEdit::ReadOnly, &TEdit::SetReadOnly)
                                     .Default(false)
                                     .Property("Text", &TEdit::Text, &TEdit::SetText)
                                     .Event("OnChange", &TEdit::OnChange, &TEdit::SetOnChange);
  return info;
}

const TClassInfo& TButton::StaticClassInfo() {
  static const TClassInfo info =
      Published<TButton>()
          .Property("Cancel", &TButton::Cancel, &TButton::SetCancel)
          .Default(false)
          .Property("Caption", &TButton::Caption, &TButton::SetCaption)
          .Property("Default", &TButton::Default, &TButton::SetDefault)
          .Default(false)
          .Property("ModalResult", &TButton::ModalResult, &TButton::SetModalResult)
          .Default(0);
  return info;
}

const TClassInfo& TComboBox::StaticClassInfo() {
  static const TClassInfo info =
      Published<TComboBox>()
          .Property("Style", &TComboBox::Style, &TComboBox::SetStyle,
                    {"csDropDown", "csDropDownList"})
          .Default(csDropDown)
          .Property("DropDownCount", &TComboBox::DropDownCount, &TComboBox::SetDropDownCount)
          .Default(8)
          .Property("Items.Strings", &TComboBox::Items, nullptr)
          .Property("Text", &TComboBox::Text, &TComboBox::SetText)
          .Event("OnChange", &TComboBox::OnChange, &TComboBox::SetOnChange);
  return info;
}

}  // namespace orv
