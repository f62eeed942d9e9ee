// SPDX-License-Identifier: GPL-3.0-or-later
#include "journalcsv.h"

#include <QDir>
#include <QSaveFile>

namespace {

// Written out a piece at a time, so that a large period never sits in memory whole.
constexpr qsizetype kChunk = 256 * 1024;

void append(QByteArray &out, const QString &field)
{
    static const QString special = QStringLiteral(";\"\r\n");
    bool quoted = false;
    for (const QChar c : field)
        if (special.contains(c)) {
            quoted = true;
            break;
        }
    if (!quoted) {
        out += field.toUtf8();
        return;
    }
    out += '"';
    out += QString(field).replace(u'"', QStringLiteral("\"\"")).toUtf8();
    out += '"';
}

void appendRow(QByteArray &out, std::initializer_list<QString> fields)
{
    bool first = true;
    for (const QString &field : fields) {
        if (!first)
            out += ';';
        first = false;
        append(out, field);
    }
    out += "\r\n";
}

} // namespace

JournalStatus writeJournalCsv(Journal &journal, const QDate &from, const QDate &to, const QString &filePath, qint64 *lines)
{
    const QString shown = QDir::toNativeSeparators(filePath);
    const auto failure = [&](const QString &why) {
        return JournalStatus::failure(QStringLiteral("Файл «%1» не записан: %2").arg(shown, why));
    };
    if (lines)
        *lines = 0;
    QSaveFile file(filePath);
    if (!file.open(QIODevice::WriteOnly))
        return failure(file.errorString());
    QByteArray out("\xEF\xBB\xBF");
    appendRow(out, {QStringLiteral("Чек №"), QStringLiteral("Дата"), QStringLiteral("Продавец"), QStringLiteral("№"),
                    QStringLiteral("Наименование товара"), QStringLiteral("Ед."), QStringLiteral("Кол-во"),
                    QStringLiteral("Цена"), QStringLiteral("Сумма"), QStringLiteral("Итого по чеку")});
    qint64 written = 0;
    bool writeFailed = false;
    const JournalStatus read = journal.exportRows(from, to, [&](const JournalExportRow &row) {
        appendRow(out, {row.number, row.issuedAt.toString(QStringLiteral("dd.MM.yyyy HH:mm:ss")), row.sellerName, row.line.num,
                        row.line.name, row.line.unit, row.line.quantity, row.line.price, row.line.sum, row.total});
        ++written;
        if (out.size() >= kChunk) {
            writeFailed = file.write(out) != out.size();
            out.clear();
        }
        return !writeFailed;
    });
    if (!read) {
        file.cancelWriting();
        return JournalStatus::failure(QStringLiteral("Файл «%1» не записан: журнал не прочитан. %2").arg(shown, read.reason));
    }
    if (writeFailed || file.write(out) != out.size() || !file.commit()) {
        const QString why = file.errorString();
        file.cancelWriting();
        return failure(why);
    }
    if (lines)
        *lines = written;
    return {};
}
