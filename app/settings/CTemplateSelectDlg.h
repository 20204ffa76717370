#pragma once
// The two template selection dialogs: 184 "宛先定型の選択" (address templates) and 188
// "文面定型の選択" (letter templates). A list of titles with the preset id selected;
// "選択解除" clears the selection; OK gives the chosen id, or 0 (none) when nothing is
// selected. The caller loads the titles and writes the choice; the dialog touches no table.

#include <QDialog>
#include <QString>

#include <utility>
#include <vector>

class QListWidget;

class CTemplateSelectDlg : public QDialog {
    Q_OBJECT
public:
    enum Kind { AddressTemplates = 184, LetterTemplates = 188 };
    enum { IDC_LIST = 1141, IDC_CLEAR = 1142 };
    using Item = std::pair<long, QString>;  // id, title

    CTemplateSelectDlg(Kind kind, const std::vector<Item>& items, long selectedId, QWidget* parent);

    // The id of the selected title, 0 when none is selected.
    long GetSelectedId() const;
    void OnClearSelection();
    QListWidget* GetList() const { return list_; }

private:
    QListWidget* list_;
};
