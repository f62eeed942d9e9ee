// SPDX-License-Identifier: GPL-3.0-or-later
// Loads state files of random bytes and sizes: no crash, no hang, a line of at most 64 KiB, and what
// was loaded saves and loads back to itself once its unwritable characters have become "?".
#include "statefiles.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QStringDecoder>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static QTemporaryDir tmp;
    if (!tmp.isValid())
        std::abort();
    const QString dir = tmp.path();

    // The first byte picks how much the file grows beyond the data: up to a few hundred KiB.
    QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    if (!bytes.isEmpty() && (bytes[0] & 0x80))
        bytes = bytes.repeated(1 + (std::uint8_t(bytes[0]) & 0x7f) * 4096 / qMax<qsizetype>(bytes.size(), 1));
    {
        QFile file(QDir(dir).filePath(kHeaderFileName));
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
            std::abort();
    }
    QFile::remove(QDir(dir).filePath(kNumberFileName));

    QString TxtClish = QStringLiteral("sample");
    QString TextN = QStringLiteral("untouched");
    Start(dir, TxtClish, TextN);
    if (TxtClish.size() > 64 * 1024 || TextN != QStringLiteral("untouched") || TxtClish.contains(u'\r'))
        std::abort();

    if (!Finish(dir, TxtClish, TextN).isEmpty())
        std::abort();
    // Windows-1251 bytes that happen to be valid UTF-8 beyond ASCII are read back as UTF-8.
    {
        QFile file(QDir(dir).filePath(kHeaderFileName));
        if (!file.open(QIODevice::ReadOnly))
            std::abort();
        const QByteArray saved = file.readAll();
        QStringDecoder utf8(QStringDecoder::Utf8);
        utf8.decode(saved);
        if (!utf8.hasError() && std::any_of(saved.begin(), saved.end(), [](char c) { return c & 0x80; }))
            return 0;
    }
    QString once;
    QString number;
    Start(dir, once, number);
    if (number != TextN || !Finish(dir, once, number).isEmpty())
        std::abort();
    QString twice;
    Start(dir, twice, number);
    if (twice != once || once.size() != TxtClish.toUcs4().size())
        std::abort();
    return 0;
}
