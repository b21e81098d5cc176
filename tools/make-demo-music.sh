#!/usr/bin/env bash
# Makes the demo station's music: short pieces of plucked chords generated with sox (no
# recorded audio ships with the source), a playlist of them as the default profile's
# playlist, and an autoexec.ini that starts it. Existing files are left alone.
set -euo pipefail
DEMO=${1:?usage: make-demo-music.sh <demo program folder>}
MUSIC="$DEMO/Music"
mkdir -p "$MUSIC" "$DEMO/Profile"
command -v sox >/dev/null || { echo "sox is missing: run tools/install-deps.sh" >&2; exit 1; }

# Chord progressions (root-position triads) and tempi, one line per piece.
PIECES=(
  "C3:E4:G4 A2:C4:E4 F2:A3:C4 G2:B3:D4|1.6|Morning Light"
  "D3:F#4:A4 B2:D4:F#4 G2:B3:D4 A2:C#4:E4|1.2|Harbour Walk"
  "E3:G4:B4 C3:E4:G4 G2:B3:D4 D3:F#4:A4|2.0|Slow Tide"
  "F2:A3:C4 D3:F4:A4 A#2:D4:F4 C3:E4:G4|1.4|Paper Boats"
  "G2:B3:D4 E3:G4:B4 C3:E4:G4 D3:F#4:A4|1.0|Quick Steps"
  "A2:C4:E4 F2:A3:C4 C3:E4:G4 G2:B3:D4|1.8|Evening Rain"
)
TMP=$(mktemp -d)
trap 'rm -rf "$TMP"' EXIT
playlist="$TMP/Default.m3u"
printf '#EXTM3U\r\n' > "$playlist"
n=0
for piece in "${PIECES[@]}"; do
  n=$((n + 1))
  IFS='|' read -r chords beat title <<< "$piece"
  out="$MUSIC/$(printf '%02d' "$n") - Demo Band - $title.ogg"
  if [ ! -f "$out" ]; then
    segs=()
    i=0
    for chord in $chords; do
      i=$((i + 1))
      synth=()
      for note in ${chord//:/ }; do synth+=(pluck "$note"); done
      # One note per channel, then the three spread over two channels.
      sox -q -n -r 44100 -c 3 "$TMP/notes.wav" synth "$beat" "${synth[@]}" gain -9
      sox -q "$TMP/notes.wav" "$TMP/seg$i.wav" remix 1,2v0.6 2v0.6,3
      segs+=("$TMP/seg$i.wav")
    done
    # Eight rounds of the progression, a soft start and a long fade at the end: something
    # to mix over.
    sox -q "${segs[@]}" -C 4 --comment "ARTIST=Demo Band" --add-comment "TITLE=$title" \
      "$TMP/piece.ogg" repeat 7 reverb 30 fade t 1 0 6 gain -n -3
    mv "$TMP/piece.ogg" "$out"
  fi
  secs=$(soxi -D "$out" | cut -d. -f1)
  printf '#EXTINF:%s,Demo Band - %s\r\n%s\r\n' "$secs" "$title" "$(realpath "$out")" >> "$playlist"
done
[ -f "$DEMO/Profile/Default.m3u" ] || mv "$playlist" "$DEMO/Profile/Default.m3u"
[ -f "$DEMO/autoexec.ini" ] || printf 'startplaylist\r\n' > "$DEMO/autoexec.ini"

# A station chime on jingle slot 1 (its button, its menu entry and the key 1).
mkdir -p "$DEMO/Jingles"
chime="$DEMO/Jingles/Station Chime.ogg"
if [ ! -f "$chime" ]; then
  sox -q -n -r 44100 -c 2 "$TMP/chime.wav" synth 0.5 pluck E5 synth 0.5 pluck B4 : \
    synth 0.5 pluck G5 synth 0.5 pluck E5 : synth 1.2 pluck E6 gain -6
  sox -q "$TMP/chime.wav" -C 4 "$TMP/chime.ogg" reverb 40 fade t 0 0 0.6
  mv "$TMP/chime.ogg" "$chime"
fi
prf="$DEMO/Profile/Default.prf"
if ! grep -q '^\[Jingles\]' "$prf" 2>/dev/null; then
  printf '\r\n[Jingles]\r\nPath1=%s\r\n' "$(realpath "$chime")" >> "$prf"
fi
