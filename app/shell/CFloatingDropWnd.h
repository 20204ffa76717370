#pragma once
// Dialog 187: the floating drop window, a small tool window with the program icon and
// "表示" (1150). It stands in for a page: a mail dragged onto it goes to that page as if
// dropped there (the popup of the drop shows here; its command, like a command key of
// accelerator table 184, goes to the page, which is shown again); "表示" shows the page
// again and hides this window.

#include <QDialog>
#include <QPointer>

class CWizardPage;

class CFloatingDropWnd : public QDialog {
    Q_OBJECT
public:
    enum { IDD = 187, IDC_SHOW = 1150 };

    CFloatingDropWnd();

    // Remembers `page`, shows this window and hides the page. The first time the window is
    // placed with its bottom-right corner on the page's.
    void ShowFor(CWizardPage* page);
    // Shows the remembered page again, hides this window and forgets the page.
    void OnShowPage();
    CWizardPage* GetPage() const { return m_page; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void reject() override;

private:
    QPointer<CWizardPage> m_page;
    bool m_placed = false;
};
