#!/usr/bin/env bash
# Renders each page of the print dialog (every panel, the Advanced pane, the
# summary, a refusing panel's alert) on the bundled sample PPD to PNG files
# under docs/pictures, in English and in Japanese, on Qt's offscreen platform.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/bootstrap.sh
cmake --preset default >/dev/null
cmake --build --preset default -- -j"$(nproc)" dialog_pictures pdedialog colorpane
for lang in en ja; do
  suffix=""; [ "$lang" = en ] || suffix="-$lang"
  LANGUAGE=$([ "$lang" = en ] && echo "" || echo "$lang") LC_ALL=C.UTF-8 QT_QPA_PLATFORM=offscreen \
    build/bin/dialog_pictures --ppd resources/ppd/VN420P.ppd --plugins build/plugins \
      --locale-dir build/share/vn420p/locale --out docs/pictures --suffix "$suffix"
done
