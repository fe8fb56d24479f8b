#!/usr/bin/env bash
# Renders each page of the print dialog (every panel, the Advanced pane, the
# profile management window, the Layout page, the summary, the Security
# panel's alert), with a sample PDF in the preview, on the bundled sample PPD
# to PNG files under docs/pictures, in English and in Japanese, on Qt's
# offscreen platform.
#
# The management window opens only where the profile store lets the person
# write, through its helper tools: they are installed under a temporary
# installation root for the run, and the person must be an administrator
# (root, or a member of lpadmin).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/bootstrap.sh
cmake --preset default >/dev/null
cmake --build --preset default -- -j"$(nproc)" dialog_pictures pdedialog pdfpreview colorpane securitypane bridgetool prefservice

base=$(mktemp -d /tmp/vn420p-pictures-XXXXXX)
trap 'pkill -f -- "$base/" || true; rm -rf "$base"' EXIT
export VN420P_ROOT="$base/root" XDG_RUNTIME_DIR="$base/run"
helpers="$VN420P_ROOT/Library/Application Support/HALVERN/VN420P/Helpers/bridgetool.app/Contents/MacOS"
mkdir -p "$helpers" "$VN420P_ROOT/Library/Printers/HALVERN/Preferences/jp.halvern.printers.VN420P" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
cp build/bin/bridgetool build/bin/prefservice "$helpers/"

for lang in en ja; do
  suffix=""; [ "$lang" = en ] || suffix="-$lang"
  LANGUAGE=$([ "$lang" = en ] && echo "" || echo "$lang") LC_ALL=C.UTF-8 QT_QPA_PLATFORM=offscreen \
    build/bin/dialog_pictures --ppd resources/ppd/VN420P.ppd --plugins build/plugins \
      --locale-dir build/share/vn420p/locale --out docs/pictures --suffix "$suffix" \
      --pdf-renderer build/lib/vn420p/pdfpreview.so
done
