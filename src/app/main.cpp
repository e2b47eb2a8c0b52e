#include "app/entry.h"
#include "platform/platform.h"

int main(int argc, char** argv) {
  wpconv::platform::initialise();
  return wpconv::run_conversion(wpconv::platform::command_line_remainder(argc, argv));
}
