#pragma once
// The wizard: owns the three pages, their display order and the current page; navigates
// between them, checks and sends the message, and ends the program. Borrows the document
// and the main dialog from the application object.

#include "encoding/CString.h"

#include <QPointer>
#include <QString>
#include <QVariant>

#include <array>
#include <functional>
#include <memory>
#include <vector>

class CMailDoc;
class CMailImport;
class CMainDlg;
class CWizardPage;
class QWidget;

class CMailWizard {
public:
    enum Direction { Back = 1, Next = 2, Close = 3 };
    static constexpr int kPageCount = 3;
    // The current index after a send from the last page, before it settles.
    static constexpr int kSentIndex = 3;

    // Allocates and initialises the wizard (flags, pages, page order, stored position);
    // null when a page cannot be made. `parent` may be null (tests).
    static std::unique_ptr<CMailWizard> Create(CMailDoc* doc, CMainDlg* parent);
    // Saves the first page's position in WINDOW_POS, then destroys the pages.
    ~CMailWizard();
    CMailWizard(const CMailWizard&) = delete;
    CMailWizard& operator=(const CMailWizard&) = delete;

    // Shows page 0 (or the page named `pageName`, a restored draft's) and makes it current.
    void Start(const char* pageName = nullptr);
    void Navigate(int direction);
    // Reads the page order from "PageOption/PageOrder_*"; with `ask` the page order dialog
    // (183) comes first and its OK writes the new order.
    void ApplyPageOrder(int ask);
    int IsLastPage(const CWizardPage* page) const;
    void OnIdle();
    void ResetAll();
    // Every page reloads itself from the document (after a reply, forward or attach).
    void ReloadAll();

    // The page named `name` ("Address", "Letter", "Body") handles `request`; 0 when there is
    // no such page or it did not handle it.
    int RequestPage(const char* name, int request, const QVariant& argument = QVariant());
    CWizardPage* GetPage(const char* name) const;
    // The page at display position `index`.
    CWizardPage* GetPageAt(int index) const;
    CWizardPage* GetCurrentPage() const { return m_currentPage; }
    int GetCurrentIndex() const { return m_current; }
    CMailDoc* GetDocument() const { return m_doc; }
    // The mail dropped or pasted on any page or the floating window, one for the program.
    CMailImport* GetMailImport() const { return m_mailImport.get(); }
    CMainDlg* GetMainDlg() const { return m_parent; }

    int GetCloseAfterSend() const { return m_closeAfterSend; }
    int GetPreviewAtSend() const { return m_previewAtSend; }
    void ToggleCloseAfterSend() { m_closeAfterSend = !m_closeAfterSend; }
    void TogglePreviewAtSend() { m_previewAtSend = !m_previewAtSend; }

    // The main dialog's title (the subject, or "新規メール"), which the visible page carries
    // for the task bar.
    void SetTitle(const QString& title);
    QString GetTitle() const;

    // The preview of the document, modal over `parent`; IDOK ("送信") or IDCANCEL. Tests
    // replace it (they cannot click in a modal dialog without a timer).
    std::function<int(QWidget* parent, int withSend)> runPreview;
    // Every request between pages passes here before the page gets it; tests watch it.
    std::function<void(const char* name, int request, const QVariant& argument)> requestSeen;
    // Ends the program's event loop; tests replace it.
    std::function<void(int exitCode)> quit;
    // Whether the program has been asked to end.
    int IsEnded() const { return m_ended; }

    // What the message's draft (CDraftKeeper) follows: a page was shown; the message is about
    // to go out (every page stored); the send failed; the message was sent or discarded.
    enum MessageEvent { PageShown, Sending, SendFailed, MessageDone };
    std::function<void(MessageEvent)> onMessageEvent;

private:
    CMailWizard(CMailDoc* doc, CMainDlg* parent);
    int Init();
    void LoadFlags();
    void SaveFlags();
    void PlaceAtStoredPosition();
    void SaveWindowPosition();
    void Send(int oldIndex);
    // When the message holds characters ISO-2022-JP cannot carry: says how they will be sent
    // and asks (No opens the preview to choose). 1 to go on sending.
    int ConfirmCharset(CWizardPage* page);
    void ShowInsteadOf(CWizardPage* shown, CWizardPage* hidden);
    void Notify(MessageEvent event);

    CMailDoc* m_doc;
    CMainDlg* m_parent;
    int m_current = 0;
    int m_closeAfterSend = 0;
    int m_previewAtSend = 0;
    std::array<CWizardPage*, kPageCount> m_pages{};
    std::vector<std::unique_ptr<CWizardPage>> m_owned;  // in creation order
    CWizardPage* m_currentPage = nullptr;
    std::unique_ptr<CMailImport> m_mailImport;
    QString m_title;
    int m_ended = 0;
};
