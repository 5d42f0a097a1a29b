// Reads the part of Rich Text Format that help documents use into a QTextDocument: groups, the font
// and colour tables, paragraphs, line breaks and tabs, bold, italic, underline, font size and face,
// paragraph alignment and spacing, code-page bytes (\'hh) and Unicode escapes (\uN with \ucN).
// Destinations it does not know are skipped. Damaged or hostile input never crashes or hangs the
// reader, and the memory it uses stays proportional to the input.
#pragma once

#include <QByteArray>

class QTextDocument;

/// What reading a document found besides its text.
struct RtfReadReport
{
    /// The data opens with the rich-text header "{\rtf" (after an optional byte-order mark).
    bool isRtf = false;
    /// The outermost group was closed before the data ended.
    bool complete = false;
    /// Nesting, paragraph or formatting limits left part of the document plain or unread.
    bool limited = false;
};

class RtfReader
{
public:
    /// Groups nested deeper than this share the formatting of the deepest one kept.
    static constexpr int MaxDepth = 200;
    /// Reading stops after this many paragraphs.
    static constexpr int MaxParagraphs = 100000;
    /// After this many changes of character format the rest of the text keeps the last format.
    static constexpr int MaxFormatRuns = 200000;
    /// Qt lays a paragraph out in a time that grows much faster than its length (2 MB of words kept
    /// the help window busy for minutes), so a paragraph longer than this many characters goes on in
    /// a new block at the next place a line may break. The blocks read as one paragraph: no spacing
    /// between them, no indent after the first.
    static constexpr int MaxBlockLength = 2000;

    /// Replaces the contents of `document` with the text of `rtf`. Data without the rich-text
    /// header leaves the document empty.
    static RtfReadReport read(const QByteArray& rtf, QTextDocument& document);
};
