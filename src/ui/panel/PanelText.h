#pragma once

#include <QString>

#include <cstdint>
#include <optional>

class QLabel;
class QColor;
class QFont;
class QPalette;

namespace brisel {

class Localizer;
struct Appearance;

// The named colours of the panel's rules; toneColor() draws them for a scheme and a palette.
enum class PanelTone { primary, secondary, amber, emerald, electricBlue, crimson };
QColor toneColor(PanelTone tone, const Appearance& appearance, const QPalette& palette);

// A reading as the panel shows it: nothing for a missing or non-finite value, which prints as
// "nan" or "inf" otherwise.
std::optional<double> finiteReading(std::optional<double> value);
// One decimal, locale-independent: "31.0".
QString oneDecimal(double value);

// A limit or target as the panel writes it: tr("limit.off") for 0, else "80%" (digits and the
// sign, never localised; the string tables expect exactly this).
QString percentText(const Localizer& l10n, std::int64_t percent);

// A label of the panel: plain text in `font`, wrapping when asked.
void setUpPanelLabel(QLabel* label, const QFont& font, bool wrap);
// Sets the label's text and colour where they changed. Owners call it again on a palette change.
void showLabel(QLabel* label, const QString& text, const QColor& color);

} // namespace brisel
