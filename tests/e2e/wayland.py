"""Private Wayland desktops for one test, each run as an unprivileged user as it must
be, with a keyboard and a mouse on its seat, and the viewer started in it the way a
user does: sway on its headless backend, weston nested in it, KDE's KWin on its virtual
backend and GNOME's gnome-shell headless. Each answers the same questions: its windows,
pictures of them, keys and the mouse."""
import ast
import json
import os
import shutil
import subprocess
import tempfile
import time

USER = 'nobody'
OK_BORDER = (0, 120, 215)
AS_USER = ['setpriv', '--reuid=nobody', '--regid=nogroup', '--clear-groups']


def readable_copy(path, folder):
    """A copy the unprivileged user can run or load, wherever the build lies."""
    copy = os.path.join(folder, os.path.basename(path))
    shutil.copy(path, copy)
    os.chmod(copy, 0o755)
    return copy


def title_bar(pixels, width, x, top):
    """A frame's title bar, which ends at row `top`, read up column x: its colour and
    height, and how many of its pixels stand out from that colour (the caption's)."""
    colour = pixels[3 * ((top - 1) * width + x):3 * ((top - 1) * width + x) + 3]
    near = lambda y: max(abs(a - b) for a, b in zip(colour, pixels[3 * (y * width + x):])) < 12
    height = 1
    while near(top - height - 1):
        height += 1
    bar = [pixels[3 * (y * width + left):3 * (y * width + left) + 3]
           for y in range(top - height, top) for left in range(x, x + 240)]
    caption = sum(sum(abs(a - b) for a, b in zip(colour, p)) > 300 for p in bar)
    return tuple(colour), height, caption


def private_folder(name):
    """A folder for one desktop, and in it the user's runtime folder."""
    folder = tempfile.mkdtemp(prefix=f'viewer-{name}-')
    os.chmod(folder, 0o755)
    runtime = os.path.join(folder, 'run')
    os.mkdir(runtime, 0o700)
    shutil.chown(runtime, USER)
    return folder, runtime


class Sway:
    def __init__(self, width, height, scale, xwayland=False, refresh=60):
        self.folder, runtime = private_folder('sway')
        config = os.path.join(self.folder, 'config')
        with open(config, 'w') as f:
            f.write(f'output HEADLESS-1 mode {width}x{height}@{refresh}Hz scale {scale}\n'
                    f'xwayland {"enable" if xwayland else "disable"}\n'
                    # Windows without title bars or borders: their content is where
                    # sway says they are.
                    'default_border none\ndefault_floating_border none\n'
                    'exec env > $XDG_RUNTIME_DIR/session\n')
        self.env = dict(PATH=os.environ['PATH'], HOME=self.folder, XDG_RUNTIME_DIR=runtime,
                        LANG='C.UTF-8', LC_ALL='C.UTF-8')
        self.process = subprocess.Popen(
            [*AS_USER, 'sway', '-c', config],
            env=dict(self.env, WLR_BACKENDS='headless', WLR_RENDERER='pixman',
                     WLR_LIBINPUT_NO_DEVICES='1'),
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        session = os.path.join(runtime, 'session')
        deadline = time.monotonic() + 20
        while not os.path.exists(session) or (xwayland and 'DISPLAY=' not in open(session).read()):
            if time.monotonic() > deadline or self.process.poll() is not None:
                raise RuntimeError('sway did not start')
            time.sleep(0.1)
        time.sleep(0.2)
        with open(session) as f:
            started = dict(line.rstrip('\n').split('=', 1) for line in f if '=' in line)
        self.env.update({k: started[k] for k in ('WAYLAND_DISPLAY', 'SWAYSOCK', 'DISPLAY')
                         if k in started})
        self.size = (width // scale, height // scale)  # the layout, in sway's units
        self.nested = []
        # A seat with no devices gives clients neither keyboard nor pointer: a keyboard
        # that waits an hour to type, and a mouse that moves as told.
        self.keyboard = self.start('wtype', '-s', '3600000', 'x')
        self.start_mouse()

    def start_mouse(self):
        self.mouse = self.start(readable_copy(os.environ['WLPOINTER'], self.folder),
                                *map(str, self.size), stdin=subprocess.PIPE,
                                stdout=subprocess.PIPE)
        assert self.mouse.stdout.readline() == b'ok\n'

    def start(self, *args, env=None, **streams):
        return subprocess.Popen([*AS_USER, *args], env=dict(self.env, **(env or {})), **streams)

    def run(self, *args):
        done = subprocess.run([*AS_USER, *args], env=self.env, capture_output=True, timeout=60)
        if done.returncode != 0:
            raise AssertionError(f'{args} ended with {done.returncode}: {done.stderr.decode()}')
        return done.stdout

    def nested_weston(self):
        """Weston in a window of its own, on its wayland backend: a desktop that draws
        no frames, as GNOME's does not. Returns its display's name."""
        weston = self.start('weston', '--backend=wayland-backend.so', f'--width={self.size[0]}',
                            f'--height={self.size[1]}', '--use-pixman', '--socket=wayland-weston',
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.nested.append(weston)
        for _ in range(100):
            if os.path.exists(os.path.join(self.env['XDG_RUNTIME_DIR'], 'wayland-weston')):
                break
            time.sleep(0.1)
        return 'wayland-weston'

    def stop(self):
        for process in (*self.nested, self.keyboard, self.mouse, self.process):
            process.kill()
            process.wait()

    def windows(self):
        """Every window, as a dict of its title, shell ('xdg_shell' or 'xwayland'), its
        container's rectangle and its content's, in sway's units."""
        found = []

        def walk(node):
            if node.get('pid'):
                found.append(node)
            for child in node.get('nodes', []) + node.get('floating_nodes', []):
                walk(child)
        walk(json.loads(self.run('swaymsg', '-t', 'get_tree')))
        return found

    def wait_window(self, title, viewer=None, timeout=30.0):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            for window in self.windows():
                if self.titled(window, title):
                    return window
            if viewer is not None and viewer.poll() is not None:
                raise AssertionError(f'the viewer ended with {viewer.returncode}: '
                                     f'{viewer.stderr.read().decode(errors="replace")}')
            time.sleep(0.1)
        raise AssertionError(f'no window "{title}": {[w["name"] for w in self.windows()]}')

    @staticmethod
    def titled(window, title):
        return window['name'] == title

    def screenshot(self, window):
        """The window's content in the output's own pixels: (width, height, RGB bytes)."""
        shot = self.run('grim', '-t', 'ppm', '-')
        header = shot.split(b'\n', 3)
        width, height = map(int, header[1].split())
        pixels = header[3]
        scale = width // self.size[0]
        rect = window['rect']
        x0, y0, w, h = (rect[k] * scale for k in ('x', 'y', 'width', 'height'))
        rows = [pixels[((y0 + y) * width + x0) * 3:((y0 + y) * width + x0 + w) * 3]
                for y in range(h)]
        return w, h, b''.join(rows)

    def frames(self, viewer=None):
        """The screen, and the message box's body on it (left, top, right, bottom) where
        one shows, found by its OK button's border."""
        for _ in range(100):
            width, _, pixels = self.screenshot({'rect': dict(x=0, y=0, width=self.size[0],
                                                             height=self.size[1])})
            border = [i // 3 for i in range(0, len(pixels), 3)
                      if pixels[i:i + 3] == bytes(OK_BORDER)]
            if border:
                right, bottom = border[-1] % width + 12, border[-1] // width + 10
                top = bottom
                while sum(pixels[3 * ((top - 1) * width + right - 5):][:3]) > 690:
                    top -= 1
                return pixels, (right - 339, top, right, bottom)
            if viewer is not None and viewer.poll() is not None:
                raise AssertionError(f'the viewer ended: {viewer.stderr.read()}')
            time.sleep(0.1)
        raise AssertionError('no message box on the screen')

    def key(self, name):
        self.run('wtype', '-k', name)

    def pointer(self, *commands):
        for command in commands:
            self.mouse.stdin.write(command.encode() + b'\n')
            self.mouse.stdin.flush()
            assert self.mouse.stdout.readline() == b'ok\n'

    def viewer(self, **env):
        """The viewer, with the message-box recorder; returns the process and the
        recorder's log."""
        log = os.path.join(self.folder, f'boxes-{time.monotonic_ns()}')
        open(log, 'w').close()
        os.chmod(log, 0o666)
        env = dict(LD_PRELOAD=readable_copy(os.environ['MESSAGEBOX_SPY'], self.folder),
                   MESSAGEBOX_LOG=log, **env)
        program = readable_copy(os.environ['VIEWER'], self.folder)
        return self.start(program, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE), log


def drag_and_close_box(test, sway, viewer, bar):
    """The box's own frame on a desktop that draws none: a title bar whose colour
    passes `bar`, with the caption in it; a drag on it moves the box; its close button
    ends the box as OK does. Returns the height of the bar."""
    def frame():
        pixels, (left, top, right, bottom) = sway.frames(viewer)
        colour, title, caption = title_bar(pixels, sway.size[0], left + 4, top)
        test.assertTrue(bar(colour), f'the title bar is {colour}')
        test.assertGreater(caption, 20, 'caption')
        return left, top, right, bottom, title

    left, top, right, bottom, title = frame()
    test.assertEqual(bottom - top, 86)
    test.assertGreaterEqual(title, 18)
    # Towards the middle, where no desktop keeps it from going. Each step once the
    # compositor has taken the one before: a move starts from the press.
    across = -30 if left > sway.size[0] // 2 else 30
    for step in (f'move {left + 60} {top - title // 2}', 'press',
                 *(f'move {left + 60 + across * i} {top - title // 2 + 20 * i}'
                   for i in range(1, 6)), 'release'):
        sway.pointer(step)
        time.sleep(0.1)
    left, top, right = left + 5 * across, top + 100, right + 5 * across
    test.assertEqual(frame()[:2], (left, top), 'a drag on the title moves it')
    sway.pointer(f'move {right - 16} {top - title // 2}', 'press', 'release')
    return title


class KWin(Sway):
    """KDE's compositor on its virtual backend, with Breeze's frames, which it draws
    for the programs that ask, on a session bus of its own. A copy of KWin runs, as
    the installed one has a file capability that an unprivileged user may not take.
    Windows and pictures are asked of KWin over the bus; the mouse and keys are KDE's
    fake input, which KWin grants tests that ask it to skip its checks."""

    KEYS = {'Escape': 1, 'Return': 28, 'f': 33}

    def __init__(self, width, height, cleanup):
        from viewer import session_bus
        self.folder, runtime = private_folder('kwin')
        self.nested = []
        self.size = (width, height)
        self.env = dict(PATH=os.environ['PATH'], HOME=runtime, XDG_RUNTIME_DIR=runtime,
                        LANG='C.UTF-8', LC_ALL='C.UTF-8', WAYLAND_DISPLAY='wayland-kwin')
        self.env.update(session_bus(cleanup, self.start, services=False))
        self.log = open(os.path.join(self.folder, 'kwin.log'), 'w+')
        self.process = self.start(
            readable_copy('/usr/bin/kwin_wayland', self.folder), '--virtual', f'--width={width}',
            f'--height={height}', '--socket=wayland-kwin', '--no-lockscreen',
            '--no-global-shortcuts', '--no-kactivities',
            env=dict(KWIN_WAYLAND_NO_PERMISSION_CHECKS='1',
                     KWIN_SCREENSHOT_NO_PERMISSION_CHECKS='1', LIBGL_ALWAYS_SOFTWARE='1'),
            stdout=self.log, stderr=subprocess.STDOUT)
        deadline = time.monotonic() + 30
        while not os.path.exists(os.path.join(runtime, 'wayland-kwin')):
            if time.monotonic() > deadline or self.process.poll() is not None:
                self.log.seek(0)
                raise RuntimeError(f'KWin did not start: {self.log.read()[-2000:]}')
            time.sleep(0.1)
        self.start_mouse()

    def stop(self):
        for process in (*self.nested, self.mouse, self.process):
            process.kill()
            process.wait()
        self.log.close()

    @staticmethod
    def titled(window, title):
        """KWin trims the blanks around a caption."""
        return window['name'] == title.strip()

    def session(self, *args):
        script = os.path.join(os.path.dirname(os.path.abspath(__file__)), 'kwin_session.py')
        return self.run('/usr/bin/python3', readable_copy(script, self.folder), *args)

    def windows(self):
        return json.loads(self.session('windows'))

    def screenshot(self, window):
        rect = window['rect']
        shot = self.session('shot', *(str(rect[k]) for k in ('x', 'y', 'width', 'height')))
        header = shot.split(b'\n', 3)
        width, height = map(int, header[1].split())
        return width, height, header[3]

    def key(self, name):
        self.pointer(f'key {self.KEYS[name]}')


class GnomeShell(Sway):
    """GNOME's compositor, gnome-shell, headless on a virtual monitor, with the
    session's and the system's buses of its own. It draws no frames: libdecor draws
    them in the program. The tests reach it through its Eval interface (windows, the app
    it knows each by, the virtual mouse and keys of its seat) and its screenshots; a
    menu entry for the viewer lies where GLib looks for them."""

    KEYS = KWin.KEYS

    def __init__(self, width, height, cleanup):
        from viewer import session_bus
        self.folder, runtime = private_folder('gnome')
        self.nested = []
        self.size = (width, height)
        applications = os.path.join(self.folder, 'share', 'applications')
        os.makedirs(applications)
        source = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', '..', 'packaging')
        shutil.copy(os.path.join(source, 'org.trackball_viewer.TrackballViewer.desktop'),
                    applications)
        # GLib ignores an entry whose program is not on the PATH.
        readable_copy(os.environ['VIEWER'], self.folder)
        self.env = dict(PATH=f'{self.folder}:{os.environ["PATH"]}', HOME=runtime,
                        XDG_RUNTIME_DIR=runtime, LANG='C.UTF-8', LC_ALL='C.UTF-8',
                        XDG_DATA_DIRS=f'{self.folder}/share:/usr/share',
                        WAYLAND_DISPLAY='wayland-gnome')
        self.env.update(session_bus(cleanup, self.start, services=False))
        system = session_bus(cleanup, self.start, services=False)['DBUS_SESSION_BUS_ADDRESS']
        # Who asks to keep the screen awake: gnome-shell passes a window's wish on to
        # the session manager.
        self.inhibits = os.path.join(runtime, 'inhibits')
        script = os.path.join(os.path.dirname(os.path.abspath(__file__)), 'session_manager.py')
        self.nested.append(self.start('/usr/bin/python3', readable_copy(script, self.folder),
                                      self.inhibits, stdout=subprocess.PIPE))
        assert self.nested[-1].stdout.readline() == b'ready\n'
        self.log = open(os.path.join(self.folder, 'gnome-shell.log'), 'w+')
        self.process = self.start(
            'gnome-shell', '--headless', '--wayland', '--no-x11', '--unsafe-mode',
            f'--virtual-monitor={width}x{height}', '--wayland-display=wayland-gnome',
            env=dict(DBUS_SYSTEM_BUS_ADDRESS=system, LIBGL_ALWAYS_SOFTWARE='1'),
            stdout=self.log, stderr=subprocess.STDOUT)
        # Started, it shows the overview, which a first window would stay behind.
        deadline = time.monotonic() + 60
        while not self.eval('const Main = imports.ui.main; if (!Main.layoutManager._startingUp) '
                            'Main.overview.hide(); !Main.layoutManager._startingUp && '
                            '!Main.overview.visible && !Main.overview.animationInProgress && '
                            '(Main.messageTray.bannerBlocked = true)',
                            check=False):
            if time.monotonic() > deadline or self.process.poll() is not None:
                self.log.seek(0)
                raise RuntimeError(f'gnome-shell did not start: {self.log.read()[-2000:]}')
            time.sleep(0.2)
        self.eval('const seat = imports.gi.Clutter.get_default_backend().get_default_seat();'
                  'const Type = imports.gi.Clutter.InputDeviceType;'
                  'global.testPointer = seat.create_virtual_device(Type.POINTER_DEVICE);'
                  'global.testKeyboard = seat.create_virtual_device(Type.KEYBOARD_DEVICE); true')

    def eval(self, script, check=True):
        """What the script gives, in JSON; None where the shell does not answer."""
        done = subprocess.run(
            [*AS_USER, 'gdbus', 'call', '--session', '--dest', 'org.gnome.Shell',
             '--object-path', '/org/gnome/Shell', '--method', 'org.gnome.Shell.Eval', script],
            env=self.env, capture_output=True, timeout=30)
        text = done.stdout.decode().strip()
        if done.returncode != 0 or not text.startswith('(true, '):
            if check:
                raise AssertionError(f'Eval: {text} {done.stderr.decode()}')
            return None
        return json.loads(ast.literal_eval(text[len('(true, '):-1]))

    def windows(self):
        return self.eval(
            'const tracker = imports.gi.Shell.WindowTracker.get_default();'
            'const rect = r => ({x: r.x, y: r.y, width: r.width, height: r.height});'
            'global.get_window_actors().map(a => a.meta_window).map(w => ({'
            'name: w.get_title(), app_id: w.get_wm_class(), pid: w.get_pid(),'
            'active: w.has_focus(), app: tracker.get_window_app(w).get_id(),'
            # libdecor's bar is part of the frame; the program's surface is the content.
            'frame: rect(w.get_frame_rect()), rect: rect(w.get_buffer_rect())}))')

    def screenshot(self, window):
        rect = window['rect']
        path = os.path.join(self.env['XDG_RUNTIME_DIR'], 'shot.png')
        self.run('gdbus', 'call', '--session', '--dest', 'org.gnome.Shell', '--object-path',
                 '/org/gnome/Shell/Screenshot', '--method',
                 'org.gnome.Shell.Screenshot.ScreenshotArea',
                 *(str(rect[k]) for k in ('x', 'y', 'width', 'height')), 'false', path)
        shot = subprocess.run(['convert', path, 'ppm:-'], capture_output=True, check=True).stdout
        header = shot.split(b'\n', 3)
        width, height = map(int, header[1].split())
        return width, height, header[3]

    def pointer(self, *commands):
        for command in commands:
            if command.startswith('move'):
                x, y = command.split()[1:]
                self.eval(f'global.testPointer.notify_absolute_motion('
                          f'imports.gi.GLib.get_monotonic_time(), {x}, {y}); true')
            else:
                state = 1 if command == 'press' else 0
                self.eval(f'global.testPointer.notify_button('
                          f'imports.gi.GLib.get_monotonic_time(), 1, {state}); true')

    def key(self, name):
        for state in (1, 0):
            self.eval(f'global.testKeyboard.notify_key(imports.gi.GLib.get_monotonic_time(), '
                      f'{self.KEYS[name]}, {state}); true')

    def settled(self, title, viewer):
        """The window once placed and framed: the same twice, a moment apart."""
        last = None
        while True:
            window = self.wait_window(title, viewer)
            if window == last and window['rect']['y'] > window['frame']['y']:
                return window
            last = window
            time.sleep(0.3)

    def inhibitors(self):
        """Every Inhibit and Uninhibit the session manager had, in order."""
        if not os.path.exists(self.inhibits):
            return []
        with open(self.inhibits) as f:
            return [json.loads(line) for line in f]

    def stop(self):
        for process in (*self.nested, self.process):
            process.kill()
            process.wait()
        self.log.close()
