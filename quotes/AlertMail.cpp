#include "quotes/AlertMail.h"

#include "app/Globals.h"
#include "app/VbCompat.h"
#include "data/Settings.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QPointer>
#include <QProcess>
#include <QTimer>

#include <algorithm>

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

// The transports still running, children of one object that goes with the application.
QObject *transports()
{
    static QPointer<QObject> owner;
    if (!owner && QCoreApplication::instance()) {
        owner = new QObject(QCoreApplication::instance());
        QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, owner,
                         [] { FinishMailTransports(kMailExitMomentMs); });
    }
    return owner;
}

} // namespace

void StartMailTransport(const QString &program, const QByteArray &message, int timeoutMs)
{
    auto *mail = new QProcess(transports());
    mail->setStandardOutputFile(QProcess::nullDevice());
    mail->setStandardErrorFile(QProcess::nullDevice());
    QObject::connect(mail, &QProcess::finished, mail, &QObject::deleteLater);
    QObject::connect(mail, &QProcess::errorOccurred, mail, [mail](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            mail->deleteLater();
    });
    QTimer::singleShot(timeoutMs, mail, [mail] { mail->kill(); });
    mail->start(program, {QStringLiteral("-t")});
    mail->write(message); // kept until the transport reads it
    mail->closeWriteChannel();
}

int RunningMailTransports()
{
    int running = 0;
    for (const QProcess *mail : transports()->findChildren<QProcess *>())
        running += mail->state() != QProcess::NotRunning;
    return running;
}

int WaitForMailTransports(int ms)
{
    const QDeadlineTimer deadline(ms);
    for (QProcess *mail : transports()->findChildren<QProcess *>())
        if (mail->state() != QProcess::NotRunning)
            mail->waitForFinished(int(std::max<qint64>(deadline.remainingTime(), 0)));
    return RunningMailTransports();
}

void FinishMailTransports(int ms)
{
    WaitForMailTransports(ms);
    qDeleteAll(transports()->findChildren<QProcess *>()); // each one still running is ended
}

bool SendAlertMail(const QString &to, const QString &text)
{
    if (!IsPlainAddress(to))
        return false;
    StartMailTransport(SendmailProgram(), AlertMailMessage(to, text));
    return true;
}

} // namespace tv
