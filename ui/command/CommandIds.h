#pragma once
// Numeric ids of commands and the way Qt objects carry them. Every menu action, accelerator
// and command button keeps the id the resources give it, so code and tests find commands
// and controls by number.

class QAction;
class QObject;
class QWidget;
class QString;

using UINT = unsigned int;

enum CommandId : UINT {
    // Framework-standard commands.
    ID_FILE_OPEN = 57601,
    ID_FILE_CLOSE = 57602,
    ID_FILE_SAVE = 57603,
    ID_FILE_SAVE_AS = 57604,
    ID_EDIT_COPY = 57634,
    ID_EDIT_CUT = 57635,
    ID_EDIT_FIND = 57636,
    ID_EDIT_PASTE = 57637,
    ID_EDIT_SELECT_ALL = 57642,
    ID_EDIT_UNDO = 57643,
    ID_EDIT_REDO = 57644,
    ID_HELP = 57670,

    // Commands routed to the focused control.
    ID_EDIT_RECONVERT = 32771,
    ID_EDIT_DELETE = 32774,
    ID_EDIT_PASTE_REPLY_TEXT = 32787,
    ID_EDIT_MODIFY = 32794,
    ID_EDIT_ADD = 32795,
    ID_FORM_NEW_SENTENCE = 32788,
    ID_FORM_REPLY_SENTENCE = 32789,
    ID_FORM_LEFT_INDENT_ADD = 32790,
    ID_FORM_LEFT_INDENT_DELETE = 32791,
    ID_FORM_RIGHT_INDENT_ADD = 32792,
    ID_FORM_RIGHT_INDENT_DELETE = 32793,
    ID_FORM_LINE_LENGTH = 32807,
    ID_FORM_BULLET = 32823,

    // Paste an internet message held by the program: reply, forward, reference, attach.
    ID_EDIT_PASTE_REPLY = 32783,
    ID_EDIT_PASTE_FORWARD = 32784,
    ID_EDIT_PASTE_REFERENCE = 32785,
    ID_EDIT_PASTE_ATTACH = 32786,

    // Commands of the program's own dialogs that accelerator table 135 also reaches.
    ID_PREVIEW = 32779,
    ID_NEXT_PAGE = 32802,
    ID_PREV_PAGE = 32803,
    ID_REFRESH = 32804,
    ID_WORK_WINDOW = 32819,
};

// The shared accelerator table of every command dialog.
constexpr UINT IDR_ACCELERATOR = 135;

// Property names under which Qt objects carry their ids.
inline constexpr const char* kCommandIdProperty = "commandId";  // QAction, command button
inline constexpr const char* kControlIdProperty = "controlId";  // control of a dialog

// A QAction carrying command `id`; `text` is the menu text ("&" marks the mnemonic).
QAction* CreateCommandAction(UINT id, const QString& text, QObject* parent);
// The command id of an action or button, 0 when it has none.
UINT GetCommandId(const QObject* object);
void SetCommandId(QObject* object, UINT id);
// The action with command `id` among the actions of `menu` (a QMenu or QMenuBar) and its
// submenus, or null.
QAction* FindCommandAction(const QWidget* menu, UINT id);

// Control ids (the dialog item ids of the resources).
void SetControlId(QWidget* control, int id);
int GetControlId(const QWidget* control);
// The descendant of `dialog` with control `id`, or null (the framework's GetDlgItem).
QWidget* GetDlgItem(const QWidget* dialog, int id);
