#include "html2doc/web_reader.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "encoding/decoder.h"
#include "encoding/detect.h"
#include "html2doc/document_writer.h"
#include "html2doc/html_tokenizer.h"
#include "html2doc/web_rendering.h"

namespace wpconv {

namespace {

// Bytes are decoded this many at a time.
constexpr std::size_t DECODE_CHUNK = 16 * 1024;

// Copies bytes from `reader` to `buffer` until `size` are there or the input ends.
std::size_t fill(ByteReader& reader, unsigned char* buffer, std::size_t size) {
  std::size_t length = 0;
  while (length < size) {
    if (reader.available() == 0) {
      const int byte = reader.get();
      if (byte < 0) break;
      buffer[length++] = static_cast<unsigned char>(byte);
      continue;
    }
    const std::size_t n = std::min(reader.available(), size - length);
    std::memcpy(buffer + length, reader.data(), n);
    reader.advance(n);
    length += n;
  }
  return length;
}

}  // namespace

std::uint64_t web_html_to_document(ByteReader& html, ByteWriter& document) {
  DocumentWriter writer(document);
  WebRenderer renderer(writer);
  HtmlTokenizer tokenizer(renderer);
  renderer.attach(tokenizer);

  // The first block decides the encoding, whatever sizes the input is read in.
  const std::size_t capacity = std::max(encoding::DETECTION_BLOCK, DECODE_CHUNK);
  std::unique_ptr<unsigned char[]> bytes(new unsigned char[capacity]);
  std::unique_ptr<char32_t[]> points(new char32_t[DECODE_CHUNK + 1]);
  std::size_t length = fill(html, bytes.get(), encoding::DETECTION_BLOCK);
  const encoding::Detected detected = encoding::detect_encoding(bytes.get(), length);
  encoding::Decoder decoder(detected.encoding);
  std::size_t at = detected.bom_length;
  bool last = length < encoding::DETECTION_BLOCK;
  for (;;) {
    while (length - at >= DECODE_CHUNK || (last && at < length)) {
      const std::size_t size = std::min(length - at, DECODE_CHUNK);
      std::size_t produced = 0;
      const bool final_piece = last && at + size == length;
      const std::size_t used =
          decoder.decode(bytes.get() + at, size, final_piece, points.get(), produced);
      tokenizer.feed(points.get(), produced);
      at += used;
      if (used == 0 && !final_piece) break;  // a sequence cut by the chunk: needs more bytes
      if (final_piece) at = length;
    }
    if (last) break;
    // Keeps the bytes not decoded yet and reads more after them.
    std::memmove(bytes.get(), bytes.get() + at, length - at);
    length -= at;
    at = 0;
    const std::size_t room = capacity - length;
    const std::size_t added = fill(html, bytes.get() + length, room);
    length += added;
    last = added < room;
  }
  tokenizer.finish();
  return renderer.finish();
}

}  // namespace wpconv
