import os
import signal
import struct
import subprocess
import time
import unittest
import zlib

from viewer import APP_ID, CAPTION, TEXT, TITLE, Viewer, open_viewer
from xsession import XServer, minor_faults


def menu_icon_alpha():
    """The alpha of each pixel of the 32-pixel menu icon, an unfiltered RGBA PNG."""
    with open(os.path.join(os.path.dirname(__file__), '../../assets/icon-32.png'), 'rb') as png:
        data = png.read()
    start = data.index(b'IDAT') + 4
    rows = zlib.decompress(data[start:start + struct.unpack('>I', data[start - 8:start - 4])[0]])
    return [rows[y * 129 + 1 + 4 * x + 3] for y in range(32) for x in range(32)]


class Startup(unittest.TestCase):
    def test_instruction_box_comes_first_then_the_turning_window(self):
        server = XServer(1280, 1024)
        self.addCleanup(server.stop)
        viewer = Viewer(server)
        self.addCleanup(viewer.kill)

        box = viewer.wait_window(CAPTION)
        self.assertEqual(viewer.message_boxes(), [[TEXT, 'OK']])
        # Known by the menu entry's id, which desktops match to the entry, and its process.
        self.assertEqual(server.run('xprop', '-id', box[0], '-notype', 'WM_CLASS', '_NET_WM_PID'),
                         f'WM_CLASS = "{APP_ID}", "{APP_ID}"\n'
                         f'_NET_WM_PID = {viewer.process.pid}\n')
        # The box blocks start-up: no window is made until it is dismissed.
        time.sleep(1.0)
        self.assertEqual([w[1] for w in server.windows()], [CAPTION])

        server.press_return_on(box)
        window = viewer.wait_window(TITLE)
        self.assertEqual(window[2:], (50, 50, 819, 819))
        server.wait_gone(CAPTION)
        self.assertIn(f'"{APP_ID}"\n', server.run('xprop', '-id', window[0], 'WM_CLASS'))
        # Readers of the legacy title properties take them for Latin-1.
        for name in ('WM_NAME', 'WM_ICON_NAME'):
            legacy = server.run('xprop', '-id', window[0], '-f', name, '8x', name)
            self.assertEqual(legacy.split(' = ')[0], f'{name}(STRING)')
            self.assertEqual(bytes(int(b, 16) for b in legacy.split(' = ')[1].split(', ')),
                             TITLE.encode('latin-1'))
        # The window shows the class's icon: the menu icon's shell, clear where it is.
        icon = server.run('xprop', '-id', window[0], '-notype', '-f', '_NET_WM_ICON', '32c',
                          '=$0+', '_NET_WM_ICON')
        self.assertIn('=', icon, 'the window should have an icon')
        icon = icon.split('=', 1)[1].split(',')
        self.assertEqual([int(n) for n in icon[:2]], [32, 32])
        self.assertEqual([int(n) >> 24 for n in icon[2:]], menu_icon_alpha())

        time.sleep(0.3)
        first = server.window_shot(window)
        time.sleep(0.5)
        self.assertNotEqual(first, server.window_shot(window), 'the model should be turning')

        server.run(os.environ['XPROBE'], 'close', window[0])
        self.assertEqual(viewer.wait_exit(), 0)

    def test_asked_to_end_while_the_box_is_up_it_ends_at_once(self):
        server = XServer(1280, 1024)
        self.addCleanup(server.stop)
        for signal_number in (signal.SIGTERM, signal.SIGINT):
            viewer = Viewer(server)
            self.addCleanup(viewer.kill)
            viewer.wait_window(CAPTION)
            sent = time.monotonic()
            viewer.process.send_signal(signal_number)
            self.assertEqual(viewer.wait_exit(5), 0)
            self.assertLess(time.monotonic() - sent, 1.0, signal_number)
            server.wait_gone(CAPTION, 1)
            self.assertNotIn(TITLE, [w[1] for w in server.windows()])

    def test_every_start_reaches_its_window(self):
        server = XServer(1280, 1024)
        self.addCleanup(server.stop)
        for start in range(int(os.environ.get('STARTS', '20'))):
            viewer = Viewer(server)
            self.addCleanup(viewer.kill)
            box = viewer.wait_window(CAPTION)
            # An X server whose last client leaves resets and drops what clients left on
            # it, refusing connections meanwhile: a start must never leave it clientless.
            server.run('xprop', '-root', '-f', 'VIEWER_PROBE', '8s', '-set', 'VIEWER_PROBE', 'kept')
            server.press_return_on(box)
            window = viewer.wait_window(TITLE)
            self.assertIn('kept', server.run('xprop', '-root', 'VIEWER_PROBE'), f'start {start}')
            server.xdotool('windowfocus', window[0])
            server.xdotool('key', 'Escape')
            self.assertEqual(viewer.wait_exit(), 0, f'start {start}')

    def test_starts_on_x11_whatever_video_driver_the_environment_names(self):
        server, viewer, window = open_viewer(self, SDL_VIDEODRIVER='wayland')
        server.run(os.environ['XPROBE'], 'close', window[0])
        self.assertEqual(viewer.wait_exit(), 0)

    def test_without_a_display_it_says_so_and_ends(self):
        # A Wayland display named where no compositor answers is said too.
        for display, wayland in ((None, None), (':97', None), (None, 'wayland-97')):
            env = {k: v for k, v in os.environ.items() if k != 'DISPLAY'}
            env.update({k: v for k, v in (('DISPLAY', display), ('WAYLAND_DISPLAY', wayland),
                                          ('XDG_RUNTIME_DIR', '/tmp')) if v})
            result = subprocess.run([os.environ['VIEWER']], env=env, capture_output=True,
                                    encoding='utf-8', timeout=30)
            self.assertEqual(result.returncode, 1)
            self.assertEqual(result.stdout, '')
            expected = f'"{display}"' if display else '(DISPLAY is not set)'
            tried = f'the Wayland display "{wayland}" nor ' if wayland else ''
            self.assertEqual(result.stderr,
                             f'trackball-viewer: cannot open {tried}the X display {expected}\n')

    def test_square_window_of_a_smaller_screen_keeps_its_size(self):
        server, viewer, window = open_viewer(self, 1024, 768)
        self.assertEqual(window[2:], (50, 50, 614, 614))

        self.assertEqual(server.run(os.environ['XPROBE'], 'size', window[0], '400', '300'),
                         '400 300\n')
        time.sleep(0.5)
        self.assertEqual(server.wait_window(TITLE)[2:], (50, 50, 614, 614))

        # Asked to end, the program still tears down and exits cleanly.
        viewer.process.send_signal(signal.SIGTERM)
        self.assertEqual(viewer.wait_exit(), 0)

    def test_frames_reuse_the_memory_of_the_frames_before(self):
        server, viewer, window = open_viewer(self, 1024, 768)
        time.sleep(1.0)  # past the first frames, which build the driver's state
        before = minor_faults(viewer.process.pid)
        frames = int(server.run(os.environ['XPROBE'], 'frames', window[0], '2'))
        faults = minor_faults(viewer.process.pid) - before
        self.assertGreater(frames, 10, 'the model should be turning')
        # Memory handed back to the kernel and asked for again costs hundreds of page
        # faults a frame; a heap that keeps it costs none once the model turns.
        self.assertLess(faults, frames, f'{faults} page faults over {frames} frames')

    def test_display_without_opengl_reports_the_pixel_format_failure(self):
        server = XServer(1280, 1024, extra=('-extension', 'GLX'))
        self.addCleanup(server.stop)
        viewer = Viewer(server)
        self.addCleanup(viewer.kill)

        server.press_return_on(server.wait_window(CAPTION))
        error = server.wait_window('Error')
        self.assertEqual(viewer.message_boxes()[-1], ['ChoosePixelFormat failed', 'OK'])
        self.assertNotIn(TITLE, [w[1] for w in server.windows()])
        server.press_return_on(error)
        self.assertEqual(viewer.wait_exit(), 1)


if __name__ == '__main__':
    unittest.main()
