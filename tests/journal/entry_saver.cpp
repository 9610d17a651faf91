// One workstation of the shared-database tests. It logs in to the database named on the command line,
// opens the manager window on one security, and drives the entry panel through the window's own
// handlers on commands read from standard input, one a line; each answer is one line of JSON.
//
//   entry_saver DATABASE OPERATOR SECURITY
//   open                         open the panel (the balances as of the settlement date are read)
//   type TRADETYPE BOX VALUE     the trade type and one box typed, then that box left
//   save                         "保存"
//   run N TRADETYPE BOX VALUE    N entries opened, typed and saved; a save that finds the balances
//                                moved is saved again from what the panel recomputed
//   quit

#include "app/Globals.h"
#include "app/Seams.h"
#include "data/Schema.h"
#include "journal/frmManager.h"
#include "tests/common/TestSupport.h"

#include <QApplication>
#include <QComboBox>
#include <QFrame>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QPushButton>
#include <cstdio>
#include <iostream>
#include <string>

using namespace tv;

namespace {

void answer(const QJsonObject &o)
{
    std::fputs(QJsonDocument(o).toJson(QJsonDocument::Compact).constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

QJsonArray boxesOf(frmManager *w)
{
    QJsonArray out;
    for (int i = 1; i <= 10; ++i)
        out << w->Text1[i]->text();
    return out;
}

QJsonArray messagesOf(const test::TestEnv &env)
{
    QJsonArray out;
    for (const test::RecordedBox &b : env.boxes)
        out << QJsonObject{{"text", b.text}, {"style", b.style}, {"title", b.title}};
    return out;
}

QJsonObject panelState(frmManager *w, const test::TestEnv &env)
{
    return {{"open", w->Frame2->isVisible()},
            {"openingCash", w->m_OpeningCash},
            {"openingHolding", w->m_OpeningHolding},
            {"boxes", boxesOf(w)},
            {"messages", messagesOf(env)}};
}

void typeEntry(frmManager *w, const QString &tradeType, int box, const QString &value)
{
    w->Combo1->setEditText(tradeType);
    w->Text1[box]->setText(value);
    w->Text1_LostFocus(box);
}

bool save(frmManager *w)
{
    w->Command2->click();
    QCoreApplication::processEvents();
    return !w->Frame2->isVisible();
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 4) {
        std::fprintf(stderr, "usage: entry_saver DATABASE OPERATOR SECURITY\n");
        return 2;
    }
    test::TestEnv env;
    g_DbPath = args[1];
    g_DbConnect = ConnectString();
    g_CurUser = args[2];
    g_UserRight = QStringLiteral("超级权限");
    frmManager *w = test::OpenManager(args[3]);
    if (!w) {
        answer({{"ready", false}});
        return 1;
    }
    answer({{"ready", true}, {"messages", messagesOf(env)}});

    std::string line;
    while (std::getline(std::cin, line)) {
        const QStringList cmd = QString::fromStdString(line).split(u' ', Qt::SkipEmptyParts);
        if (cmd.isEmpty())
            continue;
        env.clearBoxes();
        QCoreApplication::processEvents();
        if (cmd[0] == QLatin1String("quit"))
            break;
        if (cmd[0] == QLatin1String("open")) {
            w->munaddqix_Click();
            answer(panelState(w, env));
        } else if (cmd[0] == QLatin1String("type") && cmd.size() == 4) {
            typeEntry(w, cmd[1], cmd[2].toInt(), cmd[3]);
            answer(panelState(w, env));
        } else if (cmd[0] == QLatin1String("save")) {
            const double openingBefore = w->m_OpeningCash;
            QJsonObject o = panelState(w, env);
            o.insert("saved", save(w));
            o.insert("openingBefore", openingBefore);
            o.insert("panel", panelState(w, env));
            answer(o);
        } else if (cmd[0] == QLatin1String("run") && cmd.size() == 5) {
            // Every save that does not insert must be one that found the balances moved, said so once,
            // and left the panel computing from the balances it found.
            const int n = cmd[1].toInt();
            int saved = 0, moved = 0, attempts = 0;
            QJsonArray movedTexts, odd;
            for (int i = 0; i < n; ++i) {
                env.clearBoxes();
                w->munaddqix_Click();
                typeEntry(w, cmd[2], cmd[3].toInt(), cmd[4]);
                if (!env.boxes.isEmpty())
                    odd << QJsonObject{{"entry", i}, {"typed", messagesOf(env)}};
                for (int tries = 0; tries < 1000; ++tries) {
                    env.clearBoxes();
                    const double before = w->m_OpeningCash;
                    ++attempts;
                    if (save(w)) {
                        ++saved;
                        if (!env.boxes.isEmpty())
                            odd << QJsonObject{{"entry", i}, {"saved", messagesOf(env)}};
                        break;
                    }
                    ++moved;
                    if (env.boxes.size() != 1 || w->m_OpeningCash == before)
                        odd << QJsonObject{{"entry", i},
                                           {"notSaved", messagesOf(env)},
                                           {"before", before},
                                           {"after", w->m_OpeningCash}};
                    if (!env.boxes.isEmpty() && !movedTexts.contains(env.boxes[0].text))
                        movedTexts << env.boxes[0].text;
                }
            }
            answer({{"saved", saved},
                    {"moved", moved},
                    {"attempts", attempts},
                    {"movedTexts", movedTexts},
                    {"odd", odd}});
        } else {
            answer({{"error", QStringLiteral("unknown command: ") + QString::fromStdString(line)}});
        }
    }
    return 0;
}
