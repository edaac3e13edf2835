#!/usr/bin/env bash
# Builds the Debian package mtrfee_<version>_<arch>.deb.
#
#   scripts/package.sh                 clean build in ./build-package, package in ./dist
#   scripts/package.sh --build-dir D   package the existing build D (the tests do this)
#   scripts/package.sh --out DIR       where the package goes
#   scripts/package.sh --check         also run lintian, appstreamcli and
#                                      desktop-file-validate on the result
#
# Dependencies on shared libraries come from dpkg-shlibdeps; what the program
# needs at run time without linking it (the SQLite driver and the platform
# plugin of Qt, the spreadsheet application, the CUPS client, CJK fonts) is
# declared here.
set -euo pipefail
cd "$(dirname "$0")/.."
src=$(pwd)

build=""
out="$src/dist"
check=0
while [ $# -gt 0 ]; do
  case "$1" in
    --build-dir) build=$(realpath -m "$2"); shift 2 ;;
    --out) out=$(realpath -m "$2"); shift 2 ;;
    --check) check=1; shift ;;
    -h|--help) sed -n '2,12p' "$0"; exit 0 ;;
    *) echo "package: unknown argument $1" >&2; exit 2 ;;
  esac
done

if [ -z "$build" ]; then
  build="$src/build-package"
  rm -rf "$build"
  # Debian's hardening and optimisation flags, as a package build uses them.
  export DEB_BUILD_MAINT_OPTIONS=hardening=+all
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
    -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" >/dev/null
fi
# Only what the package holds (a no-op on an up-to-date build).
cmake --build "$build" --target mtrfee mtrfee_print_template mtrfee_help mtrfee_packaging_files

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
arch=$(dpkg --print-architecture)
[ -n "$version" ] || { echo "package: no project version in $build/CMakeCache.txt" >&2; exit 1; }
deb="$out/mtrfee_${version}_${arch}.deb"
logged=$(sed -n '1s/^mtrfee (\([^)]*\)).*/\1/p' packaging/debian/changelog)
if [ "$logged" != "$version" ]; then
  echo "package: packaging/debian/changelog is at $logged, the project at $version: add an entry" >&2
  exit 1
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
stage="$work/root"
DESTDIR="$stage" cmake --install "$build" --prefix /usr --component mtrfee --strip >/dev/null
objcopy --remove-section=.comment --remove-section=.note "$stage/usr/bin/mtrfee"

# Debian's documentation files.
doc="$stage/usr/share/doc/mtrfee"
install -d -m 0755 "$doc"
install -m 0644 packaging/debian/copyright "$doc/copyright"
gzip -9n -c packaging/debian/changelog > "$doc/changelog.gz"
install -d -m 0755 "$stage/usr/share/lintian/overrides"
install -m 0644 packaging/debian/lintian-overrides "$stage/usr/share/lintian/overrides/mtrfee"

# Everything root's, readable by all; executables and folders searchable.
find "$stage" -type d -exec chmod 0755 {} +
find "$stage" -type f -exec chmod 0644 {} +
chmod 0755 "$stage/usr/bin/mtrfee"

# Shared-library dependencies (dpkg-shlibdeps reads a source package's control).
mkdir -p "$work/src/debian"
printf 'Source: mtrfee\n\nPackage: mtrfee\nArchitecture: any\n' > "$work/src/debian/control"
shlibs=$(cd "$work/src" && dpkg-shlibdeps -O -e"$stage/usr/bin/mtrfee" 2>"$work/shlibdeps.log" \
           | sed -n 's/^shlibs:Depends=//p') || { cat "$work/shlibdeps.log" >&2; exit 1; }
[ -n "$shlibs" ] || { echo "package: dpkg-shlibdeps found no dependencies" >&2; cat "$work/shlibdeps.log" >&2; exit 1; }
runtime="libqt6sql6-sqlite, qt6-qpa-plugins, libreoffice-calc-nogui | libreoffice-calc, cups-client, fonts-noto-cjk"

# The packager, as Debian's tools take it: DEBFULLNAME/DEBEMAIL, else git's identity.
name=${DEBFULLNAME:-$(git config user.name 2>/dev/null || true)}
email=${DEBEMAIL:-$(git config user.email 2>/dev/null || true)}
maintainer="${name:-mtrfee developers} <${email:-mtrfee@example.org}>"

install -d -m 0755 "$stage/DEBIAN"
(cd "$stage" && find usr -type f -print0 | sort -z | xargs -0 md5sum) > "$stage/DEBIAN/md5sums"
chmod 0644 "$stage/DEBIAN/md5sums"
size=$(du -sk --exclude=DEBIAN "$stage" | cut -f1)
cat > "$stage/DEBIAN/control" <<EOF
Package: mtrfee
Version: $version
Architecture: $arch
Maintainer: $maintainer
Installed-Size: $size
Depends: $shlibs, $runtime
Recommends: qt6-translations-l10n, xdg-utils
Suggests: cups, printer-driver-cups-pdf
Section: misc
Priority: optional
Description: monthly electricity, water and rent receipts for property managers
 With mtrfee a property manager issues the monthly fee receipts of the
 households of residential communities: electricity and water meter
 readings, other fees and rent, with usage, amounts and the total in Chinese
 capital numerals computed while typing. Receipts are printed on the default
 printer by filling an editable spreadsheet template through LibreOffice;
 the history can be searched, printed in batches and exported.
 .
 The program's screens are in Simplified Chinese. Each user's database,
 settings and template live in ~/.local/share/mtrfee.
EOF
chmod 0644 "$stage/DEBIAN/control"

mkdir -p "$out"
rm -f "$deb"
dpkg-deb --root-owner-group -Zxz --build "$stage" "$deb" >/dev/null
echo "package: $deb"

if [ "$check" = 1 ]; then
  "$src/tests/package/lint.sh" "$deb"
fi
