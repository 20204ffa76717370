#pragma once
// "vCardファイルへ書き出し": takes the address book to another program. The list offers the
// whole book and every group (GROUP, in name order); OK asks for the file (the folder-list
// save dialog, "<group>.vcf" or "アドレス帳.vcf"), writes the chosen persons as vCard 4.0
// (CVCardWriter) and says how many it wrote. Cancelling the file dialog returns to the list.
// Every message is titled "アドレス書き出し", except the designed one for an unreadable GROUP
// table ("アドレス帳").

#include <QDialog>

#include <functional>
#include <memory>

class CFileDialog;
class QListWidget;

class CVCardExportDlg : public QDialog {
    Q_OBJECT
public:
    enum { IDD = 301, IDC_LIST = 3011, IDC_LIST_LABEL = 3012 };

    explicit CVCardExportDlg(QWidget* parent);

    // OK: the export; the dialog closes once the file is written.
    void accept() override;
    // The group chosen in the list; 0 for the whole book.
    long GetGroupId() const;
    // Chooses the whole book (0) or a group in the list; false when the list lacks it.
    bool SelectGroup(long groupId);
    QListWidget* GetList() const { return m_list; }

    // Makes the save dialog for a default file name; the folder-list dialog unless a test
    // sets another.
    std::function<std::unique_ptr<CFileDialog>(QWidget* owner, const QString& fileName)> makeFileDialog;

private:
    QListWidget* m_list;
};
