#!/usr/bin/env bash
# Opens the designer: installs what is missing, builds orvdesign and the
# design package (Release, once; later runs only rebuild what changed), makes
# the embedded default generator table when missing, and opens a sample data
# module holding two generators, a table, a data source and a stamper. Arguments go to orvdesign;
# one that names a file opens that form instead of the sample
# (./design.sh my.ofm), a path taken from the caller's directory, where
# orvdesign runs.
set -euo pipefail
root=$(cd "$(dirname "$0")" && pwd)
build=$("$root/scripts/design-build.sh")
# The key preview reads the generator table; make it once. The sample's
# stamper watches ORDERS (an integer key ID and OKEY), made once too, so that
# "orvgen run keys.ofm --append" can add stamped records to it.
orvgen="$build/tools/orvgen/orvgen"
"$orvgen" init >/dev/null
if ! "$orvgen" tables --no-ext | grep -qx ORDERS; then
  "$orvgen" stamp --table ORDERS --field OKEY --create -n 1 >/dev/null
fi
form=""; skip=0
for a in "$@"; do
  if [ $skip -eq 1 ]; then skip=0; continue; fi
  case "$a" in
    --screenshot|--package|--aliases) skip=1 ;;
    -*) ;;
    *) form="$a" ;;
  esac
done
if [ -z "$form" ]; then
  # A copy of the sample, so that the one in the sources stays as it is.
  sample="$build/keys.ofm"
  [ -f "$sample" ] || cp "$root/tools/orvdesign/sample/keys.ofm" "$sample"
  set -- "$@" "$sample"
fi
exec "$build/tools/orvdesign/orvdesign" "$@"
