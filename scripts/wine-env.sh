# shellcheck shell=bash
# Sourced, not run, by every script that runs Windows programs under Wine:
#   . scripts/wine-env.sh    decides which Windows programs this machine can run (see below)
#   wine_fresh_prefix DIR    quiet, unattended settings and a new Wine prefix in DIR, its server up
#   wine_stop                ends that prefix's server (for an EXIT trap)
# then "$WPCONV_WINE_LOADER" program.exe ... runs a program.
#
# Whether the 32-bit Wine loader runs here is found out by trying it, once: some kernels run no
# 32-bit programs at all (their exec fails with "Exec format error"), and neither the kernel's
# name nor its version says so. The answer is exported, so that the scripts this one starts reuse
# it without asking again:
#   WPCONV_WINE32=yes|no       set beforehand, it is taken as it is (WPCONV_WINE32=no tests the
#                              64-bit path on a machine that could run both)
#   WPCONV_WINE_LOADER         the loader for the programs to run: `wine` (which runs 32-bit and
#                              64-bit programs) or, where 32-bit ones cannot run, the 64-bit loader
# A script that needs it not to be in bash's strict mode can test `[ "$WPCONV_WINE32" = yes ]`.

# Debian's loaders; `wine` is the wrapper that picks the 32-bit one when it is installed.
WPCONV_WINE32_LOADER=/usr/lib/wine/wine
WPCONV_WINE64_LOADER=/usr/lib/wine/wine64

# Succeeds when the 32-bit loader starts and answers. A kernel without 32-bit support refuses the
# exec at once; the time limit is for a loader that hangs instead.
wine_32bit_runs() {
  local answer
  answer=$(timeout 30 "$WPCONV_WINE32_LOADER" --version 2>/dev/null) || return 1
  [[ $answer == wine-* ]]
}

wine_decide() {
  local given=${WPCONV_WINE32:-}
  case $given in
    yes | no) ;;
    '') if wine_32bit_runs; then WPCONV_WINE32=yes; else WPCONV_WINE32=no; fi ;;
    *)
      printf 'WPCONV_WINE32 is "%s": it must be yes or no\n' "$given" >&2
      return 1
      ;;
  esac
  # A loader already exported goes with a decision already announced by the script that made it.
  local announce=yes
  [ -z "${WPCONV_WINE_LOADER:-}" ] || announce=no
  if [ "$WPCONV_WINE32" = yes ]; then
    WPCONV_WINE_LOADER=${WPCONV_WINE_LOADER:-wine}
  else
    WPCONV_WINE_LOADER=${WPCONV_WINE_LOADER:-$WPCONV_WINE64_LOADER}
  fi
  export WPCONV_WINE32 WPCONV_WINE_LOADER
  [ "$announce" = yes ] || return 0
  local how='found by trying'
  [ -z "$given" ] || how="WPCONV_WINE32=$given"
  if [ "$WPCONV_WINE32" = yes ]; then
    printf '32-bit Windows programs: can run here (%s)\n' "$how"
  else
    printf '32-bit Windows programs: cannot run here (%s); the Windows suite runs on the 64-bit build under %s\n' \
      "$how" "$WPCONV_WINE_LOADER"
  fi
}

# Quiet and unattended: no debug output, a prefix of our own, no offer to install Mono or Gecko,
# and no display, so that a message box returns at once instead of waiting for a click. An
# English locale: Wine's ANSI code page is then 1252, which holds none of the Japanese, Korean
# and other names of the tests, so only the program's Unicode paths reach them.
wine_fresh_prefix() {
  export WINEPREFIX=$1 WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml=' LC_ALL=C.UTF-8
  unset DISPLAY WAYLAND_DISPLAY
  # A server left running on the old prefix by an interrupted run would keep it in use.
  [ ! -d "$WINEPREFIX" ] || wine_stop
  rm -rf "$WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  # One server for the whole run: started anew for each program, Wine takes about a second more.
  # (Debian's wineserver wrapper takes the 64-bit server where there is one, which serves both.)
  wineserver -p
  # First, with its output discarded: the services that Wine starts with the first program keep
  # that program's output open, and a test reading it would wait for them to end.
  "$WPCONV_WINE_LOADER" wineboot -i >/dev/null 2>&1
}

wine_stop() {
  wineserver -k 2>/dev/null || true
}

wine_decide
