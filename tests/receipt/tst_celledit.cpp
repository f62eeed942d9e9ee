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
};

QTEST_GUILESS_MAIN(tst_CellEdit)
#include "tst_celledit.moc"
