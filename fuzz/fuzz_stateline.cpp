// SPDX-License-Identifier: GPL-3.0-or-later
// Reads random bytes as a state file's line, in memory: no crash, a line of at most 64 KiB without a
// CR, and what was read saves to one byte a character plus CR LF and reads back to itself, each
// character kept or become "?", and then stays as it is.
#include "statefiles.h"

#include <QStringDecoder>

#include <algorithm>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString line = stateLineText(QByteArrayView(data, qsizetype(size)));
    if (line.size() > 64 * 1024 || line.contains(u'\r'))
        std::abort();

    const QByteArray saved = stateLineBytes(line);
    const QList<uint> characters = line.toUcs4();
    if (saved.size() != characters.size() + 2 || !saved.endsWith("\r\n"))
        std::abort();
    // Windows-1251 bytes that happen to be valid UTF-8 beyond ASCII are read back as UTF-8.
    if (std::any_of(saved.begin(), saved.end(), [](char c) { return c & 0x80; })) {
        QStringDecoder utf8(QStringDecoder::Utf8);
        utf8.decode(saved);
        if (!utf8.hasError())
            return 0;
    }
    const QString once = stateLineText(saved);
    const QList<uint> kept = once.toUcs4();
    if (kept.size() != characters.size())
        std::abort();
    for (qsizetype i = 0; i < kept.size(); ++i)
        if (kept[i] != characters[i] && kept[i] != u'?')
            std::abort();
    if (stateLineBytes(once) != saved)
        std::abort();
    return 0;
}
