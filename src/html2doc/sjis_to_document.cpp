#include "html2doc/sjis_to_document.h"

#include <array>

namespace wpconv {

namespace {

struct Substitution {
  CharCode character;
  CharCode document_code;
};

constexpr Substitution sjis_to_document_table[] = {
#include "html2doc/sjis_to_document.inc"
};

constexpr Substitution cp932_duplicates[] = {
#include "html2doc/cp932_duplicates.inc"
};

// The lead bytes of the table's characters: every other character leaves at once.
constexpr std::array<bool, 256> SUBSTITUTED_LEADS = [] {
  std::array<bool, 256> leads{};
  for (const Substitution& row : sjis_to_document_table) leads[row.character >> 8] = true;
  return leads;
}();

}  // namespace

CharCode document_code_for(CharCode character) {
  if (character >> 8 >= DOCUMENT_CODE_LEAD_FIRST) {
    CharCode duplicate = GETA_MARK;
    for (const Substitution& row : cp932_duplicates) {
      if (row.character == character) duplicate = row.document_code;
    }
    character = duplicate;
  }
  if (!SUBSTITUTED_LEADS[character >> 8]) return character;
  for (const Substitution& row : sjis_to_document_table) {
    if (row.character == character) return row.document_code;
  }
  return character;
}

}  // namespace wpconv
