// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgetboxes.h"

#include "twips.h"

#include <QFocusEvent>
#include <QMouseEvent>

void ClickLineEdit::mouseReleaseEvent(QMouseEvent *event)
{
    QLineEdit::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit Click();
}

void ClickLineEdit::focusOutEvent(QFocusEvent *event)
{
    QLineEdit::focusOutEvent(event);
    if (event->reason() != Qt::ActiveWindowFocusReason && event->reason() != Qt::PopupFocusReason)
        emit LostFocus();
}

void LineCellEditor::setVisible(bool visible)
{
    if (!visible && m_edit->hasFocus() && m_focusAfter)
        m_focusAfter->setFocus(Qt::OtherFocusReason);
    m_edit->setVisible(visible);
    if (visible)
        m_edit->raise();
}

void LineCellEditor::Move(int left, int top, int width, int height)
{
    const Twips twips(*m_edit);
    m_edit->setGeometry(twips.toPixels(left, top, width, height));
}
