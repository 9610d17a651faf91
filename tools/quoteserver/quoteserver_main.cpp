// The local quote server on its own, for trying the program by hand: it answers the stock services'
// requests for any codes and lists the funds of its book on the two fund pages.
//   tallyvane-quoteserver [--port N] [--data FILE]

#include "tools/quoteserver/HttpServer.h"
#include "tools/quoteserver/QuoteService.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>

#include <cstdio>

using namespace tv::quoteserver;

namespace {

const char *const kServiceKeys[] = {"star",     "starDetail",  "sina",     "sohu",       "stockPage", "fund",
                                    "fundPage", "fundProfile", "fundSina", "fundLookup", "wake"};

// Some open-end funds for a first try without a data file.
QuoteBook defaultBook()
{
    QuoteBook book;
    for (const char *code : {"161005", "110022", "519001", "000001", "270002", "050001"})
        book.funds << GeneratedFund(QString::fromLatin1(code));
    return book;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tallyvane-quoteserver"));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Answers Tallyvane's quote requests on 127.0.0.1 with "
                                                    "generated quotes."));
    parser.addHelpOption();
    const QCommandLineOption portOption(QStringLiteral("port"),
                                        QStringLiteral("Port to listen on (default 8765)."),
                                        QStringLiteral("N"), QStringLiteral("8765"));
    const QCommandLineOption dataOption(
        QStringLiteral("data"),
        QStringLiteral("Quotes to serve, one \"code name price [change%]\" a line; funds as k + six digits."),
        QStringLiteral("FILE"));
    parser.addOption(portOption);
    parser.addOption(dataOption);
    parser.process(app);

    bool portOk = false;
    const uint port = parser.value(portOption).toUInt(&portOk);
    if (!portOk || port > 65535) {
        std::fprintf(stderr, "not a port: %s\n", qPrintable(parser.value(portOption)));
        return 2;
    }
    QuoteBook book;
    if (parser.isSet(dataOption)) {
        QString error;
        if (!ReadQuoteBook(parser.value(dataOption), book, &error)) {
            std::fprintf(stderr, "%s\n", qPrintable(error));
            return 2;
        }
    } else {
        book = defaultBook();
    }

    HttpServer server;
    server.setHandler(QuoteHandler(book));
    if (!server.listen(quint16(port))) {
        std::fprintf(stderr, "cannot listen on 127.0.0.1:%u\n", port);
        return 1;
    }
    QObject::connect(&server, &HttpServer::requestReceived, &server, [&server](int index) {
        const HttpRequest r = server.requests().value(index);
        std::printf("%s %s\n", qPrintable(QTime::currentTime().toString(QStringLiteral("HH:mm:ss"))),
                    r.target.constData());
        std::fflush(stdout);
    });

    std::printf("Tallyvane quote server on %s, %d funds on the fund pages.\n", qPrintable(server.address()),
                int(book.funds.size()));
    std::printf(
        "Put these lines in the [Services] section of ~/.config/tallyvane/App_Name.ini:\n[Services]\n");
    for (const char *key : kServiceKeys)
        std::printf("%s=%s\n", key, qPrintable(server.address()));
    std::fflush(stdout);
    return app.exec();
}
