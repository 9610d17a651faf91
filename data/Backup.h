#pragma once

// Copies of the whole database file: the day's backup into a folder and the restore of the live file
// from a chosen copy. Both go through SQLite's online backup, so a copy never catches another
// workstation's write halfway; every copy is checked whole before it is used, and a failure leaves the
// file it was to replace as it was.

#include <QDate>
#include <QString>
#include <stdexcept>

namespace tv {

class BackupError : public std::runtime_error
{
public:
    enum Kind {
        SourceMissing, // the file to copy from is not there
        NotDatabase,   // the chosen file is no whole Tallyvane database (foreign, cut short, damaged)
        SameFile,      // the chosen file is the live database itself
        CopyFailed,    // the copy itself failed; the target is as it was
        Busy           // another workstation held the file past the busy time-out; nothing changed
    };
    BackupError(Kind kind, const QString &detail);
    Kind kind() const { return m_kind; }
    QString detail() const { return m_detail; }

private:
    Kind m_kind;
    QString m_detail;
};

// folder as typed + "/" + the day as "yy-MM-dd" + ".zQdb".
QString BackupTarget(const QString &folder, const QDate &day);

// Copies the live database into `target`, replacing a file of that name only once the copy is whole.
void BackupDatabase(const QString &dbPath, const QString &connect, const QString &target);

// Replaces the content of the live database with that of `source`, which must be a whole Tallyvane
// database other than the live file. A live file that opens takes the copy as one write transaction; one
// that is missing, empty or no database is replaced by a checked copy renamed over it.
void RestoreDatabase(const QString &source, const QString &dbPath, const QString &connect);

// Throws NotDatabase unless the file at `path` is a whole Tallyvane database: a whole number of pages,
// SQLite's integrity check, the password check and every table.
void CheckDatabaseFile(const QString &path, const QString &connect);

// True when both paths name the same existing file (through links or another spelling).
bool SameFile(const QString &a, const QString &b);

// A copy being written beside the file it is to replace, under a name of its own: a leading dot,
// "tallyvane-copy", the workstation, the writing process and a random part, and ".partial", so that no
// user's file, no glob for the backups or the live file and no other program's file has it. Its writer
// holds a lock on it from the moment it is made until it has replaced its target or is removed; a writer
// that is killed meanwhile leaves it behind, and the lock goes with the writer.
class PartialCopy
{
public:
    // A new empty copy in the folder of `target`; CopyFailed when it cannot be made.
    explicit PartialCopy(const QString &target);
    // Removes the copy and its journal unless it has replaced its target.
    ~PartialCopy();
    PartialCopy(const PartialCopy &) = delete;
    PartialCopy &operator=(const PartialCopy &) = delete;

    QString path() const { return m_path; }
    // Renames the copy over `target` in one step; CopyFailed when it cannot.
    void replace(const QString &target);

private:
    QString m_path;
    int m_fd = -1;
    bool m_replaced = false;
};

// True for the names PartialCopy gives its copies and SQLite their journals ("-journal" appended), and
// for no other name.
bool IsPartialCopyName(const QString &fileName);

// Removes from `folder` the partial copies left by writers that are gone, each with its journal, and
// journals whose copy is gone. A copy whose writer still holds its lock is left, and so is another
// workstation's copy changed in the last ten minutes; where the lock cannot be tested (a file system
// without such locks), only a copy of this workstation whose process no longer runs is removed. Nothing
// of any other name, and nothing but regular files, is touched. Every backup and every restore starts
// with this in the folder it writes into.
void RemoveLeftCopies(const QString &folder);

} // namespace tv
