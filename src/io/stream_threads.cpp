// Reading ahead and writing behind on threads of their own.
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <utility>

#include "io/stream_threads.h"

namespace wpconv {

namespace {

// Three blocks: one for the caller, and two for the thread to fill or empty meanwhile.
constexpr int BLOCKS = 3;

// The thread that reads blocks ahead of the reader.
class ReadAheadThread : public ReadAhead {
 public:
  using Block = ReadBlock;

  ReadAheadThread(ByteSource& source, ByteReader::Mode mode) : source_(source), mode_(mode) {
    for (Block& block : blocks_) empty_.push_back(&block);
    thread_ = std::thread([this] { run(); });
  }
  ~ReadAheadThread() override {
    {
      std::lock_guard lock(mutex_);
      stopping_ = true;
    }
    changed_.notify_all();
    thread_.join();
  }

  Block* next() override {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return !full_.empty(); });
    Block* block = full_.front();
    full_.pop_front();
    return block;
  }

  void give_back(Block* block) override {
    if (block == nullptr) return;
    {
      std::lock_guard lock(mutex_);
      empty_.push_back(block);
    }
    changed_.notify_all();
  }

  void index_with(const BlockIndexer* indexer) override { indexer_.store(indexer); }

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
      index(*block);
      {
        std::lock_guard lock(mutex_);
        full_.push_back(block);
      }
      changed_.notify_all();
      if (block->last) return;
    }
  }

  void index(Block& block) {
    const BlockIndexer* indexer = indexer_.load();
    if (indexer == nullptr || block.size == 0) {
      block.indexed_by = nullptr;
      return;
    }
    if (block.index_made_by != indexer) {
      block.index = indexer->make();
      block.index_made_by = indexer;
    }
    indexer->index(block.data, block.size, *block.index);
    block.indexed_by = indexer;
  }

  ByteSource& source_;
  ByteReader::Mode mode_;
  std::atomic<const BlockIndexer*> indexer_{nullptr};
  Block blocks_[BLOCKS];
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Block*> empty_, full_;
  bool stopping_ = false;
  std::thread thread_;
};

// The thread that writes blocks behind the writer.
class WriteBehindThread : public WriteBehind {
 public:
  WriteBehindThread(ByteSink& sink, std::atomic<bool>& failed) : sink_(sink), failed_(failed) {
    for (auto& block : blocks_) {
      block.reset(new unsigned char[STREAM_BLOCK_SIZE]);
      empty_.push_back(block.get());
    }
    thread_ = std::thread([this] { run(); });
  }
  ~WriteBehindThread() override {
    {
      std::lock_guard lock(mutex_);
      stopping_ = true;
    }
    changed_.notify_all();
    thread_.join();
  }

  unsigned char* take() override {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return !empty_.empty(); });
    unsigned char* block = empty_.front();
    empty_.pop_front();
    return block;
  }

  void pass(unsigned char* block, std::size_t size) override {
    {
      std::lock_guard lock(mutex_);
      full_.push_back({block, size});
    }
    changed_.notify_all();
  }

  void drain() override {
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

}  // namespace

std::unique_ptr<ReadAhead> start_read_ahead(ByteSource& source, ByteReader::Mode mode) {
  return std::make_unique<ReadAheadThread>(source, mode);
}

std::unique_ptr<WriteBehind> start_write_behind(ByteSink& sink, std::atomic<bool>& failed) {
  return std::make_unique<WriteBehindThread>(sink, failed);
}

}  // namespace wpconv
