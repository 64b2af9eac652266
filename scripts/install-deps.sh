#!/usr/bin/env bash
# Installs the Debian packages that velmar++ needs, if any is missing.
#
#   bash scripts/install-deps.sh [program|test]
#
# "program": what building velmar++ and tools/simulate needs (configure with
# -DBUILD_TESTING=OFF), and gzip and bzip2 to compress input files for -gz and
# -bz2. "test" (the default): that, and GoogleTest for the test suites and
# clang-format for the formatting check of scripts/test.sh.
set -euo pipefail
purpose="${1:-test}"
packages=(g++ cmake make libboost-iostreams-dev libboost-dev zlib1g-dev libbz2-dev
          libnewmat10-dev bzip2 gzip)
case "$purpose" in
  program) ;;
  test) packages+=(libgtest-dev clang-format) ;;
  *)
    echo "install-deps.sh: unknown purpose '$purpose' (program or test)" >&2
    exit 1
    ;;
esac
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO=sudo
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}"
fi
