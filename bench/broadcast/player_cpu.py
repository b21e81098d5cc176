#!/usr/bin/env python3
"""CPU time of the real player with broadcasting off and on (MP3 128 kbit/s to a local
icecast2), the encoder process counted apart.

Runs build/station/player offscreen in a throw-away program folder on output device 0 with a
playlist of generated tones, for SECONDS per run (default 30), in the order off, on, off, on,
and reads utime+stime of the player and of its encoder child from /proc. Prints the figures and
the ratios against the runs without broadcasting. Not part of ctest: it runs in real time.

    bench/broadcast/player_cpu.py [build/station/player] [SECONDS]
"""
import math
import os
import shutil
import signal
import socket
import struct
import subprocess
import sys
import tempfile
import time
import urllib.request
import wave

TICK = os.sysconf("SC_CLK_TCK")


def cpu_seconds(pid):
    """utime + stime of one process, in seconds (0 when it is gone)."""
    try:
        with open(f"/proc/{pid}/stat") as f:
            fields = f.read().rsplit(")", 1)[1].split()
    except OSError:
        return 0.0
    return (int(fields[11]) + int(fields[12])) / TICK


def children(pid):
    out = []
    for tid in os.listdir(f"/proc/{pid}/task"):
        try:
            with open(f"/proc/{pid}/task/{tid}/children") as f:
                out += [int(c) for c in f.read().split()]
        except OSError:
            pass
    return out


def comm(pid):
    try:
        with open(f"/proc/{pid}/comm") as f:
            return f.read().strip()
    except OSError:
        return ""


def free_port_pair():
    for _ in range(50):
        a = socket.socket()
        a.bind(("127.0.0.1", 0))
        p = a.getsockname()[1]
        b = socket.socket()
        try:
            b.bind(("127.0.0.1", p + 1))
            return p
        except OSError:
            pass
        finally:
            a.close()
            b.close()
    raise SystemExit("no free port pair")


def write_tone(path, seconds, freq):
    with wave.open(path, "wb") as w:
        w.setnchannels(2)
        w.setsampwidth(2)
        w.setframerate(44100)
        frames = bytearray()
        for i in range(int(seconds * 44100)):
            v = int(0.5 * 32767 * math.sin(2 * math.pi * freq * i / 44100))
            frames += struct.pack("<hh", v, v)
        w.writeframes(bytes(frames))


def write_ini(path, sections):
    text = ""
    for name, values in sections.items():
        text += f"[{name}]\r\n" + "".join(f"{k}={v}\r\n" for k, v in values.items()) + "\r\n"
    with open(path, "w", newline="") as f:
        f.write(text)


def start_icecast(work, port, password):
    os.chmod(work, 0o777)
    root = os.geteuid() == 0
    owner = "<changeowner><user>nobody</user><group>nogroup</group></changeowner>" if root else ""
    xml = f"""<icecast>
  <location>bench</location><admin>bench@localhost</admin>
  <limits><sources>4</sources><source-timeout>10</source-timeout></limits>
  <authentication><source-password>{password}</source-password>
  <admin-user>admin</admin-user><admin-password>{password}-admin</admin-password></authentication>
  <hostname>127.0.0.1</hostname>
  <listen-socket><port>{port}</port><bind-address>127.0.0.1</bind-address></listen-socket>
  <paths><basedir>/usr/share/icecast2</basedir><logdir>{work}</logdir>
  <webroot>/usr/share/icecast2/web</webroot><adminroot>/usr/share/icecast2/admin</adminroot></paths>
  <logging><accesslog>access.log</accesslog><errorlog>error.log</errorlog><loglevel>2</loglevel></logging>
  <security><chroot>0</chroot>{owner}</security>
</icecast>
"""
    conf = os.path.join(work, "icecast.xml")
    with open(conf, "w") as f:
        f.write(xml)
    proc = subprocess.Popen([shutil.which("icecast2"), "-c", conf],
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    for _ in range(150):
        try:
            socket.create_connection(("127.0.0.1", port), 0.2).close()
            return proc
        except OSError:
            time.sleep(0.1)
    proc.kill()
    raise SystemExit("icecast2 did not start")


def run(player, home, seconds, broadcast, port, password):
    write_ini(os.path.join(home, "player.ini"), {
        "Options": {"UID": 4242},
        "Broadcast": {
            "bEnableBroadcast": 1 if broadcast else 0, "sServer": f"127.0.0.1:{port}/bench.mp3",
            "sPassword": password, "sStreamTitle": "Bench stream", "iFormat": 0,
            "iBitrate": 128, "bAutoReconnect": 0},
    })
    runtime = tempfile.mkdtemp(prefix="wc-bench-rt-")
    env = dict(os.environ, WAVECREST_HOME=home, WAVECREST_RUNTIME_DIR=runtime,
               QT_QPA_PLATFORM="offscreen", XDG_DATA_HOME=os.path.join(home, "xdg"))
    log = open(os.path.join(home, "player-output.txt"), "wb")
    p = subprocess.Popen([player], env=env, stdout=log, stderr=subprocess.STDOUT)
    try:
        # Start-up and connection are not counted: the measure starts after a few seconds.
        time.sleep(5)
        encoders = [c for c in children(p.pid) if comm(c) == "lame"]
        if broadcast:
            status = urllib.request.urlopen(f"http://127.0.0.1:{port}/status-json.xsl", timeout=5)
            if not encoders or b"/bench.mp3" not in status.read():
                raise SystemExit("the stream is not on the server; see " + log.name)
        t0 = time.monotonic()
        p0 = cpu_seconds(p.pid)
        e0 = sum(cpu_seconds(e) for e in encoders)
        time.sleep(seconds)
        p1 = cpu_seconds(p.pid)
        e1 = sum(cpu_seconds(e) for e in encoders)
        wall = time.monotonic() - t0
    finally:
        p.send_signal(signal.SIGTERM)
        p.wait(15)
        log.close()
        shutil.rmtree(runtime, ignore_errors=True)
    return (p1 - p0) / wall, (e1 - e0) / wall


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    player = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "../../build/station/player")
    seconds = float(sys.argv[2]) if len(sys.argv) > 2 else 30.0
    if not shutil.which("icecast2") or not shutil.which("lame"):
        raise SystemExit("icecast2 and lame are needed")
    work = tempfile.mkdtemp(prefix="wc-bench-")
    home = os.path.join(work, "home")
    os.makedirs(os.path.join(home, "Profile"))
    write_ini(os.path.join(home, "system.ini"), {"Device": {"MainDev": 0, "SecondDev": 0}})
    entries = "#EXTM3U\r\n"
    for i in range(8):
        path = os.path.join(home, f"Tone {i}.wav")
        write_tone(path, 10.0, 330 + 110 * i)
        entries += f"#EXTINF:10,Tone {i}\r\n{path}\r\n"
    with open(os.path.join(home, "Profile/Default.m3u"), "w", newline="") as f:
        f.write(entries)
    with open(os.path.join(home, "autoexec.ini"), "w", newline="") as f:
        f.write("startplaylist\r\n")
    port, password = free_port_pair(), "benchpass"
    ice = start_icecast(work, port, password)
    try:
        off, on, enc = [], [], []
        for broadcast in (False, True, False, True):
            player_cpu, encoder_cpu = run(player, home, seconds, broadcast, port, password)
            print(f"broadcasting {'on ' if broadcast else 'off'}: player {player_cpu * 100:6.2f} % "
                  f"of a core, encoder {encoder_cpu * 100:6.2f} %", flush=True)
            (on if broadcast else off).append(player_cpu)
            if broadcast:
                enc.append(encoder_cpu)
        ref = sum(off) / len(off)
        mean_on = sum(on) / len(on)
        print(f"player with broadcasting / without: {mean_on / ref:.3f} "
              f"({(mean_on / ref - 1) * 100:+.1f} %)")
        print(f"encoder / player without broadcasting: {sum(enc) / len(enc) / ref:.3f}")
        print(f"encoder / player with broadcasting: {sum(enc) / len(enc) / mean_on:.3f}")
    finally:
        ice.kill()
        ice.wait()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
