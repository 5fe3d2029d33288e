#!/usr/bin/env bash
# Installs the build into a scratch prefix and checks what a desktop gets from it: both
# programs and their versions, the desktop entry, AppStream metainfo, document type, icons
# and manual pages, each with the validator its format has.
# Usage: check_install.sh BUILD_DIR SCRATCH_DIR VERSION
set -euo pipefail
build=$1 scratch=$2 version=$3
id=io.github.tegulo.Tegulo
fail() { echo "FAIL: $*" >&2; exit 1; }

rm -rf "$scratch"
mkdir -p "$scratch"
prefix=$scratch/usr
"${CMAKE:-cmake}" --install "$build" --prefix "$prefix" >"$scratch/install.log"
share=$prefix/share

for f in bin/tegulo bin/tegulo-cli share/applications/$id.desktop \
         share/metainfo/$id.metainfo.xml share/mime/packages/$id.xml \
         share/icons/hicolor/scalable/apps/$id.svg \
         share/man/man1/tegulo.1 share/man/man1/tegulo-cli.1; do
  [[ -f $prefix/$f ]] || fail "not installed: $f"
done
[[ -x $prefix/bin/tegulo && -x $prefix/bin/tegulo-cli ]] || fail "programs not executable"

# Both programs name themselves with the project version; the window answers without a screen.
[[ $("$prefix/bin/tegulo-cli" --version) == "tegulo-cli $version" ]] || fail "tegulo-cli --version"
[[ $(env -u DISPLAY -u WAYLAND_DISPLAY "$prefix/bin/tegulo" --version) == "tegulo $version" ]] ||
  fail "tegulo --version"

# Desktop entry: valid (hints allowed, warnings and errors not), opens the window without a
# file (it takes none) and names the installed icon.
desktop=$share/applications/$id.desktop
report=$(desktop-file-validate "$desktop" 2>&1) || fail "desktop-file-validate: $report"
if grep -E ': (warning|error):' <<<"$report"; then fail "desktop entry has warnings"; fi
grep -qx 'Exec=tegulo' "$desktop" || fail "desktop entry must start tegulo without arguments"
grep -qx "Icon=$id" "$desktop" || fail "desktop entry icon"
grep -qx 'Categories=Development;Graphics;' "$desktop" || fail "desktop entry categories"

# AppStream: valid without the network, and its newest release is this version.
metainfo=$share/metainfo/$id.metainfo.xml
appstreamcli validate --no-net "$metainfo" >"$scratch/appstream.log" 2>&1 ||
  fail "appstreamcli validate: $(cat "$scratch/appstream.log")"
newest=$(grep -o '<release version="[^"]*"' "$metainfo" | head -n 1 | cut -d'"' -f2)
[[ $newest == "$version" ]] ||
  fail "newest release in the metainfo is '$newest', the project version is $version"

# Document type: the shared MIME database accepts it and maps *.tgl to it.
XDG_DATA_DIRS=$share update-mime-database "$share/mime" >"$scratch/mime.log" 2>&1 ||
  fail "update-mime-database: $(cat "$scratch/mime.log")"
[[ ! -s $scratch/mime.log ]] || fail "update-mime-database: $(cat "$scratch/mime.log")"
grep -q '^application/x-tegulo-document:\*\.tgl$' "$share/mime/globs" || fail "*.tgl glob"

# Icons: every hicolor size holds a PNG of exactly that size.
png_size() {  # width x height from the IHDR chunk
  local b
  read -r -a b < <(od -An -tu1 -j16 -N8 "$1")
  echo "$(((b[0] << 24) | (b[1] << 16) | (b[2] << 8) | b[3]))x$(((b[4] << 24) | (b[5] << 16) | (b[6] << 8) | b[7]))"
}
for size in 16 24 32 48 64 128 256; do
  icon=$share/icons/hicolor/${size}x${size}/apps/$id.png
  [[ -f $icon ]] || fail "no ${size}x${size} icon"
  [[ $(png_size "$icon") == "${size}x${size}" ]] || fail "$icon is $(png_size "$icon")"
done
grep -q '<svg ' "$share/icons/hicolor/scalable/apps/$id.svg" || fail "scalable icon is no SVG"

# Manual pages: groff formats them without a warning, they have a NAME line for whatis,
# and they carry the version.
for page in tegulo tegulo-cli; do
  file=$share/man/man1/$page.1
  warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z \
             "$file" 2>&1 >/dev/null) || fail "man $page: $warnings"
  [[ -z $warnings ]] || fail "man $page: $warnings"
  lexgrog "$file" | grep -q "\"$page - " || fail "$page.1 has no NAME line"
  grep -q "$version" "$file" || fail "$page.1 does not name version $version"
done
echo "install tree OK"
