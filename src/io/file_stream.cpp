#include "io/file_stream.h"

bool finish_output(ByteWriter& writer, platform::File file, const std::string& path) {
  bool written = writer.flush();
  bool closed = platform::close_file(file);
  if (written && closed) return true;
  platform::remove_file(path);
  return false;
}

void discard_output(platform::File file, const std::string& path) {
  platform::close_file(file);
  platform::remove_file(path);
}
