// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "flexgrid.h"

#include <QList>
#include <QTableWidget>

#include <optional>

// The grid of receipt lines: a QTableWidget that keeps the grid contract. Row 0 of the contract is the
// fixed header row, shown as the table's horizontal header (so it never scrolls away and can never be
// current); contract row r (r >= 1) is the table's row r - 1. Sizes and positions are in twips.
//
// The current cell (Row, Col) lags the view's own current index by design: when the view moves, the
// grid raises LeaveCell while Row and Col still name the old cell, then takes the new cell and raises
// RowColChange. A mouse click raises LeaveCell, RowColChange, Click in that order; a move by keyboard or
// by code only the first two. Moves made inside the view's mouse and key handling are raised after
// the handler has returned, and a Click that arrives while RowColChange is being handled waits until
// it is done, so handlers that let events run never see the view half-way through an event.
class TableFlexGrid : public QTableWidget, public FlexGrid {
    Q_OBJECT
public:
    // A grid of one header row and one empty line, six columns, the current cell at (1, 0).
    explicit TableFlexGrid(QWidget *parent = nullptr);

    int Rows() const override { return rowCount() + 1; }
    int Cols() const override { return columnCount(); }
    int Row() const override { return m_row; }
    int Col() const override { return m_col; }
    void setRow(int row) override { moveTo(row, m_col); }
    void setCol(int col) override { moveTo(m_row, col); }
    int RowSel() const override;

    QString TextMatrix(int row, int col) const override;
    void setTextMatrix(int row, int col, const QString &text) override;

    int CellLeft() const override;
    int CellTop() const override;
    int CellWidth() const override;
    int CellHeight() const override;

    void AddItem(const QString &text) override;
    void RemoveItem(int index) override;

    // Makes (row, col) current in one move, raising LeaveCell and RowColChange once; scrolls it into
    // view. Throws GridError for a cell that is not a receipt cell.
    void moveTo(int row, int col);

    // The current cell's text.
    QString Text() const { return TextMatrix(m_row, m_col); }

    // Segments separated by "|" set the columns and their headings, blanks included; a leading "^"
    // centres the column. Each column becomes wide enough for its heading in the grid's font.
    void setFormatString(const QString &format);
    QString FormatString() const { return m_formatString; }

    // Column widths and row heights in twips; row 0 is the header row.
    void setColWidth(int col, int twips);
    int ColWidth(int col) const;
    void setRowHeight(int row, int twips);
    int RowHeight(int row) const;

    // The rectangle of any cell in the grid's own pixel coordinates (row 0: its header section).
    QRect cellRect(int row, int col) const;

signals:
    // The current cell is about to change; Row and Col still name the old cell.
    void LeaveCell();
    // The current cell has changed.
    void RowColChange();
    // A mouse click on a cell.
    void Click();
    // The cells moved on the grid: it scrolled, was resized, or its columns or lines changed size.
    void CellsMoved();

protected:
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;
    void updateGeometries() override;

private:
    template<typename Handler>
    void deferMoves(Handler &&handler);
    void raisePending();
    void changeCurrent(int row, int col);
    void raiseRowColChange();
    void setViewCurrent(int row, int col);
    QTableWidgetItem *cellItem(int row, int col);
    QRect currentCellRect() const;

    int m_row = 1;
    int m_col = 0;
    int m_deferDepth = 0;
    bool m_movePending = false;
    int m_rowColChangeDepth = 0;
    bool m_clickPending = false;
    bool m_quiet = false;
    QString m_formatString;
    QList<Qt::Alignment> m_alignment;
};
