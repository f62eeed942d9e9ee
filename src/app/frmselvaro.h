// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "celledit.h"
#include "stateplaces.h"

#include <QHash>
#include <QLocale>
#include <QWidget>

#include <memory>

class ClickLineEdit;
class GoodsCompleter;
struct JournalGoods;
class JournalRecorder;
class LineCellEditor;
class LineEditBox;
class PaintThrottle;
class PlainTextBox;
class PrintCommand;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class TableFlexGrid;

// The receipt window: the seller header line, the receipt number, the grid of receipt lines with its
// in-place editor, the total in figures and in words, the seller's name and the four buttons. The text
// of a control is the value; every handler works on the controls directly.
class FrmSelvaro : public QWidget {
    Q_OBJECT
public:
    // Creates the window with its 18 controls and runs Form_Load: the header line and the receipt
    // number come from the state files in places. Numbers are written in locale.
    explicit FrmSelvaro(const StatePlaces &places = defaultStatePlaces(), const QLocale &locale = QLocale(),
                        QWidget *parent = nullptr);
    ~FrmSelvaro() override;

    // The window of one receipt book: opens it on the state files in places, locked against a second
    // copy of the program for as long as the window lives. When another running copy has them open,
    // tells the user so and returns null.
    static std::unique_ptr<FrmSelvaro> openReceiptBook(const StatePlaces &places = defaultStatePlaces(),
                                                       const QLocale &locale = QLocale());

    // Loads the state files, then gives the grid its headings, column 0 its width and the header row
    // its height.
    void Form_Load();
    // Springs a window made too small in both directions back to its minimum size, then lays out the
    // grid and the block below it for the client size.
    void Form_Resize();
    // Saves the state files once per run, then names any characters of the header or the number that
    // the files cannot hold. When a save fails the user chooses: retry, close without saving, or keep
    // the window open (returns false).
    bool Form_Unload();
    // Saves the receipt number alone (after a print) or both state files. The first time the files have
    // to go to the user's data directory, tells the user where they are kept now.
    QList<SaveFailure> saveStateFiles(bool numberOnly);
    // "Выход": closes the window (saving as Form_Unload does) and ends the application.
    void CmdExit_Click();
    // "Добавить строку" and " Удалить строку".
    void CmdAddS_Click();
    void CmdDelS_Click();
    // "Печать": prints the receipt on the default printer and raises the receipt number (see
    // PrintCommand, which also gives the button its context menu and the window Ctrl+P).
    void CmdPrint_Click();
    // The grid's events: show the editor over the clicked cell; write a pending edit back before the
    // current cell changes; recalculate the line sums after it changed, then write back.
    void MSFGAZ_Click();
    void MSFGAZ_LeaveCell();
    void MSFGAZ_RowColChange();
    void CommitCellEdit();
    // A click on the total (or reaching it by keys) writes a pending edit back, recalculates the line sums
    // and adds them up; leaving it writes the total in words.
    void Text7_Click();
    void Text7_LostFocus();
    // What a print relies on: writes a pending edit back, then recalculates the line sums, the total and
    // its words, without yielding to other events.
    void recalculateAll();

    // The locale's decimal separator.
    QChar DecimalSeparator() const;
    // The client area in twips.
    int ScaleWidth() const;
    int ScaleHeight() const;

    const QLocale &locale() const { return m_locale; }
    const StatePlaces &statePlaces() const { return m_places; }
    // The receipt journal: recording, the draft and the journal window.
    JournalRecorder *journalRecorder() const { return m_journalRecorder; }

    TableFlexGrid *MSFGAZ() const { return m_MSFGAZ; }
    QLineEdit *txtDataEntry() const;
    QLineEdit *Text7() const;
    QPlainTextEdit *Text4() const { return m_Text4; }
    QLineEdit *TxtClish() const { return m_TxtClish; }
    QLineEdit *TextN() const { return m_TextN; }
    QLineEdit *TextFIO() const { return m_TextFIO; }
    QPushButton *CmdPrint() const { return m_CmdPrint; }
    QPushButton *CmdSaveg() const { return m_CmdSaveg; }
    QPushButton *CmdAddS() const { return m_CmdAddS; }
    QPushButton *CmdDelS() const { return m_CmdDelS; }
    QPushButton *CmdExit() const { return m_CmdExit; }

protected:
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createControls();
    void nameEditor();
    // Shows the editor over the current cell (scrolled into view); first, the key that opened it, is
    // handed to it before queued events run.
    void openEditor(EditorOpening opening, QKeyEvent *first = nullptr);
    void showEditor(EditorOpening opening, const std::function<void()> &beforeYield);
    // Lays a pending editor over its cell where the grid now shows it, hidden while it is out of view.
    void placeEditor();
    void enterKey(EntryKey key);
    void refreshTotal();
    void fitTotal();
    void tellCharactersNotKept();
    bool gridKey(QKeyEvent *key);
    bool editorKey(QKeyEvent *key);
    // The total as Text7_Click makes it, yielding through yield.
    void makeTotal(const std::function<void()> &yield);
    // Ctrl+Tab, Ctrl+Shift+Tab: the focus goes to the control after or before the grid.
    void leaveGrid(bool forward);
    // A goods name chosen from the list: its unit and price go into the line's empty cells.
    void goodsChosen(const JournalGoods &goods);

    StatePlaces m_places;
    QLocale m_locale;
    bool m_finished = false;
    std::unique_ptr<QLockFile> m_lock;
    bool m_openingOwed = false;  // a key move made a new cell current and the editor has not opened on it yet
    int m_editorOpenings = 0;  // times the editor was shown from hidden

    ClickLineEdit *m_Text7 = nullptr;
    QLineEdit *m_TextN = nullptr;
    QLineEdit *m_TextFIO = nullptr;
    QPlainTextEdit *m_Text4 = nullptr;
    QPushButton *m_CmdPrint = nullptr;
    QPushButton *m_CmdSaveg = nullptr;
    QLineEdit *m_txtDataEntry = nullptr;
    QLineEdit *m_TxtClish = nullptr;
    TableFlexGrid *m_MSFGAZ = nullptr;
    QPushButton *m_CmdAddS = nullptr;
    QPushButton *m_CmdDelS = nullptr;
    QPushButton *m_CmdExit = nullptr;
    QHash<QString, QWidget *> m_byName;
    PaintThrottle *m_paintThrottle = nullptr;
    PrintCommand *m_printCommand = nullptr;
    JournalRecorder *m_journalRecorder = nullptr;
    GoodsCompleter *m_goodsCompleter = nullptr;

    std::unique_ptr<LineCellEditor> m_editor;
    std::unique_ptr<LineEditBox> m_text7Box;
    std::unique_ptr<PlainTextBox> m_text4Box;
    QFont m_text7Font;
};
