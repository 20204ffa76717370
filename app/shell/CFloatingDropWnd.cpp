#include "shell/CFloatingDropWnd.h"

#include "res/ProgramIcon.h"
#include "shell/CWizardPage.h"
#include "command/CommandIds.h"

#include <QBoxLayout>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>

CFloatingDropWnd::CFloatingDropWnd() : QDialog(nullptr, Qt::Tool | Qt::WindowStaysOnTopHint)
{
    SetControlId(this, IDD);
    setWindowTitle(QStringLiteral(u"Quillon"));
    setWindowIcon(ProgramIcon());
    setAcceptDrops(true);
    setToolTip(QStringLiteral(u"ここにOutlook ExpressやThunderbirdのメールメッセージをドラッグしてください。"));
    auto* layout = new QHBoxLayout(this);
    auto* icon = new QLabel(this);
    icon->setPixmap(ProgramIcon().pixmap(32, 32));
    layout->addWidget(icon);
    auto* show = new QPushButton(QStringLiteral(u"表示"), this);
    SetControlId(show, IDC_SHOW);
    show->setDefault(true);
    layout->addWidget(show);
    connect(show, &QPushButton::clicked, this, &CFloatingDropWnd::OnShowPage);
    adjustSize();
}

void CFloatingDropWnd::ShowFor(CWizardPage* page)
{
    m_page = page;
    show();  // first, so that its frame is known
    if (!m_placed && page != nullptr) {
        QRect mine = frameGeometry();
        mine.moveBottomRight(page->frameGeometry().bottomRight());
        move(mine.topLeft());
        m_placed = true;
    }
    raise();
    activateWindow();
    if (page != nullptr)
        page->HidePage();
}

void CFloatingDropWnd::OnShowPage()
{
    QPointer<CWizardPage> page = m_page;
    hide();
    m_page = nullptr;
    if (page != nullptr) {
        page->show();
        page->raise();
        page->activateWindow();
    }
}

void CFloatingDropWnd::reject()
{
    OnShowPage();
}

void CFloatingDropWnd::keyPressEvent(QKeyEvent* event)
{
    if (m_page != nullptr) {
        if (const UINT id = m_page->TranslatePageKey(*event)) {
            QPointer<CWizardPage> page = m_page;
            OnShowPage();
            if (page != nullptr)
                page->OnCommand(id);
            return;
        }
    }
    QDialog::keyPressEvent(event);
}

void CFloatingDropWnd::dragEnterEvent(QDragEnterEvent* event)
{
    if (m_page != nullptr && m_page->CanAcceptMail(event->mimeData()))
        event->acceptProposedAction();
}

void CFloatingDropWnd::dropEvent(QDropEvent* event)
{
    if (m_page == nullptr || !m_page->TakeMail(event->mimeData()))
        return;
    event->acceptProposedAction();
    // The popup belongs to this window; its command goes to the page, which is shown again,
    // as with a command key.
    QPointer<CWizardPage> page = m_page;
    const UINT id = page->ChooseMailCommand(mapToGlobal(event->position().toPoint()), this);
    if (id == 0 || page == nullptr)
        return;
    if (m_page == page)
        OnShowPage();
    page->OnCommand(id);
}
