// SPDX-License-Identifier: GPL-3.0-or-later
#include "celledit.h"

void showCellEditor(const FlexGrid &grid, int gridLeft, int gridTop, CellEditor &editor,
                    const std::function<void()> &yield)
{
    // A shown editor holds the pending edit of this very cell (every change of the current cell writes
    // it back first): showing it again keeps what was typed.
    if (!editor.Visible())
        editor.setText(grid.TextMatrix(grid.Row(), grid.Col()));
    editor.Move(gridLeft + grid.CellLeft(), gridTop + grid.CellTop(), grid.CellWidth(), grid.CellHeight());
    editor.setVisible(true);
    if (yield)
        yield();
    editor.SetFocus();
}

bool CommitCellEdit(FlexGrid &grid, CellEditor &editor)
{
    if (!editor.Visible())
        return false;
    grid.setTextMatrix(grid.Row(), grid.Col(), editor.Text());
    editor.setVisible(false);
    return true;
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
    const int lastCol = cols - 1;
    switch (key) {
    case EntryKey::Enter:
    case EntryKey::Tab:
        if (col < lastCol)
            return EntryMove{row, col + 1, false};
        if (row < lastRow)
            return EntryMove{row + 1, 0, false};
        if (key == EntryKey::Tab)
            return EntryMove{row + 1, 0, true};
        return std::nullopt;
    case EntryKey::BackTab:
        if (col > 0)
            return EntryMove{row, col - 1, false};
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
