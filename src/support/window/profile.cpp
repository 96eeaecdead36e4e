// Reads the program's profile settings and supplies the folder measurement files are looked for in.
#include "support/window/profile.h"

#include "support/engine/windows1252.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringTokenizer>
#include <algorithm>
#include <optional>

namespace support {
namespace {

// Values come back as they fit a 255-character reading buffer with its terminating zero.
constexpr qsizetype MaxValueLength = 254;

// The tool's folder among the user's configuration folders (~/.config/FileConverter).
constexpr char ToolFolderName[] = "FileConverter";
constexpr char DefaultFolderName[] = "VelFiles";

// Spaces and tabs only: a no-break space (0xA0) at the end of a folder name belongs to the value.
bool isBlank(QChar character)
{
    return character == u' ' || character == u'\t';
}

QStringView withoutBlanks(QStringView text)
{
    while (!text.isEmpty() && isBlank(text.front()))
        text = text.sliced(1);
    while (!text.isEmpty() && isBlank(text.back()))
        text.chop(1);
    return text;
}

// Quotes let a value keep blanks at its ends; only one matching pair around the whole value counts.
QStringView withoutQuotes(QStringView value)
{
    const bool quoted = value.size() >= 2 && value.front() == value.back()
                        && (value.front() == u'"' || value.front() == u'\'');
    return quoted ? value.sliced(1, value.size() - 2) : value;
}

// The name of a "[name]" line; nullopt for any other line.
std::optional<QStringView> sectionName(QStringView line)
{
    if (!line.startsWith(u'['))
        return std::nullopt;
    const qsizetype closing = line.indexOf(u']');
    return withoutBlanks(line.sliced(1, (closing < 0 ? line.size() : closing) - 1));
}

bool sameName(QStringView name, const QString& wanted)
{
    return name.compare(wanted, Qt::CaseInsensitive) == 0;
}

// A folder of nothing but spaces is no folder: the default one stands in for it.
bool isGiven(const QString& configuredFolder)
{
    return !std::ranges::all_of(configuredFolder, [](QChar character) { return character == u' '; });
}

QString messPfadIn(const ProgramFolders& folders, const QString& configuredFolder)
{
    const QString parent = measurementParentFolder(folders);
    // A fresh account may have no documents folder yet; the application folder is never made.
    if (!isGiven(configuredFolder) && parent != folders.application)
        QDir().mkpath(parent);
    return MessPfad(parent, configuredFolder);
}

}  // namespace

QString readProfileValue(QByteArrayView profileText, const QString& section, const QString& key,
                         const QString& defaultValue)
{
    const QString text = QString::fromStdString(
        fromWindows1252(std::string_view(profileText.data(), static_cast<std::size_t>(profileText.size()))));
    bool inSection = false;
    for (QStringView line : QStringTokenizer(text, u'\n')) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        line = withoutBlanks(line);
        if (const std::optional<QStringView> name = sectionName(line)) {
            // The first matching section alone is searched.
            if (inSection)
                break;
            inSection = sameName(*name, section);
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (!inSection || equals < 0 || !sameName(withoutBlanks(line.first(equals)), key))
            continue;
        return withoutQuotes(withoutBlanks(line.sliced(equals + 1))).left(MaxValueLength).toString();
    }
    return defaultValue.left(MaxValueLength);
}

QString ProfilLesen(const QString& folder, const QString& profileFileName, const QString& section,
                    const QString& key, const QString& defaultValue)
{
    QFile profile(QDir(folder).filePath(profileFileName));
    // A missing or unreadable profile is no error: every setting keeps its default.
    if (!profile.open(QIODevice::ReadOnly))
        return defaultValue.left(MaxValueLength);
    return readProfileValue(profile.readAll(), section, key, defaultValue);
}

QString MessPfad(const QString& parentFolder, const QString& configuredFolder)
{
    if (isGiven(configuredFolder))
        return configuredFolder;
    const QString defaultFolder = QDir(parentFolder).filePath(QLatin1String(DefaultFolderName)) + u'/';
    // One level, result ignored: the dialogs start there whether it was made now, earlier or not at all.
    QDir().mkdir(defaultFolder);
    return defaultFolder;
}

ProgramFolders programFolders(const QString& applicationFolder)
{
    // The generic location plus the tool's name: the per-application one follows the
    // application name, which is the program file's name unless the program sets another.
    const QString configuration = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return {applicationFolder, QFileInfo(applicationFolder).isWritable(),
            QDir(configuration).filePath(QLatin1String(ToolFolderName)),
            QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)};
}

QString profileFolder(const ProgramFolders& folders, const QString& profileFileName)
{
    const bool portable = QFileInfo::exists(QDir(folders.application).filePath(profileFileName));
    return portable ? folders.application : folders.userConfiguration;
}

QString measurementParentFolder(const ProgramFolders& folders)
{
    // A VelFiles folder beside a read-only program (a copy on a shared drive) is still the one to use.
    const bool besideProgram =
        folders.applicationWritable
        || QFileInfo(QDir(folders.application).filePath(QLatin1String(DefaultFolderName))).isDir();
    return besideProgram ? folders.application : folders.userDocuments;
}

QString measurementFolder(const ProgramFolders& folders)
{
    const QString configured = ProfilLesen(profileFolder(folders, QLatin1String(ProfileFileName)),
                                           QLatin1String(ProfileFileName), QLatin1String(ProfileSection),
                                           QLatin1String(MeasurementFolderKey), {});
    return messPfadIn(folders, configured);
}

}  // namespace support
