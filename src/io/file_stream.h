// Byte sources and sinks over the platform's files.
#ifndef WPCONV_IO_FILE_STREAM_H_
#define WPCONV_IO_FILE_STREAM_H_

#include <cstdint>

#include "io/byte_stream.h"
#include "platform/platform.h"

namespace wpconv {

// Both count the bytes that pass, and keep the system's code for why a read or write failed
// before anything else can change it.
class FileSource : public ByteSource {
 public:
  explicit FileSource(platform::File& file) : file_(file) {}
  std::ptrdiff_t read(unsigned char* buffer, std::size_t size) override {
    std::ptrdiff_t got = file_.read(buffer, size);
    if (got < 0) error_ = platform::last_error();
    if (got > 0) count_ += static_cast<std::uint64_t>(got);
    return got;
  }
  int error() const { return error_; }
  std::uint64_t count() const { return count_; }

 private:
  platform::File& file_;
  int error_ = 0;
  std::uint64_t count_ = 0;
};

class FileSink : public ByteSink {
 public:
  explicit FileSink(platform::OutputFile& file) : file_(file) {}
  bool write(const unsigned char* buffer, std::size_t size) override {
    bool written = file_.write(buffer, size);
    if (!written) error_ = platform::last_error();
    if (written) count_ += size;
    return written;
  }
  int error() const { return error_; }
  std::uint64_t count() const { return count_; }

 private:
  platform::OutputFile& file_;
  int error_ = 0;
  std::uint64_t count_ = 0;
};

}  // namespace wpconv

#endif  // WPCONV_IO_FILE_STREAM_H_
