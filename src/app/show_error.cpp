#include "app/show_error.h"

#include "app/platform.h"

void show_error(const char* text) {
  platform::show_message(text);
}
