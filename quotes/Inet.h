#pragma once

// The main window's HTTP transfer settings, as the proxy settings configure them.

#include <QString>

namespace tv {

struct Inet
{
    enum AccessType { Direct = 1, NamedProxy = 2 };
    int accessType = Direct;
    QString proxy; // "server:port"
    QString userName;
    QString password;
};

// Reads "App_Name"/Proxy into g_ProxyServer, g_ProxyPort, g_ProxyUser, g_ProxyPassword and g_ProxyMode.
void LoadProxySettings();

// Mode "1": a named proxy with its user and password; mode "2": the browser is woken before the next
// batch update and the transfer settings stay as they are; anything else: direct.
void ApplyProxySettings(Inet &inet);

} // namespace tv
