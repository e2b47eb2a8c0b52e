// Byte sources and sinks over the platform's files.
#ifndef WPCONV_IO_FILE_STREAM_H_
#define WPCONV_IO_FILE_STREAM_H_

#include <cstdint>

#include "io/byte_stream.h"
#include "platform/platform.h"

namespace wpconv {

// Both keep the system's code for why a read or write failed before anything else can change
// it. A sink counts the bytes written; what a source gives is counted by its reader as the bytes
// are taken, since a reading-ahead thread reads past what is taken.
class FileSource : public ByteSource {
 public:
  explicit FileSource(platform::File& file) : file_(file) {}
  std::ptrdiff_t read(unsigned char* buffer, std::size_t size) override {
    std::ptrdiff_t got = file_.read(buffer, size);
    if (got < 0) error_ = platform::last_error();
    return got;
  }
  // Read once the reader has reported the failure: the block that carries it is handed over
  // under a lock, after this is set.
  int error() const { return error_; }

 private:
  platform::File& file_;
  int error_ = 0;
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
