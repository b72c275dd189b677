"""Installing the viewer as a desktop program: into a staging directory, as a Debian
package, as a zip for Windows; and the run command installing only what running needs."""
import glob
import os
import re
import shutil
import struct
import subprocess
import tempfile
import unittest
import zipfile
from xml.etree import ElementTree

from viewer import APP_ID, CAPTION, TITLE
from xsession import FOR_WINE, XServer, wait_exit, wine_prefix

BUILD = os.environ.get('BUILD_DIR', '')
SOURCE = os.path.join(os.path.dirname(__file__), '..', '..')
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


def project_version():
    with open(os.path.join(SOURCE, 'CMakeLists.txt')) as cmake:
        return re.search(r'project\(trackball_viewer VERSION (\d+\.\d+\.\d+)', cmake.read()).group(1)


def pe_resources(path):
    """The resources of a Windows program, as {(type, id): bytes}, read from the tree of
    directories in its .rsrc section."""
    with open(path, 'rb') as f:
        image = f.read()
    header = struct.unpack_from('<I', image, 0x3C)[0]
    sections, optional_size = struct.unpack_from('<H12xH', image, header + 6)
    table = header + 24 + optional_size
    for i in range(sections):
        name, _, address, _, raw = struct.unpack_from('<8sIIII', image, table + 40 * i)
        if name.rstrip(b'\0') == b'.rsrc':
            break
    else:
        return {}

    def entries(offset):
        named, numbered = struct.unpack_from('<12xHH', image, raw + offset)
        for k in range(named + numbered):
            key, target = struct.unpack_from('<II', image, raw + offset + 16 + 8 * k)
            yield key, target

    found = {}
    for kind, types in entries(0):
        for name, names in entries(types & 0x7FFFFFFF):
            for _, leaf in entries(names & 0x7FFFFFFF):
                data, size = struct.unpack_from('<II', image, raw + leaf)
                found[(kind, name)] = image[raw + data - address:raw + data - address + size]
    return found


def version_strings(info):
    """The strings of a VERSIONINFO resource: UTF-16 name, padding, UTF-16 value."""
    text = info.decode('utf-16-le', errors='replace')
    return dict(re.findall(r'([A-Za-z]+)\x00+([^\x00]+)\x00', text))


def shortcut_target(link):
    """The local path a Windows shortcut (.lnk) points at: its link information's base
    path, after the item list where there is one."""
    flags = struct.unpack_from('<I', link, 0x14)[0]
    info = 0x4C
    if flags & 1:
        info += 2 + struct.unpack_from('<H', link, info)[0]
    base = info + struct.unpack_from('<I', link, info + 16)[0]
    return link[base:link.index(b'\0', base)].decode('cp1252')


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
                        'libglx-mesa0', 'libgl1-mesa-dri', 'libegl-mesa0', 'libwayland-client0'):
            self.assertIn(library, depends)
        self.assertIn('MIT License', run('sh', '-c', f'dpkg-deb --fsys-tarfile {package} | '
                                         'tar -xO ./usr/share/doc/trackball-viewer/copyright'))

    @unittest.skipUnless(os.environ.get('WINDOWS_VIEWER'), 'no Windows build')
    def test_windows_program_describes_itself(self):
        resources = pe_resources(os.environ['WINDOWS_VIEWER'])
        version = project_version()

        # Its manifest: sharp on scaled displays, current controls, no elevation.
        manifest = ElementTree.fromstring(resources[(24, 1)])
        settings = {e.tag.split('}')[1]: e.text for e in manifest.iter()
                    if e.tag.endswith('}dpiAware') or e.tag.endswith('}dpiAwareness')}
        self.assertEqual(settings, {'dpiAware': 'true/pm', 'dpiAwareness': 'PerMonitorV2, PerMonitor'})
        controls = [e.attrib for e in manifest.iter() if e.tag.endswith('}assemblyIdentity')
                    and e.get('name') == 'Microsoft.Windows.Common-Controls']
        self.assertEqual([c['version'] for c in controls], ['6.0.0.0'])
        systems = {e.get('Id') for e in manifest.iter() if e.tag.endswith('}supportedOS')}
        self.assertIn('{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}', systems)  # Windows 10 and 11
        levels = [e.get('level') for e in manifest.iter()
                  if e.tag.endswith('}requestedExecutionLevel')]
        self.assertEqual(levels, ['asInvoker'])

        # Its version, as Explorer's details show it, from the project's one version.
        info = resources[(16, 1)]
        fixed = info.index(struct.pack('<I', 0xFEEF04BD))
        numbers = struct.unpack_from('<HHHH', info, fixed + 8)
        self.assertEqual((numbers[1], numbers[0], numbers[3], numbers[2]),
                         tuple(int(n) for n in version.split('.')) + (0,))
        strings = version_strings(info)
        for key in ('FileDescription', 'ProductName'):
            self.assertEqual(strings[key], 'Trackball Viewer')
        self.assertEqual(strings['FileVersion'], version)
        self.assertEqual(strings['ProductVersion'], version)
        self.assertEqual(strings['CompanyName'], 'The Trackball Viewer developers')
        self.assertEqual(strings['LegalCopyright'],
                         'Copyright (c) 2026 The Trackball Viewer developers')
        self.assertEqual(strings['OriginalFilename'], 'trackball-viewer.exe')
        self.assertEqual(strings['InternalName'], 'trackball-viewer')

        # Icon 101: the two 32-pixel images of 16 and 256 colours, then each size Windows
        # draws, in true colour (a 256-pixel image is listed as size 0).
        group = resources[(14, 101)]
        count = struct.unpack_from('<H', group, 4)[0]
        images = [struct.unpack_from('<BBBxHH', group, 6 + 14 * i) for i in range(count)]
        self.assertEqual([(w, h, colours, bits) for w, h, colours, _, bits in images],
                         [(32, 32, 16, 4), (32, 32, 0, 8), (16, 16, 0, 32), (24, 24, 0, 32),
                          (48, 48, 0, 32), (0, 0, 0, 32)])

        # No debug information: the program is stripped, as the Linux one is.
        self.assertNotIn('.debug', run('x86_64-w64-mingw32-objdump', '-h',
                                       os.environ['WINDOWS_VIEWER']))
        self.assertIn('stripped', run('file', '-L', os.environ['VIEWER']))
        self.assertNotIn('not stripped', run('file', '-L', os.environ['VIEWER']))

    def wine_prefix(self):
        env = wine_prefix(self.staging())
        self.addCleanup(subprocess.run, ['wineserver', '-k'], env=dict(os.environ, **env),
                        capture_output=True, timeout=60)
        return env

    def windows_packages(self):
        out = self.staging()
        run('cpack', '--config', os.path.join(BUILD, 'windows', 'CPackConfig.cmake'), '-B', out)
        return out, sorted(f for f in os.listdir(out) if not f.startswith('_'))

    @unittest.skipUnless(os.environ.get('WINDOWS_VIEWER'), 'no Windows build')
    def test_windows_installer_installs_upgrades_and_uninstalls(self):
        out, packages = self.windows_packages()
        version = project_version()
        self.assertEqual(packages, [f'trackball-viewer-{version}-windows-x64.msi',
                                    f'trackball-viewer-{version}-windows-x64.zip'])
        newer_version = re.sub(r'\d+$', lambda m: str(int(m.group()) + 1), version)
        newer = os.path.join(out, 'newer.msi')
        run('cmake', f'-DMSI_PROGRAM={os.environ["WINDOWS_VIEWER"]}',
            f'-DMSI_VERSION={newer_version}', f'-DMSI_OUTPUT={newer}', '-P',
            os.path.join(SOURCE, 'cmake', 'make_msi.cmake'))
        env = self.wine_prefix()
        wine_env = dict(os.environ, **env)
        profile = [p for p in glob.glob(os.path.join(env['WINEPREFIX'], 'drive_c', 'users', '*'))
                   if os.path.basename(p) != 'Public'][0]
        program = os.path.join(profile, 'AppData', 'Local', 'Programs', 'Trackball Viewer',
                               'trackball-viewer.exe')
        shortcut = os.path.join(profile, 'AppData', 'Roaming', 'Microsoft', 'Windows',
                                'Start Menu', 'Programs', 'Trackball Viewer.lnk')

        def msiexec(*args):
            # msiexec's exit status says nothing under Wine: what it left is checked.
            subprocess.run(['wine', 'msiexec', *args, '/qn'], env=wine_env, capture_output=True,
                           timeout=120)
            subprocess.run(['wineserver', '-w'], env=wine_env, capture_output=True, timeout=60)

        def registry(key):
            """{subkey: {name: value}} of a key and all below it; empty where it is missing."""
            found = {}
            listing = subprocess.run(['wine', 'reg', 'query', key, '/s'], env=wine_env,
                                     capture_output=True, encoding='utf-8', errors='replace',
                                     timeout=60).stdout
            current = None
            for line in listing.splitlines():
                if line.startswith('HKEY_'):
                    current = found.setdefault(line.strip(), {})
                elif current is not None and (item := re.match(r'\s+(\S+)\s+REG_\w+\s+(.*)', line)):
                    current[item.group(1)] = item.group(2)
            return found

        def uninstall_entries():
            entries = registry(r'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall')
            entries.update(registry(r'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall'))
            return [e for e in entries.values() if e.get('DisplayName') == 'Trackball Viewer']

        def product_icons():
            products = registry(r'HKCU\Software\Microsoft\Installer\Products')
            return [p['ProductIcon'] for p in products.values()
                    if p.get('ProductName') == 'Trackball Viewer' and 'ProductIcon' in p]

        msiexec('/i', os.path.join(out, packages[0]))
        self.assertTrue(os.path.isfile(program))
        with open(shortcut, 'rb') as link:
            self.assertEqual(shortcut_target(link.read()),
                             'C:\\users\\' + os.path.basename(profile) +
                             '\\AppData\\Local\\Programs\\Trackball Viewer\\trackball-viewer.exe')
        entries = uninstall_entries()
        self.assertEqual([(e['DisplayVersion'], e['Publisher']) for e in entries],
                         [(version, 'The Trackball Viewer developers')])
        icons = product_icons()
        self.assertEqual(len(icons), 1)
        self.assertTrue(icons[0].lower().endswith('.ico'))
        start_and_quit(self, ['wine', program], env, timeout=60, extra=FOR_WINE)

        msiexec('/i', newer)
        self.assertEqual([e['DisplayVersion'] for e in uninstall_entries()], [newer_version])
        self.assertTrue(os.path.isfile(program))

        msiexec('/x', newer)
        self.assertFalse(os.path.exists(os.path.dirname(program)))
        self.assertFalse(os.path.exists(shortcut))
        self.assertEqual(uninstall_entries(), [])
        self.assertEqual(product_icons(), [])
        self.assertEqual(registry(r'HKCU\Software\Trackball Viewer'), {})

    @unittest.skipUnless(os.environ.get('WINDOWS_VIEWER'), 'no Windows build')
    def test_windows_zip_runs_on_its_own(self):
        out, _ = self.windows_packages()
        archive = [f for f in os.listdir(out) if f.endswith('.zip')]
        self.assertEqual(len(archive), 1, os.listdir(out))
        with zipfile.ZipFile(os.path.join(out, archive[0])) as z:
            names = sorted(os.path.basename(n) for n in z.namelist() if not n.endswith('/'))
            self.assertEqual(names, ['LICENSE.txt', 'README.txt', 'trackball-viewer.exe'])
            z.extractall(out)
        exe = [os.path.join(d, 'trackball-viewer.exe') for d, _, files in os.walk(out)
               if 'trackball-viewer.exe' in files and '_CPack_Packages' not in d][0]
        start_and_quit(self, ['wine', exe], self.wine_prefix(), timeout=60, extra=FOR_WINE)

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
        for needed in ('cmake', 'libsdl2-dev', 'libgl-dev', 'fonts-dejavu-core'):
            self.assertIn(needed, run_packages)


if __name__ == '__main__':
    unittest.main()
