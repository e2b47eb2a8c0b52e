// Helpers shared by the unit tests: byte strings written in hex, converters run on strings.
#ifndef WPCONV_TESTS_TEST_SUPPORT_H_
#define WPCONV_TESTS_TEST_SUPPORT_H_

#include <cstddef>
#include <string>
#include <string_view>

// Bytes from text in which hex pairs stand for bytes and "quoted" parts for themselves:
// bytes("41 42 'C' EF A0") is "ABC\xEF\xA0". Spaces between items are ignored.
std::string bytes(std::string_view notation);

// The converters on strings; `piece` is how many bytes each read of the input hands out, and
// the read after `fail_at` bytes fails.
std::string html_from_document(std::string_view document, std::size_t piece = 65536,
                               std::size_t fail_at = std::string_view::npos);
std::string document_from_html(std::string_view html, std::size_t piece = 65536,
                               std::size_t fail_at = std::string_view::npos);

// The HTML written for a document body, without the fixed head and closing lines.
std::string html_body(std::string_view document);

#endif  // WPCONV_TESTS_TEST_SUPPORT_H_
