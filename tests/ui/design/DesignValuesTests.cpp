#include "UiTestSupport.h"

#include "platform/UserDefaults.h"
#include "ui/design/AnimatedValue.h"
#include "ui/design/AppearanceSource.h"
#include "ui/design/BriselColors.h"
#include "ui/design/BriselGeometry.h"
#include "ui/design/BriselPanelBackdrop.h"
#include "ui/design/BriselSemanticColor.h"
#include "ui/design/BriselThemeTokens.h"
#include "ui/design/BriselTypography.h"
#include "ui/design/Shadow.h"
#include "ui/design/SymbolPainter.h"

#include "TestEnvironment.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QSignalSpy>

namespace brisel {
namespace {

using test::ScopedScheme;

constexpr auto glass = BriselTheme::liquidGlass;
constexpr auto classic = BriselTheme::classic;

ThemeColor primary(double a) { return ThemeColor::primary(a); }
ThemeColor white(double a) { return ThemeColor::white(a); }
ThemeColor control(double a) { return ThemeColor::controlBackground(a); }
QColor black(double a) { return withOpacity(Qt::black, a); }

TEST(ThemeTokens, CardFillStrokeAndShadowForEverySchemeAndReduceFlag) {
    struct Row {
        BriselTheme theme;
        bool dark, reduce;
        ThemeFill fill;
        ThemeColor stroke;
        Shadow shadow;
    } rows[] = {
        {glass, true, false, {white(0.075), white(0.045)}, primary(0.1), {black(0.24), 5, 2}},
        {glass, false, false, {white(0.6), white(0.4)}, primary(0.075), {black(0.065), 5, 2}},
        {glass, true, true, {control(1), {}}, primary(0.18), {black(0.06), 1, 1}},
        {glass, false, true, {control(1), {}}, primary(0.12), {black(0.06), 1, 1}},
        {classic, true, false, {control(0.75), {}}, primary(0.09), {black(0.12), 2, 1}},
        {classic, false, false, {control(1), {}}, primary(0.07), {black(0.04), 2, 1}},
        {classic, true, true, {control(1), {}}, primary(0.09), {black(0.12), 2, 1}},
        {classic, false, true, {control(1), {}}, primary(0.07), {black(0.04), 2, 1}},
    };
    for (const Row& row : rows) {
        const auto& tokens = BriselThemeTokens::of(row.theme);
        SCOPED_TRACE(testing::Message() << toString(row.theme) << " dark " << row.dark << " reduce " << row.reduce);
        EXPECT_EQ(tokens.theme(), row.theme);
        EXPECT_EQ(tokens.cardFill(row.dark, row.reduce), row.fill);
        EXPECT_EQ(tokens.cardStroke(row.dark, row.reduce), row.stroke);
        EXPECT_EQ(tokens.cardShadow(row.dark, row.reduce), row.shadow);
    }
}

// A shape's grown copies are made once and kept: each shape must still get its own shadow.
TEST(ShadowTest, EachShapeKeepsItsOwnShadowAcrossPaints) {
    const Shadow shadow{QColor(0, 0, 0, 160), 12, 3};
    const auto render = [&](const QPainterPath& shape) {
        QImage image(120, 120, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        shadow.paint(painter, shape);
        return image;
    };
    QPainterPath round, square;
    round.addRoundedRect(30, 30, 60, 50, 14, 14);
    square.addRoundedRect(30, 30, 60, 50, 1, 1); // the same bounds
    const QImage first = render(round);
    EXPECT_NE(render(square), first);
    EXPECT_EQ(render(round), first);
    EXPECT_EQ(first.pixelColor(60, 55).alpha(), 0); // never under the shape itself
    EXPECT_GT(first.pixelColor(60, 84).alpha(), 0);
}

TEST(ThemeTokens, SizesAndBadgeColours) {
    struct Row {
        BriselTheme theme;
        double radius, stroke, badgeStroke;
        ThemeColor badgeFillDark, badgeFillLight, badgeStrokeDark, badgeStrokeLight;
    } rows[] = {
        {glass, 14, 0.75, 0.75, white(0.07), white(0.22), primary(0.14), primary(0.10)},
        {classic, 10, 1, 1, primary(0.06), primary(0.04), primary(0.14), primary(0.08)},
    };
    for (const Row& row : rows) {
        const auto& tokens = BriselThemeTokens::of(row.theme);
        SCOPED_TRACE(toString(row.theme).data());
        EXPECT_EQ(tokens.cornerRadius(), row.radius);
        EXPECT_EQ(tokens.strokeWidth(), row.stroke);
        EXPECT_EQ(tokens.badgeStrokeWidth(), row.badgeStroke);
        EXPECT_EQ(tokens.badgeFill(true), row.badgeFillDark);
        EXPECT_EQ(tokens.badgeFill(false), row.badgeFillLight);
        EXPECT_EQ(tokens.badgeStroke(true), row.badgeStrokeDark);
        EXPECT_EQ(tokens.badgeStroke(false), row.badgeStrokeLight);
    }
}

TEST(ThemeColors, ResolveAgainstThePaletteAndMultiplyAlpha) {
    const QPalette palette = test::lightPalette();
    EXPECT_EQ(primary(0.5).resolve(palette), withOpacity(palette.color(QPalette::WindowText), 0.5));
    EXPECT_EQ(control(1).resolve(palette), palette.color(QPalette::Base));
    EXPECT_EQ(withOpacity(QColor(0, 0, 0, 128), 0.5).alpha(), 64);
}

// The colour at the top-left corner of a backdrop painted for `appearance`.
QColor backdropCorner(const Appearance& appearance, const QPalette& palette) {
    QImage image(4, 4, QImage::Format_ARGB32);
    QPainter painter(&image);
    BriselPanelBackdrop::paint(painter, QRectF(0, 0, 4, 4), appearance, palette);
    return image.pixelColor(0, 0);
}

TEST(Backdrops, GlassOnlyWithTheGlassThemeAndTransparencyAllowed) {
    const struct Row {
        BriselTheme theme;
        bool reduce, dark, windowColour;
    } rows[] = {
        {classic, false, false, true}, {classic, true, true, true}, {glass, true, false, true},
        {glass, false, false, false},  {glass, false, true, false},
    };
    for (const Row& row : rows) {
        const QPalette palette = row.dark ? test::darkPalette() : test::lightPalette();
        const Appearance appearance{row.theme, row.dark, false, row.reduce};
        EXPECT_EQ(appearance.glass(), !row.windowColour);
        EXPECT_EQ(backdropCorner(appearance, palette) == palette.color(QPalette::Window), row.windowColour)
            << toString(row.theme) << " reduce " << row.reduce << " dark " << row.dark;
    }
}

TEST(DesignValues, ContentRadiusAndSemanticColours) {
    EXPECT_EQ(BriselGeometry::contentRadius(classic, 4), 4);
    EXPECT_EQ(BriselGeometry::contentRadius(glass, 4), 5.5);
    EXPECT_EQ(BriselGeometry::contentRadius(glass, 12), 5.5);

    const struct Row {
        QColor (*colour)(bool);
        float dark[3], light[3];
    } rows[] = {
        {BriselSemanticColor::emerald, {0.2f, 0.84f, 0.38f}, {0.12f, 0.68f, 0.28f}},
        {BriselSemanticColor::electricBlue, {0.68f, 0.78f, 0.88f}, {0.0f, 0.48f, 1.0f}},
        {BriselSemanticColor::amber, {1.0f, 0.66f, 0.16f}, {0.88f, 0.48f, 0.0f}},
        {BriselSemanticColor::crimson, {1.0f, 0.34f, 0.3f}, {0.85f, 0.18f, 0.15f}},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(row.colour(true), QColor::fromRgbF(row.dark[0], row.dark[1], row.dark[2]));
        EXPECT_EQ(row.colour(false), QColor::fromRgbF(row.light[0], row.light[1], row.light[2]));
        EXPECT_EQ(row.colour(false).alpha(), 255);
    }
}

TEST(DesignValues, SecondaryForegroundIsAFixedGreyOnGlassOnly) {
    const QColor given(10, 20, 30, 140);
    const QColor darkGrey = QColor::fromRgbF(0.8f, 0.8f, 0.8f);
    const QColor lightGrey = QColor::fromRgbF(0.28f, 0.28f, 0.28f);
    const struct Row {
        BriselTheme theme;
        bool dark, reduce, enabled;
        QColor expected;
    } rows[] = {
        {glass, true, false, true, darkGrey},  {glass, false, false, true, lightGrey},
        {glass, true, true, true, darkGrey},   {glass, true, false, false, given},
        {classic, true, false, true, given},   {classic, false, false, true, given},
    };
    for (const Row& row : rows)
        EXPECT_EQ(BriselColors::secondaryForeground({row.theme, row.dark, false, row.reduce}, given, row.enabled),
                  row.expected)
            << toString(row.theme) << row.dark << row.enabled;
}

TEST(DesignValues, FontsHaveTheirPixelSizesAndWeights) {
    const struct Row {
        const QFont& font;
        double pixels;
        int weight;
    } rows[] = {
        {BriselTypography::heroMetric(), 28, QFont::Bold},      {BriselTypography::sectionHeader(), 11, QFont::DemiBold},
        {BriselTypography::controlLabel(), 12.5, QFont::Normal}, {BriselTypography::controlValue(), 11.5, QFont::Medium},
        {BriselTypography::microMeta(), 11, QFont::Normal},      {BriselTypography::settingsTab(), 12, QFont::Medium},
    };
    for (const Row& row : rows) {
        EXPECT_NEAR(row.font.pointSizeF() * QGuiApplication::primaryScreen()->logicalDotsPerInch() / 72.0, row.pixels, 1e-9);
        EXPECT_EQ(row.font.weight(), row.weight);
    }
}

TEST(Motion, SpringsBecomeEasedAnimationsAndJumpWhenMotionIsOff) {
    const struct Row {
        Spring spring;
        int ms;
        QEasingCurve::Type easing;
    } rows[] = {{{0.24, 0.78}, 288, QEasingCurve::OutBack},
                {{0.18, 0.72}, 216, QEasingCurve::OutBack},
                {{0.24, 0.8}, 288, QEasingCurve::OutCubic}};
    for (const Row& row : rows) {
        EXPECT_EQ(row.spring.durationMs(), row.ms);
        EXPECT_EQ(row.spring.easing().type(), row.easing);
        if (row.easing == QEasingCurve::OutBack) {
            EXPECT_DOUBLE_EQ(row.spring.easing().overshoot(), 0.6);
        }
    }

    const struct Case {
        bool instant, reduceMotion;
        double afterMove;
    } cases[] = {{false, false, 0}, {false, true, 1}, {true, false, 1}};
    for (const Case& c : cases) {
        AnimatedValue::setInstantMotion(c.instant);
        int applied = 0;
        AnimatedValue value(0, [&](double) { ++applied; });
        value.moveTo(1, {0.24, 0.78}, c.reduceMotion);
        EXPECT_EQ(value.value(), c.afterMove);
        EXPECT_EQ(applied, c.afterMove == 1 ? 1 : 0);
        EXPECT_EQ(value.target(), 1);
    }
    AnimatedValue::setInstantMotion(false);
}

class AppearanceSourceTest : public test::TestEnvironment {};

TEST_F(AppearanceSourceTest, FollowsThePaletteAndReadsTheFlagsFromTheUserDefaults) {
    ScopedScheme light(false);
    AppearanceSource source;
    QSignalSpy changed(&source, &AppearanceSource::changed);
    EXPECT_FALSE(source.current().dark);
    {
        ScopedScheme dark(true);
        EXPECT_TRUE(source.current().dark);
    }
    EXPECT_FALSE(source.current().dark);
    EXPECT_EQ(changed.count(), 2);

    UserDefaults defaults(root() / "defaults.ini");
    source.loadAccessibilityDefaults(defaults);
    EXPECT_FALSE(source.current().reduceMotion);
    EXPECT_FALSE(source.current().reduceTransparency);
    defaults.setString("ReduceMotion", "true");
    defaults.setString("ReduceTransparency", "1");
    source.loadAccessibilityDefaults(defaults);
    EXPECT_TRUE(source.current().reduceMotion);
    EXPECT_TRUE(source.current().reduceTransparency);
    source.setReduceTransparency(true);
    EXPECT_EQ(changed.count(), 3);
}

// Opaque pixels drawn by a symbol into a 24-pixel square.
QImage drawSymbol(const QString& name) {
    QImage image(24, 24, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    SymbolPainter::paint(painter, QRectF(0, 0, 24, 24), name, Qt::black, QFont::Normal);
    return image;
}

int opaquePixels(const QImage& image) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) count += qAlpha(image.pixel(x, y)) > 128;
    return count;
}

TEST(Symbols, EveryNameTheViewsUseIsDrawnAndAnUnknownOneIsACircle) {
    const char* const used[] = {
        "app.fill", "arrow.counterclockwise", "arrow.triangle.2.circlepath", "arrow.uturn.backward.circle.fill", "bag",
        "battery.0", "battery.25", "battery.50", "battery.75", "battery.75percent", "battery.100", "battery.100.bolt",
        "bell", "bolt", "bolt.badge.clock", "bolt.badge.clock.fill", "bolt.circle", "bolt.fill", "bolt.slash.fill",
        "checkmark.circle", "checkmark.circle.fill", "chevron.down", "chevron.right", "chevron.up.chevron.down",
        "circle", "cpu", "cup.and.saucer", "desktopcomputer", "doc.text", "exclamationmark.circle.fill",
        "exclamationmark.triangle", "externaldrive.badge.exclamationmark", "flame", "gauge", "gearshape",
        "gearshape.2", "heart", "info.circle", "laptopcomputer", "leaf.fill", "menubar.rectangle", "minus",
        "minus.circle", "moon", "play", "plus", "power", "powerplug", "powerplug.fill", "questionmark.circle",
        "shield", "slider.horizontal.3", "sparkles", "thermometer.medium", "wifi", "xmark", "1.circle.fill",
        "2.circle.fill", "3.circle.fill"};
    for (const char* name : used) {
        EXPECT_TRUE(SymbolPainter::has(name)) << name;
        EXPECT_GT(opaquePixels(drawSymbol(name)), 6) << name;
    }
    EXPECT_FALSE(SymbolPainter::has("no.such.symbol"));
    EXPECT_EQ(drawSymbol("no.such.symbol"), drawSymbol("circle"));
    // A fuller battery fills more of its body.
    EXPECT_LT(opaquePixels(drawSymbol("battery.25")), opaquePixels(drawSymbol("battery.75")));
}

} // namespace
} // namespace brisel
