#pragma once

// A small HTTP/1.1 server on 127.0.0.1 for tests, benchmarks and trying the program by hand. It answers
// GET requests with canned bytes or a handler's reply, records every request as it arrived, can hold
// replies until released or never answer at all, and can play an HTTP proxy that wants credentials.
//
// The server lives in the thread that creates it and answers from that thread's event loop. Its
// settings and records may be used from any thread, so a benchmark can run it in a thread of its own:
// create it inside that thread (or moveToThread before listen) and call the methods from the caller.

#include <QByteArray>
#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QMutex>
#include <QObject>
#include <QPair>
#include <QString>
#include <functional>

class QTcpServer;
class QTcpSocket;

namespace tv::quoteserver {

using HttpHeaders = QList<QPair<QByteArray, QByteArray>>;

struct HttpRequest
{
    QByteArray method;
    QByteArray target;   // the request target exactly as received: "/path?query", or absolute-form to a proxy
    QByteArray path;     // the target in origin form: scheme and authority of an absolute-form target cut off
    HttpHeaders headers; // in the order received, names as sent
    qint64 receivedNs = 0;  // server clock when the request was complete
    qint64 answeredNs = -1; // server clock when its reply was written; -1 while it has none

    // The first value of a header, the name compared without regard to case; empty when absent.
    QByteArray header(const QByteArray &name) const;
};

struct HttpReply
{
    int status = 200;
    QByteArray body;
    HttpHeaders headers; // Content-Length is added; Content-Type is "text/html" unless given here

    void addHeader(const QByteArray &name, const QByteArray &value)
    {
        headers.append(qMakePair(name, value));
    }
};

class HttpServer : public QObject
{
    Q_OBJECT
public:
    using Handler = std::function<HttpReply(const HttpRequest &)>;

    explicit HttpServer(QObject *parent = nullptr);
    ~HttpServer() override;

    // Listens on 127.0.0.1; port 0 takes a free one. False when the port cannot be had.
    bool listen(quint16 port = 0);
    quint16 port() const;
    QString address() const; // "http://127.0.0.1:<port>", the form the service settings take

    // Canned replies: the route that is the longest prefix of a request's origin-form target answers it
    // ("/list=" answers "/list=sh600000,"). Without a matching route the handler answers, and without a
    // handler the reply is 404.
    void setReply(const QByteArray &route, const HttpReply &reply);
    void setReply(const QByteArray &route, const QByteArray &body, int status = 200);
    void setHandler(Handler handler);

    // While holding, requests are recorded and their replies wait until releaseHeld() sends them (in
    // the order they came). Turning holding off does not release what waits.
    void setHolding(bool on);
    void releaseHeld();
    int heldCount() const;

    // While silent, requests are recorded and never answered; their connections stay open.
    void setSilent(bool on);

    // Plays a proxy: a request without "Proxy-Authorization: Basic" for this user and password is
    // answered 407 with a Basic challenge; one with them is answered as any other. An empty user turns
    // the check off.
    void setProxyCredentials(const QString &user, const QString &password);

    QList<HttpRequest> requests() const;
    int requestCount() const;
    void clearRequests();
    qint64 elapsedNs() const { return m_clock.nsecsElapsed(); } // the clock of receivedNs and answeredNs

Q_SIGNALS:
    void requestReceived(int index); // index into requests()

private:
    struct Connection
    {
        QByteArray buffer;
        bool waiting = false; // a held or silent request is still to be answered
    };
    struct Held
    {
        QTcpSocket *socket;
        int index;
        HttpReply reply;
        bool close;
    };

    void onConnection();
    void onReadable(QTcpSocket *socket);
    HttpReply replyFor(const HttpRequest &request) const;
    void send(QTcpSocket *socket, int index, const HttpReply &reply, bool close);
    void sendHeld();

    QTcpServer *m_server = nullptr;
    QElapsedTimer m_clock;
    QHash<QTcpSocket *, Connection> m_connections; // server thread only
    QList<Held> m_held;                            // server thread only

    mutable QMutex m_mutex; // guards everything below
    QList<QPair<QByteArray, HttpReply>> m_routes;
    Handler m_handler;
    QList<HttpRequest> m_requests;
    bool m_holding = false;
    bool m_silent = false;
    QByteArray m_proxyAuthorization; // the expected header value; empty: no check
    quint16 m_port = 0;
};

} // namespace tv::quoteserver
