#!/usr/bin/env python3
"""Kills the real program during an upload and counts what the service holds twice.

Each round makes a fresh home with a signed-in user and MEMOS memos waiting for upload, starts the
stand-in (replies slowed a little, so that the upload lasts a while) and the program offscreen, sends
SIGTERM or SIGKILL at a random moment of the upload, starts the program again, lets its pass run and
counts the memos the service holds more than once and the memos missing anywhere. Run by hand from
the repository after a build; not part of CI.

    scripts/sync-kill-test.py [--rounds N] [--memos M] [--signal TERM|KILL|both] [--port P]
"""
import argparse
import hashlib
import json
import os
import random
import signal
import sqlite3
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
PASSWORD = "velmo123"


def md5_16(text):
    return hashlib.md5(text.encode("gbk")).hexdigest()[8:24]


def schema_statements():
    statements, current = [], []
    for line in open(os.path.join(ROOT, "src/store/schema.sql"), encoding="utf-8"):
        if line.strip().startswith("--"):
            continue
        if not line.strip():
            if "".join(current).strip():
                statements.append("".join(current))
            current = []
            continue
        current.append(line)
    if "".join(current).strip():
        statements.append("".join(current))
    return statements


def schema_version():
    """The newest schema the program knows, as a new data.db is written out at."""
    for line in open(os.path.join(ROOT, "src/store/SchemaUpgrade.h"), encoding="utf-8"):
        if "constexpr int CurrentSchemaVersion" in line:
            return int(line.split("=")[1].strip(" ;\n"))
    raise RuntimeError("CurrentSchemaVersion not found")


def make_home(home, port, memos):
    env = dict(os.environ, HOME=home, XDG_DATA_HOME=home + "/data", XDG_CONFIG_HOME=home + "/config",
               XDG_RUNTIME_DIR=home + "/run", QT_QPA_PLATFORM="offscreen")
    for folder in ("data/velmo", "config/velmo", "run"):
        os.makedirs(os.path.join(home, folder), mode=0o700, exist_ok=True)
    with open(os.path.join(home, "config/velmo/velmo.ini"), "w") as ini:
        ini.write("[Service]\nAddress=http://127.0.0.1:%d\n" % port)
    db = sqlite3.connect(os.path.join(home, "data/velmo/data.db"))
    for statement in schema_statements():
        db.execute(statement)
    db.execute("PRAGMA user_version = %d" % schema_version())
    digest = md5_16(PASSWORD)
    db.execute("INSERT INTO Users (UserID, LastPassword, UserPWD, LenPass) VALUES ('demo', ?, ?, ?)",
               (digest, digest, len(PASSWORD)))
    db.execute("UPDATE Config SET FirstRun=0, LastUser='demo', SavePass=1, AutoLogin=1, AutoHide=0")
    db.executemany("INSERT INTO Notebook (type, userid, title, content, addtime, AlertPinLv, lifa) "
                   "VALUES (1, 'demo', ?, ?, '2026-12-06 10:00:00', 'N', 1)",
                   [("kill %03d" % i, "memo %d" % i) for i in range(memos)])
    db.commit()
    db.close()
    return env


def query(path, sql):
    try:
        db = sqlite3.connect("file:%s?mode=ro" % path, uri=True, timeout=5)
        rows = db.execute(sql).fetchall()
        db.close()
        return rows
    except sqlite3.Error:
        return None


def wait_for(predicate, timeout):
    end = time.time() + timeout
    while time.time() < end:
        if predicate():
            return True
        time.sleep(0.02)
    return False


def run_round(args, kind):
    home = tempfile.mkdtemp(prefix="velmo-kill-")
    env = make_home(home, args.port, args.memos)
    store = os.path.join(home, "memos.db")
    local = os.path.join(home, "data/velmo/data.db")
    service = subprocess.Popen([os.path.join(ROOT, "build/bin/velmo-service"), "--port", str(args.port),
                                "--user", "demo:" + PASSWORD, "--store", store, "--delay", "5"],
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    program = os.path.join(ROOT, "build/bin/velmo")
    log = open(os.path.join(home, "velmo.log"), "w")
    try:
        time.sleep(0.5)
        first = subprocess.Popen([program], env=env, stdout=log, stderr=log)
        started = wait_for(lambda: (query(store, "SELECT count(*) FROM memos") or [[0]])[0][0] > 0, 40)
        time.sleep(random.uniform(0, args.memos * 0.006))
        first.send_signal(signal.SIGTERM if kind == "TERM" else signal.SIGKILL)
        t0 = time.time()
        first.wait(timeout=15)
        quit_seconds = time.time() - t0
        taken = query(store, "SELECT count(*) FROM memos")[0][0]

        second = subprocess.Popen([program], env=env, stdout=log, stderr=log)
        settled = wait_for(lambda: (query(local, "SELECT count(*) FROM Notebook WHERE syn=0") or [[1]])[0][0] == 0,
                           60)
        second.send_signal(signal.SIGTERM)
        second.wait(timeout=15)

        titles = [json.loads(fields)[2] for (fields,) in query(store, "SELECT fields FROM memos WHERE deleted=0")]
        local_titles = [t for (t,) in query(local, "SELECT title FROM Notebook")]
        duplicates = len(titles) - len(set(titles))
        local_duplicates = len(local_titles) - len(set(local_titles))
        missing = args.memos - len(set(titles))
        return dict(started=started, settled=settled, taken_at_kill=taken, quit_seconds=quit_seconds,
                    duplicates=duplicates, local_duplicates=local_duplicates, missing=missing)
    finally:
        service.terminate()
        service.wait()
        log.close()


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--rounds", type=int, default=10)
    parser.add_argument("--memos", type=int, default=300)
    parser.add_argument("--signal", choices=("TERM", "KILL", "both"), default="both")
    parser.add_argument("--port", type=int, default=18811)
    args = parser.parse_args()
    kinds = ["TERM", "KILL"] if args.signal == "both" else [args.signal]
    totals = {}
    for kind in kinds:
        for n in range(args.rounds):
            result = run_round(args, kind)
            print("SIG%s round %d: %s" % (kind, n + 1, result), flush=True)
            total = totals.setdefault(kind, dict(rounds=0, duplicates=0, worst=0, missing=0, unsettled=0))
            total["rounds"] += 1
            total["duplicates"] += result["duplicates"] + result["local_duplicates"]
            total["worst"] = max(total["worst"], result["duplicates"])
            total["missing"] += result["missing"]
            total["unsettled"] += 0 if result["settled"] else 1
    for kind, total in totals.items():
        print("SIG%s: %d rounds, %d duplicates (at most %d in a round), %d memos missing, %d rounds not in step"
              % (kind, total["rounds"], total["duplicates"], total["worst"], total["missing"], total["unsettled"]))
    return 0


if __name__ == "__main__":
    sys.exit(main())
