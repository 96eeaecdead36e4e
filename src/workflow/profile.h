// The program's profile (INI) settings and the folder measurement files are looked for in.
#pragma once

#include <string>
#include <string_view>

namespace workflow {

inline constexpr char ProfileFileName[] = "FileConverter.ini";
inline constexpr char ProfileSection[] = "VelInfo";
inline constexpr char MeasurementFolderKey[] = "PfadMessFile";

// The value of key in section of a profile text, read the way Windows profile files are read:
// names match regardless of case, blanks around the value and one pair of matching quotes are
// removed, the value is cut at 254 characters, a missing section or key gives defaultValue.
// The text is the file's bytes, Windows-1252 with CR LF or LF line ends; names, default and
// value are UTF-8.
std::string readProfileValue(std::string_view profileText, std::string_view section, std::string_view key,
                             std::string_view defaultValue);

// Where the program keeps its profile and its default measurement folder. A portable copy keeps
// both beside the program file; an installed program's folder (/usr/bin) is not the user's, so
// the user's own folders stand in for it. UTF-8 paths.
struct ProgramFolders {
    std::string application;           // the folder of the program file
    bool applicationWritable = false;  // whether the user may make a folder there
    std::string userConfiguration;     // the user's configuration folder for the tool
    std::string userDocuments;         // the user's documents folder
};

// The folders of a program in applicationFolder for the user who runs it: the user's folders as
// the system names them (user_folders.h), writability as the file system answers for this user
// (access(2) on POSIX: a read-only mount or missing permission make it false; for root it is true
// on any writable mount).
ProgramFolders programFolders(const std::string& applicationFolder);

// The folder profileFileName is read from: the application folder when the file is there, else
// the user's configuration folder.
std::string profileFolder(const ProgramFolders& folders, std::string_view profileFileName);

// The folder the default measurement folder VelFiles goes in: the application folder when VelFiles
// is there already or the user may make it there, else the user's documents folder.
std::string measurementParentFolder(const ProgramFolders& folders);

// PfadMessFile of the profile, or the default measurement folder VelFiles made where it goes.
std::string measurementFolder(const ProgramFolders& folders);

// The value of key in section of the profile file profileFileName in folder, or defaultValue.
// MessPfad: the configured folder unchanged when it is not blank, else the default folder VelFiles
// in parentFolder, made when missing (one level, failures ignored).
std::string ProfilLesen(const std::string& folder, std::string_view profileFileName, std::string_view section,
                        std::string_view key, std::string_view defaultValue);
std::string MessPfad(const std::string& parentFolder, const std::string& configuredFolder);

}  // namespace workflow
