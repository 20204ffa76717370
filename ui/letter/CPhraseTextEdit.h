#pragma once
// A multi-line edit for the pieces of a letter (salutation, greeting, closing, signature and
// the phrases that make them): IPAGothic 9 pt, so the text shows in the fixed-pitch face in
// which letters are wrapped, with its lines wrapped at the configured line length of new
// text ("EditorOption/NewLineLength", half-width columns, a double-byte character counting
// two). The part of a line beyond that length is marked (reddish background and a wavy
// underline), so the user sees before sending that a line is longer than the letter's lines.
//
// Texts in and out are code page 932 with CR LF line ends.

#include "encoding/CString.h"

#include <QTextEdit>

class CLongLineMarker;

class CPhraseTextEdit : public QTextEdit {
    Q_OBJECT
public:
    static constexpr int kFontPoints = 9;

    explicit CPhraseTextEdit(QWidget* parent = nullptr);
    ~CPhraseTextEdit() override;

    // IPAGothic 9 pt, fixed pitch: the face of the salutation, preview and signature edits.
    static QFont LetterFont();
    // Half-width columns of `text` up to each of its characters as code page 932 counts
    // them: the column at which the character at `pos` starts.
    static int ColumnAt(const QString& text, int pos);

    // The line length in half-width columns; the profile's new-text length by default.
    int GetLineLength() const { return m_lineLength; }
    void SetLineLength(int columns);
    // The height of `lines` lines of text, as the edit's preferred height.
    void SetVisibleLines(int lines);
    // Keeps a whole line in sight: the edit is never made narrower than the line length
    // (dialogs). Otherwise (a page of fixed width) it scrolls sideways when it has to.
    void SetLineInSight(bool inSight);

    CString GetText() const;
    void SetText(const CString& text);
    // Whether a line of the text is longer than the line length.
    bool HasLongLines() const;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

private:
    void ApplyWrap();
    int WrapPixels() const;

    int m_lineLength;
    int m_visibleLines = 3;
    bool m_lineInSight = false;
    CLongLineMarker* m_marker;
};
