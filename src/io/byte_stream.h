// Buffered byte streams that the converters read and write. Sources and sinks are small
// interfaces so the converters run on files and, in tests, on strings alike.
#ifndef WPCONV_IO_BYTE_STREAM_H_
#define WPCONV_IO_BYTE_STREAM_H_

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>

namespace wpconv {

class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Reads at most `size` bytes: the count, 0 at the end, -1 on a read error.
  virtual std::ptrdiff_t read(unsigned char* buffer, std::size_t size) = 0;
  // Starts again from the first byte, for a caller that must read the input twice; false where
  // the source cannot.
  virtual bool rewind() { return false; }
};

class ByteSink {
 public:
  virtual ~ByteSink() = default;
  // Writes all `size` bytes; false on any error.
  virtual bool write(const unsigned char* buffer, std::size_t size) = 0;
};

inline constexpr std::size_t STREAM_BLOCK_SIZE = 64 * 1024;

class ReadAhead;
struct ReadBlock;
class WriteBehind;

// What a converter works out from a block's bytes alone, before it takes them.
class BlockIndex {
 public:
  virtual ~BlockIndex() = default;
};

// Works out a converter's BlockIndex of each block. Where blocks are read ahead, the reading
// thread does it as soon as it has read one, so that the converter's thread is spared the work.
// An indexer holds no state of its own: it lives as long as the program.
class BlockIndexer {
 public:
  virtual ~BlockIndexer() = default;
  virtual std::unique_ptr<BlockIndex> make() const = 0;
  // Indexes the block [data, data + size) into `index`, which make() made.
  virtual void index(const unsigned char* data, std::size_t size, BlockIndex& index) const = 0;
};

// Reads a source a block at a time. In text mode every CR byte is removed and the first 0x1A
// byte ends the input, as a text-mode file read does on the word processor's system. With
// `read_ahead`, a second thread reads the next blocks while the caller works on one; only for
// sources whose reads never wait long, such as files on a disk.
class ByteReader {
 public:
  enum class Mode { binary, text };
  // The most bytes ensure() can make available at once across the end of a block.
  static constexpr std::size_t LOOKAHEAD = 64;

  explicit ByteReader(ByteSource& source, Mode mode = Mode::binary, bool read_ahead = false);
  ~ByteReader();

  // The next byte, or -1 at the end of the input (and for ever after).
  int get() { return pos_ != end_ ? *pos_++ : refill(); }

  // Makes at least `count` (at most LOOKAHEAD) bytes available one after the other, keeping
  // those not yet taken, unless the input ends first; returns whether they are.
  bool ensure(std::size_t count) { return available() >= count || fill(count); }
  // True once no byte will come after those available.
  bool at_end() const { return at_end_; }

  // True once a read error has ended the input early.
  bool failed() const { return failed_; }

  // The bytes of the source taken so far, counted as they are taken, so that the count is the
  // same whether or not blocks are read ahead. In text mode, where removed CRs have no place in
  // the buffer, it is exact once the input is taken to its end (see skip_to_end); it counts the
  // 0x1A byte that ends the text.
  std::uint64_t consumed() const { return loaded_ - available(); }
  // Takes the rest of the input unseen, up to its end, a read error or the stop flag.
  void skip_to_end();

  // Ends the input at the next block boundary once `*flag` is true; lets a converter stop
  // reading when its output can no longer be written.
  void stop_when(const std::atomic<bool>* flag) { stop_flag_ = flag; }

  // The bytes already buffered, for loops that take runs of bytes at once.
  const unsigned char* data() const { return pos_; }
  std::size_t available() const { return static_cast<std::size_t>(end_ - pos_); }
  void advance(std::size_t n) { pos_ += n; }
  // Changes whenever the buffered bytes are replaced or moved.
  std::uint64_t block_number() const { return block_number_; }

  // Has the blocks read ahead from now on indexed by `indexer` as they are read; null stops it.
  // Without reading ahead, nothing is indexed.
  void index_blocks(const BlockIndexer* indexer);
  // The index that `indexer` made of the block that the buffered bytes end in, or null. It
  // covers the block's own bytes, not those carried ahead of them from the block before.
  const BlockIndex* block_index(const BlockIndexer& indexer) const;

 private:
  bool fill(std::size_t count);
  int refill() { return fill(1) ? *pos_++ : -1; }

  ByteSource& source_;
  Mode mode_;
  std::unique_ptr<unsigned char[]> buffer_;  // LOOKAHEAD bytes of room, then a block
  std::unique_ptr<ReadAhead> read_ahead_;
  ReadBlock* current_ = nullptr;    // with read_ahead_: the block the bytes are taken from
  unsigned char* block_ = nullptr;  // without: the block, after its room
  const unsigned char* pos_ = nullptr;
  const unsigned char* end_ = nullptr;
  std::uint64_t block_number_ = 0;
  std::uint64_t loaded_ = 0;  // bytes of the source in the blocks taken, up to the buffer's end
  bool at_end_ = false;
  bool failed_ = false;
  const std::atomic<bool>* stop_flag_ = nullptr;
};

// Writes to a sink a block at a time. In text mode every LF byte written goes out as CR LF.
// After the first failed write everything is dropped and failed() stays true. With
// `write_behind`, a second thread writes the full blocks while the caller fills the next.
class ByteWriter {
 public:
  enum class Mode { binary, text };
  explicit ByteWriter(ByteSink& sink, Mode mode = Mode::binary, bool write_behind = false);
  ~ByteWriter();

  void put(unsigned char byte) {
    if (mode_ == Mode::text && byte == '\n') put_raw('\r');
    put_raw(byte);
  }
  void write(const unsigned char* bytes, std::size_t size);
  void write(std::string_view text) {
    write(reinterpret_cast<const unsigned char*>(text.data()), text.size());
  }
  // Writes bytes as they are, in one copy, for the runs of bytes that converters take at once.
  // In text mode they must hold no LF.
  void write_unchanged(const unsigned char* bytes, std::size_t size) {
    if (size == 0) return;  // `bytes` may then be null, which memcpy does not allow
    if (size <= static_cast<std::size_t>(end_ - pos_)) {
      std::memcpy(pos_, bytes, size);
      pos_ += size;
    } else {
      write_raw(bytes, size);
    }
  }

  // At least `size` bytes (at most a block) of the buffer, to be written straight into and then
  // handed back with wrote_up_to(): for converters that lay out many small pieces without a test
  // for room each. The bytes go out as they are, as with write_unchanged.
  unsigned char* room(std::size_t size) {
    if (static_cast<std::size_t>(end_ - pos_) < size) pass_on();
    return pos_;
  }
  void wrote_up_to(unsigned char* end) { pos_ = end; }

  // Passes everything buffered to the sink and waits until it is written; false if any write
  // has failed.
  bool flush();
  const std::atomic<bool>& failed() const { return failed_; }

 private:
  void put_raw(unsigned char byte) {
    if (pos_ == end_) pass_on();
    *pos_++ = byte;
  }
  void write_raw(const unsigned char* bytes, std::size_t size);
  // Passes the buffered bytes on and starts a new block, without waiting for them to be written.
  void pass_on();

  ByteSink& sink_;
  Mode mode_;
  // Before write_behind_, so that it is destroyed after the thread that may store to it.
  std::atomic<bool> failed_ = false;
  std::unique_ptr<unsigned char[]> buffer_;
  std::unique_ptr<WriteBehind> write_behind_;
  unsigned char* begin_;
  unsigned char* pos_;
  unsigned char* end_;
};

}  // namespace wpconv

#endif  // WPCONV_IO_BYTE_STREAM_H_
