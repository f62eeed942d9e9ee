// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "flexgrid.h"

#include <QString>

#include <functional>
#include <optional>

// The in-place cell editor, as the edit cycle uses it: a single-line text box on the window, above the
// grid. Its visibility is its state: shown means an edit is pending for the grid's current cell.
class CellEditor {
public:
    virtual ~CellEditor() = default;
    virtual QString Text() const = 0;
    virtual void setText(const QString &text) = 0;
    virtual bool Visible() const = 0;
    virtual void setVisible(bool visible) = 0;
    // Places the editor on the window; twips.
    virtual void Move(int left, int top, int width, int height) = 0;
    virtual void SetFocus() = 0;
};

// MSFGAZ_Click: fills the editor with the current cell's text, lays it exactly over that cell (the grid
// lies at gridLeft, gridTop on the window, twips), shows it, lets queued events run through yield so it
// is drawn, then gives it the focus. An editor already shown keeps its text: it is the pending edit of
// the current cell.
void showCellEditor(const FlexGrid &grid, int gridLeft, int gridTop, CellEditor &editor,
                    const std::function<void()> &yield);

// CommitCellEdit: when an edit is pending, writes the editor's text unchanged into the grid's current
// cell and hides the editor. Returns whether it wrote (the window then enables CmdSaveg).
bool CommitCellEdit(FlexGrid &grid, CellEditor &editor);

// CmdAddS_Click: appends an empty receipt line; nothing else changes.
void appendLine(FlexGrid &grid);

// CmdDelS_Click: removes the receipt line at the far end of the selection (RowSel), the first line
// included. The grid refuses to remove its last line; a refusal ends the command silently.
void deleteLine(FlexGrid &grid);

// Keys that move the editor on while typing a receipt.
enum class EntryKey {
    Enter,    // next cell of the line, then column 0 of the next line
    Tab,      // as Enter; in the last cell of the last line a new line is appended first
    BackTab,  // previous cell, then the last column of the line above
    Up,       // same column, line above
    Down,     // same column, line below
};

struct EntryMove {
    int row;
    int col;
    bool appendLine;  // append a line before moving (the target is that new line)
};

// Where key moves the current cell (row, col) of a grid of rows x cols (header row included); nothing
// when there is nowhere to go (the first or last cell, the header row above).
std::optional<EntryMove> entryMove(EntryKey key, int row, int col, int rows, int cols);
