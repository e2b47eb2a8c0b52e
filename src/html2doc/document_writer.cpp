#include "html2doc/document_writer.h"

#include <array>
#include <memory>

#include "html2doc/sjis_to_document.h"

namespace wpconv {

namespace {

struct CodeTable {
  CodeTable() : codes(new CharCode[0x10000]) {
    for (unsigned code = 0; code <= 0xFFFF; ++code) {
      codes[code] = document_code_for(static_cast<CharCode>(code));
      if (is_lead_byte(static_cast<unsigned char>(code >> 8)) && codes[code] != code)
        replaced_leads[code >> 8] = true;
    }
  }
  std::unique_ptr<CharCode[]> codes;
  std::array<bool, 256> replaced_leads{};
};

const CodeTable& code_table() {
  static const CodeTable table;
  return table;
}

}  // namespace

const CharCode* DocumentWriter::codes() {
  return code_table().codes.get();
}

bool DocumentWriter::lead_is_replaced(unsigned char lead) {
  return code_table().replaced_leads[lead];
}

}  // namespace wpconv
