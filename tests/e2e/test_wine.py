"""The Windows build, run under Wine on a private X display."""
import os
import re
import shutil
import subprocess
import tempfile
import time
import unittest

from viewer import BACKGROUND, CAPTION, FOG_BACKGROUND, TEXT, TITLE
from xsession import FOR_WINE, XServer, count_colour, pixel, wait_exit, wine_prefix


class Wine(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        # A prefix takes seconds to make: one for the whole module.
        cls.prefix = tempfile.mkdtemp(prefix='viewer-wine-')
        cls.wine_env = wine_prefix(cls.prefix)

    @classmethod
    def tearDownClass(cls):
        subprocess.run(['wineserver', '-k'], env=dict(os.environ, **cls.wine_env),
                       capture_output=True, timeout=60)
        shutil.rmtree(cls.prefix, ignore_errors=True)

    def start(self, width=1280, height=1024, **env):
        self.server = XServer(width, height, extra=FOR_WINE)
        self.addCleanup(self.server.stop)
        # The message-box channel traces the text each box shows.
        env = dict(self.server.env, **self.wine_env, **env)
        env['WINEDEBUG'] = '-all,trace+msgbox'
        self.trace = tempfile.TemporaryFile()
        self.process = subprocess.Popen(['wine', os.environ['WINDOWS_VIEWER']], env=env,
                                        stdout=subprocess.DEVNULL, stderr=self.trace)
        self.addCleanup(self.kill)
        box = self.server.wait_window(CAPTION, timeout=60)
        self.assertEqual([w[1] for w in self.server.windows() if w[1] == TITLE], [])
        self.server.press_return_on(box)
        self.window = self.server.wait_window(TITLE, timeout=60)
        time.sleep(1.0)

    def kill(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait()

    def traced_texts(self):
        self.trace.seek(0)
        return re.findall(r'MSGBOX_OnInit L"(.*)"', self.trace.read().decode('utf-8', 'replace'))

    def shot(self):
        return self.server.window_shot(self.window)

    def move(self, dx, dy):
        self.server.xdotool('mousemove', self.window[2] + dx, self.window[3] + dy)

    def assert_still(self):
        time.sleep(0.5)
        first = self.shot()
        time.sleep(0.5)
        self.assertEqual(first, self.shot())

    def assert_turning(self):
        first = self.shot()
        time.sleep(0.5)
        self.assertNotEqual(first, self.shot())

    def test_starts_turns_and_closes_by_its_close_box(self):
        self.start()
        self.assertEqual(self.traced_texts(), [TEXT])
        self.assert_turning()
        self.server.run(os.environ['XPROBE'], 'close', self.window[0])
        self.assertEqual(wait_exit(self.process, 30), 0)

    def test_a_portrait_screen_gets_a_square_that_fits_its_width(self):
        self.start(1080, 1920)
        # Wine draws its own frame, as wide on the left as on the right, with the outer
        # corner at (50, 50).
        _, _, x, _, width, _ = self.window
        self.assertEqual(width + 2 * (x - 50), 864)
        self.server.run(os.environ['XPROBE'], 'close', self.window[0])
        self.assertEqual(wait_exit(self.process, 30), 0)

    def test_title_reads_the_same_in_every_language(self):
        # Systems whose code page gives byte 0xB4 another letter: 1251 and 932.
        locales = tempfile.mkdtemp(prefix='viewer-locales-')
        self.addCleanup(shutil.rmtree, locales, ignore_errors=True)
        for name, charmap in (('ru_RU', 'UTF-8'), ('ja_JP', 'UTF-8')):
            subprocess.run(['localedef', '-i', name, '-f', charmap,
                            os.path.join(locales, f'{name}.{charmap}')],
                           capture_output=True, timeout=120, check=True)
            with self.subTest(locale=name):
                self.start(LOCPATH=locales, LC_ALL=f'{name}.{charmap}')
                self.assertEqual(self.window[1], TITLE)
                self.server.run(os.environ['XPROBE'], 'close', self.window[0])
                self.assertEqual(wait_exit(self.process, 30), 0)

    def test_mouse_and_keys(self):
        self.start()
        width = self.window[4]
        self.move(300, 300)
        self.server.xdotool('click', 1)
        self.assert_still()

        self.move(250, 300)
        self.server.xdotool('mousedown', 1)
        before = self.shot()
        for step in range(1, 6):
            self.move(250 + 20 * step, 300)
        time.sleep(0.5)
        self.assertNotEqual(before, self.shot())
        self.move(width + 100, 320)
        self.server.xdotool('mouseup', 1)
        self.assert_turning()

        self.move(300, 300)
        self.server.xdotool('click', 1)
        self.assert_still()

        self.server.xdotool('key', 'f')
        time.sleep(0.5)
        self.assertEqual(pixel(self.shot(), width, 5, 5), FOG_BACKGROUND)
        self.server.xdotool('key', 'f')
        time.sleep(0.5)
        filled = self.shot()
        self.assertEqual(pixel(filled, width, 5, 5), BACKGROUND)
        self.server.xdotool('key', 'p')
        time.sleep(0.5)
        self.assertGreater(count_colour(self.shot(), BACKGROUND), count_colour(filled, BACKGROUND))
        self.server.xdotool('key', 'p')

        self.server.xdotool('key', 'Escape')
        self.assertEqual(wait_exit(self.process, 30), 0)


if __name__ == '__main__':
    unittest.main()
