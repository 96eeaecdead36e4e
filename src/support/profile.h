// The program's profile (INI) settings and the folder measurement files are looked for in.
#pragma once

#include <QByteArrayView>
#include <QString>

namespace support {

inline constexpr char ProfileFileName[] = "FileConverter.ini";
inline constexpr char ProfileSection[] = "VelInfo";
inline constexpr char MeasurementFolderKey[] = "PfadMessFile";

// The value of key in section of a profile text, read the way Windows profile files are read:
// names match regardless of case, blanks around the value and one pair of matching quotes are
// removed, the value is cut at 254 characters, a missing section or key gives defaultValue.
// The text is Windows-1252 with CR LF or LF line ends.
QString readProfileValue(QByteArrayView profileText, const QString& section, const QString& key,
                         const QString& defaultValue);

// Reads from the profile file profileFileName in the application folder.
QString ProfilLesen(const QString& profileFileName, const QString& section, const QString& key,
                    const QString& defaultValue);

// The configured folder unchanged when it is not blank, else the default folder VelFiles beside
// the program (created when missing, failures ignored).
QString MessPfad(const QString& configuredFolder);

// The same two with the folder supplied instead of the application folder: the profile file is
// read from folder, the default measurement folder VelFiles is made in parentFolder.
QString ProfilLesen(const QString& folder, const QString& profileFileName, const QString& section,
                    const QString& key, const QString& defaultValue);
QString MessPfad(const QString& parentFolder, const QString& configuredFolder);

}  // namespace support
