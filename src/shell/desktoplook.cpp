#include "shell/desktoplook.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QStyle>
#include <QStyleFactory>

namespace quillon {

namespace {

const char* const kPortalService = "org.freedesktop.portal.Desktop";
const char* const kPortalPath = "/org/freedesktop/portal/desktop";
const char* const kPortalSettings = "org.freedesktop.portal.Settings";
const char* const kAppearance = "org.freedesktop.appearance";
const char* const kColourScheme = "color-scheme";
// The portal answers in milliseconds; a portal that hangs must not hold the look for long.
constexpr int kPortalTimeoutMs = 2000;

bool IsTrue(const QString& value) {
  const QString v = value.trimmed().toLower();
  return v == "1" || v == "true" || v == "yes";
}

// Read replies with the value wrapped in one more variant than ReadOne; both reach here.
std::optional<uint32_t> UnwrappedNumber(QVariant value) {
  while (value.canConvert<QDBusVariant>() && value.userType() == qMetaTypeId<QDBusVariant>())
    value = value.value<QDBusVariant>().variant();
  bool ok = false;
  const uint32_t number = value.toUInt(&ok);
  return ok ? std::optional<uint32_t>(number) : std::nullopt;
}

}  // namespace

TColourScheme SchemeOfPortalValue(uint32_t value) {
  if (value == 1) return TColourScheme::Dark;
  if (value == 2) return TColourScheme::Light;
  return TColourScheme::NoPreference;
}

TColourScheme SchemeOfGtkThemeName(const QString& name) {
  const QString theme = name.trimmed();
  if (theme.isEmpty()) return TColourScheme::NoPreference;
  // "Adwaita:dark" (a variant) or "Arc-Dark", "Yaru-dark" (a dark theme of its own).
  static const QRegularExpression dark("(:|-|_)dark$", QRegularExpression::CaseInsensitiveOption);
  return dark.match(theme).hasMatch() ? TColourScheme::Dark : TColourScheme::Light;
}

TColourScheme SchemeOfGtkSettings(const QString& iniText) {
  std::optional<bool> preferDark;
  QString themeName;
  bool inSettings = false;
  for (const QString& raw : iniText.split('\n')) {
    const QString line = raw.trimmed();
    if (line.startsWith('[')) {
      inSettings = line.compare("[Settings]", Qt::CaseInsensitive) == 0;
      continue;
    }
    const qsizetype equals = line.indexOf('=');
    if (!inSettings || equals < 0 || line.startsWith('#') || line.startsWith(';')) continue;
    const QString key = line.left(equals).trimmed();
    const QString value = line.mid(equals + 1).trimmed();
    if (key == "gtk-application-prefer-dark-theme") preferDark = IsTrue(value);
    if (key == "gtk-theme-name") themeName = value;
  }
  if (preferDark && *preferDark) return TColourScheme::Dark;
  const TColourScheme byName = SchemeOfGtkThemeName(themeName);
  if (byName != TColourScheme::NoPreference) return byName;
  return preferDark ? TColourScheme::Light : TColourScheme::NoPreference;
}

TColourScheme GtkColourScheme() {
  const QString theme = qEnvironmentVariable("GTK_THEME");
  if (!theme.isEmpty()) return SchemeOfGtkThemeName(theme);
  QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
  if (config.isEmpty()) config = QDir::homePath() + "/.config";
  QFile settings(config + "/gtk-3.0/settings.ini");
  // A few hundred bytes; a larger file is not GTK's.
  if (!settings.open(QIODevice::ReadOnly) || settings.size() > (1 << 16))
    return TColourScheme::NoPreference;
  return SchemeOfGtkSettings(QString::fromUtf8(settings.readAll()));
}

QPalette DarkPalette() {
  QPalette p;
  const QColor window(0x2b, 0x2b, 0x2e), base(0x1e, 0x1e, 0x20), text(0xe6, 0xe6, 0xe6);
  const QColor disabledText(0x80, 0x80, 0x84), highlight(0x3d, 0x7a, 0xd6);
  p.setColor(QPalette::Window, window);
  p.setColor(QPalette::WindowText, text);
  p.setColor(QPalette::Base, base);
  p.setColor(QPalette::AlternateBase, window);
  p.setColor(QPalette::ToolTipBase, base);
  p.setColor(QPalette::ToolTipText, text);
  p.setColor(QPalette::PlaceholderText, disabledText);
  p.setColor(QPalette::Text, text);
  p.setColor(QPalette::Button, window);
  p.setColor(QPalette::ButtonText, text);
  p.setColor(QPalette::BrightText, Qt::white);
  p.setColor(QPalette::Light, window.lighter(160));
  p.setColor(QPalette::Midlight, window.lighter(130));
  p.setColor(QPalette::Mid, window.darker(120));
  p.setColor(QPalette::Dark, window.darker(160));
  p.setColor(QPalette::Shadow, Qt::black);
  p.setColor(QPalette::Highlight, highlight);
  p.setColor(QPalette::HighlightedText, Qt::white);
  p.setColor(QPalette::Link, QColor(0x6c, 0xa8, 0xff));
  p.setColor(QPalette::LinkVisited, QColor(0xb0, 0x8c, 0xff));
  for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
    p.setColor(QPalette::Disabled, role, disabledText);
  p.setColor(QPalette::Disabled, QPalette::Highlight, window.lighter(130));
  return p;
}

TDesktopLook::TDesktopLook(QApplication* app)
    : QObject(app), app_(app), ownPalette_(app->palette()), ownStyle_(app->style()->name()) {
  Apply(GtkColourScheme());
  AskPortal();
}

void TDesktopLook::Apply(TColourScheme scheme) {
  if (scheme == scheme_) return;
  scheme_ = scheme;
  if (scheme == TColourScheme::Dark) {
    // Styles that draw with fixed light pictures ignore a dark palette; Fusion follows it.
    if (app_->style()->name().compare("fusion", Qt::CaseInsensitive) != 0)
      app_->setStyle(QStyleFactory::create("Fusion"));
    app_->setPalette(DarkPalette());
    return;
  }
  if (app_->style()->name() != ownStyle_) app_->setStyle(QStyleFactory::create(ownStyle_));
  app_->setPalette(ownPalette_);
}

void TDesktopLook::AskPortal() {
  // Without a session bus there is no portal to ask; connecting would only cost time.
  if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS")) return;
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) return;
  bus.connect(kPortalService, kPortalPath, kPortalSettings, "SettingChanged", this,
              SLOT(PortalSettingChanged(QString, QString, QDBusVariant)));
  QDBusMessage read =
      QDBusMessage::createMethodCall(kPortalService, kPortalPath, kPortalSettings, "Read");
  read << QString(kAppearance) << QString(kColourScheme);
  auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(read, kPortalTimeoutMs), this);
  connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* call) {
    QDBusPendingReply<QVariant> reply = *call;
    call->deleteLater();
    // No portal, or one without the setting: GTK's word stands.
    if (reply.isError()) return;
    if (const auto value = UnwrappedNumber(reply.value()))
      if (SchemeOfPortalValue(*value) != TColourScheme::NoPreference)
        Apply(SchemeOfPortalValue(*value));
  });
}

void TDesktopLook::PortalChanged(const QString& space, const QString& key, const QVariant& value) {
  if (space != kAppearance || key != kColourScheme) return;
  if (const auto number = UnwrappedNumber(value)) {
    const TColourScheme scheme = SchemeOfPortalValue(*number);
    Apply(scheme == TColourScheme::NoPreference ? GtkColourScheme() : scheme);
  }
}

}  // namespace quillon
