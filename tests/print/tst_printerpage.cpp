// SPDX-License-Identifier: GPL-3.0-or-later
#include "cupsspool.h"
#include "memoryflexgrid.h"
#include "printerpage.h"

#include <QPrinter>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

using CupsSpool::run;

class TstPrinterPage : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    // Prints a receipt of lines numbered "Товар001" on.
    static PrintResult print(QPrinter &printer, int lines, int cols = 6)
    {
        MemoryFlexGrid grid(cols, 2);
        grid.setHeadings({"№", "Наименование товара", "Ед.", "Кол-во", "Цена", "Сумма"});
        QList<QStringList> rows;
        for (int i = 1; i <= lines; ++i)
            rows << QStringList{QString::number(i), QStringLiteral("Товар%1").arg(i, 3, 10, QChar('0')), "шт", "1", "2", "2"};
        grid.setLines(rows);
        return printReceipt(printer, {"ООО Ромашка", "41", "06.12.2026", "123,50", "сто двадцать три рубля", "Иванова"}, grid);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        if (QStandardPaths::findExecutable("pdftotext").isEmpty())
            QSKIP("pdftotext, pdfinfo and pdffonts are missing: install poppler-utils (scripts/deps.sh test)");
    }

    void printsToPdf_data()
    {
        QTest::addColumn<int>("lines");
        QTest::addColumn<int>("pages");
        QTest::newRow("3 lines -> 1 sheet") << 3 << 1;
        QTest::newRow("60 lines -> 2 sheets") << 60 << 2;
    }

    void printsToPdf()
    {
        QFETCH(int, lines);
        QFETCH(int, pages);
        const QString pdf = m_dir.filePath(QStringLiteral("%1.pdf").arg(lines));
        const PrintResult result = print(*newPdfPrinter(pdf), lines);
        QVERIFY2(result.ok && result.pages == pages, qPrintable(result.reason));
        const QString info = run("pdfinfo", {pdf}), fonts = run("pdffonts", {pdf});
        QVERIFY2(info.contains(QRegularExpression(QStringLiteral("Pages:\\s+%1\\n").arg(pages))) && info.contains("(A4)"), qPrintable(info));
        QVERIFY2(fonts.contains(QRegularExpression("LiberationSerif-Bold\\s.*\\syes\\s")) && !fonts.contains("Sans"), qPrintable(fonts));

        // The texts in reading order, every line once, the heading row atop both sheets.
        const QString heading = " № Наименование товара Ед. Кол-во Цена Сумма";
        QString expected = "ООО Ромашка ТОВАРНЫЙ ЧЕК № 41 от 06.12.2026" + heading;
        for (int i = 1; i <= lines; ++i)
            expected += (i == 47 ? heading : QString()) + QStringLiteral(" %1 Товар%2 шт 1 2 2").arg(i).arg(i, 3, 10, QChar('0'));
        expected += " ИТОГО: 123,50 ИТОГО на сумму: сто двадцать три рубля Продавец Иванова Подпись _______________ МП";
        QCOMPARE(run("pdftotext", {"-layout", pdf, "-"}).simplified(), expected);

        // Word boxes in points (twips / 20): a text's position is the top-left corner of its first letter.
        const auto corner = [boxes = run("pdftotext", {"-bbox", pdf, "-"})](const QString &word) {
            const QRegularExpressionMatch m = QRegularExpression(QString(R"re(xMin="([\d.]+)" yMin="([\d.]+)"[^>]*>%1<)re").arg(word)).match(boxes);
            return QPointF(m.captured(1).toDouble(), m.captured(2).toDouble());
        };
        const QPointF cell = corner("Товар002"), caption = corner("на"), words = corner("сто"); // Товар002: column 1, slot 4
        QVERIFY2(qAbs(cell.x() - 12.2 * 119 / 20) < 1 && qAbs(cell.y() - 4.1 * 337 / 20) < 1.5, qPrintable(QString("%1 %2").arg(cell.x()).arg(cell.y())));
        // The words go on the line under their caption, from the left edge behind nine blanks.
        QVERIFY(words.y() > caption.y() + 8 && words.y() < caption.y() + 16 && words.x() < 30);
    }

    void failuresAreReported()
    {
        // An unwritable file; a printer that cannot start a second sheet (no half-made file is left);
        // a grid that cannot be laid out (no file is begun); and what Qt makes of the default printer
        // when no print system answers, a PDF printer with no file, which is no printer at all.
        struct OneSheetPrinter : QPrinter { bool newPage() override { return false; } } oneSheet;
        oneSheet.setOutputFileName(m_dir.filePath("half.pdf"));
        QPrinter silent;
        silent.setOutputFormat(QPrinter::PdfFormat);
        const PrintResult results[] = {print(*newPdfPrinter(m_dir.filePath("no/such/dir/receipt.pdf")), 3), print(oneSheet, 60),
                                       print(*newPdfPrinter(m_dir.filePath("never.pdf")), 3, 1), print(silent, 3)};
        for (const PrintResult &result : results)
            QVERIFY(!result.ok && !result.reason.isEmpty() && result.noPrinter == (&result == &results[3]));
        QVERIFY2(results[0].reason.contains("receipt.pdf"), qPrintable(results[0].reason));
        QVERIFY(!QFile::exists(m_dir.filePath("half.pdf")) && !QFile::exists(m_dir.filePath("never.pdf")));
    }
};

QTEST_MAIN(TstPrinterPage)
#include "tst_printerpage.moc"
