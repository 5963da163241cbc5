#!/usr/bin/env bash
# Installs what is missing, builds Quadrotag and opens it on the demo batch.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    echo "Quadrotag needs a graphical display, and this session has none (DISPLAY is not set)." >&2
    exit 1
fi

bash scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$(nproc)" --target quadrotag demo

# The demo folder is the project (its vocabulary "tags") and the batch: the first room shows at once.
cd build/demo-batch
exec ../app/quadrotag --project . .
