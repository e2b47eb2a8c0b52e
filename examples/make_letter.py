#!/usr/bin/env python3
"""Writes LETTER.OA2, the bundled sample: a short business letter as the word processor stores
it, with a file header, paragraphs, underline, superscript, subscript, pairs of spaces (shown as
full-width spaces), external characters and lines laid out to 72 columns.

Run it from this folder to rebuild the sample: python3 make_letter.py
"""

import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests"))
from docformat import (FILLER_LINE_END, LINE_WIDTH, PARAGRAPH_MARK, SCRIPT_OFF,  # noqa: E402
                       SUBSCRIPT_ON, SUPERSCRIPT_ON, UNDERLINE_OFF, UNDERLINE_ON)

CIRCLED = [bytes([0xEC, 0xC7 + n]) for n in range(10)]  # circled numbers 1 to 10
BLACK_STAR = b"\xEF\xA1"
MILLIMETRE = b"\xEC\x5B"  # spelled "mm" in HTML


def text(s):
    return s.encode("cp932")


# Each paragraph is a list of pieces: text, or an attribute or external-character code.
PARAGRAPHS = [
    [text("株式会社　山田商事")],
    [text("総務部　御中")],
    [],
    [text("拝啓  春暖の候、貴社ますますご清栄のこととお喜び申し上げます。"
          "平素は格別のお引き立てを賜り、厚く御礼申し上げます。")],
    [text("さて、下記のとおり新製品の説明会を開催いたします。ご多忙のところ恐縮ですが、"
          "万障お繰り合わせのうえご出席くださいますようお願い申し上げます。")],
    [text("記")],
    [CIRCLED[0], text("  日時：４月１０日（金）午後２時から")],
    [CIRCLED[1], text("  会場：本社３階会議室（広さ５０m"), SUPERSCRIPT_ON, text("2"), SCRIPT_OFF,
     text("）")],
    [CIRCLED[2], text("  議題："), UNDERLINE_ON, text("新型浄水器の販売計画"), UNDERLINE_OFF],
    [CIRCLED[3], text("  資料：フィルター径２５"), MILLIMETRE, text("、H"), SUBSCRIPT_ON,
     text("2"), SCRIPT_OFF, text(" Oの硬度の比較表")],
    [BLACK_STAR, text("  当日は筆記用具をお持ちください。")],
    [text("敬具")],
]


def is_lead_byte(b):
    return 0x80 <= b <= 0x9F or b >= 0xE0


def lay_out(paragraphs):
    """Lines of at most 72 columns; two-byte characters start on even columns."""
    out = bytearray()
    for paragraph in paragraphs:
        column = 0
        for piece in paragraph:
            if piece.startswith(b"\xEF\xC0"):  # attribute codes take no column
                out += piece
                continue
            i = 0
            while i < len(piece):
                width = 2 if is_lead_byte(piece[i]) else 1
                if width == 2 and column % 2:
                    out += b" "
                    column += 1
                if column + width > LINE_WIDTH:
                    out += FILLER_LINE_END
                    column = 0
                out += piece[i:i + width]
                column += width
                i += width
        out += PARAGRAPH_MARK + FILLER_LINE_END
    return bytes(out)


def main():
    # The header: document properties the converter skips; the text starts after the first
    # F0 04 control sequence from offset 2000 on.
    header = bytearray(2048)
    header[0:16] = b"WPCONV SAMPLE\x00\x00\x00"
    body = lay_out(PARAGRAPHS)
    # The word processor may put a control sequence (F0 04 x x) between the two bytes of a
    # character; the last character of the letter is stored so.
    closing = text("敬具")
    body = body.replace(closing, closing[:3] + b"\xF0\x04\x00\x01" + closing[3:])
    with open("LETTER.OA2", "wb") as f:
        f.write(bytes(header) + b"\xF0\x04\x00\x00" + body + b"\x1A")


if __name__ == "__main__":
    main()
