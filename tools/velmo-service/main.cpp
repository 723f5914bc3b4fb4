// velmo-service: the local stand-in of the web service, for trying Velmo out by hand.
//
//   velmo-service --port 18766 --user demo:velmo123 [--user name:password ...] [--users-file FILE]
//                 [--mailbox name] [--signature strict|lenient|off] [--delay MS]
//                 [--fault 500|drop|garbage|malformed] [--listen ADDRESS]

#include "velmo-service/ServiceStandIn.h"

#include "platform/ServiceAddress.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QTextStream>

#include <cstdio>

using velmo::standin::Fault;
using velmo::standin::ServiceStandIn;
using velmo::standin::SignatureCheck;

namespace {

bool addUser(ServiceStandIn& service, const QString& spec)
{
    const qsizetype colon = spec.indexOf(QLatin1Char(':'));
    if (colon <= 0)
        return false;
    service.accounts().addAccount(spec.left(colon), spec.mid(colon + 1));
    return true;
}

// One "name:password" a line; blank lines and lines starting with "#" are skipped.
bool addUsersFromFile(ServiceStandIn& service, const QString& path, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        *error = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
        return false;
    }
    int lineNumber = 0;
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    for (const QString& rawLine : lines) {
        ++lineNumber;
        const QString line = rawLine.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        if (!addUser(service, line)) {
            *error = QStringLiteral("%1:%2: expected name:password").arg(path).arg(lineNumber);
            return false;
        }
    }
    return true;
}

int fail(const QString& message)
{
    std::fprintf(stderr, "velmo-service: %s\n", qPrintable(message));
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("velmo-service"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Local stand-in of the Velmo web service."));
    parser.addHelpOption();
    const QCommandLineOption portOption(
        QStringLiteral("port"), QStringLiteral("Port to listen on (0 picks a free one)."),
        QStringLiteral("port"), QString::number(velmo::ServiceAddress::DefaultPort));
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
        QStringLiteral("Misbehave on every request: 500, drop, garbage or malformed."),
        QStringLiteral("kind"));
    parser.addOptions({portOption, listenOption, userOption, usersFileOption, mailboxOption, signatureOption,
                       delayOption, faultOption});
    parser.process(app);

    ServiceStandIn service;
    for (const QString& spec : parser.values(userOption)) {
        if (!addUser(service, spec))
            return fail(QStringLiteral("--user expects name:password, got \"%1\"").arg(spec));
    }
    for (const QString& path : parser.values(usersFileOption)) {
        QString error;
        if (!addUsersFromFile(service, path, &error))
            return fail(error);
    }
    for (const QString& name : parser.values(mailboxOption)) {
        if (!service.accounts().account(name))
            return fail(QStringLiteral("--mailbox names an unknown account \"%1\"").arg(name));
        service.accounts().setMailboxBound(name, true);
    }

    const QString mode = parser.value(signatureOption);
    if (mode == QLatin1String("strict"))
        service.setSignatureCheck(SignatureCheck::Strict);
    else if (mode == QLatin1String("lenient"))
        service.setSignatureCheck(SignatureCheck::Lenient);
    else if (mode == QLatin1String("off"))
        service.setSignatureCheck(SignatureCheck::Off);
    else
        return fail(QStringLiteral("--signature expects strict, lenient or off"));

    Fault fault;
    bool delayOk = false;
    fault.delayMs = parser.value(delayOption).toInt(&delayOk);
    if (!delayOk || fault.delayMs < 0)
        return fail(QStringLiteral("--delay expects a number of milliseconds"));
    if (parser.isSet(faultOption)) {
        const QString kind = parser.value(faultOption);
        if (kind == QLatin1String("500"))
            fault.kind = Fault::ServerError;
        else if (kind == QLatin1String("drop"))
            fault.kind = Fault::DropConnection;
        else if (kind == QLatin1String("garbage"))
            fault.kind = Fault::Garbage;
        else if (kind == QLatin1String("malformed"))
            fault.kind = Fault::MalformedHttp;
        else
            return fail(QStringLiteral("--fault expects 500, drop, garbage or malformed"));
    }
    service.setFault(fault);

    bool portOk = false;
    const uint port = parser.value(portOption).toUInt(&portOk);
    if (!portOk || port > 65535)
        return fail(QStringLiteral("--port expects a number from 0 to 65535"));
    const QHostAddress address(parser.value(listenOption));
    if (address.isNull())
        return fail(QStringLiteral("--listen expects an IP address"));
    const quint16 chosen = service.start(static_cast<quint16>(port), address);
    if (chosen == 0)
        return fail(QStringLiteral("cannot listen on %1:%2").arg(address.toString()).arg(port));

    QTextStream(stdout) << "velmo-service listening on http://" << address.toString() << ':' << chosen
                        << " with " << service.accounts().userIds().size() << " account(s)" << Qt::endl;
    return app.exec();
}
