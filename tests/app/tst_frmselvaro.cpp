#include "frmselvaro.h"
#include "messagebox.h"
#include "tableflexgrid.h"
#include "twips.h"

#include <QAccessible>
#include <QAccessibleTableInterface>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

const QLocale comma(QLocale::Russian, QLocale::Russia);
const QLocale point = QLocale::c();

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

} // namespace

class tst_FrmSelvaro : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void opensAsCreated();
    void editorLiesOverTheClickedCell();
    void editIsWrittenBackWhenTheCellChanges();
    void pendingEditSurvivesButtonsAndNewLines();
    void receiptTypedWithTheKeyboard();
    void deleteLines();
    void sumsTotalAndWords_data();
    void sumsTotalAndWords();
    void closingSavesBothFilesOnce_data();
    void closingSavesBothFilesOnce();
    void failedSaveAsksTheUser_data();
    void failedSaveAsksTheUser();
    void clickStormDuringRecalculation();
    void resizeMovesTheBottomBlock();

private:
    void open(const QLocale &locale = comma);
    void clickCell(int row, int col);
    void type(const QString &text);
    void key(Qt::Key key, Qt::KeyboardModifiers modifiers = {});
    QRect editorRectOf(int row, int col) const;

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<FrmSelvaro> m_window;
    TableFlexGrid *m_grid = nullptr;
    QLineEdit *m_editor = nullptr;
};

void tst_FrmSelvaro::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    MessageBox::setDefaultAnswer(MessageBox::Cancel);
    MessageBox::takeShown();
}

void tst_FrmSelvaro::cleanup()
{
    m_window.reset();
    m_dir.reset();
}

void tst_FrmSelvaro::open(const QLocale &locale)
{
    m_window = std::make_unique<FrmSelvaro>(StatePlaces{m_dir->path(), m_dir->filePath("user")}, locale);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    m_grid = m_window->MSFGAZ();
    m_editor = m_window->txtDataEntry();
}

void tst_FrmSelvaro::clickCell(int row, int col)
{
    QTest::mouseClick(m_grid->viewport(), Qt::LeftButton, {},
                      m_grid->visualRect(m_grid->model()->index(row - 1, col)).center());
}

// Types into the focused widget one key event a character, Cyrillic included.
void tst_FrmSelvaro::type(const QString &text)
{
    for (QChar ch : text)
        QTest::sendKeyEvent(QTest::Click, QApplication::focusWidget(), Qt::Key_unknown, QString(ch), {});
}

void tst_FrmSelvaro::key(Qt::Key key, Qt::KeyboardModifiers modifiers)
{
    QTest::keyClick(QApplication::focusWidget(), key, modifiers);
}

QRect tst_FrmSelvaro::editorRectOf(int row, int col) const
{
    return m_grid->cellRect(row, col).translated(m_grid->pos());
}

void tst_FrmSelvaro::opensAsCreated()
{
    open();
    const QStringList names = {"Text7", "TextN", "TextFIO", "Text4", "CmdPrint", "CmdSaveg", "txtDataEntry",
                               "TxtClish", "MSFGAZ", "CmdAddS", "CmdDelS", "CmdExit", "Label6", "Label5",
                               "Label4", "Label3", "Label2", "Label1"};
    const QList<QWidget *> controls = m_window->findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
    QStringList created;
    for (QWidget *control : controls) {
        created << control->objectName();
        QVERIFY2(!control->accessibleName().isEmpty() || qobject_cast<QLabel *>(control),
                 qPrintable(control->objectName()));
    }
    created.sort();
    QStringList sorted = names;
    sorted.sort();
    QCOMPARE(created, sorted);
    QCOMPARE(m_window->windowTitle(), QStringLiteral("Товарный чек"));
    QCOMPARE(m_window->CmdDelS()->text(), QStringLiteral(" Удалить строку"));
    QCOMPARE(m_window->findChild<QLabel *>("Label4")->text(), QStringLiteral("Подпись      _____________________"));
    QVERIFY(m_window->TxtClish()->text().startsWith(QStringLiteral("ИП ")));
    QCOMPARE(m_window->TextN()->text(), QString());
    QCOMPARE(QApplication::focusWidget(), m_window->TxtClish());
    QVERIFY(!m_editor->isVisible());
    QVERIFY(!m_window->CmdSaveg()->isVisible());

    QCOMPARE(m_grid->Rows(), 2);
    QStringList headings;
    for (int c = 0; c < m_grid->Cols(); ++c)
        headings << m_grid->TextMatrix(0, c);
    QCOMPARE(headings, QStringList({"№ ", "           Наименование товара                      ", " Ед.   ",
                                    "   Кол-во  ", "      Цена       ", "            Сумма        "}));
    QCOMPARE(m_grid->ColWidth(0), 600);

    // A screen reader reads the cells through the grid's accessible table.
    m_grid->setTextMatrix(1, 1, QStringLiteral("Мыло"));
    QAccessibleInterface *table = QAccessible::queryAccessibleInterface(m_grid);
    QVERIFY(table && table->tableInterface());
    QCOMPARE(table->tableInterface()->cellAt(0, 1)->text(QAccessible::Name), QStringLiteral("Мыло"));
}

void tst_FrmSelvaro::editorLiesOverTheClickedCell()
{
    open();
    m_window->CmdAddS()->click();
    m_grid->setTextMatrix(2, 4, QStringLiteral("12.5"));
    const QList<QPoint> cells = {{4, 2}, {0, 1}, {5, 2}};
    for (const QPoint &cell : cells) {
        clickCell(cell.y(), cell.x());
        QVERIFY(m_editor->isVisible());
        QCOMPARE(m_editor->geometry(), editorRectOf(cell.y(), cell.x()));
        QCOMPARE(m_editor->text(), m_grid->TextMatrix(cell.y(), cell.x()));
        QCOMPARE(QApplication::focusWidget(), m_editor);
    }
}

void tst_FrmSelvaro::editIsWrittenBackWhenTheCellChanges()
{
    open();
    m_window->CmdSaveg()->setEnabled(false);
    clickCell(1, 1);
    type(QStringLiteral(" Сахар-песок "));
    m_grid->setTextMatrix(1, 2, QStringLiteral("кг"));
    clickCell(1, 2);
    QCOMPARE(m_grid->TextMatrix(1, 1), QStringLiteral(" Сахар-песок "));
    QCOMPARE(m_editor->text(), QStringLiteral("кг"));
    QVERIFY(m_window->CmdSaveg()->isEnabled());

    // An arrow key in the grid writes back and recalculates without showing the editor again.
    type(QStringLiteral("3"));
    m_grid->setFocus();
    key(Qt::Key_Right);
    QCOMPARE(m_grid->TextMatrix(1, 2), QStringLiteral("кг3"));
    QVERIFY(!m_editor->isVisible());
    QCOMPARE(m_grid->TextMatrix(1, 5), QStringLiteral("0"));
}

void tst_FrmSelvaro::pendingEditSurvivesButtonsAndNewLines()
{
    open();
    clickCell(1, 3);
    type(QStringLiteral("7"));
    const QRect before = m_editor->geometry();
    QTest::mouseClick(m_window->CmdAddS(), Qt::LeftButton);
    QTest::mouseClick(m_window->TextFIO(), Qt::LeftButton);
    QCOMPARE(m_grid->Rows(), 3);
    QVERIFY(m_editor->isVisible());
    QCOMPARE(m_editor->geometry(), before);
    QCOMPARE(m_grid->TextMatrix(1, 3), QString());
    clickCell(2, 1);
    QCOMPARE(m_grid->TextMatrix(1, 3), QStringLiteral("7"));
    QCOMPARE(m_grid->TextMatrix(2, 3), QString());
}

void tst_FrmSelvaro::receiptTypedWithTheKeyboard()
{
    open(point);
    clickCell(1, 0);
    type(QStringLiteral("1"));
    key(Qt::Key_Tab);
    type(QStringLiteral("Мыло"));
    key(Qt::Key_Return);
    type(QStringLiteral("шт"));
    key(Qt::Key_Tab);
    type(QStringLiteral("2"));
    key(Qt::Key_Tab);
    type(QStringLiteral("10.5"));
    key(Qt::Key_Tab);
    QCOMPARE(m_grid->TextMatrix(1, 5), QStringLiteral("21"));
    key(Qt::Key_Tab);  // from the last cell of the last line: a new line
    QCOMPARE(m_grid->Rows(), 3);
    QCOMPARE(QPoint(m_grid->Col(), m_grid->Row()), QPoint(0, 2));
    QCOMPARE(m_editor->geometry(), editorRectOf(2, 0));
    type(QStringLiteral("2"));
    key(Qt::Key_Up);
    QCOMPARE(m_grid->TextMatrix(2, 0), QStringLiteral("2"));
    QCOMPARE(m_editor->text(), QStringLiteral("1"));
    key(Qt::Key_Backtab, Qt::ShiftModifier);  // nowhere before the first cell
    key(Qt::Key_Down);
    key(Qt::Key_Backtab, Qt::ShiftModifier);
    QCOMPARE(QPoint(m_grid->Col(), m_grid->Row()), QPoint(5, 1));
    QCOMPARE(QApplication::focusWidget(), m_editor);

    QStringList line;
    for (int c = 0; c < 5; ++c)
        line << m_grid->TextMatrix(1, c);
    QCOMPARE(line, QStringList({"1", "Мыло", "шт", "2", "10.5"}));

    // From the grid itself: Enter opens the editor, a typed character replaces the text in it.
    m_grid->setFocus();
    key(Qt::Key_Left);
    type(QStringLiteral("3"));
    QVERIFY(m_editor->isVisible());
    QCOMPARE(m_editor->text(), QStringLiteral("3"));
}

void tst_FrmSelvaro::deleteLines()
{
    open();
    m_window->CmdAddS()->click();
    m_window->CmdAddS()->click();
    for (int r = 1; r <= 3; ++r)
        m_grid->setTextMatrix(r, 0, QString(QChar(u'a' + r - 1)));
    auto numbers = [this] {
        QString text;
        for (int r = 1; r < m_grid->Rows(); ++r)
            text += m_grid->TextMatrix(r, 0);
        return text;
    };
    clickCell(2, 1);
    type(QStringLiteral("pending"));
    QTest::mouseClick(m_window->CmdDelS(), Qt::LeftButton);
    QCOMPARE(numbers(), QStringLiteral("ac"));
    QVERIFY(!m_editor->isVisible());  // its line went, and its text with it
    clickCell(1, 1);
    QTest::mouseClick(m_window->CmdDelS(), Qt::LeftButton);
    QCOMPARE(numbers(), QStringLiteral("c"));
    QTest::mouseClick(m_window->CmdDelS(), Qt::LeftButton);
    QCOMPARE(numbers(), QStringLiteral("c"));
    QCOMPARE(MessageBox::takeShown().size(), 0);
}

void tst_FrmSelvaro::sumsTotalAndWords_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::newRow("\",\" locale") << comma;
    QTest::newRow("\".\" locale") << point;
}

void tst_FrmSelvaro::sumsTotalAndWords()
{
    QFETCH(QLocale, locale);
    open(locale);
    const QString sep = locale.decimalPoint();
    m_window->CmdAddS()->click();
    m_window->CmdAddS()->click();
    const QList<QStringList> lines = {{"1", "10.5"}, {"2 шт", "1"}, {"0.5", "12.35"}};
    for (int r = 1; r <= 3; ++r) {
        clickCell(r, 3);
        type(lines[r - 1][0]);
        clickCell(r, 4);
        type(lines[r - 1][1]);
    }
    clickCell(1, 1);
    QCOMPARE(m_grid->TextMatrix(1, 5), "10" + sep + "5");
    QCOMPARE(m_grid->TextMatrix(2, 5), QStringLiteral("2"));
    QCOMPARE(m_grid->TextMatrix(3, 5), "6" + sep + "175");
    QCOMPARE(m_grid->TextMatrix(0, 5), QStringLiteral("            Сумма        "));

    QTest::mouseClick(m_window->Text7(), Qt::LeftButton);
    QCOMPARE(m_window->Text7()->text(), "18" + sep + "675");
    QCOMPARE(m_window->Text4()->toPlainText(), QString());
    QTest::mouseClick(m_window->TextFIO(), Qt::LeftButton);
    QCOMPARE(m_window->Text4()->toPlainText(), QStringLiteral("восемнадцать рублей шестьдесят восемь копеек"));

    // Two line sums padded to two decimals.
    clickCell(3, 3);
    m_editor->clear();
    clickCell(1, 1);
    QTest::mouseClick(m_window->Text7(), Qt::LeftButton);
    QCOMPARE(m_window->Text7()->text(), "12" + sep + "50");
    QTest::mouseClick(m_window->CmdPrint(), Qt::LeftButton);
    QCOMPARE(m_window->Text4()->toPlainText(), QStringLiteral("двенадцать рублей пятьдесят копеек"));
}

void tst_FrmSelvaro::closingSavesBothFilesOnce_data()
{
    QTest::addColumn<bool>("byExitButton");
    QTest::newRow("close box") << false;
    QTest::newRow("Выход") << true;
}

void tst_FrmSelvaro::closingSavesBothFilesOnce()
{
    QFETCH(bool, byExitButton);
    {
        QFile number(m_dir->filePath("numch.txt"));
        QVERIFY(number.open(QIODevice::WriteOnly));
        number.write("15\r\n");
    }
    open();
    QCOMPARE(m_window->TextN()->text(), QStringLiteral("15"));
    m_window->TxtClish()->setText(QStringLiteral("ИП Петров"));
    m_window->TextN()->setText(QStringLiteral("16"));
    if (byExitButton)
        QTest::mouseClick(m_window->CmdExit(), Qt::LeftButton);
    else
        QVERIFY(m_window->close());
    QVERIFY(!m_window->isVisible());
    QCOMPARE(fileBytes(m_dir->filePath("clishr.txt")), QByteArray("\xc8\xcf \xcf\xe5\xf2\xf0\xee\xe2\r\n"));
    QCOMPARE(fileBytes(m_dir->filePath("numch.txt")), QByteArray("16\r\n"));

    // Once per run: a later close does not write again.
    QVERIFY(QFile::remove(m_dir->filePath("numch.txt")));
    QVERIFY(m_window->close());
    QVERIFY(!QFile::exists(m_dir->filePath("numch.txt")));
}

void tst_FrmSelvaro::failedSaveAsksTheUser_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("closed");
    QTest::addColumn<bool>("saved");
    QTest::newRow("Повторить -> saved, closed") << int(MessageBox::Retry) << true << true;
    QTest::newRow("Закрыть без сохранения -> closed") << int(MessageBox::CloseWithoutSaving) << true << false;
    QTest::newRow("Отмена -> stays open") << int(MessageBox::Cancel) << false << false;
}

void tst_FrmSelvaro::failedSaveAsksTheUser()
{
    QFETCH(int, answer);
    QFETCH(bool, closed);
    QFETCH(bool, saved);

    // Both places lie under an ordinary file, so no directory can be made there.
    const QString blocker = m_dir->filePath("blocker");
    QVERIFY(QFile(blocker).open(QIODevice::WriteOnly));
    m_window = std::make_unique<FrmSelvaro>(StatePlaces{blocker + "/app", blocker + "/user"}, comma);
    m_window->show();
    m_window->TextN()->setText(QStringLiteral("42"));

    MessageBox::setNextAnswer([&](const MessageBox::Shown &) {
        if (answer == MessageBox::Retry) {  // the user frees the place, then retries
            QFile::remove(blocker);
            QDir().mkpath(blocker + "/app");
        }
        return MessageBox::Answer(answer);
    });
    QCOMPARE(m_window->close(), closed);
    const QList<MessageBox::Shown> shown = MessageBox::takeShown();
    QCOMPARE(shown.size(), 1);
    QVERIFY(shown[0].text.contains(QStringLiteral("numch.txt")));
    QCOMPARE(shown[0].buttons, QList<MessageBox::Answer>({MessageBox::Retry, MessageBox::CloseWithoutSaving,
                                                            MessageBox::Cancel}));
    QCOMPARE(m_window->isVisible(), !closed);
    QCOMPARE(fileBytes(blocker + "/app/numch.txt"), saved ? QByteArray("42\r\n") : QByteArray("<missing>"));
}

namespace {

// Counts the mouse presses a widget receives.
struct PressCounter : QObject {
    int presses = 0;
    bool eventFilter(QObject *, QEvent *event) override
    {
        presses += event->type() == QEvent::MouseButtonPress;
        return false;
    }
};

} // namespace

void tst_FrmSelvaro::clickStormDuringRecalculation()
{
    open(point);
    for (int r = 1; r <= 6; ++r) {
        if (r > 1)
            m_window->CmdAddS()->click();
        m_grid->setTextMatrix(r, 3, QString::number(r));
        m_grid->setTextMatrix(r, 4, QStringLiteral("1.5"));
    }
    // Clicks queued on cells, the line buttons and the total, all handled inside the yields of the
    // recalculations, which each such click starts again.
    QRandomGenerator random(20261206);
    const QList<QWidget *> others = {m_window->CmdAddS(), m_window->CmdDelS(), m_window->Text7()};
    int gridPresses = 0;
    for (int i = 0; i < 400; ++i) {
        QWidget *target = m_grid->viewport();
        QPoint at(int(random.bounded(target->width())), int(random.bounded(target->height())));
        if (random.bounded(3) == 0) {
            target = others[random.bounded(int(others.size()))];
            at = target->rect().center();
        } else {
            ++gridPresses;
        }
        for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
            QCoreApplication::postEvent(target, new QMouseEvent(type, at, target->mapToGlobal(at), Qt::LeftButton,
                type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, {}));
        }
    }
    PressCounter counter;
    m_grid->viewport()->installEventFilter(&counter);
    clickCell(1, 1);
    QCOMPARE(counter.presses, gridPresses + 1);  // the storm came through the yields of this one click
    QVERIFY(m_grid->Rows() >= 2);

    m_grid->moveTo(1, m_grid->Col() == 0 ? 1 : 0);
    for (int r = 1; r < m_grid->Rows(); ++r) {
        const double q = m_grid->TextMatrix(r, 3).toDouble();
        const double p = m_grid->TextMatrix(r, 4).toDouble();
        QCOMPARE(m_grid->TextMatrix(r, 5), point.toString(q * p, 'g', 15));
    }
}

void tst_FrmSelvaro::resizeMovesTheBottomBlock()
{
    open();
    const Twips twips(*m_window);
    QWidget *text7 = m_window->Text7();
    const int left = text7->x();
    auto atTwips = [&](int fromBottom) { return twips.toPixelsY(m_window->ScaleHeight() - fromBottom); };

    m_window->resize(m_window->width() + 150, m_window->height() + 90);
    QTRY_COMPARE(m_grid->width(), twips.toPixelsX(m_window->ScaleWidth() - 850));
    QCOMPARE(m_grid->height(), atTwips(4500));
    QCOMPARE(text7->y(), atTwips(2900));
    QCOMPARE(m_window->CmdExit()->y(), atTwips(700));
    QCOMPARE(text7->x(), left);

    // Too small both ways: back to the minimum laid out for it.
    m_window->resize(300, 200);
    QTRY_COMPARE(m_window->frameGeometry().size(), QSize(twips.toPixelsX(9270), twips.toPixelsY(6810)));
    QCOMPARE(m_grid->height(), atTwips(4500));
    QCOMPARE(m_window->CmdExit()->y(), atTwips(700));
}

QTEST_MAIN(tst_FrmSelvaro)
#include "tst_frmselvaro.moc"
