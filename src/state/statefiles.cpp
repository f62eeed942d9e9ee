// SPDX-License-Identifier: GPL-3.0-or-later
#include "statefiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStorageInfo>
#include <QStringDecoder>

#include <algorithm>
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

// Windows-1251 both ways, built from the decoder once: both directions agree byte for byte, and no
// converter is opened for each line read (a single-byte code page decodes each byte on its own).
class Cp1251Table
{
public:
    Cp1251Table() : m_byUnicode(0x10000, -1)
    {
        QStringDecoder decoder(kCodec);
        m_valid = decoder.isValid();
        for (int b = 0; b < 256; ++b) {
            const char byte = char(b);
            const QString decoded = decoder.decode(QByteArrayView(&byte, 1));
            m_byByte[b] = decoded;
            if (decoded.size() == 1 && decoded.at(0) != QChar::ReplacementCharacter)
                m_byUnicode[decoded.at(0).unicode()] = qint16(quint8(byte));
        }
    }

    // False when the system offers no Windows-1251 decoder.
    bool isValid() const { return m_valid; }

    QString decode(QByteArrayView bytes) const
    {
        QString out;
        out.reserve(bytes.size());
        for (const char byte : bytes)
            out += m_byByte[quint8(byte)];
        return out;
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
    QString m_byByte[256];
    bool m_valid = false;
};

const Cp1251Table &cp1251Table()
{
    static const Cp1251Table table;
    return table;
}

// The files are written in Windows-1251, but one edited in a UTF-8 editor is read as UTF-8: it starts
// with a byte-order mark, or it is valid UTF-8 with letters beyond ASCII (Windows-1251 Cyrillic text
// hardly ever is).
QString decodeLine(QByteArrayView bytes)
{
    const QByteArrayView bom("\xEF\xBB\xBF");
    if (bytes.startsWith(bom)) {
        QStringDecoder utf8(QStringDecoder::Utf8);
        return utf8.decode(bytes.sliced(bom.size()));
    }
    if (std::any_of(bytes.begin(), bytes.end(), [](char c) { return c & 0x80; })) {
        // A sequence cut short by the length limit is held back, not taken for an error.
        QStringDecoder utf8(QStringDecoder::Utf8);
        const QString text = utf8.decode(bytes);
        if (!utf8.hasError())
            return text;
    }
    const Cp1251Table &cp1251 = cp1251Table();
    return cp1251.isValid() ? cp1251.decode(bytes) : QString::fromLatin1(bytes);
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
    box += stateLineText(file.read(kMaxLineBytes));
}

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
    const QString path = filePath(dir, name);
    const QByteArray bytes = stateLineBytes(text);

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

} // namespace

QString stateLineText(QByteArrayView bytes)
{
    bytes.truncate(std::min<qsizetype>(bytes.size(), kMaxLineBytes));
    const qsizetype cr = bytes.indexOf('\r');
    return decodeLine(cr >= 0 ? bytes.first(cr) : bytes);
}

QByteArray stateLineBytes(const QString &text)
{
    return cp1251Table().encode(text) + "\r\n";
}

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

QStringList charactersNotKept(const QString &text)
{
    const Cp1251Table &table = cp1251Table();
    QStringList lost;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qsizetype length = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QString character = text.mid(i, length);
        i += length - 1;
        if (character != u"?" && table.encode(character) == "?" && !lost.contains(character))
            lost += character;
    }
    return lost;
}
