// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgetboxes.h"

#include "twips.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>

void ClickLineEdit::mouseReleaseEvent(QMouseEvent *event)
{
    QLineEdit::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit Click();
}

void ClickLineEdit::focusInEvent(QFocusEvent *event)
{
    QLineEdit::focusInEvent(event);
    if (event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason)
        emit KeyClick();
}

void ClickLineEdit::keyPressEvent(QKeyEvent *event)
{
    const int key = event->key();
    const bool plain = !(event->modifiers() & ~Qt::KeypadModifier);
    if (plain && (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space)) {
        emit KeyClick();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void ClickLineEdit::focusOutEvent(QFocusEvent *event)
{
    QLineEdit::focusOutEvent(event);
    if (event->reason() != Qt::ActiveWindowFocusReason && event->reason() != Qt::PopupFocusReason)
        emit LostFocus();
}

void LineCellEditor::setVisible(bool visible)
{
    m_pending = visible;
    showEdit(visible);
}

void LineCellEditor::showEdit(bool shown)
{
    if (!shown && m_edit->hasFocus() && m_focusAfter)
        m_focusAfter->setFocus(Qt::OtherFocusReason);
    m_edit->setVisible(shown);
    if (shown)
        m_edit->raise();
}

void LineCellEditor::Move(int left, int top, int width, int height)
{
    const Twips twips(*m_edit);
    m_edit->setGeometry(twips.toPixels(left, top, width, height));
}

void LineCellEditor::showIn(const QRect &inView)
{
    if (!m_pending)
        return;
    const bool back = !inView.isEmpty() && !m_edit->isVisibleTo(m_edit->parentWidget());
    if (!inView.isEmpty())
        m_edit->setGeometry(inView);
    showEdit(!inView.isEmpty());
    // Hidden, it handed the focus to the grid: back in view, it takes it again.
    if (back && m_focusAfter && m_focusAfter->hasFocus())
        m_edit->setFocus(Qt::OtherFocusReason);
}
