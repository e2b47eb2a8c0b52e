#include "app/show_error.h"

#include "app/platform.h"

void show_error(const char* text) {
  platform::show_message(text);
}

int show_error_and_fail(const char* text) {
  show_error(text);
  return -1;
}
