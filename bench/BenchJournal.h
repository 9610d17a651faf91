#pragma once

// The large journal the benchmarks run on: 200 securities and 100,000 records, one security with
// 10,000 of them over nine years, the others 452 each within the first five months of 2000, three
// records a day, purchases and sales in turn.

#include <QString>
#include <QTemporaryDir>
#include <functional>
#include <vector>

namespace tv::bench {

constexpr int kSecurities = 200;
constexpr int kRecords = 100000;
constexpr int kBigRecords = 10000;

QString codeOf(int i);
QString nameOf(int i);

// A temporary folder with the settings and a new database holding the journal; g_DbPath and the login
// state point at it.
class BenchJournal
{
public:
    BenchJournal();
    QString path() const { return m_path; }
    qint64 fillMs() const { return m_fillMs; }

private:
    QTemporaryDir m_dir;
    QString m_path;
    qint64 m_fillMs = 0;
};

double median(std::vector<double> v);
// Milliseconds that f takes.
double timed(const std::function<void()> &f);

} // namespace tv::bench
