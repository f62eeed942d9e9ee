// SPDX-License-Identifier: GPL-3.0-or-later
#include "goodscompleter.h"

#include <QEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QScreen>

#include <algorithm>

GoodsCompleter::GoodsCompleter(QLineEdit *editor, Lookup lookup, QWidget *window)
    : QObject(window), m_editor(editor), m_lookup(std::move(lookup)), m_window(window), m_list(new QListWidget(window))
{
    m_list->setObjectName(QStringLiteral("goodsList"));
    m_list->setAccessibleName(QStringLiteral("Товары из журнала"));
    // A window of its own, so that it may reach past the receipt window's edge, and one that is never
    // activated: the keys stay with the editor, in the order they were typed.
    m_list->setWindowFlags(Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus);
    m_list->setAttribute(Qt::WA_ShowWithoutActivating);
    m_list->setFocusPolicy(Qt::NoFocus);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_list->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_list->setUniformItemSizes(true);
    m_list->setTextElideMode(Qt::ElideRight);
    m_pending.setSingleShot(true);
    m_pending.setInterval(0);
    connect(&m_pending, &QTimer::timeout, this, &GoodsCompleter::lookUp);
    connect(m_list, &QListWidget::clicked, this, [this](const QModelIndex &index) { choose(index.row()); });
    m_editor->installEventFilter(this);
    m_window->installEventFilter(this);
}

void GoodsCompleter::textTyped()
{
    // A zero timer runs once the keys already queued are handled: a fast typist's burst asks once.
    m_pending.start();
}

void GoodsCompleter::close()
{
    m_pending.stop();
    m_list->hide();
    m_goods.clear();
}

bool GoodsCompleter::isOpen() const
{
    return m_list->isVisible();
}

void GoodsCompleter::lookUp()
{
    const QString text = m_editor->text();
    m_goods = m_editor->isVisible() && !text.trimmed().isEmpty() ? m_lookup(text) : QList<JournalGoods>();
    if (m_goods.isEmpty() || !m_editor->isVisible()) {
        close();
        return;
    }
    m_list->clear();
    m_list->setFont(m_editor->font());
    int widest = 0;
    for (const JournalGoods &goods : std::as_const(m_goods)) {
        m_list->addItem(goods.name);
        widest = std::max(widest, m_list->fontMetrics().horizontalAdvance(goods.name));
    }
    m_list->setCurrentItem(nullptr);
    m_list->clearSelection();

    // Under the editor, as wide as its longest name (at least the editor's width); above the editor
    // where the screen has no room below it.
    const QRect screen = m_editor->screen()->availableGeometry();
    const int frame = 2 * m_list->frameWidth();
    const int height = int(m_goods.size()) * m_list->sizeHintForRow(0) + frame;
    const int width = std::min(std::max(m_editor->width(), widest + frame + 12), screen.width());
    const QPoint editorTop = m_editor->mapToGlobal(QPoint(0, 0));
    int top = editorTop.y() + m_editor->height();
    if (top + height > screen.bottom() && editorTop.y() - height >= screen.top())
        top = editorTop.y() - height;
    m_list->setGeometry(std::clamp(editorTop.x(), screen.left(), std::max(screen.left(), screen.right() - width)), top, width,
                        height);
    m_list->show();
}

bool GoodsCompleter::key(const QKeyEvent *key)
{
    if (!isOpen() || (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)))
        return false;
    const int current = m_list->currentRow();
    switch (key->key()) {
    case Qt::Key_Down:
        m_list->setCurrentRow(std::min(current + 1, m_list->count() - 1));
        return true;
    case Qt::Key_Up:
        if (current > 0) {
            m_list->setCurrentRow(current - 1);
        } else {
            m_list->setCurrentItem(nullptr);
            m_list->clearSelection();
        }
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // With no name highlighted, Enter is the editor's: the list closes and the typed text stays.
        if (current >= 0 && m_list->currentItem() && m_list->currentItem()->isSelected()) {
            choose(current);
            return true;
        }
        close();
        return false;
    case Qt::Key_Escape:
        close();
        return true;
    default:
        return false;
    }
}

void GoodsCompleter::choose(int row)
{
    if (row < 0 || row >= m_goods.size() || !m_editor->isVisible())
        return;
    const JournalGoods goods = m_goods[row];
    close();
    m_editor->setText(goods.name);
    m_editor->setFocus(Qt::OtherFocusReason);
    emit chosen(goods);
}

bool GoodsCompleter::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::Hide:
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::WindowDeactivate:
        if (watched == m_editor || watched == m_window)
            close();
        break;
    case QEvent::FocusOut:
        if (watched == m_editor && static_cast<QFocusEvent *>(event)->reason() != Qt::PopupFocusReason
            && static_cast<QFocusEvent *>(event)->reason() != Qt::ActiveWindowFocusReason)
            close();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
