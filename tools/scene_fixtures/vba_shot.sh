#!/usr/bin/env bash
# Saves a VisualBoyAdvance 1.8.0 state (NAME.sgm, save slot 1) and the emulator's own screen
# capture (NAME.vba.png) of test ROMs already in tests/fixtures/scenes, by running each for
# five seconds on a private X server and pressing Shift+F1 and F12. Fixture maker only:
# needs visualboyadvance, Xvfb and xdotool.
#   tools/scene_fixtures/vba_shot.sh [-d :DISPLAY] NAME...
set -euo pipefail
cd "$(dirname "$0")"
display=:99
if [[ ${1:-} == -d ]]; then
  display=$2
  shift 2
fi
out=../../tests/fixtures/scenes
work=build/vba
mkdir -p "$work"
work=$(cd "$work" && pwd)
sed -e 's/^frameSkip=.*/frameSkip=0/' -e 's/^showSpeed=.*/showSpeed=0/' \
  -e 's/^disableStatus=.*/disableStatus=1/' -e 's/^soundOff=.*/soundOff=1/' \
  -e 's/^captureFormat=.*/captureFormat=0/' -e "s|^#saveDir=.*|saveDir=$work|" \
  -e "s|^#captureDir=.*|captureDir=$work|" /etc/VisualBoyAdvance.cfg >"$work/vba.cfg"
Xvfb "$display" -screen 0 640x480x24 >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb' EXIT
sleep 1
for name in "$@"; do
  cp "$out/$name.gba" "$work/"
  rm -f "$work/${name}1.sgm" "$work/${name}01.png"
  (cd "$work" && exec env DISPLAY="$display" SDL_AUDIODRIVER=dummy vba -c vba.cfg -1 "$name.gba") \
    >/dev/null 2>&1 &
  vba=$!
  sleep 5
  # No window manager: the keys go to the window under the pointer.
  DISPLAY=$display xdotool mousemove 100 80
  DISPLAY=$display xdotool keydown Shift_L
  sleep 0.2
  DISPLAY=$display xdotool key F1
  sleep 0.2
  DISPLAY=$display xdotool keyup Shift_L
  sleep 1
  DISPLAY=$display xdotool key F12
  sleep 1
  kill "$vba"
  wait "$vba" || true
  mv "$work/${name}1.sgm" "$out/$name.sgm"
  mv "$work/${name}01.png" "$out/$name.vba.png"
done
