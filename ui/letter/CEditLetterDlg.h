#pragma once
// CEditLetterDlg: a command dialog that hosts one letter editor (control 1006), with the
// edit menu, the indent and line-length buttons and the default and underline buttons. The
// program uses it for its fixed phrases, which it stores as RTF. The window is always 656
// pixels wide and at least 300 high; the editor's bottom edge stays 12 pixels above the
// window's. These are pixels of a 96-DPI screen (an 8-pixel column); on any other screen
// each is scaled by the real column width (CLetterFormat::DesignPixels), so the editor's 76
// columns and its scroll bar always fit.

#include "command/CCommandDlg.h"
#include "encoding/CString.h"
#include "letter/CEditLetter.h"

class QPushButton;

class CEditLetterDlg : public CCommandDlg {
    Q_OBJECT

public:
    // Designed 96-DPI sizes; see Width(), MinimumHeight(), BottomMargin() for this screen.
    static constexpr int kWidth = 656;
    static constexpr int kMinimumHeight = 300;
    static constexpr int kBottomMargin = 12;
    static int Width();
    static int MinimumHeight();
    static int BottomMargin();

    static constexpr int kLeftIndentDeleteButton = 1106;
    static constexpr int kLeftIndentAddButton = 1107;
    static constexpr int kRightIndentAddButton = 1108;     // shorter lines
    static constexpr int kRightIndentDeleteButton = 1109;  // longer lines
    static constexpr int kUnderlineButton = 1137;
    static constexpr int kDefaultButton = 1138;
    static constexpr int kNoOpButton = 1139;

    CEditLetterDlg(UINT idd, QWidget* parent = nullptr);
    ~CEditLetterDlg() override;

    int GetRtf(CString& rtf) { return m_edit->GetRtf(rtf); }
    int SetRtf(const CString& rtf) { return m_edit->SetRtf(rtf); }
    int InsertRft(const CString& rtf) { return m_edit->InsertRft(rtf); }

    CEditLetter& Editor() { return *m_edit; }

    void UpdateMenu() override;
    int IsUpdateCommandItem(const QWidget* wnd, CUpdateCommandItem*& item) override;
    void OnCommand(UINT id) override;

protected:
    int OnInitDialog() override;

private:
    QPushButton* AddButton(int id, const QString& text);

    CEditLetter* m_edit;
};
