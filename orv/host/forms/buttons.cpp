#include <orv/host/forms/buttons.h>

#include <QIcon>
#include <QPixmap>
#include <QPushButton>

#include <orv/host/forms/extctrls.h>

namespace orv {

TBitBtn::TBitBtn(TComponent* owner) : TButton(owner) {}

void TBitBtn::SetGlyph(const TBitmap& bitmap) {
  glyph_.Assign(bitmap);
  ApplyGlyph();
}

void TBitBtn::SetGlyphName(const std::string& name) {
  glyph_name_ = name;
  if (Has(csLoading)) return;  // the module is known once the layout is read
  if (name.empty())
    glyph_.Clear();
  else
    glyph_.LoadFromResourceName(ModuleOf(this), name);
  ApplyGlyph();
}

void TBitBtn::SetNumGlyphs(int n) {
  num_glyphs_ = std::clamp(n, 1, 4);
  ApplyGlyph();
}

void TBitBtn::Loaded() {
  TButton::Loaded();
  if (!glyph_name_.empty()) glyph_.LoadFromResourceName(ModuleOf(this), glyph_name_);
  ApplyGlyph();
}

QImage TBitBtn::Piece(int index) const {
  const QImage& img = glyph_.Image();
  if (img.isNull()) return QImage();
  const int w = img.width() / num_glyphs_;
  QImage piece = img.copy(index * w, 0, w, img.height()).convertToFormat(QImage::Format_ARGB32);
  const QColor key = img.pixelColor(0, img.height() - 1);
  for (int y = 0; y < piece.height(); ++y)
    for (int x = 0; x < piece.width(); ++x)
      if (piece.pixelColor(x, y) == key) piece.setPixelColor(x, y, Qt::transparent);
  return piece;
}

QImage TBitBtn::EnabledImage() const { return Piece(0); }

QImage TBitBtn::DisabledImage() const {
  if (glyph_.Empty()) return QImage();
  if (num_glyphs_ >= 2) return Piece(1);
  // Without a picture of its own, the disabled state is the grey shape.
  QImage img = Piece(0);
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x)
      if (img.pixelColor(x, y).alpha() != 0) img.setPixelColor(x, y, ToQColor(clBtnShadow));
  return img;
}

void TBitBtn::ApplyGlyph() {
  QPushButton* b = PushButton();
  if (glyph_.Empty()) {
    b->setIcon(QIcon());
    return;
  }
  QIcon icon;
  icon.addPixmap(QPixmap::fromImage(EnabledImage()), QIcon::Normal);
  icon.addPixmap(QPixmap::fromImage(DisabledImage()), QIcon::Disabled);
  b->setIcon(icon);
  b->setIconSize(QSize(glyph_.Width() / num_glyphs_, glyph_.Height()));
}

// Published properties and events, in stream order: what form files and the
// designer read and write.

const TClassInfo& TBitBtn::StaticClassInfo() {
  static const TClassInfo info =
      Published<TBitBtn>()
          .Property("Glyph.ResourceName", &TBitBtn::GlyphName, &TBitBtn::SetGlyphName)
          .Property("NumGlyphs", &TBitBtn::NumGlyphs, &TBitBtn::SetNumGlyphs)
          .Default(1);
  return info;
}

}  // namespace orv
