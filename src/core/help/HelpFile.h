// The help document Date_T.dat in the current folder, read for the help window: its rich text when
// it can be read, or a message saying why it cannot.
#pragma once

#include <QString>

class QTextDocument;

class HelpFile
{
public:
    /// How loading went.
    enum class Outcome
    {
        Shown,       ///< the whole document is shown
        ShownInPart, ///< the document is damaged; what could be read is shown under a notice
        Missing,     ///< no ordinary file of that name in the folder
        Unreadable,  ///< the file exists but cannot be opened or read
        TooLarge,    ///< larger than any help document; not read
        NotRichText, ///< the file does not hold a rich-text document
    };

    /// Larger files are not help documents and are not read.
    static constexpr qint64 MaxBytes = 16 * 1024 * 1024;

    /// The file name of the help document.
    static QString fileName();
    /// The text shown when there is no help file.
    static QString missingText();

    /// Fills `document` with the help document found in `folder`, or with a message saying why it
    /// cannot be shown.
    static Outcome load(const QString& folder, QTextDocument& document);
};
