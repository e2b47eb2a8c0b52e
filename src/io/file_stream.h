// Byte sources and sinks over the platform's files.
#ifndef WPCONV_IO_FILE_STREAM_H_
#define WPCONV_IO_FILE_STREAM_H_

#include <string>

#include "app/platform.h"
#include "io/byte_stream.h"

class FileSource : public ByteSource {
 public:
  explicit FileSource(platform::File file) : file_(file) {}
  std::ptrdiff_t read(unsigned char* buffer, std::size_t size) override {
    return platform::read_file(file_, buffer, size);
  }

 private:
  platform::File file_;
};

class FileSink : public ByteSink {
 public:
  explicit FileSink(platform::File file) : file_(file) {}
  bool write(const unsigned char* buffer, std::size_t size) override {
    return platform::write_file(file_, buffer, size);
  }

 private:
  platform::File file_;
};

// Passes what `writer` still holds to `file` and closes it. On any write error, including one the
// system reports only at close, the incomplete file is removed and false is returned.
bool finish_output(ByteWriter& writer, platform::File file, const std::string& path);

// Closes and removes an output file that cannot be completed.
void discard_output(platform::File file, const std::string& path);

#endif  // WPCONV_IO_FILE_STREAM_H_
