"""The viewer on desktops with a window manager, started as from a menu: it keeps the
geometry Windows gives it, frame included, whatever the user does to the window, and
has nothing to say while all is well."""
import json
import os
import subprocess
import time
import unittest

from viewer import (BACKGROUND, CAPTION, TEXT, TITLE, ScreenReader, Viewer, open_viewer, outer,
                    session_bus)
from xsession import XServer, cpu_seconds, wait_exit


def model_box(shot, width, height):
    """The rectangle (left, top, right, bottom) the model covers in a shot."""
    xs, ys = [], []
    for y in range(0, height):
        row = shot[3 * width * y:3 * width * (y + 1)]
        for x in range(width):
            if tuple(row[3 * x:3 * x + 3]) != BACKGROUND:
                xs.append(x)
                ys.append(y)
                break
        for x in reversed(range(width)):
            if tuple(row[3 * x:3 * x + 3]) != BACKGROUND:
                xs.append(x)
                break
    return min(xs), min(ys), max(xs), max(ys)


def assert_idle_and_quiet_to_the_end(test, server, viewer):
    # Stopped, the viewer waits for messages: nothing goes on behind undone sizes.
    window = server.find(TITLE)
    server.xdotool('mousemove', window[2] + window[4] // 2, window[3] + window[5] // 2)
    server.xdotool('click', 1)
    time.sleep(1.0)
    before, start = cpu_seconds(viewer.process.pid), time.monotonic()
    time.sleep(2.0)
    used = (cpu_seconds(viewer.process.pid) - before) / (time.monotonic() - start)
    test.assertLess(used, 0.02, f'{100 * used:.1f} % CPU while stopped')

    server.xdotool('key', 'Escape')
    test.assertEqual(viewer.wait_exit(), 0)
    test.assertEqual(viewer.process.stderr.read().decode(errors='replace'), '',
                     'nothing to say when all is well')


class UnderAWindowManager(unittest.TestCase):
    def assert_back(self, what):
        deadline = time.monotonic() + 5
        while (now := outer(self.server)) != (50, 50, 819, 819) and time.monotonic() < deadline:
            time.sleep(0.1)
        self.assertEqual(now, (50, 50, 819, 819), what)

    def check_keeps_its_geometry(self, window_manager, **env):
        self.server, viewer, window = open_viewer(self, window_manager=window_manager, **env)
        # Windows' outer size, at Windows' position, on a 1024-pixel-high screen.
        self.assertEqual(outer(self.server), (50, 50, 819, 819))
        if window_manager:
            self.assertGreater(sum(self.server.find(TITLE)[6]), 0, 'a frame around the client')
        first = self.server.window_shot(window)
        time.sleep(0.5)
        self.assertNotEqual(first, self.server.window_shot(window), 'the model should turn')

        # Each change is seen made, or refused, before its undoing is awaited: a window
        # manager carries requests out in its own time.
        xprobe = os.environ['XPROBE']
        self.server.run(xprobe, 'size', window[0], '400', '300')
        self.assert_back('after a resize')
        self.server.run(xprobe, 'state', window[0], 'add', 'MAXIMIZED_VERT', 'MAXIMIZED_HORZ')
        self.assert_back('after maximising')
        self.server.run(xprobe, 'state', window[0], 'add', 'FULLSCREEN')
        self.assert_back('after fullscreen')
        assert_idle_and_quiet_to_the_end(self, self.server, viewer)

    def test_no_window_manager(self):
        # A session bus without screen readers' services: nothing to say of them either.
        self.check_keeps_its_geometry(None, **session_bus(self.addCleanup, services=False))

    def test_openbox(self):
        self.check_keeps_its_geometry('openbox')

    def test_fluxbox(self):
        self.check_keeps_its_geometry('fluxbox')

    def test_icewm(self):
        self.check_keeps_its_geometry('icewm')

    def test_metacity(self):
        self.check_keeps_its_geometry('metacity')


class UnderATilingWindowManager(unittest.TestCase):
    def i3_rect(self):
        """The rectangle i3 gives the window's container, frame included."""
        def find(node):
            if node.get('name') == TITLE:
                return node
            for child in node.get('nodes', []) + node.get('floating_nodes', []):
                found = find(child)
                if found:
                    return found
            return None
        tree = json.loads(self.server.run('i3-msg', '-t', 'get_tree'))
        rect = find(tree)['rect']
        return rect['x'], rect['y'], rect['width'], rect['height']

    def wait_client_width(self, width):
        deadline = time.monotonic() + 5
        while (window := self.server.find(TITLE)[:6])[4] != width:
            self.assertLess(time.monotonic(), deadline, f'no tile {width} pixels wide')
            time.sleep(0.1)
        time.sleep(0.5)
        return window

    def assert_whole_and_centred(self, window, floating, scale):
        _, _, _, _, width, height = window
        left, top, right, bottom = model_box(self.server.window_shot(window), width, height)
        f_left, f_top, f_right, f_bottom = floating['box']
        f_width, f_height = floating['size']
        # Where the model lies, as measured from the client area's centre, scaled.
        expected = ((f_left - f_width / 2) * scale + width / 2,
                    (f_top - f_height / 2) * scale + height / 2,
                    (f_right - f_width / 2) * scale + width / 2,
                    (f_bottom - f_height / 2) * scale + height / 2)
        for got, want in zip((left, top, right, bottom), expected):
            self.assertLessEqual(abs(got - want), 3, ((left, top, right, bottom), expected))

    def test_i3(self):
        self.server, viewer, window = open_viewer(self, window_manager='i3')
        # A window of fixed size floats, at Windows' geometry.
        self.assertEqual(self.i3_rect(), (50, 50, 819, 819))
        first = self.server.window_shot(window)
        time.sleep(0.5)
        self.assertNotEqual(first, self.server.window_shot(window), 'the model should turn')

        # Stopped, the picture stays the same while the window is tiled.
        window = self.server.find(TITLE)[:6]
        self.server.xdotool('mousemove', window[2] + 400, window[3] + 400)
        self.server.xdotool('click', 1)
        time.sleep(0.5)
        shot = self.server.window_shot(window)
        floating = {'box': model_box(shot, window[4], window[5]), 'size': window[4:6]}

        self.server.run('i3-msg', f'[title="{TITLE}"] floating disable')
        tile = self.wait_client_width(1276)
        self.assert_whole_and_centred(tile, floating, 1.0)

        other = subprocess.Popen(['xmessage', 'another window'], env=self.server.env,
                                 stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.addCleanup(lambda: other.poll() is None and other.kill())
        tile = self.wait_client_width(636)
        scale = min(636 / floating['size'][0], tile[5] / floating['size'][1])
        self.assert_whole_and_centred(tile, floating, scale)

        # A drag from the middle of the picture turns the model.
        _, _, x, y, width, height = tile
        before = self.server.window_shot(tile)
        self.server.xdotool('mousemove', x + width // 2, y + height // 2)
        self.server.xdotool('mousedown', 1)
        for step in range(1, 6):
            self.server.xdotool('mousemove', x + width // 2 + 15 * step, y + height // 2)
        self.server.xdotool('mouseup', 1)
        time.sleep(0.5)
        self.assertNotEqual(before, self.server.window_shot(tile))

        other.kill()
        wait_exit(other)
        self.wait_client_width(1276)
        assert_idle_and_quiet_to_the_end(self, self.server, viewer)


def shape(node):
    return node['role'], node['name'], [shape(child) for child in node['children']]


class ReadByScreenReaders(unittest.TestCase):
    def start(self, depth):
        """The viewer on an accessibility bus, its box up: the server, the reader's view
        and the viewer."""
        server = XServer(depth=depth)
        self.addCleanup(server.stop)
        reader = ScreenReader(self, server.start)
        viewer = Viewer(server, **reader.env)
        self.addCleanup(viewer.kill)
        viewer.wait_window(CAPTION)
        app = reader.tree(['dialog'])
        self.assertEqual(shape(app), ('application', 'Trackball Viewer', [
            ('dialog', CAPTION, [('label', TEXT, []), ('push button', 'OK', [])])]))
        button = app['children'][0]['children'][1]
        self.assertEqual(button['actions'], ['click'])
        self.assertIn('focused', button['states'])
        # OK's action does what Return does.
        reader.click()
        return server, reader, viewer

    def test_the_box_and_the_window(self):
        server, reader, viewer = self.start(24)
        window = viewer.wait_window(TITLE)
        server.wait_gone(CAPTION)
        # Read while the stopped model leaves the program waiting.
        server.xdotool('mousemove', window[2] + 400, window[3] + 400)
        server.xdotool('click', 1)
        app = reader.tree(['frame'])
        self.assertEqual(shape(app), ('application', 'Trackball Viewer', [('frame', TITLE, [])]))
        self.assertIn('active', app['children'][0]['states'])
        assert_idle_and_quiet_to_the_end(self, server, viewer)
        # What makes a screen reader speak as each appears.
        self.assertEqual(reader.heard, [['window:activate', 'dialog', CAPTION, 0],
                                        ['object:state-changed:focused', 'push button', 'OK', 1],
                                        ['object:state-changed:focused', 'push button', 'OK', 0],
                                        ['window:activate', 'frame', TITLE, 0]])

    def test_on_a_colour_map_the_error_box_is_an_alert(self):
        # No OpenGL visual at 8 bits: the pixel format fails.
        _, reader, viewer = self.start(8)
        app = reader.tree(['alert'])
        self.assertEqual(shape(app), ('application', 'Trackball Viewer', [
            ('alert', 'Error', [('label', 'ChoosePixelFormat failed\n', []),
                                ('push button', 'OK', [])])]))
        reader.click()
        self.assertEqual(viewer.wait_exit(), 1)


if __name__ == '__main__':
    unittest.main()
