#!/usr/bin/env python3
"""Writes deterministic benchmark inputs: a document text stream or an HTML page.

    generate.py document SIZE OUT    # about SIZE bytes of document stream, ends with 0x1A
    generate.py html SIZE OUT        # about SIZE bytes of HTML in Shift-JIS
    generate.py tree COUNT SIZE OUT  # COUNT documents of about SIZE bytes, 100 to a folder
    generate.py dense-document SIZE OUT, generate.py dense-html SIZE OUT
                                     # the same with something to decide every ten bytes or so
    generate.py web-html SIZE OUT    # the html text as a UTF-8 HTML5 page from another program

SIZE takes a K, M or G suffix (powers of 1000). The same arguments always give the same bytes.

The text is Japanese prose in Shift-JIS: runs of kana and kanji, punctuation, ASCII words and
numbers, half-width katakana, about a third of the characters one byte long. The document lays it
out the way the word processor does: 72-column lines closed by filler line ends, paragraphs closed
by paragraph line ends, some plain CR LF line ends, attribute codes around words, external
characters and the odd character interrupted by a control sequence. The HTML holds the same kind
of text in <P> paragraphs with underline, superscript and subscript tags, other tags, character
references and line breaks inside long paragraphs; only tags the program writes, so that the exact
reader reads it. The web-html page is the same text as a browser or an office suite saves it.

A pool of paragraphs is made first and then drawn from at random, which keeps the script fast
while the input stays far too varied for a branch predictor to learn.
"""

import os
import random
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests"))
from docformat import (FILLER_LINE_END, HTML_END, HTML_HEAD, LINE_WIDTH,  # noqa: E402
                       PARAGRAPH_LINE_END)
POOL_SIZE = 3000

HIRAGANA = [0x8200 | t for t in range(0x9F, 0xF2)]
KATAKANA = [0x8300 | t for t in range(0x40, 0x97) if t != 0x7F]
KANJI_LEADS = list(range(0x88, 0xA0)) + list(range(0xE0, 0xEB))
KANJI_TRAILS = [t for t in range(0x40, 0xFD) if t != 0x7F]
PUNCTUATION = [0x8141, 0x8142, 0x8145, 0x8175, 0x8176, 0x815B, 0x8169, 0x816A, 0x8140]
HALF_WIDTH_KATAKANA = list(range(0xA6, 0xE0))
ASCII_WORDS = ["the", "file", "data", "OASYS", "HTML", "page", "text", "line", "code", "mode",
               "PC", "OK", "No.", "Vol.", "ver.", "TEL", "FAX", "e-mail", "http", "www"]
# Document codes of external characters with standard replacements, and what HTML writes for
# some of them; rows EC to EE only, so no code of row EF is produced by accident.
EXTERNAL_CHARS = [0xEC40, 0xEC5B, 0xECC7, 0xECD0, 0xED40, 0xED9F, 0xEE60, 0xEE81, 0xEEFC]
HTML_EXTERNAL = [0x8740, 0x8745, 0x8749, 0x84AC, 0x84A1, 0x84BE, 0x819A]
UNDERLINE = (0x22, 0x28)
SCRIPTS = ((0x37, 0x3B), (0x38, 0x3B))


def two(code):
    return bytes((code >> 8, code & 0xFF))


class Text:
    """Draws the characters of one paragraph as tokens: ('c', bytes) for a character,
    ('a', on, off, [characters]) for characters under an attribute, ('x', code) for an external
    character."""

    def __init__(self, rnd):
        self.r = rnd

    def kanji(self):
        return two(self.r.choice(KANJI_LEADS) << 8 | self.r.choice(KANJI_TRAILS))

    def run(self):
        r = self.r
        kind = r.random()
        if kind < 0.34:
            return [two(r.choice(HIRAGANA)) for _ in range(r.randint(1, 8))]
        if kind < 0.50:
            return [self.kanji() for _ in range(r.randint(1, 5))]
        if kind < 0.55:
            return [two(r.choice(KATAKANA)) for _ in range(r.randint(2, 6))]
        if kind < 0.64:
            return [two(r.choice(PUNCTUATION))]
        if kind < 0.88:
            word = r.choice(ASCII_WORDS) if r.random() < 0.6 else str(r.randint(0, 99999))
            return [bytes((c,)) for c in (" " + word + " " if r.random() < 0.3 else word).encode()]
        return [bytes((r.choice(HALF_WIDTH_KATAKANA),)) for _ in range(r.randint(2, 7))]

    def paragraph(self):
        r = self.r
        tokens = []
        for _ in range(r.randint(3, 60)):
            chars = self.run()
            roll = r.random()
            if roll < 0.03:
                on, off = UNDERLINE
                tokens.append(("a", on, off, chars))
            elif roll < 0.04:
                on, off = r.choice(SCRIPTS)
                tokens.append(("a", on, off, [bytes((c,)) for c in str(r.randint(1, 99)).encode()]))
                tokens += [("c", c) for c in chars]
            elif roll < 0.05:
                tokens.append(("x", r.randrange(len(EXTERNAL_CHARS))))
            else:
                tokens += [("c", c) for c in chars]
        return tokens


class DocumentLayout:
    """Lays characters out in 72-column lines, as the word processor writes them."""

    def __init__(self, rnd):
        self.r = rnd
        self.out = bytearray()
        self.column = 0

    def line_end(self):
        # Most full lines carry the filler line end; some files have plain CR LF line ends.
        self.out += FILLER_LINE_END if self.r.random() < 0.9 else b"\r\n"
        self.column = 0

    def char(self, c):
        if len(c) == 2 and self.column % 2:
            self.out += b" "
            self.column += 1
        if self.column + len(c) > LINE_WIDTH:
            self.line_end()
        if len(c) == 2 and self.r.random() < 0.002:
            # A control sequence interrupts the character between its lead and trail bytes.
            self.out += bytes((c[0], 0xF0, 0x04, self.r.randrange(256), self.r.randrange(256), c[1]))
        else:
            self.out += c
        self.column += len(c)
        if self.column >= LINE_WIDTH:
            self.line_end()

    def paragraph(self, tokens):
        self.out = bytearray()
        self.column = 0
        for token in tokens:
            if token[0] == "c":
                self.char(token[1])
            elif token[0] == "x":
                self.char(two(EXTERNAL_CHARS[token[1]]))
            else:
                _, on, off, chars = token
                self.out += bytes((0xEF, 0xC0, on))
                for c in chars:
                    self.char(c)
                self.out += bytes((0xEF, 0xC0, off))
                if off == 0x3B:
                    self.out += b" "
        self.out += PARAGRAPH_LINE_END
        return bytes(self.out)


TAGS = {0x22: b"<U>", 0x28: b"</U>", 0x37: b"<SUP>", 0x38: b"<SUB>"}
OFF_TAGS = {0x37: b"</SUP>", 0x38: b"</SUB>"}


def html_paragraph(rnd, tokens):
    out = bytearray(b"<P>" if rnd.random() < 0.9 else b"<p>")
    since_break = 0
    for token in tokens:
        if token[0] == "c":
            piece = token[1]
            if piece == b"<":
                piece = b"&lt;"
        elif token[0] == "x":
            piece = two(rnd.choice(HTML_EXTERNAL))
        else:
            _, on, off, chars = token
            closing = b"</U>" if off == 0x28 else OFF_TAGS[on]
            if rnd.random() < 0.2:
                closing = closing.lower()
            piece = TAGS[on] + b"".join(chars) + closing
        # Only tags the program writes: any other would send the page to the web reader, and
        # this page measures the exact one.
        if rnd.random() < 0.003:
            piece = rnd.choice([b"&amp;", b"&quot;", b"&lt;"]) + piece
        out += piece
        since_break += len(piece)
        # Long paragraphs are broken into lines, as editors do.
        if since_break > 160 and rnd.random() < 0.1:
            out += b"\r\n"
            since_break = 0
    out += b"\r\n"
    return bytes(out)


def web_html_paragraph(rnd, tokens):
    """The paragraph of html_paragraph() as an editor saves it: UTF-8, lower-case tags with a
    class, entities for what HTML5 escapes, and now and then an empty paragraph."""
    text = html_paragraph(rnd, tokens).decode("cp932", "replace")
    for upper in ("P", "U", "SUP", "SUB", "B", "BR", "FONT"):
        text = text.replace(f"<{upper}>", f"<{upper.lower()}>").replace(f"</{upper}>",
                                                                        f"</{upper.lower()}>")
    text = text.replace("<p>", '<p class="P1">', 1) + "</p>\r\n"
    if rnd.random() < 0.05:
        text += "<p><br></p>\r\n"
    return text.encode("utf-8")


WEB_PAGE_HEAD = (b'<!DOCTYPE html>\r\n<html lang="ja">\r\n<head>\r\n<meta charset="utf-8">\r\n'
                 b"<title>\xe6\x96\x87\xe6\x9b\xb8</title>\r\n<style>p { margin: 0 }</style>\r\n"
                 b"</head>\r\n<body>\r\n")
WEB_PAGE_CLOSING = b"</body>\r\n</html>\r\n"


# The page starts as the converter's own HTML does, up to its first paragraph tag, which each
# paragraph of the pool brings itself.
PAGE_HEAD = HTML_HEAD[:-len(b"<P>")]
PAGE_CLOSING = HTML_END[len(b"\r\n"):]


def dense_document_paragraph(rnd):
    """A paragraph of 72-column lines with about one event in ten bytes: pairs of spaces,
    attribute codes, external characters, characters whose trail byte is 0xEC or above."""
    layout = DocumentLayout(rnd)
    layout.out = bytearray()
    for _ in range(rnd.randint(20, 120)):
        for _ in range(rnd.randint(2, 8)):
            roll = rnd.random()
            if roll < 0.5:
                layout.char(two(rnd.choice(HIRAGANA)))
            else:
                layout.char(bytes((rnd.randrange(0x21, 0x7F),)))
        event = rnd.randrange(4)
        if event == 0:
            layout.char(b" ")
            layout.char(b" ")
        elif event == 1:
            on, off = rnd.choice((UNDERLINE,) + SCRIPTS)
            layout.out += bytes((0xEF, 0xC0, on))
            layout.char(two(rnd.choice(HIRAGANA)))
            layout.out += bytes((0xEF, 0xC0, off)) + (b" " if off == 0x3B else b"")
        elif event == 2:
            layout.char(two(rnd.choice(EXTERNAL_CHARS)))
        else:
            layout.char(bytes((rnd.choice(KANJI_LEADS), rnd.randrange(0xEC, 0xFD))))
    layout.out += PARAGRAPH_LINE_END
    return bytes(layout.out)


def dense_html_paragraph(rnd):
    """A paragraph with about one event in ten bytes: tags, references, one-byte and two-byte
    characters mixed so that pads are many, and characters the document keeps as its own."""
    out = bytearray(b"<P>")
    for _ in range(rnd.randint(20, 120)):
        for _ in range(rnd.randint(2, 6)):
            out += two(rnd.choice(HIRAGANA)) if rnd.random() < 0.5 else bytes(
                (rnd.randrange(0x21, 0x7F) if rnd.random() < 0.95 else 0x20,)).replace(b"<", b">")
        out += rnd.choice([b"<U>", b"</U>", b"<SUP>", b"</SUP>", b"<sub>", b"</sub>", b"<p>",
                           b"&amp;", two(rnd.choice(HTML_EXTERNAL)), b"\xfa\x4a", b"\xfb\xfc",
                           b"\r\n"])
    out += b"\r\n"
    return bytes(out)


def parse_size(text):
    scale = {"K": 10**3, "M": 10**6, "G": 10**9}.get(text[-1:].upper(), 1)
    return int(text[:-1] if scale > 1 else text) * scale


def tree(rnd, count, size, root):
    """Writes an archive of small documents: folders d000, d001, ... of 100 files each."""
    layout = DocumentLayout(rnd)
    text = Text(rnd)
    pool = [layout.paragraph(text.paragraph()) for _ in range(POOL_SIZE)]
    for i in range(count):
        folder = os.path.join(root, f"d{i // 100:03}")
        if i % 100 == 0:
            os.makedirs(folder, exist_ok=True)
        body = bytearray()
        while len(body) < size:
            body += pool[rnd.randrange(POOL_SIZE)]
        with open(os.path.join(folder, f"{i:06}.DOC"), "wb") as out:
            out.write(body[:size] + b"\x1a")


def main(argv):
    if len(argv) == 5 and argv[1] == "tree":
        tree(random.Random(5), parse_size(argv[2]), parse_size(argv[3]), argv[4])
        return
    if len(argv) != 4 or argv[1] not in ("document", "html", "dense-document", "dense-html",
                                         "web-html"):
        sys.exit(__doc__)
    kind, size, path = argv[1], parse_size(argv[2]), argv[3]
    rnd = random.Random(5)
    text = Text(rnd)
    if kind == "document":
        layout = DocumentLayout(rnd)
        pool = [layout.paragraph(text.paragraph()) for _ in range(POOL_SIZE)]
    elif kind == "html":
        pool = [html_paragraph(rnd, text.paragraph()) for _ in range(POOL_SIZE)]
    elif kind == "web-html":
        pool = [web_html_paragraph(rnd, text.paragraph()) for _ in range(POOL_SIZE)]
    elif kind == "dense-document":
        pool = [dense_document_paragraph(rnd) for _ in range(POOL_SIZE)]
    else:
        pool = [dense_html_paragraph(rnd) for _ in range(POOL_SIZE)]
    head, closing = (b"", b"\x1a") if kind.endswith("document") else (PAGE_HEAD, PAGE_CLOSING)
    if kind == "web-html":
        head, closing = WEB_PAGE_HEAD, WEB_PAGE_CLOSING
    with open(path, "wb") as out:
        written = out.write(head)
        batch = []
        while written < size - len(closing):
            paragraph = pool[rnd.randrange(POOL_SIZE)]
            batch.append(paragraph)
            written += len(paragraph)
            if len(batch) == 4096:
                out.write(b"".join(batch))
                batch = []
        out.write(b"".join(batch))
        out.write(closing)


if __name__ == "__main__":
    main(sys.argv)
