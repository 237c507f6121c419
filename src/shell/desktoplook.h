#pragma once

#include <QDBusVariant>
#include <QObject>
#include <QPalette>
#include <QString>
#include <optional>

class QApplication;

namespace quillon {

// The desktop's wish for light or dark windows, as the settings portal or GTK states it.
enum class TColourScheme { NoPreference, Dark, Light };

// The portal's org.freedesktop.appearance color-scheme value: 1 dark, 2 light, else none.
TColourScheme SchemeOfPortalValue(uint32_t value);
// A GTK theme name such as "Adwaita:dark" (GTK_THEME) or "Arc-Dark" (settings.ini).
TColourScheme SchemeOfGtkThemeName(const QString& name);
// The text of GTK 3's settings.ini: gtk-application-prefer-dark-theme, then gtk-theme-name.
TColourScheme SchemeOfGtkSettings(const QString& iniText);

// A dark palette for the widgets; the wave view keeps its own configured colours.
QPalette DarkPalette();

// Follows the desktop's preference for the application's palette: GTK's settings at once, then
// the portal's answer and its later changes, which arrive without the window waiting for them.
class TDesktopLook : public QObject {
  Q_OBJECT

 public:
  explicit TDesktopLook(QApplication* app);
  // What the look follows now.
  TColourScheme Scheme() const { return scheme_; }
  // Sets the palette for a scheme; no preference restores the style's own.
  void Apply(TColourScheme scheme);

 private slots:
  // The portal's SettingChanged signal, by the name D-Bus connects it with.
  void PortalSettingChanged(const QString& space, const QString& key, const QDBusVariant& value) {
    PortalChanged(space, key, value.variant());
  }

 private:
  void AskPortal();
  void PortalChanged(const QString& space, const QString& key, const QVariant& value);

  QApplication* app_;
  QPalette ownPalette_;
  QString ownStyle_;
  TColourScheme scheme_ = TColourScheme::NoPreference;
};

// What GTK says from the environment and the user's settings file, read now.
TColourScheme GtkColourScheme();

}  // namespace quillon
