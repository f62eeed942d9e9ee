// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <stdexcept>

// Thrown by FlexGrid::RemoveItem when it refuses a removal (no such row, or the last receipt line).
class GridError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// What the receipt logic and the printed page rely on of the grid of receipt lines: text cells,
// a fixed header row 0, a current cell, and cell geometry in twips. The notifications LeaveCell,
// RowColChange and Click are raised by the implementation (the widget grid, or a test grid) and
// wired to the handlers by whoever owns the grid.
class FlexGrid {
public:
    virtual ~FlexGrid() = default;

    virtual int Rows() const = 0;
    virtual int Cols() const = 0;

    // The current cell. Setting them moves the current cell as the user would, raising
    // LeaveCell before and RowColChange after the move.
    virtual int Row() const = 0;
    virtual int Col() const = 0;
    virtual void setRow(int row) = 0;
    virtual void setCol(int col) = 0;
    // The row at the far end of the selection; equal to Row() after a plain click.
    virtual int RowSel() const = 0;

    // Any cell, header row included, read or written without moving the current cell.
    virtual QString TextMatrix(int row, int col) const = 0;
    virtual void setTextMatrix(int row, int col, const QString &text) = 0;

    // The current cell's rectangle in twips, relative to the grid's top-left corner.
    virtual int CellLeft() const = 0;
    virtual int CellTop() const = 0;
    virtual int CellWidth() const = 0;
    virtual int CellHeight() const = 0;

    // Appends a row whose first cell is text and whose other cells are empty.
    virtual void AddItem(const QString &text) = 0;
    // Removes row index; the rows below move up. Throws GridError for an index that names no row
    // or for the last receipt line.
    virtual void RemoveItem(int index) = 0;
};
