#pragma once

// Random use of the synchronisation by two computers of one account against the stand-in: seeded
// sequences of adds, edits, done marks, stop-ringing, snoozes, deletions and passes (the sync pass
// and the delayed upload), every conflict settled through the conflict windows' own save, keeping
// either copy, or left open for a later pass. Each pass is checked as it ends, and the end of the
// sequence after a final settling:
//   - a change waiting on a computer leaves its row only through the conflict windows, its own
//     deletion, or a deletion that gives way to a newer copy on the service;
//   - a copy on the service is replaced only by a computer that had it, or that was shown it;
//   - a kept copy is stored as it was shown;
//   - at the end both computers and the service hold the same memos, each once, and every memo that
//     nobody deleted is there.
//
//   const velmo::soak::Outcome outcome = velmo::soak::runSequence(seed, 60);
//   if (!outcome.ok) qWarning() << outcome.failure;

#include <QString>

namespace velmo::soak {

struct Outcome
{
    bool ok = true;
    QString failure; // the first broken rule, with the step it broke at
    int passes = 0;
    int conflicts = 0; // conflict windows opened
};

// Runs one sequence of `steps` random steps; the same seed gives the same sequence. Needs a Qt
// application object (the conflict windows are widgets; an offscreen platform does).
Outcome runSequence(quint32 seed, int steps);

} // namespace velmo::soak
