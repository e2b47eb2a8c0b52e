// The standard Shift-JIS replacements of the word processor's external characters.
#ifndef WPCONV_DOC2HTML_EXTERNAL_CHARS_H_
#define WPCONV_DOC2HTML_EXTERNAL_CHARS_H_

#include "doccodes/doc_codes.h"

namespace wpconv {

// True for the codes that are looked up: 0xEC40 to 0xEFFF.
constexpr bool is_external_char(unsigned code) {
  return code >= EXTERNAL_CHAR_FIRST && code <= EXTERNAL_CHAR_LAST;
}

// The replacement of an external character, always written as two bytes. A code whose trail
// byte lies outside 0x40-0xFC has no entry and gets "??", like every unmapped character.
CharCode external_char_replacement(CharCode code);

}  // namespace wpconv

#endif  // WPCONV_DOC2HTML_EXTERNAL_CHARS_H_
