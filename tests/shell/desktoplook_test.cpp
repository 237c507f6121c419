// The window's palette follows the desktop's light or dark wish, as GTK and the portal state it.
#include "shell/desktoplook.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QStyle>

namespace quillon {
namespace {

struct TGtkRow {
  const char* name;
  const char* ini;
  TColourScheme expected;
};

class GtkSettingsTest : public ::testing::TestWithParam<TGtkRow> {};

TEST_P(GtkSettingsTest, GiveTheScheme) {
  EXPECT_EQ(SchemeOfGtkSettings(QString::fromUtf8(GetParam().ini)), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, GtkSettingsTest,
    ::testing::Values(
        TGtkRow{"Empty", "", TColourScheme::NoPreference},
        TGtkRow{"PreferDark", "[Settings]\ngtk-application-prefer-dark-theme=1\n",
                TColourScheme::Dark},
        TGtkRow{"PreferDarkTrue", "[Settings]\ngtk-application-prefer-dark-theme = true\n",
                TColourScheme::Dark},
        TGtkRow{"DarkThemeName", "[Settings]\ngtk-theme-name=Arc-Dark\n", TColourScheme::Dark},
        TGtkRow{"LightThemeName", "[Settings]\ngtk-theme-name=Adwaita\n", TColourScheme::Light},
        TGtkRow{"PreferenceOff", "[Settings]\ngtk-application-prefer-dark-theme=0\n",
                TColourScheme::Light},
        TGtkRow{"OtherSection", "[Other]\ngtk-application-prefer-dark-theme=1\n",
                TColourScheme::NoPreference},
        TGtkRow{"CommentedOut", "[Settings]\n#gtk-application-prefer-dark-theme=1\n",
                TColourScheme::NoPreference},
        TGtkRow{"CrLf", "[Settings]\r\ngtk-theme-name=Yaru-dark\r\n", TColourScheme::Dark}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DesktopLookTest, ThemeNamesAndPortalValues) {
  EXPECT_EQ(SchemeOfGtkThemeName("Adwaita:dark"), TColourScheme::Dark);
  EXPECT_EQ(SchemeOfGtkThemeName("Adwaita"), TColourScheme::Light);
  EXPECT_EQ(SchemeOfGtkThemeName("Darkroom"), TColourScheme::Light);
  EXPECT_EQ(SchemeOfPortalValue(0), TColourScheme::NoPreference);
  EXPECT_EQ(SchemeOfPortalValue(1), TColourScheme::Dark);
  EXPECT_EQ(SchemeOfPortalValue(2), TColourScheme::Light);
  EXPECT_EQ(SchemeOfPortalValue(7), TColourScheme::NoPreference);
}

// Dark and back: the style's own palette and style return, whatever the desktop said first.
TEST(DesktopLookTest, DarkThenNoPreferenceRestoresTheStylesOwnLook) {
  qputenv("GTK_THEME", "Adwaita");
  const QColor ownWindow = qApp->palette().color(QPalette::Window);
  const QString ownStyle = qApp->style()->name();
  TDesktopLook look(qApp);
  look.Apply(TColourScheme::Dark);
  EXPECT_LT(qApp->palette().color(QPalette::Window).lightness(), 80);
  EXPECT_GT(qApp->palette().color(QPalette::WindowText).lightness(), 180);
  look.Apply(TColourScheme::NoPreference);
  EXPECT_EQ(qApp->palette().color(QPalette::Window), ownWindow);
  EXPECT_EQ(qApp->style()->name(), ownStyle);
  qunsetenv("GTK_THEME");
}

}  // namespace
}  // namespace quillon
