#pragma once
// The measures and character formats of the letter editor. Indents are kept in the text
// document as pixels (block margins) and converted to twips here: one half-width column of
// the base font (its advance of "0") is 120 twips, so indents survive any screen resolution.
//
// Paragraph indents map onto a QTextBlockFormat as follows: the start indent (first line) is
// leftMargin + textIndent, the hanging offset (following lines relative to the first) is
// -textIndent, the right indent is rightMargin. This is also how RTF states them (\li, \fi).

#include "encoding/CString.h"

#include <QFont>
#include <QString>
#include <QTextCharFormat>
#include <QTextListFormat>

#include <string>

class QTextBlock;
class QTextBlockFormat;

class CLetterFormat {
public:
    static constexpr int kBaseFontTwips = 240;      // 12 points
    static constexpr int kColumnTwips = 120;        // one half-width column
    static constexpr int kEditColumns = 76;         // fixed width of the editing area
    static constexpr int kEditTwips = kColumnTwips * kEditColumns;  // 9120

    // IPAGothic 12 pt, fixed pitch.
    static QFont BaseFont();
    // The base font's advance of "0", in pixels (may be fractional).
    static qreal ColumnWidth();

    // The designed window sizes (656, 660, 610, list heights, button offsets) are pixels of a
    // 96-DPI screen, where one column is 8 pixels; this scales them by the real column width,
    // so that 76 columns always fit, whatever the screen's DPI.
    static int DesignPixels(int pixels96);

    static qreal TwipsToPixels(int twips);
    static int PixelsToTwips(qreal pixels);

    // Start indent, hanging offset and right indent of a block format, in twips.
    static int StartIndent(const QTextBlockFormat& format);
    static int Offset(const QTextBlockFormat& format);
    static int RightIndent(const QTextBlockFormat& format);
    static void SetIndents(QTextBlockFormat& format, int startIndent, int offset, int rightIndent);

    static bool IsPureRed(const QTextCharFormat& format);
    static bool IsUnderlined(const QTextCharFormat& format);
    // The base character format: base font, no colour, no underline.
    static QTextCharFormat DefaultCharFormat();
    // Pure red (255, 0, 0) foreground on top of `format`.
    static QTextCharFormat RedCharFormat();

    // Paragraph numbering: Arabic numbers followed by a period, starting at 1. The number
    // stands in a margin of kNumberColumns half-width columns before the paragraph's text.
    static constexpr int kNumberColumns = 4;
    static QTextListFormat NumberingFormat();
    // The list margin of numbered paragraphs in `document`, in twips (0 for other blocks).
    static int ListIndent(const QTextBlock& block);

    // The code page 932 bytes of one character (a UTF-16 unit or a surrogate pair); a
    // character that code page 932 cannot hold gives "〓". Cached per UTF-16 unit.
    static void AppendCp932(char32_t ch, std::string& out);
    // Whether code page 932 holds `ch` (so that it is sent as it is shown).
    static bool InCp932(char32_t ch);
    // `text` with every character that code page 932 lacks (é, €, an emoji, a lone
    // surrogate) replaced by "〓": what the editor holds is exactly what will be sent, and
    // the wrap counts the two columns the character takes in the message.
    static QString Sendable(const QString& text);
    static QString ToQString(const CString& cp932);
    static CString FromQString(const QString& text);
};
