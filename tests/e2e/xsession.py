"""A private X display for one test, and what a user does and sees on it."""
import os
import re
import subprocess
import tempfile
import time

UTF8 = dict(LANG='C.UTF-8', LC_ALL='C.UTF-8')

# Wine's processes open and close display connections of their own while a program
# starts; a bare server that loses its last client meanwhile resets and refuses new
# ones, and the program then shows nothing. A desktop session always has a client
# left: -noreset stands in for it.
FOR_WINE = ('-noreset',)


def start_server(command):
    """Starts an X server that reports its display number on a pipe; returns the
    process and the display name."""
    read_end, write_end = os.pipe()
    process = subprocess.Popen([*command, '-displayfd', str(write_end)], pass_fds=(write_end,),
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write_end)
    with os.fdopen(read_end) as pipe:
        number = pipe.readline().strip()
    if not number:
        raise RuntimeError(f'{command[0]} did not start')
    return process, ':' + number


class XServer:
    """Xvfb with one screen, or more: `screens` lists (width, height) of the others,
    and `screen` names the one DISPLAY points at."""

    def __init__(self, width=1280, height=1024, extra=(), depth=24, screens=(), screen=0):
        layout = ['-screen', '0', f'{width}x{height}x{depth}']
        for number, (w, h) in enumerate(screens, 1):
            layout += ['-screen', str(number), f'{w}x{h}x{depth}']
        self.process, self.display = start_server(['Xvfb', *layout, '-nolisten', 'tcp', *extra])
        self.start_session(f'{self.display}.{screen}' if screen else self.display)

    def start_session(self, display):
        # No session bus but one a test starts.
        self.env = {k: v for k, v in os.environ.items()
                    if k not in ('DBUS_SESSION_BUS_ADDRESS', 'XDG_RUNTIME_DIR')}
        self.env.update(DISPLAY=display, **UTF8)
        self.session = []  # clients that end with the display, as at logging out

    def stop(self):
        self.process.terminate()
        self.process.wait(timeout=10)
        for client in self.session:
            wait_exit(client, 10)

    def start(self, *args, env=None, **streams):
        return subprocess.Popen(args, env=dict(self.env, **(env or {})), **streams)

    def run(self, *args, check=True):
        result = subprocess.run(args, env=self.env, capture_output=True, encoding='utf-8',
                                errors='replace', timeout=60)
        if check and result.returncode != 0:
            raise RuntimeError(f'{args}: {result.stderr}')
        return result.stdout

    def windows(self):
        """Mapped top-level windows as (id, title, x, y, width, height)."""
        found = []
        tree = self.run('xwininfo', '-root', '-children')
        for line in tree.splitlines():
            # The title comes from xprop below: xwininfo cannot always render it.
            match = re.match(r'\s+(0x[0-9a-f]+) (".*"|\(has no name\)): \(.*\)\s+'
                             r'(\d+)x(\d+)\+(-?\d+)\+(-?\d+)', line)
            if not match:
                continue
            wid = match.group(1)
            if 'IsViewable' not in self.run('xwininfo', '-id', wid, check=False):
                continue
            title = self.title(wid)
            width, height, x, y = (int(match.group(i)) for i in range(3, 7))
            found.append((wid, title, x, y, width, height))
        return found

    def title(self, wid):
        out = self.run('xprop', '-id', wid, '-notype', '_NET_WM_NAME', 'WM_NAME', check=False)
        match = re.search(r'_NET_WM_NAME = "(.*)"', out) or re.search(r'WM_NAME = "(.*)"', out)
        return match.group(1) if match else ''

    def find(self, title):
        """The viewable window of that title, wherever a window manager put it, as
        (id, title, x, y, width, height, frame extents (left, right, top, bottom)) of
        its client area in root coordinates; or None."""
        out = self.run(os.environ['XPROBE'], 'find', title, check=False).split()
        if not out:
            return None
        numbers = [int(n) for n in out[1:]]
        return (out[0], title, *numbers[:4], tuple(numbers[4:]))

    def wait_window(self, title, timeout=30.0):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            found = self.find(title)
            if found:
                return found[:6]
            time.sleep(0.1)
        tree = self.run('xwininfo', '-root', '-tree', check=False)
        raise AssertionError(f'no window "{title}" within {timeout} s:\n{tree}')

    def wait_gone(self, title, timeout=10.0):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            if all(window[1] != title for window in self.windows()):
                return
            time.sleep(0.1)
        raise AssertionError(f'window "{title}" still there')

    def xdotool(self, *args):
        self.run('xdotool', *(str(a) for a in args))

    def press_return_on(self, window):
        self.xdotool('windowfocus', window[0])
        time.sleep(0.2)
        self.xdotool('key', 'Return')

    def screenshot(self, x, y, width, height):
        """RGB bytes of a screen rectangle."""
        return subprocess.run(
            ['import', '-window', 'root', '-crop', f'{width}x{height}+{x}+{y}', '+repage',
             '-depth', '8', 'rgb:-'],
            env=self.env, capture_output=True, timeout=60, check=True).stdout

    def window_shot(self, window):
        _, _, x, y, width, height = window
        return self.screenshot(x, y, width, height)


class XorgServer(XServer):
    """Xorg with the dummy video driver: real RandR outputs, DUMMY0 to DUMMY15, which
    `arrange` lays out as a user's monitors."""

    CONFIG = '''Section "Device"
    Identifier "dummy"
    Driver "dummy"
    VideoRam 256000
EndSection
Section "Screen"
    Identifier "screen"
    Device "dummy"
    DefaultDepth 24
    SubSection "Display"
        Depth 24
        Virtual 8192 4096
    EndSubSection
EndSection
'''

    def __init__(self):
        folder = tempfile.mkdtemp(prefix='viewer-xorg-')
        config = os.path.join(folder, 'xorg.conf')
        with open(config, 'w') as f:
            f.write(self.CONFIG)
        self.process, self.display = start_server(
            ['Xorg', '-config', config, '-logfile', os.path.join(folder, 'log'), '-noreset',
             '-nolisten', 'tcp'])
        self.start_session(self.display)
        self.modes = set()

    def arrange(self, *monitors):
        """Lays out monitors, each (width, height, x, y, primary) on the outputs in
        order; the other outputs go off."""
        command = ['xrandr']
        for number, (width, height, x, y, primary) in enumerate(monitors):
            mode = f'{width}x{height}'
            output = f'DUMMY{number}'
            if (output, mode) not in self.modes:
                if mode not in {m for _, m in self.modes}:
                    # Timings the dummy driver accepts; no real monitor reads them.
                    clock = (width + 160) * (height + 30) * 60 / 1e6
                    self.run('xrandr', '--newmode', mode, f'{clock:.2f}', str(width),
                             str(width + 48), str(width + 80), str(width + 160), str(height),
                             str(height + 3), str(height + 9), str(height + 30))
                self.run('xrandr', '--addmode', output, mode)
                self.modes.add((output, mode))
            command += ['--output', output, '--mode', mode, '--pos', f'{x}x{y}']
            command += ['--primary'] if primary else []
        for number in range(len(monitors), 4):
            command += ['--output', f'DUMMY{number}', '--off']
        self.run(*command)
        # The dummy outputs report themselves connected only once probed, as a real
        # monitor is after it is plugged in; until then programs pass them over.
        self.run('xrandr')


def wine_prefix(prefix):
    """Makes a Wine prefix in that folder, as a fresh Windows user's profile, and returns
    the environment that runs programs in it. Wine's menu builder stays off: it would
    add entries to this machine's menus."""
    env = dict(WINEPREFIX=prefix, WINEDLLOVERRIDES='mscoree,mshtml=;winemenubuilder.exe=d',
               WINEDEBUG='-all')
    server = XServer(extra=FOR_WINE)
    try:
        subprocess.run(['wineboot', '-i'], env=dict(server.env, **env), capture_output=True,
                       timeout=300, check=True)
    finally:
        server.stop()
    return env


def start_window_manager(server, name):
    """Starts a window manager of Debian's on the server, with the pointer parked in a
    corner away from where windows open, as after a click in a menu. It ends with the
    server, not by a signal: fluxbox's SIGTERM handler calls Xlib, and deadlocks when
    the signal lands inside an X round trip."""
    home = tempfile.mkdtemp(prefix='viewer-wm-')
    # fluxbox's style sets a wallpaper with tools a bare machine lacks, and says so in a
    # window of its own.
    os.makedirs(os.path.join(home, '.fluxbox'))
    with open(os.path.join(home, '.fluxbox', 'overlay'), 'w') as overlay:
        overlay.write('background: none\n')
    with open(os.path.join(home, '.fluxbox', 'init'), 'w') as init:
        init.write(f'session.styleOverlay: {home}/.fluxbox/overlay\n')
    # i3 takes a file without this first line for an old one and adds a bar to it.
    os.makedirs(os.path.join(home, '.config', 'i3'))
    with open(os.path.join(home, '.config', 'i3', 'config'), 'w') as config:
        config.write('# i3 config file (v4)\nfont pango:monospace 8\n')
    process = subprocess.Popen([name], env=dict(server.env, HOME=home),
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    server.session.append(process)
    deadline = time.monotonic() + 20
    while '_NET_SUPPORTING_WM_CHECK(WINDOW)' not in server.run(
            'xprop', '-root', '_NET_SUPPORTING_WM_CHECK', check=False):
        if time.monotonic() > deadline or process.poll() is not None:
            raise RuntimeError(f'{name} did not start')
        time.sleep(0.1)
    time.sleep(0.5)
    server.xdotool('mousemove', 10000, 10000)


def stat_fields(pid):
    """The fields of /proc/PID/stat after the command name."""
    with open(f'/proc/{pid}/stat') as stat:
        return stat.read().rsplit(')', 1)[1].split()


def cpu_seconds(pid):
    """CPU time the process has used, user and system."""
    fields = stat_fields(pid)
    return (int(fields[11]) + int(fields[12])) / os.sysconf('SC_CLK_TCK')


def minor_faults(pid):
    return int(stat_fields(pid)[7])


def pixel(shot, width, x, y):
    offset = (y * width + x) * 3
    return tuple(shot[offset:offset + 3])


def count_colour(shot, colour, tolerance=2):
    count = 0
    for i in range(0, len(shot), 3):
        if all(abs(shot[i + k] - colour[k]) <= tolerance for k in range(3)):
            count += 1
    return count


def wait_exit(process, timeout=15.0):
    try:
        return process.wait(timeout=timeout)
    except subprocess.TimeoutExpired:
        process.kill()
        raise AssertionError('the program did not end')


def temp_path(name):
    return os.path.join(tempfile.mkdtemp(prefix='viewer-e2e-'), name)
