#include "command/CUpdateCommandItem.h"

#include <QAction>
#include <QMenu>

CUpdateCommandItem::~CUpdateCommandItem() = default;

void CUpdateCommandItem::EnableMenuItem(CMenu* menu, UINT id, int enable)
{
    if (menu == nullptr)
        return;
    if (QAction* action = FindCommandAction(menu, id))
        action->setEnabled(enable != 0);
}

namespace {

struct Route {
    UINT id;
    void (CUpdateCommandItem::*process)();
    int (CUpdateCommandItem::*update)();
};

// Command ids and the operations they reach.
constexpr Route kRoutes[] = {
    {ID_EDIT_COPY, &CUpdateCommandItem::ProcessEditCopy, &CUpdateCommandItem::UpadateEditCopy},
    {ID_EDIT_CUT, &CUpdateCommandItem::ProcessEditCut, &CUpdateCommandItem::UpadateEditCut},
    {ID_EDIT_PASTE, &CUpdateCommandItem::ProcessEditPaste, &CUpdateCommandItem::UpadateEditPaste},
    {ID_EDIT_PASTE_REPLY_TEXT, &CUpdateCommandItem::ProcessEditPasteReplyText,
     &CUpdateCommandItem::UpadateEditPasteReplyText},
    {ID_EDIT_DELETE, &CUpdateCommandItem::ProcessEditDelete, &CUpdateCommandItem::UpadateEditDelete},
    {ID_EDIT_SELECT_ALL, &CUpdateCommandItem::ProcessEditSelectAll,
     &CUpdateCommandItem::UpadateEditSelectAll},
    {ID_EDIT_UNDO, &CUpdateCommandItem::ProcessEditUndo, &CUpdateCommandItem::UpadateEditUndo},
    {ID_EDIT_REDO, &CUpdateCommandItem::ProcessEditRedo, &CUpdateCommandItem::UpadateEditRedo},
    {ID_EDIT_RECONVERT, &CUpdateCommandItem::ProcessEditReconvert,
     &CUpdateCommandItem::UpadateEditReconvert},
    {ID_EDIT_ADD, &CUpdateCommandItem::ProcessEditAdd, &CUpdateCommandItem::UpadateEditAdd},
    {ID_EDIT_MODIFY, &CUpdateCommandItem::ProcessEditModify, &CUpdateCommandItem::UpadateEditModify},
    {ID_FORM_NEW_SENTENCE, &CUpdateCommandItem::ProcessFormNewSentence,
     &CUpdateCommandItem::UpadateFormNewSentence},
    {ID_FORM_REPLY_SENTENCE, &CUpdateCommandItem::ProcessFormReplySentence,
     &CUpdateCommandItem::UpadateFormReplySentence},
    {ID_FORM_LINE_LENGTH, &CUpdateCommandItem::ProcessFormLineLength,
     &CUpdateCommandItem::UpadateFormLineLength},
    {ID_FORM_LEFT_INDENT_ADD, &CUpdateCommandItem::ProcessFormLeftIndentAdd,
     &CUpdateCommandItem::UpadateFormLeftIndentAdd},
    {ID_FORM_LEFT_INDENT_DELETE, &CUpdateCommandItem::ProcessFormLeftIndentDelete,
     &CUpdateCommandItem::UpadateFormLeftIndentDelete},
    {ID_FORM_RIGHT_INDENT_ADD, &CUpdateCommandItem::ProcessFormRightIndentAdd,
     &CUpdateCommandItem::UpadateFormRightIndentAdd},
    {ID_FORM_RIGHT_INDENT_DELETE, &CUpdateCommandItem::ProcessFormRightIndentDelete,
     &CUpdateCommandItem::UpadateFormRightIndentDelete},
    {ID_FORM_BULLET, &CUpdateCommandItem::ProcessFormBullet, &CUpdateCommandItem::UpadateFormBullet},
};

const Route* FindRoute(UINT id)
{
    for (const Route& route : kRoutes) {
        if (route.id == id)
            return &route;
    }
    return nullptr;
}

}  // namespace

int CUpdateCommandItem::ProcessCommand(UINT id)
{
    const Route* route = FindRoute(id);
    if (route == nullptr)
        return 0;
    (this->*route->process)();
    return 1;
}

int CUpdateCommandItem::UpdateCommand(UINT id)
{
    const Route* route = FindRoute(id);
    return route != nullptr ? (this->*route->update)() : 0;
}

int CUpdateCommandItem::IsRoutedCommand(UINT id)
{
    return FindRoute(id) != nullptr ? 1 : 0;
}
