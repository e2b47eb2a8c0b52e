// Buffered byte streams that the converters read and write. Sources and sinks are small
// interfaces so the converters run on files and, in tests, on strings alike.
#ifndef WPCONV_IO_BYTE_STREAM_H_
#define WPCONV_IO_BYTE_STREAM_H_

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
};

class ByteSink {
 public:
  virtual ~ByteSink() = default;
  // Writes all `size` bytes; false on any error.
  virtual bool write(const unsigned char* buffer, std::size_t size) = 0;
};

inline constexpr std::size_t STREAM_BLOCK_SIZE = 64 * 1024;

// Reads a source through one block of memory. In text mode every CR byte is removed and the
// first 0x1A byte ends the input, as a text-mode file read does on the word processor's system.
class ByteReader {
 public:
  enum class Mode { binary, text };
  explicit ByteReader(ByteSource& source, Mode mode = Mode::binary);

  // The next byte, or -1 at the end of the input (and for ever after).
  int get() { return pos_ != end_ ? *pos_++ : refill(); }

  // True once a read error has ended the input early.
  bool failed() const { return failed_; }

  // Ends the input at the next block boundary once `*flag` is true; lets a converter stop
  // reading when its output can no longer be written.
  void stop_when(const bool* flag) { stop_flag_ = flag; }

  // The bytes already buffered, for loops that take runs of bytes at once.
  const unsigned char* data() const { return pos_; }
  std::size_t available() const { return static_cast<std::size_t>(end_ - pos_); }
  void advance(std::size_t n) { pos_ += n; }
  // Counts the blocks read: it changes when the buffered bytes are replaced.
  std::uint64_t block_number() const { return block_number_; }

 private:
  int refill();

  ByteSource& source_;
  Mode mode_;
  std::unique_ptr<unsigned char[]> buffer_;
  const unsigned char* pos_ = nullptr;
  const unsigned char* end_ = nullptr;
  std::uint64_t block_number_ = 0;
  bool at_end_ = false;
  bool failed_ = false;
  const bool* stop_flag_ = nullptr;
};

// Writes to a sink through one block of memory. In text mode every LF byte written goes out as
// CR LF. After the first failed write everything is dropped and failed() stays true.
class ByteWriter {
 public:
  enum class Mode { binary, text };
  explicit ByteWriter(ByteSink& sink, Mode mode = Mode::binary);

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
    if (static_cast<std::size_t>(end_ - pos_) < size) flush();
    return pos_;
  }
  void wrote_up_to(unsigned char* end) { pos_ = end; }

  // Passes everything buffered to the sink; false if any write has failed.
  bool flush();
  const bool& failed() const { return failed_; }

 private:
  void put_raw(unsigned char byte) {
    if (pos_ == end_) flush();
    *pos_++ = byte;
  }
  void write_raw(const unsigned char* bytes, std::size_t size);

  ByteSink& sink_;
  Mode mode_;
  std::unique_ptr<unsigned char[]> buffer_;
  unsigned char* pos_;
  unsigned char* end_;
  bool failed_ = false;
};

}  // namespace wpconv

#endif  // WPCONV_IO_BYTE_STREAM_H_
