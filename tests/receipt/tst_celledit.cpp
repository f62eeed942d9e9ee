#include "celledit.h"
#include "memoryflexgrid.h"

#include <QTest>

namespace {

// An editor that records what the edit cycle did to it.
class RecordingEditor : public CellEditor {
public:
    QString Text() const override { return text; }
    void setText(const QString &t) override { text = t; }
    bool Visible() const override { return visible; }
    void setVisible(bool v) override { visible = v; }
    void Move(int, int, int, int) override { steps << QStringLiteral("move"); }
    void SetFocus() override { steps << QStringLiteral("focus"); }

    QString text = QStringLiteral("Text1");
    bool visible = false;
    QStringList steps;
};

QStringList column(const FlexGrid &grid, int col)
{
    QStringList cells;
    for (int row = 1; row < grid.Rows(); ++row)
        cells << grid.TextMatrix(row, col);
    return cells;
}

} // namespace

class tst_CellEdit : public QObject {
    Q_OBJECT

private slots:
    void editorShownBeforeTheYieldKeepsAPendingEdit();
    void deleteLine_data();
    void deleteLine();
    void entryMove_data();
    void entryMove();
};

void tst_CellEdit::editorShownBeforeTheYieldKeepsAPendingEdit()
{
    MemoryFlexGrid grid;
    grid.setLines({{"1", "Мыло", "шт", "3", "12.5"}});
    grid.setCol(4);
    RecordingEditor editor;
    showCellEditor(grid, 600, 1320, editor, [&] {
        QVERIFY(editor.visible);
        editor.steps << QStringLiteral("yield");
    });
    QCOMPARE(editor.text, QStringLiteral("12.5"));
    QCOMPARE(editor.steps, QStringList({"move", "yield", "focus"}));

    // Shown again over the same cell (scrolled back into view and clicked), the typed text stays.
    editor.text = QStringLiteral("13");
    showCellEditor(grid, 600, 1320, editor, {});
    QCOMPARE(editor.text, QStringLiteral("13"));
}

void tst_CellEdit::deleteLine_data()
{
    QTest::addColumn<int>("lines");
    QTest::addColumn<int>("rowSel");
    QTest::addColumn<QStringList>("left");

    QTest::newRow("5 lines, sel 3 -> a b d e") << 5 << 3 << QStringList({"a", "b", "d", "e"});
    QTest::newRow("5 lines, sel 5 -> a b c d") << 5 << 5 << QStringList({"a", "b", "c", "d"});
    QTest::newRow("3 lines, sel 1 -> b c") << 3 << 1 << QStringList({"b", "c"});
    QTest::newRow("1 line, sel 1 -> a (kept)") << 1 << 1 << QStringList({"a"});
}

void tst_CellEdit::deleteLine()
{
    QFETCH(int, lines);
    QFETCH(int, rowSel);
    QFETCH(QStringList, left);

    MemoryFlexGrid grid;
    QList<QStringList> rows;
    for (int i = 0; i < lines; ++i)
        rows << QStringList{QString(QChar(u'a' + i))};
    grid.setLines(rows);
    grid.setRowSel(rowSel);
    ::deleteLine(grid);
    QCOMPARE(column(grid, 0), left);
}

void tst_CellEdit::entryMove_data()
{
    QTest::addColumn<EntryKey>("key");
    QTest::addColumn<QPoint>("from");  // (col, row)
    QTest::addColumn<QPoint>("to");    // (-1, -1): no move
    QTest::addColumn<bool>("append");

    // A grid of 3 lines (rows 1 to 3), 6 columns.
    QTest::newRow("Enter (1,2) -> (1,3)") << EntryKey::Enter << QPoint(2, 1) << QPoint(3, 1) << false;
    QTest::newRow("Enter (1,5) -> (2,0)") << EntryKey::Enter << QPoint(5, 1) << QPoint(0, 2) << false;
    QTest::newRow("Enter (3,5) -> none") << EntryKey::Enter << QPoint(5, 3) << QPoint(-1, -1) << false;
    QTest::newRow("Tab (3,5) -> new line (4,0)") << EntryKey::Tab << QPoint(5, 3) << QPoint(0, 4) << true;
    QTest::newRow("BackTab (2,0) -> (1,5)") << EntryKey::BackTab << QPoint(0, 2) << QPoint(5, 1) << false;
    QTest::newRow("BackTab (1,0) -> none") << EntryKey::BackTab << QPoint(0, 1) << QPoint(-1, -1) << false;
    QTest::newRow("Up (1,3) -> none") << EntryKey::Up << QPoint(3, 1) << QPoint(-1, -1) << false;
    QTest::newRow("Up (3,3) -> (2,3)") << EntryKey::Up << QPoint(3, 3) << QPoint(3, 2) << false;
    QTest::newRow("Down (3,3) -> none") << EntryKey::Down << QPoint(3, 3) << QPoint(-1, -1) << false;
}

void tst_CellEdit::entryMove()
{
    QFETCH(EntryKey, key);
    QFETCH(QPoint, from);
    QFETCH(QPoint, to);
    QFETCH(bool, append);

    const std::optional<EntryMove> move = ::entryMove(key, from.y(), from.x(), 4, 6);
    QCOMPARE(move.has_value(), to.x() >= 0);
    if (move) {
        QCOMPARE(QPoint(move->col, move->row), to);
        QCOMPARE(move->appendLine, append);
    }
}

QTEST_GUILESS_MAIN(tst_CellEdit)
#include "tst_celledit.moc"
