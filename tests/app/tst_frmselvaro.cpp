// SPDX-License-Identifier: GPL-3.0-or-later
#include "frmselvaro.h"
#include "journalrecorder.h"
#include "messagebox.h"
#include "numbertext.h"
#include "resizelayout.h"
#include "sealabledir.h"
#include "tableflexgrid.h"
#include "translations.h"
#include "twips.h"
#include "xvfb.h"

#include <QAccessible>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

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

class tst_FrmSelvaro : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<FrmSelvaro> m_window;
    TableFlexGrid *m_grid = nullptr;
    QLineEdit *m_editor = nullptr;  // txtDataEntry
    std::unique_ptr<TableFlexGrid> m_lone;  // a grid on its own
    QStringList m_events;  // the lone grid's, each with the current cell and the first cell of its line

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

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        MessageBox::setDefaultAnswer(MessageBox::Cancel);
        MessageBox::takeShown();
    }
    void cleanup()
    {
        m_window.reset();
        m_lone.reset();
    }

    // The controls with the names a screen reader gives them.
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
    }

    // A click's release queued behind its press is handled in the yield of the RowColChange handler; the
    // Click still waits for that handler.
    void clickWaitsForAYieldingRowColChange()
    {
        openGrid();
        connect(m_grid, &TableFlexGrid::RowColChange, m_grid, [this] {
            QCoreApplication::processEvents();
            log("Yielded");
        });
        const QPoint at = centre(3, 2);
        for (Qt::MouseButton down : {Qt::LeftButton, Qt::NoButton})
            QCoreApplication::postEvent(m_grid->viewport(), new QMouseEvent(down ? QEvent::MouseButtonPress : QEvent::MouseButtonRelease,
                                                                            at, m_grid->viewport()->mapToGlobal(at), Qt::LeftButton, down, {}));
        QCoreApplication::processEvents();
        QCOMPARE(m_events, QStringList({"Leave 1,0 a", "Change 3,2 c", "Yielded 3,2 c", "Click 3,2 c"}));
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
    // cells in order, also while the line sums are recalculated: sent by xdotool at 0 ms on a real X server.
    void fastTypingArrivesWhole_data()
    {
        QTest::addColumn<bool>("goods"); // the journal offers goods for every name typed
        QTest::newRow("xdotool at 0 ms on Xvfb") << false;
        QTest::newRow("xdotool at 0 ms on Xvfb, goods offered") << true;
    }
    void fastTypingArrivesWhole()
    {
        QFETCH(bool, goods);
        if (!qEnvironmentVariableIsSet("SELVARO_TEST_ON_XVFB")) {
            const Xvfb server;
            if (!server.unavailableReason().isEmpty())
                QSKIP(qPrintable(server.unavailableReason()));
            QProcess child;
            QProcessEnvironment env = server.environment();
            env.insert("SELVARO_TEST_ON_XVFB", "1");
            child.setProcessEnvironment(env);
            child.setProcessChannelMode(QProcess::MergedChannels);
            child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("fastTypingArrivesWhole:") + QTest::currentDataTag()});
            QVERIFY(child.waitForFinished(240000));
            QVERIFY2(child.exitCode() == 0, child.readAll().constData());
            return;
        }
        open();
        m_grid->setFocus();
        // xdotool's key names. After the last line the total is made by keys and the quantity corrected back
        // in the grid; the line after it is left with Esc, and the grid moves on.
        QStringList stream = {"Return"}, expected, names;
        for (int line = 1; line <= 30; ++line) {
            QStringList cells = {QString::number(line), QStringLiteral("46012345678%1").arg(line, 2, 10, QLatin1Char('0')),
                                 line % 2 ? "pc" : "", QString::number(line % 3 + 1), "12.5"};
            stream += Xvfb::keyNames(cells.join(u'\t') + (line < 30 ? "\r" : ""));
            names << cells[1];
            cells[3] = line < 30 ? cells[3] : "3";
            expected << cells.join(u'|') + '|' + localeNumberText(cells[3].toInt() * 12.5, comma);
        }
        if (goods)
            sell(names);
        const EventCounter listShown(m_window->findChild<QListWidget *>("goodsList"), {QEvent::Show});
        stream += {"ctrl+Tab", "shift+Tab", "Left", "3", "Return", "Return", "x", "Escape", "Right"};
        QProcess keys;
        keys.start("xdotool", QStringList({"key", "--delay", "0"}) + stream);
        QTRY_VERIFY_WITH_TIMEOUT(keys.state() == QProcess::NotRunning, 60000);
        QTRY_COMPARE_WITH_TIMEOUT(rows() + QStringLiteral(", %1 at %2:%3").arg(editing()).arg(m_grid->Row()).arg(m_grid->Col()),
                                  expected.join(" / ") + " / |||||0, not editing at 31:1", 60000);
        QCOMPARE(listShown.count > 0, goods);
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

    // Qt's own texts (standard buttons, the print and file dialogs) come out in Russian.
    void qtTextsInRussian()
    {
        QVERIFY(installQtTranslations(*qApp));
        QCOMPARE(QDialogButtonBox(QDialogButtonBox::Cancel).buttons().constFirst()->text(), "Отмена");
    }
};

QTEST_MAIN(tst_FrmSelvaro)
#include "tst_frmselvaro.moc"
