"""Debian 13 (trixie), as a new user there has it: a minimal system made from Debian's
own packages, in which this tree's scripts install what is missing, build the viewer and
start it on an X display of the host's and on a Wayland desktop of the host's that draws
no frames, where libdecor draws GTK's; and in which Debian 13's Emscripten builds the
site that the host's browser tests then run against.

The system is kept in the build folder and reused; the tree is copied in afresh."""
import os
import shutil
import subprocess
import time
import unittest

from viewer import BACKGROUND, CAPTION, TEXT, TITLE, ScreenReader
from wayland import AS_USER, Sway, drag_and_close_box, title_bar
from xsession import XServer, pixel, wait_exit

SOURCE = os.path.abspath(os.path.join(os.path.dirname(__file__), '..', '..'))
SYSTEM = os.path.join(os.environ['BUILD_DIR'], 'debian13')
MIRROR = 'http://deb.debian.org/debian'
# A login's environment, not this one's: nothing of the host's leaks into the build.
LOGIN = ['env', '-i', 'PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin',
         'HOME=/root', 'LANG=C.UTF-8']


def make_system():
    """Debian 13 in SYSTEM, made once; a system whose making broke off is made again."""
    made = os.path.join(SYSTEM, 'made-by-debootstrap')
    if not os.path.exists(made):
        shutil.rmtree(SYSTEM, ignore_errors=True)
        result = subprocess.run(['debootstrap', '--variant=minbase', 'trixie', SYSTEM, MIRROR],
                                capture_output=True, encoding='utf-8', errors='replace')
        if result.returncode != 0:
            raise AssertionError(f'debootstrap could not make Debian 13 from {MIRROR}:\n'
                                 f'{result.stdout[-3000:]}{result.stderr[-3000:]}')
        open(made, 'w').close()
    shutil.copy('/etc/resolv.conf', os.path.join(SYSTEM, 'etc', 'resolv.conf'))
    tree = os.path.join(SYSTEM, 'src')
    shutil.rmtree(tree, ignore_errors=True)
    files = subprocess.run(['git', '-C', SOURCE, 'ls-files', '-z', '--cached', '--others',
                            '--exclude-standard'], capture_output=True, check=True).stdout
    for name in files.decode().split('\0'):
        if name and os.path.isfile(os.path.join(SOURCE, name)):
            os.makedirs(os.path.dirname(os.path.join(tree, name)), exist_ok=True)
            shutil.copy2(os.path.join(SOURCE, name), os.path.join(tree, name))


def in_system(*command, display=None, env=None):
    """The command inside the system, with its own /proc, and the host's devices and
    /tmp, where the host's X and Wayland sockets and session buses are, in a mount
    namespace that takes those mounts away when it ends."""
    mounts = ('mount -t proc proc "$0/proc" && mount --rbind /dev "$0/dev" && '
              'mount --rbind /tmp "$0/tmp" && exec chroot "$0" "$@"')
    env = dict(env or {}, **({'DISPLAY': display} if display else {}))
    return ['unshare', '--mount', '--fork', '--', 'sh', '-c', mounts, SYSTEM, *LOGIN,
            *(f'{k}={v}' for k, v in env.items()), *command]


def content(pixels, width):
    """The viewer's picture on the screen, found by its background: its left, top and
    right edges."""
    rows = [y for y in range(len(pixels) // (3 * width))
            if bytes(BACKGROUND) in pixels[3 * width * y:3 * width * (y + 1)]]
    row = [x for x in range(width) if pixel(pixels, width, x, rows[0] + 2) == BACKGROUND]
    return row[0], rows[0], row[-1] + 1


def check(test, command, **options):
    result = subprocess.run(command, capture_output=True, encoding='utf-8', errors='replace',
                            **options)
    test.assertEqual(result.returncode, 0,
                     f'{command}:\n{result.stdout[-6000:]}{result.stderr[-3000:]}')


class Debian13(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        if os.geteuid() != 0:
            raise AssertionError('making a Debian 13 system takes root')
        make_system()

    def test_installed_built_and_started_by_the_scripts(self):
        server = XServer(1280, 1024)
        self.addCleanup(server.stop)
        log = open(os.path.join(SYSTEM, 'start.log'), 'w+')
        self.addCleanup(log.close)
        start = subprocess.Popen(in_system('/src/scripts/start.sh', display=server.display),
                                 stdout=log, stderr=subprocess.STDOUT)
        self.addCleanup(lambda: start.poll() is None and start.kill())

        deadline = time.monotonic() + 600
        while not server.find(CAPTION):
            if start.poll() is not None or time.monotonic() > deadline:
                log.seek(0)
                self.fail(f'no box; start.sh ended with {start.poll()}:\n{log.read()[-4000:]}')
            time.sleep(0.2)
        server.press_return_on(server.wait_window(CAPTION))
        window = server.wait_window(TITLE)
        time.sleep(0.3)
        first = server.window_shot(window)
        time.sleep(0.5)
        self.assertNotEqual(first, server.window_shot(window), 'the model should be turning')
        server.xdotool('windowfocus', window[0])
        server.xdotool('key', 'Escape')
        self.assertEqual(start.wait(timeout=15), 0)

    def test_its_emscripten_builds_the_site_that_the_browser_tests_pass(self):
        check(self, in_system('/src/scripts/install-deps.sh', '--web'))
        check(self, in_system('sh', '-c', 'cd /src && emcmake cmake -S . -B build-web '
                              '-DCMAKE_BUILD_TYPE=Release && cmake --build build-web'))
        env = dict(os.environ, WEB_BUILD=os.path.join(SYSTEM, 'src', 'build-web'))
        for suite in ('test_gl.mjs', 'test_viewer.mjs'):
            check(self, ['node', '--test', suite], cwd=os.path.join(SOURCE, 'tests', 'web'), env=env)

    def test_gtk_title_bars_where_the_desktop_draws_none(self):
        # Built as the start script builds it, which installed libdecor's GTK plugin.
        check(self, in_system('sh', '-c', 'cd /src && scripts/install-deps.sh && cmake -S . -B build '
                              '-DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF && '
                              'cmake --build build --target trackball-viewer'))
        sway = Sway(1280, 800, 1)
        self.addCleanup(sway.stop)
        # A home the user may write in, where Mesa keeps its shader cache.
        desktop = dict(XDG_RUNTIME_DIR=sway.env['XDG_RUNTIME_DIR'],
                       HOME=sway.env['XDG_RUNTIME_DIR'], WAYLAND_DISPLAY=sway.nested_weston())
        reader = ScreenReader(self, sway.start)

        def start(**env):
            viewer = subprocess.Popen(
                in_system(*AS_USER, '/src/build/trackball-viewer', env=dict(desktop, **env)),
                stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
            self.addCleanup(lambda: viewer.poll() is None and viewer.kill())
            return viewer

        # GTK's own header bars, in Adwaita's light grey with the caption dark on it.
        adwaita = lambda colour: all(205 < c < 235 for c in colour)

        def window_frame(viewer):
            for _ in range(100):
                pixels = sway.screenshot({'rect': dict(x=0, y=0, width=1280, height=800)})[2]
                if bytes(BACKGROUND) in pixels:
                    break
                self.assertIsNone(viewer.poll())
                time.sleep(0.1)
            left, top, right = content(pixels, 1280)
            colour, height, caption = title_bar(pixels, 1280, left + 4, top)
            self.assertTrue(adwaita(colour), f'the title bar is {colour}')
            self.assertGreater(caption, 20, 'title')
            return left, top, right, height

        # The box moved by its bar and closed by its button; the window turned by a
        # drag and ended by Esc.
        viewer = start()
        drag_and_close_box(self, sway, viewer, adwaita)
        left, top, right, _ = window_frame(viewer)
        middle = (left + right) // 2
        sway.pointer(f'move {middle} {top + 200}', 'press', 'release')
        time.sleep(0.3)
        still = sway.screenshot({'rect': dict(x=left, y=top, width=right - left, height=300)})
        sway.pointer('press', *(f'move {middle + 40 * i} {top + 200}' for i in range(1, 5)),
                     'release')
        time.sleep(0.3)
        self.assertNotEqual(still, sway.screenshot(
            {'rect': dict(x=left, y=top, width=right - left, height=300)}), 'a drag turns it')
        sway.key('Escape')
        self.assertEqual((wait_exit(viewer), viewer.stderr.read()), (0, b''))

        # A screen reader reads the box beside GTK; OK, then the window's close button,
        # end it. A GDK_BACKEND meant for GTK programs changes nothing.
        viewer = start(GDK_BACKEND='x11', **reader.env)
        dialog = reader.tree(['dialog'])['children'][0]
        self.assertEqual([(c['role'], c['name']) for c in [dialog, *dialog['children']]],
                         [('dialog', CAPTION), ('label', TEXT), ('push button', 'OK')])
        _, (_, _, right, bottom) = sway.frames(viewer)
        sway.pointer(f'move {right - 56} {bottom - 23}', 'press', 'release')
        self.assertEqual(reader.tree(['frame'])['children'][0]['name'], TITLE)
        left, top, right, height = window_frame(viewer)
        sway.pointer(f'move {right - 16} {top - height // 2}', 'press', 'release')
        self.assertEqual((wait_exit(viewer), viewer.stderr.read()), (0, b''))


if __name__ == '__main__':
    unittest.main()
