#!/bin/bash
# Installs what building and testing the updater needs on Debian or Ubuntu.
set -euo pipefail

if [ "$(id -u)" -eq 0 ]; then
  as_root=()
else
  as_root=(sudo)
fi

"${as_root[@]}" apt-get update
# apache2 and apache2-utils (htpasswd) serve the tests' update server; mingw-w64
# and dpkg-dev (apt-get source) build the Windows .exe, which wine runs in the tests.
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends \
  build-essential \
  cmake \
  libcurl4-openssl-dev \
  libgtest-dev \
  googletest \
  apache2 \
  apache2-utils \
  ca-certificates \
  g++-mingw-w64-x86-64-posix \
  dpkg-dev \
  patch \
  wine \
  wine64
