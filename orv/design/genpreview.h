// Genpreview: the designer's preview of a TGenerator (and its descendants):
// the next keys it would issue, read from its table without taking any
// (PeekKeys, orv/keygen/genpeek.h), under a line naming the generator, its
// table and database. Notes follow the keys when the table holds no row yet
// or a program has the row claimed right now. When the keys cannot be read
// (the generator disabled, the table missing or malformed) the text says
// "No preview: REASON" after the first line, and nothing raises; Preview
// raises Exception only for a component that is no TGenerator.
// Threading: the designer's main thread.
#pragma once

#include <string>

#include <orv/host/designintf/designintf.h>

namespace orv {

class TGeneratorPreview : public TPreviewProvider {
 public:
  const char* ClassName() const override { return "TGeneratorPreview"; }
  std::string Preview(TComponent& component) override;
};

namespace genpreview {

// Keys the preview shows.
inline constexpr int kKeys = 5;

// Registers TGeneratorPreview for TGenerator.
void Register();

}  // namespace genpreview
}  // namespace orv
