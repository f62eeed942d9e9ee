// SPDX-License-Identifier: GPL-3.0-or-later
#include "cupsspool.h"
#include "printerpage.h"
#include "textgrid.h"

#include <QPrinter>
#include <QPrinterInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QUuid>
#include <QtTest>

using CupsSpool::run;

class TstPrinterPage : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    // Prints a receipt of lines numbered "Товар001" on.
    static PrintResult print(QPrinter &printer, int lines, int cols = 6, const QString &header = "ООО Ромашка")
    {
        QList<QStringList> rows;
        for (int i = 1; i <= lines; ++i)
            rows << QStringList{QString::number(i), QStringLiteral("Товар%1").arg(i, 3, 10, QChar('0')), "шт", "1", "2", "2"};
        const TextGrid grid(QStringList({"№", "Наименование товара", "Ед.", "Кол-во", "Цена", "Сумма"}).mid(0, cols), rows);
        return printReceipt(printer, {header, "41", "06.12.2026", "123,50", "сто двадцать три рубля", "Иванова"}, grid);
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

        // Blanks copy out as blanks: the fonts' Unicode maps give no glyph the code of a tab.
        const QString unpacked = m_dir.filePath("unpacked.pdf");
        run("mutool", {"clean", "-d", pdf, unpacked});
        QFile file(unpacked);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QString codes;
        for (const QRegularExpressionMatch &m : QRegularExpression("(?m)^<[0-9A-F]{4}> <[0-9A-F]{4}> (.*)$").globalMatch(QString::fromLatin1(file.readAll())))
            codes += m.captured(1);
        QVERIFY2(codes.contains("<0441>") && !codes.contains("<0009>"), qPrintable(codes));
        for (const QString &text : {run("pdftotext", {"-raw", pdf, "-"}), run("mutool", {"draw", "-F", "txt", pdf})})
            QVERIFY2(text.contains("ИТОГО на сумму:") && text.contains("сто двадцать три рубля") && !text.contains('\t'), qPrintable(text));
    }

    void staysInsideThePrintableArea()
    {
        // A queue that cannot print within 12 pt of the sides, 14 pt of the top and 17 pt of the bottom.
        const QString queue = QPrinterInfo::defaultPrinter().printerName() + "-margins";
        if (const QString unavailable = CupsSpool::unavailableReason(); !unavailable.isEmpty())
            QSKIP(qPrintable(unavailable));
        if (QPrinterInfo::printerInfo(queue).isNull())
            QSKIP(qPrintable("No queue " + queue + " with margins: run scripts/cups-setup.sh as root"));
        QPrinter printer(QPrinter::HighResolution);
        printer.setPrinterName(queue);
        const QString token = QUuid::createUuid().toString(QUuid::Id128).left(12);
        const QStringList before = CupsSpool::documents();
        QVERIFY(print(printer, 60, 6, token).ok);
        const QString document = CupsSpool::waitForDocument(before, token, queue);
        QVERIFY2(!document.isEmpty(), "the job did not reach the queue or did not complete");

        // Every word of both sheets inside the printable area (a word's box is its font's, a little taller
        // than its letters), and the seller line at its top.
        const QString boxes = run("pdftotext", {"-bbox", document, "-"});
        const QRegularExpression box(R"re(xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)<)re");
        int words = 0;
        for (const QRegularExpressionMatch &m : box.globalMatch(boxes)) {
            const QRectF word(QPointF(m.captured(1).toDouble(), m.captured(2).toDouble()), QPointF(m.captured(3).toDouble(), m.captured(4).toDouble()));
            QVERIFY2(QRectF(11.5, 13.5, 583 - 11, 825 - 13).contains(word), qPrintable(m.captured(5)));
            ++words;
        }
        QVERIFY(words > 300 && boxes.count("<page ") == 2);
        QVERIFY2(boxes.contains(QRegularExpression(R"re(yMin="1[3-5]\.\d*"[^>]*>)re" + token)), qPrintable(boxes.left(2000)));
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
