#!/usr/bin/env python3
"""Runs the end-to-end case files against the built wpconv program.

Each case gets a fresh temporary directory holding a copy of the program in bin/, a template
beside it and the case's input files; the program runs once and the runner compares its exit
status, its message, every file it was meant to write, and the whole directory tree afterwards.
The case format is described in README.md beside this file.
"""

import argparse
import difflib
import fnmatch
import os
import re
import shlex
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '..'))
import docformat  # noqa: E402

# Named byte strings usable as {NAME} anywhere in a case; ROOT and PROGRAM_NAME are per run.
CONSTANTS = {
    'HTML_HEAD': docformat.HTML_HEAD,
    'HTML_END': docformat.HTML_END,
    'FILLER_LINE_END': docformat.FILLER_LINE_END,
    'PARAGRAPH_LINE_END': docformat.PARAGRAPH_LINE_END,
    # The HTML5 page of --to html5: its head up to the title, from the title to the body, its end.
    'HTML5_HEAD': b'<!DOCTYPE html>\n<html lang="ja">\n<head>\n<meta charset="utf-8">\n<title>',
    'HTML5_BODY': b'</title>\n</head>\n<body>\n',
    'HTML5_END': b'</body>\n</html>\n',
    'BATCH_USAGE': (b'usage: wpconv-batch [--to html|html5|doc] [--html auto|exact|web] [--force] '
                    b'[--dry-run]\n                    [--keep-time] [--jobs N] [--template FILE] '
                    b'[--log FILE] [--quiet] PATH...\n'),
    # The text of --help after the usage lines.
    'BATCH_HELP': (
        b'Converts OASYS documents to HTML and HTML to OASYS documents, file by file and in whole\n'
        b'folders, with the same conversions as wpconv. Existing files are never replaced unless\n'
        b'--force is given, and every input is attempted whatever happens to the others.\n'
        b'\n'
        b'A PATH that is a file is converted in the direction its extension gives: HTML (an\n'
        b'extension beginning with H) to a .DOC and a .FMT file, anything else to an .HTM file. A\n'
        b'folder is searched with all its subfolders for the files to convert.\n'
        b'\n'
        b'  --to html        in folders, convert .OA2 and .DOC files to HTML (the default)\n'
        b'  --to html5       the same, but documents become UTF-8 HTML5 pages, NAME.html\n'
        b'  --to doc         in folders, convert .htm and .html files to documents\n'
        b'  --force          replace outputs that exist (an output that is an input of this run,\n'
        b'                   or that two inputs would write, is never written)\n'
        b'  --dry-run        write nothing; print what each input would do\n'
        b"  --keep-time      give each output its input's modification time\n"
        b'  --jobs N         convert N files at a time (default: one for each processor)\n'
        b'  --template FILE  the format template for .FMT files (default: wpconv.FMT beside the\n'
        b'                   program, or in ../share/wpconv/)\n'
        b'  --log FILE       write one tab-separated line for each input to FILE\n'
        b'  --html auto      read HTML in wpconv\'s own dialect exactly and any other HTML as a\n'
        b'                   browser shows it (the default); --html exact or --html web reads\n'
        b'                   every HTML file with that reader\n'
        b'  --quiet          no progress line and no line for skipped inputs\n'
        b'  -h, --help       show this help\n'
        b'  --version        show the version\n'
        b'\n'
        b'Exit status: 0 if nothing failed, 1 if any input failed, 2 for a usage error.\n'),
    # Binary on purpose: an exact copy must keep NUL, CR LF, 0x1A and high bytes.
    'TEMPLATE': b'template\x00\x1a\r\n\xff\xfe\x80\x0d end',
}


class CaseError(Exception):
    pass


class Case:
    def __init__(self, name, where):
        self.name, self.where = name, where
        self.run = self.cwd = None
        self.bin = 'bin'
        self.files = []      # (path text, data text); data None for a directory
        self.expects = []    # (path text, data text)
        self.template = '{TEMPLATE}'  # data text, or 'missing' / 'directory'
        self.exit = 0
        self.message = ''
        self.output = ''
        self.posix_only = False


def decode(text, names):
    """Turns case notation into bytes: plain ASCII, [hex bytes], {NAME} and {COUNT*data}."""
    out = bytearray()
    i = 0
    while i < len(text):
        c = text[i]
        if c == '[':
            end = text.find(']', i)
            if end < 0:
                raise CaseError(f'unclosed [ in {text!r}')
            for token in text[i + 1:end].split():
                m = re.fullmatch(r'([0-9A-Fa-f]{2})(?:\*(\d+))?', token)
                if not m:
                    raise CaseError(f'bad hex byte {token!r}')
                out += bytes([int(m[1], 16)]) * int(m[2] or 1)
            i = end + 1
        elif c == '{':
            depth, end = 0, i
            while end < len(text):
                depth += {'{': 1, '}': -1}.get(text[end], 0)
                if depth == 0:
                    break
                end += 1
            else:
                raise CaseError(f'unclosed {{ in {text!r}')
            inner = text[i + 1:end]
            m = re.fullmatch(r'(\d+)\*(.*)', inner, re.S)
            if m:
                out += decode(m[2], names) * int(m[1])
            elif inner in names:
                out += names[inner]
            else:
                raise CaseError(f'unknown name {{{inner}}}')
            i = end + 1
        else:
            out += c.encode('ascii')
            i += 1
    return bytes(out)


def split_arguments(text):
    """Splits at blanks that stand outside [...] and {...}."""
    arguments, current, depth = [], '', 0
    for c in text + ' ':
        depth += {'[': 1, '{': 1, ']': -1, '}': -1}.get(c, 0)
        if c in ' \t' and depth == 0:
            if current:
                arguments.append(current)
            current = ''
        else:
            current += c
    return arguments


def load_cases(path):
    cases, case, block = [], None, None
    with open(path, encoding='ascii') as f:
        for number, raw in enumerate(f, 1):
            line = raw.strip()
            where = f'{path}:{number}'
            if raw[:1] in (' ', '\t') and line:
                if block is None:
                    raise CaseError(f'{where}: indented data without a key before it')
                block.append(line)
                continue
            block = None
            if not line or line.startswith('#'):
                continue
            if line.startswith('=== '):
                case = Case(line[4:].strip(), where)
                cases.append(case)
                continue
            if case is None:
                raise CaseError(f'{where}: {line!r} before the first case')
            key, _, rest = line.partition(' ')
            rest = rest.strip()
            if key in ('file', 'expect'):
                block = []
                (case.files if key == 'file' else case.expects).append((rest, block))
            elif key == 'dir':
                case.files.append((rest, None))
            elif key == 'template':
                if rest not in ('', 'missing', 'directory'):
                    raise CaseError(f'{where}: template data goes on the indented lines')
                block = [] if not rest else None
                case.template = rest or block
            elif key in ('message', 'output'):
                block = [rest] if rest else []
                setattr(case, key, block)
            elif key == 'run':
                case.run = split_arguments(rest)
            elif key == 'cwd':
                case.cwd = rest
            elif key == 'bin':
                case.bin = rest
            elif key == 'exit':
                case.exit = int(rest)
            elif key == 'posix-only':
                case.posix_only = True
            else:
                raise CaseError(f'{where}: unknown key {key!r}')
    for c in cases:
        if c.run is None:
            raise CaseError(f'{c.where}: case {c.name} has no run line')
    return cases


def data(value, names):
    return decode(''.join(value) if isinstance(value, list) else value, names)


def snapshot(root):
    """Every file and directory below root: relative path -> contents (None for a directory)."""
    tree = {}
    for directory, dirs, files in os.walk(root):
        for name in dirs + files:
            full = os.path.join(directory, name)
            rel = os.path.relpath(full, root)
            if os.path.isdir(full):
                tree[rel] = None
            else:
                with open(full, 'rb') as f:
                    tree[rel] = f.read()
    return tree


def hex_lines(blob):
    """One line per 16 bytes, also broken after each LF so that text lines stay aligned."""
    lines, start = [], 0
    for i, byte in enumerate(blob):
        if byte == 0x0A or i + 1 - start == 16:
            lines.append(blob[start:i + 1])
            start = i + 1
    if start < len(blob):
        lines.append(blob[start:])
    return [f'{c.hex(" "):<47}  |{"".join(chr(b) if 32 <= b < 127 else "." for b in c)}|'
            for c in lines]


def diff(expected, actual):
    text = difflib.unified_diff(hex_lines(expected), hex_lines(actual),
                                'expected', 'actual', lineterm='', n=2)
    return '\n'.join('      ' + line for line in text)


def show(path):
    return os.fsdecode(path)


def run_case(case, options, program):
    failures = []
    root = os.fsencode(tempfile.mkdtemp(prefix='wpconv_e2e_'))
    program_name = os.path.basename(program)
    # The separator the program writes itself between a folder and a name it found there.
    separator = b'\\' if program_name.lower().endswith('.exe') else b'/'
    names = dict(CONSTANTS, ROOT=root, PROGRAM_NAME=os.fsencode(program_name), SEP=separator)

    def place(path_text):
        path = decode(path_text, names)
        return path if os.path.isabs(path) else os.path.join(root, path)

    try:
        bin_dir = place(case.bin)
        os.makedirs(bin_dir)
        copy = os.path.join(bin_dir, os.fsencode(program_name))
        shutil.copy2(program, copy)
        template = os.path.join(bin_dir, os.fsencode(options.template_name or
                                                     os.path.splitext(program_name)[0] + '.FMT'))
        if case.template == 'directory':
            os.mkdir(template)
        elif case.template != 'missing':
            with open(template, 'wb') as f:
                f.write(data(case.template, names))
        for path_text, content in case.files:
            path = place(path_text)
            if content is None:
                os.makedirs(path, exist_ok=True)
            else:
                os.makedirs(os.path.dirname(path), exist_ok=True)
                with open(path, 'wb') as f:
                    f.write(data(content, names))
        expected = {os.path.relpath(place(p), root): data(c, names) for p, c in case.expects}
        message = data(case.message, names)
        output = data(case.output, names)
        arguments = [decode(a, names) for a in case.run]
        cwd = place(case.cwd) if case.cwd else root
        before = snapshot(root)

        command = shlex.split(options.launcher or '') + [copy]
        try:
            result = subprocess.run(command + arguments, cwd=cwd, stdin=subprocess.DEVNULL,
                                    capture_output=True, timeout=options.timeout)
        except subprocess.TimeoutExpired:
            return [f'no end within {options.timeout} s'], root
        after = snapshot(root)

        if result.returncode != case.exit & 0xFF:
            failures.append(f'exit status {result.returncode}, expected {case.exit & 0xFF}')
        if not options.no_messages:
            if result.stderr != message:
                failures.append(f'message {result.stderr!r}, expected {message!r}')
            if result.stdout != output:
                failures.append(f'standard output {result.stdout!r}, expected {output!r}')
        for rel, want in expected.items():
            if rel not in after:
                failures.append(f'{show(rel)} was not written')
            elif after[rel] != want:
                failures.append(f'{show(rel)} differs:\n{diff(want, after[rel])}')
        for rel, old in before.items():
            if rel in expected:
                continue
            if rel not in after:
                failures.append(f'{show(rel)} was removed')
            elif after[rel] != old:
                failures.append(f'{show(rel)} was changed:\n{diff(old or b"", after[rel] or b"")}')
        for rel in sorted(set(after) - set(before) - set(expected)):
            failures.append(f'unexpected {"directory" if after[rel] is None else "file"} '
                            f'{show(rel)}')
    except (CaseError, OSError) as error:
        failures.append(f'cannot set up the case: {error}')
    return failures, root


def as_batch(case):
    """The case for wpconv-batch given the one file that wpconv converts in it, if it is such a
    case: the batch must write the same bytes, replacing what wpconv replaces."""
    names = [path for path, content in case.files if content is not None]
    if case.exit != 0 or len(case.run) != 1 or case.run[0] not in names or case.cwd:
        return None
    case.run = ['--force', '--quiet', '--'] + case.run
    converted = '1 converted, 0 skipped, 0 failed[0A]'
    case.message = converted
    return case


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument('--program', required=True, help='the built wpconv program')
    parser.add_argument('--launcher', help='command that runs the program, such as "wine"')
    parser.add_argument('--no-messages', action='store_true',
                        help='do not check the message text (it goes to a message box)')
    parser.add_argument('--only', metavar='NAME', help='run the cases matching this pattern')
    parser.add_argument('--keep', action='store_true', help='keep the temporary directories')
    parser.add_argument('--timeout', type=float, help='seconds per case (30, 120 with launcher)')
    parser.add_argument('--template-name', help='the template\'s name beside the program '
                        '(default: the program\'s name with .FMT)')
    parser.add_argument('--as-batch', action='store_true',
                        help='run wpconv-batch on the single-file cases that convert one file')
    parser.add_argument('cases', nargs='+', help='case files or directories of *.cases files')
    options = parser.parse_args()
    if options.timeout is None:
        options.timeout = 120 if options.launcher else 30
    program = os.path.abspath(options.program)
    if not os.path.isfile(program):
        sys.exit(f'error: no program {program}')
    # A dot in the temporary root would change the outcome of the cases that have no dot.
    if '.' in tempfile.gettempdir():
        sys.exit(f'the temporary directory {tempfile.gettempdir()} has a dot; set TMPDIR')

    files = []
    for place in options.cases:
        if os.path.isdir(place):
            files += sorted(os.path.join(place, n) for n in os.listdir(place)
                            if n.endswith('.cases'))
        else:
            files.append(place)
    cases = []
    try:
        for path in files:
            cases += load_cases(path)
    except (CaseError, UnicodeDecodeError) as error:
        sys.exit(f'error: {error}')
    seen = set()
    for case in cases:
        if case.name in seen:
            sys.exit(f'error: {case.where}: case name {case.name} used twice')
        seen.add(case.name)

    windows = program.lower().endswith('.exe')
    passed = failed = skipped = 0
    for case in cases:
        if options.only and not fnmatch.fnmatchcase(case.name, options.only):
            continue
        if (case.posix_only and windows) or (options.as_batch and not as_batch(case)):
            skipped += 1
            continue
        failures, root = run_case(case, options, program)
        if options.keep:
            print(f'kept {case.name}: {show(root)}')
        else:
            shutil.rmtree(root, ignore_errors=True)
        if failures:
            failed += 1
            print(f'FAIL {case.name} ({case.where})')
            for failure in failures:
                print(f'    {failure}')
        else:
            passed += 1
    if skipped:
        print(f'{skipped} cases skipped (posix-only, or not for the batch program)')
    print(f'{passed} passed, {failed} failed')
    return 1 if failed or not passed + skipped else 0


if __name__ == '__main__':
    sys.exit(main())
