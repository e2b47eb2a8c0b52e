// The character encodings a page may come in, by the names and labels browsers know them by.
#ifndef WPCONV_ENCODING_ENCODING_H_
#define WPCONV_ENCODING_ENCODING_H_

#include <optional>
#include <string_view>

namespace wpconv::encoding {

enum class Encoding { utf8, utf16le, utf16be, shift_jis, euc_jp, iso_2022_jp, windows_1252 };

// The encoding's name as browsers report it: "UTF-8", "Shift_JIS", "windows-1252"...
std::string_view encoding_name(Encoding encoding);

// The encoding a label names ("x-sjis", "euc-jp", "latin1"...), ASCII case-insensitive, with
// ASCII white space around it ignored; nothing for a label of any other encoding. The labels
// of ISO-8859-1 and US-ASCII name windows-1252, as browsers take them.
std::optional<Encoding> encoding_from_label(std::string_view label);

}  // namespace wpconv::encoding

#endif  // WPCONV_ENCODING_ENCODING_H_
