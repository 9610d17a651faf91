#include "quotes/Inet.h"

#include "app/Globals.h"
#include "app/VbCompat.h"
#include "data/Settings.h"

#include <QAuthenticator>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QStringDecoder>
#include <QTimer>
#include <QUrl>

#include <algorithm>

namespace tv {

InetError::InetError(const QString &description)
    : std::runtime_error(description.toStdString()), m_description(description)
{
}

namespace {

QNetworkProxy namedProxy(const QString &text, const QString &user, const QString &password)
{
    const qsizetype colon = text.lastIndexOf(u':');
    QString server = colon < 0 ? QString() : text.left(colon);
    if (server.size() > 2 && server.startsWith(u'[') && server.endsWith(u']'))
        server = server.mid(1, server.size() - 2); // an IPv6 literal
    bool isNumber = false;
    const uint port = colon < 0 ? 0 : text.mid(colon + 1).trimmed().toUInt(&isNumber);
    if (server.isEmpty() || !isNumber || port == 0 || port > 65535)
        throw InetError(QStringLiteral("代理服务器设置无效：") + text);
    return QNetworkProxy(QNetworkProxy::HttpProxy, server, quint16(port), user, password);
}

QNetworkProxy systemProxy(const QUrl &url)
{
    // Asked of the system directly: the application-wide lookup would always go direct to 127.0.0.1.
    const QList<QNetworkProxy> found = QNetworkProxyFactory::systemProxyForQuery(QNetworkProxyQuery(url));
    if (found.isEmpty() || found.first().type() == QNetworkProxy::DefaultProxy)
        return QNetworkProxy(QNetworkProxy::NoProxy);
    return found.first();
}

QString failureText(QNetworkReply *reply)
{
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status >= 400) {
        const QString reason = reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString();
        return QStringLiteral("服务器返回 %1 %2").arg(status).arg(reason).trimmed();
    }
    if (reply->error() != QNetworkReply::NoError)
        return reply->errorString();
    return QString();
}

} // namespace

Inet::Inet() = default;
Inet::~Inet() = default;

QNetworkAccessManager *Inet::manager()
{
    if (!m_manager) {
        m_manager = std::make_unique<QNetworkAccessManager>();
        QObject::connect(m_manager.get(), &QNetworkAccessManager::proxyAuthenticationRequired,
                         m_manager.get(), [this](const QNetworkProxy &, QAuthenticator *auth) {
                             // Left unchanged on a second challenge, so wrong credentials fail the request.
                             auth->setUser(userName);
                             auth->setPassword(password);
                         });
    }
    return m_manager.get();
}

QString Inet::OpenURL(const QString &address)
{
    m_location.clear();
    if (address.trimmed().isEmpty())
        throw InetError(QStringLiteral("网址为空"));
    const QUrl url(address, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() || (scheme != u"http" && scheme != u"https"))
        throw InetError(QStringLiteral("网址无效：") + address);

    QNetworkProxy proxyToUse;
    switch (accessType) {
    case SystemDefault:
        proxyToUse = systemProxy(url);
        break;
    case Direct:
        proxyToUse = QNetworkProxy(QNetworkProxy::NoProxy);
        break;
    case NamedProxy:
        proxyToUse = namedProxy(proxy, userName, password);
        break;
    default:
        throw InetError(QStringLiteral("访问方式无效：%1").arg(accessType));
    }
    QNetworkAccessManager *nam = manager();
    nam->setProxy(proxyToUse);

    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    QPointer<QNetworkReply> reply = nam->get(request);

    const int seconds = std::clamp(timeoutSeconds > 0 ? timeoutSeconds : StoredInetTimeout(), 1, 86400);
    QEventLoop loop;
    QTimer idle, whole;
    idle.setSingleShot(true);
    whole.setSingleShot(true);
    bool timedOut = false;
    const auto giveUp = [&] {
        timedOut = true;
        if (reply)
            reply->abort();
        loop.quit();
    };
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QObject::connect(reply, &QNetworkReply::downloadProgress, &idle, [&](qint64 received, qint64 total) {
        if (received > kMaxReplyBytes || total > kMaxReplyBytes)
            giveUp();
        else
            idle.start();
    });
    QObject::connect(&idle, &QTimer::timeout, &loop, giveUp);
    QObject::connect(&whole, &QTimer::timeout, &loop, giveUp);
    idle.start(seconds * 1000);
    whole.start(seconds * 1000 * kWholeRequestTimeouts);
    if (!reply->isFinished())
        loop.exec();
    idle.stop();
    whole.stop();

    if (!reply)
        throw InetError(QStringLiteral("连接已中断"));
    const std::unique_ptr<QNetworkReply, void (*)(QNetworkReply *)> owner(
        reply.data(), [](QNetworkReply *r) { r->deleteLater(); });
    if (timedOut)
        throw InetError(QStringLiteral("连接超时"));
    const QString failure = failureText(reply);
    if (!failure.isEmpty())
        throw InetError(failure);

    QStringDecoder gbk("GBK");
    if (!gbk.isValid())
        throw InetError(QStringLiteral("无法解码网页文字"));
    const QString page = gbk.decode(reply->readAll());
    m_location = reply->url().toString();
    return page;
}

void LoadProxySettings()
{
    const QString section = QStringLiteral("Proxy");
    g_ProxyServer = GetSetting(kAppNameShared, section, QStringLiteral("proxyServer"));
    g_ProxyPort = GetSetting(kAppNameShared, section, QStringLiteral("ProxyPort"));
    g_ProxyUser = GetSetting(kAppNameShared, section, QStringLiteral("UserName"));
    g_ProxyPassword = GetSetting(kAppNameShared, section, QStringLiteral("Password"));
    g_ProxyMode = GetSetting(kAppNameShared, section, QStringLiteral("model"));
}

void ApplyProxySettings(Inet &inet)
{
    if (g_ProxyMode == QLatin1String("1")) {
        inet.accessType = Inet::NamedProxy;
        inet.proxy = g_ProxyServer + u':' + g_ProxyPort;
        inet.userName = g_ProxyUser;
        inet.password = g_ProxyPassword;
    } else if (g_ProxyMode == QLatin1String("2")) {
        g_WakeBrowser = true;
    } else {
        inet.accessType = Inet::Direct;
    }
}

void ConfirmProxySettings(Inet &inet, const ProxyBoxes &boxes)
{
    const QString section = QStringLiteral("Proxy");
    QString mode = g_ProxyMode;
    if (mode == QLatin1String("1")) {
        SaveSetting(kAppNameShared, section, QStringLiteral("proxyServer"), boxes.server);
        SaveSetting(kAppNameShared, section, QStringLiteral("ProxyPort"), boxes.port);
        SaveSetting(kAppNameShared, section, QStringLiteral("UserName"), boxes.user);
        SaveSetting(kAppNameShared, section, QStringLiteral("Password"), boxes.password);
        g_ProxyServer = boxes.server;
        g_ProxyPort = boxes.port;
        g_ProxyUser = boxes.user;
        g_ProxyPassword = boxes.password;
        inet.accessType = Inet::NamedProxy;
        inet.proxy = g_ProxyServer + u':' + Trim(g_ProxyPort);
        inet.userName = g_ProxyUser;
        inet.password = g_ProxyPassword;
    } else if (mode == QLatin1String("2")) {
        inet.accessType = Inet::SystemDefault;
        g_WakeBrowser = true;
    } else {
        inet.accessType = Inet::Direct;
        g_WakeBrowser = false;
        mode = QStringLiteral("0");
    }
    SaveSetting(kAppNameShared, section, QStringLiteral("model"), mode);
}

int StoredInetTimeout()
{
    bool ok = false;
    const int seconds =
        GetSetting(kAppNameShared, QStringLiteral("Inet"), QStringLiteral("Timeout")).trimmed().toInt(&ok);
    return ok && seconds > 0 ? seconds : kDefaultInetTimeout;
}

} // namespace tv
