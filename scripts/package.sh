#!/usr/bin/env bash
# Builds the Debian package of the VN420P software from this tree: the
# deliverables alone (no tests or benchmarks) in build-package/, then CPack's
# DEB generator. Prints the package's path; install it with
#   sudo apt install ./build-package/vn420p_<version>_<arch>.deb
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/bootstrap.sh
cmake --preset package >/dev/null
cmake --build --preset package -- -j"$(nproc)"
rm -f build-package/vn420p_*.deb
cpack --config build-package/CPackConfig.cmake -B build-package >/dev/null
ls build-package/vn420p_*.deb
