// velmo-sync-soak: random sequences of several computers against the stand-in, many of them, for long runs
// by hand (scripts/sync-soak.sh). See SoakRun.h for what each sequence does and checks.
//
//   velmo-sync-soak [--sequences N] [--first SEED] [--steps K] [--plain-service]
//
// --plain-service: the services answer as the previous version did; each pass must be refused and
// change nothing.
//
// With SOAK_TRACE set in the environment, a failing sequence's log shows after each pass the service's
// memos (server id, title, ":d" when deleted, "@" counter) and the computer's rows ("*": a change
// waiting).

#include "sync-soak/SoakRun.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QTextStream>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCommandLineParser parser;
    const QCommandLineOption sequences(QStringLiteral("sequences"), QStringLiteral("How many."),
                                       QStringLiteral("n"), QStringLiteral("1000"));
    const QCommandLineOption first(QStringLiteral("first"), QStringLiteral("The first seed."),
                                   QStringLiteral("seed"), QStringLiteral("1"));
    const QCommandLineOption steps(QStringLiteral("steps"), QStringLiteral("Steps of each."),
                                   QStringLiteral("k"), QStringLiteral("60"));
    const QCommandLineOption plain(QStringLiteral("plain-service"),
                                   QStringLiteral("The services answer as the previous version did."));
    parser.addOptions({sequences, first, steps, plain});
    parser.addHelpOption();
    parser.process(app);
    const int count = parser.value(sequences).toInt();
    const quint32 seed = parser.value(first).toUInt();
    const int length = parser.value(steps).toInt();
    velmo::soak::RunOptions options;
    options.plainService = parser.isSet(plain);

    QTextStream out(stdout);
    int failed = 0;
    qint64 passes = 0;
    qint64 conflicts = 0;
    qint64 faults = 0;
    qint64 apart = 0;
    qint64 back = 0;
    for (int i = 0; i < count; ++i) {
        const velmo::soak::Outcome outcome = velmo::soak::runSequence(seed + quint32(i), length, options);
        passes += outcome.passes;
        conflicts += outcome.conflicts;
        faults += outcome.faults;
        apart += outcome.apartAfterLoss;
        back += outcome.backAfterLoss;
        if (!outcome.ok) {
            ++failed;
            out << outcome.failure << Qt::endl;
        }
    }
    out << count << " sequences of " << length << " steps, " << passes << " passes (" << faults
        << " with a fault), " << conflicts << " conflict windows: " << (count - failed) << " passed, "
        << failed << " failed; after a service lost memos, " << apart << " came back as two, " << back
        << " deleted came back" << Qt::endl;
    return failed == 0 ? 0 : 1;
}
