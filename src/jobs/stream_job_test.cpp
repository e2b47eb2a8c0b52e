#include "jobs/stream_job.h"

#include <gtest/gtest.h>

#include <map>

#include "jobs/stream_rules.h"
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
    return sinks.try_emplace(name, name == full_ ? 0 : std::string::npos).first->second;
  }
  std::vector<std::string> names;
  std::map<std::string, MemorySink> sinks;

 private:
  std::string full_;
};

const std::string TEMPLATE = bytes("00 01 0D 0A 1A 'FMT'");

// The choices of the file job, from the name alone: the direction, the outputs' names (from the
// last '.', even in a folder's name), the .OA2 header, and the format file after a document.
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
}

TEST(StreamJob, OA2HeaderIsSkippedOrRefusedWithTheFileMessage) {
  std::string oa2(2000, '\0');
  oa2 += bytes("F0 04 00 00 'A' 1A");
  MemorySource input(oa2), format_template(TEMPLATE);
  MemoryOutputs outputs;
  Result result = convert_stream("x.OA2", input, format_template, outputs);
  ASSERT_TRUE(result.ok());
  EXPECT_EQ(outputs.sinks["x.HTM"].bytes, document_to_html(bytes("'A' 1A")));

  // Without the marker there is no document: nothing is written, and the message is wpconv's.
  MemorySource no_marker(std::string(3000, '\0'));
  MemoryOutputs none;
  result = convert_stream("x.oa2", no_marker, format_template, none);
  ASSERT_FALSE(result.ok());
  EXPECT_STREQ(message_text(result.failure->file, result.failure->step), "OASYS file open error\n");
  EXPECT_TRUE(none.names.empty());
  EXPECT_TRUE(result.outputs.empty());
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

TEST(StreamJob, FoldersOfferTheFilesWpconvBatchPicks) {
  for (const char* name : {"a.OA2", "b.doc", "c.Doc"}) {
    EXPECT_TRUE(wanted_in_folder(name, false)) << name;
    EXPECT_FALSE(wanted_in_folder(name, true)) << name;
  }
  for (const char* name : {"a.htm", "b.HTML"}) {
    EXPECT_TRUE(wanted_in_folder(name, true)) << name;
    EXPECT_FALSE(wanted_in_folder(name, false)) << name;
  }
  for (const char* name : {"a.txt", "a.hlp", "OA2", "a.oa2x", "a.FMT"}) {
    EXPECT_FALSE(wanted_in_folder(name, true) || wanted_in_folder(name, false)) << name;
  }
}

}  // namespace
}  // namespace wpconv
