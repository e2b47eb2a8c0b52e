// Preloaded by run.sh: close() of a file whose path contains $FAIL_CLOSE_MATCH closes it but
// reports EIO, as a file system does that finds a delayed write error only then.
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

int close(int fd) {
  static int (*real_close)(int);
  if (real_close == NULL) real_close = (int (*)(int))dlsym(RTLD_NEXT, "close");
  const char* match = getenv("FAIL_CLOSE_MATCH");
  int fail = 0;
  if (match != NULL) {
    char link[64], path[4096];
    snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    ssize_t length = readlink(link, path, sizeof path - 1);
    if (length > 0) {
      path[length] = '\0';
      fail = strstr(path, match) != NULL;
    }
  }
  int result = real_close(fd);
  if (!fail) return result;
  errno = EIO;
  return -1;
}
