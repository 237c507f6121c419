#include "localization/ui/qtcatalogue.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <memory>

#include "localization/localetable.h"

namespace quillon {

bool InstallQtCatalogue(int32_t languageId) {
  static QTranslator* current = nullptr;
  if (current) {
    QCoreApplication::removeTranslator(current);
    delete current;
    current = nullptr;
  }
  const TLocaleRecord* locale = FindLocale(languageId);
  if (!locale) return false;
  auto catalogue = std::make_unique<QTranslator>();
  if (!catalogue->load(QLocale(QString::fromLatin1(locale->culture)), "qtbase", "_",
                       QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    return false;
  current = catalogue.release();
  QCoreApplication::installTranslator(current);
  return true;
}

}  // namespace quillon
