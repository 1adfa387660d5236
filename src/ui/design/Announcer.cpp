#include "ui/design/Announcer.h"

#include <QEvent>
#include <QWidget>

namespace brisel {

namespace {

// The failure a widget shows, kept beside it, and whether it was read out since its window opened.
class FailureWatch : public QObject {
public:
    FailureWatch(QWidget& source, Announcer& announcer) : QObject(&source), announcer(&announcer) {
        setObjectName("brisel-failure-watch");
        source.installEventFilter(this);
    }

    bool eventFilter(QObject*, QEvent* event) override {
        // A window minimised and restored is neither closing nor opening.
        if (event->spontaneous()) return false;
        if (event->type() == QEvent::Show) due();
        // Its window hides first: it says the failure again when it opens again.
        if (event->type() == QEvent::Hide && !source().window()->isVisible()) said = false;
        return false;
    }

    QWidget& source() const { return *static_cast<QWidget*>(parent()); }
    void due();

    Announcer* announcer;
    QString text;
    std::uint64_t attempt = 0;
    bool said = false;
};

FailureWatch* watchOf(const QWidget& source) {
    return source.findChild<FailureWatch*>("brisel-failure-watch", Qt::FindDirectChildrenOnly);
}

} // namespace

struct AnnouncerAccess {
    static void announceShown(Announcer& announcer, QWidget& source, const QString& text) {
        announcer.announceShown(source, text);
    }
};

void FailureWatch::due() {
    if (!text.isEmpty() && !said && source().isVisible())
        AnnouncerAccess::announceShown(*announcer, source(), text);
}

void Announcer::showFailure(QWidget& source, const QString& text, std::uint64_t attempt) {
    FailureWatch* watch = watchOf(source);
    if (!watch) {
        if (text.isEmpty()) return;
        watch = new FailureWatch(source, *this);
    }
    if (watch->text == text && watch->attempt == attempt) return;
    watch->announcer = this;
    watch->text = text;
    watch->attempt = attempt;
    watch->said = false;
    watch->due();
}

std::optional<QString> Announcer::shownFailure(const QWidget& source) {
    const FailureWatch* watch = watchOf(source);
    if (!watch || watch->text.isEmpty()) return std::nullopt;
    return watch->text;
}

void Announcer::announceShown(QWidget& source, const QString& text) {
    announce(text);
    saidFailure(source);
}

void Announcer::saidFailure(QWidget& source) {
    if (FailureWatch* watch = watchOf(source)) watch->said = true;
}

} // namespace brisel
