#include "frmselvaro.h"
#include "messagebox.h"
#include "numbertext.h"
#include "sealabledir.h"
#include "tableflexgrid.h"
#include "twips.h"

#include <QAccessible>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <optional>

namespace {

const QLocale comma(QLocale::Russian, QLocale::Russia);
const QLocale point = QLocale::c();

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// Counts the events of the given types that an object receives.
struct EventCounter : QObject {
    explicit EventCounter(QList<QEvent::Type> types) : types(std::move(types)) {}
    bool eventFilter(QObject *, QEvent *event) override
    {
        count += types.contains(event->type());
        return false;
    }
    QList<QEvent::Type> types;
    int count = 0;
};

} // namespace

class tst_FrmSelvaro : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void opensAsCreatedAndReadable();
    void editCycle();
    void typedReceipt_data();
    void typedReceipt();
    void closing_data();
    void closing();
    void stormOfClicksAndKeys();
    void resizeMovesTheBottomBlock();

private:
    void open(const QLocale &locale = comma, const QString &dir = {});
    void clickCell(int row, int col);
    void type(const QString &text);
    void key(Qt::Key key, Qt::KeyboardModifiers modifiers = {});
    QRect editorRectOf(int row, int col) const { return m_grid->cellRect(row, col).translated(m_grid->pos()); }
    // The texts of one column of every line, joined by "|".
    QString column(int col) const
    {
        QStringList texts;
        for (int r = 1; r < m_grid->Rows(); ++r)
            texts << m_grid->TextMatrix(r, col);
        return texts.join(u'|');
    }

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

// Opens the window over dir (by default the test's own), its second place inside the first.
void tst_FrmSelvaro::open(const QLocale &locale, const QString &dir)
{
    const QString place = dir.isEmpty() ? m_dir->path() : dir;
    m_window = std::make_unique<FrmSelvaro>(StatePlaces{place, place + "/user"}, locale);
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

void tst_FrmSelvaro::opensAsCreatedAndReadable()
{
    open();
    QStringList created;
    for (QWidget *control : m_window->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
        created << control->objectName();
    created.sort();
    QCOMPARE(created, QStringList({"CmdAddS", "CmdDelS", "CmdExit", "CmdPrint", "CmdSaveg", "Label1", "Label2",
                                   "Label3", "Label4", "Label5", "Label6", "MSFGAZ", "Text4", "Text7", "TextFIO",
                                   "TextN", "TxtClish", "txtDataEntry"}));
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

    // A screen reader names every control in Russian words: a box by the caption beside it, a button by
    // its own caption.
    const QRegularExpression russian(QStringLiteral("^[А-Яа-яЁё №:.,-]*[А-Яа-яЁё][А-Яа-яЁё №:.,-]*$"));
    for (QWidget *control : m_window->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        const QString name = QAccessible::queryAccessibleInterface(control)->text(QAccessible::Name);
        QVERIFY2(russian.match(name).hasMatch(), qPrintable(control->objectName() + ": " + name));
        if (auto *label = qobject_cast<QLabel *>(control); label && label->buddy())
            QCOMPARE(QAccessible::queryAccessibleInterface(label->buddy())->text(QAccessible::Name), label->text());
        if (auto *button = qobject_cast<QPushButton *>(control); button && !button->text().isEmpty())
            QCOMPARE(name, button->text().trimmed());
    }
    // ... and reads the receipt out cell by cell, under its column headings.
    m_grid->setTextMatrix(1, 1, QStringLiteral("Мыло"));
    m_grid->setTextMatrix(1, 5, QStringLiteral("21"));
    QAccessibleInterface *grid = QAccessible::queryAccessibleInterface(m_grid);
    QVERIFY(grid->tableInterface());
    QHash<QAccessible::Role, QStringList> read;
    for (int i = 0; i < grid->childCount(); ++i)
        read[grid->child(i)->role()] << grid->child(i)->text(QAccessible::Name);
    QCOMPARE(read[QAccessible::ColumnHeader], headings);
    QCOMPARE(read[QAccessible::Cell], QStringList({"", "Мыло", "", "", "", "21"}));
}

void tst_FrmSelvaro::editCycle()
{
    open();
    m_window->CmdAddS()->click();
    m_grid->setTextMatrix(2, 4, QStringLiteral("12.5"));

    // The editor lies exactly over the clicked cell, any column, with the cell's text and the focus.
    for (const QPoint &cell : {QPoint(4, 2), QPoint(0, 1), QPoint(5, 2), QPoint(1, 1)}) {
        clickCell(cell.y(), cell.x());
        QVERIFY(m_editor->isVisible());
        QCOMPARE(m_editor->geometry(), editorRectOf(cell.y(), cell.x()));
        QCOMPARE(m_editor->text(), m_grid->TextMatrix(cell.y(), cell.x()));
        QCOMPARE(QApplication::focusWidget(), m_editor);
    }
    QCOMPARE(m_editor->accessibleName(), QStringLiteral("Наименование товара, строка 1"));

    // A pending edit survives a new line and the focus moving to a box, and is written back, blanks
    // and all, into its own cell when another cell is clicked.
    m_window->CmdSaveg()->setEnabled(false);
    type(QStringLiteral(" Сахар-песок "));
    const QRect over = m_editor->geometry();
    QTest::mouseClick(m_window->CmdAddS(), Qt::LeftButton);
    QTest::mouseClick(m_window->TextFIO(), Qt::LeftButton);
    QCOMPARE(m_grid->Rows(), 4);
    QVERIFY(m_editor->isVisible());
    QCOMPARE(m_editor->geometry(), over);
    QCOMPARE(m_grid->TextMatrix(1, 1), QString());
    clickCell(2, 3);
    QCOMPARE(m_grid->TextMatrix(1, 1), QStringLiteral(" Сахар-песок "));
    QVERIFY(m_window->CmdSaveg()->isEnabled());

    // An arrow key on the grid writes back and recalculates, without showing the editor again.
    type(QStringLiteral("2"));
    m_grid->setFocus();
    key(Qt::Key_Right);
    QCOMPARE(m_grid->TextMatrix(2, 5), QStringLiteral("25"));
    QVERIFY(!m_editor->isVisible());

    // " Удалить строку" takes the selected line, a pending edit with it, the first line while others
    // remain, never the last one, all silently.
    for (int r = 1; r <= 3; ++r)
        m_grid->setTextMatrix(r, 0, QString(QChar(u'a' + r - 1)));
    clickCell(2, 1);
    type(QStringLiteral("pending"));
    QTest::mouseClick(m_window->CmdDelS(), Qt::LeftButton);
    QCOMPARE(column(0), QStringLiteral("a|c"));
    QCOMPARE(column(1), QStringLiteral(" Сахар-песок |"));
    QVERIFY(!m_editor->isVisible());
    clickCell(1, 1);
    QTest::mouseClick(m_window->CmdDelS(), Qt::LeftButton);
    QCOMPARE(column(0), QStringLiteral("c"));
    QTest::mouseClick(m_window->CmdDelS(), Qt::LeftButton);
    QCOMPARE(column(0), QStringLiteral("c"));
    QCOMPARE(MessageBox::takeShown().size(), 0);
}

void tst_FrmSelvaro::typedReceipt_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::newRow("\",\" locale") << comma;
    QTest::newRow("\".\" locale") << point;
}

void tst_FrmSelvaro::typedReceipt()
{
    QFETCH(QLocale, locale);
    open(locale);
    const QString sep = locale.decimalPoint();

    // Three lines typed without the mouse: Tab and Enter go on to the next cell, Tab in the last cell
    // of the last line adds a line.
    clickCell(1, 0);
    const QStringList typed = {"1", "Мыло", "шт", "1", "10.5", "", "2", "Гвозди", "кг", "2 шт", "1", "",
                               "3", "Сода", "", "0.5", "12.35"};
    for (qsizetype i = 0; i < typed.size(); ++i) {
        type(typed[i]);
        key(i % 6 == 1 || i % 6 == 3 ? Qt::Key_Return : Qt::Key_Tab);
    }
    QStringList columns;
    for (int c = 0; c < 6; ++c)
        columns << column(c);
    QCOMPARE(columns, QStringList({"1|2|3", "Мыло|Гвозди|Сода", "шт|кг|", "1|2 шт|0.5", "10.5|1|12.35",
                                   QString("10,5|2|6,175").replace(u',', sep)}));
    QCOMPARE(m_grid->TextMatrix(0, 5), QStringLiteral("            Сумма        "));

    // Up, Down and Shift+Tab move as well, the editor opening over each new cell with its text.
    key(Qt::Key_Up);
    key(Qt::Key_Backtab, Qt::ShiftModifier);
    QCOMPARE(QPoint(m_grid->Col(), m_grid->Row()), QPoint(4, 2));
    key(Qt::Key_Down);
    QCOMPARE(QPoint(m_grid->Col(), m_grid->Row()), QPoint(4, 3));
    QCOMPARE(m_editor->text(), QStringLiteral("12.35"));
    QCOMPARE(m_editor->geometry(), editorRectOf(3, 4));
    QCOMPARE(QApplication::focusWidget(), m_editor);
    // On the grid itself a typed character opens the editor with that character in it.
    m_grid->setFocus();
    key(Qt::Key_Left);
    type(QStringLiteral("7"));
    QVERIFY(m_editor->isVisible());
    QCOMPARE(m_editor->text(), QStringLiteral("7"));

    // The total, painted once the adding up is done however its painting was held back meanwhile; the
    // words once the focus leaves it.
    EventCounter paints({QEvent::Paint});
    m_window->Text7()->installEventFilter(&paints);
    QTest::mouseClick(m_window->Text7(), Qt::LeftButton);
    QCOMPARE(m_window->Text7()->text(), "18" + sep + "675");
    QCOMPARE(m_window->Text4()->toPlainText(), QString());
    paints.count = 0;
    QTRY_VERIFY(paints.count > 0);
    QTest::mouseClick(m_window->TextFIO(), Qt::LeftButton);
    QCOMPARE(m_window->Text4()->toPlainText(), QStringLiteral("восемнадцать рублей шестьдесят восемь копеек"));
}

void tst_FrmSelvaro::closing_data()
{
    QTest::addColumn<bool>("byExitButton");
    QTest::addColumn<QString>("blocked");  // what makes the first save fail: nothing, a file, ...
    QTest::addColumn<bool>("saved");
    QTest::newRow("close box -> saved") << false << "" << true;
    QTest::newRow("Выход -> saved") << true << "" << true;
    QTest::newRow("a file where the folder should be, Закрыть без сохранения -> nothing saved")
        << false << "file" << false;
    QTest::newRow("read-only folder made writable, Повторить -> saved") << true << "read-only" << true;
    QTest::newRow("full disk, space freed, Повторить -> saved") << false << "full" << true;
}

void tst_FrmSelvaro::closing()
{
    QFETCH(bool, byExitButton);
    QFETCH(QString, blocked);
    QFETCH(bool, saved);
    const QString dir = m_dir->filePath("state");
    std::optional<SealableDir> sealable;
    if (blocked == "file") {
        QVERIFY(QFile(dir).open(QIODevice::WriteOnly));
    } else {
        sealable.emplace(dir, "64k");
        if (const char *why = blocked == "full" ? sealable->cannotFill() : sealable->cannotSeal())
            QSKIP(why);
        QVERIFY(Finish(dir, QStringLiteral("ИП Старый"), QStringLiteral("41")).isEmpty());
    }
    const QString header = dir + "/clishr.txt";
    const QString number = dir + "/numch.txt";
    const QByteArray oldHeader = fileBytes(header);
    const QByteArray oldNumber = fileBytes(number);
    open(comma, dir);
    QCOMPARE(m_window->TextN()->text(), blocked == "file" ? QString() : QStringLiteral("41"));
    m_window->TxtClish()->setText(QStringLiteral("ИП Новый"));
    m_window->TextN()->setText(QStringLiteral("42"));
    auto close = [&] {
        if (byExitButton)
            QTest::mouseClick(m_window->CmdExit(), Qt::LeftButton);
        else
            m_window->close();
    };

    if (!blocked.isEmpty()) {
        if (blocked != "file")
            QVERIFY(blocked == "full" ? sealable->fill() : sealable->seal());
        // "Отмена": the window stays open and the files keep what they held.
        MessageBox::setNextAnswer(MessageBox::Cancel);
        close();
        QVERIFY(m_window->isVisible());
        const QList<MessageBox::Shown> shown = MessageBox::takeShown();
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown[0].text.contains("clishr.txt") && shown[0].text.contains("numch.txt"), qPrintable(shown[0].text));
        QCOMPARE(shown[0].buttons, QList<MessageBox::Answer>({MessageBox::Retry, MessageBox::CloseWithoutSaving,
                                                                MessageBox::Cancel}));
        QCOMPARE(fileBytes(header), oldHeader);
        QCOMPARE(fileBytes(number), oldNumber);
        // Asked again at the next close, the user makes room (or cannot) and answers.
        MessageBox::setNextAnswer([&](const MessageBox::Shown &) {
            if (blocked == "file")
                return MessageBox::CloseWithoutSaving;
            const bool freed = blocked == "full" ? sealable->freeSpace() : sealable->unseal();
            return freed ? MessageBox::Retry : MessageBox::Cancel;
        });
    }
    close();
    QVERIFY(!m_window->isVisible());
    QCOMPARE(MessageBox::takeShown().size(), blocked.isEmpty() ? 0 : 1);
    QCOMPARE(fileBytes(header), saved ? QByteArray("\xc8\xcf \xcd\xee\xe2\xfb\xe9\r\n") : oldHeader);
    QCOMPARE(fileBytes(number), saved ? QByteArray("42\r\n") : oldNumber);

    // Once per run: a later close writes nothing.
    QFile::remove(number);
    QVERIFY(m_window->close());
    QVERIFY(!QFile::exists(number));
}

void tst_FrmSelvaro::stormOfClicksAndKeys()
{
    open(comma);
    // Events are posted to the window as the platform sends them: a click goes to the control under
    // it, a key to whatever has the focus when the key is handled.
    QWindow *window = m_window->windowHandle();
    auto postClick = [&](QWidget *target, QPoint at) {
        const QPointF in = target->mapTo(m_window.get(), at);
        for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease})
            QCoreApplication::postEvent(window, new QMouseEvent(type, in, in, window->mapToGlobal(in), Qt::LeftButton,
                type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, {}));
    };
    auto postKey = [&](int code, const QString &text) {
        for (QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease})
            QCoreApplication::postEvent(window, new QKeyEvent(type, code, {}, text));
    };
    auto centre = [this](int row, int col) { return m_grid->visualRect(m_grid->model()->index(row - 1, col)).center(); };

    // A quantity typed and written back inside the yields of a recalculation is summed as written.
    m_window->CmdAddS()->click();
    m_grid->setTextMatrix(1, 4, QStringLiteral("1"));
    postClick(m_grid->viewport(), centre(1, 3));
    postKey(Qt::Key_unknown, QStringLiteral("5"));
    postClick(m_grid->viewport(), centre(2, 1));
    m_grid->moveTo(2, 0);
    QCOMPARE(m_grid->TextMatrix(1, 3), QStringLiteral("5"));
    QCOMPARE(m_grid->TextMatrix(1, 5), QStringLiteral("5"));

    // Clicks land anywhere on these, never on "Выход" or "Печать".
    const QList<QWidget *> targets = {m_grid->viewport(), m_grid->viewport(), m_grid->viewport(), m_window->CmdAddS(),
                                      m_window->CmdDelS(),  m_window->Text7(),   m_window->TxtClish(),
                                      m_window->TextN(),    m_window->TextFIO(), m_window->Text4()};
    const QList<int> keys = {Qt::Key_Return, Qt::Key_Tab, Qt::Key_Up, Qt::Key_Down, Qt::Key_Left, Qt::Key_Right};
    const QString typed = QStringLiteral("0123456789..,абвгдеёжзийклмнопрстуфхцчшщъыьэюя");
    bool lineLost = false;
    connect(m_grid->model(), &QAbstractItemModel::rowsRemoved, m_grid, [&] { lineLost |= m_grid->Rows() < 2; });
    bool forbidden = false;
    for (QPushButton *button : {m_window->CmdExit(), m_window->CmdPrint()})
        connect(button, &QPushButton::pressed, button, [&] { forbidden = true; });
    EventCounter delivered({QEvent::MouseButtonPress, QEvent::KeyPress});
    window->installEventFilter(&delivered);

    // A few events at a time; half the batches are handled inside the yields of a change of the
    // current cell, where each handler may start further recalculations and yields of its own.
    const int kEvents = 10000;
    QRandomGenerator random(20261206);
    int handledInYields = 0;
    for (int sent = 0; sent < kEvents;) {
        for (int i = 1 + int(random.bounded(6)); i > 0; --i, ++sent) {
            QWidget *target = targets[random.bounded(int(targets.size()))];
            if (random.bounded(3) > 0)
                postClick(target, QPoint(int(random.bounded(target->width())), int(random.bounded(target->height()))));
            else if (random.bounded(2) == 0)
                postKey(Qt::Key_unknown, typed[random.bounded(int(typed.size()))]);
            else if (const int key = keys[random.bounded(int(keys.size()))]; key == Qt::Key_Return)
                postKey(key, QStringLiteral("\r"));
            else
                postKey(key, QString());
        }
        const int before = delivered.count;
        if (random.bounded(2) == 0) {
            m_grid->moveTo(1 + int(random.bounded(m_grid->Rows() - 1)), (m_grid->Col() + 1 + int(random.bounded(5))) % 6);
            handledInYields += delivered.count - before;
        } else {
            QCoreApplication::processEvents();
        }
        QVERIFY(!lineLost);
    }
    QCoreApplication::processEvents();
    QVERIFY(!forbidden);
    QVERIFY2(handledInYields > kEvents / 4, qPrintable(QString::number(handledInYields)));

    m_grid->moveTo(1, m_grid->Col() == 0 ? 1 : 0);
    for (int r = 1; r < m_grid->Rows(); ++r) {
        const double q = leadingNumber(m_grid->TextMatrix(r, 3), comma);
        const double p = leadingNumber(m_grid->TextMatrix(r, 4), comma);
        QCOMPARE(m_grid->TextMatrix(r, 5), localeNumberText(roundTo3(q * p), comma));
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
