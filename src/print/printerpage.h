// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "drawop.h"
#include "receiptlayout.h"

#include <QFont>
#include <QRect>
#include <QString>
#include <QStringList>

#include <memory>

class FlexGrid;
class QPrinter;

// How a print went: on failure a reason in Russian for the user. noPrinter says there is no printer
// at all, so the caller can offer to save the receipt as PDF instead.
struct PrintResult {
    bool ok = false;
    QString reason;
    bool noPrinter = false;
    int pages = 0;
};

// The installed faces tried, in order, for a face name of the page ("Times New Roman cyr" and the
// like map to Times-metric serifs with Cyrillic glyphs, never to a sans face).
QStringList fontFamiliesFor(const QString &face);

// The font of a text on the page, sized in twips (points × 20) for a painter that draws in twips.
QFont receiptFont(const QString &face, int pointSize, bool bold);

// The part of printer's current paper that it can print on, in twips from the sheet's top-left corner,
// as it stands in portrait: the whole sheet where the printer reports no margins (a PDF file).
QRect printableAreaTwips(const QPrinter &printer);

// Widths of texts as the receipt prints them on printer, for laying it out.
TextWidth printerTextWidth(const QPrinter &printer);

// Why printer cannot print, in Russian, or an empty text when it can. With no print system answering,
// Qt silently turns the default printer into a PDF printer without a file: that is no printer.
QString missingPrinterReason(const QPrinter &printer);

// A high-resolution printer for the system's default printer, and one that writes a PDF file.
std::unique_ptr<QPrinter> newDefaultPrinter();
std::unique_ptr<QPrinter> newPdfPrinter(const QString &fileName);

// Draws ops on printer: the printable area as the page, twips from its top-left corner, one sheet per
// NewPage. Blanks are drawn so that they copy out of a PDF as blanks. The orientation and paper size of the list are set before the job begins. On failure a
// begun job is aborted, a half-written PDF file removed, and the reason returned.
PrintResult renderOps(QPrinter &printer, const DrawOps &ops);

// Prints the receipt on printer: sets portrait, measures the printable area, lays the receipt out (tabPrint)
// and draws it. Refuses a printer with no print system behind it (noPrinter). The grid is read as
// tabPrint says: the caller writes back a pending edit before and moves the current cell after.
PrintResult printReceipt(QPrinter &printer, const ReceiptTexts &texts, const FlexGrid &grid);

// The same for the printer of a print preview, which has no print system of its own.
PrintResult previewReceipt(QPrinter &printer, const ReceiptTexts &texts, const FlexGrid &grid);
