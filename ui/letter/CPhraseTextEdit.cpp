#include "letter/CPhraseTextEdit.h"

#include "command/CProfile.h"
#include "command/QtText.h"
#include "letter/CLetterFormat.h"

#include <QFontMetricsF>
#include <QScrollBar>
#include <QSyntaxHighlighter>
#include <QTextBlock>
#include <QTextDocument>

#include <cmath>
#include <string>

namespace {

// Code page 932 bytes of the character at `pos` (a surrogate pair counts at its first half),
// and how many UTF-16 units it takes.
int CharColumns(const QString& text, int pos, int& units)
{
    const QChar c = text.at(pos);
    char32_t code = c.unicode();
    units = 1;
    if (c.isHighSurrogate() && pos + 1 < text.size() && text.at(pos + 1).isLowSurrogate()) {
        code = QChar::surrogateToUcs4(c, text.at(pos + 1));
        units = 2;
    }
    std::string bytes;
    CLetterFormat::AppendCp932(code, bytes);
    return static_cast<int>(bytes.size());
}

}  // namespace

// Marks, in every line, the characters that start at or beyond the line length.
class CLongLineMarker : public QSyntaxHighlighter {
public:
    CLongLineMarker(QTextDocument* document, int lineLength) : QSyntaxHighlighter(document), m_lineLength(lineLength)
    {
        m_mark.setBackground(QColor(255, 214, 214));
        m_mark.setUnderlineStyle(QTextCharFormat::WaveUnderline);
        m_mark.setUnderlineColor(QColor(204, 0, 0));
    }
    void SetLineLength(int columns)
    {
        m_lineLength = columns;
        rehighlight();
    }

protected:
    void highlightBlock(const QString& text) override
    {
        int columns = 0;
        for (int pos = 0; pos < text.size();) {
            int units = 1;
            const int width = CharColumns(text, pos, units);
            if (columns + width > m_lineLength) {
                setFormat(pos, static_cast<int>(text.size()) - pos, m_mark);
                return;
            }
            columns += width;
            pos += units;
        }
    }

private:
    int m_lineLength;
    QTextCharFormat m_mark;
};

CPhraseTextEdit::CPhraseTextEdit(QWidget* parent)
    : QTextEdit(parent), m_lineLength(CProfile::Get().GetNewLineLength())
{
    setAcceptRichText(false);
    setFont(LetterFont());
    setTabChangesFocus(true);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_marker = new CLongLineMarker(document(), m_lineLength);
    ApplyWrap();
}

CPhraseTextEdit::~CPhraseTextEdit() = default;

QFont CPhraseTextEdit::LetterFont()
{
    QFont font = CLetterFormat::BaseFont();
    font.setPointSize(kFontPoints);
    return font;
}

int CPhraseTextEdit::ColumnAt(const QString& text, int pos)
{
    int columns = 0;
    for (int i = 0; i < pos && i < text.size();) {
        int units = 1;
        columns += CharColumns(text, i, units);
        i += units;
    }
    return columns;
}

void CPhraseTextEdit::SetLineLength(int columns)
{
    m_lineLength = std::max(1, columns);
    m_marker->SetLineLength(m_lineLength);
    ApplyWrap();
}

void CPhraseTextEdit::SetVisibleLines(int lines)
{
    m_visibleLines = std::max(1, lines);
    updateGeometry();
}

void CPhraseTextEdit::SetLineInSight(bool inSight)
{
    m_lineInSight = inSight;
    updateGeometry();
}

int CPhraseTextEdit::WrapPixels() const
{
    // The document margin lies inside the wrap width; the last pixel keeps a line of exactly
    // the line length from wrapping on rounding.
    const qreal column = QFontMetricsF(font()).horizontalAdvance(QLatin1Char('0'));
    return static_cast<int>(std::ceil(m_lineLength * column + 2 * document()->documentMargin())) + 1;
}

void CPhraseTextEdit::ApplyWrap()
{
    setLineWrapMode(QTextEdit::FixedPixelWidth);
    setLineWrapColumnOrWidth(WrapPixels());
    updateGeometry();
}

CString CPhraseTextEdit::GetText() const
{
    QString text = toPlainText();
    text.replace(u'\n', QStringLiteral(u"\r\n"));
    return FromQString(text);
}

void CPhraseTextEdit::SetText(const CString& text)
{
    QString shown = ToQString(text);
    shown.replace(QStringLiteral(u"\r\n"), QStringLiteral(u"\n"));
    if (shown != toPlainText())
        setPlainText(shown);
}

bool CPhraseTextEdit::HasLongLines() const
{
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
        const QString text = block.text();
        if (ColumnAt(text, static_cast<int>(text.size())) > m_lineLength)
            return true;
    }
    return false;
}

QSize CPhraseTextEdit::sizeHint() const
{
    const int frame = 2 * frameWidth();
    const int width = WrapPixels() + frame + verticalScrollBar()->sizeHint().width();
    const int height = static_cast<int>(std::ceil(QFontMetricsF(font()).lineSpacing() * m_visibleLines +
                                                  2 * document()->documentMargin())) + frame;
    return {width, height};
}

QSize CPhraseTextEdit::minimumSizeHint() const
{
    if (m_lineInSight)
        return sizeHint();
    // Narrower than the line length it scrolls sideways; twenty columns stay in sight.
    const qreal column = QFontMetricsF(font()).horizontalAdvance(QLatin1Char('0'));
    return {static_cast<int>(std::ceil(20 * column)) + 2 * frameWidth(), sizeHint().height()};
}
