// SPDX-License-Identifier: GPL-3.0-or-later
#include "cupsspool.h"
#include "frmselvaro.h"
#include "messagebox.h"
#include "printcommand.h"
#include "receiptlayout.h"
#include "tableflexgrid.h"
#include "xvfb.h"

#include <QAction>
#include <QDir>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QUuid>

class tst_Printing : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<FrmSelvaro> m_window;
    QString m_suggested;  // the file name offered for a PDF

    QByteArray numberFile() const
    {
        QFile file(m_dir->filePath("numch.txt"));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : "<missing>";
    }
    // A receipt of two lines whose second price is still being typed when it is printed, under a stale total.
    void open()
    {
        m_window = std::make_unique<FrmSelvaro>(StatePlaces{m_dir->path(), m_dir->filePath("user")},
                                                QLocale(QLocale::Russian, QLocale::Russia));
        m_window->show();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
        m_window->TextN()->setText("41");
        m_window->TextFIO()->setText("Иванова");
        m_window->Text7()->setText("450");
        m_window->Text4()->setPlainText("четыреста пятьдесят рублей");
        m_window->CmdAddS()->click();
        TableFlexGrid *grid = m_window->MSFGAZ();
        const QStringList cells = {"1", "Гвозди", "кг", "2.5", "180", "2", "Шурупы", "уп", "3", ""};
        for (int i = 0; i < 10; ++i)
            grid->setTextMatrix(1 + i / 5, i % 5, cells[i]);
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(grid->model()->index(1, 4)).center());
        QTest::keyClicks(m_window->txtDataEntry(), "2.5");
    }
    // The PDF document was made, and its text holds every piece of pieces (joined by "|").
    static void verifyText(const QString &document, const QString &pieces)
    {
        QVERIFY2(!document.isEmpty(), "the job did not reach the default queue or did not complete");
        const QString text = CupsSpool::run("pdftotext", {"-layout", document, "-"}).simplified();
        for (const QString &piece : pieces.split(u'|'))
            QVERIFY2(text.contains(piece), qPrintable(piece + " not in: " + text));
    }
    // The PDF saved holds the receipt numbered number, with the pending edit, its line sum and the total with
    // its words counting it; then TextN holds next and the last cell of the last line is current.
    void verifyPrinted(const QString &number, const QString &next)
    {
        const QString date = receiptDate(QDate::currentDate(), QLocale(QLocale::Russian, QLocale::Russia));
        verifyText(m_dir->filePath("receipt.pdf"), QString("ТОВАРНЫЙ ЧЕК № %1 от %2|Гвозди кг 2.5 180 450|Шурупы уп 3 2.5 7,5|ИТОГО: 457,50|"
                                                           "ИТОГО на сумму: четыреста пятьдесят семь рублей пятьдесят копеек|Продавец Иванова Подпись").arg(number, date));
        const TableFlexGrid *grid = m_window->MSFGAZ();
        QCOMPARE(QStringLiteral("%1 at %2,%3").arg(m_window->TextN()->text()).arg(grid->Row()).arg(grid->Col()) +
                     (m_window->txtDataEntry()->isVisible() ? " editing" : ""), next + " at 2,5");
    }
    // Every word of name on the page between the rules of its column (10 and 46 units of 119 twips), on
    // more than one line.
    static void nameInItsColumn(const QString &document, const QString &name)
    {
        const QString boxes = CupsSpool::run("pdftotext", {"-bbox", document, "-"});
        QSet<QString> lines;
        for (const QString &word : name.split(' ')) {
            const QRegularExpressionMatch m = QRegularExpression(R"re(xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)"[^>]*>)re" + word + '<').match(boxes);
            QVERIFY2(m.hasMatch() && m.captured(1).toDouble() > 10 * 5.95 && m.captured(3).toDouble() < 46 * 5.95, qPrintable(word + ": " + m.captured()));
            lines << m.captured(2);
        }
        QVERIFY(lines.size() > 1);
    }
    void trigger(const char *action) { m_window->CmdPrint()->findChild<QAction *>(action)->trigger(); }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        MessageBox::setDefaultAnswer(MessageBox::Cancel);
        MessageBox::takeShown();
        PrintCommand::setDialogRunner([](QDialog &) { return int(QDialog::Rejected); });
        PrintCommand::setSaveFileNameChooser([this](QWidget *, const QString &, const QString &path) {
            m_suggested = QFileInfo(path).fileName();
            return m_dir->filePath("receipt");  // the suffix is added
        });
    }
    void cleanup() { m_window.reset(); }

    // A whole receipt made without the mouse on a real X server, at full speed: three lines typed with Enter
    // and Tab only, a name wider than its column, the total reached with Ctrl+Tab and a quantity changed
    // after it, the seller's name, Ctrl+P. On the page spooled on the default queue the sums, the total and
    // its words agree.
    void keyboardOnlyReceipt()
    {
        const Xvfb server;
        if (const QString unavailable = CupsSpool::unavailableReason() + server.unavailableReason(); !unavailable.isEmpty())
            QSKIP(qPrintable(unavailable));
        // A copy of the program keeps its state files beside it, here.
        const QString program = m_dir->filePath("selvaro");
        QVERIFY(QFile::copy(SELVARO_EXECUTABLE, program));
        QProcess selvaro;
        QProcessEnvironment env = server.environment();
        env.insert("LC_ALL", "C.UTF-8");
        selvaro.setProcessEnvironment(env);
        selvaro.start(program);
        QVERIFY(selvaro.waitForStarted());
        const QString window = server.xdotool({"search", "--sync", "--onlyvisible", "--pid", QString::number(selvaro.processId())});
        QVERIFY(!window.isEmpty());
        server.xdotool({"windowfocus", "--sync", window});
        const QString token = QUuid::createUuid().toString(QUuid::Id128).left(12);
        const QString name = "Samorezy krovelnye ocinkovannye s press shaiboi i uplotnitelem upakovka dvesti pyatdesyat shtuk";
        const QString keys = "\t77\t\r1\t" + name + "\tkg\t2\t3.5\r2\tscrews\tpc\t3\t1.5\r3\tsoap\tpc\t1\t10";
        const QStringList before = CupsSpool::documents();
        server.xdotool(QStringList({"key", "--delay", "0"}) + Xvfb::keyNames(keys) +
                       QStringList({"ctrl+Tab", "shift+Tab", "Left", "3", "Return", "ctrl+Tab", "Tab", "Tab"}) +
                       Xvfb::keyNames("petrova " + token) + QStringList("ctrl+p"));
        const QString document = CupsSpool::waitForDocument(before, token);
        selvaro.terminate();
        selvaro.waitForFinished();
        verifyText(document, QString("ТОВАРНЫЙ ЧЕК № 77|kg 2 3.5 7|2 screws pc 3 1.5 4.5|3 soap pc 3 10 30|"
                                     "ИТОГО: 41.50|сорок один рубль пятьдесят копеек|Продавец petrova %1").arg(token));
        nameInItsColumn(document, name);
        QCOMPARE(numberFile(), "78\r\n");
    }

    void noPrinterOffersPdf()
    {
        const char nowhere[] = "/nonexistent/cups.sock";
        if (const QByteArray server = qgetenv("CUPS_SERVER"); server != nowhere) {
            // The print system is looked up once per process: run this in a child whose print system is nowhere.
            qputenv("CUPS_SERVER", nowhere);
            const int exitCode = QProcess::execute(QCoreApplication::applicationFilePath(), {"noPrinterOffersPdf"});
            server.isNull() ? void(qunsetenv("CUPS_SERVER")) : void(qputenv("CUPS_SERVER", server));
            QCOMPARE(exitCode, 0);
            return;
        }
        // Ctrl+P prints as the button does; declining the PDF leaves the number as it was.
        open();
        QTest::keyClick(m_window.get(), Qt::Key_P, Qt::ControlModifier);
        const QList<MessageBox::Shown> shown = MessageBox::takeShown();
        QVERIFY(shown.size() == 1 && shown[0].text.contains("PDF"));
        QCOMPARE(shown[0].buttons, QList({MessageBox::SaveAsPdf, MessageBox::Cancel}));
        QCOMPARE(m_window->TextN()->text() + numberFile(), "41<missing>");
        MessageBox::setNextAnswer(MessageBox::SaveAsPdf);
        QTest::mouseClick(m_window->CmdPrint(), Qt::LeftButton);
        verifyPrinted("41", "42");
        QCOMPARE(numberFile(), "42\r\n");
    }

    // The menu of "Печать": a preview, and a printer dialog closed without printing, count nothing; a print
    // on the printer chosen in the dialog, from the preview or to a PDF counts.
    void printMenu()
    {
        open();
        QStringList menu;
        for (QAction *action : m_window->CmdPrint()->actions())
            menu << action->text();
        QCOMPARE(menu, QStringList({"Печать…", "Предварительный просмотр…", "Сохранить в PDF…", "Журнал чеков…", "Журнал на сервере…"}));
        QCOMPARE(m_window->CmdPrint()->contextMenuPolicy(), Qt::ActionsContextMenu);
        bool accept = false;
        PrintCommand::setDialogRunner([&](QDialog &dialog) {
            auto *preview = qobject_cast<QPrintPreviewDialog *>(&dialog);
            QPrinter *printer = preview ? preview->printer() : static_cast<QPrintDialog &>(dialog).printer();
            printer->setOutputFileName(m_dir->filePath("receipt.pdf"));
            if (preview && accept)
                emit preview->paintRequested(printer);
            return accept ? int(QDialog::Accepted) : int(QDialog::Rejected);
        });
        trigger("actPrintPreview");
        trigger("actPrintDialog");
        QCOMPARE(m_window->TextN()->text() + numberFile(), "41<missing>");
        accept = true;
        trigger("actPrintDialog");
        verifyPrinted("41", "42");
        trigger("actPrintPreview");
        verifyPrinted("42", "43");
        trigger("actSavePdf");
        verifyPrinted("43", "44");
        QVERIFY2(m_suggested.startsWith("Товарный чек № 43"), qPrintable(m_suggested));

        // A number that is not one: the seller is told before anything is printed and may cancel; printed
        // anyway, it stays. A number file that cannot be written is told, the number still goes up.
        m_window->TextN()->setText("б/н");
        QVERIFY(QFile::remove(m_dir->filePath("receipt.pdf")));
        trigger("actSavePdf");
        QVERIFY(!QFile::exists(m_dir->filePath("receipt.pdf")));
        MessageBox::setNextAnswer(MessageBox::PrintAnyway);
        trigger("actSavePdf");
        verifyPrinted("б/н", "б/н");
        QCOMPARE(numberFile(), "44\r\n");
        const QList<MessageBox::Shown> warned = MessageBox::takeShown();
        QVERIFY(warned.size() == 2 && warned[1].text.contains("«б/н» не число"));
        QCOMPARE(warned[1].buttons, QList({MessageBox::PrintAnyway, MessageBox::Cancel}));
        m_window->TextN()->setText("44");
        QVERIFY(QFile::remove(m_dir->filePath("numch.txt")) && QDir().mkpath(m_dir->filePath("numch.txt")));
        trigger("actSavePdf");
        verifyPrinted("44", "45");
        const QList<MessageBox::Shown> shown = MessageBox::takeShown();
        QVERIFY(shown.size() == 1 && shown[0].text.contains(m_dir->filePath("numch.txt")));
    }
};

QTEST_MAIN(tst_Printing)
#include "tst_printing.moc"
