// A build without threads: ByteReader and ByteWriter read and write in place.
#include "io/stream_threads.h"

namespace wpconv {

std::unique_ptr<ReadAhead> start_read_ahead(ByteSource&, ByteReader::Mode) {
  return nullptr;
}

std::unique_ptr<WriteBehind> start_write_behind(ByteSink&, std::atomic<bool>&) {
  return nullptr;
}

}  // namespace wpconv
