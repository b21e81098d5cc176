#!/bin/bash
# Plays three 3 s items of constant level through the real player into a PulseAudio null sink
# of a private server and records the sink's monitor, to measure what is heard between the
# items: the gap (or, with MIX=1, how long before the end the next item starts; the profile
# then has a 1 s mix). Usage: [MIX=1] bench/playback/pulse_transitions.sh [build/station]
# Needs pulseaudio, pactl, parec, ffmpeg and python3.
set -u
B=$(realpath "${1:-build/station}")
R=$(mktemp -d); trap 'rm -rf "$R"' EXIT
mkdir -p $R/xdg/pulse $R/state $R/home $R/rt; chmod 700 $R/xdg $R/rt
export XDG_RUNTIME_DIR=$R/xdg PULSE_RUNTIME_PATH=$R/xdg/pulse PULSE_STATE_PATH=$R/state HOME=$R/state
unset PULSE_SERVER
pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no -L "module-null-sink sink_name=wcnull" -L module-native-protocol-unix >$R/pa.log 2>&1 &
PA=$!
for i in $(seq 50); do pactl list short sinks 2>/dev/null | grep -q wcnull && break; sleep 0.2; done
N=$($B/Kestel --list | grep -i "null output" | head -1 | cut -d: -f1)
echo "device $N"
H=$R/home; mkdir -p $H/Profile $H/Database
cp -r $B/* $H/ 2>/dev/null; rm -f $H/player.ini
printf '[Device]\r\nMainDev=%s\r\n' "$N" > $H/system.ini
ffmpeg -v error -f lavfi -i "aevalsrc=0.5|0:s=44100:d=3" -c:a pcm_s16le $H/a.wav
ffmpeg -v error -f lavfi -i "aevalsrc=0|0.25:s=44100:d=3" -c:a pcm_s16le $H/b.wav
ffmpeg -v error -f lavfi -i "aevalsrc=0.125|0:s=44100:d=3" -c:a pcm_s16le $H/c.wav
printf '%s\r\n%s\r\n%s\r\n' $H/a.wav $H/b.wav $H/c.wav > $H/Profile/Default.m3u
printf 'startplaylist\r\n' > $H/autoexec.ini
if [ -n "${MIX:-}" ]; then
  HEX=$(python3 -c "import struct;b=bytearray(208);b[16:32]=struct.pack('<fff4B',1.0,0,0,1,0,0,0);print(b.hex().upper())")
  printf '[Crossfade]\r\nSettings=%s\r\n' "$HEX" > $H/Profile/Default.prf
fi
parec --device=wcnull.monitor --format=float32le --rate=44100 --channels=2 --latency-msec=20 > $R/rec.raw &
REC=$!
sleep 1
WAVECREST_HOME=$H WAVECREST_RUNTIME_DIR=$R/rt QT_QPA_PLATFORM=offscreen $H/player > $R/player.log 2>&1 &
P=$!
sleep 13
kill -TERM $P; wait $P
kill $REC; kill $PA; wait 2>/dev/null
python3 - $R/rec.raw <<'PY'
import sys, struct, array
a = array.array('f'); a.frombytes(open(sys.argv[1],'rb').read())
L = a[0::2]; Rr = a[1::2]
n = len(L)
def segs(ch, lo, hi):
    out=[]; start=None
    for i,v in enumerate(ch):
        if lo <= v <= hi:
            if start is None: start=i
        else:
            if start is not None: out.append((start,i)); start=None
    if start is not None: out.append((start,len(ch)))
    return [s for s in out if s[1]-s[0] > 4410]
A = segs(L, 0.45, 0.55); Bs = segs(Rr, 0.2, 0.3); C = segs(L, 0.1, 0.15)
print("frames recorded", n, "a", A, "b", Bs, "c", C)
if A and Bs and C:
    a_end = A[0][1]; b_start = Bs[0][0]; b_end = Bs[0][1]; c_start = C[0][0]
    print("a length %.2f ms, b length %.2f ms" % ((A[0][1]-A[0][0])/44.1, (b_end-b_start)/44.1))
    print("b starts %.2f ms before a's end; c %.2f ms before b's end" % ((a_end-b_start)/44.1, (b_end-c_start)/44.1))
    print("gap a->b: %d frames (%.2f ms); gap b->c: %d frames (%.2f ms)" % (b_start-a_end, (b_start-a_end)/44.1, c_start-b_end, (c_start-b_end)/44.1))
PY
