#pragma once

// The feedback ping, which doubles as the check for a newer version: it posts the machine's disk
// serial and the program's version, and when the service names a newer version it offers that
// version's page, once per run.
//
//   velmo::VersionCheck check({serviceAddress, "1.8.3", messageBoxes, openUrl, window});
//   check.CheckUpdate();     // false while a ping is still under way
//
// The ping goes through a transfer channel of its own. No reply, a reply that is not understood,
// or a version that is not newer: nothing is shown.

#include "platform/ServiceAddress.h"

#include <QObject>
#include <QString>
#include <QUrl>

#include <functional>
#include <optional>

class QWidget;

namespace velmo {

class MessageBoxes;
class ServiceChannel;
struct ServiceReply;

class VersionCheck : public QObject
{
    Q_OBJECT

public:
    struct Setup
    {
        ServiceAddress service;
        // The program's own version, "1.8.3".
        QString version;
        MessageBoxes& boxes;
        // Hands a page to the browser.
        std::function<void(const QUrl&)> openUrl;
        // The window the offer belongs to.
        QWidget* window = nullptr;
        // The machine identifier sent as "a"; the first fixed disk's serial when left empty.
        std::function<QString()> diskSerial = {};
    };

    // What the service's answer offers.
    struct Offer
    {
        QString version;
        QUrl page;
    };

    explicit VersionCheck(Setup setup, QObject* parent = nullptr);
    ~VersionCheck() override;

    // Sends the ping. False while the previous one is still under way (nothing is sent then).
    bool CheckUpdate();
    // Ends a running ping; nothing is shown.
    void abort();

    // The form body of the ping: "a=<serial>&d=<version>", both URL-encoded.
    static QString pingBody(const QString& serial, const QString& version);
    // The version and page of an "ok|<version>|<page>" answer; nullopt for anything else.
    static std::optional<Offer> parseReply(const QString& text, const ServiceAddress& service);
    // Whether the version text `theirs` ("1.10.0") is newer than `ours` ("1.8.3"), part by part;
    // false when either is not a version.
    static bool isNewer(const QString& theirs, const QString& ours);

signals:
    // A ping ended, whatever its outcome, after any offer was put up.
    void checked();

private:
    void onReply(const ServiceReply& reply);

    Setup m_setup;
    ServiceChannel* m_channel;
    bool m_offered = false;
};

} // namespace velmo
