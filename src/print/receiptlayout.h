// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "drawop.h"

#include <QDate>
#include <QLocale>
#include <QSize>
#include <QString>

#include <functional>

class FlexGrid;

// What the printed receipt reads from the window, besides the grid, at the moment of printing.
struct ReceiptTexts {
    QString TxtClish; // the seller header line
    QString TextN;    // the receipt number, printed as it stands
    QString date;     // today's date in the short date format (see receiptDate)
    QString Text7;    // the total in figures
    QString Text4;    // the total in words
    QString TextFIO;  // the seller's name
};

// The laid-out page: the operations to draw, or the reason (in Russian, for the user) why the
// receipt cannot be laid out, in which case ops is empty.
struct ReceiptLayout {
    DrawOps ops;
    QString error;
    int dx = 0;    // horizontal unit in twips: one hundredth of the page width
    int dy = 0;    // height of one line slot in twips: one fiftieth of the page height
    int pages = 0; // sheets the receipt takes

    bool ok() const { return error.isEmpty(); }
};

// Number of line slots on one sheet, and the most body lines that fit on one sheet with the total,
// the words, the seller line and the stamp place.
inline constexpr int kSlotsPerPage = 50;
inline constexpr int kLinesOnOnePage = 41;

// The face of every text on the receipt, all of them bold.
inline constexpr char kReceiptFace[] = "Times New Roman cyr";

// Width in twips that text takes when printed in the receipt's face, bold, at pointSize points.
using TextWidth = std::function<double(const QString &text, int pointSize)>;

// Lays the receipt out on sheets of pageTwips (width × height in twips, measured on the printer in
// portrait before the paper is set to A4): the seller header, the title with the number and the date,
// the ruled table of the grid's header row and lines, the total, the total in words, the seller line
// and the stamp place, every element at its fixed multiple of the page units. Reads the grid's cells
// only through TextMatrix and never moves its current cell: the caller writes back a pending edit and
// refreshes the line sums before, and sets the current cell afterwards. A receipt that does not fit on
// one sheet continues on further sheets, each continued table starting with the heading row again;
// the footer is never split. A cell text too wide for its column (by textWidth) is wrapped at its
// blanks inside the column, a word too long for it broken, and its row takes as many line slots as
// its tallest cell; line breaks and tabs in a cell print as blanks. The total in words wraps the same
// way before the table's right edge, a slot a line, the footer growing. Sheets break between rows, unless
// one row is taller than a sheet. Fails (with a reason) on a grid of fewer than two columns, a page
// too small or too large to divide into units, or a cell the grid refuses to give.
ReceiptLayout tabPrint(const ReceiptTexts &texts, const FlexGrid &grid, QSize pageTwips, const TextWidth &textWidth);

// The date as printed in the title: locale's short date format.
QString receiptDate(QDate date, const QLocale &locale);

// value rounded to the nearest integer, a value exactly halfway going to the even one.
double roundHalfEven(double value);
