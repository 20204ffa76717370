#include "letter/CLetterFormat.h"

#include "command/QtText.h"
#include "encoding/CCodePage.h"

#include <QFontMetricsF>
#include <QTextBlock>
#include <QTextBlockFormat>
#include <QTextList>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

QFont CLetterFormat::BaseFont()
{
    QFont font(QStringLiteral(u"IPAGothic"));
    font.setPointSize(kBaseFontTwips / 20);
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setKerning(false);
    return font;
}

qreal CLetterFormat::ColumnWidth()
{
    // Measured once: the editor asks for it on every line it exports.
    static const qreal width = QFontMetricsF(BaseFont()).horizontalAdvance(QLatin1Char('0'));
    return width;
}

int CLetterFormat::DesignPixels(int pixels96)
{
    constexpr qreal kDesignColumn = 8.0;
    return static_cast<int>(std::lround(pixels96 * std::max(ColumnWidth(), kDesignColumn) / kDesignColumn));
}

qreal CLetterFormat::TwipsToPixels(int twips)
{
    return twips * ColumnWidth() / kColumnTwips;
}

int CLetterFormat::PixelsToTwips(qreal pixels)
{
    return static_cast<int>(std::lround(pixels * kColumnTwips / ColumnWidth()));
}

int CLetterFormat::StartIndent(const QTextBlockFormat& format)
{
    return PixelsToTwips(format.leftMargin() + format.textIndent());
}

int CLetterFormat::Offset(const QTextBlockFormat& format)
{
    return PixelsToTwips(-format.textIndent());
}

int CLetterFormat::RightIndent(const QTextBlockFormat& format)
{
    return PixelsToTwips(format.rightMargin());
}

void CLetterFormat::SetIndents(QTextBlockFormat& format, int startIndent, int offset, int rightIndent)
{
    format.setLeftMargin(TwipsToPixels(startIndent + offset));
    format.setTextIndent(TwipsToPixels(-offset));
    format.setRightMargin(TwipsToPixels(rightIndent));
}

bool CLetterFormat::IsPureRed(const QTextCharFormat& format)
{
    if (!format.hasProperty(QTextFormat::ForegroundBrush))
        return false;
    const QBrush brush = format.foreground();
    return brush.style() != Qt::NoBrush && brush.color().rgba() == qRgba(255, 0, 0, 255);
}

bool CLetterFormat::IsUnderlined(const QTextCharFormat& format)
{
    return format.fontUnderline();
}

QTextCharFormat CLetterFormat::DefaultCharFormat()
{
    QTextCharFormat format;
    format.setFont(BaseFont(), QTextCharFormat::FontPropertiesAll);
    format.setFontUnderline(false);
    format.clearForeground();
    return format;
}

QTextCharFormat CLetterFormat::RedCharFormat()
{
    QTextCharFormat format;
    format.setForeground(QColor(255, 0, 0));
    return format;
}

QTextListFormat CLetterFormat::NumberingFormat()
{
    QTextListFormat format;
    format.setStyle(QTextListFormat::ListDecimal);
    format.setNumberSuffix(QStringLiteral(u"."));
    format.setIndent(1);
    return format;
}

int CLetterFormat::ListIndent(const QTextBlock& block)
{
    const QTextList* list = block.textList();
    if (list == nullptr)
        return 0;
    return list->format().indent() * kNumberColumns * kColumnTwips;
}

void CLetterFormat::AppendCp932(char32_t ch, std::string& out)
{
    if (ch < 0x80) {
        out += static_cast<char>(ch);
        return;
    }
    if (ch > 0xFFFF) {  // outside the basic plane: never in code page 932
        out += CCodePage::kGeta;
        return;
    }
    // Bit 31 marks a filled entry; bits 16-17 the length; the low 16 bits the bytes.
    static std::vector<std::uint32_t> cache(0x10000, 0);
    std::uint32_t& entry = cache[ch];
    if (entry == 0) {
        const QString one(QChar(static_cast<char16_t>(ch)));
        const CString bytes = CCodePage::FromUtf8(one.toUtf8().toStdString());
        std::uint32_t packed = 0x80000000u | (static_cast<std::uint32_t>(bytes.GetLength() >= 2 ? 2 : 1) << 16);
        packed |= static_cast<unsigned char>(bytes.GetAt(0));
        if (bytes.GetLength() >= 2)
            packed = (packed & 0xFFFF0000u) | (static_cast<unsigned char>(bytes.GetAt(0)) << 8)
                     | static_cast<unsigned char>(bytes.GetAt(1));
        entry = packed;
    }
    if (((entry >> 16) & 3) == 2) {
        out += static_cast<char>((entry >> 8) & 0xFF);
        out += static_cast<char>(entry & 0xFF);
    } else {
        out += static_cast<char>(entry & 0xFF);
    }
}

bool CLetterFormat::InCp932(char32_t ch)
{
    if (ch < 0x80)
        return true;
    if (ch == 0x3013)  // "〓" itself
        return true;
    if (ch > 0xFFFF || QChar::isSurrogate(ch))
        return false;
    std::string bytes;
    AppendCp932(ch, bytes);
    return bytes != CCodePage::kGeta;
}

QString CLetterFormat::Sendable(const QString& text)
{
    qsizetype first = 0;
    while (first < text.size() && InCp932(text.at(first).unicode()))
        ++first;
    if (first == text.size())
        return text;
    QString result = text.left(first);
    result.reserve(text.size());
    for (qsizetype i = first; i < text.size(); ++i) {
        const char16_t unit = text.at(i).unicode();
        if (InCp932(unit)) {
            result += QChar(unit);
            continue;
        }
        result += QChar(char16_t{0x3013});
        // A surrogate pair is one character, so one "〓".
        if (QChar::isHighSurrogate(unit) && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            ++i;
    }
    return result;
}

QString CLetterFormat::ToQString(const CString& cp932)
{
    return ::ToQString(cp932);
}

CString CLetterFormat::FromQString(const QString& text)
{
    return ::FromQString(text);
}
