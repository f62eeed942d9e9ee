// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// The text of one of the window's text boxes, as the receipt logic reads and writes it.
class TextBox {
public:
    virtual ~TextBox() = default;
    virtual QString Text() const = 0;
    virtual void setText(const QString &text) = 0;
};
