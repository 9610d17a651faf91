#pragma once

// Alert mail: the mailbox settings and the arming of the watch rows, the text of one alert, the message
// handed to the system's mail transport and the transport itself (`sendmail -t`, its path a setting).

#include <QByteArray>
#include <QString>

namespace tv {

// "App_Name", section "frmemail": the address, the switch ("1" or "0") and the transport's path.
QString StoredAlertAddress();
bool StoredAlertsOn();     // the stored switch reads above 0
QString SendmailProgram(); // "/usr/sbin/sendmail" unless set

// Rows are armed only with an address of more than 6 characters and alerts switched on.
bool ArmsRows(const QString &address, bool alertsOn);
void SetRowsArmed(bool armed); // every row's flag

// The watch window's opening: the stored address; a stored switch that is on turns alerts on (an off
// one leaves them as they are); then the rows are armed when ArmsRows says so, and otherwise keep their
// flags.
void ArmAtWatchOpening();

// The mailbox dialog's OK: stores the address and the switch, takes both, and arms or disarms every row.
void ConfirmMailbox(const QString &address, bool alertsOn);

// name + "；股价" + price + "；涨跌幅" + change: the subject and the body of one alert.
QString AlertMailText(const QString &name, const QString &price, const QString &change);

// One plain address: printable ASCII without blanks or the characters that separate, quote or bracket
// addresses, and exactly one "@" with text on both sides.
bool IsPlainAddress(const QString &address);

// The whole message for the transport: To, an encoded Subject, a UTF-8 text body in base64. Nothing of
// the text can end a header line or start another.
QByteArray AlertMailMessage(const QString &to, const QString &text);

// Runs `program -t` with the message on its standard input and waits, without running events, up to
// timeoutMs; a program still running then is killed. True only when it started and exited with 0.
bool RunMailTransport(const QString &program, const QByteArray &message, int timeoutMs = 30000);

// One alert to the address through the configured transport; false when nothing was sent (an address
// that is not plain sends nothing).
bool SendAlertMail(const QString &to, const QString &text);

} // namespace tv
