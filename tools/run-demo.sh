#!/usr/bin/env bash
# Puts the demo station on air: a throw-away program folder next to the build, with the
# shipped files, settings for this machine's output, and the player started in it.
set -euo pipefail
BUILD=${1:-build}
[ $# -gt 0 ] && shift
STATION="$BUILD/station"
DEMO="$BUILD/demo-station"
mkdir -p "$DEMO"
cp -r "$STATION"/. "$DEMO"/ 2>/dev/null || true
rm -f "$DEMO/player" "$DEMO/base" "$DEMO/Lumbra" "$DEMO/Kestel"
for exe in player base Lumbra Kestel; do
  [ -x "$STATION/$exe" ] && ln -sf "$(realpath "$STATION/$exe")" "$DEMO/$exe"
done
# Generated music, the default profile's playlist of it and an autoexec.ini that starts it.
"$(dirname "$0")/make-demo-music.sh" "$DEMO"
# Output device: the system default (1) when the machine has a sound card, else the silent
# device 0, which keeps real time so the station (and its stream) runs anyway.
if [ ! -f "$DEMO/system.ini" ]; then
  dev=0
  if [ -r /proc/asound/cards ] && grep -q '^ *[0-9]' /proc/asound/cards; then dev=1; fi
  printf '[Device]\r\nMainDev=%s\r\nSecondDev=%s\r\n' "$dev" "$dev" > "$DEMO/system.ini"
fi
# The demo leaves the desktop's file associations alone.
if [ ! -f "$DEMO/player.ini" ]; then
  printf '[Options]\r\nShellExt=0\r\n' > "$DEMO/player.ini"
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  export QT_QPA_PLATFORM=offscreen
  echo "No display: the player runs offscreen. Stop it with Ctrl+C."
fi
export WAVECREST_HOME="$(realpath "$DEMO")"
exec "$DEMO/player" "$@"
