#include "quotes/Inet.h"

#include "app/Globals.h"
#include "data/Settings.h"

namespace tv {

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

} // namespace tv
