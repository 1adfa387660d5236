#include "UiTestSupport.h"

#include "ui/design/BriselDetentSlider.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMouseEvent>
#include <QPixmap>
#include <QTest>
#include <QtGui/private/qguiapplication_p.h>
#include <QtGui/qpa/qplatformaccessibility.h>
#include <QtGui/qpa/qplatformintegration.h>

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <iostream>

namespace brisel::test {

namespace {

QPalette makePalette(QColor window, QColor text, QColor base, QColor highlight) {
    QPalette palette;
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        palette.setColor(group, QPalette::Window, window);
        palette.setColor(group, QPalette::WindowText, text);
        palette.setColor(group, QPalette::Base, base);
        palette.setColor(group, QPalette::Text, text);
        palette.setColor(group, QPalette::Button, window);
        palette.setColor(group, QPalette::ButtonText, text);
        palette.setColor(group, QPalette::Highlight, highlight);
        palette.setColor(group, QPalette::ToolTipBase, base);
        palette.setColor(group, QPalette::ToolTipText, text);
    }
    return palette;
}

void collectAccessible(QAccessibleInterface* face, std::vector<AccessibleElement>& into) {
    if (!face || !face->isValid() || face->state().invisible) return;
    into.push_back({face->role(), face->text(QAccessible::Name), face->text(QAccessible::Value),
                    face->object(), face->state()});
    for (int i = 0; i < face->childCount(); ++i)
        collectAccessible(face->child(i), into);
}

} // namespace

QPalette lightPalette() {
    return makePalette(QColor(236, 236, 236), QColor(30, 30, 30), QColor(255, 255, 255), QColor(10, 132, 255));
}

QPalette darkPalette() {
    return makePalette(QColor(40, 40, 42), QColor(235, 235, 235), QColor(30, 30, 30), QColor(10, 132, 255));
}

// Widgets take a new application palette through posted events; deliver them at once.
ScopedScheme::ScopedScheme(bool dark) : previous_(QApplication::palette()) {
    QApplication::setPalette(dark ? darkPalette() : lightPalette());
    QCoreApplication::sendPostedEvents();
}

ScopedScheme::~ScopedScheme() {
    QApplication::setPalette(previous_);
    QCoreApplication::sendPostedEvents();
}

double contrast(QRgb a, QRgb b) {
    const auto luminance = [](QRgb rgb) {
        const auto linear = [](int channel) {
            const double c = channel / 255.0;
            return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * linear(qRed(rgb)) + 0.7152 * linear(qGreen(rgb)) + 0.0722 * linear(qBlue(rgb));
    };
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QString renderToPng(QWidget& widget, const QString& name) {
    if (!widget.isVisible()) widget.show();
    QPixmap pixmap(widget.size() * 2);
    pixmap.setDevicePixelRatio(2);
    pixmap.fill(Qt::transparent);
    widget.render(&pixmap);
    return saveRender(pixmap.toImage(), name);
}

QString saveRender(const QImage& image, const QString& name) {
    QString folder = QStringLiteral(BRISEL_UI_RENDER_DIR);
    if (!QDir().mkpath(folder) || !QFileInfo(folder).isWritable()) {
        // Another user's build folder: keep the picture anyway, in this user's temporary folder.
        folder = QDir::tempPath() + "/brisel-ui-renders-" + QString::number(::getuid());
        QDir().mkpath(folder);
        std::cerr << "build folder not writable; rendering into " << folder.toStdString() << "\n";
    }
    const QString path = folder + "/" + name + ".png";
    EXPECT_TRUE(image.save(path)) << path.toStdString();
    return path;
}

QList<QWidget*> findVisible(const QWidget* root, const QString& objectName) {
    QList<QWidget*> visible;
    for (QWidget* widget : root->findChildren<QWidget*>(objectName))
        if (widget->isVisibleTo(root)) visible << widget;
    return visible;
}

bool showActive(QWidget& window) {
    window.show();
    window.activateWindow();
    return QTest::qWaitForWindowActive(&window);
}

QList<QWidget*> tabOrder(QWidget& window) {
    EXPECT_TRUE(showActive(window));
    QList<QWidget*> order;
    QTest::keyClick(&window, Qt::Key_Tab);
    while (QWidget* focused = QApplication::focusWidget()) {
        if (order.contains(focused)) break;
        order << focused;
        QTest::keyClick(focused, Qt::Key_Tab);
    }
    return order;
}

bool focusRingClearsLabel(QWidget& button) {
    button.clearFocus();
    const QImage plain = button.grab().toImage();
    button.setFocus();
    const QImage ringed = button.grab().toImage();
    for (int y = 0; y < plain.height(); ++y)
        for (int x = 0; x < plain.width(); ++x)
            if (plain.pixel(x, y) != plain.pixel(0, 0) && ringed.pixel(x, y) != plain.pixel(x, y)) return false;
    return plain != ringed;
}

std::vector<AccessibleElement> accessibleElements(QWidget& root) {
    std::vector<AccessibleElement> elements;
    collectAccessible(QAccessible::queryAccessibleInterface(&root), elements);
    return elements;
}

ReadAs readAs(QWidget& root, const QString& name) {
    for (const AccessibleElement& e : accessibleElements(root))
        if (e.object && e.object->objectName() == name)
            return {e.role, e.name, e.state.checked,
                    e.state.expanded || e.state.collapsed ? std::optional<bool>(e.state.expanded)
                                                          : std::nullopt};
    return {};
}

std::unique_ptr<Localizer> repositoryLocalizer(const QString& language) {
    return std::make_unique<Localizer>(language, ResourceBundle(QStringLiteral(BRISEL_RESOURCES_DIR)));
}

void dragAcrossDetents(BriselDetentSlider& slider, int from, int to, const std::function<void()>& between) {
    const DetentTrack track = slider.track();
    QTest::mousePress(&slider, Qt::LeftButton, {}, QPoint(int(track.detentX(from)), 9));
    between();
    const QPoint end(int(track.detentX(to)), 9);
    QMouseEvent move(QEvent::MouseMove, end, slider.mapToGlobal(end), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(&slider, &move);
    between();
    QTest::mouseRelease(&slider, Qt::LeftButton, {}, end);
}

namespace {

AccessibleEventLog* activeLog = nullptr;

// Qt sends no accessibility event while no screen reader listens, which offscreen is never.
void listen(AccessibleEventLog* log) {
    activeLog = log;
    QAccessible::installUpdateHandler(
        log ? +[](QAccessibleEvent* e) { activeLog->events.emplace_back(e->object(), e->type()); } : nullptr);
    QGuiApplicationPrivate::platformIntegration()->accessibility()->setActive(log);
}

} // namespace

AccessibleEventLog::AccessibleEventLog() { listen(this); }
AccessibleEventLog::~AccessibleEventLog() { listen(nullptr); }

int AccessibleEventLog::count(QAccessible::Event type, const QObject* object) const {
    return int(std::count_if(events.begin(), events.end(), [&](const auto& e) {
        return e.second == type && (!object || e.first == object);
    }));
}

QStringList AccessibleEventLog::spoken() {
    QStringList texts;
    for (; heard < events.size(); ++heard)
        if (const auto& [object, type] = events[heard];
            type == QAccessible::ObjectShow && object->objectName() == "brisel-announcement")
            texts << static_cast<const QWidget*>(object)->accessibleName();
    return texts;
}

} // namespace brisel::test
