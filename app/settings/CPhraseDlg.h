#pragma once
// The phrase dialog of the Letter page: one dialog for the phrase tables SUBJECT_PREFIX
// ("件名"), DEAR ("宛名書き"), GREETING ("あいさつ") and CLOSING ("結び"), and, as the signature
// dialog, for SIGNATURE ("署名"). It lists the table's entries (titles) and edits one of them:
// operation 新規 (add), 修正 (change) or 削除 (delete) of the entry selected in the list, its
// title and its text. A subject prefix is one line; the other texts may hold several, shown
// in the letter's fixed-pitch face and wrapped at the letter's line length.
//
// It opens on the preset entry (operation 修正) or, with none, as a new entry holding the
// preset text. OK checks the title (not empty, not longer than TITLE allows) and hands the
// operation and values to the writer the caller gave; the dialog closes only when the
// writer succeeded, and otherwise says why and keeps everything as typed. The caller
// reloads its list afterwards.

#include "data/LetterTables.h"
#include "settings/RecordDlgParts.h"

#include <QDialog>

#include <functional>

class CPhraseTextEdit;
class QLabel;
class QLineEdit;
class QListWidget;

class CPhraseDlg : public QDialog {
    Q_OBJECT
public:
    enum { IDD = 189, IDD_SIGNATURE = 190 };
    enum {
        IDC_LIST = 1141,
        IDC_CLEAR_SELECTION = 1142,
        IDC_ADD = COperationGroup::IDC_ADD,
        IDC_CHANGE = COperationGroup::IDC_CHANGE,
        IDC_DELETE = COperationGroup::IDC_DELETE,
        IDC_TITLE = 1146,
        IDC_TEXT = 1147,
    };
    using Writer = std::function<int(RecordOperation, CPhrase&)>;

    // `table` is one of the five phrase tables; its entries are read here.
    CPhraseDlg(const char* table, long selectedId, const CString& presetText, QWidget* parent);
    ~CPhraseDlg() override;

    // The caption of a phrase table ("件名", "宛名書き", "あいさつ", "結び", "署名").
    static QString Caption(const char* table);

    void SetWriter(Writer writer) { m_writer = std::move(writer); }
    RecordOperation GetOperation() const { return m_operation->Get(); }
    // The edited values; after an add, with the new id.
    const CPhrase& GetPhrase() const { return m_result; }

    QListWidget* GetList() const { return m_list; }
    QLineEdit* GetTitleEdit() const { return m_title; }
    // The text as code page 932 with CR LF.
    CString GetText() const;
    void SetText(const CString& text);
    void SetOperation(RecordOperation operation) { m_operation->Set(operation); }

    void accept() override;

private:
    void OnSelectionChanged();
    void OnClearSelection();
    void OnOperationChanged();

    const char* m_table;
    bool m_oneLine;
    CPhraseList m_phrases;
    QListWidget* m_list;
    COperationGroup* m_operation;
    QLineEdit* m_title;
    QLineEdit* m_lineText = nullptr;
    CPhraseTextEdit* m_text = nullptr;
    Writer m_writer;
    CPhrase m_result;
};
