#pragma once

#include <QColor>
#include <QFont>
#include <QRectF>
#include <QStringList>

class QPainter;

namespace brisel {

// The system symbols the interface uses, drawn as vector paths (there is no symbol font on Linux).
// Each is drawn into a square in one colour; heavier weights draw thicker strokes. An unknown name
// draws a plain outlined circle.
class SymbolPainter {
public:
    static void paint(QPainter& painter, const QRectF& square, const QString& name, const QColor& color,
                      int weight = QFont::Normal);
    static bool has(const QString& name);
    static QStringList names();
};

} // namespace brisel
