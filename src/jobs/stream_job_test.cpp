#include "jobs/stream_job.h"

#include <gtest/gtest.h>

#include <map>

#include "memory_stream.h"
#include "test_support.h"

namespace wpconv {
namespace {

// The output named `full`, if any, takes no byte.
class MemoryOutputs : public OutputMaker {
 public:
  explicit MemoryOutputs(std::string full = "") : full_(std::move(full)) {}
  ByteSink& create(const std::string& name) override {
    names.push_back(name);
    return sinks.insert_or_assign(name, MemorySink(name == full_ ? 0 : std::string::npos))
        .first->second;
  }
  std::vector<std::string> names;
  std::map<std::string, MemorySink> sinks;

 private:
  std::string full_;
};

const std::string TEMPLATE = bytes("00 01 0D 0A 1A 'FMT'");

// The choices of the file job, from the name alone: the direction, the outputs' names (from the
// last '.', even in a folder's name), and the format file after a document. The .OA2 header and
// its refusal are held to the native program's by tests/web/run.sh.
TEST(StreamJob, NamesChooseTheDirectionAndTheOutputs) {
  const std::string html = "<P>A\r\n";
  const std::string document = "A" + bytes("EF A0 0D 0A 1A");
  struct Case {
    std::string name, input;
    std::vector<std::string> outputs;
  } cases[] = {
      {"docs/index.html", html, {"docs/index.DOC", "docs/index.FMT"}},
      {"notes.hlp", html, {"notes.DOC", "notes.FMT"}},
      {"memo.doc", document, {"memo.HTM"}},
      {"V1.0/LETTER", document, {"V1.HTM"}},
      {"README", document, {"README.HTM"}},
  };
  for (const Case& c : cases) {
    MemorySource input(c.input), format_template(TEMPLATE);
    MemoryOutputs outputs;
    Result result = convert_stream(c.name, input, format_template, outputs);
    EXPECT_TRUE(result.ok()) << c.name;
    EXPECT_EQ(result.outputs, c.outputs) << c.name;
    EXPECT_EQ(outputs.names, c.outputs) << c.name;
    if (c.outputs.size() == 2) {
      EXPECT_EQ(outputs.sinks[c.outputs[0]].bytes, html_to_document(c.input)) << c.name;
      EXPECT_EQ(outputs.sinks[c.outputs[1]].bytes, TEMPLATE) << c.name;
    } else {
      EXPECT_EQ(outputs.sinks[c.outputs[0]].bytes, document_to_html(c.input)) << c.name;
    }
  }
  // HTML of another program is read as a browser shows it, into the output begun anew.
  MemorySource page("<P>X<P>R&amp;D<BR>", 7), format_template(TEMPLATE);
  MemoryOutputs outputs;
  EXPECT_EQ(convert_stream("page.html", page, format_template, outputs).html_reader,
            HtmlReader::web);
  EXPECT_EQ(outputs.sinks["page.DOC"].bytes, web_html_to_document("<P>X<P>R&amp;D<BR>"));
}

TEST(StreamJob, FailuresKeepOnlyTheCompleteOutputs) {
  struct Case {
    std::string name, full;
    std::size_t fail_at;
    const char* message;
    std::vector<std::string> complete;
  } cases[] = {
      {"a.htm", "a.DOC", std::string::npos, "OASYS file write error\n", {}},
      {"a.htm", "", 3, "HTML file read error\n", {}},
      {"a.doc", "", 3, "OASYS file read error\n", {}},
      {"a.doc", "a.HTM", std::string::npos, "HTML file write error\n", {}},
      // The document stays complete when only the format file cannot be written.
      {"a.htm", "a.FMT", std::string::npos, "OASYS FMT file write error\n", {"a.DOC"}},
  };
  for (const Case& c : cases) {
    MemorySource input("<P>AB\r\n<P>C\r\n");
    input.fail_at(c.fail_at);
    MemorySource format_template(TEMPLATE);
    MemoryOutputs outputs(c.full);
    Result result = convert_stream(c.name, input, format_template, outputs);
    ASSERT_FALSE(result.ok()) << c.message;
    EXPECT_STREQ(message_text(result.failure->file, result.failure->step), c.message);
    EXPECT_EQ(result.outputs, c.complete) << c.message;
  }
}

}  // namespace
}  // namespace wpconv
