#pragma once
// Dialog 144 "差出人": the sender accounts. The list (1075) shows each account as
// "Name <address>", the default sender with " (通常)" behind it, the first entry selected at
// start; "追加(&A)" (1078), "修正(&M)" (1082, also a double click) and "削除(&D)" (1083) add,
// edit and delete accounts through dialog 166; "通常差出人に設定(&U)" (1093) makes the
// selected account the default sender, or clears the default when it is one (its text then
// reads "通常差出人を解除(&U)"); "差出人をBCCに入れる(&B)" (1099) is written at each click;
// "閉じる(&C)" (IDCANCEL) closes. Every change is written at once, so the caller only
// refills what shows the accounts after exec().

#include <QDialog>

class QCheckBox;
class QListWidget;
class QListWidgetItem;
class QPushButton;

class CSenderListDlg : public QDialog {
    Q_OBJECT
public:
    enum {
        IDD = 144,
        IDC_LIST = 1075,
        IDC_ADD = 1078,
        IDC_MODIFY = 1082,
        IDC_DELETE = 1083,
        IDC_DEFAULT = 1093,
        IDC_TO_BCC = 1099,
    };

    explicit CSenderListDlg(QWidget* parent);

    void OnAdd();
    void OnModify();
    void OnDelete();
    void OnDefault();
    void OnToBcc();

    QListWidget* GetList() const { return list_; }
    // The account id of the selected entry, 0 when none is selected.
    long GetSelectedId() const;

private:
    QListWidgetItem* FindEntry(long id) const;
    // Sets the entry's text from its name and address, with " (通常)" on the default.
    void SetEntryText(QListWidgetItem* item, const QString& base);
    void UpdateButtons();

    long defaultId_ = 0;
    QListWidget* list_;
    QPushButton* modify_;
    QPushButton* delete_;
    QPushButton* default_;
    QCheckBox* toBcc_;
};
