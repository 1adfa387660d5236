#include "ui/settings/SettingsPages.h"

#include "localization/Localizer.h"
#include "ui/design/BriselColors.h"
#include "ui/design/BriselTypography.h"
#include "ui/panel/PanelControls.h"
#include "ui/panel/PanelText.h"

#include <QLabel>

namespace brisel {

SettingsPage::SettingsPage(SettingsPageContext context, QWidget* parent)
    : QWidget(parent), context_(context) {
    context_.view.observe(this, [this] { apply(); });
}

void SettingsPage::sync(const SettingsState& state) {
    state_ = state;
    apply();
}

const Localizer& SettingsPage::l10n() const {
    return *context_.view.l10n;
}

BoolBinding SettingsPage::flag(bool SettingsWindowFlags::*member) {
    SettingsWindowFlags* flags = context_.flags;
    return {[flags, member] { return flags->*member; }, [flags, member](bool on) { flags->*member = on; }};
}

QLabel* SettingsPage::note(const QString& objectName, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setObjectName(objectName);
    setUpPanelLabel(label, BriselTypography::microMeta(), true);
    return label;
}

void SettingsPage::showNote(QLabel* label, const QString& text, bool visible) {
    if (visible)
        showLabel(label, text,
                  BriselColors::secondaryForeground(context_.view.currentAppearance(),
                                                    BriselColors::secondary(label->palette())));
    if (label->isHidden() == visible) label->setVisible(visible);
}

PanelDisclosure* SettingsPage::disclosure(const QString& objectName, bool SettingsWindowFlags::*member) {
    auto* group = new PanelDisclosure(context_.view, objectName);
    group->button()->setFont(BriselTypography::controlLabel());
    group->setExpansion(flag(member));
    return group;
}

} // namespace brisel
