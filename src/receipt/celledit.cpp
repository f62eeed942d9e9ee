// SPDX-License-Identifier: GPL-3.0-or-later
#include "celledit.h"

#include <algorithm>

void showCellEditor(const FlexGrid &grid, int gridLeft, int gridTop, CellEditor &editor, EditorOpening opening,
                    const std::function<void()> &yield)
{
    // A shown editor holds the pending edit of this very cell (every change of the current cell writes
    // it back first): showing it again keeps what was typed, and where.
    if (!editor.Visible()) {
        editor.setText(grid.TextMatrix(grid.Row(), grid.Col()));
        editor.setReadOnly(grid.Col() == SumColumn);
        if (opening == EditorOpening::SelectAll)
            editor.selectAll();
        else
            editor.setCursorAtEnd();
    }
    editor.Move(gridLeft + grid.CellLeft(), gridTop + grid.CellTop(), grid.CellWidth(), grid.CellHeight());
    editor.setVisible(true);
    editor.SetFocus();
    if (yield)
        yield();
}

bool CommitCellEdit(FlexGrid &grid, CellEditor &editor)
{
    if (!editor.Visible())
        return false;
    const bool write = !editor.ReadOnly();
    if (write)
        grid.setTextMatrix(grid.Row(), grid.Col(), editor.Text());
    editor.setVisible(false);
    return write;
}

void cancelCellEdit(CellEditor &editor)
{
    editor.setVisible(false);
}

void appendLine(FlexGrid &grid)
{
    grid.AddItem(QString());
}

void deleteLine(FlexGrid &grid)
{
    const int k = grid.RowSel();
    if (k < 1)
        return;
    try {
        grid.RemoveItem(k);
    } catch (const GridError &) {
        // The grid keeps its last line; nothing to tell the user.
    }
}

std::optional<EntryMove> entryMove(EntryKey key, int row, int col, int rows, int cols)
{
    const int lastRow = rows - 1;
    const int lastCol = cols - 2;  // the last one typed into; the sums follow
    switch (key) {
    case EntryKey::Enter:
    case EntryKey::Tab:
        if (col < lastCol)
            return EntryMove{row, col + 1, false};
        return EntryMove{row + 1, 0, row >= lastRow};
    case EntryKey::BackTab:
        if (col > 0)
            return EntryMove{row, std::min(col - 1, lastCol), false};
        if (row > 1)
            return EntryMove{row - 1, lastCol, false};
        return std::nullopt;
    case EntryKey::Up:
        if (row > 1)
            return EntryMove{row - 1, col, false};
        return std::nullopt;
    case EntryKey::Down:
        if (row < lastRow)
            return EntryMove{row + 1, col, false};
        return std::nullopt;
    }
    return std::nullopt;
}
