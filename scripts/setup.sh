#!/usr/bin/env bash
# Installs everything the build and the tests need on a Debian 12 machine and
# builds the third-party libraries for i686-w64-mingw32 into a cached prefix.
# Idempotent: a second run only checks. Run as root; no prompts.
set -euo pipefail

DEPS_PREFIX=${VANTRELLE_DEPS:-/opt/vantrelle-deps}
WORK=${VANTRELLE_DEPS_WORK:-/var/cache/vantrelle-deps-src}
HOST=i686-w64-mingw32
STAMP_VERSION=3   # bump when the way the libraries are built changes

die() { echo "setup: $*" >&2; exit 1; }
log() { echo "setup: $*" >&2; }

[ "$(id -u)" = 0 ] || die "run as root"
export DEBIAN_FRONTEND=noninteractive

APT_PACKAGES=(
  g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686
  mingw-w64-i686-dev mingw-w64-tools libz-mingw-w64-dev libwine-dev
  wine wine32 libwine:i386
  libcups2:i386 libxrender1:i386 libxrandr2:i386 libxi6:i386 libxcursor1:i386 libxcomposite1:i386
  libxfixes3:i386 libxinerama1:i386 libgnutls30:i386 fonts-liberation fonts-wine
  xvfb xauth x11-utils xdotool
  nasm cmake ninja-build make pkgconf dpkg-dev googletest
  poppler-utils qpdf imagemagick python3 python3-gi gir1.2-vips-8.0 bc libvips-tools img2pdf libjpeg-turbo-progs
  cups cups-client cups-bsd printer-driver-cups-pdf
  fonts-noto-cjk locales
)

# Unix locales that Wine maps to the interface languages and code pages the tests run under.
LOCALES=(en_US ja_JP ko_KR fr_FR de_DE)

ensure_sources() {
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
    rm -f /var/lib/vantrelle-apt-updated
  fi
  local src=/etc/apt/sources.list.d/vantrelle-src.sources
  if ! grep -rqs '^Types: deb-src' /etc/apt/sources.list.d/ && ! grep -qs '^deb-src' /etc/apt/sources.list; then
    cat > "$src" <<'EOF'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
    rm -f /var/lib/vantrelle-apt-updated
  fi
  if [ ! -e /var/lib/vantrelle-apt-updated ]; then
    log "apt-get update"
    apt-get update -q >/dev/null || die "apt-get update failed"
    touch /var/lib/vantrelle-apt-updated
  fi
}

ensure_packages() {
  local missing=()
  for p in "${APT_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    log "installing ${missing[*]}"
    apt-get install -y -q --no-install-recommends "${missing[@]}" >/tmp/vantrelle-apt.log 2>&1 \
      || { tail -20 /tmp/vantrelle-apt.log; die "apt-get install failed for: ${missing[*]}"; }
  fi
}

ensure_locales() {
  local have; have=$(locale -a 2>/dev/null | tr 'A-Z' 'a-z')
  for l in "${LOCALES[@]}"; do
    local name; name=$(echo "$l.utf8" | tr 'A-Z' 'a-z')
    grep -qx "$name" <<<"$have" && continue
    log "generating locale $l.UTF-8"
    localedef -i "$l" -c -f UTF-8 -A /usr/share/locale/locale.alias "$l.UTF-8" || die "localedef $l failed"
  done
}

# Fetch a Debian source package and unpack it, every file checked against the
# checksums of its .dsc. When the mirror lacks the Debian packaging diff, the
# checked upstream tarball alone is built (the diffs only touch packaging).
fetch_source() {
  local pkg=$1 dir="$WORK/$1"
  rm -rf "$dir" && mkdir -p "$dir"
  ( cd "$dir" && apt-get source -q -d "$pkg" >"$dir/fetch.log" 2>&1 ) || true
  local dsc; dsc=$(ls "$dir"/*.dsc 2>/dev/null | head -1)
  [ -n "$dsc" ] || die "cannot fetch source package $pkg (no .dsc)"
  if ( cd "$dir" && dpkg-source -x "$(basename "$dsc")" src >/dev/null 2>&1 ); then
    echo "$dir/src"; return
  fi
  local sum size name orig=
  while read -r sum size name; do
    if [ ! -f "$dir/$name" ]; then
      case "$name" in *.debian.tar.*|*.diff.gz) log "warning: $name of $pkg is not on the mirror; building the upstream source"; continue ;; esac
      die "cannot fetch $name of source package $pkg"
    fi
    echo "$sum  $dir/$name" | sha256sum -c --quiet - >/dev/null 2>&1 || die "$name of source package $pkg fails its .dsc checksum"
    case "$name" in *.orig.tar.*) orig=$name ;; esac
  done < <(awk '/^Checksums-Sha256:/{f=1;next} /^[^ ]/{f=0} f&&NF==3{print}' "$dsc")
  [ -n "$orig" ] || die "source package $pkg has no upstream tarball"
  mkdir -p "$dir/src" && tar -xf "$dir/$orig" -C "$dir/src" --strip-components=1 || die "cannot unpack $orig"
  echo "$dir/src"
}

cmake_cross() {
  local src=$1 build=$2; shift 2
  cmake -S "$src" -B "$build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$DEPS_PREFIX" -DCMAKE_PREFIX_PATH="$DEPS_PREFIX" \
    -DCMAKE_CROSSCOMPILING_EMULATOR= "$@" >/dev/null
  cmake --build "$build" -j"$(nproc)" >/dev/null
  cmake --install "$build" >/dev/null
}

stamp_ok() { [ "$(cat "$DEPS_PREFIX/.stamp-$1" 2>/dev/null)" = "$2-$STAMP_VERSION" ]; }
stamp_set() { echo "$2-$STAMP_VERSION" > "$DEPS_PREFIX/.stamp-$1"; }
src_version() { apt-cache showsrc "$1" 2>/dev/null | awk '/^Version:/{print $2; exit}'; }

build_lib() {
  local pkg=$1 ver; ver=$(src_version "$pkg")
  [ -n "$ver" ] || die "source package $pkg is not known to apt"
  if stamp_ok "$pkg" "$ver"; then return; fi
  log "building $pkg $ver for $HOST"
  local src; src=$(fetch_source "$pkg")
  ( "build_$pkg" "$src" ) || die "building $pkg failed"
  stamp_set "$pkg" "$ver"
}

build_libjpeg-turbo() {
  cmake_cross "$1" "$1/_build" -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_TURBOJPEG=OFF \
    -DWITH_SIMD=ON -DREQUIRE_SIMD=ON -DCMAKE_ASM_NASM_COMPILER=nasm
}

build_giflib() {
  # giflib's own Makefile builds for the host only; its library is a handful of C files.
  local b="$1/_build"; mkdir -p "$b"
  local objs=()
  for f in dgif_lib egif_lib gifalloc gif_err gif_font gif_hash openbsd-reallocarray; do
    [ -f "$1/$f.c" ] || continue
    $HOST-gcc-posix -O2 -c "$1/$f.c" -I"$1" -o "$b/$f.o"
    objs+=("$b/$f.o")
  done
  $HOST-ar rcs "$b/libgif.a" "${objs[@]}"
  install -D -m644 "$b/libgif.a" "$DEPS_PREFIX/lib/libgif.a"
  install -D -m644 "$1/gif_lib.h" "$DEPS_PREFIX/include/gif_lib.h"
}

build_libharu() {
  cmake_cross "$1" "$1/_build" -DBUILD_SHARED_LIBS=OFF -DLIBHPDF_SHARED=OFF -DLIBHPDF_STATIC=ON \
    -DLIBHPDF_EXAMPLES=OFF -DCMAKE_DISABLE_FIND_PACKAGE_PNG=ON \
    -DZLIB_INCLUDE_DIR=/usr/$HOST/include -DZLIB_LIBRARY=/usr/$HOST/lib/libz.a
}

build_libzip() {
  cmake_cross "$1" "$1/_build" -DBUILD_SHARED_LIBS=OFF -DENABLE_BZIP2=OFF -DENABLE_LZMA=OFF \
    -DENABLE_ZSTD=OFF -DENABLE_OPENSSL=OFF -DENABLE_GNUTLS=OFF -DENABLE_MBEDTLS=OFF \
    -DENABLE_COMMONCRYPTO=OFF -DENABLE_WINDOWS_CRYPTO=OFF \
    -DBUILD_TOOLS=OFF -DBUILD_REGRESS=OFF -DBUILD_EXAMPLES=OFF -DBUILD_DOC=OFF \
    -DZLIB_INCLUDE_DIR=/usr/$HOST/include -DZLIB_LIBRARY=/usr/$HOST/lib/libz.a
}

build_pixman() {
  # Only the library: the rest of the tree (demos, tests) wants GTK and libpng.
  local b="$1/_build"; mkdir -p "$b"
  ( cd "$b" && "$1/configure" --host=$HOST CC=$HOST-gcc-posix --prefix="$DEPS_PREFIX" --enable-static \
      --disable-shared --disable-gtk --disable-libpng --disable-openmp >"$b/configure.log" 2>&1 ) \
    || { tail -20 "$b/configure.log" >&2; return 1; }
  make -C "$b/pixman" -j"$(nproc)" install >/dev/null 2>"$b/make.log" || { tail -20 "$b/make.log" >&2; return 1; }
}

# The PDF printer writes each user's files to one known folder.
configure_pdf_printer() {
  local conf=/etc/cups/cups-pdf.conf
  grep -q '^Out /var/spool/cups-pdf/\${USER}$' "$conf" || sed -i 's|^Out .*|Out /var/spool/cups-pdf/${USER}|' "$conf"
}

# The output benchmark's peer writes PDF with ImageMagick, whose Debian policy forbids the PDF
# coder outright; writing is harmless (reading PDF runs Ghostscript and stays forbidden).
configure_imagemagick() {
  local policy=/etc/ImageMagick-6/policy.xml
  [ -f "$policy" ] && sed -i 's|<policy domain="coder" rights="none" pattern="PDF" />|<policy domain="coder" rights="write" pattern="PDF" />|' "$policy"
  return 0
}

main() {
  ensure_sources
  ensure_packages
  configure_pdf_printer
  configure_imagemagick
  ensure_locales
  TOOLCHAIN="$(cd "$(dirname "$0")/.." && pwd)/cmake/mingw-i686.cmake"
  mkdir -p "$DEPS_PREFIX" "$WORK"
  for pkg in libjpeg-turbo giflib libharu libzip pixman; do build_lib "$pkg"; done
  log "ready: libraries in $DEPS_PREFIX"
}

main "$@"
