#pragma once

// The quote services' base addresses: "App_Name"/Services, each "http://host" or "http://host:port"
// (a path may follow), empty until the user sets it, so nothing reaches a host nobody chose.

#include <QStringList>

namespace tv::services {

inline const QString star = QStringLiteral("star");             // star's quote requests
inline const QString starDetail = QStringLiteral("starDetail"); // star's detail pages, also in its reply
inline const QString sina = QStringLiteral("sina");
inline const QString sohu = QStringLiteral("sohu");
inline const QString stockPage = QStringLiteral("stockPage");     // per-stock pages linked by sina and sohu
inline const QString fund = QStringLiteral("fund");               // the fund list page
inline const QString fundPage = QStringLiteral("fundPage");       // fund pages linked from that list
inline const QString fundProfile = QStringLiteral("fundProfile"); // fund profiles, the list's links
inline const QString fundSina = QStringLiteral("fundSina");       // the net-value ranking page
inline const QString fundLookup = QStringLiteral("fundLookup");   // the look-up links of that page
inline const QString wake = QStringLiteral("wake");               // the page that wakes the connection

// Every key above.
QStringList Keys();

// The stored address, blanks and trailing "/" removed; empty when not set.
QString Address(const QString &key);

// The stored address; throws InetError naming the key when it is empty, before any network traffic.
QString Required(const QString &key);

} // namespace tv::services
