// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "journal.h"

#include <QList>
#include <QObject>
#include <QTimer>

#include <functional>

class QKeyEvent;
class QLineEdit;
class QListWidget;
class QWidget;

// The list of goods names sold before that opens under the in-place editor while a goods name is
// typed. It never takes the focus or a key of its own: the editor keeps both, and the window hands
// the list the keys it answers while it is open.
class GoodsCompleter : public QObject {
    Q_OBJECT
public:
    // The goods offered for a text, the first ones first; none without a journal.
    using Lookup = std::function<QList<JournalGoods>(const QString &text)>;

    // A list for editor on window (which owns it), asking lookup.
    GoodsCompleter(QLineEdit *editor, Lookup lookup, QWidget *window);

    // The editor's text was typed: the goods for it are looked up once the keys already queued are
    // typed too, and offered when there are any.
    void textTyped();
    // Closes the list; a look-up still to come is dropped.
    void close();
    bool isOpen() const;
    // A key for the open list: Down and Up move the highlight (Up off the first name leaves none),
    // Enter or Return on a highlighted name chooses it, Esc closes the list. Returns whether it was
    // taken; other keys are the editor's.
    bool key(const QKeyEvent *key);

    QListWidget *list() const { return m_list; }

signals:
    // A name was chosen (by a key or a click); the editor already holds it.
    void chosen(const JournalGoods &goods);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void lookUp();
    void choose(int row);

    QLineEdit *m_editor;
    Lookup m_lookup;
    QWidget *m_window;
    QListWidget *m_list;
    QTimer m_pending;
    QList<JournalGoods> m_goods;
};
