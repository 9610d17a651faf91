#include "quotes/AlertMail.h"

#include "app/Globals.h"
#include "app/VbCompat.h"
#include "data/Settings.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QPointer>
#include <QProcess>
#include <QStandardPaths>

#include <algorithm>
#include <utility>

#include <signal.h>

namespace tv {

namespace {

const QString kSection = QStringLiteral("frmemail");
const QString kAddressKey = QStringLiteral("qixmail");
const QString kSwitchKey = QStringLiteral("use");
const QString kTransportKey = QStringLiteral("sendmail");
const QString kDefaultTransport = QStringLiteral("/usr/sbin/sendmail");

// 39 bytes of UTF-8 give an encoded word of 64 characters, so every header line stays under 76. Words end
// between characters, so each decodes on its own.
constexpr int kWordBytes = 39;

QByteArray encodedWord(const QByteArray &utf8)
{
    return "=?UTF-8?B?" + utf8.toBase64() + "?=";
}

QByteArray encodedSubject(const QString &text)
{
    QList<QByteArray> words;
    QByteArray word;
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype length = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QByteArray bytes = text.mid(i, length).toUtf8();
        if (!word.isEmpty() && word.size() + bytes.size() > kWordBytes) {
            words << encodedWord(word);
            word.clear();
        }
        word += bytes;
        i += length;
    }
    words << encodedWord(word);
    return words.join("\n "); // folded: each further word on a continuation line
}

QByteArray base64Lines(const QByteArray &data)
{
    const QByteArray b64 = data.toBase64();
    QByteArray out;
    for (qsizetype i = 0; i < b64.size(); i += 76)
        out += b64.mid(i, 76) + '\n';
    return out;
}

} // namespace

QString StoredAlertAddress()
{
    return GetSetting(kAppNameShared, kSection, kAddressKey);
}

bool StoredAlertsOn()
{
    return Val(GetSetting(kAppNameShared, kSection, kSwitchKey)) > 0;
}

QString SendmailProgram()
{
    const QString program = GetSetting(kAppNameShared, kSection, kTransportKey);
    return Trim(program).isEmpty() ? kDefaultTransport : program;
}

bool ArmsRows(const QString &address, bool alertsOn)
{
    return alertsOn && address.size() > 6 && IsPlainAddress(address);
}

void SetRowsArmed(bool armed)
{
    g_AlertArmed.fill(armed);
}

void ArmAtWatchOpening()
{
    g_AlertEmail = StoredAlertAddress();
    if (StoredAlertsOn())
        g_AlertsOn = true;
    if (ArmsRows(g_AlertEmail, g_AlertsOn))
        SetRowsArmed(true);
}

void ConfirmMailbox(const QString &address, bool alertsOn)
{
    SaveSetting(kAppNameShared, kSection, kAddressKey, address);
    SaveSetting(kAppNameShared, kSection, kSwitchKey, alertsOn ? QStringLiteral("1") : QStringLiteral("0"));
    g_AlertEmail = address;
    g_AlertsOn = alertsOn;
    SetRowsArmed(ArmsRows(address, alertsOn));
}

QString AlertMailText(const QString &name, const QString &price, const QString &change)
{
    return name + QStringLiteral("；股价") + price + QStringLiteral("；涨跌幅") + change;
}

bool IsPlainAddress(const QString &address)
{
    static const QString separators = QStringLiteral(",;<>()[]\"\\:");
    int ats = 0;
    for (QChar c : address) {
        if (c.unicode() <= 0x20 || c.unicode() >= 0x7F || separators.contains(c))
            return false;
        if (c == u'@')
            ++ats;
    }
    const qsizetype at = address.indexOf(u'@');
    return ats == 1 && at > 0 && at < address.size() - 1 && address.size() <= kMaxAddressLength;
}

QByteArray AlertMailMessage(const QString &to, const QString &text)
{
    const QByteArray body = text.toUtf8();
    return "To: " + to.toLatin1() + "\n" + "Subject: " + encodedSubject(text) + "\n" +
           "MIME-Version: 1.0\n"
           "Content-Type: text/plain; charset=UTF-8\n"
           "Content-Transfer-Encoding: base64\n"
           "\n" +
           base64Lines(body);
}

QString UnmailableAddressText()
{
    return QStringLiteral("邮件信箱不对，只能填入一个邮件地址（例如 "
                          "name@example.com），不能有空格、姓名或第二个地址，"
                          "也不能超过%1个字符，请修改！")
        .arg(kMaxAddressLength);
}

bool IsMailboxAddress(const QString &address)
{
    return address.isEmpty() || IsPlainAddress(address);
}

namespace {

// The transports this run looks after. They have no parent: the application's end must not destroy one,
// as destroying a running QProcess kills it.
QList<QPointer<QProcess>> &transports()
{
    static QList<QPointer<QProcess>> list;
    list.removeIf([](const QPointer<QProcess> &mail) { return mail.isNull(); });
    return list;
}

void finishAtTheEnd()
{
    static QPointer<QCoreApplication> watched;
    if (watched == QCoreApplication::instance())
        return;
    watched = QCoreApplication::instance();
    QObject::connect(watched, &QCoreApplication::aboutToQuit, watched,
                     [] { FinishMailTransports(kMailExitMomentMs); });
}

QString seconds(int ms)
{
    return QString::number(ms / 1000.0, 'f', 3) + u's';
}

QString timeoutProgram()
{
    const QString found = QStandardPaths::findExecutable(QStringLiteral("timeout"));
    return found.isEmpty() ? QStringLiteral("/usr/bin/timeout") : found;
}

bool holdsItsMessage(const QProcess *mail)
{
    return mail->state() == QProcess::Running && mail->bytesToWrite() == 0;
}

// `timeout` leads a process group of its own with the transport and whatever it starts; ending the group
// ends them all, where ending the wrapper alone would leave the transport running without a limit.
void endTransport(QProcess *mail)
{
    if (mail->processId() > 0)
        ::kill(-pid_t(mail->processId()), SIGKILL);
    mail->kill();
    mail->waitForFinished(kMailKillGraceMs);
    delete mail;
}

} // namespace

void StartMailTransport(const QString &program, const QByteArray &message, int timeoutMs)
{
    finishAtTheEnd();
    auto *mail = new QProcess;
    transports().append(mail);
    mail->setStandardOutputFile(QProcess::nullDevice());
    mail->setStandardErrorFile(QProcess::nullDevice());
    QObject::connect(mail, &QProcess::finished, mail, &QObject::deleteLater);
    QObject::connect(mail, &QProcess::errorOccurred, mail, [mail](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            mail->deleteLater();
    });
    // SIGTERM a moment before the limit, SIGKILL at it. The transport's own signals (SIGALRM among them)
    // stay its own: the limit's clock runs in the wrapper.
    const int grace = std::min(kMailKillGraceMs, timeoutMs / 10);
    // Options end at the duration: a program whose name starts with "-" is still the program.
    mail->start(timeoutProgram(), {QStringLiteral("-k"), seconds(grace), seconds(timeoutMs - grace), program,
                                   QStringLiteral("-t")});
    mail->write(message);
    mail->closeWriteChannel(); // the exit, should it come first, writes what the event loop has not
}

int RunningMailTransports()
{
    int running = 0;
    for (const QProcess *mail : transports())
        running += mail->state() != QProcess::NotRunning;
    return running;
}

int WaitForMailTransports(int ms)
{
    const QDeadlineTimer deadline(ms);
    for (QProcess *mail : transports())
        if (mail->state() != QProcess::NotRunning)
            mail->waitForFinished(int(std::max<qint64>(deadline.remainingTime(), 0)));
    return RunningMailTransports();
}

void FinishMailTransports(int ms)
{
    const QDeadlineTimer deadline(ms);
    const QList<QPointer<QProcess>> all = std::exchange(transports(), {});
    for (QProcess *mail : all) {
        // One that takes part of it is given more; one that takes nothing more in the time is done.
        while (mail && mail->state() != QProcess::NotRunning && !holdsItsMessage(mail) &&
               mail->waitForBytesWritten(int(std::max<qint64>(deadline.remainingTime(), 0)))) {
        }
        if (mail && mail->state() != QProcess::NotRunning && !holdsItsMessage(mail))
            endTransport(mail);
    }
}

bool SendAlertMail(const QString &to, const QString &text)
{
    if (!IsPlainAddress(to))
        return false;
    StartMailTransport(SendmailProgram(), AlertMailMessage(to, text));
    return true;
}

} // namespace tv
