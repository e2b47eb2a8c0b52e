#include "io/byte_stream.h"

#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

namespace wpconv {

namespace {

// Removes every CR from [begin, end) and cuts the block at its first 0x1A; returns the new end.
// `source_bytes` gets the bytes of the source that the block stands for, the 0x1A included.
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

// Three blocks: one for the caller, and two for the thread to fill or empty meanwhile.
constexpr int BLOCKS = 3;

}  // namespace

struct ReadBlock {
  std::unique_ptr<unsigned char[]> memory{
      new unsigned char[ByteReader::LOOKAHEAD + STREAM_BLOCK_SIZE]};
  unsigned char* data = memory.get() + ByteReader::LOOKAHEAD;  // after room for a carry
  std::size_t size = 0;
  std::size_t source_bytes = 0;  // of the source, before text mode took out CRs and the 0x1A
  bool last = false;             // nothing comes after it
  bool failed = false;
};

// The thread that reads blocks ahead of the reader.
class ReadAhead {
 public:
  using Block = ReadBlock;

  ReadAhead(ByteSource& source, ByteReader::Mode mode) : source_(source), mode_(mode) {
    for (Block& block : blocks_) empty_.push_back(&block);
    thread_ = std::thread([this] { run(); });
  }
  ~ReadAhead() {
    {
      std::lock_guard lock(mutex_);
      stopping_ = true;
    }
    changed_.notify_all();
    thread_.join();
  }

  // The next block, once it is read.
  Block* next() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return !full_.empty(); });
    Block* block = full_.front();
    full_.pop_front();
    return block;
  }

  // Gives a block back to be filled again.
  void give_back(Block* block) {
    if (block == nullptr) return;
    {
      std::lock_guard lock(mutex_);
      empty_.push_back(block);
    }
    changed_.notify_all();
  }

 private:
  void run() {
    for (;;) {
      Block* block;
      {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return stopping_ || !empty_.empty(); });
        if (stopping_) return;
        block = empty_.front();
        empty_.pop_front();
      }
      std::ptrdiff_t got = source_.read(block->data, STREAM_BLOCK_SIZE);
      block->failed = got < 0;
      block->last = got <= 0;
      block->size = 0;
      block->source_bytes = 0;
      if (got > 0) {
        unsigned char* end = block->data + got;
        block->source_bytes = static_cast<std::size_t>(got);
        if (mode_ == ByteReader::Mode::text) {
          end = apply_text_mode(block->data, end, block->last, block->source_bytes);
        }
        block->size = static_cast<std::size_t>(end - block->data);
      }
      {
        std::lock_guard lock(mutex_);
        full_.push_back(block);
      }
      changed_.notify_all();
      if (block->last) return;
    }
  }

  ByteSource& source_;
  ByteReader::Mode mode_;
  Block blocks_[BLOCKS];
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Block*> empty_, full_;
  bool stopping_ = false;
  std::thread thread_;
};

ByteReader::ByteReader(ByteSource& source, Mode mode, bool read_ahead)
    : source_(source), mode_(mode) {
  if (read_ahead) {
    read_ahead_ = std::make_unique<ReadAhead>(source, mode);
  } else {
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

void ByteReader::skip_to_end() {
  do advance(available());
  while (fill(1));
}

// The thread that writes blocks behind the writer.
class WriteBehind {
 public:
  WriteBehind(ByteSink& sink, std::atomic<bool>& failed) : sink_(sink), failed_(failed) {
    for (auto& block : blocks_) {
      block.reset(new unsigned char[STREAM_BLOCK_SIZE]);
      empty_.push_back(block.get());
    }
    thread_ = std::thread([this] { run(); });
  }
  ~WriteBehind() {
    {
      std::lock_guard lock(mutex_);
      stopping_ = true;
    }
    changed_.notify_all();
    thread_.join();
  }

  // A block to fill.
  unsigned char* take() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return !empty_.empty(); });
    unsigned char* block = empty_.front();
    empty_.pop_front();
    return block;
  }

  // Hands over a filled block to be written.
  void pass(unsigned char* block, std::size_t size) {
    {
      std::lock_guard lock(mutex_);
      full_.push_back({block, size});
    }
    changed_.notify_all();
  }

  // Waits until every block handed over is written.
  void drain() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return full_.empty() && !writing_; });
  }

 private:
  void run() {
    std::unique_lock lock(mutex_);
    for (;;) {
      changed_.wait(lock, [&] { return stopping_ || !full_.empty(); });
      if (full_.empty()) return;  // stopping, with nothing left to write
      auto [block, size] = full_.front();
      full_.pop_front();
      writing_ = true;
      lock.unlock();
      // After a failure nothing more is written.
      if (!failed_.load() && !sink_.write(block, size)) failed_.store(true);
      lock.lock();
      writing_ = false;
      empty_.push_back(block);
      changed_.notify_all();
      if (stopping_) return;
    }
  }

  ByteSink& sink_;
  std::atomic<bool>& failed_;
  std::unique_ptr<unsigned char[]> blocks_[BLOCKS];
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<unsigned char*> empty_;
  std::deque<std::pair<unsigned char*, std::size_t>> full_;
  bool writing_ = false;
  bool stopping_ = false;
  std::thread thread_;
};

ByteWriter::ByteWriter(ByteSink& sink, Mode mode, bool write_behind) : sink_(sink), mode_(mode) {
  if (write_behind) {
    write_behind_ = std::make_unique<WriteBehind>(sink, failed_);
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
