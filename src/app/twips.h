// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFont>
#include <QPaintDevice>
#include <QRect>
#include <QString>

#include <cmath>

// The window keeps its positions and sizes in twips (1/1440 inch); widgets are placed in pixels.
// This is the one place that maps one to the other, by the screen's logical DPI: 15 twips a pixel
// at 96 dpi. Converting pixels to twips and back gives the same pixels at any DPI below 720.
class Twips {
public:
    // The scale of device's screen.
    explicit Twips(const QPaintDevice &device) : m_dpiX(device.logicalDpiX()), m_dpiY(device.logicalDpiY()) {}
    Twips(int dpiX, int dpiY) : m_dpiX(dpiX), m_dpiY(dpiY) {}

    int toPixelsX(double twips) const { return int(std::lround(twips * m_dpiX / 1440.0)); }
    int toPixelsY(double twips) const { return int(std::lround(twips * m_dpiY / 1440.0)); }
    int fromPixelsX(int pixels) const { return int(std::lround(pixels * 1440.0 / m_dpiX)); }
    int fromPixelsY(int pixels) const { return int(std::lround(pixels * 1440.0 / m_dpiY)); }

    // A rectangle given in twips, in pixels.
    QRect toPixels(double left, double top, double width, double height) const
    {
        return QRect(toPixelsX(left), toPixelsY(top), toPixelsX(width), toPixelsY(height));
    }

private:
    int m_dpiX;
    int m_dpiY;
};

// The font a control was designed with, by its design name, size in points and weight. "MS Sans Serif"
// does not exist here: it becomes a sans face of similar metrics (Liberation Sans, Arial), else the
// system's sans face. Other names are asked for as they are.
QFont designFont(const QString &family, double pointSize, bool bold = false);
