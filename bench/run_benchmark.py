#!/usr/bin/env python3
"""Measures the viewer and prints one table (and writes it as CSV): the renderer's
frame cost beside its floor, the whole program's frame rate and CPU on Xvfb screens,
the same for the Windows build under Wine and for the native Wayland window on a
headless sway at scale 1 and 2, idle CPU once stopped, start-up time, peak memory and
input latency, and the browser build's frame rate in each engine, time to its box and
download size. Each figure is the median of several runs, with min and max.

Run by hand after building (the environment names the programs, as CTest sets it):
    bench/run_benchmark.sh [--quick]
"""
import argparse
import contextlib
import csv
import os
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), '..', 'tests', 'e2e'))
from viewer import CAPTION, TITLE, session_bus  # noqa: E402
from xsession import FOR_WINE, XServer, cpu_seconds, wine_prefix  # noqa: E402
from wayland import Sway, readable_copy  # noqa: E402

SCREENS = [(1024, 768), (1920, 1080), (2560, 1440), (3840, 2160)]
# Wayland outputs as (width, height, scale): the window has as many pixels as on the
# X11 screen of that size, drawn at scale 1 and at scale 2.
WAYLAND_SCREENS = [(1920, 1080, 1), (3840, 2160, 2)]


def summary(values):
    return statistics.median(values), min(values), max(values)


def peak_rss_mib(pid):
    with open(f'/proc/{pid}/status') as status:
        for line in status:
            if line.startswith('VmHWM:'):
                return int(line.split()[1]) / 1024.0
    return 0.0


def cpu_percent(pid, seconds, during=None):
    """CPU the process used over `seconds`, as % of one core."""
    before, start = cpu_seconds(pid), time.monotonic()
    result = during() if during else time.sleep(seconds)
    used, wall = cpu_seconds(pid) - before, time.monotonic() - start
    return 100.0 * used / wall, result


class Program:
    """One run of a build, started as a user starts it and past its instruction box."""

    def __init__(self, server, command, env=None, time_startup=True):
        self.server = server
        self.process = subprocess.Popen(command, env=env or server.env,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        box = server.wait_window(CAPTION, timeout=60)
        if time_startup:
            server.xdotool('windowfocus', box[0])
            time.sleep(0.3)
            # Presses OK and times it to the first frame of the window that opens.
            out = server.run(os.environ['XPROBE'], 'first-frame', '20000')
            self.startup_ms = float(out)
        else:
            server.press_return_on(box)
        self.window = server.wait_window(TITLE, timeout=60)

    def fps(self, seconds):
        out = self.server.run(os.environ['XPROBE'], 'frames', self.window[0], str(seconds))
        return int(out) / seconds

    def click(self, dx, dy):
        self.server.xdotool('mousemove', self.window[2] + dx, self.window[3] + dy)
        self.server.xdotool('click', 1)

    def input_latencies(self, moves):
        """Press, then time each movement of the drag to the frame it brings."""
        x, y = self.window[2] + self.window[4] // 2, self.window[3] + self.window[5] // 2
        self.server.xdotool('mousemove', x, y)
        self.server.xdotool('mousedown', 1)
        time.sleep(0.2)
        latencies = []
        for i in range(moves):
            out = self.server.run(os.environ['XPROBE'], 'move-latency', self.window[0],
                                  str(x + 10 + 10 * (i % 5)), str(y))
            latencies.append(float(out))
            time.sleep(0.05)
        self.server.xdotool('mousemove', x, y)
        self.server.xdotool('mouseup', 1)
        return latencies

    def quit(self):
        self.server.xdotool('key', 'Escape')
        try:
            self.process.wait(timeout=30)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()


def frame_costs(quick):
    out = subprocess.run([os.environ['FRAME_BENCH']] + (['--quick'] if quick else []),
                         capture_output=True, text=True, check=True).stdout
    rows = []
    by_size = {}
    for line in out.split():
        size, kind, median, low, high = line.split(',')
        rows.append((f'frame ms {kind}', f'{size}px', float(median), float(low), float(high)))
        by_size.setdefault(size, {})[kind] = float(median)
    for size, kinds in by_size.items():
        ratio = kinds['program'] / kinds['display_list']
        rows.append(('frame ratio program/display_list', f'{size}px', ratio, ratio, ratio))
    return rows


def native_runs(width, height, runs, seconds, env=None):
    figures = {key: [] for key in ('startup', 'fps', 'cpu', 'idle', 'latency', 'rss')}
    server = XServer(width, height)
    try:
        for _ in range(runs):
            program = Program(server, [os.environ['VIEWER']], dict(server.env, **(env or {})))
            pid = program.process.pid
            time.sleep(0.5)
            cpu, fps = cpu_percent(pid, seconds, lambda: program.fps(seconds))
            program.click(program.window[4] // 2, program.window[5] // 2)
            time.sleep(0.5)
            idle, _ = cpu_percent(pid, seconds)
            figures['latency'].append(statistics.median(program.input_latencies(10)))
            figures['rss'].append(peak_rss_mib(pid))
            figures['startup'].append(program.startup_ms)
            figures['fps'].append(fps)
            figures['cpu'].append(cpu)
            figures['idle'].append(idle)
            program.quit()
    finally:
        server.stop()
    return figures


def box_times(runs, bus):
    """Milliseconds from the program's start to its box's window, without a session bus
    and with one that has the accessibility bus, starts taken in turn. The server
    outlives each start's last client."""
    server = XServer(1024, 768, extra=('-noreset',))
    times = ([], [])
    try:
        for _ in range(runs):
            for env, kept in (({}, times[0]), (bus, times[1])):
                out = subprocess.run([os.environ['XPROBE'], 'first-window', '20000',
                                      os.environ['VIEWER']], env=dict(server.env, **env),
                                     capture_output=True, text=True, check=True).stdout
                kept.append(float(out.split()[0]))
                os.kill(int(out.split()[1]), signal.SIGTERM)
                server.wait_gone(CAPTION)
    finally:
        server.stop()
    return times


def wine_fps(width, height, runs, seconds, prefix):
    env_extra = dict(WINEPREFIX=prefix, WINEDLLOVERRIDES='mscoree,mshtml=', WINEDEBUG='-all')
    server = XServer(width, height, extra=FOR_WINE)
    values = []
    try:
        for _ in range(runs):
            program = Program(server, ['wine', os.environ['WINDOWS_VIEWER']],
                              env=dict(server.env, **env_extra), time_startup=False)
            time.sleep(1.0)
            values.append(program.fps(seconds))
            program.quit()
    finally:
        server.stop()
    return values


def wayland_fps(width, height, scale, runs, seconds):
    """Frames the native Wayland window presents a second while it spins, counted from
    libwayland's own log of the program's requests: one surface commit each. The output
    refreshes faster than the program draws, as Xvfb does not pace it at all."""
    values = []
    sway = Sway(width, height, scale, refresh=240)
    try:
        program = readable_copy(os.environ['VIEWER'], sway.folder)
        for _ in range(runs):
            process = sway.start(program, env={'WAYLAND_DEBUG': 'client'},
                                 stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
            commits = []

            def read():
                for line in process.stderr:
                    if b'wl_surface@' in line and b'.commit()' in line:
                        commits.append((time.monotonic(), line.split(b'.commit')[0].split()[-1]))
            reader = threading.Thread(target=read, daemon=True)
            reader.start()
            sway.wait_window(CAPTION, process)
            sway.key('Return')
            sway.wait_window(TITLE, process)
            time.sleep(1.0)
            start = time.monotonic()
            time.sleep(seconds)
            window = [surface for at, surface in commits if start <= at < start + seconds]
            values.append(max(window.count(s) for s in set(window)) / seconds if window else 0)
            sway.key('Escape')
            process.wait(timeout=30)
            reader.join(timeout=5)
    finally:
        sway.stop()
    return values


def browser_rows(runs, seconds):
    """The browser build in Chromium, Firefox and WebKitGTK (bench/web_benchmark.mjs):
    frame rate and main-thread work per frame at 819 px beside bare WebGL 2's, time to
    the box, and the download's size. Firefox and WebKitGTK draw WebGL 2 only in a window,
    here on a screen of their own, which outlives each browser."""
    server = XServer(1280, 1024, extra=('-noreset',))
    try:
        out = subprocess.run(['node', os.path.join(os.path.dirname(__file__), 'web_benchmark.mjs'),
                              os.environ['WEB_SITE'], os.environ['WEB_FLOOR'], str(runs),
                              str(seconds)], env=server.env, capture_output=True, text=True,
                             check=True).stdout
    finally:
        server.stop()
    return [(name, where, *map(float, values))
            for name, where, *values in (line.split(',') for line in out.splitlines())]


def make_wine_prefix():
    prefix = tempfile.mkdtemp(prefix='viewer-bench-wine-')
    wine_prefix(prefix)
    return prefix


def main():
    parser = argparse.ArgumentParser(description=__doc__.split('\n')[0])
    parser.add_argument('--quick', action='store_true', help='one screen, short runs')
    parser.add_argument('--csv', default='benchmark.csv', help='where to write the table')
    args = parser.parse_args()
    screens = SCREENS[:1] if args.quick else SCREENS
    runs, seconds = (2, 2) if args.quick else (3, 5)
    idle_seconds = 2 if args.quick else 5

    rows = frame_costs(args.quick)
    with contextlib.ExitStack() as stack:
        # What a screen reader's desktop adds: the accessibility bus to join and serve.
        bus = session_bus(stack.callback)
        plain, served = box_times(10 if args.quick else 30, bus)
        rows.append(('box ms', 'no bus', *summary(plain)))
        rows.append(('box ms', 'a11y bus', *summary(served)))
        width, height = screens[0]
        native = native_runs(width, height, runs, seconds, bus)
        for key, name in (('startup', 'startup ms a11y bus'),
                          ('idle', f'cpu % idle {idle_seconds}s a11y bus')):
            rows.append((name, f'{width}x{height}', *summary(native[key])))
    prefix = make_wine_prefix() if os.environ.get('WINDOWS_VIEWER') else None
    try:
        for width, height in screens:
            screen = f'{width}x{height}'
            native = native_runs(width, height, runs, seconds)
            for key, name, unit in (('fps', 'fps spinning', ''), ('cpu', 'cpu % spinning', ''),
                                    ('idle', f'cpu % idle {idle_seconds}s', ''),
                                    ('startup', 'startup ms', ''),
                                    ('latency', 'input latency ms', ''),
                                    ('rss', 'peak rss MiB', '')):
                rows.append((name + unit, screen, *summary(native[key])))
            if prefix:
                wine = wine_fps(width, height, runs, seconds, prefix)
                rows.append(('fps spinning wine', screen, *summary(wine)))
                ratio = statistics.median(native['fps']) / statistics.median(wine)
                rows.append(('fps ratio native/wine', screen, ratio, ratio, ratio))
    finally:
        if prefix:
            subprocess.run(['wineserver', '-k'], env=dict(os.environ, WINEPREFIX=prefix),
                           capture_output=True)
            shutil.rmtree(prefix, ignore_errors=True)
    # sway runs as another user, which only root can start it as.
    if os.geteuid() == 0 and shutil.which('sway'):
        for width, height, scale in WAYLAND_SCREENS[:1] if args.quick else WAYLAND_SCREENS:
            rows.append((f'fps spinning wayland x{scale}', f'{width}x{height}',
                         *summary(wayland_fps(width, height, scale, runs, seconds))))

    if os.environ.get('WEB_SITE') and shutil.which('node'):
        # The browser's frame rate swings from one load to the next: more loads.
        rows += browser_rows(2 if args.quick else 7, seconds)

    with open(args.csv, 'w', newline='') as out:
        writer = csv.writer(out)
        writer.writerow(['figure', 'where', 'median', 'min', 'max'])
        for row in rows:
            writer.writerow([row[0], row[1]] + [f'{v:.3f}' for v in row[2:]])
    print(f'{"figure":36} {"where":>10} {"median":>10} {"min":>10} {"max":>10}')
    for name, where, median, low, high in rows:
        print(f'{name:36} {where:>10} {median:10.2f} {low:10.2f} {high:10.2f}')
    print(f'written to {args.csv}')


if __name__ == '__main__':
    main()
