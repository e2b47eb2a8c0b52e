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

std::string read_text(std::string_view input, std::size_t piece, bool read_ahead) {
  MemorySource source(input, piece);
  ByteReader reader(source, ByteReader::Mode::text, read_ahead);
  return read_all(reader);
}

// Each reader test runs with and without the thread that reads ahead.
TEST(ByteReader, TextModeDropsEveryCrAndEndsAtTheFirst1A) {
  for (bool read_ahead : {false, true}) {
    for (std::size_t piece : {1u, 2u, 3u, 1000u}) {
      SCOPED_TRACE(testing::Message() << "read size " << piece << ", read ahead " << read_ahead);
      EXPECT_EQ(read_text("a\r\nb\r\r\rc\r", piece, read_ahead), "a\nbc");
      EXPECT_EQ(read_text("ab\x1A"
                          "cd\x1A",
                          piece, read_ahead),
                "ab");
      EXPECT_EQ(read_text("\r\r\r\x1A", piece, read_ahead), "");
      EXPECT_EQ(read_text("\r\r\rx", piece, read_ahead), "x");
    }
  }
}

TEST(ByteReader, LargeInputAcrossBlocksWithBytesCarriedOver) {
  std::string input;
  for (int i = 0; i < 200000; ++i) input += static_cast<char>(i % 251);
  for (bool read_ahead : {false, true}) {
    for (std::size_t piece : {std::size_t{7}, STREAM_BLOCK_SIZE}) {
      MemorySource source(input, piece);
      ByteReader reader(source, ByteReader::Mode::binary, read_ahead);
      // Runs of up to LOOKAHEAD bytes taken whole, whatever block they start in.
      std::string taken;
      for (std::size_t n = 1; reader.ensure(n % ByteReader::LOOKAHEAD + 1); ++n) {
        std::size_t length = n % ByteReader::LOOKAHEAD + 1;
        taken.append(reinterpret_cast<const char*>(reader.data()), length);
        reader.advance(length);
      }
      taken += read_all(reader);
      EXPECT_EQ(taken, input) << "read size " << piece << ", read ahead " << read_ahead;
      EXPECT_TRUE(reader.at_end());
      EXPECT_EQ(reader.get(), -1);  // and stays at the end
      EXPECT_FALSE(reader.failed());
    }
  }
}

// Blocks read ahead after index_blocks() come with an index of their own bytes, as text mode
// leaves them; once indexing stops, those read after come without one. Without a thread to read
// ahead on, no block has one.
TEST(ByteReader, IndexesBlocksReadAheadOfTheirOwnBytes) {
#ifdef WPCONV_NO_THREADS
  constexpr bool threads = false;
#else
  constexpr bool threads = true;
#endif
  struct Copy : BlockIndex {
    std::string bytes;
  };
  struct Copier : BlockIndexer {
    std::unique_ptr<BlockIndex> make() const override { return std::make_unique<Copy>(); }
    void index(const unsigned char* data, std::size_t size, BlockIndex& index) const override {
      static_cast<Copy&>(index).bytes.assign(reinterpret_cast<const char*>(data), size);
    }
  };
  static const Copier copier;
  std::string input;
  for (int i = 0; i < 300; ++i) input += "line " + std::to_string(i) + "\r\n";
  MemorySource source(input, 7);
  ByteReader reader(source, ByteReader::Mode::text, true);
  reader.index_blocks(&copier);
  int indexed = 0, unindexed_after_stop = 0;
  for (int block = 0; reader.ensure(1); ++block) {
    const std::string buffered(reinterpret_cast<const char*>(reader.data()), reader.available());
    const auto* index = static_cast<const Copy*>(reader.block_index(copier));
    if (index != nullptr) {
      EXPECT_EQ(index->bytes, buffered) << "block " << block;
    }
    indexed += index != nullptr;
    if (block == 100) reader.index_blocks(nullptr);
    // The blocks already read when indexing stopped may have been indexed.
    if (block > 104) unindexed_after_stop += index == nullptr;
    reader.advance(reader.available());
  }
  EXPECT_EQ(indexed > 90, threads);
  EXPECT_EQ(indexed == 0, !threads);
  EXPECT_GT(unindexed_after_stop, 200);
}

TEST(ByteReader, ReadErrorEndsTheInputAndIsKept) {
  for (bool read_ahead : {false, true}) {
    MemorySource source("abcdef", 2);
    source.fail_at(4);
    ByteReader reader(source, ByteReader::Mode::binary, read_ahead);
    EXPECT_EQ(read_all(reader), "abcd");
    EXPECT_TRUE(reader.failed());
    EXPECT_EQ(reader.get(), -1);
  }
}

TEST(ByteReader, StopsWhenAskedAtTheNextBlock) {
  MemorySource source("abcdef", 2);
  ByteReader reader(source);
  std::atomic<bool> stop = false;
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
  for (bool write_behind : {false, true}) {
    MemorySink sink(STREAM_BLOCK_SIZE + 10);
    ByteWriter writer(sink, ByteWriter::Mode::binary, write_behind);
    std::string block(STREAM_BLOCK_SIZE, 'x');
    for (int i = 0; i < 5; ++i) writer.write(block);
    EXPECT_FALSE(writer.flush());  // the second block did not fit
    EXPECT_TRUE(writer.failed());
    writer.write("more");
    EXPECT_FALSE(writer.flush());
    EXPECT_EQ(sink.bytes.size(), STREAM_BLOCK_SIZE) << "write behind " << write_behind;
  }
}

}  // namespace
}  // namespace wpconv
