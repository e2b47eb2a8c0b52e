"""The byte strings of the document format and the HTML's fixed parts, for the scripts that
make or check files: the end-to-end runner, the browser check, the fuzz seeds, the benchmark
generator and the sample letter. Import it with this folder on sys.path.
"""

LINE_WIDTH = 72
END_OF_TEXT = b'\x1a'
PARAGRAPH_MARK = b'\xef\xa0'
BLANK_CELL = b'\xef\xa3'
FILLER_LINE_END = BLANK_CELL * 12 + b'\r\n'
PARAGRAPH_LINE_END = PARAGRAPH_MARK + FILLER_LINE_END
ATTRIBUTE_CODE = b'\xef\xc0'
UNDERLINE_ON, UNDERLINE_OFF = ATTRIBUTE_CODE + b'\x22', ATTRIBUTE_CODE + b'\x28'
SUPERSCRIPT_ON, SUBSCRIPT_ON = ATTRIBUTE_CODE + b'\x37', ATTRIBUTE_CODE + b'\x38'
SCRIPT_OFF = ATTRIBUTE_CODE + b'\x3b'

# Every HTML file written starts and ends with these.
HTML_HEAD = (b'<HTML>\r\n<META HTTP-EQUIV="Content-Type" '
             b'CONTENT="text/html; charset=x-sjis">\r\n<BODY><P>')
HTML_END = b'\r\n</BODY>\r\n</HTML>\r\n'
