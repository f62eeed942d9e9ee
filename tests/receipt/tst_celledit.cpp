// SPDX-License-Identifier: GPL-3.0-or-later
#include "celledit.h"
#include "memoryflexgrid.h"

#include <QTest>

namespace {

// An editor that records what the edit cycle did to it.
struct RecordingEditor : CellEditor {
    QString Text() const override { return text; }
    void setText(const QString &t) override { text = t; }
    bool Visible() const override { return visible; }
    void setVisible(bool v) override { visible = v; }
    void Move(int, int, int, int) override { steps << "move"; }
    void SetFocus() override { steps << "focus"; }
    bool ReadOnly() const override { return readOnly; }
    void setReadOnly(bool r) override { readOnly = r; }
    void selectAll() override { steps << "select all"; }
    void setCursorAtEnd() override { steps << "cursor at end"; }

    QString text = "Text1";
    bool visible = false;
    bool readOnly = false;
    QStringList steps;
};

} // namespace

class tst_CellEdit : public QObject {
    Q_OBJECT

private slots:
    // Focused before the yield, so keys queued behind the one that opened it reach it; shown again over the
    // same cell (an edit pending) it keeps text and cursor. Over the sums it shows them read-only, and
    // neither a write-back nor Esc writes anything.
    void showWriteBackAndCancel()
    {
        MemoryFlexGrid grid;
        grid.setLines({{"1", "Мыло", "шт", "3", "12.5", "37,5"}});
        grid.setCol(4);
        RecordingEditor editor;
        auto yield = [&] { editor.steps << (editor.visible ? "yield" : "yield while hidden") << editor.text; };
        showCellEditor(grid, 600, 1320, editor, EditorOpening::SelectAll, yield);
        editor.text = "13";
        showCellEditor(grid, 600, 1320, editor, EditorOpening::CursorAtEnd, yield);
        QCOMPARE(editor.steps, QStringList({"select all", "move", "focus", "yield", "12.5", "move", "focus", "yield", "13"}));
        editor.text = "14";
        cancelCellEdit(editor);
        QVERIFY(!CommitCellEdit(grid, editor) && !editor.visible);
        grid.setCol(5);
        showCellEditor(grid, 600, 1320, editor, EditorOpening::CursorAtEnd, {});
        QVERIFY(editor.readOnly && editor.steps.contains("cursor at end"));
        editor.text = "доставка";
        QVERIFY(!CommitCellEdit(grid, editor) && !editor.visible);
        QCOMPARE(grid.TextMatrix(1, 4) + ' ' + grid.TextMatrix(1, 5), "12.5 37,5");
    }

    void keyMoves_data()
    {
        QTest::addColumn<EntryKey>("key");
        QTest::addColumn<QPoint>("from");  // (col, row) in a grid of the header row and two lines
        QTest::addColumn<QString>("to");
        QTest::newRow("Tab in a line -> next cell") << EntryKey::Tab << QPoint(3, 1) << "1:4";
        QTest::newRow("Enter after the price -> next line, the sum skipped") << EntryKey::Enter << QPoint(4, 1) << "2:0";
        QTest::newRow("Enter after the last price -> a new line") << EntryKey::Enter << QPoint(4, 2) << "3:0 appended";
        QTest::newRow("Shift+Tab at a line's start -> price above") << EntryKey::BackTab << QPoint(0, 2) << "1:4";
        QTest::newRow("Shift+Tab in a line -> previous cell") << EntryKey::BackTab << QPoint(1, 2) << "2:0";
        QTest::newRow("Shift+Tab on the first cell -> nowhere") << EntryKey::BackTab << QPoint(0, 1) << "none";
        QTest::newRow("Up on the first line -> nowhere") << EntryKey::Up << QPoint(2, 1) << "none";
        QTest::newRow("Down on the last line -> nowhere") << EntryKey::Down << QPoint(2, 2) << "none";
        QTest::newRow("Down -> same column below") << EntryKey::Down << QPoint(5, 1) << "2:5";
    }
    void keyMoves()
    {
        QFETCH(EntryKey, key);
        QFETCH(QPoint, from);
        const std::optional<EntryMove> move = entryMove(key, from.y(), from.x(), 3, 6);
        QFETCH(QString, to);
        QCOMPARE(move ? QStringLiteral("%1:%2%3").arg(move->row).arg(move->col).arg(move->appendLine ? " appended" : "")
                      : QStringLiteral("none"),
                 to);
    }
};

QTEST_GUILESS_MAIN(tst_CellEdit)
#include "tst_celledit.moc"
