#!/usr/bin/env python3
"""Kills the real program during an upload and counts what the service holds twice.

Each round makes a fresh home with a signed-in user and MEMOS memos waiting for upload, starts the
stand-in (replies slowed a little, so that the upload lasts a while) and the program offscreen, sends
SIGTERM or SIGKILL at a random moment of the upload, starts the program again, lets its pass run and
counts the memos the service holds more than once and the memos missing anywhere. Run by hand from
the repository after a build; not part of CI.

With --meddle a second computer of the same account (a small client of the wire protocol written
here, not a second copy of the program) acts while the killed program is down: it signs in, reads
the list, downloads the live memos, then edits some and deletes others through uploads. After the
restarted program's pass and its exit, that client reads the service once more and the round
counts memos held twice, memos lost or not at their newest text (the second computer's edit where it
edited), deletions undone (live on the service, or a live row in data.db) and rows not in step.

    scripts/sync-kill-test.py [--rounds N] [--memos M] [--signal TERM|KILL|both] [--port P] [--meddle]
"""
import argparse
import hashlib
import http.client
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
USER = "demo"
SALT = "morva371"
SEPARATOR = "(#f!g#)"
# A ServerRecord's 22 fields in their order; the upload sends them in another order, below.
RECORD_KEYS = ["type", "userid", "title", "content", "Done", "addtime", "AlertTime", "AlertPinLv", "mimi",
               "ifAlert", "importance", "AddIp", "click", "AlertTimeNongli", "mailTime", "before", "sound",
               "Mail", "editor", "lifa", "synnum", "DiySound"]
UPLOAD_KEYS = ["type", "userid", "title", "content", "Done", "addtime", "AlertTime", "AlertPinLv", "mimi",
               "ifAlert", "importance", "AddIp", "click", "AlertTimeNongli", "mailTime", "before", "sound",
               "diysound", "Mail", "editor", "lifa", "synnum"]


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


def url_encode(text):
    """URLEncode: letters and digits kept, every other byte of the GBK text as %HH."""
    out = []
    for ch in text:
        if ch.isascii() and ch.isalnum():
            out.append(ch)
            continue
        try:
            data = ch.encode("gbk")
        except UnicodeEncodeError:
            data = b"?"
        out.append("".join("%%%02X" % b for b in data))
    return "".join(out)


def encode_post_data(text):
    """EncodePostData: ASCII kept but for %, +, & and the line feed (<BR>); the rest as GBK %HH."""
    out = []
    for ch in text:
        if ch == "\n":
            out.append("<BR>")
        elif ch in "%+&":
            out.append("%%%02X" % ord(ch))
        elif ch.isascii():
            out.append(ch)
        else:
            try:
                data = ch.encode("gbk")
            except UnicodeEncodeError:
                data = b"?"
            out.append("".join("%%%02X" % b for b in data))
    return "".join(out)


class WireClient:
    """A second computer of the account: speaks the service's wire protocol, one request at a time."""

    def __init__(self, port, user, password):
        self.port = port
        self.user = user
        self.pass_hash = md5_16(password)

    def signed(self):
        now = time.localtime()
        nowtime = "%d%d%d%d%d%d" % (now.tm_year, now.tm_mon, now.tm_mday, now.tm_hour, now.tm_min, now.tm_sec)
        return nowtime, md5_16(nowtime + SALT)

    def request(self, method, path, query, body=None):
        connection = http.client.HTTPConnection("127.0.0.1", self.port, timeout=30)
        try:
            headers = {"Content-Type": "application/x-www-form-urlencoded"} if body is not None else {}
            connection.request(method, path + "?" + query, body=body.encode("ascii") if body is not None else None,
                               headers=headers)
            reply = connection.getresponse()
            text = reply.read().decode("gbk", errors="replace")
            if reply.status // 100 != 2:
                raise RuntimeError("%s %s: HTTP %d %s" % (method, path, reply.status, text[:200]))
            return text
        finally:
            connection.close()

    def account_query(self, key):
        nowtime, md5 = self.signed()
        return "%s=%s&pass=%s&md5=%s&nowtime=%s" % (key, url_encode(self.user), self.pass_hash, md5, nowtime)

    def sign_in(self):
        reply = self.request("GET", "/Api/login.asp", self.account_query("user"))
        fields = reply.split("|")
        return reply[:2] == "ok" and len(fields) > 2 and fields[2].strip() == md5_16(self.pass_hash + SALT)

    def listing(self):
        """{serverId: (synnum, deleted)} from /Api/id.asp, read page after page."""
        listed = {}
        after = 0
        while True:
            reply = self.request("GET", "/Api/id.asp", self.account_query("userid") + "&after=%d" % after)
            fields = reply.split("|")
            if reply[:2] != "ok" or len(fields) != 6 or fields[2].strip() != md5_16(self.pass_hash + SALT):
                raise RuntimeError("id list refused: %r" % reply[:200])
            for item in fields[4].strip().split(","):
                parts = item.strip().split(":")
                if len(parts) < 2 or not parts[0].isdigit() or not parts[1].lstrip("-").isdigit():
                    continue
                listed[int(parts[0])] = (int(parts[1]), len(parts) > 2 and parts[2] == "d")
            after = int(fields[5].strip())
            if after == 0:
                return listed

    def download(self, server_id):
        """The memo's 22 fields, or None when the service has no live memo of that id."""
        nowtime, md5 = self.signed()
        reply = self.request("GET", "/api/download.asp",
                             "id=%d&nowtime=%s&md5=%s&userid=%s" % (server_id, nowtime, md5, url_encode(self.user)))
        head, _, rest = reply.partition("|")
        if head != "ok":
            raise RuntimeError("download %d failed: %r" % (server_id, reply[:200]))
        parts = rest.split(SEPARATOR)
        if len(parts) < 23 or parts[22] != str(server_id) or (len(parts) > 23 and parts[23] == "d"):
            return None
        return parts[:22]

    def upload(self, fields, server_id, local_id, synnum, deleting):
        """Posts one copy (fields as in a ServerRecord) at the counter given; returns the reply."""
        record = dict(zip(RECORD_KEYS, fields))
        record["diysound"] = record.pop("DiySound")
        record["synnum"] = str(synnum)
        pairs = ["LocalId=%d" % local_id, "id=%d" % server_id]
        for key in UPLOAD_KEYS:
            value = record[key]
            pairs.append("%s=%s" % (key, encode_post_data(value) if key in ("title", "content") else url_encode(value)))
        pairs.append("del=%s" % ("True" if deleting else "False"))
        nowtime, md5 = self.signed()
        return self.request("POST", "/api/Syn.asp", "nowtime=%s&md5=%s&userid=%s&yibu=False"
                            % (nowtime, md5, url_encode(self.user)), "&".join(pairs))

    def live_memos(self):
        """{serverId: fields} of every memo listed live, each downloaded."""
        memos = {}
        for server_id, (_, deleted) in sorted(self.listing().items()):
            if not deleted:
                fields = self.download(server_id)
                if fields is not None:
                    memos[server_id] = fields
        return memos


def meddle(port, round_number):
    """The second computer's turn while the program is down: edits some memos, deletes others."""
    client = WireClient(port, USER, PASSWORD)
    if not client.sign_in():
        raise RuntimeError("the second computer could not sign in")
    copies = client.live_memos()
    ids = sorted(copies)
    edits, deletions = [], []
    if ids:
        # The newest memo on the service is the one most likely posted while the program died.
        (edits if round_number % 2 else deletions).append(ids[-1])
        rest = ids[:-1]
        random.shuffle(rest)
        share = max(1, len(ids) // 5)
        edits += rest[:random.randint(0, share)]
        deletions += rest[share:share + random.randint(0, share)]
    acts = {}
    local_id = 10000
    for server_id in edits + deletions:
        fields = list(copies[server_id])
        deleting = server_id in deletions
        if not deleting:
            fields[3] = "第二台电脑改过 %s, round %d" % (fields[3], round_number)
        local_id += 1
        reply = client.upload(fields, server_id, local_id, int(fields[20] or 0) + 1, deleting)
        expected = ("#delo#|ok|%d" % server_id) if deleting else ("#adok#|ok|%d|%d" % (server_id, local_id))
        acts[fields[2]] = dict(serverId=server_id, action="delete" if deleting else "edit", content=fields[3],
                               synnum=int(fields[20] or 0) + 1, taken=reply.strip() == expected, reply=reply[:120])
    return dict(listed=len(ids), acts=acts)


def settle(local, store, timeout=90, quiet=4.0):
    """Waits until every row is in step and neither data.db nor the service changed for QUIET seconds."""
    end = time.time() + timeout
    last, since = None, time.time()
    while time.time() < end:
        unsent = query(local, "SELECT count(*) FROM Notebook WHERE syn=0")
        state = (query(local, "SELECT id, NotebookServerId, content, syn, Del, SyncedSynnum FROM Notebook"),
                 query(store, "SELECT serverId, synnum, deleted FROM memos"))
        if state != last:
            last, since = state, time.time()
        elif unsent is not None and unsent[0][0] == 0 and time.time() - since >= quiet:
            return True
        time.sleep(0.2)
    return False


def check_meddled(args, home, store, local, meddled, port):
    """Compares the service (read by the wire client) and data.db with what each memo should be."""
    acts = {title: act for title, act in meddled["acts"].items() if act["taken"]}
    service = WireClient(port, USER, PASSWORD).live_memos()
    held = {}
    for server_id, fields in service.items():
        held.setdefault(fields[2], []).append((server_id, fields[3]))
    rows = query(local, "SELECT id, NotebookServerId, title, content, syn, Del, synnum, SyncedSynnum "
                        "FROM Notebook WHERE userid = 'demo'")
    live_rows = {}
    for row in rows:
        if row[5] == 0:
            live_rows.setdefault(row[2], []).append(row)
    found = dict(duplicates=[], lost=[], undone=[], local_duplicates=[], local_lost=[], local_undone=[])
    for i in range(args.memos):
        title = "kill %03d" % i
        act = acts.get(title)
        if act and act["action"] == "delete":
            if title in held:
                found["undone"].append(title)
            if title in live_rows:
                found["local_undone"].append(title)
            continue
        want = act["content"] if act else "memo %d" % i
        copies = held.get(title, [])
        if len(copies) > 1:
            found["duplicates"].append(title)
        if want not in [content for _, content in copies]:
            found["lost"].append(title)
        local_copies = live_rows.get(title, [])
        if len(local_copies) > 1:
            found["local_duplicates"].append(title)
        if want not in [row[3] for row in local_copies]:
            found["local_lost"].append(title)
    # Memos held twice are counted by title whatever became of them.
    found["duplicates"] = sorted(set(found["duplicates"]) | {t for t, c in held.items() if len(c) > 1})
    not_in_step = [row for row in rows if row[4] != 1]
    result = {key: len(value) for key, value in found.items()}
    result["not_in_step"] = len(not_in_step)
    involved = set().union(*found.values()) | {row[2] for row in not_in_step}
    if involved:
        details = dict(home=home, second_computer={t: a for t, a in meddled["acts"].items()}, memos={})
        for title in sorted(involved):
            details["memos"][title] = dict(
                second_computer=meddled["acts"].get(title),
                service=[dict(serverId=s, synnum=n, deleted=d, content=json.loads(f)[3])
                         for (s, n, d, f) in query(store, "SELECT serverId, synnum, deleted, fields FROM memos")
                         if json.loads(f)[2] == title],
                data_db=[dict(zip(("id", "NotebookServerId", "title", "content", "syn", "Del", "synnum",
                                   "SyncedSynnum"), row)) for row in rows if row[2] == title])
        details["found"] = found
        with open(os.path.join(home, "meddle-details.json"), "w", encoding="utf-8") as out:
            json.dump(details, out, ensure_ascii=False, indent=1)
        result["details"] = details
    return result


def run_round(args, kind, number=1):
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
        # Memos the service took whose answer the program did not write down: the posts it died over.
        carried = {n for (n,) in query(local, "SELECT NotebookServerId FROM Notebook")}
        unanswered = {n for (n,) in query(store, "SELECT serverId FROM memos") if n not in carried}
        meddled = None
        if args.meddle:
            time.sleep(0.3)  # a request the service received whole is done before the other computer reads
            meddled = meddle(args.port, number)

        second = subprocess.Popen([program], env=env, stdout=log, stderr=log)
        if args.meddle:
            settled = settle(local, store)
        else:
            settled = wait_for(
                lambda: (query(local, "SELECT count(*) FROM Notebook WHERE syn=0") or [[1]])[0][0] == 0, 60)
        second.send_signal(signal.SIGTERM)
        second.wait(timeout=15)
        if meddled is not None:
            result = dict(started=started, settled=settled, taken_at_kill=taken, quit_seconds=quit_seconds,
                          unanswered_at_kill=len(unanswered), listed=meddled["listed"],
                          edited=sum(1 for a in meddled["acts"].values() if a["action"] == "edit" and a["taken"]),
                          deleted=sum(1 for a in meddled["acts"].values() if a["action"] == "delete" and a["taken"]),
                          refused=sum(1 for a in meddled["acts"].values() if not a["taken"]),
                          unanswered_edited=sum(1 for a in meddled["acts"].values() if a["taken"] and
                                                a["action"] == "edit" and a["serverId"] in unanswered),
                          unanswered_deleted=sum(1 for a in meddled["acts"].values() if a["taken"] and
                                                 a["action"] == "delete" and a["serverId"] in unanswered))
            result.update(check_meddled(args, home, store, local, meddled, args.port))
            return result

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
    parser.add_argument("--meddle", action="store_true",
                        help="a second computer edits and deletes memos while the killed program is down")
    args = parser.parse_args()
    if args.meddle:
        return main_meddle(args, kinds=["TERM", "KILL"] if args.signal == "both" else [args.signal])
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


MEDDLE_COUNTS = ("unanswered_at_kill", "edited", "deleted", "refused", "unanswered_edited", "unanswered_deleted", "duplicates", "lost", "undone", "local_duplicates", "local_lost",
                 "local_undone", "not_in_step")


def main_meddle(args, kinds):
    totals = {}
    failing = []
    for kind in kinds:
        for n in range(args.rounds):
            result = run_round(args, kind, n + 1)
            details = result.pop("details", None)
            print("SIG%s round %d: %s" % (kind, n + 1, result), flush=True)
            if details:
                failing.append((kind, n + 1, details))
                print("  details: %s" % os.path.join(details["home"], "meddle-details.json"), flush=True)
            total = totals.setdefault(kind, dict(rounds=0, memos=0, kills=0, unsettled=0,
                                                 **{key: 0 for key in MEDDLE_COUNTS}))
            total["rounds"] += 1
            total["memos"] += args.memos
            total["kills"] += 1
            total["unsettled"] += 0 if result["settled"] else 1
            for key in MEDDLE_COUNTS:
                total[key] += result[key]
    for kind, total in totals.items():
        print("SIG%s: %s" % (kind, ", ".join("%s %d" % (key, value) for key, value in total.items())))
    for kind, number, details in failing:
        print("SIG%s round %d failed (%s):" % (kind, number, details["home"]))
        for title, memo in details["memos"].items():
            print("  %s: %s" % (title, json.dumps(memo, ensure_ascii=False)))
    return 1 if failing else 0


if __name__ == "__main__":
    sys.exit(main())
