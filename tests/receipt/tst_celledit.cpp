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

    QString text = "Text1";
    bool visible = false;
    QStringList steps;
};

} // namespace

class tst_CellEdit : public QObject {
    Q_OBJECT

private slots:
    // Shown (and so keeping its pending edit) before the yield lets a queued click run; shown again over
    // the same cell, as after scrolling back and clicking, it keeps the typed text.
    void editorShownBeforeTheYieldKeepsAPendingEdit()
    {
        MemoryFlexGrid grid;
        grid.setLines({{"1", "Мыло", "шт", "3", "12.5"}});
        grid.setCol(4);
        RecordingEditor editor;
        auto yield = [&] { editor.steps << (editor.visible ? "yield" : "yield while hidden") << editor.text; };
        showCellEditor(grid, 600, 1320, editor, yield);
        editor.text = "13";
        showCellEditor(grid, 600, 1320, editor, yield);
        QCOMPARE(editor.steps, QStringList({"move", "yield", "12.5", "focus", "move", "yield", "13", "focus"}));
    }

    // The selected line goes, the first one too while others remain; the last line stays.
    void deleteLine()
    {
        MemoryFlexGrid grid;
        grid.setLines({{"a"}, {"b"}, {"c"}, {"d"}});
        QStringList left;
        for (int selected : {2, 3, 1, 1}) {
            grid.setRowSel(selected);
            ::deleteLine(grid);
            left << QString();
            for (int row = 1; row < grid.Rows(); ++row)
                left.last() += grid.TextMatrix(row, 0);
        }
        QCOMPARE(left, QStringList({"acd", "ac", "c", "c"}));
    }

    void entryMove_data()
    {
        QTest::addColumn<EntryKey>("key");
        QTest::addColumn<QPoint>("from");  // (row, col) on a grid of 3 lines and 6 columns
        QTest::addColumn<QString>("to");
        QTest::newRow("Enter 1,5 -> 2,0") << EntryKey::Enter << QPoint(1, 5) << "2,0";
        QTest::newRow("Enter 3,5 -> none") << EntryKey::Enter << QPoint(3, 5) << "none";
        QTest::newRow("Tab 3,5 -> 4,0 on a new line") << EntryKey::Tab << QPoint(3, 5) << "4,0 new";
        QTest::newRow("BackTab 2,0 -> 1,5") << EntryKey::BackTab << QPoint(2, 0) << "1,5";
        QTest::newRow("BackTab 1,0 -> none") << EntryKey::BackTab << QPoint(1, 0) << "none";
        QTest::newRow("Up 1,3 -> none") << EntryKey::Up << QPoint(1, 3) << "none";
        QTest::newRow("Down 3,3 -> none") << EntryKey::Down << QPoint(3, 3) << "none";
    }
    void entryMove()
    {
        QFETCH(EntryKey, key);
        QFETCH(QPoint, from);
        const std::optional<EntryMove> to = ::entryMove(key, from.x(), from.y(), 4, 6);
        QTEST(to ? QStringLiteral("%1,%2%3").arg(to->row).arg(to->col).arg(to->appendLine ? " new" : "") : "none", "to");
    }
};

QTEST_GUILESS_MAIN(tst_CellEdit)
#include "tst_celledit.moc"
