// Shift-JIS characters that the word processor keeps as its own external characters.
#ifndef WPCONV_HTML2DOC_SJIS_TO_DOCUMENT_H_
#define WPCONV_HTML2DOC_SJIS_TO_DOCUMENT_H_

#include "doccodes/doc_codes.h"

namespace wpconv {

// The document code for a two-byte Shift-JIS character: its external character where the
// word processor has one, otherwise the character itself. A character whose first byte is 0xEC
// or above would be read back as one of the document's own codes, so it is first replaced by the
// same character at a lower code where code page 932 has one, or else by GETA_MARK.
CharCode document_code_for(CharCode character);

}  // namespace wpconv

#endif  // WPCONV_HTML2DOC_SJIS_TO_DOCUMENT_H_
