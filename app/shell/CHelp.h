#pragma once
// The help command: opens the program's HTML help page with the desktop's browser when one
// is installed, else says that none is.

class QString;
class QWidget;

class CHelp {
public:
    // The installed help page: "Quillonヘルプ.html" next to the program, or
    // <prefix>/share/quillon/help/index.html; empty when neither exists.
    static QString FindHelpFile();
    // Returns non-zero when the page was handed to the browser.
    static int Open(QWidget* parent);
};
