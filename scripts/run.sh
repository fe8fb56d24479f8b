#!/usr/bin/env bash
# Builds the project and runs the main job: the colour and Security panels of
# the VN420P print dialog on the bundled sample PPD, through pdehost.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/bootstrap.sh
cmake --preset default >/dev/null
cmake --build --preset default -- -j"$(nproc)" pdehost
pdehost=build/bin/pdehost
panel=jp.halvern.pde.VN420P.hvco

echo "== panels"; "$pdehost" panels
echo "== the colour panel"; "$pdehost" show "$panel"
echo "== the Security panel"; "$pdehost" show jp.halvern.print.pde.VN420P.Security
echo "== summary"; "$pdehost" summary
echo "== print ticket (CUPS job options)"; "$pdehost" print
