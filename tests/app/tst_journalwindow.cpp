// SPDX-License-Identifier: GPL-3.0-or-later
#include "cupsspool.h"
#include "frmselvaro.h"
#include "journalrecorder.h"
#include "journalserverdialog.h"
#include "journalsummaryview.h"
#include "journalwindow.h"
#include "messagebox.h"
#include "printcommand.h"
#include "journalsettings.h"
#include "tableflexgrid.h"
#include "testserver.h"

#include <QAction>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QCheckBox>
#include <QDateEdit>
#include <QDir>
#include <QLabel>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPrinterInfo>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

// The receipt window's journal: what a print records, the draft kept at closing, the journal window, and the
// dialog that puts the journal on a server.
class tst_JournalWindow : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<FrmSelvaro> m_window;
    QString m_pdf;  // the file the next PDF goes to

    void open()
    {
        m_window = std::make_unique<FrmSelvaro>(StatePlaces{m_dir->path(), m_dir->filePath("user")},
                                                QLocale(QLocale::Russian, QLocale::Russia));
        m_window->show();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    }
    // Fills the window with a receipt whose lines are cells, "|" between cells, "/" between lines.
    void type(const QString &number, const QString &lines)
    {
        m_window->TextN()->setText(number);
        m_window->TextFIO()->setText("Иванова");
        QList<JournalLine> typed;
        for (const QString &line : lines.split('/')) {
            const QStringList c = line.split('|');
            typed << JournalLine{c[0], c[1], c[2], c[3], c[4], c.value(5)};
        }
        m_window->journalRecorder()->putLines(typed);
    }
    QString gridText() const
    {
        QStringList rows;
        const TableFlexGrid *grid = m_window->MSFGAZ();
        for (int r = 1; r < grid->Rows(); ++r) {
            QStringList cells;
            for (int c = 0; c < grid->Cols(); ++c)
                cells << grid->TextMatrix(r, c);
            rows << cells.join('|');
        }
        return rows.join('/');
    }
    void savePdf(const QString &file)
    {
        m_pdf = file;
        m_window->CmdPrint()->findChild<QAction *>("actSavePdf")->trigger();
    }
    Journal *journal() { return m_window->journalRecorder()->journal(); }
    QList<JournalRow> rows() { return journal()->rows({}, 0, 100); }
    JournalWindow *journalWindow()
    {
        QTest::keyClick(m_window.get(), Qt::Key_J, Qt::ControlModifier);
        JournalWindow *window = m_window->journalRecorder()->journalWindow();
        return window && window->isVisible() ? window : nullptr;
    }
    static QString pdfText(const QString &file) { return CupsSpool::run("pdftotext", {"-layout", file, "-"}); }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        MessageBox::setDefaultAnswer(MessageBox::Cancel);
        MessageBox::takeShown();
        PrintCommand::setSaveFileNameChooser([this](QWidget *, const QString &, const QString &) { return m_pdf; });
    }
    void cleanup() { m_window.reset(); }

    // What the window holds at closing comes back at the next start, unless it was printed as it stands.
    void draft_data()
    {
        QTest::addColumn<bool>("print");
        QTest::addColumn<QString>("edit");  // typed into line 1, column 1 after the print
        QTest::addColumn<QString>("restored");
        QTest::newRow("unprinted -> restored") << false << "" << "1|Гвозди|кг|2|180|360/2|Клей||1|50|50 Иванова";
        QTest::newRow("printed -> none") << true << "" << "||||| ";
        QTest::newRow("printed, then changed -> restored") << true << "Шурупы" << "1|Шурупы|кг|2|180|360/2|Клей||1|50|50 Иванова";
    }
    void draft()
    {
        QFETCH(bool, print);
        QFETCH(QString, edit);
        QFETCH(QString, restored);
        open();
        type("41", "1|Гвозди|кг|2|180|360/2|Клей||1|50|50");
        if (print)
            savePdf(m_dir->filePath("41.pdf"));
        if (!edit.isEmpty())
            m_window->MSFGAZ()->setTextMatrix(1, 1, edit);
        m_window->CmdExit()->click();
        QVERIFY(!m_window->isVisible());
        open();
        QCOMPARE(gridText() + ' ' + m_window->TextFIO()->text(), restored);
        QCOMPARE(m_window->TextN()->text(), print ? "42" : "41");
        QCOMPARE(MessageBox::takeShown().size(), 0);
    }

    // A journal that cannot be opened is told at the start and at each print; printing still counts.
    void unopenableJournal()
    {
        QVERIFY(QDir(m_dir->path()).mkpath("journal.sqlite"));
        open();
        QList<MessageBox::Shown> shown = MessageBox::takeShown();
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown[0].text.contains(QDir::toNativeSeparators(m_dir->filePath("journal.sqlite"))), qPrintable(shown[0].text));
        type("41", "1|Гвозди|кг|2|180|360");
        MessageBox::setNextAnswer(MessageBox::SaveAsPdf);  // the receipt kept as a PDF as well
        savePdf(m_dir->filePath("41.pdf"));
        shown = MessageBox::takeShown();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0].buttons, QList({MessageBox::SaveAsPdf, MessageBox::Ok}));
        QCOMPARE(m_window->TextN()->text(), "42");
        QVERIFY(pdfText(m_dir->filePath("41.pdf")).contains("ТОВАРНЫЙ ЧЕК № 41"));
    }

    // Every print that counts is recorded with what was printed, a failed one not at all. A receipt
    // found by a goods word and copied is the original page again; a sample fills the window's grid,
    // asking first.
    void recordCopyAndSample()
    {
        open();
        type("41", "1|Гвозди|кг|2.5|180|450/2|||||");
        m_window->TxtClish()->setText("ИП Петров");
        savePdf(m_dir->filePath("missing/41.pdf"));
        QCOMPARE(MessageBox::takeShown().size(), 1);
        QCOMPARE(rows().size(), 0);
        savePdf(m_dir->filePath("41.pdf"));
        QCOMPARE(rows().size(), 1);
        const JournalReceipt r = *journal()->receipt(rows().value(0).id);
        QCOMPARE(QStringList({r.number, r.datePrinted, r.sellerHeader, r.sellerName, r.total, QString::number(*r.totalKopecks),
                              r.words, r.issuedTo, QString::number(r.lines.size()), r.lines[0].name, r.lines[0].sum}),
                 QStringList({"41", receiptDate(QDate::currentDate(), m_window->locale()), "ИП Петров", "Иванова", "450",
                              "45000", m_window->Text4()->toPlainText(), "pdf:" + QDir::toNativeSeparators(m_dir->filePath("41.pdf")),
                              "2", "Гвозди", "450"}));
        QVERIFY(qAbs(r.issuedAt.secsTo(QDateTime::currentDateTime())) < 60);
        type("42", "1|Шурупы|уп|3|20|60");
        savePdf(m_dir->filePath("original.pdf"));
        JournalWindow *window = journalWindow();
        QVERIFY(window);
        for (QChar ch : QString("ШУРУП"))
            QTest::sendKeyEvent(QTest::Click, window->findChild<QLineEdit *>("search"), Qt::Key_unknown, QString(ch), {});
        QTRY_COMPARE(window->model()->rowCount(), 1);
        QTRY_COMPARE(window->selected() ? window->selected()->number : QString(), "42");
        m_pdf = m_dir->filePath("copy.pdf");
        window->findChild<QPushButton *>("savePdf")->click();
        QCOMPARE(pdfText(m_pdf), pdfText(m_dir->filePath("original.pdf")));
        const QList<JournalRow> listed = rows();
        QCOMPARE(listed.size(), 3);
        QCOMPARE(listed[0].copyOf, std::optional<qint64>(listed[1].id));
        QCOMPARE(m_window->TextN()->text(), "43");
        if (CupsSpool::unavailableReason().isEmpty()) { // a copy on the default queue is recorded as printed there
            window->findChild<QPushButton *>("printCopy")->click();
            const JournalReceipt copy = *journal()->receipt(rows().first().id);
            QCOMPARE(copy.issuedTo + ' ' + QString::number(*copy.copyOf), "printer:" + QPrinterInfo::defaultPrinterName() + ' ' + QString::number(listed[1].id));
        }

        type("43", "1|Клей||1|50|50");
        QPushButton *sample = window->findChild<QPushButton *>("fromSample");
        sample->click();  // declined
        QCOMPARE(gridText(), "1|Клей||1|50|50");
        MessageBox::setNextAnswer(MessageBox::Ok);
        sample->click();
        QCOMPARE(gridText() + ' ' + m_window->TextN()->text() + ' ' + m_window->Text7()->text(), "1|Шурупы|уп|3|20|60 43 60");
        QCOMPARE(MessageBox::takeShown().size(), 2);
    }

    // Two counters on one server. A number issued on the other is told before printing and the next
    // free one offered: refused, nothing is printed; taken, it is printed and recorded. With the server
    // away the print is told why and, as the seller chooses, kept on this computer; the next print after
    // the restart sends it up once, flagged in the journal window as the other counter issued its
    // number meanwhile.
    void twoCountersOnAServer()
    {
        TestServer::Cluster cluster;
        if (!cluster.started())
            QSKIP("A PostgreSQL cluster of the test's own did not start (scripts/pg-setup.sh)");
        QTemporaryDir other;
        const StatePlaces otherPlaces{other.path(), other.filePath("user")};
        for (const QString &dir : {stateDirectory({m_dir->path(), m_dir->filePath("user")}), stateDirectory(otherPlaces)})
            QVERIFY(writeJournalSettings(dir, {"postgresql", cluster.server()}));
        FrmSelvaro counter(otherPlaces, QLocale(QLocale::Russian, QLocale::Russia));
        const auto otherPrints = [&](const QString &number) { // its one line empty: no goods name to search for
            counter.TextN()->setText(number);
            m_pdf = other.filePath(number + ".pdf");
            counter.CmdPrint()->findChild<QAction *>("actSavePdf")->trigger();
        };
        otherPrints("41");
        open();
        type("41", "1|Гвозди|кг|2|180|360");
        MessageBox::takeShown();
        savePdf(m_dir->filePath("refused.pdf"));  // answered Cancel
        QVERIFY(!QFile::exists(m_dir->filePath("refused.pdf")));
        QCOMPARE(m_window->TextN()->text(), "41");
        MessageBox::setNextAnswer(MessageBox::PrintAnyway);
        savePdf(m_dir->filePath("42.pdf"));
        QList<MessageBox::Shown> shown = MessageBox::takeShown();
        QCOMPARE(shown.size(), 2);
        QVERIFY2(shown[1].text.contains("№ 41 уже выдан") && shown[1].text.contains("42"), qPrintable(shown[1].text));
        QVERIFY(pdfText(m_dir->filePath("42.pdf")).contains("ТОВАРНЫЙ ЧЕК № 42"));
        QCOMPARE(m_window->TextN()->text(), "43");

        QVERIFY(cluster.stop());
        savePdf(m_dir->filePath("cancelled.pdf"));  // answered Cancel
        MessageBox::setNextAnswer(MessageBox::PrintAnyway);
        savePdf(m_dir->filePath("43.pdf"));
        shown = MessageBox::takeShown();
        QCOMPARE(shown.size(), 2);
        QVERIFY2(shown[1].text.contains("недоступен") && shown[1].text.contains(serverLocation(cluster.server())), qPrintable(shown[1].text));
        QVERIFY(!QFile::exists(m_dir->filePath("cancelled.pdf")) && QFile::exists(m_dir->filePath("43.pdf")));
        QCOMPARE(m_window->TextN()->text() + " " + QString::number(m_window->journalRecorder()->unsentCount()), "44 1");

        QVERIFY(cluster.start());
        otherPrints("43");
        savePdf(m_dir->filePath("44.pdf"));
        QCOMPARE(MessageBox::takeShown().size(), 0);
        JournalWindow *window = journalWindow();
        QVERIFY(window);
        QStringList listed;
        for (int row = 0; row < window->model()->rowCount(); ++row)
            listed << window->model()->index(row, 0).data().toString();
        QCOMPARE(listed.join(" / "), "44 / 43 (повтор номера) / 43 / 42 / 41");
        QVERIFY(!window->findChild<QPushButton *>("sendUnsent")->isVisible());
    }

    // «Итоги» of the chosen period: its figures exact, a bar a day holding the day's sum; «Экспорт CSV…»
    // writes the period, and a file that cannot be written is told in a box.
    void summaryAndExport()
    {
        open();
        QList<JournalReceipt> receipts;
        for (const auto &[day, total, kopecks] : {std::tuple{1, "0,01", 1}, {1, "1 000,00", 100000}, {3, "сто", -1}, {5, "2,50", 250}}) {
            const QDateTime at(QDate(2026, 3, day), QTime(10, 0));
            receipts.append({0, QString::number(day), at, "", "", "Иванова", total,
                             kopecks < 0 ? std::nullopt : std::optional<qint64>(kopecks), "", "", std::nullopt,
                             {{"1", "Гвозди", "кг", "1", total, total}}});
        }
        QVERIFY(journal()->recordAll(receipts));
        JournalWindow *window = journalWindow();
        QVERIFY(window);
        QList<QRect> placed; // every control in its place, none over another
        for (const char *name : {"search", "period", "dateFrom", "dateTo", "tabs", "exportCsv", "preview", "printCopy"}) {
            const QWidget *control = window->findChild<QWidget *>(name);
            const QRect at(control->mapTo(window, QPoint()), control->size());
            QVERIFY2(std::none_of(placed.cbegin(), placed.cend(), [&](const QRect &other) { return other.intersects(at); }), name);
            placed << at;
        }
        window->findChild<QDateEdit *>("dateFrom")->setDate({2026, 3, 1});
        window->findChild<QDateEdit *>("dateTo")->setDate({2026, 3, 4});
        window->findChild<QCheckBox *>("period")->setChecked(true);
        window->findChild<QTabWidget *>("tabs")->setCurrentIndex(1);
        QCOMPARE(window->findChild<QLabel *>("summaryFigures")->text(),
                 "Чеков: 3\nСумма: 1\u00a0000,01 руб.\nСредний чек: 500,01 руб.\nИтог не числом: 1 чек — не вошёл в сумму и средний чек");
        const auto *series = qobject_cast<QBarSeries *>(window->findChild<JournalSummaryView *>("summary")->chart()->series().value(0));
        QBarSet *bars = series ? series->barSets().value(0) : nullptr;
        QVERIFY(bars);
        QList<qreal> values;
        for (int i = 0; i < bars->count(); ++i)
            values << bars->at(i);
        QCOMPARE(values, QList<qreal>({1000.01, 0, 0, 0}));

        QString csv = m_dir->filePath("missing/march");
        JournalWindow::setCsvFileNameChooser([&](QWidget *, const QString &, const QString &) { return csv; });
        window->findChild<QPushButton *>("exportCsv")->click();
        QList<MessageBox::Shown> shown = MessageBox::takeShown();
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown[0].text.contains(QDir::toNativeSeparators(csv + ".csv")), qPrintable(shown[0].text));
        csv = m_dir->filePath("march");
        window->findChild<QPushButton *>("exportCsv")->click();
        JournalWindow::setCsvFileNameChooser({});
        QFile written(csv + ".csv");
        QVERIFY(written.open(QIODevice::ReadOnly));
        QCOMPARE(written.readAll().count("Гвозди"), 3);
        QCOMPARE(MessageBox::takeShown().size(), 0);
    }

    // Filled in as a seller would: the check tells why the server cannot be reached, naming it; OK
    // writes the server into selvaro.ini without the password, which is kept for this run only.
    void checkAndWrite()
    {
        JournalServerDialog dialog(m_dir->path());
        dialog.findChild<QCheckBox *>("onServer")->click();
        dialog.findChild<QSpinBox *>("port")->setValue(1);
        for (const auto &[name, text] : {std::pair("host", "127.0.0.1"), {"database", "магазин"}, {"user", "kassa"}, {"password", "секрет"}})
            dialog.findChild<QLineEdit *>(name)->setText(text);
        dialog.findChild<QPushButton *>("testConnection")->click();
        const QString result = dialog.findChild<QLabel *>("result")->text();
        QVERIFY2(result.contains("недоступен") && result.contains("127.0.0.1:1/магазин"), qPrintable(result));
        // A settings file that cannot be written is told, and the dialog stays open.
        QVERIFY(QDir(m_dir->path()).mkdir("selvaro.ini"));
        MessageBox::setDefaultAnswer(MessageBox::Ok);
        dialog.accept();
        const QList<MessageBox::Shown> shown = MessageBox::takeShown();
        QVERIFY(shown.size() == 1 && shown[0].text.contains("selvaro.ini") && dialog.result() != QDialog::Accepted);
        QVERIFY(QDir(m_dir->path()).rmdir("selvaro.ini"));
        dialog.accept();
        const JournalSettings written = readJournalSettings(m_dir->path());
        QCOMPARE(QStringList({written.driver, serverLocation(written.server), written.server.user, JournalServerDialog::runPassword()}),
                 QStringList({"postgresql", "127.0.0.1:1/магазин", "kassa", "секрет"}));
        QFile file(m_dir->filePath("selvaro.ini"));
        QVERIFY(file.open(QIODevice::ReadOnly) && !file.readAll().contains("секрет"));
    }
};

QTEST_MAIN(tst_JournalWindow)
#include "tst_journalwindow.moc"
