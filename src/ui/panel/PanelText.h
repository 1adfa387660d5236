#pragma once

#include <QString>

#include <cstdint>

class QLabel;
class QColor;
class QFont;

namespace brisel {

class Localizer;

// A limit or target as the panel writes it: tr("limit.off") for 0, else "80%" (digits and the
// sign, never localised; the string tables expect exactly this).
QString percentText(const Localizer& l10n, std::int64_t percent);

// A label of the panel: plain text in `font`, wrapping when asked.
void setUpPanelLabel(QLabel* label, const QFont& font, bool wrap);
// Sets the label's text and colour where they changed. Owners call it again on a palette change.
void showLabel(QLabel* label, const QString& text, const QColor& color);

} // namespace brisel
