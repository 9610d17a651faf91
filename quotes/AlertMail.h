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

// Rows are armed only with one plain address of more than 6 characters and alerts switched on. Every
// place that arms rows asks this.
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
// addresses, exactly one "@" with text on both sides, and no longer than mail allows.
constexpr int kMaxAddressLength = 254;
bool IsPlainAddress(const QString &address);

// The whole message for the transport: To, an encoded Subject, a UTF-8 text body in base64. Nothing of
// the text can end a header line or start another.
QByteArray AlertMailMessage(const QString &to, const QString &text);

// What the mailbox dialog says of an address it cannot mail, and whether it takes the address: empty (no
// mailbox) or one plain address.
QString UnmailableAddressText();
bool IsMailboxAddress(const QString &address);

// A transport is ended kMailTimeoutMs after its start, whatever happens: asked to end (SIGTERM) a moment
// before, then killed with the helpers it started. The limit is kept by coreutils' `timeout`, a process of
// its own, so it holds also once the program has gone.
constexpr int kMailTimeoutMs = 30000;
constexpr int kMailKillGraceMs = 1000;
constexpr int kMailExitMomentMs = 1000;

// Hands the message to `program -t` on its standard input and returns at once: the event loop writes it
// into the pipe, which holds all of an alert, and the transport runs on its own while the program goes
// on. Its outcome is not reported.
void StartMailTransport(const QString &program, const QByteArray &message, int timeoutMs = kMailTimeoutMs);
int RunningMailTransports();
// Waits up to ms in all for the running transports, without running events; how many still run.
int WaitForMailTransports(int ms);
// As the program ends, without waiting for any transport that holds its whole message: those are let go
// and finish on their own, within their time limit. The others get up to ms in all to take theirs; those
// that still have not are ended, so that none sends a message cut short.
void FinishMailTransports(int ms);

// One alert to the address through the configured transport; false when nothing was handed to it (an
// address that is not plain sends nothing).
bool SendAlertMail(const QString &to, const QString &text);

} // namespace tv
