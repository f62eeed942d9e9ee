// SPDX-License-Identifier: GPL-3.0-or-later
#include "stateplaces.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace {

// Whether a file can be created in dir, found out by creating (and removing) one.
bool canWriteIn(const QString &dir)
{
    if (!QFileInfo(dir).isDir())
        return false;
    QTemporaryFile probe(QDir(dir).filePath(QStringLiteral(".selvaro-probe-XXXXXX")));
    return probe.open();
}

// The directory the files are written to: beside the executable when it can take them.
QString writePlace(const StatePlaces &places)
{
    // With no user's directory known, the save is tried beside the executable and its failure reported.
    if (places.userDataDir.isEmpty() || canWriteIn(places.appDir))
        return places.appDir;
    QDir().mkpath(places.userDataDir);
    return places.userDataDir;
}

QFileInfo stateFile(const QString &dir, const char *name)
{
    return QFileInfo(QDir(dir).filePath(QString::fromLatin1(name)));
}

bool holds(const QString &dir, const char *name)
{
    const QFileInfo info = stateFile(dir, name);
    return !dir.isEmpty() && info.isFile() && !info.isHidden();
}

// When the newer of the two files in dir was written; null when dir holds neither.
QDateTime lastWritten(const QString &dir)
{
    QDateTime last;
    for (const char *name : {kHeaderFileName, kNumberFileName}) {
        const QDateTime written = stateFile(dir, name).lastModified();
        if (holds(dir, name) && (!last.isValid() || written > last))
            last = written;
    }
    return last;
}

} // namespace

StatePlaces defaultStatePlaces()
{
    return {QCoreApplication::applicationDirPath(),
            QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)};
}

void Start(const StatePlaces &places, QString &TxtClish, QString &TextN)
{
    const QDateTime app = lastWritten(places.appDir), user = lastWritten(places.userDataDir);
    // A tie goes to the place the next save goes to.
    const bool userNewer = user.isValid() && (!app.isValid() || user > app || (user == app && writePlace(places) != places.appDir));
    const QString &newer = userNewer ? places.userDataDir : places.appDir;
    const QString &older = userNewer ? places.appDir : places.userDataDir;
    const auto from = [&](const char *name) { return holds(newer, name) || older.isEmpty() ? newer : older; };
    QString unused = TextN;
    Start(from(kHeaderFileName), TxtClish, unused);
    unused = TxtClish;
    Start(from(kNumberFileName), unused, TextN);
}

QList<SaveFailure> Finish(const StatePlaces &places, const QString &TxtClish, const QString &TextN)
{
    return Finish(writePlace(places), TxtClish, TextN);
}

QList<SaveFailure> saveNumber(const StatePlaces &places, const QString &TextN)
{
    return saveNumber(writePlace(places), TextN);
}

QString stateDirectory(const StatePlaces &places)
{
    return writePlace(places);
}

QString firstSaveElsewhere(const StatePlaces &places)
{
    const QString dir = writePlace(places);
    if (dir == places.appDir || holds(dir, kHeaderFileName) || holds(dir, kNumberFileName))
        return {};
    return dir;
}

std::unique_ptr<QLockFile> lockStateFiles(const StatePlaces &places)
{
    const QString path = QDir(writePlace(places)).filePath(QStringLiteral("selvaro.lock"));
    // A lock left empty (its copy killed, or the power cut, between making the file and writing its
    // holder in) names no holder and would never be taken over; a copy writes it at once, so an empty
    // one some seconds old is no running copy's.
    if (const QFileInfo file(path); file.exists() && file.size() == 0
        && qAbs(file.lastModified().secsTo(QDateTime::currentDateTime())) > 5)
        QFile::remove(path);
    auto lock = std::make_unique<QLockFile>(path);
    // A running copy holds its lock however long it runs; only a dead holder's lock is taken over.
    lock->setStaleLockTime(0);
    if (lock->tryLock(0) || lock->error() != QLockFile::LockFailedError)
        return lock;
    return nullptr;
}
