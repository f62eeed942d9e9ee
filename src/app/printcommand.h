// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "receiptlayout.h"

#include <QObject>
#include <QString>

#include <functional>
#include <optional>

class FrmSelvaro;
class QDialog;
class QPrinter;
class QWidget;
struct PrintResult;

// The print commands of the receipt window: "Печать" on the default printer (also Ctrl+P), and the
// context menu of the "Печать" button with "Печать…" (choose the printer), "Предварительный
// просмотр…" and "Сохранить в PDF…".
//
// Every command first writes a pending cell edit back and refreshes the line sums, the total and its
// words once, warns when the receipt number cannot count on, then reads the window's texts and the
// grid's cells without moving the current cell, and after a print makes the last column of the last line current in one move. A receipt printed
// or saved as PDF raises the receipt number in TextN and saves it at once; a failure is told to the user
// and leaves the number as it was. Only a preview never counts.
class PrintCommand : public QObject {
    Q_OBJECT
public:
    // Gives window's "Печать" button its context menu and the window its Ctrl+P shortcut, both leading
    // here. The window must outlive this object.
    explicit PrintCommand(FrmSelvaro *window);

    // "Печать": prints on the default printer. With no printer at all offers to save a PDF instead.
    void print();
    // "Печать…": lets the user choose the printer and its settings, then prints there.
    void printWithDialog();
    // "Предварительный просмотр…": shows the page as it will be printed. Printing from the preview
    // counts as a print.
    void preview();
    // "Сохранить в PDF…": asks for a file name and writes the receipt there as a PDF.
    void saveAsPdf();

    // Tests: runs the modal dialogs of the commands (the print dialog and the preview) instead of
    // exec(); returns the dialog's result. An empty runner restores exec().
    using DialogRunner = std::function<int(QDialog &dialog)>;
    static void setDialogRunner(DialogRunner runner);

    // Tests: asks for the PDF file name instead of the file dialog; an empty name means cancelled.
    // An empty chooser restores the file dialog.
    using SaveFileNameChooser =
        std::function<QString(QWidget *parent, const QString &caption, const QString &suggestedPath)>;
    static void setSaveFileNameChooser(SaveFileNameChooser chooser);
    // The PDF file name the user chose (through the chooser above when one is set); empty when cancelled.
    static QString askPdfFileName(QWidget *parent, const QString &caption, const QString &suggestedPath);

private:
    // Brings the sums, the total and its words up to date and reads the texts of the page; nothing
    // when the seller, told that the receipt number cannot count on, does not print.
    std::optional<ReceiptTexts> prepare();
    void moveToLastCell();
    // Takes the number in a shared journal, prints on printer, then moves to the last cell and counts or
    // reports the print.
    void printOn(QPrinter &printer, ReceiptTexts texts);
    void finishPrint(const ReceiptTexts &printed, const PrintResult &result, const QPrinter &printer);
    void savePdf(ReceiptTexts texts);
    void count(const ReceiptTexts &printed, const QPrinter &printer);
    QString suggestedPdfPath(const ReceiptTexts &texts) const;

    FrmSelvaro *m_window;
    bool m_busy = false;
    QString m_pdfDir;
};
