#!/usr/bin/env bash
# Installs the Debian packages a step needs, only those missing, through sudo
# when not root. Usage: scripts/deps.sh build|design|test
set -euo pipefail

build=(cmake ninja-build g++ pkg-config libsqlite3-dev libpq-dev)
qt=(qt6-base-dev libgl-dev)
test=(libgtest-dev libgmock-dev libbenchmark-dev postgresql clang libclang-rt-14-dev clang-format
      xvfb xauth fonts-liberation fonts-dejavu-core
      postgresql-15-auto-failover pg-auto-failover-cli)

case "${1:-}" in
  build) want=("${build[@]}") ;;
  design) want=("${build[@]}" "${qt[@]}" fonts-liberation fonts-dejavu-core) ;;
  test) want=("${build[@]}" "${qt[@]}" "${test[@]}") ;;
  *) echo "usage: scripts/deps.sh build|design|test" >&2; exit 2 ;;
esac

missing=()
for p in "${want[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
echo "Installing: ${missing[*]}" >&2
"${sudo[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >&2
