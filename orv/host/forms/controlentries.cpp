// The form-file entries of controls that are written by name rather than as
// published properties: colours (clRed, or a number), the cursor (crIBeam),
// and entries another designer writes that mean nothing here (skipped).
#include <utility>

#include <orv/host/classes/reader.h>
#include <orv/host/classes/writer.h>
#include <orv/host/forms/controls.h>
#include <orv/host/forms/graphics.h>
#include <orv/host/rtl/sysutils.h>

namespace orv {

namespace {
const std::pair<const char*, TCursor> kCursorNames[] = {
    {"crDefault", crDefault},   {"crNone", crNone},           {"crArrow", crArrow},
    {"crCross", crCross},       {"crIBeam", crIBeam},         {"crHourGlass", crHourGlass},
    {"crAppStart", crAppStart}, {"crHandPoint", crHandPoint},
};
}  // namespace

TColor ReadColorEntry(TReader* reader) {
  std::string ident;
  try {
    ident = reader->ReadIdent();
  } catch (const EReadError&) {
    return static_cast<TColor>(reader->ReadInteger());
  }
  TColor color = clBlack;
  if (!IdentToColor(ident, color)) throw EReadError("Invalid color " + ident);
  return color;
}

void WriteColorEntry(TWriter* writer, TColor color) {
  const std::string name = ColorToString(color);
  if (!name.empty() && name[0] == 'c')
    writer->WriteIdent(name);
  else
    writer->WriteInteger(color);
}

void TControl::DefineProperties(TFiler* filer) {
  TComponent::DefineProperties(filer);
  filer->DefineProperty(
      "Color", [this](TReader* r) { SetColor(ReadColorEntry(r)); },
      [this](TWriter* w) { WriteColorEntry(w, color_); }, ColorStored());
  filer->DefineProperty(
      "Font.Color", [this](TReader* r) { font_.SetColor(ReadColorEntry(r)); },
      [this](TWriter* w) { WriteColorEntry(w, font_.Color()); }, !parent_font_);
  filer->DefineProperty(
      "Cursor",
      [this](TReader* r) {
        std::string ident;
        try {
          ident = r->ReadIdent();
        } catch (const EReadError&) {
          SetCursor(static_cast<TCursor>(r->ReadInteger()));
          return;
        }
        for (const auto& [name, value] : kCursorNames)
          if (CompareText(ident, name) == 0) return SetCursor(value);
        throw EReadError("Invalid cursor " + ident);
      },
      [this](TWriter* w) {
        for (const auto& [name, value] : kCursorNames)
          if (value == cursor_) return w->WriteIdent(name);
        w->WriteInteger(cursor_);
      },
      cursor_ != crDefault);
  // Written by the platform's designer, meaningless here: read and dropped.
  filer->DefineProperty("Font.Charset", SkipEntry, nullptr, false);
}

void SkipEntry(TReader* reader) {
  try {
    reader->ReadInteger();
    return;
  } catch (const EReadError&) {
  }
  try {
    reader->ReadIdent();
    return;
  } catch (const EReadError&) {
  }
  reader->ReadString();
}

}  // namespace orv
