// The design-time package orvhostpkg: puts the host layer's data access
// components and controls on the designer's palette and registers the editors
// that wire them (host/designintf/package.h).
#include <orv/host/designintf/package.h>
#include <orv/hostpkg/dbeditors.h>
#include <orv/hostpkg/hostpalette.h>

ORV_PACKAGE_ENTRY {
  orv::hostpkg::RegisterPalette();
  orv::hostpkg::RegisterEditors();
}
