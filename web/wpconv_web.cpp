// The web page's module: one conversion at a time, bytes in and bytes out through the page's
// worker, with the same choices and messages as wpconv (convert_stream). The worker sets
// Module.wpconvRead, Module.wpconvCreate and Module.wpconvWrite before calling in.
#include <emscripten.h>

#include <string>
#include <vector>

#include "jobs/stream_job.h"
#include "jobs/stream_rules.h"

namespace {

// Which of the two inputs a read is for.
constexpr int INPUT = 0;
constexpr int FORMAT_TEMPLATE = 1;

// clang-format off
EM_JS(int, page_read, (int which, unsigned char* buffer, int size), {
  return Module.wpconvRead(which, HEAPU8.subarray(buffer, buffer + size));
});
EM_JS(int, page_rewind, (int which), {
  return Module.wpconvRewind(which) ? 1 : 0;
});
EM_JS(int, page_create, (const char* name), {
  return Module.wpconvCreate(UTF8ToString(name));
});
EM_JS(int, page_write, (int output, const unsigned char* buffer, int size), {
  return Module.wpconvWrite(output, HEAPU8.slice(buffer, buffer + size)) ? 1 : 0;
});
// clang-format on

class PageSource : public wpconv::ByteSource {
 public:
  explicit PageSource(int which) : which_(which) {}
  std::ptrdiff_t read(unsigned char* buffer, std::size_t size) override {
    return page_read(which_, buffer, static_cast<int>(size));
  }
  bool rewind() override { return page_rewind(which_) != 0; }

 private:
  int which_;
};

class PageSink : public wpconv::ByteSink {
 public:
  explicit PageSink(int output) : output_(output) {}
  bool write(const unsigned char* buffer, std::size_t size) override {
    return page_write(output_, buffer, static_cast<int>(size)) != 0;
  }

 private:
  int output_;
};

class PageOutputs : public wpconv::OutputMaker {
 public:
  wpconv::ByteSink& create(const std::string& name) override {
    sinks_.emplace_back(page_create(name.c_str()));
    return sinks_.back();
  }

 private:
  std::vector<PageSink> sinks_;
};

std::string message;

}  // namespace

extern "C" {

// Converts the input named `name` (a path relative to what the user chose, '/' between folders).
// Returns how many of the outputs created are complete, the first ones; wpconv_message() then
// tells why the conversion stopped short, or is empty.
EMSCRIPTEN_KEEPALIVE int wpconv_convert(const char* name) {
  PageSource input(INPUT);
  PageSource format_template(FORMAT_TEMPLATE);
  PageOutputs outputs;
  wpconv::Result result = wpconv::convert_stream(name, input, format_template, outputs);
  message = result.ok() ? "" : wpconv::message_text(result.failure->file, result.failure->step);
  return static_cast<int>(result.outputs.size());
}

EMSCRIPTEN_KEEPALIVE const char* wpconv_message() {
  return message.c_str();
}

// Whether a file found in a dropped folder is one to convert, as wpconv-batch picks them.
EMSCRIPTEN_KEEPALIVE int wpconv_wanted_in_folder(const char* name, int to_documents) {
  return wpconv::wanted_in_folder(name, to_documents != 0) ? 1 : 0;
}

EMSCRIPTEN_KEEPALIVE const char* wpconv_version() {
  return WPCONV_VERSION;
}
}
