#pragma once

// One HTTP transfer at a time to the web service, each request reporting through a handle of its own:
// the program's transfer control.
//
//   velmo::ServiceChannel channel;                  // one per window that talks to the service
//   velmo::ServiceRequest* request = channel.openUrl(url);
//   if (!request) ...                               // still busy: nothing was sent
//   connect(request, &velmo::ServiceRequest::finished, this, [](const velmo::ServiceReply& r) {
//       if (r.ok()) use(r.text); else report(r.errorString);
//   });
//   channel.execute(url, body);                     // POST of an already encoded form body
//   velmo::HttpPost(channel, url, data);            // POST of free text through EncodePostData
//
// Every request that was sent ends with exactly one finished() of its own handle: completed, HTTP error,
// network error, time-out or aborted; a client sharing the channel never sees another's reply.
// Redirects are not followed (a 3xx reply is an HTTP error), and a reply larger than MaxReplyBytes is
// cut off and reported as a network error marked tooLarge. StillExecuting() is already false when finished()
// and the final stateChanged() arrive, so a handler may send the next request at once. Nothing blocks and no
// event loop is nested: the caller's event loop keeps running while a request is under way.

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QUrl>

#include <chrono>

class QNetworkAccessManager;
class QNetworkReply;

namespace velmo {

// The outcome of one request.
struct ServiceReply
{
    enum class Status
    {
        Completed,    // a 2xx reply; text holds its body
        HttpError,    // the service answered with another status; text holds that body
        NetworkError, // no usable reply: refused, dropped, unreachable, or larger than MaxReplyBytes
        TimedOut,     // no complete reply within the time-out
        Aborted,      // abort() ended it
    };

    Status status = Status::NetworkError;
    int httpStatus = 0;    // 0 when no status line came
    QString text;          // the whole body, decoded from GBK
    QString errorString;   // empty on success
    bool tooLarge = false; // a NetworkError: the reply passed MaxReplyBytes (the service did answer)

    bool ok() const { return status == Status::Completed; }
};

// One request sent on a ServiceChannel: the state numbers it passes and its one reply. The channel owns
// it and deletes it after finished(); a connection to it ends with the receiver, so a client that is
// gone before the reply simply hears nothing.
class ServiceRequest : public QObject
{
    Q_OBJECT

signals:
    void stateChanged(int state);
    void finished(const velmo::ServiceReply& reply);

private:
    friend class ServiceChannel;
    using QObject::QObject;
};

class ServiceChannel : public QObject
{
    Q_OBJECT

public:
    // The state numbers reported by stateChanged().
    enum State
    {
        None = 0,
        Connecting = 3,
        Connected = 4,
        Requesting = 5,
        RequestSent = 6,
        ReceivingResponse = 7,
        ResponseReceived = 8,
        Error = 11,
        ResponseCompleted = 12,
    };
    Q_ENUM(State)

    static constexpr std::chrono::milliseconds DefaultTimeout{30000};
    // The largest reply body accepted; the service's answers are a few kilobytes.
    static constexpr qint64 MaxReplyBytes = 4 * 1024 * 1024;

    explicit ServiceChannel(QObject* parent = nullptr);
    ~ServiceChannel() override;

    // True from the start of a request until its finished() signal.
    bool StillExecuting() const { return m_reply != nullptr; }

    // Time allowed for a whole request, from sending to the last byte of the reply.
    void setTimeout(std::chrono::milliseconds timeout);
    std::chrono::milliseconds timeout() const { return m_timeout; }

    // GET of the URL: the request's handle, or nullptr when a request is still running (then nothing
    // is sent).
    ServiceRequest* openUrl(const QUrl& url);

    // POST of the body, already in its wire form (encoded to GBK; ASCII passes unchanged): the
    // request's handle, or nullptr when a request is still running (then nothing is sent).
    ServiceRequest*
    execute(const QUrl& url, const QString& body,
            const QByteArray& contentType = QByteArrayLiteral("application/x-www-form-urlencoded"));

    // Ends the running request at once; its finished() with Status::Aborted is emitted before this
    // returns. Does nothing when idle.
    void abort();

private:
    ServiceRequest* start(QNetworkReply* reply);
    void onFinished();
    void onTimeout();
    void checkSize(qint64 bytes);
    void report(State state);

    QNetworkAccessManager* m_manager;
    QNetworkReply* m_reply = nullptr;
    ServiceRequest* m_request = nullptr; // the handle of m_reply
    QTimer m_timer;
    std::chrono::milliseconds m_timeout = DefaultTimeout;
    bool m_timedOut = false;
    bool m_aborted = false;
    bool m_tooLarge = false;
    bool m_connecting = false;
    bool m_sent = false;
    bool m_receiving = false;
};

// Sends free text as a form POST after passing it through EncodePostData: the request's handle, or
// nullptr when the channel is busy (nothing sent).
ServiceRequest* HttpPost(ServiceChannel& channel, const QUrl& url, const QString& data);

} // namespace velmo

Q_DECLARE_METATYPE(velmo::ServiceReply)
