// Both converters take runs of ordinary text straight from the reader's buffer and leave every
// other byte to their byte-by-byte state machines. A source that hands out one byte per read
// leaves nothing buffered for a run, so the state machine alone converts it: that output is the
// reference here. The inputs put each byte that needs a decision at every offset of a read block,
// after text that ends on either kind of character, and in HTML at every column of a line. The
// read sizes put block ends where the vector kernels' loops end, and give the HTML direction more
// than two of its 64-byte windows at once. Each check runs with every level of kernels.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "doccodes/doc_codes.h"
#include "io/byte_stream.h"
#include "simd/byte_set.h"
#include "test_support.h"

namespace wpconv {
namespace {

struct Unit {
  const char* name;
  std::string bytes;
};

// Text that comes before a unit, cut at any length: a cut may leave a lead byte right before it.
const std::vector<Unit>& contexts() {
  static const std::vector<Unit> all = [] {
    std::vector<Unit> result = {
        {"one-byte", ""}, {"two-byte", ""}, {"lead-range trails", ""}, {"mixed", ""}};
    for (int i = 0; i < 80; ++i) {
      result[0].bytes += static_cast<char>('a' + i % 26);
      result[1].bytes += bytes("82 A0");
      result[2].bytes += bytes("88 88 E0 9F");
      result[3].bytes += bytes("'x' 89 EC A6");
    }
    return result;
  }();
  return all;
}

std::string cut(const std::string& text, std::size_t length) {
  return text.substr(0, length);
}

std::string describe(const Unit& unit, const Unit& context, std::size_t length, std::size_t piece) {
  return std::string(unit.name) + " after " + std::to_string(length) + " bytes of " + context.name +
         " text, read " + std::to_string(piece) + " bytes at a time";
}

// The trails that both converters find for 64 bytes at once, against walking the window
// character by character.
TEST(BlockBoundary, TrailBitsAgreeWithWalkingTheCharacters) {
  std::uint64_t leads = 0x9E3779B97F4A7C15;
  for (int n = 0; n < 100000; ++n) {
    leads = leads * 6364136223846793005 + 1442695040888963407;
    const std::uint64_t sample = n % 3 == 0 ? leads : n % 3 == 1 ? leads | leads >> 3 : ~leads;
    std::uint64_t expected = 0;
    for (int i = 0; i < 64; i += (sample >> i) & 1 ? 2 : 1) {
      if ((sample >> i) & 1 && i < 63) expected |= std::uint64_t{1} << (i + 1);
    }
    ASSERT_EQ(trail_bits(sample), expected) << std::hex << sample;
  }
}

TEST(BlockBoundary, DocumentBytesThatNeedADecision) {
  const std::vector<Unit> units = {
      {"trail 1A", bytes("82 1A")},
      {"interrupted character", bytes("82 F0 04 00 00 A0")},
      {"trail F0 before a character", bytes("82 F0 41")},
      {"trail F0 before spaces", bytes("82 F0 20 20")},
      {"trail LF", bytes("82 0A")},
      {"trails in the code range", bytes("88 EC 89 FC E0 EF")},
      {"attributes", bytes("EF C0 37 '2' EF C0 3B 20 'x' EF C0 22 'u' EF C0 28")},
      {"paragraph line end", std::string(PARAGRAPH_LINE_END)},
      {"filler line end", std::string(FILLER_LINE_END)},
      {"blank cells and control bytes", bytes("EF A3 0D EF A3 0A 00")},
      {"spaces", bytes("20 20 20 'a' 20 82 A0 20")},
      {"external characters", bytes("EC 5B ED 9F EF A1 EC 3F")},
      {"operands", bytes("EF AF 01 02 03 F0 04 12 34")},
      {"private characters", bytes("F0 05 FF FF")},
      {"one-byte characters", bytes("A0 DF 7F 21 '<&>'")},
      {"edges of the byte ranges", bytes("1F 'a' EB 40 21 EC 40 7E 80 FF 9F 40")},
  };
  const std::vector<Unit> endings = {
      {"end of input", ""},        {"end of text", bytes("1A 'x'")},
      {"lone lead", bytes("82")},  {"trail F0 before end of text", bytes("82 F0 1A")},
      {"lone space", bytes("20")}, {"cut attribute", bytes("EF C0")},
  };
  for_each_level([&](simd::Level level) {
    SCOPED_TRACE(simd::level_name(level));
    // 64, 65: block ends at and just past the end of a 64-byte window of the kernels.
    for (std::size_t piece : {7u, 40u, 64u, 65u}) {
      for (const Unit& context : contexts()) {
        for (std::size_t length = 0; length <= 2 * piece; ++length) {
          const Unit& ending = endings[length % endings.size()];
          for (const Unit& unit : units) {
            std::string document = cut(context.bytes, length) + unit.bytes +
                                   cut(context.bytes, piece + 1) + unit.bytes + ending.bytes;
            ASSERT_EQ(document_to_html(document, {.piece = piece}),
                      document_to_html(document, {.piece = 1}))
                << describe(unit, context, length, piece) << ", then " << ending.name;
          }
        }
      }
    }
  });
}

TEST(BlockBoundary, HtmlBytesThatNeedADecision) {
  const std::vector<Unit> units = {
      {"paragraph tags", "<P>x<p>"},
      {"attribute tags", "<U>u</U><SUP>2</SUP><sub>3</sub>"},
      {"other tags and references", "<BR><FONT SIZE=2>&lt;"},
      {"replaced characters", bytes("81 9A 87 40 84 AC")},
      {"two-byte character after one byte", bytes("'a' 82 A0")},
      {"line ends and control bytes", bytes("0D 0A 0A 09 0D 'y'")},
      {"spaces", "  "},
      {"trail LF", bytes("82 0A")},
      {"trail '<'", bytes("82 3C")},
      {"lead-range trails", bytes("88 88 E0 E0")},
      {"characters the document would take as codes", bytes("FA 4A FB FC EF C0 ED 40 F0 04")},
  };
  const std::vector<Unit> endings = {
      {"end of input", ""},
      {"end of body", "</BODY></HTML>"},
      {"end of text", bytes("1A 'x'")},
      {"lone lead", bytes("82")},
      {"cut tag", "<P"},
  };
  for_each_level([&](simd::Level level) {
    SCOPED_TRACE(simd::level_name(level));
    // 100: a whole line in one read; 300: room for the windows.
    for (std::size_t piece : {7u, 16u, 100u, 300u}) {
      for (const char* start : {"<HTML><BODY><P>", "before the text "}) {
        for (const Unit& context : contexts()) {
          // Every column of a line, and every offset of a block.
          for (std::size_t length = 0; length <= LINE_WIDTH + 2; ++length) {
            const Unit& ending = endings[length % endings.size()];
            for (const Unit& unit : units) {
              std::string html = start + cut(context.bytes, length) + unit.bytes +
                                 cut(context.bytes, 200) + unit.bytes + ending.bytes;
              ASSERT_EQ(html_to_document(html, {.piece = piece}),
                        html_to_document(html, {.piece = 1}))
                  << describe(unit, context, length, piece) << ", then " << ending.name;
            }
          }
        }
      }
    }
  });
}

// Long inputs with everything above, across the real block size and read sizes that do not
// divide it.
TEST(BlockBoundary, LongInputsAcrossFullBlocks) {
  std::string document;
  std::string html = "<P>";
  for (int i = 0; document.size() < 3 * STREAM_BLOCK_SIZE; ++i) {
    const Unit& context = contexts()[static_cast<std::size_t>(i) % contexts().size()];
    std::size_t length = static_cast<std::size_t>(i * 7 % 61);
    document +=
        cut(context.bytes, length) + bytes(i % 3 == 0 ? "82 F0 04 00 00 A0 EF A3 0D 0A 20 20"
                                                      : "EF C0 37 '2' EF C0 3B 20 'a' 20");
    document += i % 5 == 0 ? PARAGRAPH_LINE_END : FILLER_LINE_END;
    html += cut(context.bytes, length) + (i % 4 == 0 ? "\r\n<P>" : "<U>u</U>") +
            bytes(i % 3 == 0 ? "81 9A 20" : "'a' 82 A0");
  }
  std::string html_reference = document_to_html(document, {.piece = 1});
  std::string document_reference = html_to_document(html, {.piece = 1});
  for_each_level([&](simd::Level level) {
    SCOPED_TRACE(simd::level_name(level));
    for (bool threads : {false, true}) {
      for (std::size_t piece : {STREAM_BLOCK_SIZE, std::size_t{4093}, std::size_t{100}}) {
        const ReadPlan plan{.piece = piece, .threads = threads};
        EXPECT_EQ(document_to_html(document, plan), html_reference)
            << "read size " << piece << ", threads " << threads;
        EXPECT_EQ(html_to_document(html, plan), document_reference)
            << "read size " << piece << ", threads " << threads;
      }
    }
  });
}

}  // namespace
}  // namespace wpconv
