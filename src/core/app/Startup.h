// Start-up: where the card database is and whether it is there, the fonts behind Windows face
// names and Qt's own Chinese texts.
#pragma once

#include <QString>

class MessageService;
struct SharedState;

namespace Startup {

inline constexpr const char* kDataFileName = "Date_D.dat";

/// The absolute path of `fileName` in `directory`, written with this platform's separator.
QString dataFilePath(const QString& directory, const QString& fileName);

/// True when `path` names a regular file (a symbolic link to one counts; a directory does not).
bool isOrdinaryFile(const QString& path);

/// Sets the data file name and its path in the current directory; when the file is not there,
/// shows the missing-file message and returns false: the program must end without a window.
bool locateDataFile(SharedState& state, MessageService& messages);

/// Installs Qt's own Chinese texts (qtbase_zh_CN from Qt's installed translations), so that the
/// standard dialogs and buttons (file dialogs, the font dialog) speak the program's language. Needs
/// the application object; false when the translations are not installed.
bool installQtTranslations();

/// Maps the Windows face names that stored designs use onto installed CJK faces.
void installFontSubstitutions();

} // namespace Startup
