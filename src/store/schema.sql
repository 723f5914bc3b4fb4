-- The empty data.db: four tables and the one settings row.
-- Statements are separated by blank lines (trigger bodies hold semicolons of their own).
-- Dates are text 'yyyy-MM-dd HH:mm:ss' in local time; yes/no columns hold 0 or 1.
-- Text columns compare without letter case, except a memo's owner, which holds its account's one
-- spelling: the sign-in finds an account row in any letter case and goes on under the row's name.
-- The file's user_version is CurrentSchemaVersion (store/SchemaUpgrade.h), set when it is written out.
-- Version 2: Notebook.userid compares with letter case, and Notebook.SyncedSynnum exists. An older
-- file is brought up to this shape when it is opened (store/SchemaUpgrade).
-- Version 3: the table SentUploads exists.
-- Version 4: Notebook.ServerToken and SyncedDigest, SentUploads.AboveServerId, the tables SyncBase, SyncLineage and
-- SyncDeletions and the triggers that keep the first two.

CREATE TABLE Config (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    FirstRun INTEGER NOT NULL DEFAULT 1 CHECK (FirstRun IN (0, 1)),
    LastUser TEXT COLLATE NOCASE CHECK (length(LastUser) <= 255),
    SavePass INTEGER NOT NULL DEFAULT 1 CHECK (SavePass IN (0, 1)),
    AutoLogin INTEGER NOT NULL DEFAULT 1 CHECK (AutoLogin IN (0, 1)),
    CheckTimer INTEGER DEFAULT 10,
    ReminderRing INTEGER NOT NULL DEFAULT 0 CHECK (ReminderRing IN (0, 1)),
    ReminderPop INTEGER NOT NULL DEFAULT 0 CHECK (ReminderPop IN (0, 1)),
    ReminderMM INTEGER NOT NULL DEFAULT 0 CHECK (ReminderMM IN (0, 1)),
    ReminderIco INTEGER NOT NULL DEFAULT 0 CHECK (ReminderIco IN (0, 1)),
    AutoHide INTEGER NOT NULL DEFAULT 0 CHECK (AutoHide IN (0, 1)),
    DiySound TEXT COLLATE NOCASE,
    MmNumber INTEGER DEFAULT 2,
    "Update" REAL DEFAULT 0
)

CREATE TABLE Notebook (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    NotebookServerId INTEGER DEFAULT 0,
    type INTEGER DEFAULT 0,
    userid TEXT CHECK (length(userid) <= 50),
    title TEXT COLLATE NOCASE CHECK (length(title) <= 255),
    content TEXT COLLATE NOCASE,
    Done INTEGER NOT NULL DEFAULT 0 CHECK (Done IN (0, 1)),
    addtime TEXT DEFAULT (strftime('%Y-%m-%d %H:%M:%S', 'now', 'localtime'))
        CHECK (addtime IS NULL OR addtime GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9] [0-9][0-9]:[0-9][0-9]:[0-9][0-9]'),
    AlertTime TEXT
        CHECK (AlertTime IS NULL OR AlertTime GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9] [0-9][0-9]:[0-9][0-9]:[0-9][0-9]'),
    AlertPinLv TEXT COLLATE NOCASE CHECK (length(AlertPinLv) <= 50),
    mimi INTEGER NOT NULL DEFAULT 0 CHECK (mimi IN (0, 1)),
    ifAlert INTEGER NOT NULL DEFAULT 0 CHECK (ifAlert IN (0, 1)),
    importance INTEGER NOT NULL DEFAULT 0 CHECK (importance IN (0, 1)),
    AddIp TEXT COLLATE NOCASE CHECK (length(AddIp) <= 50),
    click INTEGER DEFAULT 0,
    AlertTimeNongli TEXT
        CHECK (AlertTimeNongli IS NULL OR AlertTimeNongli GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9] [0-9][0-9]:[0-9][0-9]:[0-9][0-9]'),
    mailTime TEXT
        CHECK (mailTime IS NULL OR mailTime GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9] [0-9][0-9]:[0-9][0-9]:[0-9][0-9]'),
    "before" INTEGER DEFAULT 7,
    sound TEXT COLLATE NOCASE CHECK (length(sound) <= 255),
    DiySound TEXT COLLATE NOCASE,
    Mail INTEGER NOT NULL DEFAULT 0 CHECK (Mail IN (0, 1)),
    editor INTEGER NOT NULL DEFAULT 0 CHECK (editor IN (0, 1)),
    lifa INTEGER DEFAULT 0,
    synnum INTEGER DEFAULT 1,
    syn INTEGER NOT NULL DEFAULT 0 CHECK (syn IN (0, 1)),
    Del INTEGER NOT NULL DEFAULT 0 CHECK (Del IN (0, 1)),
    AlertTimeTemp TEXT
        CHECK (AlertTimeTemp IS NULL OR AlertTimeTemp GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9] [0-9][0-9]:[0-9][0-9]:[0-9][0-9]'),
    AlertTimeNongliTemp TEXT
        CHECK (AlertTimeNongliTemp IS NULL OR AlertTimeNongliTemp GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9] [0-9][0-9]:[0-9][0-9]:[0-9][0-9]'),
    -- The service's change counter of the memo when this row was last in step with it (after a
    -- download, an acknowledged upload or a settled conflict); 0 before the first. A row with
    -- changes waiting whose counter on the service differs from this one was changed there too.
    SyncedSynnum INTEGER NOT NULL DEFAULT 0,
    -- The service's token of the memo under NotebookServerId: it tells that memo from another one
    -- given the same server id after the service lost its memos. NULL: not known yet.
    ServerToken TEXT,
    -- The digest of the service's copy the row was last in step with (at SyncedSynnum): a copy listed
    -- at that counter with another digest is another copy (a service put back from a backup gives a
    -- counter out again). NULL: not known.
    SyncedDigest TEXT
)

-- A body is never kept as the empty text: it is stored as no body at all.
CREATE TRIGGER NotebookEmptyContentOnInsert AFTER INSERT ON Notebook WHEN NEW.content = ''
BEGIN
    UPDATE Notebook SET content = NULL WHERE id = NEW.id;
END

CREATE TRIGGER NotebookEmptyContentOnUpdate AFTER UPDATE OF content ON Notebook WHEN NEW.content = ''
BEGIN
    UPDATE Notebook SET content = NULL WHERE id = NEW.id;
END

-- Lists, counts and the due scan filter by owner, deleted and done flags.
CREATE INDEX NotebookOwner ON Notebook (userid, Del, Done)

-- The tree's counts read this index alone (one grouped query per refresh).
CREATE INDEX NotebookOwnerCounts ON Notebook (userid, Del, Done, type)

-- The due scan: reminder moments in progress on each calendar, and the few snoozed memos.
CREATE INDEX NotebookDueSolar ON Notebook (userid, ifAlert, Done, Del, AlertTime)

CREATE INDEX NotebookDueNongli ON Notebook (userid, ifAlert, Done, Del, AlertTimeNongli)

CREATE INDEX NotebookSnooze ON Notebook (userid, AlertTimeTemp) WHERE AlertTimeTemp IS NOT NULL

CREATE INDEX NotebookSnoozeNongli ON Notebook (userid, AlertTimeNongliTemp) WHERE AlertTimeNongliTemp IS NOT NULL

CREATE INDEX NotebookOwnerSyn ON Notebook (userid, syn)

-- The synchronisation's comparison reads this index alone, in the order of the server ids.
CREATE INDEX NotebookSync ON Notebook (userid, NotebookServerId, id, synnum, syn, Del, SyncedSynnum, ServerToken,
    SyncedDigest)

CREATE INDEX notebookId ON Notebook (NotebookServerId)

CREATE INDEX synnum ON Notebook (synnum)

-- The uploads posted to the service whose answer is not written down yet, or whose copies the service
-- may hold twice (store/SentUploads): the copy as posted, so that a copy the service took while its
-- answer was lost is still recognised as this computer's own.
CREATE TABLE SentUploads (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    userid TEXT NOT NULL CHECK (length(userid) <= 50),
    LocalId INTEGER NOT NULL,
    ServerId INTEGER NOT NULL DEFAULT 0,
    Record TEXT NOT NULL,
    ReadSynnum INTEGER NOT NULL,
    Del INTEGER NOT NULL CHECK (Del IN (0, 1)),
    Answered INTEGER NOT NULL DEFAULT 0 CHECK (Answered IN (0, 1)),
    -- A copy of a memo new to the service has a server id above this one (the highest the service had
    -- listed before the post).
    AboveServerId INTEGER NOT NULL DEFAULT 0,
    SentAt TEXT NOT NULL
        CHECK (SentAt GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9] [0-9][0-9]:[0-9][0-9]:[0-9][0-9]')
)

CREATE INDEX SentUploadsOwner ON SentUploads (userid)

-- The copy of the service that a row with a change waiting was last in step with: kept when a change
-- takes a row out of step, dropped when the row is in step again or goes. The synchronisation writes it
-- itself where a row comes into step with a copy while keeping a change (store/SyncRows).
CREATE TABLE SyncBase (
    LocalId INTEGER PRIMARY KEY,
    userid TEXT,
    type INTEGER,
    title TEXT,
    content TEXT,
    Done INTEGER,
    addtime TEXT,
    AlertTime TEXT,
    AlertPinLv TEXT,
    mimi INTEGER,
    ifAlert INTEGER,
    importance INTEGER,
    AddIp TEXT,
    click INTEGER,
    AlertTimeNongli TEXT,
    mailTime TEXT,
    "before" INTEGER,
    sound TEXT,
    Mail INTEGER,
    editor INTEGER,
    lifa INTEGER,
    DiySound TEXT,
    synnum INTEGER
)

CREATE TRIGGER SyncBaseKept AFTER UPDATE OF syn ON Notebook WHEN OLD.syn = 1 AND NEW.syn = 0
BEGIN
    INSERT OR REPLACE INTO SyncBase (LocalId, userid, type, title, content, Done, addtime, AlertTime,
        AlertPinLv, mimi, ifAlert, importance, AddIp, click, AlertTimeNongli, mailTime, "before", sound,
        Mail, editor, lifa, DiySound, synnum)
    VALUES (OLD.id, OLD.userid, OLD.type, OLD.title, OLD.content, OLD.Done, OLD.addtime, OLD.AlertTime,
        OLD.AlertPinLv, OLD.mimi, OLD.ifAlert, OLD.importance, OLD.AddIp, OLD.click, OLD.AlertTimeNongli,
        OLD.mailTime, OLD."before", OLD.sound, OLD.Mail, OLD.editor, OLD.lifa, OLD.DiySound, OLD.synnum);
END

CREATE TRIGGER SyncBaseDropped AFTER UPDATE OF syn ON Notebook WHEN NEW.syn = 1
BEGIN
    DELETE FROM SyncBase WHERE LocalId = NEW.id;
END

CREATE TRIGGER SyncBaseGone AFTER DELETE ON Notebook
BEGIN
    DELETE FROM SyncBase WHERE LocalId = OLD.id;
    DELETE FROM SyncLineage WHERE LocalId = OLD.id;
END

-- Every copy this computer knows a row's memo held on the service (a digest each): the copies it had,
-- and those the service said the memo held before them. A copy that another computer sends again
-- after the service lost the memo is known by it.
CREATE TABLE SyncLineage (
    LocalId INTEGER NOT NULL,
    userid TEXT NOT NULL,
    Digest TEXT NOT NULL,
    PRIMARY KEY (LocalId, Digest)
)

CREATE INDEX SyncLineageDigest ON SyncLineage (userid, Digest)

-- Memos this computer saw deleted (its own deletion confirmed, or another computer's): what the memo
-- said then, so that a service that lost the deletion (put back from a backup, started over) gets it
-- again instead of bringing the memo back to every computer.
CREATE TABLE SyncDeletions (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    userid TEXT NOT NULL CHECK (length(userid) <= 50),
    ServerId INTEGER NOT NULL DEFAULT 0,
    ServerToken TEXT,
    Synnum INTEGER NOT NULL DEFAULT 0,
    Digest TEXT NOT NULL,
    -- Every copy the memo was known to have held before, digests joined by ",".
    Lineage TEXT,
    DeletedAt TEXT NOT NULL
        CHECK (DeletedAt GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9] [0-9][0-9]:[0-9][0-9]:[0-9][0-9]')
)

CREATE INDEX SyncDeletionsOwner ON SyncDeletions (userid)

CREATE TABLE Users (
    ID INTEGER PRIMARY KEY AUTOINCREMENT,
    UserID TEXT COLLATE NOCASE CHECK (length(UserID) <= 50),
    LastPassword TEXT COLLATE NOCASE CHECK (length(LastPassword) <= 50),
    UserPWD TEXT COLLATE NOCASE CHECK (length(UserPWD) <= 50),
    LenPass INTEGER DEFAULT 0,
    MobileMailActive INTEGER NOT NULL DEFAULT 0 CHECK (MobileMailActive IN (0, 1)),
    "before" INTEGER DEFAULT 60
)

CREATE INDEX UserID ON Users (UserID)

CREATE TABLE Notice (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    NoticeId INTEGER DEFAULT 0,
    title TEXT COLLATE NOCASE CHECK (length(title) <= 100),
    Url TEXT COLLATE NOCASE CHECK (length(Url) <= 255),
    HaveRead INTEGER NOT NULL DEFAULT 0 CHECK (HaveRead IN (0, 1))
)

CREATE INDEX NoticeId ON Notice (NoticeId)

INSERT INTO Config (id, FirstRun, LastUser, SavePass, AutoLogin, CheckTimer, ReminderRing, ReminderPop,
                    ReminderMM, ReminderIco, AutoHide, DiySound, MmNumber, "Update")
VALUES (1, 1, NULL, 1, 1, 10, 1, 1, 1, 1, 0, '', 2, 1.7)
