#include "LayoutChecks.h"
#include "UiTestSupport.h"

#include "ui/design/AppearanceSource.h"
#include "ui/design/BriselCard.h"
#include "ui/design/BriselControlPillSurface.h"
#include "ui/design/BriselErrorBanner.h"
#include "ui/design/BriselLiquidSelectionLens.h"
#include "ui/design/BriselPanelBackdrop.h"
#include "ui/design/BriselRecessedGlassSurface.h"
#include "ui/design/BriselSemanticColor.h"
#include "ui/design/BriselSymbolButton.h"
#include "ui/design/BriselToggleRow.h"
#include "ui/design/BriselTypography.h"
#include "ui/design/SectionCard.h"
#include "ui/design/StatusPillBadge.h"
#include "ui/design/SurfaceView.h"
#include "ui/design/SymbolPainter.h"
#include "ui/design/SymbolView.h"

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QTest>

namespace brisel {
namespace {

// Every element of the design system on one panel backdrop, so the themes can be compared side
// by side.
struct Gallery {
    explicit Gallery(ViewContext context) : root(context) {
        auto* column = new QVBoxLayout(&root);
        column->setContentsMargins(14, 14, 14, 14);
        column->setSpacing(8);

        auto* cards = new QHBoxLayout;
        for (BriselTheme theme : allBriselThemes) {
            auto* card = new BriselCard(context);
            card->setAppearanceOverride({theme, std::nullopt, std::nullopt});
            auto* inside = new QVBoxLayout(card);
            inside->setContentsMargins(12, 10, 12, 10);
            auto* label = new QLabel(theme == BriselTheme::classic ? "Classic card" : "Liquid glass card");
            label->setFont(BriselTypography::controlLabel());
            inside->addWidget(label);
            cards->addWidget(card);
        }
        column->addLayout(cards);

        auto* section = new SectionCard(context, "Battery", "battery.75");
        section->setTrailingText(QString("82%"));
        for (const auto& [title, symbol, on] : {std::tuple{"Limit charge to 80%", "bolt", true},
                                                std::tuple{"Keep awake with the lid closed", "laptopcomputer", false},
                                                std::tuple{"Start at login", "", true}}) {
            auto* row = new BriselToggleRow(context, title,
                                            *symbol ? std::optional<QString>(symbol) : std::nullopt, "Help text");
            row->setOn(on);
            row->setOnToggle([this](bool) { ++toggles; });
            section->contentLayout()->addWidget(row);
            rows << row;
        }
        column->addWidget(section);

        auto* surfaces = new QHBoxLayout;
        surfaces->setSpacing(8);
        const std::pair<const char*, SurfaceView::Painter> painters[] = {
            {"well", [](QPainter& p, const QRectF& r, const Appearance& a,
                        const QPalette& pal) { BriselRecessedGlassSurface::paint(p, r, a, pal); }},
            {"capsule well", [](QPainter& p, const QRectF& r, const Appearance& a,
                                const QPalette& pal) { BriselRecessedGlassSurface::paint(p, r, a, pal, 9, true); }},
            {"lens", [](QPainter& p, const QRectF& r, const Appearance& a,
                        const QPalette& pal) { BriselLiquidSelectionLens::paint(p, r, a, pal); }},
            {"pill", [](QPainter& p, const QRectF& r, const Appearance& a,
                        const QPalette& pal) { BriselControlPillSurface::paint(p, r, a, pal, {}); }},
            {"hovered", [](QPainter& p, const QRectF& r, const Appearance& a, const QPalette& pal) {
                 BriselControlPillSurface::paint(p, r, a, pal, {true, false});
             }},
            {"highlighted", [](QPainter& p, const QRectF& r, const Appearance& a, const QPalette& pal) {
                 BriselControlPillSurface::paint(p, r, a, pal, {false, true});
             }},
        };
        for (const auto& [name, painter] : painters) {
            auto* view = new SurfaceView(context, painter);
            view->setContentsMargins(3, 3, 3, 5);
            view->setFixedSize(80, 34);
            view->setToolTip(name);
            surfaces->addWidget(view);
        }
        surfaces->addStretch(1);
        column->addLayout(surfaces);

        auto* controls = new QHBoxLayout;
        controls->addWidget(new StatusPillBadge(context, "Charging", BriselSemanticColor::emerald(false)));
        controls->addWidget(new StatusPillBadge(context, "On hold", BriselSemanticColor::amber(false), BriselTheme::classic));
        for (const char* symbol : {"minus", "plus"}) {
            auto* button = new BriselSymbolButton(context, symbol, 11, QFont::DemiBold);
            button->setAccessibleName(symbol);
            QObject::connect(button, &QAbstractButton::clicked, [this] { ++clicks; });
            controls->addWidget(button);
            buttons << button;
        }
        auto* bare = new BriselSwitchToggle(context);
        bare->setOn(true);
        bare->setOnToggle([this](bool) { ++toggles; });
        controls->addWidget(bare);
        controls->addStretch(1);
        column->addLayout(controls);

        banner = new BriselErrorBanner(context);
        banner->setMessage("The charge limit could not be set: the helper did not answer within four seconds. "
                           "Check that brisel-helper is running.");
        banner->setDismiss([this] { ++dismissals; }, "Dismiss");
        column->addWidget(banner);
        auto* plainBanner = new BriselErrorBanner(context);
        plainBanner->setMessage("No dismiss button on this one.");
        column->addWidget(plainBanner);

        auto* symbols = new QGridLayout;
        symbols->setSpacing(6);
        const QStringList names = SymbolPainter::names();
        for (int i = 0; i < names.size(); ++i) {
            auto* view = new SymbolView(names[i], 16, QFont::Normal, 20);
            view->setToolTip(names[i]);
            symbols->addWidget(view, i / 20, i % 20);
        }
        column->addLayout(symbols);
        column->addStretch(1);
        root.resize(560, root.sizeHint().height());
    }

    BriselPanelBackdrop root;
    QList<BriselSwitchToggle*> rows;
    QList<BriselSymbolButton*> buttons;
    BriselErrorBanner* banner = nullptr;
    int toggles = 0, clicks = 0, dismissals = 0;
};

class DesignGallery : public ::testing::Test {
protected:
    void SetUp() override { AnimatedValue::setInstantMotion(true); }
    void TearDown() override { AnimatedValue::setInstantMotion(false); }

    AppearanceSource source;
    test::RecordingAnnouncer announcer;
    ViewContext context{nullptr, &source, &announcer, nullptr};
};

TEST_F(DesignGallery, RendersBothThemesInLightAndDark) {
    Gallery gallery(context);
    const struct Render {
        BriselTheme theme;
        bool dark, reduceTransparency;
        const char* name;
    } renders[] = {
        {BriselTheme::liquidGlass, false, false, "design-gallery-liquidGlass-light"},
        {BriselTheme::liquidGlass, true, false, "design-gallery-liquidGlass-dark"},
        {BriselTheme::classic, false, false, "design-gallery-classic-light"},
        {BriselTheme::classic, true, false, "design-gallery-classic-dark"},
        {BriselTheme::liquidGlass, false, true, "design-gallery-liquidGlass-light-reduceTransparency"},
    };
    for (const Render& r : renders) {
        test::ScopedScheme scheme(r.dark);
        source.setTheme(r.theme);
        source.setReduceTransparency(r.reduceTransparency);
        EXPECT_GT(QFileInfo(test::renderToPng(gallery.root, r.name)).size(), 0) << r.name;
        EXPECT_EQ(test::clippedContent(gallery.root), QStringList()) << r.name;
    }
}

TEST_F(DesignGallery, TabReachesEveryControlAndSpaceOperatesIt) {
    Gallery gallery(context);
    const QList<QWidget*> order = test::tabOrder(gallery.root);
    QList<QWidget*> expected;
    for (QWidget* w : gallery.rows) expected << w;
    for (QWidget* w : gallery.buttons) expected << w;
    expected << test::findOne(gallery.banner, "dismiss-error");
    for (QWidget* w : expected) EXPECT_TRUE(order.contains(w)) << w->metaObject()->className();

    for (QWidget* w : order) QTest::keyClick(w, Qt::Key_Space);
    EXPECT_EQ(gallery.toggles, gallery.rows.size() + 1); // the rows and the bare switch
    EXPECT_EQ(gallery.clicks, gallery.buttons.size());
    EXPECT_EQ(gallery.dismissals, 1);
}

} // namespace
} // namespace brisel
