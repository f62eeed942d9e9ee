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
    void receiptTypedWithTheKeyboard();
    void sumsTotalAndWords_data();
    void sumsTotalAndWords();
    void closingSavesBothFilesOnce_data();
    void closingSavesBothFilesOnce();
    void failedSaveAsksTheUser_data();
    void failedSaveAsksTheUser();
    void stormOfClicksAndKeys();
    void resizeMovesTheBottomBlock();

private:
    void open(const QLocale &locale = comma, const QString &dir = {});
    void clickCell(int row, int col);
    void type(const QString &text);
    void key(Qt::Key key, Qt::KeyboardModifiers modifiers = {});
    QRect editorRectOf(int row, int col) const { return m_grid->cellRect(row, col).translated(m_grid->pos()); }

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

    // A screen reader names every control in Russian: a box by the caption beside it, a button by its
    // own caption.
    const QRegularExpression russian(QStringLiteral("^[А-Яа-яЁё №:_.,-]*[А-Яа-яЁё][А-Яа-яЁё №:_.,-]*$"));
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
    m_window->CmdSaveg()->setEnabled(false);

    // A pending edit survives a new line and the focus moving to a box, and is written back, blanks
    // and all, into its own cell when another cell is clicked.
    type(QStringLiteral(" Сахар-песок "));
    const QRect over = m_editor->geometry();
    QTest::mouseClick(m_window->CmdAddS(), Qt::LeftButton);
    QTest::mouseClick(m_window->TextFIO(), Qt::LeftButton);
    QCOMPARE(m_grid->Rows(), 4);
    QVERIFY(m_editor->isVisible());
    QCOMPARE(m_editor->geometry(), over);
    QCOMPARE(m_grid->TextMatrix(1, 1), QString());
    clickCell(2, 5);
    QCOMPARE(m_grid->TextMatrix(1, 1), QStringLiteral(" Сахар-песок "));
    QVERIFY(m_window->CmdSaveg()->isEnabled());

    // Text typed over a sum lasts until the sums are recalculated; an arrow key in the grid writes
    // back and recalculates without showing the editor again.
    type(QStringLiteral("99"));
    m_grid->setFocus();
    key(Qt::Key_Left);
    QCOMPARE(m_grid->TextMatrix(2, 5), QStringLiteral("0"));
    QVERIFY(!m_editor->isVisible());

    // Deleting lines: the selected one, its pending edit with it; the first one while others remain;
    // never the last one, and silently.
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
    QVERIFY(!m_editor->isVisible());
    clickCell(1, 1);
    QTest::mouseClick(m_window->CmdDelS(), Qt::LeftButton);
    QCOMPARE(numbers(), QStringLiteral("c"));
    QTest::mouseClick(m_window->CmdDelS(), Qt::LeftButton);
    QCOMPARE(numbers(), QStringLiteral("c"));
    QCOMPARE(MessageBox::takeShown().size(), 0);
}

void tst_FrmSelvaro::receiptTypedWithTheKeyboard()
{
    open(point);
    clickCell(1, 0);
    const QList<std::pair<QString, Qt::Key>> entries = {
        {"1", Qt::Key_Tab}, {"Мыло", Qt::Key_Return}, {"шт", Qt::Key_Tab}, {"2", Qt::Key_Tab}, {"10.5", Qt::Key_Tab}};
    for (const auto &[text, next] : entries) {
        type(text);
        key(next);
    }
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

    // From the grid itself a typed character opens the editor with that character in it.
    m_grid->setFocus();
    key(Qt::Key_Left);
    type(QStringLiteral("3"));
    QVERIFY(m_editor->isVisible());
    QCOMPARE(m_editor->text(), QStringLiteral("3"));
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

    // The total is painted once the adding up is done, however its painting was held back meanwhile.
    EventCounter paints({QEvent::Paint});
    m_window->Text7()->installEventFilter(&paints);
    QTest::mouseClick(m_window->Text7(), Qt::LeftButton);
    QCOMPARE(m_window->Text7()->text(), "18" + sep + "675");
    QCOMPARE(m_window->Text4()->toPlainText(), QString());
    paints.count = 0;
    QTRY_VERIFY(paints.count > 0);
    QTest::mouseClick(m_window->TextFIO(), Qt::LeftButton);
    QCOMPARE(m_window->Text4()->toPlainText(), QStringLiteral("восемнадцать рублей шестьдесят восемь копеек"));

    // Two line sums padded to two decimals.
    clickCell(3, 3);
    m_editor->clear();
    clickCell(1, 1);
    QTest::mouseClick(m_window->Text7(), Qt::LeftButton);
    QCOMPARE(m_window->Text7()->text(), "12" + sep + "50");
    QTest::mouseClick(m_window->TextFIO(), Qt::LeftButton);
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
    QTest::addColumn<QString>("blocked");
    QTest::addColumn<bool>("retry");
    QTest::newRow("a file where the folder should be: Закрыть без сохранения -> closed, nothing saved")
        << "file" << false;
    QTest::newRow("read-only folder: made writable, Повторить -> saved") << "read-only" << true;
    QTest::newRow("full disk: space freed, Повторить -> saved") << "full" << true;
}

void tst_FrmSelvaro::failedSaveAsksTheUser()
{
    QFETCH(QString, blocked);
    QFETCH(bool, retry);
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
    if (sealable)
        QVERIFY(blocked == "full" ? sealable->fill() : sealable->seal());

    // "Отмена": the window stays open and the files keep what they held.
    MessageBox::setNextAnswer(MessageBox::Cancel);
    QVERIFY(!m_window->close());
    QVERIFY(m_window->isVisible());
    QList<MessageBox::Shown> shown = MessageBox::takeShown();
    QCOMPARE(shown.size(), 1);
    QVERIFY2(shown[0].text.contains("clishr.txt") && shown[0].text.contains("numch.txt"), qPrintable(shown[0].text));
    QCOMPARE(shown[0].buttons, QList<MessageBox::Answer>({MessageBox::Retry, MessageBox::CloseWithoutSaving,
                                                            MessageBox::Cancel}));
    QCOMPARE(fileBytes(header), oldHeader);
    QCOMPARE(fileBytes(number), oldNumber);

    // Asked again on the next close: the user makes room (or not) and answers.
    bool freed = false;
    MessageBox::setNextAnswer([&](const MessageBox::Shown &) {
        if (!retry)
            return MessageBox::CloseWithoutSaving;
        freed = blocked == "full" ? sealable->freeSpace() : sealable->unseal();
        return MessageBox::Retry;
    });
    QVERIFY(m_window->close());
    QVERIFY(!m_window->isVisible());
    QCOMPARE(MessageBox::takeShown().size(), 1);
    QCOMPARE(freed, retry);
    QCOMPARE(fileBytes(header), retry ? QByteArray("\xc8\xcf \xcd\xee\xe2\xfb\xe9\r\n") : oldHeader);
    QCOMPARE(fileBytes(number), retry ? QByteArray("42\r\n") : oldNumber);
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
