#!/usr/bin/env bash
# Builds the .deb from the build folder, unpacks it into a scratch folder (no installation)
# and runs the programs from there: tegulo-cli --version, tegulo-cli render on the demo ROM,
# and the window offscreen. The package's dependencies must come from the linked libraries.
# Usage: check_deb.sh BUILD_DIR SCRATCH_DIR VERSION DEMO_DIR
set -euo pipefail
build=$1 scratch=$2 version=$3 demo=$4
fail() { echo "FAIL: $*" >&2; exit 1; }

rm -rf "$scratch"
mkdir -p "$scratch"
"${CPACK:-cpack}" -G DEB --config "$build/CPackConfig.cmake" -B "$scratch/pkg" >"$scratch/cpack.log" 2>&1 ||
  fail "cpack: $(cat "$scratch/cpack.log")"
debs=("$scratch"/pkg/*.deb)
[[ ${#debs[@]} -eq 1 && -f ${debs[0]} ]] || fail "expected one .deb, found: ${debs[*]}"
deb=${debs[0]}

[[ $(dpkg-deb -f "$deb" Package) == tegulo ]] || fail "package name"
[[ $(dpkg-deb -f "$deb" Version) == "$version"* ]] || fail "package version"
depends=$(dpkg-deb -f "$deb" Depends)
names=$(sed -e 's/ *([^)]*)//g' -e 's/, */\n/g' <<<"$depends")
for lib in libc6 libstdc++6 libdeflate0 libqt6widgets6 libqt6gui6 libqt6core6; do
  grep -qxF "$lib" <<<"$names" || fail "Depends lacks $lib: $depends"
done

root=$scratch/root
dpkg -x "$deb" "$root"
bin=$root/usr/bin
for f in "$bin/tegulo" "$bin/tegulo-cli" "$root/usr/share/applications/io.github.tegulo.Tegulo.desktop" \
         "$root/usr/share/man/man1/tegulo-cli.1"; do
  [[ -f $f ]] || fail "not in the package: ${f#"$root"}"
done
for program in tegulo tegulo-cli; do
  if readelf -d "$bin/$program" | grep -Eq 'R(UN)?PATH'; then fail "$program keeps a library path"; fi
  if ldd "$bin/$program" | grep -q 'not found'; then fail "$program: $(ldd "$bin/$program")"; fi
done

[[ $("$bin/tegulo-cli" --version) == "tegulo-cli $version" ]] || fail "tegulo-cli --version"
[[ $("$bin/tegulo" --version) == "tegulo $version" ]] || fail "tegulo --version"

out=$scratch/checkerboard.png
"$bin/tegulo-cli" render "$demo/tegulo-demo.sfc" --address '$001E00' --template "2bpp (SNES)" \
  --width 8 --height 8 --compression lzss-ff6 --palette 'rom:$0000C0' -o "$out" ||
  fail "tegulo-cli render"
[[ $(od -An -tx1 -N8 "$out" | tr -d ' \n') == 89504e470d0a1a0a ]] || fail "render wrote no PNG"

# The window must come up and keep running until it is stopped (status 124 from timeout);
# any other status means it quit or crashed.
status=0
QT_QPA_PLATFORM=offscreen timeout 3 "$bin/tegulo" >"$scratch/window.log" 2>&1 || status=$?
[[ $status -eq 124 ]] || fail "the window ended with status $status: $(cat "$scratch/window.log")"
echo "package OK: $(basename "$deb")"
