#include "io/byte_stream.h"

#include <gtest/gtest.h>

#include <string>

#include "memory_stream.h"

namespace wpconv {
namespace {

std::string read_all(ByteReader& reader) {
  std::string result;
  for (int c; (c = reader.get()) >= 0;) result += static_cast<char>(c);
  return result;
}

std::string read_text(std::string_view input, std::size_t piece) {
  MemorySource source(input, piece);
  ByteReader reader(source, ByteReader::Mode::text);
  return read_all(reader);
}

TEST(ByteReader, TextModeDropsEveryCrAndEndsAtTheFirst1A) {
  for (std::size_t piece : {1u, 2u, 3u, 1000u}) {
    EXPECT_EQ(read_text("a\r\nb\r\r\rc\r", piece), "a\nbc") << piece;
    EXPECT_EQ(read_text("ab\x1A"
                        "cd\x1A",
                        piece),
              "ab")
        << piece;
    EXPECT_EQ(read_text("\r\r\r\x1A", piece), "") << piece;
    EXPECT_EQ(read_text("\r\r\rx", piece), "x") << piece;
  }
}

TEST(ByteReader, LargeInputAcrossBlocks) {
  std::string input;
  for (int i = 0; i < 200000; ++i) input += static_cast<char>(i % 251);
  MemorySource source(input);
  ByteReader reader(source);
  EXPECT_EQ(read_all(reader), input);
  EXPECT_EQ(reader.get(), -1);  // and stays at the end
  EXPECT_FALSE(reader.failed());
}

TEST(ByteReader, ReadErrorEndsTheInputAndIsKept) {
  MemorySource source("abcdef", 2);
  source.fail_at(4);
  ByteReader reader(source);
  EXPECT_EQ(read_all(reader), "abcd");
  EXPECT_TRUE(reader.failed());
  EXPECT_EQ(reader.get(), -1);
}

TEST(ByteReader, StopsWhenAskedAtTheNextBlock) {
  MemorySource source("abcdef", 2);
  ByteReader reader(source);
  bool stop = false;
  reader.stop_when(&stop);
  EXPECT_EQ(reader.get(), 'a');
  stop = true;
  EXPECT_EQ(reader.get(), 'b');
  EXPECT_EQ(reader.get(), -1);
  EXPECT_FALSE(reader.failed());
}

TEST(ByteWriter, TextModeWritesEveryLfAsCrLf) {
  MemorySink sink;
  ByteWriter writer(sink, ByteWriter::Mode::text);
  writer.write("a\nb\n\n");
  writer.put('\n');
  writer.put('\r');
  EXPECT_TRUE(writer.flush());
  EXPECT_EQ(sink.bytes, "a\r\nb\r\n\r\n\r\n\r");
}

TEST(ByteWriter, FailureIsStickyAndDropsTheRest) {
  MemorySink sink(STREAM_BLOCK_SIZE + 10);
  ByteWriter writer(sink);
  std::string block(STREAM_BLOCK_SIZE, 'x');
  writer.write(block);
  writer.write(block);
  EXPECT_FALSE(writer.flush());  // the second block did not fit
  EXPECT_TRUE(writer.failed());
  writer.write("more");
  EXPECT_FALSE(writer.flush());
  EXPECT_EQ(sink.bytes.size(), STREAM_BLOCK_SIZE);
}

}  // namespace
}  // namespace wpconv
