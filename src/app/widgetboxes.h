// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "celledit.h"
#include "textbox.h"

#include <QLineEdit>
#include <QPlainTextEdit>

// A line edit that reports a mouse click on it and the loss of the focus to another control (not the
// window losing activation, after which the focus comes back). Reached by the keyboard (Tab, Shift+Tab)
// or pressed with Enter or Space, it reports KeyClick, so that what a click does needs no mouse.
class ClickLineEdit : public QLineEdit {
    Q_OBJECT
public:
    using QLineEdit::QLineEdit;

signals:
    void Click();
    void KeyClick();
    void LostFocus();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
};

// The text of a line edit for the receipt logic.
class LineEditBox : public TextBox {
public:
    explicit LineEditBox(QLineEdit *edit) : m_edit(edit) {}
    QString Text() const override { return m_edit->text(); }
    void setText(const QString &text) override { m_edit->setText(text); }

private:
    QLineEdit *m_edit;
};

// The text of a multi-line box for the receipt logic.
class PlainTextBox : public TextBox {
public:
    explicit PlainTextBox(QPlainTextEdit *edit) : m_edit(edit) {}
    QString Text() const override { return m_edit->toPlainText(); }
    void setText(const QString &text) override { m_edit->setPlainText(text); }

private:
    QPlainTextEdit *m_edit;
};

// The in-place editor over a line edit on the window. Hiding it while it has the focus hands the focus
// to focusAfter (the grid), so the keyboard stays where the user was typing. Visible() is the pending
// edit: the line edit itself may be hidden meanwhile while its cell is scrolled out of view.
class LineCellEditor : public CellEditor {
public:
    LineCellEditor(QLineEdit *edit, QWidget *focusAfter) : m_edit(edit), m_focusAfter(focusAfter) {}
    QString Text() const override { return m_edit->text(); }
    void setText(const QString &text) override { m_edit->setText(text); }
    bool Visible() const override { return m_pending; }
    void setVisible(bool visible) override;
    void Move(int left, int top, int width, int height) override;
    void SetFocus() override { m_edit->setFocus(Qt::MouseFocusReason); }
    bool ReadOnly() const override { return m_edit->isReadOnly(); }
    void setReadOnly(bool readOnly) override { m_edit->setReadOnly(readOnly); }
    void selectAll() override { m_edit->selectAll(); }
    void setCursorAtEnd() override { m_edit->end(false); }

    // Lays a pending editor over the part of its cell in view (pixels on the window); an empty rect
    // hides it, the edit still pending, until its cell comes back into view.
    void showIn(const QRect &inView);

private:
    void showEdit(bool shown);

    QLineEdit *m_edit;
    QWidget *m_focusAfter;
    bool m_pending = false;
};
