#include "letter/CEditLetter.h"

#include "command/CCommandDlg.h"
#include "command/CMailMimeData.h"
#include "command/CProfile.h"
#include "command/QtPath.h"
#include "letter/CLetterFormat.h"
#include "letter/CLetterRtf.h"
#include "letter/CLineLengthDlg.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>
#include <QTextList>
#include <QUrl>
#include <QWheelEvent>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

const QString CEditLetter::kClipboardFormat = QStringLiteral(u"Quillon_EditLetter");
const QString CEditLetter::kRtfMimeType = QStringLiteral(u"text/rtf");

unsigned int CEditLetter::c_newLineLength = 60;
unsigned int CEditLetter::c_replyLineLength = 76;
CString CEditLetter::m_rtf;

namespace {

// Plain text of the program (CR LF) for the text document (LF) and back.
QString ToDocumentText(const CString& text)
{
    QString result = CLetterFormat::ToQString(text);
    result.replace(QStringLiteral(u"\r\n"), QStringLiteral(u"\n"));
    result.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return result;
}

struct FormatRun {
    int end;  // in the block, exclusive
    bool red;
    bool underline;
};

}  // namespace

CEditLetter::CEditLetter(QWidget* parent)
    : QTextEdit(parent), m_clipboardFormat(kClipboardFormat)
{
    SetControlId(this, kControlId);
}

CEditLetter::~CEditLetter() = default;

// ---------------------------------------------------------------------------------------
// Set-up and profile

void CEditLetter::LoadLineLengths()
{
    const CProfile& profile = CProfile::Get();
    c_newLineLength = static_cast<unsigned int>(profile.GetNewLineLength());
    c_replyLineLength = static_cast<unsigned int>(profile.GetReplyLineLength());
}

void CEditLetter::SaveLineLengths()
{
    CProfile::Get().SetLineLengths(static_cast<int>(c_newLineLength),
                                   static_cast<int>(c_replyLineLength));
}

int CEditLetter::Init(int dropToParent)
{
    m_dropToParent = dropToParent;
    LoadLineLengths();

    const QFont font = CLetterFormat::BaseFont();
    setFont(font);
    document()->setDefaultFont(font);
    setCurrentCharFormat(CLetterFormat::DefaultCharFormat());
    const qreal column = CLetterFormat::ColumnWidth();
    document()->setIndentWidth(CLetterFormat::kNumberColumns * column);

    // The text wraps at exactly 76 columns whatever the widget's width; the widget is made
    // wide enough to show them, plus a quarter of a full-width character for the caret.
    const int margin = static_cast<int>(std::ceil(document()->documentMargin()));
    const int textWidth = static_cast<int>(std::ceil(CLetterFormat::kEditColumns * column)) + 2 * margin;
    setLineWrapMode(QTextEdit::FixedPixelWidth);
    setLineWrapColumnOrWidth(textWidth);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    const int quarter = static_cast<int>(std::ceil(2 * column / 4));
    setFixedWidth(textWidth + quarter + 2 * frameWidth() + verticalScrollBar()->sizeHint().width());

    setTabChangesFocus(false);
    setAcceptDrops(true);
    setUndoRedoEnabled(true);

    QTextOption option = document()->defaultTextOption();
    option.setTabStopDistance(4 * column);
    document()->setDefaultTextOption(option);

    SetTabStop(4);
    SelToNewSentence();
    document()->clearUndoRedoStacks();
    document()->setModified(false);
    return 1;
}

// ---------------------------------------------------------------------------------------
// Export

void CEditLetter::EnsureLayout()
{
    QAbstractTextDocumentLayout* layout = document()->documentLayout();
    layout->blockBoundingRect(document()->lastBlock());
}

void CEditLetter::GetTextWithReturn(CString& text)
{
    QTextDocument* doc = document();
    if (doc->characterCount() <= 1)
        return;
    EnsureLayout();

    std::string& out = text.Str();
    std::string line, emphasis, underline;
    std::vector<FormatRun> runs;
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        const QString content = block.text();
        const QTextBlockFormat format = block.blockFormat();
        const int listIndent = CLetterFormat::ListIndent(block);
        const int firstIndent = CLetterFormat::StartIndent(format) + listIndent;
        const int followingIndent = firstIndent + CLetterFormat::Offset(format);

        runs.clear();
        for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QTextCharFormat chars = fragment.charFormat();
            runs.push_back(FormatRun{fragment.position() + fragment.length() - block.position(),
                                     CLetterFormat::IsPureRed(chars),
                                     CLetterFormat::IsUnderlined(chars)});
        }
        std::size_t run = 0;

        std::string number;
        if (const QTextList* list = block.textList()) {
            number = list->itemText(block).toStdString() + ' ';
        }

        const QTextLayout* layout = block.layout();
        const int lineCount = layout != nullptr ? std::max(1, layout->lineCount()) : 1;
        const bool lastBlock = !block.next().isValid();
        for (int i = 0; i < lineCount; ++i) {
            const int start = i == 0 ? 0 : layout->lineAt(i).textStart();
            const int end = i + 1 < lineCount ? layout->lineAt(i + 1).textStart()
                                              : static_cast<int>(content.size());
            const int indent = (i == 0 ? firstIndent : followingIndent) / CLetterFormat::kColumnTwips;
            const std::size_t blanks = static_cast<std::size_t>(std::max(0, indent));
            line.assign(blanks, ' ');
            emphasis.assign(blanks, ' ');
            underline.assign(blanks, ' ');
            if (i == 0 && !number.empty()) {
                // The paragraph number stands where the editor shows it, at the end of the
                // list margin before the text, so that the recipient reads it too.
                if (blanks >= number.size()) {
                    line.replace(blanks - number.size(), number.size(), number);
                } else {
                    line = number;
                    emphasis.assign(number.size(), ' ');
                    underline.assign(number.size(), ' ');
                }
            }
            std::size_t column = line.size();
            // Tab stops count from where the line's text starts, after its indent (and the
            // paragraph number), as the editor lays them out.
            const std::size_t textStart = column;
            bool anyRed = false;
            bool anyUnderline = false;
            for (int j = start; j < end; ++j) {
                while (run < runs.size() && runs[run].end <= j)
                    ++run;
                const bool red = run < runs.size() && runs[run].red;
                const bool underlined = run < runs.size() && runs[run].underline;
                char32_t ch = content.at(j).unicode();
                if (QChar::isHighSurrogate(ch) && j + 1 < end && content.at(j + 1).isLowSurrogate()) {
                    ch = QChar::surrogateToUcs4(content.at(j).unicode(), content.at(j + 1).unicode());
                    ++j;
                }
                if (ch == QChar::LineSeparator)  // a forced line end: the line ends here anyway
                    continue;
                anyRed = anyRed || red;
                anyUnderline = anyUnderline || underlined;
                if (ch == u'\t') {
                    const std::size_t width = 4 - (column - textStart) % 4;
                    line.append(width, ' ');
                    emphasis.append(width, red ? '.' : ' ');
                    underline.append(width, underlined ? '~' : ' ');
                    column += width;
                    continue;
                }
                const std::size_t before = line.size();
                CLetterFormat::AppendCp932(ch, line);
                if (line.size() - before == 2) {
                    emphasis += red ? " ." : "  ";
                    underline += underlined ? "~~" : "  ";
                    column += 2;
                } else {
                    emphasis += red ? '.' : ' ';
                    underline += underlined ? '~' : ' ';
                    column += 1;
                }
            }
            emphasis += "\r\n";
            underline += "\r\n";
            if (lastBlock && i + 1 == lineCount) {
                if (anyRed)
                    out += emphasis;
                out += line;
                if (anyUnderline) {
                    out += "\r\n";
                    out += underline;
                }
            } else {
                line += "\r\n";
                if (anyRed)
                    out += emphasis;
                out += line;
                if (anyUnderline)
                    out += underline;
            }
        }
    }
}

void CEditLetter::MakeOrnamentLine(int index, int kind, int count, CString& emphasis,
                                   int& emphasisFlag, CString& underline, int& underlineFlag)
{
    QTextCursor cursor(document());
    cursor.setPosition(std::clamp(index + 1, 0, document()->characterCount() - 1));
    const QTextCharFormat format = cursor.charFormat();
    const bool red = CLetterFormat::IsPureRed(format);
    const bool underlined = CLetterFormat::IsUnderlined(format);
    for (int i = 0; i < count; ++i) {
        if (kind == 1) {
            emphasis += red ? "." : " ";
            underline += underlined ? "~" : " ";
        } else {
            emphasis += red ? " ." : "  ";
            underline += underlined ? "~~" : "  ";
        }
    }
    if (count > 0 && red)
        emphasisFlag = 1;
    if (count > 0 && underlined)
        underlineFlag = 1;
}

// ---------------------------------------------------------------------------------------
// Text insertion and paragraph formats

void CEditLetter::InsertStrToCurPos(CString& text, int keepSelection, int leadingBreak,
                                    int trailingBreak)
{
    QTextCursor cursor = textCursor();
    if (!keepSelection)
        cursor.setPosition(cursor.selectionEnd());
    if (leadingBreak)
        text = CString("\r\n") + text;
    if (trailingBreak)
        text += "\r\n";
    cursor.beginEditBlock();
    cursor.insertText(ToDocumentText(text));
    cursor.endEditBlock();
    setTextCursor(cursor);
}

void CEditLetter::SetReplyText(CString& text)
{
    const char* const prefix = "> ";
    CString block("\r\n");
    int pos = 0;
    for (int found = text.Find("\r\n"); found >= 0; found = text.Find("\r\n", pos)) {
        block += prefix;
        block += text.Mid(pos, found + 2 - pos);
        pos = found + 2;
    }
    if (pos < text.GetLength()) {
        block += prefix;
        block += text.Mid(pos);
        block += "\r\n";
    }

    QTextCursor cursor = textCursor();
    cursor.beginEditBlock();
    const int start = cursor.selectionStart();
    cursor.insertText(ToDocumentText(block));
    const int end = cursor.position();
    cursor.setPosition(start);
    cursor.setPosition(end, QTextCursor::KeepAnchor);
    setTextCursor(cursor);
    SelToReplySentence();
    cursor.endEditBlock();
    cursor.setPosition(end);
    setTextCursor(cursor);
}

template <typename Change>
void CEditLetter::ChangeParagraphs(Change change)
{
    QTextCursor cursor = textCursor();
    const int start = cursor.selectionStart();
    const int end = cursor.selectionEnd();
    QTextBlock block = document()->findBlock(start);
    QTextBlock last = document()->findBlock(end);
    // A selection that ends at the very start of a paragraph does not reach into it.
    if (end > start && last.position() == end && last != block)
        last = last.previous();
    cursor.beginEditBlock();
    for (;;) {
        QTextBlockFormat format = block.blockFormat();
        if (change(format)) {
            QTextCursor at(block);
            at.setBlockFormat(format);
        }
        if (block == last || !block.isValid())
            break;
        block = block.next();
    }
    cursor.endEditBlock();
}

void CEditLetter::SetRightIndentOfSelection(unsigned int lineLength)
{
    const int right = m_baseFontHeight * (CLetterFormat::kEditColumns - static_cast<int>(lineLength)) / 2;
    ChangeParagraphs([right](QTextBlockFormat& format) {
        CLetterFormat::SetIndents(format, CLetterFormat::StartIndent(format),
                                  CLetterFormat::Offset(format), right);
        return true;
    });
}

void CEditLetter::SelToNewSentence()
{
    SetRightIndentOfSelection(c_newLineLength);
}

void CEditLetter::SelToReplySentence()
{
    SetRightIndentOfSelection(c_replyLineLength);
}

void CEditLetter::SetTabStop(int columns)
{
    QList<QTextOption::Tab> tabs;
    for (int k = 1; k <= 32; ++k)
        tabs.append(QTextOption::Tab(CLetterFormat::TwipsToPixels(k * columns * CLetterFormat::kColumnTwips),
                                     QTextOption::LeftTab));
    ChangeParagraphs([&tabs](QTextBlockFormat& format) {
        format.setTabPositions(tabs);
        return true;
    });
}

void CEditLetter::ReturnInParagraph()
{
    QTextCursor cursor = textCursor();
    cursor.beginEditBlock();
    cursor.removeSelectedText();
    QTextBlockFormat format = cursor.blockFormat();
    CLetterFormat::SetIndents(format, CLetterFormat::StartIndent(format) + CLetterFormat::Offset(format),
                              0, CLetterFormat::RightIndent(format));
    cursor.insertBlock(format);
    cursor.endEditBlock();
    setTextCursor(cursor);
}

void CEditLetter::AddLeftIndent()
{
    const int step = m_baseFontHeight;
    ChangeParagraphs([step](QTextBlockFormat& format) {
        const int start = CLetterFormat::StartIndent(format) + step;
        const int right = CLetterFormat::RightIndent(format);
        if (start >= CLetterFormat::kEditTwips - right)
            return false;
        CLetterFormat::SetIndents(format, start, CLetterFormat::Offset(format), right);
        return true;
    });
}

void CEditLetter::DeleteLeftIndent()
{
    const int step = m_baseFontHeight;
    ChangeParagraphs([step](QTextBlockFormat& format) {
        const int start = CLetterFormat::StartIndent(format) - step;
        if (start < 0)
            return false;
        CLetterFormat::SetIndents(format, start, CLetterFormat::Offset(format),
                                  CLetterFormat::RightIndent(format));
        return true;
    });
}

void CEditLetter::AddRightIndent()
{
    const int step = m_baseFontHeight;
    ChangeParagraphs([step](QTextBlockFormat& format) {
        const int right = CLetterFormat::RightIndent(format) + step;
        if (right >= CLetterFormat::kEditTwips)
            return false;
        CLetterFormat::SetIndents(format, CLetterFormat::StartIndent(format),
                                  CLetterFormat::Offset(format), right);
        return true;
    });
}

void CEditLetter::DeleteRightIndent()
{
    const int step = m_baseFontHeight;
    ChangeParagraphs([step](QTextBlockFormat& format) {
        const int right = CLetterFormat::RightIndent(format) - step;
        if (right < 0)
            return false;
        CLetterFormat::SetIndents(format, CLetterFormat::StartIndent(format),
                                  CLetterFormat::Offset(format), right);
        return true;
    });
}

int CEditLetter::SetSelectionToDefault()
{
    if (m_readOnly)
        return 0;
    QTextCursor cursor = textCursor();
    const QTextCharFormat format = CLetterFormat::DefaultCharFormat();
    if (cursor.hasSelection())
        cursor.setCharFormat(format);
    setCurrentCharFormat(format);
    return 1;
}

int CEditLetter::SetSelectionToRed()
{
    QTextCursor cursor = textCursor();
    if (m_readOnly || !cursor.hasSelection())
        return 0;
    cursor.mergeCharFormat(CLetterFormat::RedCharFormat());
    return 1;
}

int CEditLetter::SetSelectionToUnderline()
{
    QTextCursor cursor = textCursor();
    if (m_readOnly || !cursor.hasSelection())
        return 0;
    QTextCharFormat format;
    format.setFontUnderline(true);
    cursor.mergeCharFormat(format);
    return 1;
}

int CEditLetter::InsertBullet()
{
    QTextCursor cursor = textCursor();
    const QTextBlock first = document()->findBlock(cursor.selectionStart());
    QTextList* list = nullptr;
    if (const QTextBlock previous = first.previous(); previous.isValid()) {
        QTextList* candidate = previous.textList();
        if (candidate != nullptr && candidate->format().style() == QTextListFormat::ListDecimal)
            list = candidate;
    }
    cursor.beginEditBlock();
    if (list == nullptr)
        list = cursor.createList(CLetterFormat::NumberingFormat());
    ChangeParagraphs([list](QTextBlockFormat& format) {
        format.setObjectIndex(list->objectIndex());
        return true;
    });
    cursor.endEditBlock();
    return 1;
}

void CEditLetter::ProcessFormBullet()
{
    if (m_readOnly)
        return;
    QTextCursor cursor = textCursor();
    const QTextBlock block = cursor.block();
    const int inBlock = cursor.positionInBlock();
    int lineStart = 0;
    if (const QTextLayout* layout = block.layout(); layout != nullptr && layout->lineCount() > 0)
        lineStart = layout->lineForTextPosition(inBlock).textStart();
    const QString head = block.text().mid(lineStart, inBlock - lineStart);
    std::string bytes;
    for (QChar ch : head)
        if (!ch.isLowSurrogate())
            CLetterFormat::AppendCp932(ch.isHighSurrogate() ? 0x10000 : ch.unicode(), bytes);
    const int offset = CLetterFormat::kColumnTwips * static_cast<int>(bytes.size());
    QTextBlockFormat format = block.blockFormat();
    CLetterFormat::SetIndents(format, CLetterFormat::StartIndent(format), offset,
                              CLetterFormat::RightIndent(format));
    cursor.setBlockFormat(format);
}

// ---------------------------------------------------------------------------------------
// State queries, clipboard and RTF

void CEditLetter::SetReadOnly(int readOnly)
{
    m_readOnly = readOnly;
    setReadOnly(readOnly != 0);
}

int CEditLetter::CanPasteSimpleText() const
{
    if (m_readOnly)
        return 0;
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    return data != nullptr && data->hasText() ? 1 : 0;
}

int CEditLetter::CanRedo()
{
    return document()->isRedoAvailable() ? 1 : 0;
}

int CEditLetter::IsSelected()
{
    return textCursor().hasSelection() ? 1 : 0;
}

int CEditLetter::GetClipboardText(CString& text)
{
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    if (data == nullptr || !data->hasText())
        return 0;
    QString plain = data->text();
    plain.replace(QStringLiteral(u"\r\n"), QStringLiteral(u"\n"));
    plain.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    plain.replace(QLatin1Char('\n'), QStringLiteral(u"\r\n"));
    text = CLetterFormat::FromQString(plain);
    return 1;
}

int CEditLetter::MakeDummyClipData()
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    const QMimeData* current = clipboard->mimeData();
    if (current != nullptr && current->hasFormat(m_clipboardFormat))
        return 1;
    auto* data = new QMimeData;
    if (current != nullptr)
        for (const QString& format : current->formats())
            data->setData(format, current->data(format));
    data->setData(m_clipboardFormat, QByteArray(1, '\0'));
    clipboard->setMimeData(data);
    return 1;
}

QMimeData* CEditLetter::createMimeDataFromSelection() const
{
    // QTextEdit's own data lists a fixed set of formats and hides any added to it, so its
    // formats are copied into plain data that can carry the RTF and the marker as well.
    const std::unique_ptr<QMimeData> text(QTextEdit::createMimeDataFromSelection());
    auto* data = new QMimeData;
    for (const QString& format : text->formats())
        data->setData(format, text->data(format));
    const QTextCursor cursor = textCursor();
    CString rtf;
    CLetterRtf::Write(*document(), cursor.selectionStart(), cursor.selectionEnd(), false, rtf);
    data->setData(kRtfMimeType, QByteArray(rtf.GetString(), rtf.GetLength()));
    // Every copy of a letter editor carries the marker, also through the editor's own keys.
    data->setData(m_clipboardFormat, QByteArray(1, '\0'));
    return data;
}

bool CEditLetter::canInsertFromMimeData(const QMimeData* source) const
{
    return !m_readOnly && source != nullptr
           && (source->hasText() || source->hasFormat(m_clipboardFormat));
}

void CEditLetter::insertFromMimeData(const QMimeData* source)
{
    if (m_readOnly || source == nullptr)
        return;
    if (source->hasFormat(m_clipboardFormat) && source->hasFormat(kRtfMimeType)) {
        const QByteArray rtf = source->data(kRtfMimeType);
        InsertRft(CString(rtf.constData(), static_cast<int>(rtf.size())));
        return;
    }
    if (!source->hasText())
        return;
    QTextCursor cursor = textCursor();
    cursor.beginEditBlock();
    cursor.insertText(CLetterFormat::Sendable(source->text()));
    cursor.endEditBlock();
    setTextCursor(cursor);
    ensureCursorVisible();
}

int CEditLetter::GetRtf(CString& rtf)
{
    m_rtf.Empty();
    CLetterRtf::Write(*document(), 0, document()->characterCount() - 1, true, m_rtf);
    rtf = m_rtf;
    m_rtf.Empty();
    return 1;
}

int CEditLetter::SetRtf(const CString& rtf)
{
    QTextCursor cursor(document());
    cursor.beginEditBlock();
    cursor.select(QTextCursor::Document);
    cursor.removeSelectedText();
    QTextBlockFormat format = cursor.blockFormat();
    CLetterFormat::SetIndents(format, 0, 0, 0);
    cursor.setBlockFormat(format);
    CLetterRtf::Read(rtf, cursor, true);
    cursor.endEditBlock();
    cursor.movePosition(QTextCursor::Start);
    setTextCursor(cursor);
    return 1;
}

int CEditLetter::InsertRft(const CString& rtf)
{
    QTextCursor cursor = textCursor();
    CLetterRtf::Read(rtf, cursor, false);
    setTextCursor(cursor);
    return 1;
}

// ---------------------------------------------------------------------------------------
// Commands

void CEditLetter::ProcessEditCopy()
{
    // QTextEdit's own copy does not ask createMimeDataFromSelection, so the RTF that keeps
    // colours and underline is put on the clipboard here.
    if (!IsSelected())
        return;
    QGuiApplication::clipboard()->setMimeData(createMimeDataFromSelection());
    MakeDummyClipData();
}

void CEditLetter::ProcessEditCut()
{
    if (m_readOnly || !IsSelected())
        return;
    ProcessEditCopy();
    textCursor().removeSelectedText();
}

void CEditLetter::ProcessEditPaste()
{
    if (const QMimeData* data = QGuiApplication::clipboard()->mimeData())
        insertFromMimeData(data);
}

void CEditLetter::ProcessEditPasteReplyText()
{
    if (m_readOnly)
        return;
    CString text;
    if (GetClipboardText(text))
        SetReplyText(text);
}

void CEditLetter::ProcessEditDelete()
{
    if (m_readOnly)
        return;
    textCursor().removeSelectedText();
}

void CEditLetter::ProcessEditSelectAll() { selectAll(); }

void CEditLetter::ProcessEditUndo()
{
    if (!m_readOnly)
        undo();
}

void CEditLetter::ProcessEditRedo()
{
    if (!m_readOnly)
        redo();
}

void CEditLetter::ProcessEditReconvert()
{
    if (m_readOnly)
        return;
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Henkan, Qt::NoModifier);
    QCoreApplication::sendEvent(this, &press);
}

void CEditLetter::ProcessFormNewSentence()
{
    if (!m_readOnly)
        SelToNewSentence();
}

void CEditLetter::ProcessFormReplySentence()
{
    if (!m_readOnly)
        SelToReplySentence();
}

void CEditLetter::ProcessFormLineLength()
{
    CLineLengthDlg dialog(this);
    dialog.m_newLineLength = c_newLineLength;
    dialog.m_replyLineLength = c_replyLineLength;
    if (dialog.exec() != QDialog::Accepted)
        return;
    c_newLineLength = dialog.m_newLineLength;
    c_replyLineLength = dialog.m_replyLineLength;
    SaveLineLengths();
}

void CEditLetter::ProcessFormLeftIndentAdd()
{
    if (!m_readOnly)
        AddLeftIndent();
}

void CEditLetter::ProcessFormLeftIndentDelete()
{
    if (!m_readOnly)
        DeleteLeftIndent();
}

void CEditLetter::ProcessFormRightIndentAdd()
{
    if (!m_readOnly)
        AddRightIndent();
}

void CEditLetter::ProcessFormRightIndentDelete()
{
    if (!m_readOnly)
        DeleteRightIndent();
}

int CEditLetter::UpadateEditCopy() { return IsSelected(); }
int CEditLetter::UpadateEditCut() { return !m_readOnly && IsSelected() ? 1 : 0; }
int CEditLetter::UpadateEditPaste() { return CanPasteSimpleText(); }
int CEditLetter::UpadateEditPasteReplyText() { return CanPasteSimpleText(); }
int CEditLetter::UpadateEditDelete() { return !m_readOnly && IsSelected() ? 1 : 0; }
int CEditLetter::UpadateEditSelectAll() { return document()->characterCount() > 1 ? 1 : 0; }
int CEditLetter::UpadateEditUndo() { return !m_readOnly && document()->isUndoAvailable() ? 1 : 0; }
int CEditLetter::UpadateEditRedo() { return !m_readOnly && CanRedo() ? 1 : 0; }
int CEditLetter::UpadateEditReconvert() { return !m_readOnly && IsSelected() ? 1 : 0; }
int CEditLetter::UpadateFormNewSentence() { return m_readOnly ? 0 : 1; }
int CEditLetter::UpadateFormReplySentence() { return m_readOnly ? 0 : 1; }
int CEditLetter::UpadateFormLineLength() { return 1; }
int CEditLetter::UpadateFormLeftIndentAdd() { return m_readOnly ? 0 : 1; }
int CEditLetter::UpadateFormLeftIndentDelete() { return m_readOnly ? 0 : 1; }
int CEditLetter::UpadateFormRightIndentAdd() { return m_readOnly ? 0 : 1; }
int CEditLetter::UpadateFormRightIndentDelete() { return m_readOnly ? 0 : 1; }

int CEditLetter::UpadateFormBullet()
{
    if (m_readOnly)
        return 0;
    const QTextCursor cursor = textCursor();
    if (cursor.hasSelection())
        return 0;
    const QTextBlock block = cursor.block();
    EnsureLayout();
    const QTextLayout* layout = block.layout();
    if (layout == nullptr || layout->lineCount() == 0)
        return 1;
    return layout->lineForTextPosition(cursor.positionInBlock()).lineNumber() == 0 ? 1 : 0;
}

// ---------------------------------------------------------------------------------------
// Keyboard, mouse wheel, drops and the context menu

// Qt's Return on an empty paragraph with a format of its own only resets that format (to end
// a list or a heading) and adds no line: the blank line typed would be lost with the paragraph's
// indents. Here it starts a new paragraph like any other; a numbered one still ends its list.
bool CEditLetter::IsOnEmptyParagraph() const
{
    const QTextCursor cursor = textCursor();
    return !cursor.hasSelection() && cursor.block().length() == 1 && cursor.currentList() == nullptr;
}

void CEditLetter::NewParagraphAfterEmpty()
{
    QTextCursor cursor = textCursor();
    cursor.insertBlock(cursor.blockFormat(), cursor.charFormat());
    setTextCursor(cursor);
}

bool CEditLetter::IsOwnKey(const QKeyEvent* event) const
{
    if (m_readOnly)
        return false;
    const Qt::KeyboardModifiers modifiers =
        event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    switch (event->key()) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return !(modifiers & Qt::AltModifier);
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (modifiers == Qt::NoModifier)
            return IsOnEmptyParagraph();
        return modifiers == Qt::ShiftModifier || modifiers == Qt::ControlModifier
               || modifiers == (Qt::ControlModifier | Qt::ShiftModifier);
    case Qt::Key_Delete:
        return modifiers == Qt::NoModifier && !textCursor().hasSelection();
    case Qt::Key_E:
    case Qt::Key_Equal:
    case Qt::Key_Plus:
        return modifiers & Qt::ControlModifier;
    default:
        return false;
    }
}

bool CEditLetter::HandleOwnKey(QKeyEvent* event)
{
    if (!IsOwnKey(event))
        return false;
    const bool control = event->modifiers() & Qt::ControlModifier;
    const bool shift = (event->modifiers() & Qt::ShiftModifier) || event->key() == Qt::Key_Backtab;
    switch (event->key()) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        if (control && shift)
            DeleteLeftIndent();
        else if (control)
            AddLeftIndent();
        else if (!shift)
            textCursor().insertText(QStringLiteral(u"\t"));
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (control && shift)
            DeleteRightIndent();
        else if (control)
            AddRightIndent();
        else if (shift)
            ReturnInParagraph();
        else
            NewParagraphAfterEmpty();
        break;
    case Qt::Key_Delete:
        QTextEdit::keyPressEvent(event);
        break;
    default:  // Ctrl+E, Ctrl+=: no centring, no subscript
        break;
    }
    event->accept();
    return true;
}

int CEditLetter::PreTranslateMessage(MSG* msg)
{
    if (msg->hwnd != this && msg->hwnd != viewport())
        return 0;
    if (msg->event->type() != QEvent::KeyPress)
        return 0;
    return HandleOwnKey(static_cast<QKeyEvent*>(msg->event)) ? 1 : 0;
}

int CEditLetter::IsPreTranslatedKey(MSG* msg)
{
    if (msg->hwnd != this && msg->hwnd != viewport())
        return 0;
    if (msg->event->type() != QEvent::ShortcutOverride && msg->event->type() != QEvent::KeyPress)
        return 0;
    return IsOwnKey(static_cast<QKeyEvent*>(msg->event)) ? 1 : 0;
}

bool CEditLetter::event(QEvent* event)
{
    if (event->type() == QEvent::ShortcutOverride) {
        if (IsOwnKey(static_cast<QKeyEvent*>(event))) {
            event->accept();
            return true;
        }
    } else if (event->type() == QEvent::KeyPress) {
        if (HandleOwnKey(static_cast<QKeyEvent*>(event)))
            return true;
    }
    return QTextEdit::event(event);
}

void CEditLetter::keyPressEvent(QKeyEvent* event)
{
    if (HandleOwnKey(event))
        return;
    // The keys of copy and cut take the editor's own way, with its clipboard formats.
    if (event->matches(QKeySequence::Copy)) {
        ProcessEditCopy();
        event->accept();
        return;
    }
    if (event->matches(QKeySequence::Cut)) {
        ProcessEditCut();
        event->accept();
        return;
    }
    const QString sendable = CLetterFormat::Sendable(event->text());
    if (sendable == event->text()) {
        QTextEdit::keyPressEvent(event);
        return;
    }
    QKeyEvent typed(event->type(), event->key(), event->modifiers(), sendable,
                    event->isAutoRepeat(), static_cast<quint16>(event->count()));
    QTextEdit::keyPressEvent(&typed);
    event->setAccepted(typed.isAccepted());
}

void CEditLetter::inputMethodEvent(QInputMethodEvent* event)
{
    const QString sendable = CLetterFormat::Sendable(event->commitString());
    if (sendable == event->commitString()) {
        QTextEdit::inputMethodEvent(event);
        return;
    }
    QInputMethodEvent composed(event->preeditString(), event->attributes());
    composed.setCommitString(sendable, event->replacementStart(), event->replacementLength());
    QTextEdit::inputMethodEvent(&composed);
    event->setAccepted(composed.isAccepted());
}

void CEditLetter::wheelEvent(QWheelEvent* event)
{
    if (event->modifiers() & Qt::ControlModifier) {  // no zoom
        event->accept();
        return;
    }
    QTextEdit::wheelEvent(event);
}

void CEditLetter::dragEnterEvent(QDragEnterEvent* event)
{
    if (CMailMimeData::CarriesMail(event->mimeData())) {
        event->ignore();  // the page takes a mail, whatever text rides along with it
        return;
    }
    if (LocalFilePaths(event->mimeData()).empty()) {
        QTextEdit::dragEnterEvent(event);
        return;
    }
    if (m_dropToParent || m_readOnly)
        event->ignore();  // the parent widget takes it, or nobody
    else
        event->acceptProposedAction();
}

void CEditLetter::dragMoveEvent(QDragMoveEvent* event)
{
    if (CMailMimeData::CarriesMail(event->mimeData())) {
        event->ignore();
        return;
    }
    if (LocalFilePaths(event->mimeData()).empty()) {
        QTextEdit::dragMoveEvent(event);
        return;
    }
    if (m_dropToParent || m_readOnly)
        event->ignore();
    else
        event->acceptProposedAction();
}

void CEditLetter::dropEvent(QDropEvent* event)
{
    if (CMailMimeData::CarriesMail(event->mimeData())) {
        event->ignore();
        return;
    }
    const std::vector<CPath> paths = LocalFilePaths(event->mimeData());
    if (paths.empty()) {
        QTextEdit::dropEvent(event);
        return;
    }
    if (m_dropToParent || m_readOnly) {
        event->ignore();
        return;
    }
    OnDropFiles(paths, event->position().toPoint());
    event->acceptProposedAction();
}

void CEditLetter::OnDropFiles(const std::vector<CPath>& paths, const QPoint& position)
{
    if (m_readOnly)
        return;
    QTextCursor cursor = cursorForPosition(position);
    QString text = QStringLiteral(u"\n");
    for (const CPath& path : paths)
        text += CLetterFormat::ToQString(path.ToText()) + QLatin1Char('\n');
    cursor.beginEditBlock();
    cursor.insertText(text);
    cursor.endEditBlock();
    setTextCursor(cursor);
}

QMenu* CEditLetter::CreateContextMenu()
{
    auto* menu = new QMenu(this);
    SetControlId(menu, m_readOnly ? kContextMenuReadOnly : kContextMenu);
    auto add = [menu](UINT id, const char16_t* text) {
        menu->addAction(CreateCommandAction(id, QString::fromUtf16(text), menu));
    };
    if (m_readOnly) {
        add(ID_EDIT_COPY, u"ｺﾋﾟｰ(&C)");
        menu->addSeparator();
        add(ID_EDIT_SELECT_ALL, u"すべて選択(&A)");
    } else {
        add(ID_EDIT_UNDO, u"元に戻す(&U)");
        menu->addSeparator();
        add(ID_EDIT_CUT, u"切り取り(&T)");
        add(ID_EDIT_COPY, u"ｺﾋﾟｰ(&C)");
        add(ID_EDIT_PASTE, u"貼り付け(&P)");
        add(ID_EDIT_PASTE_REPLY_TEXT, u"引用文貼り付け(&S)");
        add(ID_EDIT_DELETE, u"削除(&D)");
        menu->addSeparator();
        add(ID_EDIT_SELECT_ALL, u"すべて選択(&A)");
        menu->addSeparator();
        add(ID_FORM_BULLET, u"次行以降の開始位置(&B)");
        add(ID_EDIT_RECONVERT, u"再変換(&R)");
    }
    UpdateContextMenu(menu);
    return menu;
}

void CEditLetter::UpdateContextMenu(QMenu* menu)
{
    EnableMenuItem(menu, ID_EDIT_COPY, UpadateEditCopy());
    EnableMenuItem(menu, ID_EDIT_SELECT_ALL, UpadateEditSelectAll());
    if (m_readOnly)
        return;
    EnableMenuItem(menu, ID_EDIT_CUT, UpadateEditCut());
    EnableMenuItem(menu, ID_EDIT_PASTE, UpadateEditPaste());
    EnableMenuItem(menu, ID_EDIT_PASTE_REPLY_TEXT, UpadateEditPasteReplyText());
    EnableMenuItem(menu, ID_EDIT_DELETE, UpadateEditDelete());
    EnableMenuItem(menu, ID_EDIT_UNDO, UpadateEditUndo());
    EnableMenuItem(menu, ID_EDIT_RECONVERT, UpadateEditReconvert());
    EnableMenuItem(menu, ID_FORM_BULLET, UpadateFormBullet());
}

void CEditLetter::contextMenuEvent(QContextMenuEvent* event)
{
    if (!IsSelected())
        setTextCursor(cursorForPosition(event->pos()));
    QMenu* menu = CreateContextMenu();
    QAction* chosen = menu->exec(event->globalPos());
    const UINT id = chosen != nullptr ? GetCommandId(chosen) : 0;
    delete menu;
    if (id != 0)
        RouteCommand(id);
}

void CEditLetter::RouteCommand(UINT id)
{
    for (QWidget* widget = parentWidget(); widget != nullptr; widget = widget->parentWidget()) {
        if (auto* dialog = qobject_cast<CCommandDlg*>(widget)) {
            dialog->OnCommand(id);
            return;
        }
    }
    ProcessCommand(id);
}
