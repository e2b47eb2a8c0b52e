"""Checks a Windows program of the project without running it: 32-bit (PE32) or 64-bit (PE32+)
as asked, wpconv.exe for the GUI subsystem and the others for the console, only Windows' own DLLs,
and the version resource and manifest read back.
Usage: check_program.py VERSION 32|64 PROGRAM...   Prints one line for each program."""
import re
import struct
import subprocess
import sys

OBJDUMP = {'32': 'i686-w64-mingw32-objdump', '64': 'x86_64-w64-mingw32-objdump'}
MAGIC = {'32': 'PE32', '64': 'PE32+'}
OWN_DLLS = {'kernel32.dll', 'user32.dll', 'msvcrt.dll'}
MANIFEST_SETTINGS = ['level="asInvoker"', r'<longPathAware[^>]*>true<',
                     re.escape('{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}'),  # Windows 10 and 11
                     re.escape('{35138b9a-5d96-4fbd-8e2d-a2440225f93a}')]  # Windows 7


def resource(program, kind):
    return subprocess.run(['wrestool', '-x', '--raw', '-t', str(kind), program],
                          capture_output=True).stdout


def version_faults(blob, version, name):
    """The fixed numbers and the strings Explorer shows."""
    fixed = blob.find(struct.pack('<I', 0xFEEF04BD))
    if fixed < 0:
        return ['no version resource']
    words = struct.unpack_from('<4I', blob, fixed + 8)  # file version, then product version
    numbers = [f'{ms >> 16}.{ms & 0xffff}.{ls >> 16}.{ls & 0xffff}'
               for ms, ls in (words[:2], words[2:])]
    quad = '.'.join((version.split('.') + ['0'] * 4)[:4])
    strings = dict(re.findall(r'(\w+)\x00+([^\x00]+)\x00', blob.decode('utf-16-le', 'replace')))
    expected = {'ProductName': 'wpconv', 'FileVersion': version, 'ProductVersion': version,
                'OriginalFilename': name,
                'LegalCopyright': 'Copyright (c) 2026 the wpconv authors'}
    faults = [f'{key} is {strings.get(key)!r}, expected {value!r}'
              for key, value in expected.items() if strings.get(key) != value]
    faults += [f'version number {number}, expected {quad}' for number in numbers if number != quad]
    if not strings.get('FileDescription'):
        faults.append('no FileDescription')
    return faults


def check(program, version, bits):
    name = program.rsplit('/', 1)[-1]
    dump = subprocess.run([OBJDUMP[bits], '-p', program], capture_output=True, text=True)
    if dump.returncode != 0:
        print(f'FAIL: {name}: not a {MAGIC[bits]} program: {dump.stderr.strip()}')
        return False
    headers = dump.stdout
    faults = []
    magic = re.search(r'^Magic\s+\w+\s+\((.*)\)$', headers, re.M)
    if not magic or magic.group(1) != MAGIC[bits]:
        faults.append(f'not {MAGIC[bits]} but {magic and magic.group(1)}')
    subsystem = re.search(r'^Subsystem\s+0*(\d+)', headers, re.M)
    wanted = '2' if name == 'wpconv.exe' else '3'  # the GUI or the console
    if not subsystem or subsystem.group(1) != wanted:
        faults.append(f'subsystem {subsystem and subsystem.group(1)}, expected {wanted}')
    dlls = {dll.lower() for dll in re.findall(r'^\tDLL Name: (.*)$', headers, re.M)}
    faults += [f'needs {dll}' for dll in sorted(dlls - OWN_DLLS)]
    faults += version_faults(resource(program, 16), version, name)
    manifest = resource(program, 24).decode('utf-8', 'replace')
    faults += [f'the manifest lacks {setting}' for setting in MANIFEST_SETTINGS
               if not re.search(setting, manifest)]
    if faults:
        print(f'FAIL: {name}: ' + '; '.join(faults))
        return False
    print(f'{name}: {MAGIC[bits]}, {"GUI" if wanted == "2" else "console"}, '
          f'{len(dlls)} system DLLs, version {version}, manifest')
    return True


def main():
    version, bits, *programs = sys.argv[1:]
    results = [check(program, version, bits) for program in programs]
    sys.exit(0 if programs and all(results) else 1)


if __name__ == '__main__':
    main()
