// SPDX-License-Identifier: GPL-3.0-or-later
#include "statefiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStorageInfo>
#include <QStringDecoder>
#include <QTemporaryFile>

#include <vector>

namespace {

// The first line of a file is read up to here at most, so no file can stall the start.
constexpr qint64 kMaxLineBytes = 64 * 1024;

const char *const kCodec = "windows-1251";

QString filePath(const QString &dir, const char *name)
{
    return QDir(dir).filePath(QString::fromLatin1(name));
}

// Only an ordinary, visible file counts: a directory or a device of that name is as good as missing,
// and opening a pipe could block forever.
bool isOrdinaryFile(const QString &path)
{
    const QFileInfo info(path);
    return info.isFile() && !info.isHidden();
}

void loadLine(const QString &path, QString &box)
{
    if (!isOrdinaryFile(path))
        return;
    // The box is emptied first: a file that exists but cannot be read leaves it empty.
    box.clear();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    QByteArray bytes = file.read(kMaxLineBytes);
    const qsizetype cr = bytes.indexOf('\r');
    if (cr >= 0)
        bytes.truncate(cr);
    QStringDecoder decoder(kCodec);
    if (decoder.isValid())
        box += decoder.decode(bytes);
    else
        box += QString::fromLatin1(bytes);
}

// Unicode to Windows-1251, built from the decoder so both directions agree byte for byte.
class Cp1251Table
{
public:
    Cp1251Table() : m_byUnicode(0x10000, -1)
    {
        QStringDecoder decoder(kCodec);
        for (int b = 0; b < 256; ++b) {
            const char byte = char(b);
            const QString decoded = decoder.decode(QByteArrayView(&byte, 1));
            if (decoded.size() == 1 && decoded.at(0) != QChar::ReplacementCharacter)
                m_byUnicode[decoded.at(0).unicode()] = qint16(quint8(byte));
        }
    }

    // A character the code page cannot hold becomes "?", one per character.
    QByteArray encode(const QString &text) const
    {
        QByteArray out;
        out.reserve(text.size());
        for (qsizetype i = 0; i < text.size(); ++i) {
            const QChar c = text.at(i);
            if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
                ++i;
                out += '?';
                continue;
            }
            const qint16 byte = m_byUnicode[c.unicode()];
            out += byte < 0 ? '?' : char(byte);
        }
        return out;
    }

private:
    std::vector<qint16> m_byUnicode; // -1: no byte for this character
};

QString failureReason(const QString &dir, const QString &path, const QSaveFile &file, qint64 bytesNeeded)
{
    const QFileInfo dirInfo(dir);
    if (!dirInfo.exists())
        return QStringLiteral("Папка не найдена");
    if (!dirInfo.isDir())
        return QStringLiteral("Путь к папке указывает на файл");
    if (QFileInfo(path).isDir())
        return QStringLiteral("На месте файла находится папка с тем же именем");
    if (!dirInfo.isWritable())
        return QStringLiteral("Нет доступа к папке: запись запрещена");
    const QFileInfo fileInfo(path);
    if (fileInfo.exists() && !fileInfo.isWritable())
        return QStringLiteral("Файл защищён от записи");
    const QStorageInfo storage(dir);
    if (storage.isValid() && storage.isReadOnly())
        return QStringLiteral("Диск доступен только для чтения");
    if (storage.isValid() && storage.bytesAvailable() < bytesNeeded + 4096)
        return QStringLiteral("Диск заполнен");
    return QStringLiteral("Не удалось записать файл (%1)").arg(file.errorString());
}

// Writes text + CR LF through a temporary file that replaces the old one only once it is complete.
void saveLine(const QString &dir, const char *name, const QString &text, QList<SaveFailure> &failures)
{
    static const Cp1251Table table;
    const QString path = filePath(dir, name);
    const QByteArray bytes = table.encode(text) + "\r\n";

    QSaveFile file(path);
    // The bytes are flushed before commit() is asked to replace the old file: when the flush inside
    // commit() fails (a full disk), Qt 6.4 still puts the empty temporary file in place of the old one.
    const bool saved = file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush()
        && file.error() == QFileDevice::NoError && file.commit();
    if (!saved) {
        failures.append({QDir::toNativeSeparators(path), failureReason(dir, path, file, bytes.size())});
        file.cancelWriting();
    }
}

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

} // namespace

void Start(const QString &dir, QString &TxtClish, QString &TextN)
{
    loadLine(filePath(dir, kHeaderFileName), TxtClish);
    loadLine(filePath(dir, kNumberFileName), TextN);
}

QList<SaveFailure> Finish(const QString &dir, const QString &TxtClish, const QString &TextN)
{
    QList<SaveFailure> failures;
    saveLine(dir, kHeaderFileName, TxtClish, failures);
    saveLine(dir, kNumberFileName, TextN, failures);
    return failures;
}

QList<SaveFailure> saveNumber(const QString &dir, const QString &TextN)
{
    QList<SaveFailure> failures;
    saveLine(dir, kNumberFileName, TextN, failures);
    return failures;
}

QString stateDirectory(const StatePlaces &places)
{
    return writePlace(places);
}

StatePlaces defaultStatePlaces()
{
    return {QCoreApplication::applicationDirPath(),
            QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)};
}

void Start(const StatePlaces &places, QString &TxtClish, QString &TextN)
{
    if (canWriteIn(places.appDir)) {
        Start(places.appDir, TxtClish, TextN);
        return;
    }
    // Each file from the user's data directory once it was saved there; until then the copy an
    // administrator put beside the executable seeds the first run.
    const auto load = [&places](const char *name, QString &box) {
        const QString own = filePath(places.userDataDir, name);
        const bool saved = !places.userDataDir.isEmpty() && isOrdinaryFile(own);
        loadLine(saved ? own : filePath(places.appDir, name), box);
    };
    load(kHeaderFileName, TxtClish);
    load(kNumberFileName, TextN);
}

QList<SaveFailure> Finish(const StatePlaces &places, const QString &TxtClish, const QString &TextN)
{
    return Finish(writePlace(places), TxtClish, TextN);
}

QList<SaveFailure> saveNumber(const StatePlaces &places, const QString &TextN)
{
    return saveNumber(writePlace(places), TextN);
}
