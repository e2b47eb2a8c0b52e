#!/usr/bin/env bash
# Runs the program where the system works against it: a full disk, a file size limit, a
# read-only folder, an output that cannot be replaced, links, long paths. Needs root (mounts a
# small tmpfs); what this machine cannot set up is skipped with a note.
# Usage: run.sh PROGRAM [BATCH_PROGRAM]. A Windows program (.exe) is run under Wine, through the
# loader that scripts/wine-env.sh chooses (CTest passes the build's own), where its messages go to
# a message box: then only exit statuses and files are checked, and the cases that depend on POSIX
# limits are left out.
set -uo pipefail
program=$(realpath "${1:?usage: run.sh PROGRAM [BATCH_PROGRAM]}")
batch=${2:+$(realpath "$2")}
launcher=()
windows=no
case $program in
  *.exe)
    # shellcheck source=SCRIPTDIR/../../scripts/wine-env.sh
    . "$(dirname "$0")/../../scripts/wine-env.sh" || exit 1
    launcher=("$WPCONV_WINE_LOADER") windows=yes
    ;;
esac
work=$(mktemp -d)
mounts=()
cleanup() {
  for m in "${mounts[@]}"; do umount "$m" 2>/dev/null; done
  chattr -R -i "$work" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
passed=0 failed=0 skipped=0

fail() { echo "FAIL: $case_name: $*"; failed=$((failed + 1)); reported=yes; }
skip() { echo "skip: $case_name: $*"; skipped=$((skipped + 1)); reported=yes; }

# A case ends with ok, fail or skip; one whose chain of checks stopped at a false one without
# saying so has failed.
reported=yes
end_case() {
  [ "$reported" = yes ] || fail "a check did not hold"
}

# A fresh folder with the program and its template, for one case.
new_case() {
  end_case
  reported=no
  case_name=$1
  dir=$work/$2
  mkdir -p "$dir/bin"
  cp "$program" "$dir/bin/"
  printf 'template\r\n' >"$dir/bin/wpconv.FMT"
}

posix_only() {
  [ "$windows" = yes ] && skip "only for the POSIX program"
  [ "$windows" = no ]
}

small_disk() {  # small_disk DIR SIZE
  mkdir -p "$1"
  mount -t tmpfs -o "size=$2" tmpfs "$1" 2>/dev/null || return 1
  mounts+=("$1")
}

# run ARGS...: runs the program in $dir; sets status and message (with its final newline).
run() {
  in_dir "$dir" "${launcher[@]}" "$dir/bin/$(basename "$program")" "$@"
}

in_dir() {  # in_dir DIR COMMAND...
  (cd "$1" && shift && "$@") 2>"$work/stderr" >/dev/null
  status=$?
  message=$(cat "$work/stderr"; printf .)
  message=${message%.}
}

expect() {  # expect STATUS MESSAGE: the message without its final newline
  local want=$2
  [ -n "$want" ] && want+=$'\n'
  [ "$windows" = yes ] && message=$want
  if [ "$status" != "$1" ] || [ "$message" != "$want" ]; then
    fail "expected status $1 and '$2', got status $status and '$message'"
    return 1
  fi
}

expect_files() {  # expect_files DIR NAME...: exactly these files in DIR
  local got want
  got=$(cd "$1" && find . -mindepth 1 -maxdepth 1 -printf '%f\n' | LC_ALL=C sort | tr '\n' ' ')
  shift
  want=$(printf '%s\n' "$@" | LC_ALL=C sort | tr '\n' ' ')
  if [ "$got" != "$want" ]; then
    fail "expected files: $want got: $got"
    return 1
  fi
}

ok() { echo "ok: $case_name"; passed=$((passed + 1)); reported=yes; }

document() {  # document SIZE: a document of about SIZE bytes, pairs of spaces and paragraphs
  local size=$1
  python3 -c "import sys; sys.stdout.buffer.write((b'ab  \x82\xa0\xef\xa0' * ($size // 8 + 1))[:$size] + b'\x1a')"
}

html() {  # html SIZE
  python3 -c "import sys; sys.stdout.buffer.write(b'<P>' + (b'abc<P>\x82\xa0 ' * ($1 // 10 + 1))[:$1])"
}

# run_batch ARGS...: runs the companion in $dir, with the template beside it under wpconv's name.
run_batch() {
  cp "$batch" "$dir/bin/"
  (cd "$dir" && "${launcher[@]}" "$dir/bin/$(basename "$batch")" "$@") 2>"$work/stderr" >/dev/null
  status=$?
  message=$(cat "$work/stderr"; printf .)
  message=${message%.}
}

# old DIR NAME...: earlier outputs in the way, each holding its own name.
old() {
  local d=$1 name
  shift
  for name in "$@"; do printf 'old %s' "$name" >"$d/$name"; done
}

# expect_old DIR NAME...: those outputs are still there as they were.
expect_old() {
  local d=$1 name
  shift
  for name in "$@"; do
    [ "$(cat "$d/$name")" = "old $name" ] || { fail "$name was not kept"; return 1; }
  done
}

# --- full disk ---
# full_disk INPUT MESSAGE FILE...: converts INPUT, moved onto a 64k tmpfs with the case's other
# files; expects MESSAGE and exactly FILEs left there.
full_disk() {
  local input=$1 wanted=$2
  shift 2
  if ! small_disk "$dir/disk" 64k; then
    skip "cannot mount a tmpfs here"
    return
  fi
  find "$dir" -maxdepth 1 -type f -exec mv {} "$dir/disk/" \;
  run "disk/$input"
  expect 255 "$wanted" && expect_files "$dir/disk" "$@"
}

new_case "full disk while writing the HTML" full-html
document 30000 >"$dir/big.txt"
old "$dir" big.HTM
full_disk big.txt "HTML file write error" big.txt big.HTM && expect_old "$dir/disk" big.HTM && ok

new_case "full disk while writing the DOC" full-doc
html 30000 >"$dir/big.htm"
old "$dir" big.DOC big.FMT
full_disk big.htm "OASYS file write error" big.htm big.DOC big.FMT &&
  expect_old "$dir/disk" big.DOC big.FMT && ok

new_case "full disk while copying the format file" full-fmt
head -c 200000 /dev/zero >"$dir/bin/wpconv.FMT"
printf '<P>short' >"$dir/a.htm"
old "$dir" a.FMT
# The new .DOC stays; the old .FMT too.
full_disk a.htm "OASYS FMT file write error" a.htm a.DOC a.FMT && expect_old "$dir/disk" a.FMT &&
  [ "$(cat "$dir/disk/a.DOC")" = $'short\x1a' ] && ok

new_case "file size limit (SIGXFSZ ignored)" size-limit
if posix_only; then
document 100000 >"$dir/big.txt"
old "$dir" big.HTM
in_dir "$dir" bash -c 'trap "" XFSZ; ulimit -f 16; exec "$0" big.txt' "$dir/bin/$(basename "$program")"
expect 255 "HTML file write error" && expect_files "$dir" bin big.txt big.HTM &&
  expect_old "$dir" big.HTM && ok
fi

new_case "file size limit with the signal at its default" size-limit-default
if posix_only; then
document 100000 >"$dir/big.txt"
in_dir "$dir" bash -c 'ulimit -f 16; exec "$0" big.txt' "$dir/bin/$(basename "$program")"
expect 255 "HTML file write error" && expect_files "$dir" bin big.txt && ok
fi

# --- a write error that the system reports only when the file is closed ---
new_case "write errors seen only at close" close-error
if posix_only; then
  if cc -shared -fPIC -o "$work/fail_close.so" "$(dirname "$0")/fail_close.c" -ldl 2>/dev/null; then
    printf 'ab\x1a' >"$dir/x.txt"
    printf '<P>y' >"$dir/y.htm"
    printf '<P>z' >"$dir/z.htm"
    closing_fails() {  # closing_fails NAME ARG: runs on ARG with the close of NAME failing
      FAIL_CLOSE_MATCH=$1 LD_PRELOAD=$work/fail_close.so ASAN_OPTIONS=verify_asan_link_order=0 \
        run "$2"
    }
    closing_fails x.HTM x.txt && expect 255 "HTML file write error" &&
      closing_fails y.DOC y.htm && expect 255 "OASYS file write error" &&
      closing_fails z.FMT z.htm && expect 255 "OASYS FMT file write error" &&
      expect_files "$dir" bin x.txt y.htm z.htm z.DOC && ok
  else
    skip "no C compiler to build the close() shim"
  fi
fi

# --- places that cannot be written ---
new_case "output folder read-only" read-only
if small_disk "$dir/ro" 64k; then
  printf 'ab\x1a' >"$dir/ro/a.txt"
  printf '<P>x' >"$dir/ro/b.htm"
  mount -o remount,ro "$dir/ro"
  run ro/a.txt
  expect 255 "HTML file open error" && expect_files "$dir/ro" a.txt b.htm &&
    run ro/b.htm && expect 255 "OASYS file open error" && expect_files "$dir/ro" a.txt b.htm && ok
else
  skip "cannot mount a tmpfs here"
fi

new_case "existing output that cannot be replaced" immutable
printf 'ab\x1a' >"$dir/a.txt"
printf 'old' >"$dir/a.HTM"
if chattr +i "$dir/a.HTM" 2>/dev/null; then
  run a.txt
  expect 255 "HTML file open error" && [ "$(cat "$dir/a.HTM")" = old ] && ok
  chattr -i "$dir/a.HTM"
else
  skip "the file system does not keep immutable files"
fi

new_case "template is a directory" template-dir
rm "$dir/bin/wpconv.FMT"
mkdir "$dir/bin/wpconv.FMT"
printf '<P>x' >"$dir/a.htm"
run a.htm
expect 255 "FMT file open error" && expect_files "$dir" bin a.htm a.DOC && ok

new_case "input is a directory" input-dir
mkdir "$dir/folder.txt" "$dir/folder.htm"
run folder.txt
expect 255 "OASYS file open error" && run folder.htm && expect 255 "HTML file open error" &&
  expect_files "$dir" bin folder.txt folder.htm && ok

# --- links ---
new_case "symbolic link as input" link
printf 'ab\x1a' >"$dir/real.txt"
ln -s real.txt "$dir/link.txt"
run link.txt
expect 0 "" && expect_files "$dir" bin real.txt link.txt link.HTM && ok

new_case "input that is a link to its own output" link-to-output
printf 'ab\x1a' >"$dir/a.HTM"
ln -s a.HTM "$dir/a.txt"
run a.txt
expect 255 "HTML file open error" && [ "$(cat "$dir/a.HTM")" = $'ab\x1a' ] &&
  printf '<P>doc' >"$dir/b.DOC" && ln -s b.DOC "$dir/b.htm" && run b.htm &&
  expect 255 "OASYS file open error" && [ "$(cat "$dir/b.DOC")" = '<P>doc' ] && ok

# --- replacing an existing output ---
new_case "killed in the middle of a conversion" kill
if posix_only; then
  old "$dir" big.HTM
  mkfifo "$dir/big.txt"
  (cd "$dir" && exec "$dir/bin/$(basename "$program")" big.txt) 2>/dev/null &
  converter=$!
  exec 3>"$dir/big.txt"
  # Text without its end mark: the conversion goes on until the pipe is closed.
  head -c 300000 /dev/zero | tr '\0' a >&3
  # Once the temporary file has grown, the conversion is under way.
  for _ in $(seq 100); do
    [ -n "$(find "$dir" -name '*.wpconv-tmp' -size +1k)" ] && break
    sleep 0.1
  done
  kill -KILL "$converter"
  wait "$converter" 2>/dev/null
  exec 3>&-
  left=$(find "$dir" -maxdepth 1 -name 'big.HTM.*.wpconv-tmp' | wc -l)
  expect_old "$dir" big.HTM && [ "$left" -le 1 ] && ok
fi

new_case "a replaced output keeps its permission bits, a new one gets the default" modes
if posix_only; then
  printf 'ab\x1a' >"$dir/a.txt"
  printf 'ab\x1a' >"$dir/b.txt"
  old "$dir" a.HTM
  chmod 640 "$dir/a.HTM"
  (umask 027 && cd "$dir" && "$dir/bin/$(basename "$program")" a.txt &&
    "$dir/bin/$(basename "$program")" b.txt)
  [ "$(stat -c %a "$dir/a.HTM")" = 640 ] && [ "$(stat -c %a "$dir/b.HTM")" = 640 ] &&
    grep -q ab "$dir/a.HTM" && chmod 604 "$dir/a.HTM" && run a.txt &&
    [ "$(stat -c %a "$dir/a.HTM")" = 604 ] && expect_files "$dir" bin a.txt a.HTM b.txt b.HTM && ok
fi

new_case "an output that is a link stays a link; one with hard links is written in place" links
if posix_only; then
  mkdir "$dir/real"
  printf 'ab\x1a' >"$dir/a.txt"
  printf 'cd\x1a' >"$dir/b.txt"
  old "$dir/real" a.HTM
  ln -s real/a.HTM "$dir/a.HTM"
  old "$dir" b.HTM
  ln "$dir/b.HTM" "$dir/real/b-too.HTM"
  run a.txt && expect 0 "" && run b.txt && expect 0 "" && [ -L "$dir/a.HTM" ] &&
    grep -q ab "$dir/real/a.HTM" && grep -q cd "$dir/real/b-too.HTM" &&
    [ "$(stat -c %i "$dir/b.HTM")" = "$(stat -c %i "$dir/real/b-too.HTM")" ] &&
    expect_files "$dir/real" a.HTM b-too.HTM && ok
fi

# Written in place, an output cannot take back what it was given, so there the tags choose the
# reader before anything is written.
new_case "an HTML page's document with hard links is written in place by the reader its tags choose" html-links
if posix_only; then
  printf '<P>R&amp;D' >"$dir/own.htm"
  printf '<p class=x>R&amp;D' >"$dir/web.htm"
  old "$dir" own.DOC web.DOC
  ln "$dir/own.DOC" "$dir/own-too.DOC"
  ln "$dir/web.DOC" "$dir/web-too.DOC"
  run own.htm && expect 0 "" && run web.htm && expect 0 "" &&
    [ "$(cat "$dir/own-too.DOC")" = $'R&amp;D\x1a' ] && [ "$(cat "$dir/web-too.DOC")" = $'R&D\x1a' ] &&
    expect_files "$dir" bin own.htm own.DOC own-too.DOC own.FMT web.htm web.DOC web-too.DOC web.FMT &&
    ok
fi

new_case "a read-only output is refused for a user who may not replace it" read-only-file
if posix_only && command -v setpriv >/dev/null; then
  printf 'ab\x1a' >"$dir/a.txt"
  old "$dir" a.HTM
  chmod 444 "$dir/a.HTM"
  chown -R nobody "$dir"
  chmod o+x "$work"
  in_dir "$dir" setpriv --reuid=nobody --regid=nogroup --clear-groups \
    "$dir/bin/$(basename "$program")" a.txt
  expect 255 "HTML file open error" && expect_old "$dir" a.HTM && expect_files "$dir" bin a.txt a.HTM &&
    ok
fi

# A device where an output goes is written in place, and stays whatever fails: the program
# removes only what it created. The node is made here, never a system device.
new_case "a device as the output is never removed" device
if posix_only && mknod "$dir/a.HTM" c 1 7 2>/dev/null; then  # every write fails: no space
  document 400000 >"$dir/a.txt"
  mknod "$dir/log" c 1 7
  run a.txt
  expect 255 "HTML file write error" && [ -c "$dir/a.HTM" ] &&
    if [ -n "$batch" ]; then
      printf 'ab\x1a' >"$dir/b.txt"
      run_batch --log log b.txt
      [ "$status" = 1 ] && [ -c "$dir/log" ]
    fi && ok
else
  posix_only && skip "cannot make a device node here"
fi

# --- read errors: reading the process's own memory from address 0 fails ---
new_case "read errors on the inputs and the template" read-error
if posix_only; then
  ln -s /proc/self/mem "$dir/x.txt"
  old "$dir" x.HTM
  ln -s /proc/self/mem "$dir/w.OA2"
  ln -s /proc/self/mem "$dir/y.htm"
  printf '<P>z' >"$dir/z.htm"
  rm "$dir/bin/wpconv.FMT"
  ln -s /proc/self/mem "$dir/bin/wpconv.FMT"
  run x.txt
  expect 255 "OASYS file read error" && run w.OA2 && expect 255 "OASYS file read error" &&
    run y.htm && expect 255 "HTML file read error" &&
    run z.htm && expect 255 "FMT file read error" &&
    expect_files "$dir" bin x.txt x.HTM w.OA2 y.htm z.htm z.DOC && expect_old "$dir" x.HTM && ok
fi

# --- names ---
new_case "UTF-8 name" utf8
if posix_only; then
python3 -c "import sys; sys.stdout.buffer.write(b'\0' * 2000 + b'\xf0\x04\0\0ab')" >"$dir/手紙.OA2"
run 手紙.OA2
expect 0 "" && expect_files "$dir" bin 手紙.OA2 手紙.HTM && ok
fi

# --- path length: PATH_MAX counts the terminating zero ---
limit=$(getconf PATH_MAX /)
new_case "paths at the length limit" long
if posix_only; then
long_dir=$dir
while [ $(( ${#long_dir} + 201 )) -lt $((limit - 12)) ]; do
  long_dir=$long_dir/$(printf 'd%.0s' {1..200})
done
mkdir -p "$long_dir"
pad() { printf 'x%.0s' $(seq 1 "$1"); }
# The longest path that fits: limit - 1 bytes, with an extension of the same length as .HTM.
base=$long_dir/$(pad $((limit - 1 - ${#long_dir} - 1 - 4)))
printf 'ab\x1a' >"$base.txt"
in_dir "$dir" "$dir/bin/$(basename "$program")" "$base.txt"
if expect 0 "" && [ -f "$base.HTM" ]; then
  rm "$base.HTM" "$base.txt"
  # And back: .htm gives .DOC and .FMT of the same length.
  printf '<P>ab' >"$base.htm"
  in_dir "$dir" "$dir/bin/$(basename "$program")" "$base.htm"
  expect 0 "" && [ -f "$base.DOC" ] && [ -f "$base.FMT" ] || continue_long=no
  rm -f "$base.htm" "$base.DOC" "$base.FMT"
  # A derived name one byte over: .tx becomes .HTM.
  short=$long_dir/$(pad $((limit - 1 - ${#long_dir} - 1 - 3)))
  printf 'ab\x1a' >"$short.tx"
  in_dir "$dir" "$dir/bin/$(basename "$program")" "$short.tx"
  expect 255 "HTML file open error" && expect_files "$long_dir" "$(basename "$short").tx" || continue_long=no
  rm "$short.tx"
  # An input path one byte over the limit, to a file that exists (made by a relative name).
  over=$(pad $((limit - ${#long_dir} - 1 - 4))).txt
  (cd "$long_dir" && printf 'ab\x1a' >"$over")
  [ "${continue_long:-yes}" = yes ] && in_dir "$dir" "$dir/bin/$(basename "$program")" "$long_dir/$over" &&
    expect 255 "OASYS file open error" && expect_files "$long_dir" "$over" && ok
fi
fi

# --- the batch companion ---
if [ -n "$batch" ]; then
  new_case "batch: a read error in the middle of a batch" batch-read-error
  if posix_only; then
    mkdir "$dir/arch"
    printf 'a\x1a' >"$dir/arch/a.DOC"
    ln -s /proc/self/mem "$dir/arch/b.DOC"
    printf 'c\x1a' >"$dir/arch/c.DOC"
    touch -d 2001-02-03 "$dir/arch/a.DOC"
    run_batch --keep-time arch
    expect 1 $'wpconv-batch: arch/b.DOC: OASYS file read error (Input/output error)\n2 converted, 0 skipped, 1 failed' &&
      expect_files "$dir/arch" a.DOC a.HTM b.DOC c.DOC c.HTM &&
      [ "$(stat -c %Y "$dir/arch/a.HTM")" = "$(stat -c %Y "$dir/arch/a.DOC")" ] && ok
  fi

  new_case "batch: links to folders are not followed, to the folder itself or out of it" batch-links
  if posix_only; then
    mkdir "$dir/arch" "$dir/outside"
    printf 'a\x1a' >"$dir/arch/a.DOC"
    printf 'b\x1a' >"$dir/outside/b.DOC"
    ln -s . "$dir/arch/self"
    ln -s ../outside "$dir/arch/out"
    run_batch arch
    expect 0 "1 converted, 0 skipped, 0 failed" && expect_files "$dir/arch" a.DOC a.HTM out self &&
      expect_files "$dir/outside" b.DOC && ok
  fi

  new_case "batch: --force refuses an output with two hard links; both keep their content" batch-hard-links
  if posix_only; then
    printf 'a\x1a' >"$dir/a.DOC"
    old "$dir" a.HTM
    ln "$dir/a.HTM" "$dir/b.HTM"
    run_batch --force a.DOC
    expect 1 $'wpconv-batch: a.DOC: HTML file open error (Too many links)\n0 converted, 0 skipped, 1 failed' &&
      expect_old "$dir" a.HTM && [ "$(cat "$dir/b.HTM")" = "old a.HTM" ] &&
      [ "$(stat -c %i "$dir/a.HTM")" = "$(stat -c %i "$dir/b.HTM")" ] && ok
  fi

  new_case "batch: --keep-time gives the .DOC and the .FMT the HTML's time" batch-keep-time
  printf '<P>a' >"$dir/a.htm"
  touch -d 2001-02-03 "$dir/a.htm"
  touch -d 2011-12-13 "$dir/bin/wpconv.FMT"
  run_batch --keep-time a.htm
  time=$(stat -c %Y "$dir/a.htm")
  expect 0 "1 converted, 0 skipped, 0 failed" && [ "$(stat -c %Y "$dir/a.DOC")" = "$time" ] &&
    [ "$(stat -c %Y "$dir/a.FMT")" = "$time" ] && ok

  new_case "batch: a log that cannot be written is a failure" batch-log-full
  if small_disk "$dir/disk" 64k; then
    printf 'a\x1a' >"$dir/a.DOC"
    head -c 1M /dev/zero >"$dir/disk/filler" 2>/dev/null
    run_batch --log disk/run.log a.DOC
    expect 1 $'wpconv-batch: disk/run.log: log write error (No space left on device)\n1 converted, 0 skipped, 1 failed' &&
      expect_files "$dir/disk" filler && ok
  else
    skip "cannot mount a tmpfs here"
  fi

  new_case "batch: the disk fills in the middle of a batch" batch-full-disk
  if small_disk "$dir/disk" 256k; then
    for name in a b c d e f; do document 25000 >"$dir/disk/$name.DOC"; done
    old "$dir/disk" f.HTM
    document 25000 >"$dir/reference.DOC"
    run reference.DOC
    run_batch --force --jobs 1 disk
    # The first outputs fit and the others fail whole: what was written is complete, nothing
    # half-written is left, and the old f.HTM stays.
    written=$(cd "$dir/disk" && ls ./?.HTM | grep -vc f.HTM)
    if [ "$status" = 1 ] && [ "$written" -ge 1 ] &&
      [ "$(tail -n 1 <<<"${message%$'\n'}")" = "$written converted, 0 skipped, $((6 - written)) failed" ] &&
      [ -z "$(find "$dir/disk" -name '*.wpconv-tmp')" ]; then
      for html in "$dir"/disk/?.HTM; do
        [ "$html" = "$dir/disk/f.HTM" ] || cmp -s "$html" "$dir/reference.HTM" || fail "$html differs"
      done
      expect_old "$dir/disk" f.HTM && ok
    else
      fail "status $status, message '$message'"
    fi
  else
    skip "cannot mount a tmpfs here"
  fi

  # Threads read ahead past the end of the text: the count is what the conversion took, the
  # same on every run.
  new_case "batch: bytes read up to the end of the text, every run alike" batch-count
  python3 -c "import sys; sys.stdout.buffer.write(b'ab  \x82\xa0' * 40000 + b'\x1a' + b'z' * 1050000)" \
    >"$dir/big.DOC"
  counts=
  for _ in 1 2 3; do
    run_batch --force --log log big.DOC
    counts+=$(cut -f 5 "$dir/log")' '
  done
  [ "$status" = 0 ] && [ "$counts" = '240001 240001 240001 ' ] && ok ||
    fail "status $status, bytes read: $counts"

  new_case "batch: a progress line on a terminal only" batch-progress
  if posix_only && command -v script >/dev/null; then
    mkdir "$dir/arch"
    for i in $(seq 40); do document 200000 >"$dir/arch/$i.DOC"; done
    cp "$batch" "$dir/bin/"
    (cd "$dir" && script -qec "bin/$(basename "$batch") --jobs 1 arch" /dev/null) >"$work/tty" 2>&1
    if grep -q 'of 40 files' "$work/tty" && tail -c 40 "$work/tty" | grep -q '40 converted, 0 skipped, 0 failed'; then
      ok
    else
      fail "no progress line: $(head -c 300 "$work/tty")"
    fi
  fi
fi

end_case
echo "$passed passed, $failed failed, $skipped skipped"
[ "$failed" -eq 0 ]
