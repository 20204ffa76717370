#pragma once
// The framework's pre-translation of input: before a key press reaches the focused widget,
// the widget and then each of its ancestors up to its window may take it (a control's own
// key rule, then a dialog's accelerator table). Only input from the event loop is offered;
// an event sent from code (a key press a control sends itself) goes straight to its target.

class QEvent;
class QWidget;

struct MSG {
    QWidget* hwnd;   // the widget the event is addressed to
    QEvent* event;
};

class CPreTranslateMessage {
public:
    virtual ~CPreTranslateMessage() = default;
    // Non-zero when the message has been handled; it then reaches nobody else.
    virtual int PreTranslateMessage(MSG* msg) = 0;
    // Non-zero when this widget takes the key press `msg` before anyone else (an entry of
    // its accelerator table). Such a key is kept from Qt's shortcuts (a QAction's shortcut
    // on a menu), so that it arrives here as a key press.
    virtual int IsPreTranslatedKey(MSG* msg) { (void)msg; return 0; }
};

// Installs the application-wide filter that offers key presses to the CPreTranslateMessage
// widgets on the way up. Idempotent; needs a QApplication.
void InstallPreTranslateFilter();
