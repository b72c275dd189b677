"""Installing the viewer as a desktop program: into a staging directory, as a Debian
package, as a zip for Windows; and the run command installing only what running needs."""
import os
import shutil
import struct
import subprocess
import tempfile
import unittest
import zipfile

from viewer import CAPTION, TITLE
from xsession import FOR_WINE, XServer, wait_exit

BUILD = os.environ.get('BUILD_DIR', '')
SOURCE = os.path.join(os.path.dirname(__file__), '..', '..')
APP_ID = 'org.trackball_viewer.TrackballViewer'
INSTALLED = [
    'usr/bin/trackball-viewer',
    f'usr/share/applications/{APP_ID}.desktop',
    f'usr/share/metainfo/{APP_ID}.metainfo.xml',
    f'usr/share/icons/hicolor/32x32/apps/{APP_ID}.png',
    f'usr/share/icons/hicolor/256x256/apps/{APP_ID}.png',
    'usr/share/man/man1/trackball-viewer.1',
    'usr/share/doc/trackball-viewer/copyright',
]


def run(*args, **kwargs):
    return subprocess.run(args, capture_output=True, encoding='utf-8', errors='replace',
                          timeout=300, check=True, **kwargs).stdout


def png_size(path):
    with open(path, 'rb') as png:
        header = png.read(24)
    return struct.unpack('>II', header[16:24])


def start_and_quit(test, command, env=None, timeout=30, extra=()):
    """Starts a build as a user does, reaches its window and closes it with Esc."""
    server = XServer(extra=extra)
    test.addCleanup(server.stop)
    process = subprocess.Popen(command, env=dict(server.env, **(env or {})),
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    test.addCleanup(lambda: process.poll() is None and process.kill())
    server.press_return_on(server.wait_window(CAPTION, timeout))
    window = server.wait_window(TITLE, timeout)
    server.xdotool('windowfocus', window[0])
    server.xdotool('key', 'Escape')
    test.assertEqual(wait_exit(process, timeout), 0)


class Install(unittest.TestCase):
    def staging(self):
        path = tempfile.mkdtemp(prefix='viewer-install-')
        self.addCleanup(shutil.rmtree, path, ignore_errors=True)
        return path

    def test_installed_files_validate_and_the_program_starts(self):
        root = self.staging()
        run('cmake', '--install', BUILD, '--prefix', '/usr', env=dict(os.environ, DESTDIR=root))
        for path in INSTALLED:
            self.assertTrue(os.path.isfile(os.path.join(root, path)), path)
        share = os.path.join(root, 'usr/share')
        run('desktop-file-validate', f'{share}/applications/{APP_ID}.desktop')
        run('appstreamcli', 'validate', '--no-net', f'{share}/metainfo/{APP_ID}.metainfo.xml')
        self.assertEqual(png_size(f'{share}/icons/hicolor/32x32/apps/{APP_ID}.png'), (32, 32))
        self.assertEqual(png_size(f'{share}/icons/hicolor/256x256/apps/{APP_ID}.png'),
                         (256, 256))
        start_and_quit(self, [os.path.join(root, 'usr/bin/trackball-viewer')])

    def test_debian_package_holds_the_files_and_names_the_libraries(self):
        out = self.staging()
        run('cpack', '-G', 'DEB', '--config', os.path.join(BUILD, 'CPackConfig.cmake'), '-B', out)
        package = [f for f in os.listdir(out) if f.endswith('.deb')]
        self.assertEqual(len(package), 1, os.listdir(out))
        package = os.path.join(out, package[0])
        contents = run('dpkg-deb', '-c', package)
        for path in INSTALLED:
            self.assertIn(f' ./{path}\n', contents)
        depends = [d.strip().split(' ')[0] for d in run('dpkg-deb', '-f', package, 'Depends').split(',')]
        for library in ('libc6', 'libstdc++6', 'libsdl2-2.0-0', 'libopengl0', 'libgl1', 'libx11-6',
                        'libglx-mesa0', 'libgl1-mesa-dri'):
            self.assertIn(library, depends)
        self.assertIn('MIT License', run('sh', '-c', f'dpkg-deb --fsys-tarfile {package} | '
                                         'tar -xO ./usr/share/doc/trackball-viewer/copyright'))

    @unittest.skipUnless(os.environ.get('WINDOWS_VIEWER'), 'no Windows build')
    def test_windows_zip_runs_on_its_own(self):
        out = self.staging()
        run('cpack', '--config', os.path.join(BUILD, 'windows', 'CPackConfig.cmake'), '-B', out)
        archive = [f for f in os.listdir(out) if f.endswith('.zip')]
        self.assertEqual(len(archive), 1, os.listdir(out))
        with zipfile.ZipFile(os.path.join(out, archive[0])) as z:
            names = sorted(os.path.basename(n) for n in z.namelist() if not n.endswith('/'))
            self.assertEqual(names, ['LICENSE.txt', 'README.txt', 'trackball-viewer.exe'])
            z.extractall(out)
        exe = [os.path.join(d, 'trackball-viewer.exe') for d, _, files in os.walk(out)
               if 'trackball-viewer.exe' in files][0]
        prefix = self.staging()
        env = dict(WINEPREFIX=prefix, WINEDLLOVERRIDES='mscoree,mshtml=', WINEDEBUG='-all')
        server = XServer(extra=FOR_WINE)
        try:
            subprocess.run(['wineboot', '-i'], env=dict(server.env, **env), capture_output=True,
                           timeout=300, check=True)
        finally:
            server.stop()
        self.addCleanup(subprocess.run, ['wineserver', '-k'], env=dict(os.environ, **env),
                        capture_output=True, timeout=60)
        start_and_quit(self, ['wine', exe], env, timeout=60, extra=FOR_WINE)

    def test_run_command_installs_no_test_tools(self):
        with open(os.path.join(SOURCE, 'scripts', 'start.sh')) as start:
            installs = [line for line in start if 'install-deps.sh' in line]
        self.assertEqual(len(installs), 1)
        self.assertNotIn('--tests', installs[0])
        run_packages = run(os.path.join(SOURCE, 'scripts', 'install-deps.sh'), '--list').split()
        test_packages = set(run(os.path.join(SOURCE, 'scripts', 'install-deps.sh'), '--tests',
                                '--list').split()) - set(run_packages)
        for tool in ('xvfb', 'xdotool', 'wine', 'wine64', 'g++-mingw-w64-x86-64', 'libgtest-dev',
                     'imagemagick', 'libosmesa6-dev', 'openbox', 'python3'):
            self.assertNotIn(tool, run_packages)
            self.assertIn(tool, test_packages)
        for needed in ('cmake', 'libsdl2-dev', 'libgl-dev', 'xfonts-base'):
            self.assertIn(needed, run_packages)


if __name__ == '__main__':
    unittest.main()
