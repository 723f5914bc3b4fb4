#pragma once

#include "platform/ServiceAddress.h"

#include <QObject>
#include <QString>

namespace velmo {

class Database;
class ServiceChannel;
struct RunState;
struct ServiceReply;

// The check of the mail binding dialog: signs the signed-in account in with the service once more
// and, when the service proves itself, keeps its answer on whether a mailbox is bound, in the run
// state and in every account row of the user. One check runs at a time.
class MailBinding : public QObject
{
    Q_OBJECT

public:
    enum class Outcome
    {
        OtherUser,      // the typed name is not the signed-in user: nothing was sent
        Refused,        // the service says the name or password is wrong
        Verified,       // accepted with a valid proof; the flag is stored
        Unproven,       // an "ok" without a valid proof: ignored
        ServiceFailure, // no usable reply
        StoreFailed,    // verified, but the account rows could not be written
        AccountMissing, // verified, but the user has no account row: the data is unusable
    };

    MailBinding(Database& db, RunState& run, ServiceChannel& channel, ServiceAddress service,
                QObject* parent = nullptr);

    bool isBusy() const { return m_busy; }
    // Starts a check; ignored while one runs.
    void check(const QString& typedUser, const QString& password);

    // The answer box's text for an outcome (empty: unchanged).
    QString answerText(Outcome outcome) const;

signals:
    void busyChanged(bool busy);
    void finished(velmo::MailBinding::Outcome outcome, const QString& error);

private:
    void onReply(const ServiceReply& reply);
    void finish(Outcome outcome, const QString& error = {});

    Database& m_db;
    RunState& m_run;
    ServiceChannel& m_channel;
    ServiceAddress m_service;
    bool m_busy = false;
    QString m_passHash;
};

} // namespace velmo
