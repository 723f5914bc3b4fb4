#include "CommandLine.h"

#include "OnlineEndpoints.h"
#include "ServiceStandIn.h"

#include "platform/ServiceAddress.h"

#include <QCommandLineParser>
#include <QFile>

namespace velmo::standin {

namespace {

bool addUser(ServiceStandIn& service, const QString& spec)
{
    const qsizetype colon = spec.indexOf(QLatin1Char(':'));
    if (colon <= 0)
        return false;
    service.accounts().addAccount(spec.left(colon), spec.mid(colon + 1));
    return true;
}

bool parseFaultKind(const QString& text, Fault::Kind* kind)
{
    if (text == QLatin1String("500"))
        *kind = Fault::ServerError;
    else if (text == QLatin1String("drop"))
        *kind = Fault::DropConnection;
    else if (text == QLatin1String("garbage"))
        *kind = Fault::Garbage;
    else if (text == QLatin1String("malformed"))
        *kind = Fault::MalformedHttp;
    else if (text == QLatin1String("drop-answer"))
        *kind = Fault::DropAnswer;
    else
        return false;
    return true;
}

bool parseSignatureCheck(const QString& text, SignatureCheck* check)
{
    if (text == QLatin1String("strict"))
        *check = SignatureCheck::Strict;
    else if (text == QLatin1String("lenient"))
        *check = SignatureCheck::Lenient;
    else if (text == QLatin1String("off"))
        *check = SignatureCheck::Off;
    else
        return false;
    return true;
}

} // namespace

bool addUsersFromFile(ServiceStandIn& service, const QString& path, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
        return false;
    }
    int lineNumber = 0;
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    for (QString line : lines) {
        ++lineNumber;
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (line.trimmed().isEmpty() || line.trimmed().startsWith(QLatin1Char('#')))
            continue;
        if (!addUser(service, line.trimmed())) {
            *error = QStringLiteral("%1:%2: expected name:password").arg(path).arg(lineNumber);
            return false;
        }
    }
    return true;
}

bool applyCommandLine(ServiceStandIn& service, const QStringList& arguments, ListenOptions* listen,
                      QString* error)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Local stand-in of the Velmo web service."));
    const QCommandLineOption helpOption({QStringLiteral("h"), QStringLiteral("help")},
                                        QStringLiteral("Show this help."));
    const QCommandLineOption portOption(QStringLiteral("port"),
                                        QStringLiteral("Port to listen on (0 picks a free one)."),
                                        QStringLiteral("port"), QString::number(ServiceAddress::DefaultPort));
    const QCommandLineOption listenOption(QStringLiteral("listen"), QStringLiteral("Address to listen on."),
                                          QStringLiteral("address"), QStringLiteral("127.0.0.1"));
    const QCommandLineOption userOption(QStringLiteral("user"),
                                        QStringLiteral("An account, name:password (repeatable)."),
                                        QStringLiteral("name:password"));
    const QCommandLineOption usersFileOption(QStringLiteral("users-file"),
                                             QStringLiteral("A file of accounts, one name:password a line."),
                                             QStringLiteral("file"));
    const QCommandLineOption mailboxOption(QStringLiteral("mailbox"),
                                           QStringLiteral("Mark the account as having a bound mailbox."),
                                           QStringLiteral("name"));
    const QCommandLineOption signatureOption(QStringLiteral("signature"),
                                             QStringLiteral("Signature check: strict, lenient or off."),
                                             QStringLiteral("mode"), QStringLiteral("lenient"));
    const QCommandLineOption delayOption(QStringLiteral("delay"),
                                         QStringLiteral("Wait this many milliseconds before each reply."),
                                         QStringLiteral("ms"), QStringLiteral("0"));
    const QCommandLineOption faultOption(
        QStringLiteral("fault"),
        QStringLiteral("Misbehave on every request: 500, drop, garbage, malformed or drop-answer (do what "
                       "is asked, then drop the answer)."),
        QStringLiteral("kind"));
    const QCommandLineOption storeOption(
        QStringLiteral("store"),
        QStringLiteral("The SQLite file that keeps the accounts' memos (default: memos.db in the "
                       "stand-in's own data folder)."),
        QStringLiteral("file"));
    const QCommandLineOption pageOption(QStringLiteral("list-page"),
                                        QStringLiteral("Memos a page of the account's list names at most."),
                                        QStringLiteral("count"), QString::number(ListShape::DefaultPageSize));
    const QCommandLineOption plainOption(
        QStringLiteral("plain"),
        QStringLiteral("List the account's memos as the previous version of the service did: whole, "
                       "without tokens, digests or pages."));
    parser.addOptions({helpOption, portOption, listenOption, userOption, usersFileOption, mailboxOption,
                       signatureOption, delayOption, faultOption, storeOption, pageOption, plainOption});
    addOnlineOptions(parser);
    if (!parser.parse(arguments)) {
        *error = parser.errorText();
        return false;
    }
    if (!parser.positionalArguments().isEmpty()) {
        *error = QStringLiteral("unexpected argument \"%1\"").arg(parser.positionalArguments().first());
        return false;
    }
    if (parser.isSet(helpOption)) {
        listen->helpRequested = true;
        listen->helpText = parser.helpText();
        return true;
    }

    for (const QString& spec : parser.values(userOption)) {
        if (!addUser(service, spec)) {
            *error = QStringLiteral("--user expects name:password, got \"%1\"").arg(spec);
            return false;
        }
    }
    for (const QString& path : parser.values(usersFileOption)) {
        if (!addUsersFromFile(service, path, error))
            return false;
    }
    for (const QString& name : parser.values(mailboxOption)) {
        if (!service.accounts().account(name)) {
            *error = QStringLiteral("--mailbox names an unknown account \"%1\"").arg(name);
            return false;
        }
        service.accounts().setMailboxBound(name, true);
    }

    SignatureCheck check = SignatureCheck::Lenient;
    if (!parseSignatureCheck(parser.value(signatureOption), &check)) {
        *error = QStringLiteral("--signature expects strict, lenient or off");
        return false;
    }
    service.setSignatureCheck(check);
    if (!applyOnlineOptions(service, parser, error))
        return false;

    bool pageOk = false;
    service.listShape().pageSize = parser.value(pageOption).toInt(&pageOk);
    if (!pageOk || service.listShape().pageSize < 1) {
        *error = QStringLiteral("--list-page expects a number above 0");
        return false;
    }
    service.listShape().plain = parser.isSet(plainOption);

    Fault fault;
    bool delayOk = false;
    fault.delayMs = parser.value(delayOption).toInt(&delayOk);
    if (!delayOk || fault.delayMs < 0) {
        *error = QStringLiteral("--delay expects a number of milliseconds");
        return false;
    }
    if (parser.isSet(faultOption) && !parseFaultKind(parser.value(faultOption), &fault.kind)) {
        *error = QStringLiteral("--fault expects 500, drop, garbage, malformed or drop-answer");
        return false;
    }
    service.setFault(fault);

    bool portOk = false;
    const uint port = parser.value(portOption).toUInt(&portOk);
    if (!portOk || port > 65535) {
        *error = QStringLiteral("--port expects a number from 0 to 65535");
        return false;
    }
    listen->port = static_cast<quint16>(port);
    listen->storePath = parser.value(storeOption);
    listen->address = QHostAddress(parser.value(listenOption));
    if (listen->address.isNull()) {
        *error = QStringLiteral("--listen expects an IP address");
        return false;
    }
    return true;
}

} // namespace velmo::standin
