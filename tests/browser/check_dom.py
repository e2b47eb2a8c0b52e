#!/usr/bin/env python3
"""Converts documents to HTML with the wpconv program, opens each HTML file in headless Chromium
and checks the DOM the browser built: that it decoded the text as Shift-JIS (the page is labelled
x-sjis), that the text is the intended Unicode, and that the paragraph, underline, superscript and
subscript elements stand where the document put them.

Two documents are checked, and the first also as the UTF-8 HTML5 page that wpconv-batch --to
html5 writes, when wpconv-batch is beside the program:
- a generated one that holds every external character with a replacement (each followed by '|',
  so that the DOM text can be split back into characters), kanji, kana, half-width katakana,
  pairs of spaces, single spaces, paragraphs and every attribute code;
- the bundled sample examples/LETTER.OA2, when it exists: its DOM must match the HTML file read
  as Shift-JIS, and hold the letter's landmarks (see LETTER_LANDMARKS).

Only the standard library is used; Python's cp932 codec gives the Unicode that the Shift-JIS
bytes stand for.
"""

import argparse
import html.parser
import os
import re
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.normpath(os.path.join(HERE, '..', '..'))
TABLE = os.path.join(ROOT, 'src', 'doc2html', 'external_chars.inc')

sys.path.insert(0, os.path.join(HERE, '..'))
from docformat import (FILLER_LINE_END, PARAGRAPH_MARK, SCRIPT_OFF, SUBSCRIPT_ON,  # noqa: E402
                       SUPERSCRIPT_ON, UNDERLINE_OFF, UNDERLINE_ON)
# Codes inside the external-character rows that are control codes, not characters.
CONTROL_CODES = {0xEFA0, 0xEFA3, 0xEFAF, 0xEFC0}
NO_REPLACEMENT = 0x3F3F
SEPARATOR = '|'

# What the sample letter must show (paragraph number counting from 0, formatting, text): a
# kanji heading with a full-width space, a pair of spaces as U+3000, external characters as
# the circled digit one, the black star and "mm", and each kind of attribute.
LETTER_LANDMARKS = [
    (0, frozenset(), '株式会社\u3000山田商事'),
    (3, frozenset(), '拝啓\u3000春暖の候'),
    (6, frozenset(), '\u2460\u3000日時'),
    (7, frozenset({'sup'}), '2'),
    (8, frozenset({'u'}), '新型浄水器の販売計画'),
    (9, frozenset(), '２５mm、H'),
    (9, frozenset({'sub'}), '2'),
    (10, frozenset(), '\u2605\u3000当日は'),
    (11, frozenset(), '敬具'),
]


class Failure(Exception):
    pass


def read_external_table():
    """{code: replacement bytes} for every entry of the program's external-character table."""
    with open(TABLE, encoding='ascii') as f:
        source = f.read()
    table = {}
    for row_start, values in re.findall(r'/\* (E[C-F][0-9A-F]{2}) \*/([^\n]*)', source):
        for offset, value in enumerate(re.findall(r'0x([0-9A-Fa-f]{4})', values)):
            table[int(row_start, 16) + offset] = bytes.fromhex(value)
    if len(table) != 4 * 189:
        raise Failure(f'{TABLE}: {len(table)} entries read, 756 expected')
    return table


class Document:
    """A document text stream together with the runs of text the HTML should show: for each
    paragraph a list of (formatting, text)."""

    def __init__(self):
        self.stream = bytearray()
        self.paragraphs = [[]]
        self.formatting = set()

    def write(self, stream_bytes, shown=''):
        self.stream += stream_bytes
        if shown:
            self.paragraphs[-1].append((frozenset(self.formatting), shown))

    def text(self, text):
        """Text without runs of spaces; every character stands for itself."""
        self.write(text.encode('cp932'), text)

    def paragraph(self):
        self.write(PARAGRAPH_MARK + FILLER_LINE_END)
        self.paragraphs.append([])

    def attribute(self, code, add=None, remove=()):
        self.write(code)
        self.formatting -= set(remove)
        if add:
            self.formatting.add(add)


def generated_document(table):
    doc = Document()
    doc.text('外字の表')
    for lead in range(0xEC, 0xF0):
        doc.paragraph()
        for trail in range(0x40, 0xFD):
            code = lead << 8 | trail
            replacement = table[code]
            if code in CONTROL_CODES or int.from_bytes(replacement, 'big') == NO_REPLACEMENT:
                continue
            try:
                shown = replacement.decode('cp932')
            except UnicodeDecodeError:
                raise Failure(f'external character {code:04X}: replacement '
                              f'{replacement.hex(" ")} is not Shift-JIS')
            if SEPARATOR in shown or '<' in shown or '&' in shown:
                raise Failure(f'external character {code:04X}: replacement {shown!r} would '
                              'not stand for itself in the check')
            doc.write(bytes([lead, trail]), shown)
            doc.text(SEPARATOR)
            if trail % 32 == 0:
                doc.write(FILLER_LINE_END)  # the reader takes any layout
    doc.paragraph()
    doc.text('漢字と仮名：東京都千代田区、ひらがな、カタカナ、ｶﾀｶﾅ、')
    doc.write(b'\x87\x40', '\u2460')  # a circled digit one that is already Shift-JIS
    doc.write(b'\xec\xc7', '\u2460')  # and the external character for it
    doc.write(b'\xef\xa1', '\u2605')
    doc.paragraph()
    doc.text('全角')
    doc.write(b'  ', '\u3000')  # a pair of spaces
    doc.text('空白、a')
    doc.write(b' ', ' ')
    doc.text('b、x')
    doc.write(b'   ', '\u3000 ')
    doc.text('y、')
    doc.write(b'\x81\x40', '\u3000')
    doc.text('z')
    doc.paragraph()
    doc.text('前')
    doc.attribute(UNDERLINE_ON, add='u')
    doc.text('下線部')
    doc.attribute(UNDERLINE_OFF, remove={'u'})
    doc.text('後')
    doc.paragraph()
    doc.text('面積50m')
    doc.attribute(SUPERSCRIPT_ON, add='sup')
    doc.text('2')
    doc.attribute(SCRIPT_OFF + b' ', remove={'sup'})  # the space after it is not shown
    doc.text('、H')
    doc.attribute(SUBSCRIPT_ON, add='sub')
    doc.text('2')
    doc.attribute(SCRIPT_OFF, remove={'sub'})
    doc.text('O')
    doc.paragraph()
    doc.attribute(SUPERSCRIPT_ON, add='sup')
    doc.text('上')
    doc.attribute(SUBSCRIPT_ON, add='sub', remove={'sup'})
    doc.text('下')
    doc.attribute(SUPERSCRIPT_ON, add='sup', remove={'sub'})
    doc.text('上')
    doc.attribute(SCRIPT_OFF, remove={'sup'})
    doc.attribute(UNDERLINE_ON, add='u')
    doc.text('u')
    doc.attribute(SUBSCRIPT_ON, add='sub')
    doc.text('下線と下付き')
    doc.attribute(SCRIPT_OFF, remove={'sub'})
    doc.text('u')
    doc.attribute(UNDERLINE_OFF, remove={'u'})
    doc.paragraph()
    doc.text('終わり')
    doc.write(b'\x1a')
    return doc


def merged(runs):
    """Neighbouring runs with the same formatting joined, empty ones dropped."""
    out = []
    for formatting, text in runs:
        if not text:
            continue
        if out and out[-1][0] == formatting:
            out[-1] = (formatting, out[-1][1] + text)
        else:
            out.append((formatting, text))
    return out


class DomReader(html.parser.HTMLParser):
    """The runs of text of each <p> in the serialised DOM that the browser dumped."""

    VOID = {'meta', 'br', 'hr', 'img', 'input', 'link', 'wbr'}

    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.stack = []
        self.paragraphs = []
        self.stray = []

    def handle_starttag(self, tag, attrs):
        if tag == 'p':
            self.paragraphs.append([])
        if tag not in self.VOID:
            self.stack.append(tag)

    def handle_endtag(self, tag):
        if tag in self.stack:
            while self.stack.pop() != tag:
                pass

    def handle_data(self, data):
        if 'body' not in self.stack:
            return
        # The line ends that the HTML puts before each paragraph and the closing tags are
        # layout, not text; the documents checked here have no other LF.
        data = data.replace('\n', '')
        if not data:
            return
        if 'p' not in self.stack:
            self.stray.append(data)
            return
        formatting = frozenset(t for t in self.stack if t in ('u', 'sup', 'sub'))
        self.paragraphs[-1].append((formatting, data))


def dom_paragraphs(dom):
    reader = DomReader()
    reader.feed(dom)
    reader.close()
    if reader.stray:
        raise Failure(f'text outside any paragraph: {reader.stray!r}')
    return [merged(p) for p in reader.paragraphs]


def file_paragraphs(html_bytes):
    """The runs of each paragraph as the HTML file itself says, read as Shift-JIS: the
    converter's tags in order, everything else text."""
    try:
        text = html_bytes.decode('cp932')
    except UnicodeDecodeError as error:
        raise Failure(f'the HTML is not valid Shift-JIS: {error}')
    body = text.split('<BODY>', 1)[1].split('</BODY>', 1)[0]
    paragraphs, formatting = [], set()
    for piece in re.split(r'(<[^>]*>)', body):
        tag = piece.upper()
        if tag == '<P>':
            paragraphs.append([])
        elif tag in ('<U>', '<SUP>', '<SUB>'):
            formatting.add(tag[1:-1].lower())
        elif tag in ('</U>', '</SUP>', '</SUB>'):
            formatting.discard(tag[2:-1].lower())
        elif piece and not piece.startswith('<'):
            paragraphs[-1].append((frozenset(formatting), piece.replace('\r\n', '')))
    return [merged(p) for p in paragraphs]


def open_in_browser(browser, html_path, work):
    profile = tempfile.mkdtemp(prefix='profile-', dir=work)
    command = [browser, '--headless', '--no-sandbox', '--disable-gpu', '--disable-quic',
               '--no-first-run', '--disable-background-networking', '--disable-component-update',
               '--disable-sync', '--disable-extensions', '--user-data-dir=' + profile,
               '--dump-dom', 'file://' + os.path.abspath(html_path)]
    try:
        done = subprocess.run(command, capture_output=True, timeout=90)
    except subprocess.TimeoutExpired:
        raise Failure(f'{browser} did not finish within 90 seconds')
    if done.returncode != 0 or not done.stdout:
        raise Failure(f'{browser} failed (exit status {done.returncode}): '
                      f'{done.stderr.decode(errors="replace")[-2000:]}')
    return done.stdout.decode('utf-8')


def convert(program, path):
    done = subprocess.run([program, path], capture_output=True, timeout=60)
    if done.returncode != 0:
        raise Failure(f'{program} {path}: exit status {done.returncode}, '
                      f'{(done.stdout + done.stderr).decode(errors="replace")}')
    html_path = os.path.splitext(path)[0] + '.HTM'
    with open(html_path, 'rb') as f:
        return html_path, f.read()


def describe(paragraphs):
    return '\n'.join(f'  p[{i}]: ' + ' '.join(f'{"+".join(sorted(f)) or "plain"}:{t!r}'
                                              for f, t in p)
                     for i, p in enumerate(paragraphs))


def show_run(run, at):
    if run is None:
        return '(none)'
    formatting, text = run
    return f'{"+".join(sorted(formatting)) or "plain"} {text[max(0, at - 10):at + 20]!r}'


def compare(what, expected, actual):
    """Raises a Failure that points at the first difference, if there is one."""
    if expected == actual:
        return
    lines = [f'{what}: the browser shows other paragraphs than expected']
    if len(expected) != len(actual):
        lines.append(f'  {len(expected)} paragraphs expected, the browser shows {len(actual)}')
    for number, (e, a) in enumerate(zip(expected, actual)):
        if e == a:
            continue
        run = next(i for i, (x, y) in enumerate(zip(e + [None], a + [None])) if x != y)
        e_run = e[run] if run < len(e) else None
        a_run = a[run] if run < len(a) else None
        at = 0
        if e_run and a_run:
            shorter = min(len(e_run[1]), len(a_run[1]))
            while at < shorter and e_run[1][at] == a_run[1][at]:
                at += 1
        lines.append(f'  paragraph {number}, run {run}, character {at}:')
        lines.append(f'    expected: {show_run(e_run, at)}')
        lines.append(f'    browser:  {show_run(a_run, at)}')
        break
    raise Failure('\n'.join(lines))


def check_generated(program, browser, work, table):
    doc = generated_document(table)
    path = os.path.join(work, 'GENERATED.TXT')
    with open(path, 'wb') as f:
        f.write(doc.stream)
    html_path, html_bytes = convert(program, path)
    if b'charset=x-sjis' not in html_bytes:
        raise Failure('the HTML does not carry the x-sjis label')
    actual = dom_paragraphs(open_in_browser(browser, html_path, work))
    expected = [merged(p) for p in doc.paragraphs]
    compare('generated document', expected, actual)
    shown = sum(1 for lead in range(0xEC, 0xF0) for trail in range(0x40, 0xFD)
                if (lead << 8 | trail) not in CONTROL_CODES
                and int.from_bytes(table[lead << 8 | trail], 'big') != NO_REPLACEMENT)
    print(f'generated document: {len(expected)} paragraphs, {shown} external characters, '
          f'{len(doc.stream)} bytes: the browser shows them as intended')


def check_html5(batch, browser, work, table):
    """The generated document as wpconv-batch --to html5 writes it: the same paragraphs, text and
    formatting in the DOM as the .HTM file gives, the no-break spaces read as the spaces they
    keep, and the page decoded as the UTF-8 it says it is."""
    doc = generated_document(table)
    path = os.path.join(work, 'PAGE.TXT')
    with open(path, 'wb') as f:
        f.write(doc.stream)
    done = subprocess.run([batch, '--quiet', '--to', 'html5', path], capture_output=True,
                          timeout=60)
    if done.returncode != 0:
        raise Failure(f'{batch} --to html5 {path}: exit status {done.returncode}, '
                      f'{(done.stdout + done.stderr).decode(errors="replace")}')
    dom = open_in_browser(browser, os.path.splitext(path)[0] + '.html', work)
    if '<meta charset="utf-8">' not in dom:
        raise Failure('the page does not say it is UTF-8')
    actual = [[(f, t.replace('\xa0', ' ')) for f, t in p] for p in dom_paragraphs(dom)]
    expected = [merged(p) for p in doc.paragraphs]
    compare('generated document as an HTML5 page', expected, [merged(p) for p in actual])
    print(f'generated document as an HTML5 page: {len(expected)} paragraphs, as intended')


def check_sample(program, browser, work, sample):
    path = os.path.join(work, os.path.basename(sample))
    shutil.copyfile(sample, path)
    html_path, html_bytes = convert(program, path)
    actual = dom_paragraphs(open_in_browser(browser, html_path, work))
    compare(sample, file_paragraphs(html_bytes), actual)
    for number, formatting, text in LETTER_LANDMARKS:
        runs = actual[number] if number < len(actual) else []
        if not any(f == formatting and text in t for f, t in runs):
            raise Failure(f'{sample}: paragraph {number} does not show '
                          f'{"+".join(sorted(formatting)) or "plain"} text {text!r}; '
                          f'the browser shows:\n{describe(actual)}')
    print(f'{os.path.basename(sample)}: {len(actual)} paragraphs, as the HTML says and with '
          f'the letter\'s {len(LETTER_LANDMARKS)} landmarks')


def main():
    parser = argparse.ArgumentParser(description=__doc__.split('\n\n')[0])
    parser.add_argument('--program', default=os.path.join(ROOT, 'build', 'native', 'wpconv'))
    parser.add_argument('--browser', default='chromium')
    parser.add_argument('--sample', default=os.path.join(ROOT, 'examples', 'LETTER.OA2'))
    args = parser.parse_args()
    program = os.path.abspath(args.program)
    if not os.access(program, os.X_OK):
        sys.exit(f'check_dom.py: no program at {program}; build it first')
    if shutil.which(args.browser) is None:
        sys.exit(f'check_dom.py: {args.browser} not found; run scripts/install-deps.sh')

    work = tempfile.mkdtemp(prefix='wpconv-browser-')
    try:
        check_generated(program, args.browser, work, read_external_table())
        batch = os.path.join(os.path.dirname(program), 'wpconv-batch')
        if os.access(batch, os.X_OK):
            check_html5(batch, args.browser, work, read_external_table())
        else:
            print(f'no {batch}: the HTML5 page is not checked')
        if os.path.exists(args.sample):
            check_sample(program, args.browser, work, args.sample)
        else:
            print(f'{args.sample} does not exist: the sample is not checked')
    except Failure as failure:
        print(f'FAILED: {failure}', file=sys.stderr)
        print(f'(files kept in {work})', file=sys.stderr)
        sys.exit(1)
    shutil.rmtree(work, ignore_errors=True)


if __name__ == '__main__':
    main()
