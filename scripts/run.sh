#!/usr/bin/env bash
# Installs what is missing, builds, starts the local service stand-in with the demo account,
# then starts Velmo against it. The stand-in stops when the program ends.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

bash scripts/install-deps.sh
bash scripts/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo

service_pid=
if [ -x build/bin/velmo-service ]; then
    build/bin/velmo-service --port 18766 --user demo:velmo123 \
        --notice '1|欢迎使用 Velmo|/read.asp?id=1' &
    service_pid=$!
    trap '[ -n "$service_pid" ] && kill "$service_pid" 2>/dev/null || true' EXIT
fi

build/bin/velmo
