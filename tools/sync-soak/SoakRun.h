#pragma once

// Random use of the synchronisation against the stand-in by three computers of one account and one
// computer of a second account: seeded sequences of what the store lets a user do (adds, edits that
// may change the category, the calendar, a lunar 30th or the repeat rule, done and in-progress
// marks, stop-ringing, snoozes, deletions, clearing a category, now and then a memo larger than the
// service takes) and of passes (the sync pass and the delayed upload), with what the network, the
// program and the service really do to them: answers lost after the service took the upload (the
// network layer then sends it again), answers that come after the computer gave up, programs
// restarted, quit or killed in the middle of a pass, writes that fail, changes made while a pass runs,
// a second computer's pass running while the first one's upload is held on the way, weeks passing,
// the service started over empty, put back from an earlier backup, or a computer's address changed to
// another service (every computer of the account follows by the end). The pass after a fault comes at
// once or after whatever the other computers do meanwhile. Every conflict is settled through the
// conflict windows' own save, keeping either copy (edited in the window or not), or left open for a
// later pass.
//
// Each pass that runs alone is checked as it ends:
//   - a change waiting on a computer leaves its row only through the conflict windows (its own, or
//     another computer's that showed it), its own deletion, a deletion that gives way to a newer copy
//     on the service, or a deletion made elsewhere after its copy from here arrived;
//   - a copy on the service is replaced only by a computer that had it (in step, as it posted it,
//     holding the same, or holding a copy made from it), that was shown it, that had a newer copy in
//     step than the service (which went back), or (a deleted memo) that holds a change the deletion
//     had not seen;
//   - a kept copy is stored as it was shown.
// The end of the sequence, after a final settling, is checked too: the computers of each account and
// the service hold the same memos, each once and field for field (a memo too large for the service
// waits where it is); no memo reaches another account; every memo nobody deleted is there; a memo
// deleted on the service while no computer held a copy the deletion had not seen stays deleted.
//
// With plainService, every service answers the list as the previous version did (whole, with no
// tokens or digests), after the computers were in step with it once as this version (their files
// hold server ids, bases, lineages, deletions and a post left unanswered). The same steps and
// faults then check that every pass, alone or beside another computer's, changes nothing: the
// computer's rows and what it keeps for the synchronisation are as the pass found them (what the
// user changed meanwhile aside), the services hold the same memos, nothing but the list is asked
// for, the pass ends telling the service does not take this version, and the user is told so once
// a run of the program.
//
//   const velmo::soak::Outcome outcome = velmo::soak::runSequence(seed, 60);
//   if (!outcome.ok) qWarning() << outcome.failure;

#include "store/Memo.h"

#include <QString>

namespace velmo::soak {

struct Outcome
{
    bool ok = true;
    QString failure; // the first broken rule, with the step it broke at
    int passes = 0;
    int conflicts = 0; // conflict windows opened
    int faults = 0;    // passes that met a fault
    // What the protocol cannot tell after a service lost memos (README, "What it does not do"):
    int apartAfterLoss = 0; // memos that came back as two, changed apart on two computers
    int backAfterLoss = 0;  // memos deleted that came back
};

// A memo's fields as the service keeps them: nothing that is one computer's own (ids, counters, flags,
// snoozes), line feeds as they travel.
MemoRecord sharedFields(MemoRecord memo);

struct RunOptions
{
    bool plainService = false; // the services answer as the previous version did
};

// Runs one sequence of `steps` random steps; the same seed gives the same sequence. Needs a Qt
// application object (the conflict windows are widgets; an offscreen platform does).
Outcome runSequence(quint32 seed, int steps, const RunOptions& options = {});

} // namespace velmo::soak
