// SPDX-License-Identifier: GPL-3.0-or-later
// Generates a journal of receipts for the benchmarks: journalgen <file> <receipts> [lines per receipt]
// [distinct goods]. Goods names are drawn from about 50,000 distinct ones (or the number given, in
// steps of 1,000); one receipt in 10,007 holds a rare word
// ("Кронштейн"); receipts are spread evenly over the three years up to 2026-12-01. The content is the
// same on every run. Receipts are recorded 10,000 to a transaction. With SELVARO_PG_HOST, SELVARO_PG_PORT,
// SELVARO_PG_USER and SELVARO_PG_DB (scripts/pg-setup.sh) they go to that server, the file keeping its draft.
#include "serverjournal.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: journalgen <file> <receipts> [lines per receipt] [distinct goods]\n");
        return 2;
    }
    const qint64 count = QByteArray(argv[2]).toLongLong();
    const int lines = argc > 3 ? QByteArray(argv[3]).toInt() : 10;
    const int sizes = argc > 4 ? qMax(1, QByteArray(argv[4]).toInt() / 1000) : 50; // 40 nouns x 25 kinds each
    static const QStringList nouns = QString(
        "Гвозди Шуруп Саморез Дюбель Болт Гайка Шайба Винт Скоба Заклёпка Клей Краска Грунтовка Лак Эмаль Шпатлёвка "
        "Герметик Пена Кисть Валик Шпатель Молоток Отвёртка Ключ Пассатижи Ножовка Рулетка Уровень Уголок Петля Замок "
        "Ручка Провод Кабель Розетка Выключатель Лампа Патрон Изолента Труба").split(u' ');
    static const QStringList kinds = QString(
        "строительные оцинкованные чёрные латунные мебельные кровельные универсальный быстросохнущий белая серая "
        "акриловая масляная водостойкий монтажная малярная широкий узкий стальной медный двойной угловой накладной "
        "гибкий светодиодная морозостойкий").split(u' ');
    std::unique_ptr<Journal> journal;
    JournalStatus status;
    journal = qEnvironmentVariableIsSet("SELVARO_PG_HOST")
        ? openServerJournal({qEnvironmentVariable("SELVARO_PG_HOST"), qEnvironmentVariableIntValue("SELVARO_PG_PORT"),
                             qEnvironmentVariable("SELVARO_PG_DB"), qEnvironmentVariable("SELVARO_PG_USER"), {}},
                            QString::fromLocal8Bit(argv[1]), &status)
        : openSqliteJournal(QString::fromLocal8Bit(argv[1]), &status);
    if (!journal) {
        std::fprintf(stderr, "%s\n", qPrintable(status.reason));
        return 1;
    }
    QRandomGenerator random(2026);
    const QDateTime first(QDate(2023, 12, 1), QTime(9, 0)), last(QDate(2026, 12, 1), QTime(9, 0));
    const qint64 span = first.secsTo(last);
    QElapsedTimer timer;
    timer.start();
    QList<JournalReceipt> batch;
    for (qint64 i = 0; i < count; ++i) {
        JournalReceipt receipt;
        receipt.number = QString::number(i + 1);
        receipt.issuedAt = first.addSecs(span * i / qMax<qint64>(count, 1));
        receipt.datePrinted = receipt.issuedAt.date().toString(u"dd.MM.yyyy");
        receipt.sellerName = QStringLiteral("Продавец %1").arg(i % 20 + 1);
        receipt.sellerHeader = QStringLiteral("ИП Торговый дом %1, ИНН 7701%2").arg(i % 20 + 1).arg(i % 20 * 137, 6, 10, QChar(u'0'));
        receipt.issuedTo = i % 3 ? QStringLiteral("printer:Касса") : QStringLiteral("pdf:/home/seller/Чеки/%1.pdf").arg(i + 1);
        qint64 kopecks = 0;
        for (int l = 0; l < lines; ++l) {
            const qint64 price = 100 * random.bounded(1, 5000), quantity = random.bounded(1, 20);
            const QString name = i % 10007 == 0 && l == 0 ? QStringLiteral("Кронштейн стеновой")
                : QStringLiteral("%1 %2 %3 мм").arg(nouns[random.bounded(int(nouns.size()))], kinds[random.bounded(int(kinds.size()))])
                      .arg(random.bounded(1, sizes + 1) * 5);
            kopecks += price * quantity;
            receipt.lines.append({QString::number(l + 1), name, QStringLiteral("шт"), QString::number(quantity),
                                  QString::number(price / 100), QString::number(price * quantity / 100)});
        }
        receipt.totalKopecks = kopecks;
        receipt.total = QStringLiteral("%1,%2").arg(kopecks / 100).arg(kopecks % 100, 2, 10, QChar(u'0'));
        receipt.words = QStringLiteral("%1 рублей %2 копеек").arg(kopecks / 100).arg(kopecks % 100, 2, 10, QChar(u'0'));
        batch.append(receipt);
        if (batch.size() == 10000 || i + 1 == count) {
            if (!(status = journal->recordAll(batch))) {
                std::fprintf(stderr, "%s\n", qPrintable(status.reason));
                return 1;
            }
            batch.clear();
            std::fprintf(stderr, "\r%lld receipts, %.0f s", i + 1, timer.elapsed() / 1000.0);
        }
    }
    std::fprintf(stderr, "\n");
    return 0;
}
