#pragma once

#include <QFont>
#include <QSizeF>
#include <QString>

namespace brisel {

// The six fonts of the interface: the system font at the design's sizes (in logical pixels) and
// weights, each built once on first use.
class BriselTypography {
public:
    static const QFont& heroMetric();    // 28 bold
    static const QFont& sectionHeader(); // 11 semibold
    static const QFont& controlLabel();  // 12.5 regular
    static const QFont& controlValue();  // 11.5 medium
    static const QFont& microMeta();     // 11 regular
    static const QFont& settingsTab();   // 12 medium

    // The system font at `pixels` logical pixels and `weight`.
    static QFont systemFont(double pixels, QFont::Weight weight);

    // The room `text` takes in `font` when it wraps at word breaks within `width` (at least 1).
    static QSizeF wrappedSize(const QFont& font, const QString& text, double width);
};

} // namespace brisel
