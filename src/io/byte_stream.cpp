#include "io/byte_stream.h"

#include <cstring>

namespace wpconv {

ByteReader::ByteReader(ByteSource& source, Mode mode)
    : source_(source), mode_(mode), buffer_(new unsigned char[STREAM_BLOCK_SIZE]) {}

// Removes every CR from [begin, end) and cuts the block at its first 0x1A; returns the new end.
namespace {

unsigned char* apply_text_mode(unsigned char* begin, unsigned char* end, bool& at_eof_mark) {
  if (void* eof_mark = std::memchr(begin, 0x1A, static_cast<std::size_t>(end - begin))) {
    end = static_cast<unsigned char*>(eof_mark);
    at_eof_mark = true;
  }
  unsigned char* out = static_cast<unsigned char*>(std::memchr(begin, '\r', end - begin));
  if (out == nullptr) return end;
  // Lines are long and CRs few: move the bytes between them, a line at a time.
  for (unsigned char* in = out + 1; in != end;) {
    auto* cr =
        static_cast<unsigned char*>(std::memchr(in, '\r', static_cast<std::size_t>(end - in)));
    unsigned char* line_end = cr != nullptr ? cr : end;
    std::size_t length = static_cast<std::size_t>(line_end - in);
    std::memmove(out, in, length);
    out += length;
    in = cr != nullptr ? cr + 1 : end;
  }
  return out;
}

}  // namespace

int ByteReader::refill() {
  while (!at_end_) {
    if (stop_flag_ != nullptr && *stop_flag_) break;
    std::ptrdiff_t got = source_.read(buffer_.get(), STREAM_BLOCK_SIZE);
    if (got <= 0) {
      failed_ = got < 0;
      break;
    }
    unsigned char* begin = buffer_.get();
    unsigned char* end = begin + got;
    if (mode_ == Mode::text) end = apply_text_mode(begin, end, at_end_);
    pos_ = begin;
    end_ = end;
    ++block_number_;
    if (pos_ != end_) return *pos_++;
  }
  at_end_ = true;
  pos_ = end_ = nullptr;
  return -1;
}

ByteWriter::ByteWriter(ByteSink& sink, Mode mode)
    : sink_(sink), mode_(mode), buffer_(new unsigned char[STREAM_BLOCK_SIZE]) {
  pos_ = buffer_.get();
  end_ = pos_ + STREAM_BLOCK_SIZE;
}

void ByteWriter::write_raw(const unsigned char* bytes, std::size_t size) {
  while (size > 0) {
    if (pos_ == end_) flush();
    std::size_t room = static_cast<std::size_t>(end_ - pos_);
    std::size_t n = size < room ? size : room;
    std::memcpy(pos_, bytes, n);
    pos_ += n;
    bytes += n;
    size -= n;
  }
}

void ByteWriter::write(const unsigned char* bytes, std::size_t size) {
  if (mode_ == Mode::binary) return write_raw(bytes, size);
  // Tags and other short pieces: a byte loop costs less than the library calls below.
  if (size <= 8) {
    for (std::size_t i = 0; i < size; ++i) put(bytes[i]);
    return;
  }
  while (size > 0) {
    const void* lf = std::memchr(bytes, '\n', size);
    std::size_t run =
        lf ? static_cast<std::size_t>(static_cast<const unsigned char*>(lf) - bytes) : size;
    write_raw(bytes, run);
    if (!lf) return;
    put_raw('\r');
    put_raw('\n');
    bytes += run + 1;
    size -= run + 1;
  }
}

bool ByteWriter::flush() {
  unsigned char* begin = buffer_.get();
  if (!failed_ && pos_ != begin)
    failed_ = !sink_.write(begin, static_cast<std::size_t>(pos_ - begin));
  pos_ = begin;
  return !failed_;
}

}  // namespace wpconv
