// SPDX-License-Identifier: GPL-3.0-or-later
// Records a receipt of random texts and searches random texts: recording and searching never fail,
// every receipt found holds the text literally (any case) in its number, seller, header or a goods
// name, and a receipt is found by its whole first goods name when that is plain Latin or Cyrillic.
// Input: number, seller, header, two goods names and the search text, separated by NUL bytes.
#include "journal.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

namespace {

bool holds(const JournalReceipt &receipt, const QString &lowered)
{
    for (const QString &field : {receipt.number, receipt.sellerName, receipt.sellerHeader})
        if (field.toLower().contains(lowered))
            return true;
    for (const JournalLine &line : receipt.lines)
        if (line.name.toLower().contains(lowered))
            return true;
    return false;
}

// Latin and Cyrillic letters, digits and spaces only, with a letter or digit first.
bool plain(const QString &text)
{
    if (text.isEmpty() || !text[0].isLetterOrNumber())
        return false;
    for (const QChar c : text)
        if (!(c.unicode() < 0x80 ? c.isLetterOrNumber() || c == u' ' : c.unicode() >= 0x400 && c.unicode() < 0x460 && c.isLetter()))
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static int argc = 1;
    static char name[] = "fuzz_journal";
    static char *argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    static QTemporaryDir tmp;
    static std::unique_ptr<Journal> journal;
    static int runs = 0;
    const QString path = QDir(tmp.path()).filePath(QStringLiteral("journal.sqlite"));
    if (!journal || ++runs % 500 == 0) { // a fresh file now and then keeps the searches quick
        journal.reset();
        for (const char *suffix : {"", "-wal", "-shm"})
            QFile::remove(path + QLatin1String(suffix));
        if (!(journal = openSqliteJournal(path)))
            std::abort();
    }

    const QList<QByteArray> parts = QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)).split('\0');
    const auto part = [&](int i) { return QString::fromUtf8(parts.value(i)); };
    JournalReceipt receipt{0, part(0), QDateTime::currentDateTime(), QStringLiteral("07.12.2026"), part(2), part(1),
                           QStringLiteral("1,00"), 100, QStringLiteral("Один рубль"), QStringLiteral("printer:fuzz"), std::nullopt,
                           {{QStringLiteral("1"), part(3), {}, {}, {}, {}}, {QStringLiteral("2"), part(4), {}, {}, {}, {}}}};
    if (!journal->record(receipt))
        std::abort();

    const QString text = part(5);
    JournalStatus status;
    for (const JournalRow &row : journal->rows({text, {}, {}}, 0, 20, &status)) {
        const auto found = journal->receipt(row.id);
        if (!found || !holds(*found, text.toLower()))
            std::abort();
    }
    if (!status)
        std::abort();
    if (plain(receipt.lines[0].name) && journal->rows({receipt.lines[0].name.toUpper(), {}, {}}, 0, 1).value(0).id != receipt.id)
        std::abort();
    return 0;
}
