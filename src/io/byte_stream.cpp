#include "io/byte_stream.h"

#include <cstring>

#include "io/stream_threads.h"

namespace wpconv {

unsigned char* apply_text_mode(unsigned char* begin, unsigned char* end, bool& at_eof_mark,
                               std::size_t& source_bytes) {
  source_bytes = static_cast<std::size_t>(end - begin);
  if (void* eof_mark = std::memchr(begin, 0x1A, static_cast<std::size_t>(end - begin))) {
    end = static_cast<unsigned char*>(eof_mark);
    at_eof_mark = true;
    source_bytes = static_cast<std::size_t>(end - begin) + 1;
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

ByteReader::ByteReader(ByteSource& source, Mode mode, bool read_ahead)
    : source_(source), mode_(mode) {
  if (read_ahead) read_ahead_ = start_read_ahead(source, mode);
  if (!read_ahead_) {
    buffer_.reset(new unsigned char[LOOKAHEAD + STREAM_BLOCK_SIZE]);
    block_ = buffer_.get() + LOOKAHEAD;
  }
}

ByteReader::~ByteReader() = default;

bool ByteReader::fill(std::size_t count) {
  while (available() < count && !at_end_) {
    if (stop_flag_ != nullptr && stop_flag_->load(std::memory_order_relaxed)) {
      at_end_ = true;
      break;
    }
    // The bytes not yet taken go into the room before the next block, so that they and it are
    // one run of bytes.
    const std::size_t carry = available();
    if (read_ahead_) {
      ReadBlock* next = read_ahead_->next();
      if (carry != 0) std::memcpy(next->data - carry, pos_, carry);
      read_ahead_->give_back(current_);
      current_ = next;
      pos_ = next->data - carry;
      end_ = next->data + next->size;
      at_end_ = next->last;
      failed_ = failed_ || next->failed;
      loaded_ += next->source_bytes;
      ++block_number_;
    } else {
      if (carry != 0) std::memmove(block_ - carry, pos_, carry);
      pos_ = block_ - carry;
      end_ = block_;
      ++block_number_;  // the bytes have moved, even if no more come
      std::ptrdiff_t got = source_.read(block_, STREAM_BLOCK_SIZE);
      if (got <= 0) {
        failed_ = got < 0;
        at_end_ = true;
        break;
      }
      unsigned char* end = block_ + got;
      std::size_t source_bytes = static_cast<std::size_t>(got);
      if (mode_ == Mode::text) end = apply_text_mode(block_, end, at_end_, source_bytes);
      end_ = end;
      loaded_ += source_bytes;
    }
  }
  return available() >= count;
}

void ByteReader::index_blocks(const BlockIndexer* indexer) {
  if (read_ahead_) read_ahead_->index_with(indexer);
}

const BlockIndex* ByteReader::block_index(const BlockIndexer& indexer) const {
  return current_ != nullptr && current_->indexed_by == &indexer ? current_->index.get() : nullptr;
}

void ByteReader::skip_to_end() {
  do advance(available());
  while (fill(1));
}

ByteWriter::ByteWriter(ByteSink& sink, Mode mode, bool write_behind) : sink_(sink), mode_(mode) {
  if (write_behind) write_behind_ = start_write_behind(sink, failed_);
  if (write_behind_) {
    begin_ = write_behind_->take();
  } else {
    buffer_.reset(new unsigned char[STREAM_BLOCK_SIZE]);
    begin_ = buffer_.get();
  }
  pos_ = begin_;
  end_ = begin_ + STREAM_BLOCK_SIZE;
}

ByteWriter::~ByteWriter() = default;

void ByteWriter::write_raw(const unsigned char* bytes, std::size_t size) {
  while (size > 0) {
    if (pos_ == end_) pass_on();
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

void ByteWriter::pass_on() {
  const auto size = static_cast<std::size_t>(pos_ - begin_);
  if (size != 0 && !failed_.load(std::memory_order_relaxed)) {
    if (write_behind_) {
      write_behind_->pass(begin_, size);
      begin_ = write_behind_->take();
    } else if (!sink_.write(begin_, size)) {
      failed_.store(true);
    }
  }
  pos_ = begin_;
  end_ = begin_ + STREAM_BLOCK_SIZE;
}

bool ByteWriter::flush() {
  pass_on();
  if (write_behind_) write_behind_->drain();
  return !failed_.load();
}

}  // namespace wpconv
