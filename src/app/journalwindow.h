// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "journal.h"

#include <QAbstractTableModel>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

class FrmSelvaro;
class JournalRecorder;
class JournalSummaryView;
class QCheckBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPrintPreviewWidget;
class QPrinter;
class QPushButton;
class QTabWidget;
class QTableView;
class QTimer;

// The journal's receipts, newest first, for a view: №, date, total, seller, first goods name. Rows are
// read a page at a time as the view scrolls (canFetchMore / fetchMore), never all at once.
class JournalModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // journal answers the rows (nullptr lists nothing); it must outlive the model or be replaced.
    explicit JournalModel(QObject *parent = nullptr);

    // Lists what filter finds in journal, from the newest; the reason of a failed read goes to failure.
    void setQuery(Journal *journal, const JournalFilter &filter);
    const JournalRow &row(int index) const { return m_rows.at(index); }
    // Why the last read failed, or an empty text.
    QString failure() const { return m_failure; }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    bool canFetchMore(const QModelIndex &parent) const override;
    void fetchMore(const QModelIndex &parent) override;

private:
    Journal *m_journal = nullptr;
    JournalFilter m_filter;
    QList<JournalRow> m_rows;
    bool m_atEnd = true;
    QString m_failure;
};

// «Журнал чеков»: the list of recorded receipts with a search box and a date range, the selected
// receipt shown as it was printed, and its actions: «Печать копии», «Сохранить в PDF…» and «Новый чек
// по образцу», which copies its lines into the receipt window. Beside the list, «Итоги» sums up the
// date range, and «Экспорт CSV…» writes its lines for a spreadsheet.
class JournalWindow : public QWidget {
    Q_OBJECT
public:
    // A window of its own that closes with window; recorder does the printing and recording.
    JournalWindow(JournalRecorder *recorder, FrmSelvaro *window);
    ~JournalWindow() override;

    // Reads the list again with the current search and dates (after a receipt was recorded).
    void reload();
    // The receipt selected, as recorded; nullopt when none is.
    const std::optional<JournalReceipt> &selected() const { return m_selected; }
    JournalModel *model() const { return m_model; }

    void printCopy();
    void saveAsPdf();
    void newFromSample();
    // Asks for a file and writes the lines of the date range's receipts there as CSV.
    void exportCsv();

    // Tests: asks for the CSV file name instead of the file dialog; an empty name means cancelled. An
    // empty chooser restores the file dialog.
    using FileNameChooser = std::function<QString(QWidget *parent, const QString &caption, const QString &suggestedPath)>;
    static void setCsvFileNameChooser(FileNameChooser chooser);

    // Sends the receipts printed while the server was away and says how it went.
    void sendUnsent();

protected:
    void showEvent(QShowEvent *event) override;

private:
    JournalFilter filter() const;
    void select(const QModelIndex &index);
    void paintPreview(QPrinter *printer);
    void showFailure(const QString &text);
    // Sums up the date range when «Итоги» is shown and the range or the journal changed.
    void updateSummary();

    JournalRecorder *m_recorder;
    FrmSelvaro *m_window;
    JournalModel *m_model;
    QLineEdit *m_search;
    QCheckBox *m_period;
    QDateEdit *m_from;
    QDateEdit *m_to;
    QTableView *m_view;
    QTabWidget *m_tabs;
    JournalSummaryView *m_summary;
    QPushButton *m_exportCsv;
    // The range «Итоги» shows; none when it is to be summed up again.
    std::optional<std::pair<QDate, QDate>> m_summarized;
    QLabel *m_status;
    std::unique_ptr<QPrinter> m_previewPrinter;
    QPrintPreviewWidget *m_preview;
    QPushButton *m_printCopy;
    QPushButton *m_savePdf;
    QPushButton *m_fromSample;
    QPushButton *m_sendUnsent;
    QTimer *m_searchDelay;
    std::optional<JournalReceipt> m_selected;
};
