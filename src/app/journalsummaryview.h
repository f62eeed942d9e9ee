// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "journal.h"

#include <QLocale>
#include <QWidget>

class QBarSeries;
class QBarCategoryAxis;
class QChart;
class QLabel;
class QValueAxis;

// «Итоги»: a period's receipts, their sum, the average receipt, those whose total is not a number (told
// apart, as they are not in the sum), and a bar chart of the totals by day (by month beyond a year).
class JournalSummaryView : public QWidget {
    Q_OBJECT
public:
    // Amounts and dates are written as locale writes them.
    explicit JournalSummaryView(const QLocale &locale, QWidget *parent = nullptr);

    void showSummary(const JournalSummary &summary);
    // Tells, or stops telling, that the list is narrowed by a search the summary does not follow.
    void setNarrowed(bool narrowed);
    // Shows why there is no summary, the chart emptied.
    void showFailure(const QString &text);

    // The chart, for its bars.
    QChart *chart() const { return m_chart; }

    // kopecks as "1 234,56 руб.", exact.
    static QString money(qint64 kopecks, const QLocale &locale);

private:
    void setBars(const QStringList &categories, const QList<qint64> &kopecks, bool labelled);

    QLocale m_locale;
    QLabel *m_period;
    QLabel *m_narrowed;
    QLabel *m_figures;
    QChart *m_chart;
    QBarSeries *m_series;
    QBarCategoryAxis *m_axisX;
    QValueAxis *m_axisY;
    QStringList m_barTips;
};
