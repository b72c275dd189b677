"""Debian 13 (trixie), as a new user there has it: a minimal system made from Debian's
own packages, in which this tree's scripts install what is missing, build the viewer and
start it on an X display of the host's, and in which Debian 13's Emscripten builds the
site that the host's browser tests then run against.

The system is kept in the build folder and reused; the tree is copied in afresh."""
import os
import shutil
import subprocess
import time
import unittest

from viewer import CAPTION, TITLE
from xsession import XServer

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
    for sockets in ('/tmp/.X11-unix', os.path.join(SYSTEM, 'tmp', '.X11-unix')):
        os.makedirs(sockets, exist_ok=True)
        os.chmod(sockets, 0o1777)


def in_system(*command, display=None):
    """The command inside the system, with its own /proc, the host's devices and X
    sockets, in a mount namespace that takes those mounts away when it ends."""
    mounts = ('mount -t proc proc "$0/proc" && mount --rbind /dev "$0/dev" && '
              'mount --bind /tmp/.X11-unix "$0/tmp/.X11-unix" && exec chroot "$0" "$@"')
    env = [f'DISPLAY={display}'] if display else []
    return ['unshare', '--mount', '--fork', '--', 'sh', '-c', mounts, SYSTEM, *LOGIN, *env,
            *command]


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

if __name__ == '__main__':
    unittest.main()
