#pragma once

#include "ui/design/ViewContext.h"

#include <QWidget>

#include <cstdint>

class QLabel;

namespace brisel {

class SymbolView;

// The row under a panel section that says its last operation failed: a warning symbol and the
// model's message as it is, wrapping. The message is announced when the row is shown and when it
// changes while shown; the owner hides the row while there is no message.
class PanelOperationError : public QWidget {
    Q_OBJECT

public:
    explicit PanelOperationError(ViewContext context, QWidget* parent = nullptr);

    // `attempt` tells a new attempt that ended with the same message (see Announcer::showFailure).
    void setMessage(const QString& message, std::uint64_t attempt = 0);
    const QString& message() const { return message_; }
    QLabel* messageLabel() const { return label_; }

protected:
    void changeEvent(QEvent* event) override;

private:
    void syncColors();

    ViewContext context_;
    QString message_;
    SymbolView* symbol_;
    QLabel* label_;
};

} // namespace brisel
