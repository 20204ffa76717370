#pragma once
// The Qt side of the mail import: the one pending mail of the program, fed by drops on any
// page, on the Body page's editor and on the floating drop window, and used by the four
// commands (32783 reply, 32784 forward, 32785 reference, 32786 attach) of every page; with
// nothing pending the commands take the clipboard's mail. The wizard owns the one object;
// a page reaches it through CWizardPage's mail hooks. What is not about Qt is in
// CMailSource (the formats and the pending mail) and CMailComposer (the commands).

#include "import/CMailComposer.h"
#include "import/CMailSource.h"
#include "command/CommandIds.h"

#include <QObject>
#include <QPoint>

class CMailDoc;
class QMenu;
class QMimeData;
class QWidget;

class CMailImport : public QObject {
    Q_OBJECT
public:
    // Menu 182, the popup of a drop.
    enum { IDR_MAIL_MENU = 182 };

    explicit CMailImport(CMailDoc* doc, QObject* parent = nullptr);
    ~CMailImport() override;

    // A drag over: whether the offered format names may carry a mail; no data is read.
    static int CanAccept(const QMimeData* data);
    // A drop: the mail read at once and made the pending one (a message to `parent` when it
    // cannot be read). CMailSource::NoMail when the data holds no mail (nothing changed:
    // files other than ".eml" are the page's attachments), Taken or Failed.
    int TakeDrop(const QMimeData* data, QWidget* parent);
    // Popup menu 182 at `globalPos` (screen coordinates): the chosen command, or 0 when it
    // was dismissed (the mail stays pending).
    UINT ChooseCommand(const QPoint& globalPos, QWidget* owner);
    // Menu 182 itself: "返信(&R)", "転送(&F)", "参照作成(&S)", a separator, "添付(&A)".
    static QMenu* CreateMenu(QWidget* parent);

    // Whether the clipboard holds a mail (checked once per change of the clipboard).
    int IsMailOnClipboard() const;
    // Whether the four commands can be chosen: a pending mail, or one on the clipboard.
    int IsAvailable() const;
    // One of the four commands on the pending mail, else on the clipboard's.
    void Paste(UINT id, const CComposeHost& host);

    const CMailSource& Pending() const { return pending_; }

private:
    CMailDoc* doc_;
    CMailSource pending_;
    mutable int clipboardHoldsMail_ = -1;  // -1: not checked since the clipboard changed
};
