# shellcheck shell=bash
# Sourced by the benchmarks, after they set `root` to the source tree: what they all do before
# they measure.

# need TOOL...: stops with a message where one of the tools is missing.
need() {
  for tool in "$@"; do
    command -v "$tool" >/dev/null || { echo "bench: $tool is missing" >&2; exit 1; }
  done
}

# release_build TARGET...: builds the targets, Release and without the tests, in build/bench,
# and prints that folder.
release_build() {
  # shellcheck disable=SC2154  # root is the caller's
  cmake -S "$root" -B "$root/build/bench" -DCMAKE_BUILD_TYPE=Release -DWPCONV_TESTS=OFF \
    >/dev/null || return 1
  cmake --build "$root/build/bench" -j "$(nproc)" --target "$@" >/dev/null || return 1
  echo "$root/build/bench"
}
