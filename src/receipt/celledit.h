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
    // A read-only editor shows a computed cell: its text can be selected and copied, never changed.
    virtual bool ReadOnly() const = 0;
    virtual void setReadOnly(bool readOnly) = 0;
    // Selects the whole text (typing replaces it), or puts the cursor after its end.
    virtual void selectAll() = 0;
    virtual void setCursorAtEnd() = 0;
};

// The column of the line sums, computed: its cells are never typed into.
inline constexpr int SumColumn = 5;

// How an editor that opens offers the cell's text: selected whole, as after a key move or typing, so
// that typing replaces it; or with the cursor after its end, as after a click or F2, to edit in place.
enum class EditorOpening { SelectAll, CursorAtEnd };

// MSFGAZ_Click: fills the editor with the current cell's text, offered as opening says (read-only over
// the sum column), lays it exactly over that cell (the grid lies at gridLeft, gridTop on the window,
// twips), shows it and gives it the focus, then lets queued events run through yield. The focus comes
// first so that keys queued behind the one that opened the editor reach it, in order. An editor already
// shown keeps its text and cursor: it is the pending edit of the current cell.
void showCellEditor(const FlexGrid &grid, int gridLeft, int gridTop, CellEditor &editor, EditorOpening opening,
                    const std::function<void()> &yield);

// CommitCellEdit: when an edit is pending, writes the editor's text unchanged into the grid's current
// cell and hides the editor. Returns whether it wrote (the window then enables CmdSaveg); a read-only
// editor is hidden without writing.
bool CommitCellEdit(FlexGrid &grid, CellEditor &editor);

// Esc: hides the editor without writing, so the cell keeps the text it had when the editor opened.
void cancelCellEdit(CellEditor &editor);

// CmdAddS_Click: appends an empty receipt line; nothing else changes.
void appendLine(FlexGrid &grid);

// CmdDelS_Click: removes the receipt line at the far end of the selection (RowSel), the first line
// included. The grid refuses to remove its last line; a refusal ends the command silently.
void deleteLine(FlexGrid &grid);

// Keys that move the editor on while typing a receipt.
// The sum column is skipped: it is computed.
enum class EntryKey {
    Enter,    // next cell of the line, then column 0 of the next line; after the last cell of the last
    Tab,      // line a new line is appended first
    BackTab,  // previous cell, then the price of the line above
    Up,       // same column, line above
    Down,     // same column, line below
};

struct EntryMove {
    int row;
    int col;
    bool appendLine;  // append a line before moving (the target is that new line)
};

// Where key moves the current cell (row, col) of a grid of rows x cols (header row included, the last
// column the sums); nothing when there is nowhere to go (the first cell, the header row above, the last
// line below).
std::optional<EntryMove> entryMove(EntryKey key, int row, int col, int rows, int cols);
