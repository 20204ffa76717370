#pragma once
// CEditLetter: the letter editor. A QTextEdit whose text is exported as plain text exactly as
// it is displayed: each display line becomes one CR LF line, indents become blanks at 120
// twips per half-width column, pure red characters get a line of "." above, underlined ones a
// line of "~" below (GetTextWithReturn). The editing area is 76 half-width columns of the
// IPAGothic 12 pt base font wide; a line length L is a right indent of 76 - L columns.
//
// Paragraph formats live in the document's block formats (see CLetterFormat.h for the
// mapping), character formats in its char formats. All text in and out is code page 932
// with CR LF line ends. A character that code page 932 lacks becomes "〓" as it enters
// (typed, composed, pasted, dropped, read from RTF), so the editor shows what will be sent.
//
// Read-only: no command changes the text, and the update operations grey every one that
// would. A drag that carries a mail (CMailMimeData) is never inserted: it is left to the page.

#include "command/CPreTranslate.h"
#include "command/CUpdateCommandItem.h"
#include "encoding/CString.h"
#include "model/CPath.h"

#include <QString>
#include <QTextEdit>

#include <vector>

class QMimeData;

class CEditLetter : public QTextEdit, public CUpdateCommandItem, public CPreTranslateMessage {
    Q_OBJECT

public:
    static constexpr int kControlId = 1006;
    static constexpr int kLineLengthDialog = 103;
    static constexpr int kContextMenu = 138;
    static constexpr int kContextMenuReadOnly = 145;

    // The clipboard marker of letter-editor data.
    static const QString kClipboardFormat;
    // The RTF that a letter editor puts on the clipboard beside text and HTML.
    static const QString kRtfMimeType;

    explicit CEditLetter(QWidget* parent = nullptr);
    ~CEditLetter() override;

    // Sets the control up once after construction; `dropToParent` hands dropped files to the
    // parent widget instead of inserting their paths. Reads the line lengths from the profile.
    int Init(int dropToParent);

    // Appends the content as wrapped plain text (code page 932, CR LF) to `text`.
    void GetTextWithReturn(CString& text);
    // Inserts `text` (code page 932, CR LF) at the selection as a quoted reply block.
    void SetReplyText(CString& text);
    void SelToNewSentence();
    void SelToReplySentence();
    void SetTabStop(int columns);
    void MakeOrnamentLine(int index, int kind, int count, CString& emphasis, int& emphasisFlag,
                          CString& underline, int& underlineFlag);
    void InsertStrToCurPos(CString& text, int keepSelection, int leadingBreak, int trailingBreak);
    void ReturnInParagraph();

    // The four indent steps of one full-width column; a refused step changes nothing.
    void AddLeftIndent();
    void DeleteLeftIndent();
    void AddRightIndent();
    void DeleteRightIndent();
    int SetSelectionToDefault();
    int SetSelectionToRed();
    int SetSelectionToUnderline();
    int InsertBullet();

    void SetReadOnly(int readOnly);
    [[nodiscard]] int CanPasteSimpleText() const;
    [[nodiscard]] int CanRedo();
    [[nodiscard]] int IsSelected();
    int GetClipboardText(CString& text);
    int MakeDummyClipData();

    // The whole content as RTF (code page 932, 7-bit), replaced by RTF, or RTF inserted in
    // place of the selection.
    int GetRtf(CString& rtf);
    int SetRtf(const CString& rtf);
    int InsertRft(const CString& rtf);

    // Inserts CR LF and each path (as text, "〓" for what code page 932 lacks) followed by
    // CR LF at the character under `position` (viewport coordinates), as one undoable step,
    // unless the editor is read-only.
    void OnDropFiles(const std::vector<CPath>& paths, const QPoint& position);

    // The line lengths of new and quoted text, shared by all editors, in half-width columns.
    static unsigned int c_newLineLength;
    static unsigned int c_replyLineLength;
    // Reads and writes them under "EditorOption" of the program's settings; out-of-range
    // values read as the defaults.
    static void LoadLineLengths();
    static void SaveLineLengths();

    // CUpdateCommandItem
    void ProcessEditCopy() override;
    void ProcessEditCut() override;
    void ProcessEditPaste() override;
    void ProcessEditPasteReplyText() override;
    void ProcessEditDelete() override;
    void ProcessEditSelectAll() override;
    void ProcessEditUndo() override;
    void ProcessEditRedo() override;
    void ProcessEditReconvert() override;
    void ProcessFormNewSentence() override;
    void ProcessFormReplySentence() override;
    void ProcessFormLineLength() override;
    void ProcessFormLeftIndentAdd() override;
    void ProcessFormLeftIndentDelete() override;
    void ProcessFormRightIndentAdd() override;
    void ProcessFormRightIndentDelete() override;
    void ProcessFormBullet() override;
    int UpadateEditCopy() override;
    int UpadateEditCut() override;
    int UpadateEditPaste() override;
    int UpadateEditPasteReplyText() override;
    int UpadateEditDelete() override;
    int UpadateEditSelectAll() override;
    int UpadateEditUndo() override;
    int UpadateEditRedo() override;
    int UpadateEditReconvert() override;
    int UpadateFormNewSentence() override;
    int UpadateFormReplySentence() override;
    int UpadateFormLineLength() override;
    int UpadateFormLeftIndentAdd() override;
    int UpadateFormLeftIndentDelete() override;
    int UpadateFormRightIndentAdd() override;
    int UpadateFormRightIndentDelete() override;
    int UpadateFormBullet() override;

    // The editor's own key rules, before the dialog's accelerators: Tab and Enter with
    // modifiers change indents, Delete without a selection deletes the next character,
    // Ctrl+E and Ctrl+= do nothing. Non-zero when the key was taken.
    int PreTranslateMessage(MSG* msg) override;
    int IsPreTranslatedKey(MSG* msg) override;

    // The menus of the context menu (138, or 145 when read-only) with their items enabled
    // from the update operations. The caller owns the menu.
    QMenu* CreateContextMenu();

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    QMimeData* createMimeDataFromSelection() const override;
    bool canInsertFromMimeData(const QMimeData* source) const override;
    void insertFromMimeData(const QMimeData* source) override;

private:
    // Applies `change` to the block format of every paragraph of the selection, as one step.
    template <typename Change>
    void ChangeParagraphs(Change change);
    void SetRightIndentOfSelection(unsigned int lineLength);
    void UpdateContextMenu(QMenu* menu);
    // Hands a command chosen in the context menu to the dialog, as its menu would.
    void RouteCommand(UINT id);
    // Whether `event` is a key that Algorithm-1 handling takes before the dialog's shortcuts.
    bool IsOwnKey(const QKeyEvent* event) const;
    bool IsOnEmptyParagraph() const;
    void NewParagraphAfterEmpty();
    bool HandleOwnKey(QKeyEvent* event);
    void EnsureLayout();

    int m_readOnly = 0;
    int m_baseFontHeight = 240;  // twips
    QString m_clipboardFormat;
    int m_dropToParent = 0;

    // The buffer of the RTF streams, shared by all editors.
    static CString m_rtf;
};
