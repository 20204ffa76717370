#pragma once
// What the phrase, signature and letter-template dialogs share: the operation group
// (新規 / 修正 / 削除), the OK and キャンセル buttons, the checks of a record before it is
// handed on (an empty or too long field, the question before a delete) with their messages,
// and the small text helpers. Texts are code page 932.

#include "data/LetterTables.h"
#include "encoding/CString.h"

#include <QGroupBox>
#include <QString>

class QDialog;
class QDialogButtonBox;
class QRadioButton;

// The group box "操作" with 新規(&N), 修正(&M) and 削除(&D) (ids 1143, 1144, 1145). 修正 and
// 削除 are only offered while there is a stored record to change; without one the group
// falls back to 新規.
class COperationGroup : public QGroupBox {
    Q_OBJECT
public:
    enum { IDC_ADD = 1143, IDC_CHANGE = 1144, IDC_DELETE = 1145 };

    explicit COperationGroup(QWidget* parent);

    RecordOperation Get() const;
    void Set(RecordOperation operation);
    void SetRecordExists(bool exists);

signals:
    void Changed();

private:
    QRadioButton* m_add;
    QRadioButton* m_change;
    QRadioButton* m_delete;
};

// OK (id 1, the default) and キャンセル (id 2), wired to the dialog's accept and reject.
QDialogButtonBox* AddOkCancel(QDialog* dialog);

// The message for `value` as the field named `field` (e.g. "タイトル"), whose column holds
// at most `maxBytes` bytes; empty when the value fits. A value of blanks only is empty.
QString CheckTitle(const CString& value, const QString& field, int maxBytes);
// The same without the rule that the value may not be empty.
QString CheckLength(const CString& value, const QString& field, int maxBytes);
// Shows `text` (caption "エラー") and puts the focus on `focus` with its text selected, so
// it can be corrected at once; `focus` may be null.
void ShowRecordProblem(QWidget* parent, const QString& text, QWidget* focus);
// Asks whether the record titled `title` may be deleted (caption "確認").
bool ConfirmDelete(QWidget* parent, const QString& title);
// The message when the caller could not write the record.
QString WriteFailedText();

// The first line of `text`, cut to `maxBytes` at a character boundary: a title to start with.
CString SuggestedTitle(const CString& text, int maxBytes);
// `text` without CR and LF: for a one-line field (a subject and its prefixes).
CString OneLine(const CString& text);
