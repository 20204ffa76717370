#pragma once
// Dialog 180 "文面定型": registers, changes or deletes a letter template. Operation
// 新規 / 修正 / 削除, the template's name, "件名も含める(&I)" with the subject, the salutation,
// greeting and closing (several lines each, in the letter's fixed-pitch face), the
// signature chosen from SIGNATURE with its text, and the linked address template chosen
// with "宛先定型の選択(&A)" (dialog 184), shown by its title or "(なし)".
//
// It opens on the preset record: a record with an id is changed (修正, or deleted), one
// without is new (only 新規). OK checks the name (not empty, not longer than TITLE allows)
// and the subject (not longer than SUBJECT allows) and hands the operation and record to
// the writer the caller gave; the dialog closes only when the writer succeeded, and
// otherwise says why and keeps everything as typed.

#include "data/LetterTables.h"
#include "settings/RecordDlgParts.h"

#include <QDialog>

#include <functional>

class CPhraseTextEdit;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;

class CLetterTemplateDlg : public QDialog {
    Q_OBJECT
public:
    enum { IDD = 180 };
    enum {
        IDC_ADD = COperationGroup::IDC_ADD,
        IDC_CHANGE = COperationGroup::IDC_CHANGE,
        IDC_DELETE = COperationGroup::IDC_DELETE,
        IDC_TITLE = 1146,
        IDC_INCLUDE_SUBJECT = 1148,
        IDC_SUBJECT = 1149,
        IDC_DEAR = 1150,
        IDC_GREETING = 1151,
        IDC_CLOSING = 1152,
        IDC_SIGNATURE = 1153,
        IDC_SIGNATURE_TEXT = 1154,
        IDC_SELECT_ADDRESS_TEMPLATE = 1155,
        IDC_ADDRESS_TEMPLATE = 1156,
    };
    using Writer = std::function<int(RecordOperation, CLetterTemplate&)>;

    CLetterTemplateDlg(const CLetterTemplate& preset, QWidget* parent);
    ~CLetterTemplateDlg() override;

    void SetWriter(Writer writer) { m_writer = std::move(writer); }
    RecordOperation GetOperation() const { return m_operation->Get(); }
    void SetOperation(RecordOperation operation) { m_operation->Set(operation); }
    // The record as the dialog holds it; after OK with the values written (an add with the
    // new id).
    CLetterTemplate GetRecord() const;

    // Chooses the linked address template through dialog 184.
    void OnSelectAddressTemplate();
    // The linked address template's id (-1 for none) and what the dialog shows for it.
    long GetAddressTemplateId() const { return m_addressTemplateId; }
    QString GetAddressTemplateText() const;
    // Chooses the signature with `id` (-1 for none).
    void SelectSignature(long id);

    void accept() override;

private:
    void ShowAddressTemplate();
    void OnOperationChanged();
    void ShowSignatureText();

    long m_id;
    CPhraseList m_signatures;
    long m_addressTemplateId;
    CString m_addressTemplateTitle;
    COperationGroup* m_operation;
    QLineEdit* m_title;
    QCheckBox* m_includeSubject;
    QLineEdit* m_subject;
    CPhraseTextEdit* m_dear;
    CPhraseTextEdit* m_greeting;
    CPhraseTextEdit* m_closing;
    QComboBox* m_signature;
    CPhraseTextEdit* m_signatureText;
    QLabel* m_addressTemplate;
    Writer m_writer;
    CLetterTemplate m_written;
    bool m_done = false;
};
