#include "html2doc/sjis_to_document.h"

namespace {

struct Substitution {
  CharCode character;
  CharCode document_code;
};

constexpr Substitution sjis_to_document_table[] = {
#include "html2doc/sjis_to_document.inc"
};

}  // namespace

CharCode document_code_for(CharCode character) {
  // Only three lead bytes occur in the table; most characters leave at once.
  unsigned lead = character >> 8;
  if (lead != 0x81 && lead != 0x84 && lead != 0x87) return character;
  for (const Substitution& row : sjis_to_document_table) {
    if (row.character == character) return row.document_code;
  }
  return character;
}
