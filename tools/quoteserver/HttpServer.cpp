#include "tools/quoteserver/HttpServer.h"

#include <QHostAddress>
#include <QMutexLocker>
#include <QTcpServer>
#include <QTcpSocket>

namespace tv::quoteserver {

namespace {

constexpr qsizetype kMaxHead = 1 << 20; // a request head larger than this closes the connection

QByteArray reasonPhrase(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 301:
        return "Moved Permanently";
    case 302:
        return "Found";
    case 400:
        return "Bad Request";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 407:
        return "Proxy Authentication Required";
    case 500:
        return "Internal Server Error";
    case 502:
        return "Bad Gateway";
    case 503:
        return "Service Unavailable";
    default:
        return "Status";
    }
}

QByteArray originForm(const QByteArray &target)
{
    const qsizetype scheme = target.indexOf("://");
    if (scheme < 0 || target.startsWith('/'))
        return target;
    const qsizetype slash = target.indexOf('/', scheme + 3);
    return slash < 0 ? QByteArray("/") : target.mid(slash);
}

bool hasHeader(const HttpHeaders &headers, const QByteArray &name)
{
    for (const auto &h : headers)
        if (h.first.compare(name, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

} // namespace

QByteArray HttpRequest::header(const QByteArray &name) const
{
    for (const auto &h : headers)
        if (h.first.compare(name, Qt::CaseInsensitive) == 0)
            return h.second;
    return {};
}

HttpServer::HttpServer(QObject *parent) : QObject(parent), m_server(new QTcpServer(this))
{
    m_clock.start();
    connect(m_server, &QTcpServer::newConnection, this, &HttpServer::onConnection);
}

HttpServer::~HttpServer() = default;

bool HttpServer::listen(quint16 port)
{
    if (!m_server->listen(QHostAddress::LocalHost, port))
        return false;
    QMutexLocker lock(&m_mutex);
    m_port = m_server->serverPort();
    return true;
}

quint16 HttpServer::port() const
{
    QMutexLocker lock(&m_mutex);
    return m_port;
}

QString HttpServer::address() const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(port());
}

void HttpServer::setReply(const QByteArray &route, const HttpReply &reply)
{
    QMutexLocker lock(&m_mutex);
    for (auto &r : m_routes) {
        if (r.first == route) {
            r.second = reply;
            return;
        }
    }
    m_routes.append({route, reply});
}

void HttpServer::setReply(const QByteArray &route, const QByteArray &body, int status)
{
    HttpReply reply;
    reply.status = status;
    reply.body = body;
    setReply(route, reply);
}

void HttpServer::setHandler(Handler handler)
{
    QMutexLocker lock(&m_mutex);
    m_handler = std::move(handler);
}

void HttpServer::setHolding(bool on)
{
    QMutexLocker lock(&m_mutex);
    m_holding = on;
}

void HttpServer::releaseHeld()
{
    QMetaObject::invokeMethod(this, [this] { sendHeld(); });
}

int HttpServer::heldCount() const
{
    QMutexLocker lock(&m_mutex);
    return int(m_held.size());
}

void HttpServer::setSilent(bool on)
{
    QMutexLocker lock(&m_mutex);
    m_silent = on;
}

void HttpServer::setProxyCredentials(const QString &user, const QString &password)
{
    QMutexLocker lock(&m_mutex);
    m_proxyAuthorization =
        user.isEmpty() ? QByteArray() : "Basic " + (user + u':' + password).toUtf8().toBase64();
}

QList<HttpRequest> HttpServer::requests() const
{
    QMutexLocker lock(&m_mutex);
    return m_requests;
}

int HttpServer::requestCount() const
{
    QMutexLocker lock(&m_mutex);
    return int(m_requests.size());
}

void HttpServer::clearRequests()
{
    QMutexLocker lock(&m_mutex);
    m_requests.clear();
    for (Held &h : m_held)
        h.index = -1;
}

void HttpServer::onConnection()
{
    while (QTcpSocket *socket = m_server->nextPendingConnection()) {
        m_connections.insert(socket, Connection());
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadable(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            m_connections.remove(socket);
            {
                QMutexLocker lock(&m_mutex);
                m_held.removeIf([socket](const Held &h) { return h.socket == socket; });
            }
            socket->deleteLater();
        });
    }
}

void HttpServer::onReadable(QTcpSocket *socket)
{
    if (!m_connections.contains(socket))
        return;
    m_connections[socket].buffer += socket->readAll();
    for (;;) {
        // Looked up afresh each round: a slot of requestReceived may act on the server.
        auto it = m_connections.find(socket);
        if (it == m_connections.end() || it->waiting)
            return;
        const qsizetype headEnd = it->buffer.indexOf("\r\n\r\n");
        if (headEnd < 0) {
            if (it->buffer.size() > kMaxHead)
                socket->abort();
            return;
        }
        const QList<QByteArray> lines = it->buffer.left(headEnd).split('\n');
        HttpRequest request;
        const QList<QByteArray> start = lines.value(0).trimmed().split(' ');
        request.method = start.value(0);
        request.target = start.value(1);
        request.path = originForm(request.target);
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const QByteArray line = lines[i].trimmed();
            const qsizetype colon = line.indexOf(':');
            if (colon > 0)
                request.headers.append({line.left(colon).trimmed(), line.mid(colon + 1).trimmed()});
        }
        const qsizetype bodyLength = request.header("Content-Length").toLongLong();
        if (it->buffer.size() < headEnd + 4 + bodyLength)
            return;
        it->buffer.remove(0, headEnd + 4 + bodyLength);
        request.receivedNs = m_clock.nsecsElapsed();
        const QByteArray connection = request.header("Connection").toLower();
        const bool close =
            connection == "close" || (start.value(2) == "HTTP/1.0" && connection != "keep-alive");

        int index;
        bool silent, holding, authorized;
        {
            QMutexLocker lock(&m_mutex);
            index = int(m_requests.size());
            m_requests.append(request);
            silent = m_silent;
            holding = m_holding;
            authorized = m_proxyAuthorization.isEmpty() ||
                         request.header("Proxy-Authorization") == m_proxyAuthorization;
        }
        if (silent)
            it->waiting = true;
        HttpReply reply;
        if (!authorized) {
            reply.status = 407;
            reply.body = "proxy credentials required";
            reply.addHeader("Proxy-Authenticate", "Basic realm=\"tallyvane test proxy\"");
        } else if (!silent) {
            reply = replyFor(request);
            if (holding) {
                it->waiting = true;
                QMutexLocker lock(&m_mutex);
                m_held.append(Held{socket, index, reply, close});
            }
        }
        const bool answerNow = !it->waiting;
        Q_EMIT requestReceived(index);
        if (answerNow)
            send(socket, index, reply, close);
    }
}

HttpReply HttpServer::replyFor(const HttpRequest &request) const
{
    Handler handler;
    {
        QMutexLocker lock(&m_mutex);
        const QPair<QByteArray, HttpReply> *best = nullptr;
        for (const auto &route : m_routes)
            if (request.path.startsWith(route.first) && (!best || route.first.size() > best->first.size()))
                best = &route;
        if (best)
            return best->second;
        handler = m_handler;
    }
    if (handler)
        return handler(request);
    HttpReply missing;
    missing.status = 404;
    missing.body = "no such page";
    return missing;
}

void HttpServer::send(QTcpSocket *socket, int index, const HttpReply &reply, bool close)
{
    QByteArray out =
        "HTTP/1.1 " + QByteArray::number(reply.status) + ' ' + reasonPhrase(reply.status) + "\r\n";
    if (!hasHeader(reply.headers, "Content-Type"))
        out += "Content-Type: text/html\r\n";
    for (const auto &h : reply.headers)
        out += h.first + ": " + h.second + "\r\n";
    out += "Content-Length: " + QByteArray::number(reply.body.size()) + "\r\n\r\n";
    out += reply.body;
    socket->write(out);
    socket->flush();
    {
        QMutexLocker lock(&m_mutex);
        if (index >= 0 && index < m_requests.size())
            m_requests[index].answeredNs = m_clock.nsecsElapsed();
    }
    if (close)
        socket->disconnectFromHost();
}

void HttpServer::sendHeld()
{
    QList<Held> held;
    {
        QMutexLocker lock(&m_mutex);
        held.swap(m_held);
    }
    for (const Held &h : held) {
        auto it = m_connections.find(h.socket);
        if (it == m_connections.end())
            continue;
        it->waiting = false;
        send(h.socket, h.index, h.reply, h.close);
    }
    for (const Held &h : held)
        if (m_connections.contains(h.socket))
            onReadable(h.socket); // requests that came behind the held one
}

} // namespace tv::quoteserver
