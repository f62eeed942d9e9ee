// SPDX-License-Identifier: GPL-3.0-or-later
#include "messagebox.h"

#include <QAbstractButton>
#include <QHash>
#include <QPushButton>

#include <utility>

namespace MessageBox {
namespace {

QList<Answerer> s_nextAnswers;
Answer s_defaultAnswer = NoAnswer;
QList<Shown> s_shown;

QString caption(Answer answer)
{
    switch (answer) {
    case Ok:
        return QStringLiteral("OK");
    case Retry:
        return QStringLiteral("Повторить");
    case CloseWithoutSaving:
        return QStringLiteral("Закрыть без сохранения");
    case Cancel:
        return QStringLiteral("Отмена");
    case SaveAsPdf:
        return QStringLiteral("Сохранить в PDF…");
    case PrintAnyway:
        return QStringLiteral("Печатать");
    case NoAnswer:
        break;
    }
    return QString();
}

QMessageBox::ButtonRole role(Answer answer)
{
    switch (answer) {
    case Ok:
        return QMessageBox::AcceptRole;
    case Retry:
        return QMessageBox::AcceptRole;
    case CloseWithoutSaving:
        return QMessageBox::DestructiveRole;
    case Cancel:
        return QMessageBox::RejectRole;
    case SaveAsPdf:
        return QMessageBox::AcceptRole;
    case PrintAnyway:
        return QMessageBox::AcceptRole;
    case NoAnswer:
        break;
    }
    return QMessageBox::NoRole;
}

} // namespace

Answer show(QWidget *parent, QMessageBox::Icon icon, const QString &title, const QString &text,
            const QList<Answer> &buttons, Answer defaultAnswer, Answer escapeAnswer)
{
    // Only answered boxes are recorded, so a running program keeps no history.
    if (!s_nextAnswers.isEmpty()) {
        const Shown shown{icon, title, text, buttons};
        s_shown.append(shown);
        return s_nextAnswers.takeFirst()(shown);
    }
    if (s_defaultAnswer != NoAnswer) {
        s_shown.append({icon, title, text, buttons});
        return s_defaultAnswer;
    }

    QMessageBox box(icon, title, text, QMessageBox::NoButton, parent);
    QHash<QAbstractButton *, Answer> answers;
    for (Answer answer : buttons) {
        QPushButton *button = box.addButton(caption(answer), role(answer));
        answers.insert(button, answer);
        if (answer == defaultAnswer)
            box.setDefaultButton(button);
        if (answer == escapeAnswer)
            box.setEscapeButton(button);
    }
    box.exec();
    return answers.value(box.clickedButton(), escapeAnswer);
}

void critical(QWidget *parent, const QString &title, const QString &text)
{
    show(parent, QMessageBox::Critical, title, text, {Ok}, Ok, Ok);
}

void setNextAnswer(Answer answer)
{
    s_nextAnswers.append([answer](const Shown &) { return answer; });
}

void setNextAnswer(Answerer answerer)
{
    s_nextAnswers.append(std::move(answerer));
}

void setDefaultAnswer(Answer answer)
{
    s_defaultAnswer = answer;
}

QList<Shown> takeShown()
{
    QList<Shown> shown;
    shown.swap(s_shown);
    return shown;
}

} // namespace MessageBox
