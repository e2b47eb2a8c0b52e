// What a failed conversion tells the user: one fixed text for each file and step.
#ifndef WPCONV_JOBS_MESSAGES_H_
#define WPCONV_JOBS_MESSAGES_H_

namespace wpconv {

// The files a conversion works on, by the names its messages give them.
enum class FileKind {
  document,         // "OASYS": the document text, read or written
  html,             // the HTML, read or written
  format_template,  // "FMT": the template beside the program
  format_file,      // "OASYS FMT": the format file written beside the document
};

enum class Step { open, read, write };

// The message for a failure of `step` on `file`, ending in a newline.
const char* message_text(FileKind file, Step step);

}  // namespace wpconv

#endif  // WPCONV_JOBS_MESSAGES_H_
