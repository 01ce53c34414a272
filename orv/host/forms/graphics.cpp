#include <orv/host/forms/graphics.h>

#include <QFile>

#include <array>
#include <utility>

#include <orv/host/rtl/sysutils.h>

namespace orv {

namespace {

// The classic desktop scheme, by system colour index (0x00RRGGBB here).
QColor SystemColor(int index) {
  switch (index) {
    case 5:
      return QColor(0xFF, 0xFF, 0xFF);  // window
    case 8:
      return QColor(0, 0, 0);  // window text
    case 13:
      return QColor(0x00, 0x00, 0x80);  // highlight
    case 14:
      return QColor(0xFF, 0xFF, 0xFF);  // highlight text
    case 15:
      return QColor(0xD4, 0xD0, 0xC8);  // button face
    case 16:
      return QColor(0x80, 0x80, 0x80);  // button shadow
    case 17:
      return QColor(0x80, 0x80, 0x80);  // grey text
    case 18:
      return QColor(0, 0, 0);  // button text
    case 20:
      return QColor(0xFF, 0xFF, 0xFF);  // button highlight
    case 24:
      return QColor(0xFF, 0xFF, 0xE1);  // tooltip background
    default:
      return QColor(0xD4, 0xD0, 0xC8);
  }
}

const std::array<std::pair<const char*, TColor>, 26> kColorNames = {{
    {"clBlack", clBlack},
    {"clMaroon", clMaroon},
    {"clGreen", clGreen},
    {"clOlive", clOlive},
    {"clNavy", clNavy},
    {"clPurple", clPurple},
    {"clTeal", clTeal},
    {"clGray", clGray},
    {"clSilver", clSilver},
    {"clRed", clRed},
    {"clLime", clLime},
    {"clYellow", clYellow},
    {"clBlue", clBlue},
    {"clFuchsia", clFuchsia},
    {"clAqua", clAqua},
    {"clWhite", clWhite},
    {"clNone", clNone},
    {"clWindow", clWindow},
    {"clWindowText", clWindowText},
    {"clHighlight", clHighlight},
    {"clHighlightText", clHighlightText},
    {"clBtnFace", clBtnFace},
    {"clBtnShadow", clBtnShadow},
    {"clGrayText", clGrayText},
    {"clBtnText", clBtnText},
    {"clBtnHighlight", clBtnHighlight},
}};

}  // namespace

QColor ToQColor(TColor color) {
  if (color == clNone) return QColor(Qt::transparent);
  if (color & clSystemColor) return SystemColor(color & 0xFF);
  return QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
}

bool IdentToColor(const std::string& ident, TColor& color) {
  for (const auto& [name, value] : kColorNames)
    if (CompareText(ident, name) == 0) {
      color = value;
      return true;
    }
  if (CompareText(ident, "clInfoBk") == 0) {
    color = clInfoBk;
    return true;
  }
  return false;
}

std::string ColorToString(TColor color) {
  for (const auto& [name, value] : kColorNames)
    if (value == color) return name;
  if (color == clInfoBk) return "clInfoBk";
  return std::to_string(color);
}

TFont::TFont() = default;

void TFont::Changed() {
  if (OnChange) OnChange();
}

void TFont::SetName(const std::string& name) {
  if (name == name_) return;
  name_ = name;
  Changed();
}

void TFont::SetHeight(int height) {
  if (height == height_) return;
  height_ = height;
  Changed();
}

int TFont::Size() const { return -height_ * 72 / 96; }

void TFont::SetSize(int points) { SetHeight(-(points * 96 + 36) / 72); }

void TFont::SetStyle(TFontStyles style) {
  if (style == style_) return;
  style_ = style;
  Changed();
}

void TFont::SetColor(TColor color) {
  if (color == color_) return;
  color_ = color;
  Changed();
}

void TFont::Assign(const TFont& other) {
  if (*this == other) return;
  name_ = other.name_;
  height_ = other.height_;
  style_ = other.style_;
  color_ = other.color_;
  Changed();
}

bool TFont::operator==(const TFont& o) const {
  return name_ == o.name_ && height_ == o.height_ && style_ == o.style_ && color_ == o.color_;
}

std::string TFont::MapFamily(const std::string& name) {
  // Metric-compatible or close stand-ins for the faces the layouts name.
  static const std::array<std::pair<const char*, const char*>, 8> kMap = {{
      {"MS Sans Serif", "Liberation Sans"},
      {"Microsoft Sans Serif", "Liberation Sans"},
      {"Arial", "Liberation Sans"},
      {"Small Fonts", "Liberation Sans Narrow"},
      {"Arial Narrow", "Liberation Sans Narrow"},
      {"Times New Roman", "Liberation Serif"},
      {"Courier New", "Liberation Mono"},
      {"MS Serif", "Liberation Serif"},
  }};
  for (const auto& [from, to] : kMap)
    if (CompareText(name, from) == 0) return to;
  return name;
}

QFont TFont::ToQFont() const {
  QFont f(QString::fromStdString(MapFamily(name_)));
  // A positive height counts the internal leading, about a fifth of the cell.
  const int pixels = height_ < 0 ? -height_ : (height_ > 0 ? height_ - height_ / 5 : 11);
  f.setPixelSize(pixels > 0 ? pixels : 1);
  f.setBold(style_.Contains(fsBold));
  f.setItalic(style_.Contains(fsItalic));
  f.setUnderline(style_.Contains(fsUnderline));
  f.setStrikeOut(style_.Contains(fsStrikeOut));
  f.setStyleHint(QFont::SansSerif);
  return f;
}

void TBitmap::LoadFromResourceName(const std::string& module, const std::string& name) {
  const QString base = QString::fromStdString(":/orv/" + module + "/" + name);
  for (const char* ext : {"", ".bmp", ".png"}) {
    const QString path = base + ext;
    if (!QFile::exists(path)) continue;
    QImage image(path);
    if (image.isNull()) throw EInvalidGraphic("Cannot load picture " + name);
    image_ = std::move(image);
    return;
  }
  throw EResNotFound("Resource " + name + " not found");
}

void TBitmap::LoadFromFile(const std::string& path) {
  QImage image(QString::fromStdString(path));
  if (image.isNull()) throw EInvalidGraphic("Cannot load picture " + path);
  image_ = std::move(image);
}

void TBitmap::SaveToFile(const std::string& path) const {
  if (image_.isNull() || !image_.save(QString::fromStdString(path)))
    throw EInvalidGraphic("Cannot save picture " + path);
}

void TPicture::Assign(const TBitmap* bitmap) {
  if (bitmap)
    bitmap_.Assign(*bitmap);
  else
    bitmap_.Clear();
  Changed();
}

void TPicture::LoadFromResourceName(const std::string& module, const std::string& name) {
  bitmap_.LoadFromResourceName(module, name);
  Changed();
}

}  // namespace orv
