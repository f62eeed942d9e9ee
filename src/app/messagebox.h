// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QMessageBox>
#include <QString>

#include <functional>

class QWidget;

// Every message box of the program goes through here, so that tests can answer it in advance and
// never open a real modal box.
namespace MessageBox {

enum Answer {
    NoAnswer,
    Ok,
    Retry,               // "Повторить"
    CloseWithoutSaving,  // "Закрыть без сохранения"
    Cancel,              // "Отмена"
    SaveAsPdf,           // "Сохранить в PDF…"
    PrintAnyway,         // "Печатать"
};

// A box that was asked for, as the user would have seen it.
struct Shown {
    QMessageBox::Icon icon;
    QString title;
    QString text;
    QList<Answer> buttons;
};

// Shows a modal box with the given buttons (Russian captions) and returns the one chosen; closing the
// box by Esc or its close button gives escapeAnswer. Answers set in advance are used instead, in order.
Answer show(QWidget *parent, QMessageBox::Icon icon, const QString &title, const QString &text,
            const QList<Answer> &buttons, Answer defaultAnswer, Answer escapeAnswer);

// A critical message with an OK button.
void critical(QWidget *parent, const QString &title, const QString &text);

// Tests: the next box is not shown but answered with answer (queued, one per box).
void setNextAnswer(Answer answer);
// Tests: the next box is answered by answerer, which sees the box and may act as the user would
// before answering (free a disk, fix a permission).
using Answerer = std::function<Answer(const Shown &)>;
void setNextAnswer(Answerer answerer);
// Tests: every box without a queued answer is answered with answer instead of being shown
// (NoAnswer shows real boxes again).
void setDefaultAnswer(Answer answer);
// Tests: the boxes answered in advance since the last call, oldest first.
QList<Shown> takeShown();

} // namespace MessageBox
