#include "ui/design/SymbolPainter.h"

#include <QPainter>
#include <QPainterPath>
#include <QPainterPathStroker>

#include <algorithm>
#include <cmath>
#include <map>

namespace brisel {

namespace {

// Symbols are drawn on a 24 × 24 grid and scaled to the square.
constexpr double grid = 24;

QPainterPath circle(double cx, double cy, double r) {
    QPainterPath p;
    p.addEllipse(QPointF(cx, cy), r, r);
    return p;
}

QPainterPath rounded(double x, double y, double w, double h, double r) {
    QPainterPath p;
    p.addRoundedRect(QRectF(x, y, w, h), r, r);
    return p;
}

QPainterPath poly(std::initializer_list<QPointF> points, bool closed = false) {
    QPainterPath p;
    auto it = points.begin();
    p.moveTo(*it);
    for (++it; it != points.end(); ++it) p.lineTo(*it);
    if (closed) p.closeSubpath();
    return p;
}

QPainterPath line(double x1, double y1, double x2, double y2) {
    return poly({{x1, y1}, {x2, y2}});
}

// An arc of the circle at (cx, cy); angles in degrees, counter-clockwise from three o'clock.
QPainterPath arc(double cx, double cy, double r, double start, double sweep) {
    QPainterPath p;
    const QRectF box(cx - r, cy - r, 2 * r, 2 * r);
    p.arcMoveTo(box, start);
    p.arcTo(box, start, sweep);
    return p;
}

// The two wings of an arrowhead at `tip` for travel in `direction` (screen coordinates).
QPainterPath arrowHead(QPointF tip, QPointF direction, double size) {
    const double length = std::hypot(direction.x(), direction.y());
    const QPointF d = direction / length;
    const QPointF n(-d.y(), d.x());
    return poly({tip - d * size + n * size, tip, tip - d * size - n * size});
}

// An arc with an arrowhead where it ends.
QPainterPath circularArrow(double cx, double cy, double r, double start, double sweep, double head) {
    QPainterPath p = arc(cx, cy, r, start, sweep);
    const double end = (start + sweep) * M_PI / 180;
    const QPointF tip(cx + r * std::cos(end), cy - r * std::sin(end));
    const double sign = sweep > 0 ? 1 : -1;
    p.addPath(arrowHead(tip, QPointF(-std::sin(end), -std::cos(end)) * sign, head));
    return p;
}

QPainterPath boltShape() {
    return poly({{13.5, 2.5}, {5.5, 13.5}, {11.5, 13.5}, {10.5, 21.5}, {18.5, 10.5}, {12.5, 10.5}}, true);
}

QPainterPath scaled(const QPainterPath& path, double factor, QPointF to) {
    QTransform t;
    t.translate(to.x(), to.y());
    t.scale(factor, factor);
    t.translate(-12, -12);
    return t.map(path);
}

QPainterPath gear(double cx, double cy, double outer, int teeth) {
    const double inner = outer * 0.78;
    QPainterPath p;
    const double step = 2 * M_PI / teeth;
    for (int i = 0; i < teeth; ++i) {
        const double a = i * step;
        const double angles[] = {a - step * 0.34, a - step * 0.18, a + step * 0.18, a + step * 0.34};
        const double radii[] = {inner, outer, outer, inner};
        for (int k = 0; k < 4; ++k) {
            const QPointF point(cx + radii[k] * std::cos(angles[k]), cy + radii[k] * std::sin(angles[k]));
            if (i == 0 && k == 0)
                p.moveTo(point);
            else
                p.lineTo(point);
        }
    }
    p.closeSubpath();
    p.addPath(circle(cx, cy, outer * 0.32));
    return p;
}

QPainterPath star(double cx, double cy, double s) {
    const double k = s * 0.18;
    QPainterPath p;
    p.moveTo(cx, cy - s);
    p.quadTo(cx + k, cy - k, cx + s, cy);
    p.quadTo(cx + k, cy + k, cx, cy + s);
    p.quadTo(cx - k, cy + k, cx - s, cy);
    p.quadTo(cx - k, cy - k, cx, cy - s);
    return p;
}

class Canvas {
public:
    Canvas(QPainter& painter, QColor color, double width) : painter_(painter), color_(color), width_(width) {
        painter_.setPen(QPen(color_, width_, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter_.setBrush(Qt::NoBrush);
    }

    void stroke(const QPainterPath& path) { painter_.drawPath(path); }
    void fill(const QPainterPath& path) { painter_.fillPath(path, color_); }
    // Fills `base` with `strokedGlyph` (drawn as a line) and `filledGlyph` cut out of it.
    void knockout(const QPainterPath& base, const QPainterPath& strokedGlyph, const QPainterPath& filledGlyph = {}) {
        fill(base.subtracted(outline(strokedGlyph)).subtracted(filledGlyph));
    }
    QPainterPath outline(const QPainterPath& path, double extra = 0) const {
        if (path.isEmpty()) return {};
        QPainterPathStroker stroker;
        stroker.setWidth(width_ + extra);
        stroker.setCapStyle(Qt::RoundCap);
        stroker.setJoinStyle(Qt::RoundJoin);
        return stroker.createStroke(path);
    }
    double width() const { return width_; }

private:
    QPainter& painter_;
    QColor color_;
    double width_;
};

void battery(Canvas& c, double level, bool bolt = false) {
    c.stroke(rounded(1.5, 7, 19, 10, 3));
    c.fill(rounded(21.6, 10.2, 1.6, 3.6, 0.8));
    if (level <= 0) return;
    const double inset = c.width() / 2 + 1.2;
    QPainterPath charge = rounded(1.5 + inset, 7 + inset, (19 - 2 * inset) * level, 10 - 2 * inset, 1.5);
    if (bolt) {
        const QPainterPath mark = scaled(boltShape(), 0.42, {11, 12});
        charge = charge.subtracted(mark.united(c.outline(mark, 0.6)));
        c.fill(mark);
    }
    c.fill(charge);
}

void digitCircle(Canvas& c, const char* digit) {
    QFont font;
    font.setPixelSize(14);
    font.setWeight(QFont::Bold);
    QPainterPath text;
    text.addText(0, 0, font, QString::fromLatin1(digit));
    const QRectF box = text.boundingRect();
    text.translate(12 - box.center().x(), 12 - box.center().y());
    c.fill(circle(12, 12, 10).subtracted(text));
}

void boltBadgeClock(Canvas& c, bool filled) {
    const QPainterPath bolt = scaled(boltShape(), 0.85, {10.5, 11});
    const QPainterPath room = circle(17.5, 17.5, 6.8);
    if (filled)
        c.fill(bolt.subtracted(room));
    else
        c.fill(c.outline(bolt).subtracted(room));
    const QPainterPath hands = poly({{17.5, 15}, {17.5, 17.5}, {19.5, 18.5}});
    if (filled)
        c.knockout(circle(17.5, 17.5, 5), hands);
    else {
        c.stroke(circle(17.5, 17.5, 4.8));
        c.stroke(hands);
    }
}

using Draw = void (*)(Canvas&);

const std::map<QString, Draw>& symbols() {
    static const std::map<QString, Draw> table{
        {"app.fill", [](Canvas& c) { c.fill(rounded(3.5, 3.5, 17, 17, 4.5)); }},
        {"arrow.counterclockwise", [](Canvas& c) { c.stroke(circularArrow(12, 12, 8, 80, 280, 3)); }},
        {"arrow.triangle.2.circlepath",
         [](Canvas& c) {
             c.stroke(circularArrow(12, 12, 8, 160, -130, 2.8));
             c.stroke(circularArrow(12, 12, 8, 340, -130, 2.8));
         }},
        {"arrow.uturn.backward.circle.fill",
         [](Canvas& c) {
             QPainterPath arrow;
             arrow.moveTo(8, 9.5);
             arrow.lineTo(13.5, 9.5);
             arrow.cubicTo(17.3, 9.5, 17.3, 16.5, 13.5, 16.5);
             arrow.lineTo(10, 16.5);
             arrow.addPath(arrowHead({8, 9.5}, {-1, 0}, 2.6));
             c.knockout(circle(12, 12, 10), arrow);
         }},
        {"bag",
         [](Canvas& c) {
             c.stroke(rounded(4, 8, 16, 13, 2));
             QPainterPath handle;
             handle.moveTo(8.5, 8);
             handle.cubicTo(8.5, 3, 15.5, 3, 15.5, 8);
             c.stroke(handle);
         }},
        {"battery.0", [](Canvas& c) { battery(c, 0); }},
        {"battery.25", [](Canvas& c) { battery(c, 0.25); }},
        {"battery.50", [](Canvas& c) { battery(c, 0.5); }},
        {"battery.75", [](Canvas& c) { battery(c, 0.75); }},
        {"battery.75percent", [](Canvas& c) { battery(c, 0.75); }},
        {"battery.100", [](Canvas& c) { battery(c, 1); }},
        {"battery.100.bolt", [](Canvas& c) { battery(c, 1, true); }},
        {"bell",
         [](Canvas& c) {
             QPainterPath body;
             body.moveTo(4.5, 17);
             body.lineTo(6.5, 15);
             body.lineTo(6.5, 11);
             body.cubicTo(6.5, 7.2, 9, 5, 12, 5);
             body.cubicTo(15, 5, 17.5, 7.2, 17.5, 11);
             body.lineTo(17.5, 15);
             body.lineTo(19.5, 17);
             body.closeSubpath();
             c.stroke(body);
             QPainterPath clapper;
             clapper.moveTo(10, 19.5);
             clapper.cubicTo(10, 21.3, 14, 21.3, 14, 19.5);
             c.stroke(clapper);
             c.stroke(line(12, 3, 12, 5));
         }},
        {"bolt", [](Canvas& c) { c.stroke(boltShape()); }},
        {"bolt.badge.clock", [](Canvas& c) { boltBadgeClock(c, false); }},
        {"bolt.badge.clock.fill", [](Canvas& c) { boltBadgeClock(c, true); }},
        {"bolt.circle",
         [](Canvas& c) {
             c.stroke(circle(12, 12, 9.5));
             c.fill(scaled(boltShape(), 0.62, {12, 12}));
         }},
        {"bolt.fill", [](Canvas& c) { c.fill(boltShape()); }},
        {"bolt.slash.fill",
         [](Canvas& c) {
             const QPainterPath slash = line(3.5, 3.5, 20.5, 20.5);
             c.fill(boltShape().subtracted(c.outline(slash, c.width())));
             c.stroke(slash);
         }},
        {"checkmark", [](Canvas& c) { c.stroke(poly({{5, 12.5}, {9.5, 17}, {19, 7}})); }},
        {"checkmark.circle",
         [](Canvas& c) {
             c.stroke(circle(12, 12, 9.5));
             c.stroke(poly({{7.8, 12.4}, {10.6, 15.2}, {16.4, 8.8}}));
         }},
        {"checkmark.circle.fill",
         [](Canvas& c) { c.knockout(circle(12, 12, 10), poly({{7.5, 12.4}, {10.6, 15.5}, {16.6, 8.6}})); }},
        {"chevron.down", [](Canvas& c) { c.stroke(poly({{6, 9}, {12, 15}, {18, 9}})); }},
        {"chevron.right", [](Canvas& c) { c.stroke(poly({{9, 6}, {15, 12}, {9, 18}})); }},
        {"chevron.up.chevron.down",
         [](Canvas& c) {
             c.stroke(poly({{8, 9.5}, {12, 5.5}, {16, 9.5}}));
             c.stroke(poly({{8, 14.5}, {12, 18.5}, {16, 14.5}}));
         }},
        {"circle", [](Canvas& c) { c.stroke(circle(12, 12, 9.5)); }},
        {"cpu",
         [](Canvas& c) {
             c.stroke(rounded(6, 6, 12, 12, 2));
             c.fill(rounded(9.5, 9.5, 5, 5, 1));
             for (double at : {9.0, 12.0, 15.0}) {
                 c.stroke(line(at, 2.5, at, 5));
                 c.stroke(line(at, 19, at, 21.5));
                 c.stroke(line(2.5, at, 5, at));
                 c.stroke(line(19, at, 21.5, at));
             }
         }},
        {"cup.and.saucer",
         [](Canvas& c) {
             QPainterPath cup;
             cup.moveTo(4, 7.5);
             cup.lineTo(16.5, 7.5);
             cup.lineTo(15.8, 14.5);
             cup.cubicTo(15.5, 16.8, 14.2, 18, 12, 18);
             cup.lineTo(8.5, 18);
             cup.cubicTo(6.3, 18, 5, 16.8, 4.7, 14.5);
             cup.closeSubpath();
             c.stroke(cup);
             QPainterPath handle;
             handle.moveTo(16.4, 9);
             handle.cubicTo(20.8, 9, 20.8, 14, 15.9, 14);
             c.stroke(handle);
             c.stroke(line(3, 21, 18.5, 21));
         }},
        {"desktopcomputer",
         [](Canvas& c) {
             c.stroke(rounded(2.5, 3.5, 19, 13, 2));
             c.stroke(line(12, 16.5, 12, 20.5));
             c.stroke(line(8, 20.5, 16, 20.5));
         }},
        {"doc.text",
         [](Canvas& c) {
             c.stroke(poly({{6, 2.5}, {14, 2.5}, {19, 7.5}, {19, 21.5}, {6, 21.5}}, true));
             c.stroke(poly({{14, 2.5}, {14, 7.5}, {19, 7.5}}));
             c.stroke(line(9, 12, 16, 12));
             c.stroke(line(9, 15, 16, 15));
             c.stroke(line(9, 18, 13.5, 18));
         }},
        {"exclamationmark.circle.fill",
         [](Canvas& c) { c.knockout(circle(12, 12, 10), line(12, 6.8, 12, 13.2), circle(12, 17, 1.4)); }},
        {"exclamationmark.triangle",
         [](Canvas& c) {
             c.stroke(poly({{12, 3}, {22, 20.5}, {2, 20.5}}, true));
             c.stroke(line(12, 9, 12, 14));
             c.fill(circle(12, 17.3, 1.2));
         }},
        {"externaldrive.badge.exclamationmark",
         [](Canvas& c) {
             const QPainterPath room = circle(18.5, 7, 6.2);
             c.fill(c.outline(rounded(2, 9.5, 16.5, 9.5, 2.5)).subtracted(room));
             c.fill(circle(14.5, 14.3, 1.1));
             c.knockout(circle(18.5, 7, 4.8), line(18.5, 4.6, 18.5, 7.6), circle(18.5, 9.6, 0.8));
         }},
        {"flame",
         [](Canvas& c) {
             QPainterPath flame;
             flame.moveTo(12, 2.5);
             flame.cubicTo(13, 6.5, 18.5, 9, 18.5, 14.5);
             flame.cubicTo(18.5, 18.5, 15.5, 21.5, 12, 21.5);
             flame.cubicTo(8.5, 21.5, 5.5, 18.5, 5.5, 14.5);
             flame.cubicTo(5.5, 11.5, 7.5, 9.5, 8.5, 8);
             flame.cubicTo(9, 10.5, 10, 11.5, 11, 12);
             flame.cubicTo(11.5, 9, 11.5, 5.5, 12, 2.5);
             c.stroke(flame);
         }},
        {"gauge",
         [](Canvas& c) {
             c.stroke(arc(12, 14, 9.5, 200, -220));
             c.stroke(line(12, 14, 16, 9));
             c.fill(circle(12, 14, 1.8));
         }},
        {"gearshape", [](Canvas& c) { c.stroke(gear(12, 12, 10, 8)); }},
        {"gearshape.2",
         [](Canvas& c) {
             c.stroke(gear(9, 9.5, 7, 8));
             c.stroke(gear(17, 17, 5, 8));
         }},
        {"heart",
         [](Canvas& c) {
             QPainterPath heart;
             heart.moveTo(12, 20.5);
             heart.cubicTo(5, 15.5, 2.5, 12, 2.5, 8.5);
             heart.cubicTo(2.5, 5.5, 4.8, 3.5, 7.5, 3.5);
             heart.cubicTo(9.5, 3.5, 11, 4.7, 12, 6.5);
             heart.cubicTo(13, 4.7, 14.5, 3.5, 16.5, 3.5);
             heart.cubicTo(19.2, 3.5, 21.5, 5.5, 21.5, 8.5);
             heart.cubicTo(21.5, 12, 19, 15.5, 12, 20.5);
             c.stroke(heart);
         }},
        {"info.circle",
         [](Canvas& c) {
             c.stroke(circle(12, 12, 9.5));
             c.stroke(line(12, 10.8, 12, 16.8));
             c.fill(circle(12, 7.5, 1.3));
         }},
        {"laptopcomputer",
         [](Canvas& c) {
             c.stroke(rounded(4, 5, 16, 11, 1.5));
             c.stroke(poly({{1.5, 18.5}, {22.5, 18.5}}));
         }},
        {"leaf.fill",
         [](Canvas& c) {
             QPainterPath leaf;
             leaf.moveTo(4, 20);
             leaf.cubicTo(4, 10, 10, 4, 20.5, 3.5);
             leaf.cubicTo(20, 14, 14, 20, 4, 20);
             c.knockout(leaf, line(7, 17, 14.5, 9.5));
         }},
        {"menubar.rectangle",
         [](Canvas& c) {
             const QPainterPath frame = rounded(2.5, 4.5, 19, 15, 2.5);
             c.stroke(frame);
             QPainterPath band;
             band.addRect(0, 0, grid, 9);
             c.fill(frame.intersected(band));
         }},
        {"minus", [](Canvas& c) { c.stroke(line(5, 12, 19, 12)); }},
        {"minus.circle",
         [](Canvas& c) {
             c.stroke(circle(12, 12, 9.5));
             c.stroke(line(7.5, 12, 16.5, 12));
         }},
        {"moon", [](Canvas& c) { c.stroke(circle(11.5, 12.5, 8.5).subtracted(circle(17, 7.5, 7))); }},
        {"play", [](Canvas& c) { c.stroke(poly({{7, 4.5}, {19.5, 12}, {7, 19.5}}, true)); }},
        {"plus",
         [](Canvas& c) {
             c.stroke(line(5, 12, 19, 12));
             c.stroke(line(12, 5, 12, 19));
         }},
        {"power",
         [](Canvas& c) {
             c.stroke(arc(12, 13, 8.5, 125, 290));
             c.stroke(line(12, 2.5, 12, 12));
         }},
        {"powerplug",
         [](Canvas& c) {
             c.stroke(rounded(6, 8, 12, 9, 4).united(rounded(6, 8, 12, 4, 0.5)));
             c.stroke(line(9.5, 3.5, 9.5, 8));
             c.stroke(line(14.5, 3.5, 14.5, 8));
             c.stroke(line(12, 17, 12, 21.5));
         }},
        {"powerplug.fill",
         [](Canvas& c) {
             c.fill(rounded(5.5, 7.5, 13, 10, 4.5).united(rounded(5.5, 7.5, 13, 4, 0.5)));
             c.stroke(line(9.5, 3, 9.5, 8));
             c.stroke(line(14.5, 3, 14.5, 8));
             c.stroke(line(12, 17, 12, 21.5));
         }},
        {"questionmark.circle",
         [](Canvas& c) {
             c.stroke(circle(12, 12, 9.5));
             QPainterPath mark;
             mark.moveTo(9.3, 9.6);
             mark.cubicTo(9.3, 7.8, 10.5, 6.7, 12, 6.7);
             mark.cubicTo(13.7, 6.7, 14.8, 7.8, 14.8, 9.3);
             mark.cubicTo(14.8, 11.5, 12, 11.6, 12, 14);
             c.stroke(mark);
             c.fill(circle(12, 17.2, 1.2));
         }},
        {"shield",
         [](Canvas& c) {
             QPainterPath shield;
             shield.moveTo(12, 2.5);
             shield.lineTo(19.5, 5.5);
             shield.lineTo(19.5, 11);
             shield.cubicTo(19.5, 16, 16, 19.5, 12, 21.5);
             shield.cubicTo(8, 19.5, 4.5, 16, 4.5, 11);
             shield.lineTo(4.5, 5.5);
             shield.closeSubpath();
             c.stroke(shield);
         }},
        {"slider.horizontal.3",
         [](Canvas& c) {
             const double rows[][2] = {{6, 15}, {12, 8}, {18, 16}};
             for (const auto& row : rows) {
                 const double y = row[0], x = row[1];
                 c.stroke(line(3, y, x - 2.6, y));
                 c.stroke(line(x + 2.6, y, 21, y));
                 c.stroke(circle(x, y, 2.3));
             }
         }},
        {"sparkles",
         [](Canvas& c) {
             c.fill(star(10, 13.5, 7.5));
             c.fill(star(18.5, 5.5, 3.5));
             c.fill(star(19, 18, 2.5));
         }},
        {"thermometer.medium",
         [](Canvas& c) {
             c.stroke(rounded(9.5, 2.5, 5, 15, 2.5).united(circle(12, 17.5, 4.3)));
             c.stroke(line(12, 10, 12, 17.5));
             c.fill(circle(12, 17.5, 2.2));
         }},
        {"wifi",
         [](Canvas& c) {
             for (double r : {5.0, 9.5, 14.0}) c.stroke(arc(12, 19.5, r, 45, 90));
             c.fill(circle(12, 19.5, 1.5));
         }},
        {"xmark",
         [](Canvas& c) {
             c.stroke(line(6, 6, 18, 18));
             c.stroke(line(18, 6, 6, 18));
         }},
        {"1.circle.fill", [](Canvas& c) { digitCircle(c, "1"); }},
        {"2.circle.fill", [](Canvas& c) { digitCircle(c, "2"); }},
        {"3.circle.fill", [](Canvas& c) { digitCircle(c, "3"); }},
    };
    return table;
}

// Stroke width in grid units: 1.8 at the regular weight, growing with the weight.
double strokeWidth(int weight) {
    return 1.8 + (std::clamp(weight, 100, 900) - 400) * 0.002;
}

} // namespace

void SymbolPainter::paint(QPainter& painter, const QRectF& square, const QString& name, const QColor& color, int weight) {
    const double side = std::min(square.width(), square.height());
    if (side <= 0) return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(square.center().x() - side / 2, square.center().y() - side / 2);
    painter.scale(side / grid, side / grid);
    Canvas canvas(painter, color, strokeWidth(weight));
    const auto& table = symbols();
    const auto found = table.find(name);
    if (found != table.end())
        found->second(canvas);
    else
        canvas.stroke(circle(12, 12, 9.5));
    painter.restore();
}

bool SymbolPainter::has(const QString& name) {
    return symbols().count(name) > 0;
}

QStringList SymbolPainter::names() {
    QStringList list;
    for (const auto& entry : symbols()) list << entry.first;
    return list;
}

} // namespace brisel
