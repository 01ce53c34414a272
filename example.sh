#!/usr/bin/env bash
# Opens the order-entry example: installs what is missing, builds the program
# "orders" (Release, in design.sh's build folder; later runs only rebuild
# what changed) and runs it on the embedded default database, where it makes
# its tables when missing. Arguments go to orders (./example.sh --help;
# ./example.sh --db ALIAS for another database), run from the caller's
# directory. The design package examples/orders/orderspkg opens its form files
# in orvdesign: ./design.sh --package build/release-design/examples/orders/orderspkg.so
# examples/orders/ordersform.ofm
set -euo pipefail
root=$(cd "$(dirname "$0")" && pwd)
build=$("$root/scripts/design-build.sh" orders orderspkg)
exec "$build/examples/orders/orders" "$@"
