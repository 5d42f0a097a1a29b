// Data that another tool wrote into a card database in a form this program does not read: style
// numbers and positions stored as text ('3', so a style's guests and labels are not found), and text
// in another encoding than UTF-8 (GBK bytes from Chinese Windows tools, shown as garbage). Such a file
// is recognised when it is opened and brought into the program's own form, or refused with a message
// that says what is wrong.
#pragma once

#include "core/store/Result.h"

#include <QStringList>

class CardStore;

/// What the look at a file found.
struct ForeignDataFindings
{
    int numbersAsText = 0;      // cells of the numeric columns that hold text
    int foreignText = 0;        // text cells whose bytes are not UTF-8
    QStringList foreignSamples; // a few of them as they read in GB18030

    bool any() const { return numbersAsText > 0 || foreignText > 0; }
};

class ForeignData
{
public:
    explicit ForeignData(CardStore& store) : m_store(store) {}

    /// Looks at every row of the four tables (one pass each) for numbers stored as text and text that
    /// is not UTF-8.
    Result<ForeignDataFindings> inspect();

    /// Turns numbers stored as text into numbers and, when `decodeText`, text that is not UTF-8 into
    /// the same text read as GB18030. Text that is no number, or a column that keeps numbers as text
    /// whatever is written into it, is refused with a message. Runs inside the caller's transaction.
    Status mend(bool decodeText);

    /// The question asked before text that is not UTF-8 is rewritten: how much, and how it reads.
    static QString question(const ForeignDataFindings& found, const QString& filePath,
                            const QString& backupFolder);
    /// What the user is told once the file has been brought into the program's form.
    static QString mendedNotice(const ForeignDataFindings& found, bool decodedText, const QString& filePath,
                                const QString& backupPath);

private:
    Status mendNumbers(const QString& table, const QString& column, bool whole);
    Status mendText(const QString& table, const QString& column);

    CardStore& m_store;
};
