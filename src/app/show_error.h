// The one way the converters report a failure to the user.
#ifndef WPCONV_APP_SHOW_ERROR_H_
#define WPCONV_APP_SHOW_ERROR_H_

// Shows `text` exactly as given (it ends in a newline) and returns once the user has seen it.
void show_error(const char* text);

// Shows `text` and returns -1, the result of a converter that has failed.
int show_error_and_fail(const char* text);

#endif  // WPCONV_APP_SHOW_ERROR_H_
