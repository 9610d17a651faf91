#pragma once

// The main window's HTTP transfer control: one GET at a time through one network access manager, the
// reply decoded as GBK, and the access settings (system, direct, named proxy) that the proxy settings
// configure.

#include <QString>
#include <memory>
#include <stdexcept>

class QNetworkAccessManager;

namespace tv {

// A transfer that did not bring a page; description() is the short text a fetcher reports.
class InetError : public std::runtime_error
{
public:
    explicit InetError(const QString &description);
    QString description() const { return m_description; }

private:
    QString m_description;
};

constexpr int kDefaultInetTimeout = 60; // seconds
// A request that has run this many times its time-out in all has failed, however steadily bytes trickle
// in; so has a reply larger than any quote page.
constexpr int kWholeRequestTimeouts = 4;
constexpr qint64 kMaxReplyBytes = 4 * 1024 * 1024;

class Inet
{
public:
    // 0 follows the system's proxy configuration (on Linux the http_proxy environment variable), 1 goes
    // straight to the host whatever the environment says, 2 goes through `proxy`.
    enum AccessType { SystemDefault = 0, Direct = 1, NamedProxy = 2 };

    Inet();
    ~Inet();
    Inet(const Inet &) = delete;
    Inet &operator=(const Inet &) = delete;

    int accessType = SystemDefault;
    QString proxy;    // "server:port"; split at the last ':', blanks around the port ignored
    QString userName; // the answer to a proxy's 407 challenge
    QString password;
    // A request that receives nothing for this long fails; 0 reads the stored setting at each request.
    int timeoutSeconds = 0;

    // GETs the address and returns the whole reply decoded as GBK, whatever charset the reply declares.
    // Waits in a local event loop, so timers and input events run meanwhile. Throws InetError on an
    // empty or unusable address (at once, without network traffic), a proxy text that names no server
    // and port, no connection, the time-out (nothing received for the time-out, the whole request
    // past its limit, or a reply past kMaxReplyBytes), or an HTTP status of 400 or more.
    QString OpenURL(const QString &address);

    // The address the last request finally reached, redirects followed; empty when it brought no page.
    QString location() const { return m_location; }

private:
    QNetworkAccessManager *manager();
    std::unique_ptr<QNetworkAccessManager> m_manager;
    QString m_location;
};

// Reads "App_Name"/Proxy into g_ProxyServer, g_ProxyPort, g_ProxyUser, g_ProxyPassword and g_ProxyMode.
void LoadProxySettings();

// Mode "1": a named proxy with its user and password; mode "2": the browser is woken before the next
// batch update and the access type stays as it is; anything else: direct.
void ApplyProxySettings(Inet &inet);

// What the network dialog's OK does, by g_ProxyMode. "1": stores the four boxes as typed, copies them
// into g_ProxyServer, g_ProxyPort, g_ProxyUser and g_ProxyPassword and uses that proxy, its port trimmed
// of blanks. "2": the system's settings, the connection woken before the next fetch. Anything else:
// direct, no waking. The mode is stored as "1", "2" or "0".
struct ProxyBoxes
{
    QString server;
    QString port;
    QString user;
    QString password;
};
void ConfirmProxySettings(Inet &inet, const ProxyBoxes &boxes);

// "App_Name"/Inet/Timeout in whole seconds; missing, unreadable or not positive gives the default.
int StoredInetTimeout();

} // namespace tv
