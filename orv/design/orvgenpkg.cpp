// The design-time package orvgenpkg: its registration entry runs the units'
// Register procedures when a designer loads it (host/designintf/package.h).
#include <orv/design/gendsgn.h>
#include <orv/design/genpreview.h>
#include <orv/design/palette.h>
#include <orv/host/designintf/package.h>

ORV_PACKAGE_ENTRY {
  orv::gensrc::RegisterPalette();
  orv::unikey::RegisterPalette();
  orv::gendsgn::Register();
  orv::genpreview::Register();
}
