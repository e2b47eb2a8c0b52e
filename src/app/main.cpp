#include "app/entry.h"
#include "app/platform.h"

int main(int argc, char** argv) {
  platform::initialise();
  return run_conversion(platform::command_line_remainder(argc, argv));
}
