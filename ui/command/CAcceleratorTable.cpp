#include "command/CAcceleratorTable.h"

#include <QKeyEvent>

namespace {

constexpr Qt::KeyboardModifiers kCtrl = Qt::ControlModifier;
constexpr Qt::KeyboardModifiers kShift = Qt::ShiftModifier;
constexpr Qt::KeyboardModifiers kAlt = Qt::AltModifier;
constexpr Qt::KeyboardModifiers kNone = Qt::NoModifier;
constexpr Qt::KeyboardModifiers kCtrlShift = Qt::ControlModifier | Qt::ShiftModifier;

// Table 135, in resource order.
constexpr ACCEL kTable135[] = {
    {kCtrl, Qt::Key_1, ID_FORM_NEW_SENTENCE},
    {kCtrl, Qt::Key_2, ID_FORM_REPLY_SENTENCE},
    {kCtrl, Qt::Key_A, ID_EDIT_SELECT_ALL},
    {kCtrl, Qt::Key_B, ID_FORM_BULLET},
    {kCtrl, Qt::Key_C, ID_EDIT_COPY},
    {kCtrl, Qt::Key_D, ID_EDIT_PASTE_REFERENCE},
    {kCtrl, Qt::Key_F, ID_EDIT_FIND},
    {kCtrlShift, Qt::Key_F, ID_EDIT_PASTE_FORWARD},
    {kCtrl, Qt::Key_M, ID_EDIT_MODIFY},
    {kCtrl, Qt::Key_N, ID_EDIT_ADD},
    {kCtrl, Qt::Key_O, ID_FILE_OPEN},
    {kCtrlShift, Qt::Key_P, ID_PREVIEW},
    {kCtrl, Qt::Key_R, ID_EDIT_PASTE_REPLY},
    {kCtrl, Qt::Key_S, ID_FILE_SAVE},
    {kCtrl, Qt::Key_V, ID_EDIT_PASTE},
    {kCtrlShift, Qt::Key_V, ID_EDIT_PASTE_REPLY_TEXT},
    {kAlt, Qt::Key_Backspace, ID_EDIT_UNDO},
    {kNone, Qt::Key_Delete, ID_EDIT_DELETE},
    {kShift, Qt::Key_Delete, ID_EDIT_CUT},
    {kNone, Qt::Key_F5, ID_REFRESH},
    {kCtrl, Qt::Key_Insert, ID_EDIT_COPY},
    {kShift, Qt::Key_Insert, ID_EDIT_PASTE},
    {kCtrl, Qt::Key_Left, ID_PREV_PAGE},
    {kCtrl, Qt::Key_Right, ID_NEXT_PAGE},
    {kCtrl, Qt::Key_W, ID_WORK_WINDOW},
    {kCtrl, Qt::Key_X, ID_EDIT_CUT},
};

constexpr CAcceleratorTable kAccelerator135{kTable135};

constexpr Qt::KeyboardModifiers kCompared =
    Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;

}  // namespace

const CAcceleratorTable* CAcceleratorTable::Load(UINT id)
{
    return id == IDR_ACCELERATOR ? &kAccelerator135 : nullptr;
}

UINT CAcceleratorTable::Translate(const QKeyEvent& event) const
{
    return Translate(event.modifiers(), event.key());
}

UINT CAcceleratorTable::Translate(Qt::KeyboardModifiers modifiers, int key) const
{
    // Shift+Tab arrives as Backtab; no entry uses either, so no folding is needed here.
    const Qt::KeyboardModifiers pressed = modifiers & kCompared;
    for (const ACCEL& entry : entries_) {
        if (entry.key == key && entry.modifiers == pressed)
            return entry.command;
    }
    return 0;
}
