#pragma once

#include "ui/design/ViewContext.h"

#include <QWidget>

#include <cstdint>
#include <functional>

class QHBoxLayout;
class QLabel;
class QSpacerItem;

namespace brisel {

class BriselSymbolButton;

// One failure message inline, tinted red, with an optional dismiss button. The message is
// announced when the banner appears and whenever it changes while shown. Dismissing only runs the
// action; the owner hides the banner when its message goes away.
class BriselErrorBanner : public QWidget {
    Q_OBJECT

public:
    explicit BriselErrorBanner(ViewContext context, QWidget* parent = nullptr);

    // `attempt` tells a new attempt that ended with the same message (see Announcer::showFailure).
    void setMessage(const QString& message, std::uint64_t attempt = 0);
    const QString& message() const { return message_; }
    // An empty action removes the dismiss button; `label` is its tooltip and accessible name.
    void setDismiss(std::function<void()> action, const QString& label);
    void setDismissLabel(const QString& label);

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void syncColors();

    ViewContext context_;
    QString message_;
    QLabel* messageLabel_;
    QSpacerItem* iconSlot_;
    QHBoxLayout* row_;
    BriselSymbolButton* dismissButton_ = nullptr;
    std::function<void()> dismiss_;
};

} // namespace brisel
