// Reading ahead and writing behind on threads of their own, for ByteReader and ByteWriter. CMake
// chooses one of two files: stream_threads.cpp starts the threads; stream_threads_none.cpp, for a
// build without threads (a web page), starts none, and the streams then read and write in place.
#ifndef WPCONV_IO_STREAM_THREADS_H_
#define WPCONV_IO_STREAM_THREADS_H_

#include <atomic>
#include <cstddef>
#include <memory>

#include "io/byte_stream.h"

namespace wpconv {

// Removes every CR from [begin, end) and cuts the block at its first 0x1A, setting `at_eof_mark`;
// returns the new end, and in `source_bytes` the bytes of the source that the block stands for,
// the 0x1A included. The text mode of a read, on whichever thread reads.
unsigned char* apply_text_mode(unsigned char* begin, unsigned char* end, bool& at_eof_mark,
                               std::size_t& source_bytes);

struct ReadBlock {
  std::unique_ptr<unsigned char[]> memory{
      new unsigned char[ByteReader::LOOKAHEAD + STREAM_BLOCK_SIZE]};
  unsigned char* data = memory.get() + ByteReader::LOOKAHEAD;  // after room for a carry
  std::size_t size = 0;
  std::size_t source_bytes = 0;  // of the source, before text mode took out CRs and the 0x1A
  bool last = false;             // nothing comes after it
  bool failed = false;
  const BlockIndexer* indexed_by = nullptr;  // what indexed these bytes, if anything
  std::unique_ptr<BlockIndex> index;
  const BlockIndexer* index_made_by = nullptr;
};

class ReadAhead {
 public:
  virtual ~ReadAhead() = default;
  // The next block, once it is read.
  virtual ReadBlock* next() = 0;
  // Gives a block back to be filled again; null is ignored.
  virtual void give_back(ReadBlock* block) = 0;
  // Indexes each block read from now on with `indexer`, or none with null.
  virtual void index_with(const BlockIndexer* indexer) = 0;
};

class WriteBehind {
 public:
  virtual ~WriteBehind() = default;
  // A block of STREAM_BLOCK_SIZE bytes to fill.
  virtual unsigned char* take() = 0;
  // Hands over a filled block to be written.
  virtual void pass(unsigned char* block, std::size_t size) = 0;
  // Waits until every block handed over is written.
  virtual void drain() = 0;
};

// Nothing where this build has no threads. A failed write stores true in `failed`, and after it
// nothing more is written.
std::unique_ptr<ReadAhead> start_read_ahead(ByteSource& source, ByteReader::Mode mode);
std::unique_ptr<WriteBehind> start_write_behind(ByteSink& sink, std::atomic<bool>& failed);

}  // namespace wpconv

#endif  // WPCONV_IO_STREAM_THREADS_H_
