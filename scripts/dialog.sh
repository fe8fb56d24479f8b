#!/usr/bin/env bash
# Builds pdedialog and opens it on the bundled sample PPD (offline printer).
# Arguments go to pdedialog, e.g. a file to print or --printer NAME instead.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/bootstrap.sh
cmake --preset default >/dev/null
cmake --build --preset default -- -j"$(nproc)" pdedialog colorpane
if [[ " $* " != *" --printer "* && " $* " != *" --ppd "* ]]; then
  set -- --ppd resources/ppd/VN420P.ppd "$@"
fi
exec build/bin/pdedialog "$@"
