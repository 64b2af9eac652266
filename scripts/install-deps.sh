#!/usr/bin/env bash
# Installs the Debian packages that velmar++ needs to build and test, if any is missing.
set -euo pipefail
packages=(g++ cmake make libboost-iostreams-dev libboost-dev zlib1g-dev libbz2-dev
          libnewmat10-dev libgtest-dev bzip2 gzip)
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
