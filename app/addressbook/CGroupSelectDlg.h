#pragma once
// Dialog 161 "グループ選択": one group chosen from a list of names (adding persons to a
// group, moving members to another). OK is only possible with a group selected; a double
// click chooses at once. The dialog touches no table.

#include <QDialog>
#include <QString>

#include <utility>
#include <vector>

class QListWidget;
class QPushButton;

class CGroupSelectDlg : public QDialog {
    Q_OBJECT
public:
    enum { IDD = 161, IDC_LIST = 1144 };
    using Item = std::pair<long, QString>;  // group id, name

    CGroupSelectDlg(const std::vector<Item>& groups, long selectedId, QWidget* parent);

    // The chosen group's id, 0 when none is selected.
    long GetSelectedId() const;
    QListWidget* GetList() const { return m_list; }

private:
    QListWidget* m_list;
    QPushButton* m_ok;
};
