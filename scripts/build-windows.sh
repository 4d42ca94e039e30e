#!/usr/bin/env bash
# Cross-builds korvanth-updater.exe for 64-bit Windows with Debian's mingw-w64:
# one self-contained .exe that needs no DLL beyond Windows' own.
#
# usage: scripts/build-windows.sh [BUILD_DIR] [CMAKE_OPTION...]
#   BUILD_DIR defaults to build-windows; the options are passed to CMake, e.g.
#   scripts/build-windows.sh build-windows -DKORVANTH_UPDATE_HOST=updates.example.org \
#     -DKORVANTH_UPDATE_USER=1234567_abcdefgh -DKORVANTH_UPDATE_PASSWORD=ChangeMeNowA123.
#
# libcurl for Windows (static, Schannel for https) is built once from Debian's
# curl source package into a cache folder keyed by the source version
# (KORVANTH_CACHE, default ~/.cache/korvanth) and reused by later runs.
# Expects what scripts/install-deps.sh installs.
set -euo pipefail
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-build-windows}
[ $# -gt 0 ] && shift
case "$build" in /*) ;; *) build="$repo/$build" ;; esac
cache=${KORVANTH_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/korvanth}
toolchain="$repo/cmake/mingw-w64-x86_64.cmake"

if [ "$(id -u)" -eq 0 ]; then as_root=(); else as_root=(sudo); fi

# The source package's version names the cached build.
curl_version() {
  apt-cache showsrc curl 2>/dev/null | awk '/^Version:/ { print $2 }' | sort -V | tail -n 1
}

# Debian publishes sources in deb-src lines, which a fresh machine lacks.
enable_sources() {
  local list=/etc/apt/sources.list.d/korvanth-deb-src.sources
  [ -f "$list" ] && return
  "${as_root[@]}" tee "$list" >/dev/null <<'EOF'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb-src
URIs: http://deb.debian.org/debian-security
Suites: bookworm-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
  "${as_root[@]}" apt-get update >/dev/null
}

build_curl() {
  local version=$1 prefix=$2
  local work
  work=$(mktemp -d "${TMPDIR:-/tmp}/korvanth-curl.XXXXXX")
  trap 'rm -rf "$work"' RETURN
  echo "Building libcurl $version for Windows (once; cached in $prefix)..."
  (cd "$work" && apt-get source --download-only "curl=$version" >/dev/null 2>&1)
  # dpkg-source warns that it cannot check the signature without a keyring.
  dpkg-source -x "$work"/curl_*.dsc "$work/src" >"$work/extract.log" 2>&1 ||
    { cat "$work/extract.log" >&2; return 1; }
  # Debian's last two patches rename the library for its other TLS builds.
  for patch in 99_nss.patch 90_gnutls.patch; do
    if grep -qx "$patch" "$work/src/debian/patches/series"; then
      patch -d "$work/src" -R -p1 -s <"$work/src/debian/patches/$patch"
    fi
  done
  cmake -S "$work/src" -B "$work/build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix.tmp" \
    -DBUILD_SHARED_LIBS=OFF -DBUILD_CURL_EXE=OFF -DBUILD_TESTING=OFF -DENABLE_MANUAL=OFF \
    -DHTTP_ONLY=ON -DCURL_USE_SCHANNEL=ON -DCURL_USE_OPENSSL=OFF -DCURL_USE_LIBSSH2=OFF \
    -DCURL_ZLIB=OFF -DCURL_BROTLI=OFF -DCURL_ZSTD=OFF -DUSE_NGHTTP2=OFF -DUSE_LIBIDN2=OFF \
    -DENABLE_UNIX_SOCKETS=OFF -DCURL_DISABLE_LDAP=ON >"$work/configure.log" 2>&1 ||
    { tail -n 40 "$work/configure.log" >&2; return 1; }
  cmake --build "$work/build" -j2 >"$work/build.log" 2>&1 ||
    { tail -n 40 "$work/build.log" >&2; return 1; }
  rm -rf "$prefix.tmp"
  cmake --install "$work/build" >/dev/null
  mv "$prefix.tmp" "$prefix"
}

enable_sources
version=$(curl_version)
if [ -z "$version" ]; then
  echo "build-windows: no curl source package is known to apt" >&2
  exit 1
fi
curl_prefix="$cache/curl-$version-mingw-w64-x86_64"
[ -f "$curl_prefix/lib/libcurl.a" ] || build_curl "$version" "$curl_prefix"

cmake -S "$repo" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_PREFIX_PATH="$curl_prefix" "$@" >/dev/null
cmake --build "$build" -j2
echo "built $build/korvanth-updater.exe"
