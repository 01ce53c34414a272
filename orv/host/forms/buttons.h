// TBitBtn: a push button with a picture. Main thread only.
#pragma once

#include <string>

#include <orv/host/forms/graphics.h>
#include <orv/host/forms/stdctrls.h>

namespace orv {

// The glyph holds NumGlyphs pictures side by side: up, disabled (the others
// are accepted and unused). The colour of its bottom left pixel is see-through.
class TBitBtn : public TButton {
  ORV_CLASS(TBitBtn, TButton)
 public:
  explicit TBitBtn(TComponent* owner);
  TBitmap* Glyph() { return &glyph_; }
  // Copies bitmap into the glyph and shows it.
  void SetGlyph(const TBitmap& bitmap);
  // The resource the glyph is loaded from, in the module of the owning form.
  const std::string& GlyphName() const { return glyph_name_; }
  void SetGlyphName(const std::string& name);
  int NumGlyphs() const { return num_glyphs_; }
  void SetNumGlyphs(int n);
  void Loaded() override;
  // The picture shown while enabled / disabled (empty without a glyph).
  QImage EnabledImage() const;
  QImage DisabledImage() const;

 private:
  void ApplyGlyph();
  QImage Piece(int index) const;
  TBitmap glyph_;
  std::string glyph_name_;
  int num_glyphs_ = 1;
};

}  // namespace orv
