#include "command/CCommandDlg.h"

#include "command/CAcceleratorTable.h"
#include "command/QtText.h"
#include "encoding/CCodePage.h"

#include <QAbstractButton>
#include <QAbstractEventDispatcher>
#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLayout>
#include <QMenuBar>

namespace {

bool IsPasteMessageCommand(UINT id)
{
    return id >= ID_EDIT_PASTE_REPLY && id <= ID_EDIT_PASTE_ATTACH;
}

}  // namespace

CCommandDlg::CCommandDlg(UINT idd, QWidget* parent) : QDialog(parent), parent_(parent), idd_(idd)
{
    InstallPreTranslateFilter();
    if (auto* dispatcher = QAbstractEventDispatcher::instance(thread()))
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, &CCommandDlg::OnKickIdle);
}

CCommandDlg::~CCommandDlg() = default;

int CCommandDlg::Create(QWidget* parent)
{
    if (parent != nullptr && parent != parent_) {
        parent_ = parent;
        setParent(parent, windowFlags());
    }
    if (initialized_ == 0)
        OnInitDialog();
    return 1;
}

int CCommandDlg::OnInitDialog()
{
    accelerators_ = CAcceleratorTable::Load(IDR_ACCELERATOR);
    initialized_ = 1;
    return 1;
}

void CCommandDlg::setVisible(bool visible)
{
    if (visible && initialized_ == 0)
        OnInitDialog();
    QDialog::setVisible(visible);
}

void CCommandDlg::OnKickIdle()
{
    OnIdle();
}

void CCommandDlg::OnIdle()
{
    if (initialized_ != 0 && isVisible())
        UpdateMenu();
}

void CCommandDlg::ProcessEditPasteInternetMessage(UINT)
{
}

int CCommandDlg::UpadateEditPasteInternetMessage()
{
    return 0;
}

void CCommandDlg::UpdateMenuCommand(UINT id)
{
    int available = 0;
    if (IsPasteMessageCommand(id)) {
        available = UpadateEditPasteInternetMessage();
    } else {
        CUpdateCommandItem* item = nullptr;
        if (IsUpdateCommandItem(QApplication::focusWidget(), item) && item != nullptr)
            available = item->UpdateCommand(id);
    }
    EnableMenuItem(id, available);
}

void CCommandDlg::ProcessMenuCommand(UINT id)
{
    if (IsPasteMessageCommand(id)) {
        ProcessEditPasteInternetMessage(id);
        return;
    }
    CUpdateCommandItem* item = nullptr;
    if (IsUpdateCommandItem(QApplication::focusWidget(), item) && item != nullptr)
        item->ProcessCommand(id);
}

void CCommandDlg::EnableMenuItem(UINT id, int enable)
{
    if (QAction* action = FindCommandAction(menu_, id)) {
        if (action->isEnabled() != (enable != 0))
            action->setEnabled(enable != 0);
    }
}

int CCommandDlg::AddToolTip(QWidget* wnd, const char* text)
{
    if (text == nullptr)
        return AddToolTip(wnd, QString());
    return AddToolTip(wnd, ToQString(text));
}

int CCommandDlg::AddToolTip(QWidget* wnd, const QString& text)
{
    if (wnd == nullptr)
        return 0;
    wnd->setToolTip(text);
    return 1;
}

void CCommandDlg::SetMenu(QMenuBar* menu)
{
    if (menu_ != nullptr) {
        menu_->hide();
        menu_->deleteLater();
    }
    menu_ = menu;
    if (menu_ == nullptr)
        return;
    menu_->setParent(this);
    if (layout() != nullptr)
        layout()->setMenuBar(menu_);
    connect(menu_, &QMenuBar::triggered, this, [this](QAction* action) {
        if (UINT id = GetCommandId(action))
            OnCommand(id);
    });
}

void CCommandDlg::BindCommandButton(QAbstractButton* button, UINT id)
{
    SetCommandId(button, id);
    connect(button, &QAbstractButton::clicked, this, [this, id] { OnCommand(id); });
}

void CCommandDlg::OnCommand(UINT)
{
}

int CCommandDlg::PreTranslateMessage(MSG* msg)
{
    if (accelerators_ == nullptr || msg->event->type() != QEvent::KeyPress)
        return 0;
    const UINT id = accelerators_->Translate(*static_cast<QKeyEvent*>(msg->event));
    if (id == 0)
        return 0;
    if (QAction* action = FindCommandAction(menu_, id)) {
        UpdateMenuCommand(id);
        if (!action->isEnabled())
            return 1;
    }
    OnCommand(id);
    return 1;
}

int CCommandDlg::IsPreTranslatedKey(MSG* msg)
{
    if (accelerators_ == nullptr)
        return 0;
    return accelerators_->Translate(*static_cast<QKeyEvent*>(msg->event)) != 0 ? 1 : 0;
}

void SendControlCommand(QWidget* control, CUpdateCommandItem* item, UINT id)
{
    for (QWidget* owner = control != nullptr ? control->parentWidget() : nullptr; owner != nullptr;
         owner = owner->parentWidget()) {
        if (auto* dialog = qobject_cast<CCommandDlg*>(owner)) {
            dialog->OnCommand(id);
            return;
        }
    }
    if (item != nullptr)
        item->ProcessCommand(id);
}
