// SPDX-License-Identifier: GPL-3.0-or-later
#include "cupsspool.h"
#include "frmselvaro.h"
#include "journalrecorder.h"
#include "journalserverdialog.h"
#include "journalsettings.h"
#include "journalsummaryview.h"
#include "journalwindow.h"
#include "messagebox.h"
#include "numbertext.h"
#include "printcommand.h"
#include "receiptlayout.h"
#include "resizelayout.h"
#include "sealabledir.h"
#include "tableflexgrid.h"
#include "testserver.h"
#include "translations.h"
#include "twips.h"
#include "xvfb.h"

#include <QAccessible>
#include <QAction>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QCheckBox>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSpinBox>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QUuid>

#include <algorithm>
#include <optional>

namespace {

const QLocale comma(QLocale::Russian, QLocale::Russia);

struct EventCounter : QObject {
    EventCounter(QObject *on, QList<QEvent::Type> types) : types(std::move(types)) { on->installEventFilter(this); }
    bool eventFilter(QObject *, QEvent *event) override
    {
        count += types.contains(event->type());
        return false;
    }
    QList<QEvent::Type> types;
    int count = 0;
};

// One key event a character: QTest::keyClicks refuses Cyrillic.
void type(const QString &text)
{
    for (QChar ch : text)
        QTest::sendKeyEvent(QTest::Click, QApplication::focusWidget(), Qt::Key_unknown, QString(ch), {});
}

void key(Qt::Key key) { QTest::keyClick(QApplication::focusWidget(), key); }

void click(QWidget *widget, QPoint at = {}) { QTest::mouseClick(widget, Qt::LeftButton, {}, at); }

} // namespace

// The receipt window and its grid, printing from it, its journal with the journal's window, and the dialog
// that puts the journal on a server.
class tst_App : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<FrmSelvaro> m_window;
    TableFlexGrid *m_grid = nullptr;
    QLineEdit *m_editor = nullptr;  // txtDataEntry
    std::unique_ptr<TableFlexGrid> m_lone;  // a grid on its own
    QStringList m_events;  // the lone grid's, each with the current cell and the first cell of its line
    QString m_suggested;  // the file name offered for a PDF
    QString m_pdf;  // the file the next PDF goes to (a suffix is added when it has none)

    void open(const QLocale &locale = comma, const QString &dir = {}, const QString &user = {})
    {
        const QString place = dir.isEmpty() ? m_dir->path() : dir;
        m_window = std::make_unique<FrmSelvaro>(StatePlaces{place, user.isEmpty() ? place + "/user" : user}, locale);
        m_window->show();
        m_window->activateWindow();  // with no window manager to do it
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
        m_grid = m_window->MSFGAZ();
        m_editor = m_window->txtDataEntry();
    }
    // Records a receipt that sold each of names once, in the window's journal.
    void sell(const QStringList &names)
    {
        JournalReceipt sold{0, "1", QDateTime::currentDateTime(), "", "", "", "", std::nullopt, "", "", std::nullopt, {}};
        for (const QString &name : names)
            sold.lines.append({"", name, name.startsWith("Гвозди") ? "кг" : "шт", "1", name.startsWith("Гвозди") ? "5" : "300", ""});
        QVERIFY(m_window->journalRecorder()->journal()->record(sold));
    }
    // A grid on its own, of the lines "a", "b" and "c", its events logged.
    void openGrid()
    {
        m_events.clear();
        m_lone = std::make_unique<TableFlexGrid>();
        m_grid = m_lone.get();
        m_grid->resize(600, 300);
        m_grid->setTextMatrix(1, 0, "a");
        m_grid->AddItem("b");
        m_grid->AddItem("c");
        m_grid->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_grid));
        connect(m_grid, &TableFlexGrid::LeaveCell, m_grid, [this] { log("Leave"); });
        connect(m_grid, &TableFlexGrid::RowColChange, m_grid, [this] { log("Change"); });
        connect(m_grid, &TableFlexGrid::Click, m_grid, [this] { log("Click"); });
    }
    void log(const char *event)
    {
        const int row = m_grid->Row(), col = m_grid->Col();
        m_events << QStringLiteral("%1 %2,%3 %4").arg(event).arg(row).arg(col).arg(m_grid->TextMatrix(row, 0));
    }
    QPoint centre(int row, int col) const { return m_grid->visualRect(m_grid->model()->index(row - 1, col)).center(); }
    void clickCell(int row, int col) { click(m_grid->viewport(), centre(row, col)); }
    // "row:col text" of the current cell while the editor lies exactly over it with the focus.
    QString editing() const
    {
        const int row = m_grid->Row(), col = m_grid->Col();
        const bool over = m_editor->geometry() == m_grid->cellRect(row, col).translated(m_grid->pos());
        return m_editor->isVisible() && over && m_editor->hasFocus() ? QStringLiteral("%1:%2 %3").arg(row).arg(col).arg(m_editor->text())
                                                                     : QStringLiteral("not editing");
    }
    // The rows from first on (0: the headings), cells joined by "|", rows by " / ".
    QString rows(int first = 1) const
    {
        QStringList rows;
        for (int r = first; r < m_grid->Rows(); ++r) {
            QStringList cells;
            for (int c = 0; c < m_grid->Cols(); ++c)
                cells << m_grid->TextMatrix(r, c);
            rows << cells.join(u'|');
        }
        return rows.join(" / ");
    }

    QByteArray numberFile() const
    {
        QFile file(m_dir->filePath("numch.txt"));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : "<missing>";
    }
    // A receipt of two lines whose second price is still being typed when it is printed, under a stale total.
    void openFilled()
    {
        open();
        m_window->TextN()->setText("41");
        m_window->TextFIO()->setText("Иванова");
        m_window->Text7()->setText("450");
        m_window->Text4()->setPlainText("четыреста пятьдесят рублей");
        m_window->CmdAddS()->click();
        const QStringList cells = {"1", "Гвозди", "кг", "2.5", "180", "2", "Шурупы", "уп", "3", ""};
        for (int i = 0; i < 10; ++i)
            m_grid->setTextMatrix(1 + i / 5, i % 5, cells[i]);
        clickCell(2, 4);
        QTest::keyClicks(m_editor, "2.5");
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
        verifyText(m_dir->filePath("receipt.pdf"), QString("ТОВАРНЫЙ ЧЕК № %1 от %2|Гвозди кг 2.5 180 450|Шурупы уп 3 2.5 7,5|ИТОГО: 457,50|"
                                                           "ИТОГО на сумму: четыреста пятьдесят семь рублей пятьдесят копеек|Продавец Иванова Подпись")
                                                       .arg(number, receiptDate(QDate::currentDate(), comma)));
        QCOMPARE(QStringLiteral("%1 at %2,%3").arg(m_window->TextN()->text()).arg(m_grid->Row()).arg(m_grid->Col()) +
                     (m_editor->isVisible() ? " editing" : ""), next + " at 2,5");
    }
    void trigger(const char *action) { m_window->CmdPrint()->findChild<QAction *>(action)->trigger(); }
    // Fills the window with a receipt whose lines are cells, "|" between cells, "/" between lines.
    void fill(const QString &number, const QString &lines)
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
    void savePdf(const QString &file)
    {
        m_pdf = file;
        trigger("actSavePdf");
    }
    Journal *journal() { return m_window->journalRecorder()->journal(); }
    QList<JournalRow> recorded() { return journal()->rows({}, 0, 100); }
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
        PrintCommand::setDialogRunner([](QDialog &) { return int(QDialog::Rejected); });
        PrintCommand::setSaveFileNameChooser([this](QWidget *, const QString &, const QString &path) {
            m_suggested = QFileInfo(path).fileName();
            return m_pdf;
        });
        m_pdf = m_dir->filePath("receipt");
    }
    void cleanup()
    {
        m_window.reset();
        m_lone.reset();
    }

    // The controls with the names a screen reader gives them, and their texts in Russian.
    void opensAsCreatedAndReadable()
    {
        open();
        QStringList created;
        for (QWidget *control : m_window->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
            if (!control->isWindow()) // the list of goods offered to a name typed
                created << control->objectName() + ' ' + QAccessible::queryAccessibleInterface(control)->text(QAccessible::Name);
        created.sort();
        QCOMPARE(created, QStringList({"CmdAddS Добавить строку", "CmdDelS Удалить строку", "CmdExit Выход", "CmdPrint Печать",
            "CmdSaveg Правка записана", "Label1 ИТОГО на сумму:", "Label2 ТОВАРНЫЙ ЧЕК №", "Label3 Продавец", "Label4 Подпись",
            "Label5 МП", "Label6 ИТОГО", "MSFGAZ Строки чека", "Text4 ИТОГО на сумму:", "Text7 ИТОГО", "TextFIO Продавец",
            "TextN ТОВАРНЫЙ ЧЕК №", "TxtClish Строка продавца", "txtDataEntry Ввод в ячейку"}));
        QCOMPARE(rows(0) + m_window->windowTitle(), "№ |           Наименование товара                      | Ед.   |   Кол-во  |      Цена       |"
                                                    "            Сумма         / |||||Товарный чек");
        // Column 0 is 600 twips, the others fit their headings; the lines start right below the header row
        // of 400 twips.
        QVERIFY(m_grid->ColWidth(0) == 600 && m_grid->ColWidth(1) > m_grid->ColWidth(5) && m_grid->ColWidth(5) > m_grid->ColWidth(2));
        QVERIFY(qAbs(m_grid->RowHeight(0) - 400) < 15);
        QCOMPARE(m_grid->viewport()->y(), m_grid->horizontalHeader()->geometry().bottom() + 1);
        QCOMPARE(QApplication::focusWidget(), m_window->TxtClish());
        QVERIFY(!m_editor->isVisible() && !m_window->CmdSaveg()->isVisible());
        m_grid->setTextMatrix(1, 1, "Мыло");
        QCOMPARE(QList({m_grid->item(0, 1)->textAlignment(), int(m_window->Text7()->alignment()), int(m_window->TxtClish()->alignment())}),
                 QList<int>(3, Qt::AlignCenter));
        // Qt's own texts (standard buttons, the print and file dialogs) come out in Russian.
        QVERIFY(installQtTranslations(*qApp));
        QCOMPARE(QDialogButtonBox(QDialogButtonBox::Cancel).buttons().constFirst()->text(), "Отмена");
    }

    // The grid's own events. Mouse: Leave, Change, Click; keyboard and code: Leave, Change; the header row
    // is never current.
    void gridEventsInOrder()
    {
        openGrid();
        clickCell(2, 3);
        clickCell(2, 3);
        QTest::keyClick(m_grid, Qt::Key_Down);
        m_grid->moveTo(1, 5);
        m_grid->setRow(1);
        const QHeaderView *header = m_grid->horizontalHeader();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(header->sectionViewportPosition(2) + 5, 5));
        QTest::keyClick(m_grid, Qt::Key_Up);
        QVERIFY_THROWS_EXCEPTION(GridError, m_grid->moveTo(0, 0));
        QVERIFY_THROWS_EXCEPTION(GridError, m_grid->moveTo(4, 0));
        QCOMPARE(m_events, QStringList({"Leave 1,0 a", "Change 2,3 b", "Click 2,3 b", "Click 2,3 b", "Leave 2,3 b",
                                        "Change 3,3 c", "Leave 3,3 c", "Change 1,5 a"}));

        // A click's release queued behind its press is handled in the yield of the RowColChange handler; the
        // Click still waits for that handler.
        m_events.clear();
        connect(m_grid, &TableFlexGrid::RowColChange, m_grid, [this] {
            QCoreApplication::processEvents();
            log("Yielded");
        });
        const QPoint at = centre(3, 2);
        for (Qt::MouseButton down : {Qt::LeftButton, Qt::NoButton})
            QCoreApplication::postEvent(m_grid->viewport(), new QMouseEvent(down ? QEvent::MouseButtonPress : QEvent::MouseButtonRelease,
                                                                            at, m_grid->viewport()->mapToGlobal(at), Qt::LeftButton, down, {}));
        QCoreApplication::processEvents();
        QCOMPARE(m_events, QStringList({"Leave 1,5 a", "Change 3,2 c", "Yielded 3,2 c", "Click 3,2 c"}));
    }

    void typedReceipt_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::newRow("\",\" locale") << comma;
        QTest::newRow("\".\" locale") << QLocale::c();
    }
    void typedReceipt()
    {
        QFETCH(QLocale, locale);
        open(locale);
        auto local = [&](QString text) { return text.replace(u',', locale.decimalPoint()); };

        // Without the mouse: Tab and Enter go on to the next cell, past the sums, and after the last price
        // add a line; Up, Down and Shift+Tab go on where there is a cell to go to, and nowhere else. A key
        // move selects the cell's text, so typing replaces it; Esc puts it back.
        clickCell(1, 0);
        const QStringList typed = {"1", "Мыло", "шт", "1", "10.5", "2", "Гвозди", "кг", "2 шт", "1",
                                   "3", "Сода", "", "0.5", "12.35"};
        for (qsizetype i = 0; i < typed.size(); ++i) {
            type(typed[i]);
            key(i % 5 == 1 || i % 5 == 3 ? Qt::Key_Return : Qt::Key_Tab);
        }
        QCOMPARE(rows(), local("1|Мыло|шт|1|10.5|10,5 / 2|Гвозди|кг|2 шт|1|2 / 3|Сода||0.5|12.35|6,175 / |||||0"));
        QStringList trail;
        for (Qt::Key k : {Qt::Key_Backtab, Qt::Key_Up, Qt::Key_Up, Qt::Key_Up, Qt::Key_Backtab, Qt::Key_Down,
                          Qt::Key_Down, Qt::Key_Down, Qt::Key_Down, Qt::Key_Up}) {
            key(k);
            trail << editing();
        }
        type("9");
        trail << editing();
        key(Qt::Key_Escape);
        trail << editing() + ' ' + m_grid->TextMatrix(3, 3);
        QCOMPARE(trail.join(" | "), "3:4 12.35 | 2:4 1 | 1:4 10.5 | 1:4 10.5 | 1:3 1 | 2:3 2 шт | 3:3 0.5 | 4:3  | "
                                    "4:3  | 3:3 0.5 | 3:3 9 | not editing 0.5");
        // On the grid itself a typed character opens the editor with that character in it.
        clickCell(3, 3);
        key(Qt::Key_Escape);
        type("7");
        QCOMPARE(editing(), "3:3 7");

        // The pending "7" survives a new line and the focus leaving.
        click(m_window->CmdAddS());
        m_editor->setFocus();
        QCOMPARE(editing() + " / " + m_grid->TextMatrix(3, 3), "3:3 7 / 0.5");

        // The total, with the pending edit written back first, painted once added up however its painting
        // was held back meanwhile; the words once the focus leaves it.
        EventCounter paints(m_window->Text7(), {QEvent::Paint});
        click(m_window->Text7());
        QCOMPARE(m_window->Text7()->text() + m_window->Text4()->toPlainText(), local("98,95"));
        paints.count = 0;
        QTRY_VERIFY(paints.count > 0);
        click(m_window->TextFIO());
        QCOMPARE(m_window->Text4()->toPlainText(), "девяносто восемь рублей девяносто пять копеек");

        // An arrow key on the grid writes a pending edit back without showing the editor again; a click
        // writes back, blanks and all.
        m_window->CmdSaveg()->setEnabled(false);
        clickCell(3, 1);
        type("a");
        m_grid->setFocus();
        key(Qt::Key_Up);
        QVERIFY(!m_editor->isVisible() && m_window->CmdSaveg()->isEnabled());
        QCOMPARE(m_window->Text7()->text() + ' ' + m_window->Text4()->toPlainText(),
                 local("98,95 девяносто восемь рублей девяносто пять копеек"));
        clickCell(1, 1);
        type(" x ");
        clickCell(2, 0);
        QCOMPARE(rows(), local("1|Мыло x |шт|1|10.5|10,5 / 2|Гвозди|кг|2 шт|1|2 / 3|Содаa||7|12.35|86,45 / |||||0 / |||||0"));

        // " Удалить строку" takes the selected line with its pending edit, the first line while others
        // remain, never the last one, all silently.
        type("9");
        click(m_window->CmdDelS());
        QCOMPARE(rows() + editing(), local("1|Мыло x |шт|1|10.5|10,5 / 3|Содаa||7|12.35|86,45 / |||||0 / |||||0not editing"));
        QCOMPARE(m_window->Text7()->text(), local("96,95"));
        clickCell(1, 0);
        for (int i = 0; i < 4; ++i)
            click(m_window->CmdDelS());
        QCOMPARE(rows(), "|||||0");
        QCOMPARE(MessageBox::takeShown().size(), 0);
    }

    // A total of twenty digits is set small enough to be read whole, and is its own tooltip.
    void longTotalReadsWhole()
    {
        open();
        m_grid->setTextMatrix(1, 3, "12345678901234567890");
        m_grid->setTextMatrix(1, 4, "1");
        QLineEdit *total = m_window->Text7();
        click(total);
        QStyleOptionFrame frame;
        frame.initFrom(total);
        frame.lineWidth = total->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &frame, total);
        const int room = total->style()->subElementRect(QStyle::SE_LineEditContents, &frame, total).width() - 4;
        QVERIFY(QFontMetrics(total->font()).horizontalAdvance(total->text()) <= room);
        QCOMPARE(total->text() + " / " + total->toolTip(), "1,23456789012346E+19 / 1,23456789012346E+19");
    }

    void closing_data()
    {
        QTest::addColumn<QString>("blocked");  // what makes the save fail
        QTest::newRow("Выход -> saved") << "";
        QTest::newRow("Выход, read-only folder: Отмена, Повторить, Закрыть без сохранения -> nothing") << "read-only";
        QTest::newRow("close box, full disk: Отмена, space freed, Повторить -> saved") << "full";
    }
    void closing()
    {
        QFETCH(QString, blocked);
        const QString dir = m_dir->filePath("state");
        std::optional<SealableDir> sealable;
        if (!blocked.isEmpty())
            sealable.emplace(dir, "1m");
        if (const char *why = !sealable ? nullptr : blocked == "full" ? sealable->cannotFill() : sealable->cannotSeal())
            QSKIP(why);
        QVERIFY(QDir().mkpath(dir) && Finish(dir, "ИП Старый", "41").isEmpty());
        auto files = [&] {
            QByteArray bytes;
            for (const char *name : {"/clishr.txt", "/numch.txt"})
                if (QFile file(dir + name); file.open(QIODevice::ReadOnly))
                    bytes += name + file.readAll();
            return bytes;
        };
        const QByteArray old = files();
        open(comma, dir);
        m_window->TxtClish()->setText("ИП Новый");
        m_window->TextN()->setText("42");
        auto close = [&] { blocked == "full" ? void(m_window->close()) : click(m_window->CmdExit()); };
        if (sealable) {
            QVERIFY(blocked == "full" ? sealable->fill() : sealable->seal());
            MessageBox::setNextAnswer(MessageBox::Cancel);
            close();
            QVERIFY(m_window->isVisible());
            QCOMPARE(files(), old);
            if (blocked == "full") {
                MessageBox::setNextAnswer([&](const MessageBox::Shown &) {
                    return sealable->freeSpace() ? MessageBox::Retry : MessageBox::Cancel;
                });
            } else {
                MessageBox::setNextAnswer(MessageBox::Retry);  // still read-only: asked again
                MessageBox::setNextAnswer(MessageBox::CloseWithoutSaving);
            }
        }
        close();
        QVERIFY(!m_window->isVisible());
        const QList<MessageBox::Shown> shown = MessageBox::takeShown();
        QCOMPARE(shown.size(), blocked.isEmpty() ? 0 : blocked == "full" ? 2 : 3);
        if (!shown.isEmpty()) {
            QVERIFY2(shown[0].text.contains("clishr.txt") && shown[0].text.contains("numch.txt") &&
                         (blocked != "full" || shown[0].text.contains("Диск заполнен")), qPrintable(shown[0].text));
            QCOMPARE(shown[0].buttons, QList({MessageBox::Retry, MessageBox::CloseWithoutSaving, MessageBox::Cancel}));
        }
        const QByteArray saved = blocked == "read-only" ? old : "/clishr.txt\xc8\xcf \xcd\xee\xe2\xfb\xe9\r\n/numch.txt42\r\n";
        QCOMPARE(files(), saved);
        // Once per run: unloading again writes nothing.
        QVERIFY(blocked != "read-only" || sealable->unseal());
        m_window->TextN()->setText("43");
        QVERIFY(m_window->Form_Unload());
        QCOMPARE(files(), saved);
    }

    // Keys faster than any typist (a barcode scanner's stream, a cell skipped with a second Tab) reach their
    // cells in order, also while the line sums are recalculated and goods are offered for every name typed:
    // sent by xdotool at 0 ms on a real X server. Then the seller's name and Ctrl+P: the page spooled on the
    // default queue holds every line and the total with its words.
    void fastTypingArrivesWhole()
    {
        if (!qEnvironmentVariableIsSet("SELVARO_TEST_ON_XVFB")) {
            const Xvfb server;
            if (!server.unavailableReason().isEmpty())
                QSKIP(qPrintable(server.unavailableReason()));
            QProcess child;
            QProcessEnvironment env = server.environment();
            env.insert("SELVARO_TEST_ON_XVFB", "1");
            child.setProcessEnvironment(env);
            child.setProcessChannelMode(QProcess::MergedChannels);
            child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("fastTypingArrivesWhole")});
            QVERIFY(child.waitForFinished(240000));
            QVERIFY2(child.exitCode() == 0, child.readAll().constData());
            return;
        }
        open();
        m_grid->setFocus();
        // xdotool's key names. After the last line the total is made by keys and the quantity corrected back
        // in the grid; the line after it is left with Esc, and the grid moves on.
        QStringList stream = {"Return"}, expected, names, printed;
        double total = 0;
        for (int line = 1; line <= 30; ++line) {
            QStringList cells = {QString::number(line), QStringLiteral("46012345678%1").arg(line, 2, 10, QLatin1Char('0')),
                                 line % 2 ? "pc" : "", QString::number(line % 3 + 1), "12.5"};
            stream += Xvfb::keyNames(cells.join(u'\t') + (line < 30 ? "\r" : ""));
            names << cells[1];
            cells[3] = line < 30 ? cells[3] : "3";
            total += cells[3].toInt() * 12.5;
            cells << localeNumberText(cells[3].toInt() * 12.5, comma);
            expected << cells.join(u'|');
            printed << cells.filter(QRegularExpression(".")).join(u' ');
        }
        sell(names);
        const EventCounter listShown(m_window->findChild<QListWidget *>("goodsList"), {QEvent::Show});
        stream += {"ctrl+Tab", "shift+Tab", "Left", "3", "Return", "Return", "x", "Escape", "Right"};
        QProcess keys;
        keys.start("xdotool", QStringList({"key", "--delay", "0"}) + stream);
        QTRY_VERIFY_WITH_TIMEOUT(keys.state() == QProcess::NotRunning, 60000);
        QTRY_COMPARE_WITH_TIMEOUT(rows() + QStringLiteral(", %1 at %2:%3").arg(editing()).arg(m_grid->Row()).arg(m_grid->Col()),
                                  expected.join(" / ") + " / |||||0, not editing at 31:1", 60000);
        QVERIFY(listShown.count > 0);

        if (const QString unavailable = CupsSpool::unavailableReason(); !unavailable.isEmpty())
            QSKIP(qPrintable(unavailable));
        const QString token = QUuid::createUuid().toString(QUuid::Id128).left(12);
        const QStringList before = CupsSpool::documents();
        m_window->TextN()->setText("77");
        keys.start("xdotool", QStringList({"key", "--delay", "0", "ctrl+Tab", "Tab", "Tab"}) + Xvfb::keyNames("petrova " + token) +
                                  QStringList("ctrl+p"));
        verifyText(CupsSpool::waitForDocument(before, token),
                   (printed << "ИТОГО: " + m_window->Text7()->text() << m_window->Text4()->toPlainText()).join(u'|'));
        QCOMPARE(leadingNumber(m_window->Text7()->text(), comma), total);
    }

    // Goods sold before are offered as a name is typed. Esc closes the list and keeps the edit; a name
    // chosen by key or click fills the line's unit and price where they are empty; Enter with no name
    // chosen moves on with what was typed, as without the list.
    void goodsTypeAhead()
    {
        open();
        sell({"Гвозди 100 мм"});
        sell({"Гвозди 100 мм", "Гвоздодёр"});
        QListWidget *list = m_window->findChild<QListWidget *>("goodsList");
        m_grid->setTextMatrix(1, 4, "7");
        clickCell(1, 1);
        type("возд");
        QTRY_COMPARE(list->isVisible() ? list->count() : 0, 2);
        QCOMPARE(list->geometry().topLeft(), m_editor->mapToGlobal(QPoint(0, m_editor->height()))); // right under the name
        key(Qt::Key_Escape);
        QCOMPARE(QString::number(list->isVisible()) + editing(), "01:1 возд");
        key(Qt::Key_Backspace);
        QTRY_VERIFY(list->isVisible());
        key(Qt::Key_Down);
        key(Qt::Key_Return);
        QCOMPARE(QString::number(list->isVisible()) + editing(), "01:1 Гвозди 100 мм");
        key(Qt::Key_Return);
        QCOMPARE(editing(), "1:2 кг");

        m_window->CmdAddS_Click();
        clickCell(2, 1);
        type("ГВО");
        QTRY_VERIFY(list->isVisible());
        key(Qt::Key_Return);
        QCOMPARE(editing(), "2:2 ");
        clickCell(2, 1);
        type("з");
        QTRY_VERIFY(list->isVisible());
        click(list->viewport(), list->visualItemRect(list->item(1)).center());
        QCOMPARE(QString::number(list->isVisible()) + editing(), "02:1 Гвоздодёр");
        QCOMPARE(rows(), "|Гвозди 100 мм|кг||7|0 / |ГВО|шт||300|0");
    }

    // The editor moves with its cell when the grid scrolls, hidden while the cell is out of view, and what is
    // typed then goes into its own line. The keyboard reaches every control in order from top to bottom,
    // Ctrl+Tab leaves the grid, and the total is made by keyboard as by a click.
    void scrollingAndTheKeyboardOnly()
    {
        open();
        for (int i = 0; i < 11; ++i)
            m_window->CmdAddS()->click();
        m_grid->setTextMatrix(1, 4, "2");
        clickCell(1, 3);
        type("5");
        QScrollBar *wheel = m_grid->verticalScrollBar();
        wheel->setValue(wheel->maximum());
        QVERIFY(!m_editor->isVisible());
        type("0");
        QCOMPARE(editing() + ' ' + QString::number(wheel->value()), "1:3 50 0");
        wheel->setValue(3);
        wheel->setValue(0);
        QCOMPARE(editing(), "1:3 50");

        QStringList order;
        QTest::keyClick(m_editor, Qt::Key_Tab, Qt::ControlModifier);
        for (int i = 0; i < 10; ++i) {
            order << QApplication::focusWidget()->objectName();
            key(Qt::Key_Tab);
        }
        QCOMPARE(order.join(u' '), "Text7 Text4 TextFIO CmdAddS CmdDelS CmdPrint CmdExit TxtClish TextN MSFGAZ");
        QCOMPARE(m_window->Text7()->text() + ' ' + m_grid->TextMatrix(1, 3), "100 50");
        QTest::keyClick(m_grid, Qt::Key_Tab, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(QApplication::focusWidget(), m_window->TextN());
        m_grid->setTextMatrix(2, 3, "1");
        m_grid->setTextMatrix(2, 4, "3");
        m_window->Text7()->setFocus(Qt::MouseFocusReason);
        key(Qt::Key_Space);
        key(Qt::Key_End);
        QCOMPARE(m_window->Text7()->text() + ' ' + QString::number(m_window->Text7()->cursorPosition()), "103 3");

        // Keys handled while a key move recalculates: out to the total and back, the grid's keys are its own.
        clickCell(2, 3);
        for (const auto &[k, modifiers] : {std::pair(Qt::Key_Tab, Qt::ControlModifier), std::pair(Qt::Key_Backtab, Qt::ShiftModifier),
                                           std::pair(Qt::Key_Left, Qt::NoModifier), std::pair(Qt::Key_unknown, Qt::NoModifier)})
            QCoreApplication::postEvent(m_window->windowHandle(), new QKeyEvent(QEvent::KeyPress, k, modifiers, k == Qt::Key_unknown ? "7" : ""));
        key(Qt::Key_Tab);
        QCOMPARE(editing() + ' ' + m_window->Text7()->text(), "2:3 7 103");
    }

    void resizeMovesTheBottomBlock()
    {
        open();
        const Twips twips(*m_window);
        const int left = m_window->Text7()->x();
        auto layout = [&] { return QList({m_grid->width(), m_grid->height(), m_window->Text7()->x(), m_window->Text7()->y(),
                                          m_window->CmdExit()->y()}); };
        auto expected = [&] {
            auto fromBottom = [&](int up) { return twips.toPixelsY(m_window->ScaleHeight() - up); };
            return QList({twips.toPixelsX(m_window->ScaleWidth() - 850), fromBottom(4500), left, fromBottom(2900), fromBottom(700)});
        };
        const QSize larger = m_window->size() + QSize(150, 90);
        m_window->resize(larger);
        QTRY_COMPARE(m_window->size(), larger);
        QCOMPARE(layout(), expected());
        // Made smaller either way or both, it keeps the size it was created with in that direction.
        const QSize created(twips.toPixelsX(9150), twips.toPixelsY(6330));
        for (const QSize smaller : {QSize(400, larger.height()), QSize(larger.width(), 300), QSize(300, 200)}) {
            m_window->resize(smaller);
            QTRY_COMPARE(m_window->size(), smaller.expandedTo(created));
            QCOMPARE(layout(), expected());
        }
    }

    // The layout at the created client size; the minimum outer size is restored only when the window is
    // below 6810 x 9270 twips both ways.
    void layoutAndMinimumSize()
    {
        QStringList writes;
        for (const LayoutWrite &write : resizeLayout(9150, 6330))
            writes << QStringLiteral("%1.%2 = %3").arg(write.control, QStringList{"Width", "Height", "Top"}[int(write.property)])
                          .arg(write.value);
        QCOMPARE(writes, QStringList({"MSFGAZ.Width = 8300", "MSFGAZ.Height = 1830", "Text7.Top = 3430",
                                      "Label6.Top = 3430", "Text4.Top = 3950", "Label1.Top = 3950", "TextFIO.Top = 4830",
                                      "Label3.Top = 4830", "Label4.Top = 4830", "Label5.Top = 5130", "CmdAddS.Top = 5630",
                                      "CmdDelS.Top = 5630", "CmdPrint.Top = 5630", "CmdExit.Top = 5630"}));
        QCOMPARE(QList({needsMinimumSize(6809, 9269), needsMinimumSize(6810, 100), needsMinimumSize(100, 9270)}),
                 QList({true, false, false}));
    }

    // At exit the seller is told which characters of which box the files cannot hold, at each exit, and
    // where the files are kept once the program's folder cannot take them, only at the first such save.
    void toldAtExit_data()
    {
        QTest::addColumn<QString>("header");
        QTest::addColumn<QString>("number");
        QTest::addColumn<bool>("readOnly");  // the program's folder
        QTest::addColumn<QStringList>("told");  // at the first exit and at the second
        const QString lost = "Эти знаки нельзя сохранить в файле (кодировка Windows-1251), вместо них записан «?»:\n";
        QTest::newRow("Cyrillic and № -> nothing") << "ИП Ёлкин №1" << "№ 5" << false << QStringList{"", ""};
        QTest::newRow("✓ ★ 😀 in the header, ★ in the number -> both named, each exit")
            << "ИП ✓ Иванов ★✓ 😀" << "5★" << false
            << QStringList(2, lost + "В строке продавца: «✓», «★», «😀»\nВ номере чека: «★»");
        QTest::newRow("read-only folder -> where the files are now, once") << "ИП Иванов" << "5" << true
            << QStringList{"В папку программы «%app» нельзя записывать, поэтому строка продавца и номер чека теперь "
                           "хранятся в папке «%user».", ""};
    }
    void toldAtExit()
    {
        QFETCH(QString, header);
        QFETCH(QString, number);
        QFETCH(bool, readOnly);
        QFETCH(QStringList, told);
        const QString app = m_dir->filePath("app"), user = m_dir->filePath("user");
        SealableDir sealable(app, "1m");
        if (readOnly && (sealable.cannotSeal() || !sealable.seal()))
            QSKIP(sealable.cannotSeal());
        for (QString &text : told) {
            open(comma, app, user);
            m_window->TxtClish()->setText(header);
            m_window->TextN()->setText(number);
            m_window->close();
            const QList<MessageBox::Shown> shown = MessageBox::takeShown();
            QCOMPARE(shown.isEmpty() ? "" : shown.size() > 1 ? "more than one" : shown[0].text,
                     text.replace("%app", QDir::toNativeSeparators(app)).replace("%user", QDir::toNativeSeparators(user)));
        }
    }

    // A second start on the same files, while the first copy runs, says so and opens no window; once that
    // copy has been killed, its lock is taken over, and so is one left empty by a copy killed as it made it.
    void secondStartOnTheSameFiles()
    {
        const QString dir = m_dir->path(), program = dir + "/selvaro", lock = dir + "/selvaro.lock";  // its state files beside it
        QVERIFY(QFile::copy(SELVARO_BINARY, program));
        QProcess first;
        first.start(program);
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(lock).size() > 0, 30000);
        QVERIFY(!FrmSelvaro::openReceiptBook({dir, dir + "/user"}));
        const QList<MessageBox::Shown> shown = MessageBox::takeShown();
        QVERIFY(shown.size() == 1 && shown[0].text.startsWith("Книга чеков уже открыта"));
        first.kill();
        QVERIFY(first.waitForFinished());
        QVERIFY(QFile::exists(lock));
        QVERIFY(FrmSelvaro::openReceiptBook({dir, dir + "/user"}));
        QFile empty(lock);
        QVERIFY(empty.open(QIODevice::WriteOnly)
                && empty.setFileTime(QDateTime::currentDateTime().addSecs(-60), QFileDevice::FileModificationTime));
        empty.close();
        QVERIFY(FrmSelvaro::openReceiptBook({dir, dir + "/user"}));
        QCOMPARE(MessageBox::takeShown().size(), 0);
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
        openFilled();
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
        openFilled();
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

    // What the window holds at closing comes back at the next start, unless it was printed as it stands.
    void draft_data()
    {
        QTest::addColumn<bool>("print");
        QTest::addColumn<QString>("edit");  // typed into line 1, column 1 after the print
        QTest::addColumn<QString>("restored");
        QTest::newRow("unprinted -> restored") << false << "" << "1|Гвозди|кг|2|180|360 / 2|Клей||1|50|50 Иванова";
        QTest::newRow("printed -> none") << true << "" << "||||| ";
        QTest::newRow("printed, then changed -> restored") << true << "Шурупы" << "1|Шурупы|кг|2|180|360 / 2|Клей||1|50|50 Иванова";
    }
    void draft()
    {
        QFETCH(bool, print);
        QFETCH(QString, edit);
        QFETCH(QString, restored);
        open();
        fill("41", "1|Гвозди|кг|2|180|360/2|Клей||1|50|50");
        if (print)
            savePdf(m_dir->filePath("41.pdf"));
        if (!edit.isEmpty())
            m_window->MSFGAZ()->setTextMatrix(1, 1, edit);
        m_window->CmdExit()->click();
        QVERIFY(!m_window->isVisible());
        open();
        QCOMPARE(rows() + ' ' + m_window->TextFIO()->text(), restored);
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
        fill("41", "1|Гвозди|кг|2|180|360");
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
        fill("41", "1|Гвозди|кг|2.5|180|450/2|||||");
        m_window->TxtClish()->setText("ИП Петров");
        savePdf(m_dir->filePath("missing/41.pdf"));
        QCOMPARE(MessageBox::takeShown().size(), 1);
        QCOMPARE(recorded().size(), 0);
        savePdf(m_dir->filePath("41.pdf"));
        QCOMPARE(recorded().size(), 1);
        const JournalReceipt r = *journal()->receipt(recorded().value(0).id);
        QCOMPARE(QStringList({r.number, r.datePrinted, r.sellerHeader, r.sellerName, r.total, QString::number(*r.totalKopecks),
                              r.words, r.issuedTo, QString::number(r.lines.size()), r.lines[0].name, r.lines[0].sum}),
                 QStringList({"41", receiptDate(QDate::currentDate(), m_window->locale()), "ИП Петров", "Иванова", "450",
                              "45000", m_window->Text4()->toPlainText(), "pdf:" + QDir::toNativeSeparators(m_dir->filePath("41.pdf")),
                              "2", "Гвозди", "450"}));
        QVERIFY(qAbs(r.issuedAt.secsTo(QDateTime::currentDateTime())) < 60);
        fill("42", "1|Шурупы|уп|3|20|60");
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
        const QList<JournalRow> listed = recorded();
        QCOMPARE(listed.size(), 3);
        QCOMPARE(listed[0].copyOf, std::optional<qint64>(listed[1].id));
        QCOMPARE(m_window->TextN()->text(), "43");
        if (CupsSpool::unavailableReason().isEmpty()) { // a copy on the default queue is recorded as printed there
            window->findChild<QPushButton *>("printCopy")->click();
            const JournalReceipt copy = *journal()->receipt(recorded().first().id);
            QCOMPARE(copy.issuedTo + ' ' + QString::number(*copy.copyOf), "printer:" + QPrinterInfo::defaultPrinterName() + ' ' + QString::number(listed[1].id));
        }

        fill("43", "1|Клей||1|50|50");
        QPushButton *sample = window->findChild<QPushButton *>("fromSample");
        sample->click();  // declined
        QCOMPARE(rows(), "1|Клей||1|50|50");
        MessageBox::setNextAnswer(MessageBox::Ok);
        sample->click();
        QCOMPARE(rows() + ' ' + m_window->TextN()->text() + ' ' + m_window->Text7()->text(), "1|Шурупы|уп|3|20|60 43 60");
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
        fill("41", "1|Гвозди|кг|2|180|360");
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

QTEST_MAIN(tst_App)
#include "tst_app.moc"
