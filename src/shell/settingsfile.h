#pragma once

#include <QSettings>
#include <QString>
#include <functional>
#include <string>

namespace quillon {

// The user's settings file: QSettings' INI file of the organisation and the program in the
// user's config folder, which OpenUserSettings reads.
QString UserSettingsFile();

// Changes a settings file as every replaced file is changed (see TReplacementFile): change edits
// a copy in the same folder, which is then flushed and renamed over the file, all under the lock
// that Qt's own writes of the file take. Qt's own save is not used for the file itself, as it
// neither reports a failed flush nor flushes the folder. False when the copy could not be made,
// written or put in place: the file is then as it was.
bool ChangeSettingsFile(const QString& file, const std::function<void(QSettings&)>& change);

// The same for the user's file: the message to show when it failed, empty when it did not.
std::string ChangeUserSettings(const std::function<void(QSettings&)>& change);

}  // namespace quillon
