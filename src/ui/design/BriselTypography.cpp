#include "ui/design/BriselTypography.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QScreen>

#include <algorithm>

namespace brisel {

QFont BriselTypography::systemFont(double pixels, QFont::Weight weight) {
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    const QScreen* screen = QGuiApplication::primaryScreen();
    const double dpi = screen ? screen->logicalDotsPerInch() : 96.0;
    // Point sizes keep the font scaling with the screen; this point size is `pixels` pixels tall.
    font.setPointSizeF(pixels * 72.0 / dpi);
    font.setWeight(weight);
    return font;
}

const QFont& BriselTypography::heroMetric() {
    static const QFont font = systemFont(28, QFont::Bold);
    return font;
}

const QFont& BriselTypography::sectionHeader() {
    static const QFont font = systemFont(11, QFont::DemiBold);
    return font;
}

const QFont& BriselTypography::controlLabel() {
    static const QFont font = systemFont(12.5, QFont::Normal);
    return font;
}

const QFont& BriselTypography::controlValue() {
    static const QFont font = systemFont(11.5, QFont::Medium);
    return font;
}

const QFont& BriselTypography::microMeta() {
    static const QFont font = systemFont(11, QFont::Normal);
    return font;
}

const QFont& BriselTypography::settingsTab() {
    static const QFont font = systemFont(12, QFont::Medium);
    return font;
}

QSizeF BriselTypography::wrappedSize(const QFont& font, const QString& text, double width) {
    return QFontMetricsF(font)
        .boundingRect(QRectF(0, 0, std::max(width, 1.0), 1e6), Qt::TextWordWrap, text)
        .size();
}

} // namespace brisel
