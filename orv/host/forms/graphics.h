// Colours, fonts, pens, brushes, bitmaps and pictures: what controls draw
// with. Colours are 0x00BBGGRR values or system colours (high bit set) that
// map to the classic desktop scheme. Fonts keep the platform's figures (a
// negative Height is the character height in pixels) and map the platform's
// face names onto installed fonts of close metrics. Bitmaps hold a QImage;
// each library keeps its pictures in Qt resources under its own module name.
// Main thread only (the objects are plain values, but they notify controls).
#pragma once

#include <QColor>
#include <QFont>
#include <QImage>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include <orv/host/classes/typinfo.h>
#include <orv/host/rtl/exception.h>

namespace orv {

using TColor = int32_t;
constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clNone = 0x1FFFFFFF;  // no colour (transparent)
// System colours: the high bit plus the desktop's colour index.
constexpr TColor clSystemColor = static_cast<TColor>(0x80000000u);  // marks a system colour
constexpr TColor clWindow = clSystemColor | 5;
constexpr TColor clWindowText = clSystemColor | 8;
constexpr TColor clHighlight = clSystemColor | 13;
constexpr TColor clHighlightText = clSystemColor | 14;
constexpr TColor clBtnFace = clSystemColor | 15;
constexpr TColor clBtnShadow = clSystemColor | 16;
constexpr TColor clGrayText = clSystemColor | 17;
constexpr TColor clBtnText = clSystemColor | 18;
constexpr TColor clBtnHighlight = clSystemColor | 20;
constexpr TColor clInfoBk = clSystemColor | 24;

// The colour a TColor stands for (system colours resolved).
QColor ToQColor(TColor color);
// "clBtnFace" <-> clBtnFace; a colour without a name reads and writes as its
// number. IdentToColor returns false for an unknown name.
bool IdentToColor(const std::string& ident, TColor& color);
std::string ColorToString(TColor color);

enum TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };
using TFontStyles = TSet<TFontStyle>;

// A font as the controls describe it. Changing any part calls OnChange.
class TFont {
 public:
  TFont();
  const std::string& Name() const { return name_; }
  void SetName(const std::string& name);
  // Negative: the character height in pixels; positive: the cell height
  // (with the internal leading).
  int Height() const { return height_; }
  void SetHeight(int height);
  // Points at 96 pixels per inch: Size = -Height * 72 / 96.
  int Size() const;
  void SetSize(int points);
  TFontStyles Style() const { return style_; }
  void SetStyle(TFontStyles style);
  TColor Color() const { return color_; }
  void SetColor(TColor color);
  // Copies name, height, style and colour (one OnChange).
  void Assign(const TFont& other);
  bool operator==(const TFont& other) const;

  // The installed family that stands in for Name() ("MS Sans Serif" and
  // "Arial" -> "Liberation Sans", "Small Fonts" -> "Liberation Sans Narrow").
  static std::string MapFamily(const std::string& name);
  // The Qt font: mapped family, pixel size, weight and style.
  QFont ToQFont() const;

  std::function<void()> OnChange;

 private:
  void Changed();
  std::string name_ = "MS Sans Serif";
  int height_ = -11;
  TFontStyles style_;
  TColor color_ = clWindowText;
};

enum TPenStyle { psSolid, psDash, psDot, psClear };
class TPen {
 public:
  TColor Color() const { return color_; }
  void SetColor(TColor c) {
    color_ = c;
    Changed();
  }
  int Width() const { return width_; }
  void SetWidth(int w) {
    width_ = w < 1 ? 1 : w;
    Changed();
  }
  TPenStyle Style() const { return style_; }
  void SetStyle(TPenStyle s) {
    style_ = s;
    Changed();
  }
  std::function<void()> OnChange;

 private:
  void Changed() {
    if (OnChange) OnChange();
  }
  TColor color_ = clBlack;
  int width_ = 1;
  TPenStyle style_ = psSolid;
};

enum TBrushStyle { bsSolid, bsClear };
class TBrush {
 public:
  TColor Color() const { return color_; }
  void SetColor(TColor c) {
    color_ = c;
    Changed();
  }
  TBrushStyle Style() const { return style_; }
  void SetStyle(TBrushStyle s) {
    style_ = s;
    Changed();
  }
  std::function<void()> OnChange;

 private:
  void Changed() {
    if (OnChange) OnChange();
  }
  TColor color_ = clWhite;
  TBrushStyle style_ = bsSolid;
};

// No resource of that name in the module: "Resource NAME not found".
class EResNotFound : public Exception {
 public:
  using Exception::Exception;
};
// A picture file that cannot be read or written.
class EInvalidGraphic : public Exception {
 public:
  using Exception::Exception;
};

// A bitmap picture.
class TBitmap {
 public:
  TBitmap() = default;
  explicit TBitmap(QImage image) : image_(std::move(image)) {}
  int Width() const { return image_.width(); }
  int Height() const { return image_.height(); }
  bool Empty() const { return image_.isNull(); }
  // Loads the picture NAME that module keeps in its resources (":/orv/MODULE/NAME",
  // with or without .bmp/.png). Raises EResNotFound "Resource NAME not found";
  // the bitmap is unchanged then.
  void LoadFromResourceName(const std::string& module, const std::string& name);
  // Raises EInvalidGraphic "Cannot load picture PATH" / "Cannot save picture PATH".
  void LoadFromFile(const std::string& path);
  void SaveToFile(const std::string& path) const;
  void Assign(const TBitmap& other) { image_ = other.image_; }
  void Clear() { image_ = QImage(); }
  const QImage& Image() const { return image_; }
  void SetImage(QImage image) { image_ = std::move(image); }

 private:
  QImage image_;
};

// A picture shown by an image control; holds a bitmap. OnChange after each change.
class TPicture {
 public:
  TBitmap* Bitmap() { return &bitmap_; }
  const TBitmap* Bitmap() const { return &bitmap_; }
  // Copies the bitmap (an empty or null one clears the picture).
  void Assign(const TBitmap* bitmap);
  void LoadFromResourceName(const std::string& module, const std::string& name);
  int Width() const { return bitmap_.Width(); }
  int Height() const { return bitmap_.Height(); }
  std::function<void()> OnChange;

 private:
  void Changed() {
    if (OnChange) OnChange();
  }
  TBitmap bitmap_;
};

}  // namespace orv
