#pragma once

#include <QString>

// The descriptions that the program's own components give of their failures, in the user's
// current language. Message boxes show them as they stand.
namespace FailureTexts {

QString unknownString(int id);
QString notANumber(const QString &text);
QString tooLarge(const QString &text);
QString outOfRange(const QString &text, qint64 lowest, qint64 highest);
QString invalidLineSettings(const QString &text);
QString invalidPropertyValue(const char *property, qint64 value);
QString portAlreadyOpen();
QString portNotOpen();
QString noDeviceForPort(int port);
// Short form, where a port is listed.
QString noDevice();
QString deviceMissing(int port, const QString &path);
QString permissionDenied(const QString &path, const QString &group);
// When no group membership would give access.
QString permissionDeniedNoGroup(const QString &path);
// When the path itself cannot be reached.
QString permissionDeniedOnPath(const QString &path);
QString portInUse(const QString &path);
QString notASerialDevice(const QString &path);
QString deviceError(const QString &path, const QString &reason);
QString settingsNotWritten(const QString &file, const QString &reason);
QString settingsUnreadable(const QString &file, const QString &reason);
// Reasons for settingsUnreadable.
QString settingsNotRegular();
QString settingsBinary();
QString settingsUtf16();
QString settingsTooLarge(qint64 limit);
QString folderNotCreated(const QString &folder);
QString portPathNotAbsolute(const QString &file, int port, const QString &path);
QString portPathNotUtf8(const QString &file, int port);
// Another process owns the name under which the readings are published.
QString busNameHeldByAnother(qint64 pid, const QString &program);

} // namespace FailureTexts
