#pragma once
// The file dialog with a folder list: Qt's own (non-native) file dialog with a panel below
// it that keeps the user's favourite folders. Choosing a folder from the list goes there
// and keeps the typed file name; the check box adds the current folder to the list or takes
// it out; a button shows the current folder in the file manager.
//
// The folder list is a UTF-8 text file, one folder per line, in the list's (sorted) order.
// Chosen paths come back as the file system's bytes (CPath).
// A missing file is an empty list. It is written at once on every change.

#include "encoding/CString.h"
#include "model/CPlatformUi.h"

#include <QFileDialog>

#include <vector>

class QCheckBox;
class QComboBox;
class QPushButton;

class CDrawerFileDlg : public QFileDialog, public CFileDialog {
    Q_OBJECT
public:
    // The dialog flags the program passes, with the meaning they have here.
    enum : unsigned long {
        OFN_OVERWRITEPROMPT = 0x2,    // save: ask before replacing a file
        OFN_HIDEREADONLY = 0x4,       // (no read-only box exists)
        OFN_ALLOWMULTISELECT = 0x200, // open: several existing files
        OFN_PATHMUSTEXIST = 0x800,
        OFN_FILEMUSTEXIST = 0x1000,   // open: one existing file
        OFN_CREATEPROMPT = 0x2000,    // open: a new name is accepted
        OFN_EXPLORER = 0x80000,
    };
    // Ids of the panel (template 158) and its controls.
    enum {
        IDD_DRAWER_PANEL = 158,
        IDC_CHECK_ADD_FAVORITE = 1037,
        IDC_BUTTON_OPEN_EXPLORER = 1027,
        IDC_COMBO_FAVORITE_LIST = 1032,
    };

    // `openFileDialog` non-zero for an open dialog, else a save dialog. `filter` in the
    // form "説明 (*.txt)|*.txt|すべてのファイル (*.*)|*.*||". The texts are code page 932;
    // `folderListPath` names the folder-list file.
    CDrawerFileDlg(int openFileDialog, const char* defaultExt, const char* fileName,
                   unsigned long flags, const char* filter, QWidget* parent,
                   const CPath& folderListPath);
    ~CDrawerFileDlg() override;

    // IDOK when the user chose, else IDCANCEL.
    int DoModal() override;
    // The first chosen path.
    CPath GetPathName() const override;
    // Every chosen path in the dialog's order.
    std::vector<CPath> GetPathNames() const;
    // The folder the dialog shows.
    CPath GetCurrentFolder() const;

    // "FolderList.txt" in the program's data folder (<application data>/Velto/Quillon).
    static CPath DefaultFolderListPath();

protected:
    // Runs whenever the dialog is shown: reads the folder list and centres the dialog.
    virtual void OnInitDone();
    virtual void OnFolderChange();
    void LoadFolderList();
    void SaveFolderList();
    void OnSelchangeComboFavoriteList(int index);
    void OnButtonToFavoriteList(bool checked);
    void OnButtonOpenExplorer();

    void showEvent(QShowEvent* event) override;

private:
    void CreatePanel();
    // Inserts at the sorted place; returns the index.
    int AddFolder(const QString& folder);

    QString currentFolder_;
    CPath folderListPath_;
    QComboBox* folderList_ = nullptr;
    QCheckBox* addFolder_ = nullptr;
    QPushButton* openExplorer_ = nullptr;
};
