// SPDX-License-Identifier: GPL-3.0-or-later
#include "journalsummaryview.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QLabel>
#include <QToolTip>
#include <QValueAxis>
#include <QVBoxLayout>

namespace {

// Up to a year the chart has a bar a day, up to ten years a bar a month, beyond that a bar a year: a
// thousand bars would be thinner than a pixel.
constexpr qsizetype kMostDailyBars = 366;
constexpr qsizetype kMostMonthlyDays = 3660;
// Up to this many bars each is labelled under the axis.
constexpr qsizetype kMostLabels = 31;

QString plural(qint64 n, const char *one, const char *few, const char *many)
{
    const qint64 tens = n % 100, units = n % 10;
    const char *word = tens >= 11 && tens <= 14 ? many : units == 1 ? one : units >= 2 && units <= 4 ? few : many;
    return QStringLiteral("%1 %2").arg(n).arg(QString::fromUtf8(word));
}

} // namespace

QString JournalSummaryView::money(qint64 kopecks, const QLocale &locale)
{
    const quint64 whole = kopecks < 0 ? 0 - quint64(kopecks) : quint64(kopecks);
    return QStringLiteral("%1%2%3%4 руб.")
        .arg(kopecks < 0 ? locale.negativeSign() : QString(), locale.toString(whole / 100), locale.decimalPoint())
        .arg(whole % 100, 2, 10, QLatin1Char('0'));
}

JournalSummaryView::JournalSummaryView(const QLocale &locale, QWidget *parent)
    : QWidget(parent), m_locale(locale), m_period(new QLabel(this)),
      m_narrowed(new QLabel(QStringLiteral("Поиск не учитывается: итоги за все чеки периода."), this)), m_figures(new QLabel(this)), m_chart(new QChart),
      m_series(new QBarSeries(m_chart)), m_axisX(new QBarCategoryAxis(m_chart)), m_axisY(new QValueAxis(m_chart))
{
    m_period->setObjectName(QStringLiteral("summaryPeriod"));
    m_period->setWordWrap(true);
    m_narrowed->setObjectName(QStringLiteral("summaryNarrowed"));
    m_narrowed->hide();
    m_figures->setObjectName(QStringLiteral("summaryFigures"));
    m_figures->setTextFormat(Qt::PlainText);
    m_figures->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_figures->setWordWrap(true);

    m_chart->addSeries(m_series);
    m_chart->addAxis(m_axisX, Qt::AlignBottom);
    m_chart->addAxis(m_axisY, Qt::AlignLeft);
    m_series->attachAxis(m_axisX);
    m_series->attachAxis(m_axisY);
    m_chart->legend()->hide();
    m_chart->setLocalizeNumbers(true);
    m_chart->setLocale(locale);
    m_chart->setMargins(QMargins(4, 4, 4, 4));
    m_axisX->setLabelsAngle(-90);
    m_axisX->setTruncateLabels(false);
    m_axisY->setLabelFormat(QStringLiteral("%.0f"));
    m_axisY->setTitleText(QStringLiteral("руб."));
    connect(m_series, &QBarSeries::hovered, this, [this](bool on, int index) {
        if (on && index >= 0 && index < m_barTips.size())
            QToolTip::showText(QCursor::pos(), m_barTips.at(index), this);
        else
            QToolTip::hideText();
    });

    auto *view = new QChartView(m_chart, this);
    view->setObjectName(QStringLiteral("summaryChart"));
    view->setRenderHint(QPainter::Antialiasing, false);
    view->setMinimumHeight(200);
    view->setAccessibleName(QStringLiteral("Суммы по дням"));

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_period);
    layout->addWidget(m_narrowed);
    layout->addWidget(m_figures);
    layout->addWidget(view, 1);
}

void JournalSummaryView::setNarrowed(bool narrowed)
{
    m_narrowed->setVisible(narrowed);
}

void JournalSummaryView::showSummary(const JournalSummary &summary)
{
    const QString format = m_locale.dateFormat(QLocale::ShortFormat);
    m_period->setText(summary.from.isValid() ? QStringLiteral("С %1 по %2, без копий.")
                                                   .arg(m_locale.toString(summary.from, format), m_locale.toString(summary.to, format))
                                             : QStringLiteral("В журнале ещё нет чеков."));

    const bool oneNotNumber = summary.notNumbers % 10 == 1 && summary.notNumbers % 100 != 11; // "21 чек ... вошёл"
    QStringList figures{QStringLiteral("Чеков: %1").arg(summary.receipts),
                        QStringLiteral("Сумма: %1").arg(money(summary.kopecks, m_locale)),
                        QStringLiteral("Средний чек: %1").arg(money(summary.averageKopecks(), m_locale))};
    figures << (summary.notNumbers == 0 ? QStringLiteral("Итог не числом: нет")
                                        : QStringLiteral("Итог не числом: %1 — не %2 в сумму и средний чек")
                                              .arg(plural(summary.notNumbers, "чек", "чека", "чеков"),
                                                   oneNotNumber ? QStringLiteral("вошёл") : QStringLiteral("вошли")));
    m_figures->setText(figures.join(u'\n'));

    QStringList categories;
    QList<qint64> bars;
    m_barTips.clear();
    const qsizetype days = summary.daily.size();
    enum { Day, Month, Year } step = days <= kMostDailyBars ? Day : days <= kMostMonthlyDays ? Month : Year;
    for (qsizetype i = 0; i < days; ++i) {
        const QDate day = summary.from.addDays(i);
        if (step == Day) {
            categories << day.toString(days <= kMostLabels ? QStringLiteral("dd.MM") : QStringLiteral("dd.MM.yyyy"));
            m_barTips << m_locale.toString(day, format);
        } else if (i == 0 || (day.day() == 1 && (step == Month || day.month() == 1))) {
            categories << day.toString(step == Month ? QStringLiteral("MM.yyyy") : QStringLiteral("yyyy"));
            m_barTips << (step == Month ? m_locale.standaloneMonthName(day.month()) + u' ' : QString()) + QString::number(day.year());
        } else {
            bars.last() += summary.daily[i];
            continue;
        }
        bars << summary.daily[i];
    }
    for (qsizetype i = 0; i < bars.size(); ++i)
        m_barTips[i] += QStringLiteral(": ") + money(bars[i], m_locale);
    m_chart->setTitle(step == Day ? QString() : step == Month ? QStringLiteral("По месяцам") : QStringLiteral("По годам"));
    setBars(categories, bars, bars.size() <= kMostLabels);
}

void JournalSummaryView::showFailure(const QString &text)
{
    m_period->setText(text);
    m_figures->clear();
    m_barTips.clear();
    setBars({}, {}, false);
}

void JournalSummaryView::setBars(const QStringList &categories, const QList<qint64> &kopecks, bool labelled)
{
    m_series->clear();
    auto *set = new QBarSet(QStringLiteral("Сумма"));
    double low = 0, high = 0;
    QList<qreal> values;
    values.reserve(kopecks.size());
    for (qint64 k : kopecks) {
        values << k / 100.0; // for drawing only: the figures above are exact
        low = qMin(low, values.last());
        high = qMax(high, values.last());
    }
    set->append(values);
    m_series->append(set);
    m_axisX->setCategories(categories);
    m_axisX->setLabelsVisible(labelled);
    m_axisY->setRange(low, high > low ? high : low + 1);
    m_axisY->applyNiceNumbers();
}
