#pragma once
// The list of files attached to the message: one visible column (the display name with the
// file's icon) and one hidden column (the full path). Files come from the file dialog given
// to Init, from drops and from the program. The item's position is its only identity; the
// same file may be listed twice. Paths are the file system's bytes (CPath), display names
// code page 932 text.
//
// Read-only (the preview's list) means no user action changes the list: drops, Add (also by
// a double-click on empty space) and Delete are refused; the program still fills it.
//
// After every change the parent widget receives a resize event carrying its own size, so
// that an owner re-lays itself out and refreshes its total; the filesChanged signal says
// the same to owners that prefer a signal.

#include "command/CUpdateCommandItem.h"
#include "encoding/CString.h"
#include "model/CPath.h"

#include <QFileIconProvider>
#include <QIcon>
#include <QList>
#include <QTreeWidget>

#include <vector>

class CFileDialog;

class CFileListCtrl : public QTreeWidget, public CUpdateCommandItem {
    Q_OBJECT
public:
    enum { IDR_MENU_FILE_LIST = 136 };

    explicit CFileListCtrl(QWidget* parent = nullptr);
    ~CFileListCtrl() override;

    // Keeps `dialog` (not owned) for adding files and creates the columns. 0 for a null
    // dialog. A CDrawerFileDlg or any other QFileDialog may give several files at once.
    int Init(CFileDialog* dialog);
    // Read-only also takes the context menu away.
    void SetReadOnly(int readOnly) { readOnly_ = readOnly; }
    int GetReadOnly() const { return readOnly_; }
    // Set whenever a file is added, deleted or opened; reset by the owner.
    void SetModify(int modify) { modify_ = modify; }
    int GetModify() const { return modify_; }

    // Appends `path` (a regular file that can be read now, CFileUtility::CanReadFile) under
    // `displayName`, or under the path's file name (as text, "〓" for what code page 932
    // lacks) when that is null or empty. Returns 1, or 0 having added nothing.
    [[nodiscard]] int AddFile(const CPath& path, const char* displayName = nullptr);
    // Adds `paths` in order, each under its name in `names` (when given and not empty). A
    // folder is passed over without a word; a file that cannot be read is refused and put in
    // `refused`, for ShowRefused, so that it never fails the send later. With
    // `stopAtFirstRefusal` the first refused file ends the run. Returns how many were added.
    int AddFiles(const std::vector<CPath>& paths, const std::vector<CString>* names, int stopAtFirstRefusal,
                 std::vector<CPath>& refused);
    // Names the refused files in one message ("添付ファイル"); nothing when there are none.
    void ShowRefused(const std::vector<CPath>& refused);
    // Runs the dialog and adds every chosen file in the dialog's order, stopping at the
    // first that fails (0, the file named in a message). 1 also when the dialog is cancelled.
    int AddFilesByFileDlg();
    // Files dropped on the list, or on its owner that hands them over: AddFiles of them.
    // The message on refused files comes once the drop has returned, so that the program
    // the files came from is not kept waiting. Returns how many were added.
    int OnDropFiles(const std::vector<CPath>& paths);
    int DeleteAt(int index);
    // Returns how many items were deleted.
    int DeleteSelectedItems();
    // Deletes every item at once (one notification of the parent); returns how many.
    int DeleteAllItems();
    // Returns the item count.
    int SelectAllItems();
    int GetItemCount() const { return topLevelItemCount(); }
    int GetSelectedCount() const;
    // Empty for an index outside the list.
    CPath GetFilePath(int index) const;
    CString GetDispName(int index) const;
    // The sum of the sizes the files will have in the message (Base64 encoded). A file that
    // can no longer be read counts 0.
    long GetSumOfFileSize() const;
    // The tooltip of item `index`: its path (a mail kept in a temporary ".eml" file shows
    // under its display name) and its encoded size.
    CString GetInfoTip(int index) const;

    void ProcessEditAdd() override;
    void ProcessEditModify() override;
    void ProcessEditDelete() override;
    void ProcessEditSelectAll() override;
    int UpadateEditAdd() override;
    int UpadateEditModify() override;
    int UpadateEditDelete() override;
    int UpadateEditSelectAll() override;

signals:
    void filesChanged();

protected:
    // Opens the file with the desktop's program for it; a message tells when that fails.
    int OpenFile(int index);
    // Menu 136: "追加(&N)", "修正(&M)", "削除(&D)", its items enabled from the update
    // operations. Owned by the caller.
    QMenu* CreateContextMenu();
    void UpdateContextMenu(QMenu* menu);
    // A chosen menu command goes to the dialog holding the list, which routes it to the
    // focused control (this list); without such a dialog the list takes it directly.
    void SendCommand(UINT id);

    void contextMenuEvent(QContextMenuEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool viewportEvent(QEvent* event) override;

private:
    int CreateColmns();
    void NotifyParent();
    QList<int> SelectedRows() const;

    QList<QIcon> imageList_;
    int modify_ = 0;
    CFileDialog* dialog_ = nullptr;
    int readOnly_ = 0;
    QFileIconProvider iconProvider_;
};
