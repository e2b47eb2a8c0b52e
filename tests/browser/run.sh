#!/usr/bin/env bash
# Opens the HTML that wpconv writes in headless Chromium (no network, a fresh profile each time)
# and checks the DOM the browser built. Usage: tests/browser/run.sh [PROGRAM]; PROGRAM defaults
# to build/native/wpconv. Needs chromium and python3, which scripts/install-deps.sh installs.
set -euo pipefail
cd "$(dirname "$0")/../.."
program=${1:-build/native/wpconv}
if ! command -v chromium >/dev/null; then
  echo "tests/browser/run.sh: chromium not found; run scripts/install-deps.sh first" >&2
  exit 1
fi
exec python3 tests/browser/check_dom.py --program "$program"
