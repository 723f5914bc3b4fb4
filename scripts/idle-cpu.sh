#!/usr/bin/env bash
# Measures the program's CPU use at rest: signed in with 10,000 memos, synchronised with the local
# stand-in, its window open on a virtual display, for two minutes at each scan interval given.
#
#   scripts/idle-cpu.sh [BUILD_DIR]
#
# Environment: DISPLAY_NUMBER (default 61), PORT (default 18610), INTERVALS (default "1 10"),
# SECONDS_MEASURED (default 120), MEMOS (default 10000), DUE (default 0: how many of the memos fell
# due an hour before the start, so that they ring and the assistant figure shows while measured).
# Prints one line per interval: the share of one core used, from utime+stime in /proc/PID/stat,
# and the resident memory at the end (VmRSS).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$root/build}" && pwd)"
display_number="${DISPLAY_NUMBER:-61}"
port="${PORT:-18610}"
intervals="${INTERVALS:-1 10}"
seconds="${SECONDS_MEASURED:-120}"
memos="${MEMOS:-10000}"
due="${DUE:-0}"
user=idle
password=idle1234

work="$(mktemp -d)"
pids=()
cleanup()
{
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

Xvfb ":$display_number" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
export DISPLAY=":$display_number"
for _ in $(seq 50); do
    xdpyinfo >/dev/null 2>&1 && break
    sleep 0.1
done
if command -v openbox >/dev/null; then
    openbox >/dev/null 2>&1 &
    pids+=($!)
fi

# Fresh data folder: the empty database from the schema, the account signing in by itself, and
# the memos, due over the coming weeks (none rings while measured, but the first DUE, due an hour
# ago), with no upload pending yet.
prepare()
{
    local home="$1" interval="$2"
    mkdir -p "$home/data/velmo" "$home/config/velmo" "$home/runtime"
    chmod 700 "$home/runtime"
    printf '[Service]\nAddress=http://127.0.0.1:%s\n' "$port" >"$home/config/velmo/velmo.ini"
    python3 - "$root/src/store/schema.sql" "$home/data/velmo/data.db" "$user" "$password" "$interval" \
        "$memos" "$due" <<'EOF'
import datetime, hashlib, sqlite3, sys
schema, path, user, password, interval, count, due = sys.argv[1:8]
db = sqlite3.connect(path)
text = "\n".join(l for l in open(schema, encoding="utf-8").read().splitlines() if not l.startswith("--"))
for statement in text.split("\n\n"):
    if statement.strip():
        db.execute(statement)
digest = hashlib.md5(password.encode()).hexdigest()[8:24]
db.execute("UPDATE Config SET FirstRun=0, LastUser=?, SavePass=1, AutoLogin=1, CheckTimer=?",
           (user, int(interval)))
db.execute("INSERT INTO Users (UserID, UserPWD, LastPassword, LenPass) VALUES (?, ?, ?, ?)",
           (user, digest, digest, len(password)))
now = datetime.datetime.now().replace(microsecond=0)
start = now + datetime.timedelta(days=1)
def moment(i):
    return now - datetime.timedelta(hours=1) if i < int(due) else start + datetime.timedelta(hours=i)
db.executemany(
    "INSERT INTO Notebook (type, userid, title, content, AlertTime, AlertPinLv, ifAlert, sound, lifa, click) "
    "VALUES (?, ?, ?, ?, ?, '1', 1, '1.mid', 1, 1)",
    ((1 + i % 7, user, f"备忘 {i}", f"<p>第 {i} 条备忘的内容</p>",
      moment(i).strftime("%Y-%m-%d %H:%M:%S")) for i in range(int(count))))
db.commit()
EOF
}

unsynced()
{
    python3 - "$1" <<'EOF'
import sqlite3, sys
db = sqlite3.connect(f"file:{sys.argv[1]}?mode=ro", uri=True)
print(db.execute("SELECT count(*) FROM Notebook WHERE syn=0").fetchone()[0])
EOF
}

ticks()
{
    # Fields 14 and 15 of /proc/PID/stat, counted after the command name's closing parenthesis.
    awk '{ sub(/^.*\) /, ""); print $12 + $13 }' "/proc/$1/stat"
}

hz="$(getconf CLK_TCK)"
for interval in $intervals; do
    home="$work/home-$interval"
    prepare "$home" "$interval"
    "$build/bin/velmo-service" --port "$port" --user "$user:$password" --store "$home/service.db" \
        >"$home/service.log" 2>&1 &
    service=$!
    pids+=("$service")
    HOME="$home" XDG_DATA_HOME="$home/data" XDG_CONFIG_HOME="$home/config" XDG_RUNTIME_DIR="$home/runtime" \
        "$build/bin/velmo" >"$home/velmo.log" 2>&1 &
    program=$!
    pids+=("$program")

    # At rest means after the first synchronisation has sent every memo up.
    waited=0
    until [ "$(unsynced "$home/data/velmo/data.db" 2>/dev/null || echo x)" = 0 ]; do
        sleep 1
        waited=$((waited + 1))
        if [ "$waited" -gt 600 ] || ! kill -0 "$program" 2>/dev/null; then
            echo "interval ${interval}s: the program did not finish its first synchronisation" >&2
            exit 1
        fi
    done
    sleep 5

    before="$(ticks "$program")"
    sleep "$seconds"
    after="$(ticks "$program")"
    rss="$(awk '/^VmRSS:/ { print int($2 / 1024) }' "/proc/$program/status")"
    awk -v t="$((after - before))" -v hz="$hz" -v s="$seconds" -v i="$interval" -v m="$memos" -v r="$rss" \
        -v d="$due" 'BEGIN { printf "scan every %ss, %s memos (%s due): %.3f%% of a core over %ss (%d ticks), resident %s MiB\n", i, m, d, 100 * t / hz / s, s, t, r }'

    kill "$program" "$service"
    wait "$program" "$service" 2>/dev/null || true
done
