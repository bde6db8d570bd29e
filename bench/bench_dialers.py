#!/usr/bin/env python3
"""How soon Vindelor closes a session after a real dialer lets the modem's port go.

Each dialer found on the PATH (picocom, tio, minicom, cu, screen, socat) opens a
pseudo-terminal that the simulated dialer made and leaves free, Vindelor starts a session
on it, the dialer gets SIGTERM, and the figure is the time from the signal to Vindelor's
"Session ended" line, which comes after the log line and the totals are written. Most of
it is the dialer's own way out (minicom takes seconds to let go); the figures are for
comparing two builds, one run right after the other.

    bench/bench_dialers.py [--build DIR] [--rounds N]

Run as root: cu and minicom take their lock files in /var/lock, where Vindelor looks for
them. Dialers that are not installed are left out (Debian: picocom tio minicom cu screen
socat).
"""
import argparse
import os
import random
import select
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time

# How each dialer is told to open `dev` and hold it until it is signalled. The ones that
# want a terminal get one from script(1).
DIALERS = {
    "picocom": lambda dev: ["script", "-qfec", f"picocom -q -b 115200 {dev}", "/dev/null"],
    "tio": lambda dev: ["script", "-qfec", f"tio -b 115200 {dev}", "/dev/null"],
    "minicom": lambda dev: ["script", "-qfec", f"minicom -o -b 115200 -D {dev}", "/dev/null"],
    "cu": lambda dev: ["script", "-qfec", f"cu -s 115200 -l {dev}", "/dev/null"],
    "screen": lambda dev: ["screen", "-D", "-m", dev, "115200"],
    "socat": lambda dev: ["socat", f"{dev},raw,echo=0", "STDIO"],
}


def read_line(stream, prefix, timeout):
    """The first line of `stream` that starts with `prefix`, and when it came."""
    deadline = time.monotonic() + timeout
    buffered = b""
    while True:
        left = deadline - time.monotonic()
        if left <= 0:
            return None, None
        ready, _, _ = select.select([stream], [], [], left)
        if not ready:
            continue
        chunk = os.read(stream.fileno(), 4096)
        if not chunk:
            return None, None
        buffered += chunk
        while b"\n" in buffered:
            line, buffered = buffered.split(b"\n", 1)
            if line.decode(errors="replace").startswith(prefix):
                return line.decode(errors="replace"), time.monotonic()


def holder_of(device, among):
    """The process of `among` (and its children) that has `device` open."""
    target = os.stat(device).st_rdev
    pids = list(among)
    seen = set()
    while pids:
        pid = pids.pop()
        if pid in seen:
            continue
        seen.add(pid)
        try:
            for fd in os.listdir(f"/proc/{pid}/fd"):
                try:
                    if os.stat(f"/proc/{pid}/fd/{fd}").st_rdev == target:
                        return pid
                except OSError:
                    pass
            for task in os.listdir(f"/proc/{pid}/task"):
                with open(f"/proc/{pid}/task/{task}/children") as f:
                    pids.extend(int(p) for p in f.read().split())
        except OSError:
            pass
    return None


def write_settings(data_dir, device):
    lines = ["[Ports]", f"COM1={device}", "[Modem]", "Port=COM1", "[Avsluta]", "Visa=Nej",
             "[Session]", "<1min=Ja"]
    with open(os.path.join(data_dir, "Vindelor.ini"), "w", encoding="latin-1") as f:
        f.write("".join(line + "\r\n" for line in lines))


def one_session(build, name, device, env):
    """Milliseconds from the dialer's SIGTERM to the end of Vindelor's session."""
    dialer = subprocess.Popen(DIALERS[name](device), stdin=subprocess.PIPE,
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                              env=dict(env, TERM="vt100"), start_new_session=True)
    try:
        holder = None
        deadline = time.monotonic() + 10
        while holder is None and time.monotonic() < deadline:
            time.sleep(0.05)
            holder = holder_of(device, [dialer.pid])
        if holder is None:
            raise RuntimeError(f"{name} did not open {device}")
        session = subprocess.Popen([os.path.join(build, "monitor", "vindelor")],
                                   stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, env=env)
        try:
            line, _ = read_line(session.stdout, "Session started", 15)
            if line is None:
                raise RuntimeError(f"no session with {name} holding the port")
            time.sleep(1 + random.random() * 0.1)  # another point within the tick each time
            signalled = time.monotonic()
            os.kill(holder, signal.SIGTERM)
            line, ended = read_line(session.stdout, "Session ended", 20)
            if line is None:
                raise RuntimeError(f"the session did not end after {name} was signalled")
            session.wait(10)
            return (ended - signalled) * 1000
        finally:
            if session.poll() is None:
                session.kill()
                session.wait()
    finally:
        try:
            os.killpg(dialer.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
        dialer.wait()


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", default="build")
    parser.add_argument("--rounds", type=int, default=3)
    args = parser.parse_args()
    build = os.path.abspath(args.build)

    # The simulated dialer makes the pseudo-terminal and keeps only its master open.
    maker = subprocess.Popen([os.path.join(build, "tools", "simdialer"), "--delay", "stdin",
                              "--hold", "stdin", "--linger", "0"],
                             stdin=subprocess.PIPE, stdout=subprocess.PIPE)
    line, _ = read_line(maker.stdout, "READY ", 5)
    if line is None:
        sys.exit("the simulated dialer made no pseudo-terminal")
    device = line.split(" ", 1)[1]
    os.chmod(device, 0o666)  # cu opens it as its own user
    failed = False
    with tempfile.TemporaryDirectory() as data_dir:
        env = dict(os.environ, VINDELOR_DIR=data_dir, QT_QPA_PLATFORM="offscreen")
        env.pop("VINDELOR_LOCK_DIR", None)
        print(f"{'dialer':<10} {'median':>9} {'max':>9}  (ms from SIGTERM to the session's "
              f"end, {args.rounds} sessions each)")
        for name in DIALERS:
            if shutil.which(name) is None:
                print(f"{name:<10} not installed")
                continue
            times = []
            try:
                for _ in range(args.rounds):
                    write_settings(data_dir, device)
                    times.append(one_session(build, name, device, env))
            except RuntimeError as error:
                print(f"{name:<10} failed: {error}")
                failed = True
                continue
            print(f"{name:<10} {statistics.median(times):9.1f} {max(times):9.1f}")
            print(f"RESULT {name} {statistics.median(times):.1f} {max(times):.1f}")
    maker.kill()
    maker.wait()
    sys.exit(1 if failed else 0)


if __name__ == "__main__":
    main()
