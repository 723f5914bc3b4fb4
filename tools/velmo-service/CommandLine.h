#pragma once

// The command line of the velmo-service program, applied to a stand-in.
//
//   velmo-service --port 18766 --user demo:velmo123 [--user name:password ...] [--users-file FILE]
//                 [--mailbox name] [--signature strict|lenient|off] [--delay MS]
//                 [--fault 500|drop|garbage|malformed|drop-answer] [--listen ADDRESS] [--store FILE]
//                 [--list-page COUNT] [--plain]
//                 [--notice ID|TITLE|LINK ...] [--notices-file FILE] [--newest-version V] [--update-page URL]

#include <QHostAddress>
#include <QString>
#include <QStringList>

namespace velmo::standin {

class ServiceStandIn;

struct ListenOptions
{
    quint16 port = 0;
    QHostAddress address;
    QString storePath; // --store; empty: the program's default
    bool helpRequested = false;
    QString helpText;
};

// Applies the arguments (the program name first) to the service: accounts, signature check, faults.
// False with an error message when an argument is wrong; the service may then be half set up.
bool applyCommandLine(ServiceStandIn& service, const QStringList& arguments, ListenOptions* listen,
                      QString* error);

// Adds the accounts of a users file: one "name:password" a line, the password being everything after
// the first colon; blank lines and lines starting with "#" are skipped. The file is UTF-8.
bool addUsersFromFile(ServiceStandIn& service, const QString& path, QString* error);

} // namespace velmo::standin
