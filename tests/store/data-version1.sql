-- data.db as version 1 of the program wrote it: its schema, run statement by statement (blank lines
-- between them, comment lines dropped) in one transaction. Kept as it was, to test the upgrade.

-- The empty data.db: four tables and the one settings row.
-- Statements are separated by blank lines (trigger bodies hold semicolons of their own).
-- Dates are text 'yyyy-MM-dd HH:mm:ss' in local time; yes/no columns hold 0 or 1.
-- Text columns compare without letter case.

PRAGMA user_version = 1

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
    userid TEXT COLLATE NOCASE CHECK (length(userid) <= 50),
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
        CHECK (AlertTimeNongliTemp IS NULL OR AlertTimeNongliTemp GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9] [0-9][0-9]:[0-9][0-9]:[0-9][0-9]')
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

CREATE INDEX notebookId ON Notebook (NotebookServerId)

CREATE INDEX synnum ON Notebook (synnum)

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
