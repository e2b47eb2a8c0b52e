// Byte sources and sinks over strings, for the tests. A source can hand out its bytes in small
// pieces, so that every position of a block boundary can be tried.
#ifndef WPCONV_TESTS_MEMORY_STREAM_H_
#define WPCONV_TESTS_MEMORY_STREAM_H_

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>

#include "io/byte_stream.h"

namespace wpconv {

class MemorySource : public ByteSource {
 public:
  explicit MemorySource(std::string_view bytes, std::size_t piece = STREAM_BLOCK_SIZE)
      : bytes_(bytes), piece_(piece) {}
  // After `offset` bytes have been handed out, the next read fails.
  void fail_at(std::size_t offset) { fail_at_ = offset; }

  std::ptrdiff_t read(unsigned char* buffer, std::size_t size) override {
    if (offset_ >= fail_at_) return -1;
    std::size_t n = std::min({size, piece_, bytes_.size() - offset_, fail_at_ - offset_});
    std::memcpy(buffer, bytes_.data() + offset_, n);
    offset_ += n;
    return static_cast<std::ptrdiff_t>(n);
  }
  bool rewind() override {
    offset_ = 0;
    return true;
  }

 private:
  std::string_view bytes_;
  std::size_t piece_;
  std::size_t offset_ = 0;
  std::size_t fail_at_ = std::string_view::npos;
};

class MemorySink : public ByteSink {
 public:
  // Writes fail once the sink would hold more than `capacity` bytes.
  explicit MemorySink(std::size_t capacity = std::string::npos) : capacity_(capacity) {}
  bool write(const unsigned char* buffer, std::size_t size) override {
    if (size > capacity_ - bytes.size()) return false;
    bytes.append(reinterpret_cast<const char*>(buffer), size);
    return true;
  }
  std::string bytes;

 private:
  std::size_t capacity_;
};

}  // namespace wpconv

#endif  // WPCONV_TESTS_MEMORY_STREAM_H_
