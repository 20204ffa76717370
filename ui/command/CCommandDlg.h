#pragma once
// The dialog base of every dialog with an edit menu. It routes edit and format commands to
// the control that has the keyboard focus: on every idle pass of the event loop (the event
// dispatcher's aboutToBlock) it greys or enables the items of its own menu bar from that
// control's update operations, and a command chosen from the menu, a command button or
// accelerator table 135 reaches the control's process operation. The commands 32783..32786,
// which paste an internet message held by the program, go to the dialog's own hooks instead.
//
// Qt mapping of the framework dialog: OnInitDialog runs once, just before the dialog is
// first shown (or from Create); a command arrives at OnCommand, which derived dialogs
// implement with one line per command as their message map would.

#include "command/CPreTranslate.h"
#include "command/CUpdateCommandItem.h"

#include <QDialog>

class QAbstractButton;
class QMenuBar;

class CCommandDlg : public QDialog, public CPreTranslateMessage {
    Q_OBJECT
public:
    CCommandDlg(UINT idd, QWidget* parent);
    ~CCommandDlg() override;

    // Makes the dialog ready for modeless use under `parent` (kept when null) and runs
    // OnInitDialog if it has not run yet; showing it is left to the caller. Returns 1.
    int Create(QWidget* parent);

    UINT GetTemplateId() const { return idd_; }
    int IsInitialized() const { return initialized_; }

    virtual void OnIdle();
    // Calls UpdateMenuCommand once for every command id of the dialog's menu bar.
    virtual void UpdateMenu() = 0;
    // Sets `item` to the command side of `wnd` when it is one of this dialog's command-aware
    // controls, else to null; returns whether `item` is non-null.
    virtual int IsUpdateCommandItem(const QWidget* wnd, CUpdateCommandItem*& item) = 0;
    virtual void ProcessEditPasteInternetMessage(UINT id);
    virtual int UpadateEditPasteInternetMessage();

    void UpdateMenuCommand(UINT id);
    void ProcessMenuCommand(UINT id);
    // Enables or greys the item `id` of this dialog's menu bar; no menu bar, no change.
    void EnableMenuItem(UINT id, int enable);
    // `text` is code page 932. Returns 0 for a null window.
    int AddToolTip(QWidget* wnd, const char* text);
    int AddToolTip(QWidget* wnd, const QString& text);

    // The dialog's menu bar (owned by the dialog). Its actions carry command ids; choosing
    // one sends that command to OnCommand.
    void SetMenu(QMenuBar* menu);
    QMenuBar* GetMenu() const { return menu_; }
    // A button whose click sends command `id`, as a dialog button with that id does.
    void BindCommandButton(QAbstractButton* button, UINT id);

    // A command from the menu bar, a command button or the accelerator table. The default
    // does nothing: a derived dialog passes its commands on, mostly to ProcessMenuCommand.
    virtual void OnCommand(UINT id);

    // Offers a key press to accelerator table 135. A command whose item on the menu bar
    // is greyed (after a fresh update) is swallowed without being sent.
    int PreTranslateMessage(MSG* msg) override;
    int IsPreTranslatedKey(MSG* msg) override;

protected:
    virtual int OnInitDialog();
    void setVisible(bool visible) override;

private slots:
    void OnKickIdle();

private:
    QWidget* parent_;
    UINT idd_;
    const class CAcceleratorTable* accelerators_ = nullptr;
    int initialized_ = 0;
    QMenuBar* menu_ = nullptr;
};

// Sends command `id` chosen in a control's own popup menu to the CCommandDlg that holds
// `control`, which routes it back to the focused control as it routes the menu bar's
// commands; without such a dialog `item` (the control's command side) processes it.
void SendControlCommand(QWidget* control, CUpdateCommandItem* item, UINT id);
