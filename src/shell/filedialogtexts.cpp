#include "shell/filedialogtexts.h"

#include <QStringList>

#include "localization/constants.h"
#include "shell/utils.h"

namespace quillon {

namespace {

// The desktop entry claims every extension listed here (the install test checks that).
constexpr const char* kSupportedPatterns = "*.wav *.mp3 *.wma *.ogg *.opus *.flac *.m4a *.aac";

// A single format's entries of the open dialog: the format's name and its pattern.
constexpr const char* kOpenTypes[][2] = {
    {"MPEG Layer 3", "*.mp3"},
    {"WAV", "*.wav"},
    {"WMA", "*.wma"},
};

QString Text(const char* key) {
  return QString::fromStdString(ConstantText(key));
}

QString Entry(const QString& name, const QString& patterns) {
  return name + " (" + patterns + ")";
}

// "WAV Files" in the current language; the format's name itself is never translated.
QString TypeFiles(const char* typeName) {
  return Text("typefiles").arg(QString::fromUtf8(typeName));
}

}  // namespace

QString OpenDialogTitle() {
  return Text("opentitle");
}

QString SupportedPatterns() {
  return kSupportedPatterns;
}

QString OpenDialogFilter() {
  QStringList entries{Entry(Text("supportedformats"), kSupportedPatterns)};
  for (const auto& [name, pattern] : kOpenTypes) entries << Entry(TypeFiles(name), pattern);
  entries << Entry(Text("allfiles"), "*");
  return entries.join(";;");
}

QString SaveDialogTitle() {
  return Text("savetitle");
}

QString SaveTypeFilter(int typeIndex) {
  const TSaveType& type = SaveTypeAt(typeIndex);
  return Entry(TypeFiles(type.typeName), QString("*") + type.extension);
}

QString SaveDialogFilter() {
  QStringList entries;
  for (int index = 1; index <= static_cast<int>(SaveTypes().size()); ++index)
    entries << SaveTypeFilter(index);
  return entries.join(";;");
}

int SaveTypeOfFilter(const QString& filter) {
  // The patterns are the same in every language; the names are not.
  for (int index = 1; index <= static_cast<int>(SaveTypes().size()); ++index)
    if (filter.endsWith(QString("(*") + SaveTypeAt(index).extension + ")")) return index;
  return 1;
}

}  // namespace quillon
