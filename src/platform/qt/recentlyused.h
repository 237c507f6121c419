#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <optional>
#include <string>

namespace quillon {

// The desktop's shared list of recently used files, recently-used.xbel in the desktop bookmark
// format, which other programs' file dialogs read too. Qt Core only: no widgets.

// One use of a file by this program.
struct TRecentUse {
  QString href;      // file:// address, percent-encoded
  QString mimeType;  // "audio/x-wav", ...
  QDateTime time;    // UTC
};

// The use of a local file now: its address, and its type as the desktop's MIME database sees it.
TRecentUse RecentUseOf(const std::string& path, const QDateTime& time);

// The list's file: $XDG_DATA_HOME/recently-used.xbel, ~/.local/share when that is unset or not
// an absolute path.
QString RecentlyUsedFile();

// The list with the use merged in: the file's bookmark gets the new modified and visited times,
// its type and this program's application entry (count one more); a file not yet listed gets a
// new bookmark at the end. Everything else, other programs' entries and elements this program
// does not know, is copied as it is. Empty existing content starts a new list. None when the
// existing content is not a well-formed bookmark list, so that it is never replaced.
std::optional<QByteArray> MergeRecentUse(const QByteArray& existing, const TRecentUse& use);

enum class TRecentlyUsedResult {
  kAdded,
  kBroken,      // the list could not be read; it was left as it is
  kUnwritable,  // the list or its folder could not be written; it was left as it is
};

// Adds the use to the list file, replacing it through a temporary file in its folder that is on
// the disk before the use counts as added (see TReplacementFile).
TRecentlyUsedResult AddRecentUse(const QString& listFile, const TRecentUse& use);

}  // namespace quillon
