#pragma once

#include <QString>

class QWidget;

namespace brisel {

// Qt tells assistive technology of every accessible name or description it is given, the same
// text or not, and a screen reader flooded by a sync of unchanged texts drops the events that
// matter (an announcement among them). Views set these texts through here: only when they change.
void setAccessibleNameIfChanged(QWidget* widget, const QString& name);
void setAccessibleDescriptionIfChanged(QWidget* widget, const QString& description);
void setToolTipIfChanged(QWidget* widget, const QString& toolTip);
// A control's help: its tooltip, and the same text as its accessible description.
void setHelpIfChanged(QWidget* widget, const QString& help);

} // namespace brisel
