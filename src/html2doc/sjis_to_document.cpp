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

// The lead bytes of the table's characters: every other character leaves at once.
constexpr std::array<bool, 256> SUBSTITUTED_LEADS = [] {
  std::array<bool, 256> leads{};
  for (const Substitution& row : sjis_to_document_table) leads[row.character >> 8] = true;
  return leads;
}();

}  // namespace

CharCode document_code_for(CharCode character) {
  if (!SUBSTITUTED_LEADS[character >> 8]) return character;
  for (const Substitution& row : sjis_to_document_table) {
    if (row.character == character) return row.document_code;
  }
  return character;
}

}  // namespace wpconv
