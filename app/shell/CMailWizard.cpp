#include "shell/CMailWizard.h"

#include "import/CMailImport.h"
#include "pages/CAddressPage.h"
#include "pages/CBodyPage.h"
#include "pages/CLetterPage.h"
#include "pages/CPreviewDlg.h"
#include "pages/PreviewRules.h"
#include "shell/CMainDlg.h"
#include "shell/CPageOrderDlg.h"
#include "shell/CSendErrorDlg.h"
#include "shell/CWizardPage.h"
#include "shell/WindowPlacement.h"
#include "command/CProfile.h"
#include "command/CQtPlatformUi.h"
#include "command/QtText.h"
#include "command/QtWindow.h"
#include "data/CEditSettingSet.h"
#include "data/CWindowPosSet.h"
#include "model/CMailDoc.h"
#include "smtp/CMailSendRecv.h"
#include "smtp/CProgressCallback.h"
#include "writer/CCharsetCheck.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>

#include <algorithm>
#include <cstring>

std::unique_ptr<CMailWizard> CMailWizard::Create(CMailDoc* doc, CMainDlg* parent)
{
    std::unique_ptr<CMailWizard> wizard(new CMailWizard(doc, parent));
    if (!wizard->Init())
        return nullptr;
    return wizard;
}

CMailWizard::CMailWizard(CMailDoc* doc, CMainDlg* parent)
    : m_doc(doc), m_parent(parent), m_mailImport(std::make_unique<CMailImport>(doc)), m_title(QStringLiteral(u"新規メール"))
{
    runPreview = [this](QWidget* owner, int withSend) {
        CPreviewDlg dialog(m_doc, owner, withSend);
        return dialog.exec() == QDialog::Accepted ? IDOK : IDCANCEL;
    };
    quit = [](int exitCode) { QCoreApplication::exit(exitCode); };
}

CMailWizard::~CMailWizard()
{
    SaveWindowPosition();
    m_currentPage = nullptr;
    m_pages.fill(nullptr);
    m_owned.clear();
}

int CMailWizard::Init()
{
    LoadFlags();
    m_owned.push_back(std::make_unique<CBodyPage>(m_doc, this));
    m_owned.push_back(std::make_unique<CLetterPage>(m_doc, this));
    m_owned.push_back(std::make_unique<CAddressPage>(m_doc, this));
    for (int i = 0; i < kPageCount; ++i)
        m_pages[i] = m_owned[i].get();
    for (CWizardPage* page : m_pages) {
        if (!page->CreatePage())
            return 0;
    }
    ApplyPageOrder(0);
    PlaceAtStoredPosition();
    return 1;
}

void CMailWizard::LoadFlags()
{
    CEditSettingSet settings;
    if (settings.Open() && settings.HasCurrent()) {
        m_closeAfterSend = settings.closeAfterSend;
        m_previewAtSend = settings.previewAtSend;
    }
}

void CMailWizard::SaveFlags()
{
    CEditSettingSet settings;
    if (!settings.Open())
        return;
    settings.closeAfterSend = m_closeAfterSend;
    settings.previewAtSend = m_previewAtSend;
    settings.Save();  // an engine error leaves the stored flags as they were
}

void CMailWizard::PlaceAtStoredPosition()
{
    CWindowPosSet position;
    if (!position.Open() || !position.HasCurrent())
        return;
    CWizardPage* first = m_pages[0];
    const QPoint stored(static_cast<int>(position.wizardPosX), static_cast<int>(position.wizardPosY));
    first->move(FullyVisiblePosition(stored, first->frameGeometry().size(), AvailableScreenAreas()));
}

void CMailWizard::SaveWindowPosition()
{
    if (m_pages[0] == nullptr)
        return;
    CWindowPosSet position;
    if (!position.Open())
        return;
    const QPoint topLeft = m_pages[0]->pos();
    position.wizardPosX = topLeft.x();
    position.wizardPosY = topLeft.y();
    position.Save();  // an engine error: the position is not saved
}

void CMailWizard::Start(const char* pageName)
{
    m_current = 0;
    for (int i = 0; pageName != nullptr && i < kPageCount; ++i)
        if (std::strcmp(m_pages[i]->GetPageName(), pageName) == 0)
            m_current = i;
    m_currentPage = m_pages[m_current];
    SetTitle(m_title);
    if (m_current != 0)
        m_currentPage->move(m_pages[0]->pos());
    m_currentPage->ShowPage();
    Notify(PageShown);
}

void CMailWizard::Notify(MessageEvent event)
{
    if (onMessageEvent)
        onMessageEvent(event);
}

CWizardPage* CMailWizard::GetPageAt(int index) const
{
    return index >= 0 && index < kPageCount ? m_pages[index] : nullptr;
}

CWizardPage* CMailWizard::GetPage(const char* name) const
{
    for (CWizardPage* page : m_pages) {
        if (page != nullptr && std::strcmp(page->GetPageName(), name) == 0)
            return page;
    }
    return nullptr;
}

int CMailWizard::RequestPage(const char* name, int request, const QVariant& argument)
{
    if (requestSeen)
        requestSeen(name, request, argument);
    CWizardPage* page = GetPage(name);
    return page != nullptr ? page->OnPageRequest(request, argument) : 0;
}

int CMailWizard::IsLastPage(const CWizardPage* page) const
{
    return page != nullptr && m_pages[kPageCount - 1] == page;
}

void CMailWizard::OnIdle()
{
    if (m_current >= 0 && m_current < kPageCount)
        m_pages[m_current]->OnIdle();
}

void CMailWizard::ResetAll()
{
    for (CWizardPage* page : m_pages)
        page->ResetPage();
}

void CMailWizard::ReloadAll()
{
    for (CWizardPage* page : m_pages)
        page->ReloadFromDocument();
}

void CMailWizard::SetTitle(const QString& title)
{
    m_title = title;
    if (m_parent != nullptr)
        m_parent->setWindowTitle(title);
    for (CWizardPage* page : m_pages) {
        if (page != nullptr)
            page->setWindowIconText(title);
    }
}

QString CMailWizard::GetTitle() const
{
    return m_title;
}

void CMailWizard::ApplyPageOrder(int ask)
{
    CProfile& profile = CProfile::Get();
    if (ask) {
        QStringList captions;
        for (CWizardPage* page : m_pages)
            captions << ToQString(page->GetPageCaption());
        CPageOrderDlg dialog(captions, m_currentPage);
        if (dialog.exec() != QDialog::Accepted)
            return;
        const QStringList order = dialog.GetCaptions();
        for (int i = 0; i < order.size(); ++i) {
            for (CWizardPage* page : m_pages) {
                if (ToQString(page->GetPageCaption()) == order[i])
                    profile.SetPageOrder(QString::fromLatin1(page->GetPageName()), i);
            }
        }
    }
    // Each page goes where its stored position says, its current position when the value
    // is missing or out of range. Pages that claim the same place keep their present order,
    // so the array always holds every page once.
    struct Place {
        int wanted;
        int current;
        CWizardPage* page;
    };
    std::vector<Place> places;
    for (int i = 0; i < kPageCount; ++i) {
        int wanted = profile.GetPageOrder(QString::fromLatin1(m_pages[i]->GetPageName()), i);
        if (wanted < 0 || wanted >= kPageCount)
            wanted = i;
        places.push_back({wanted, i, m_pages[i]});
    }
    std::stable_sort(places.begin(), places.end(), [](const Place& a, const Place& b) {
        return a.wanted < b.wanted;
    });
    for (int i = 0; i < kPageCount; ++i)
        m_pages[i] = places[i].page;
    for (int i = 0; i < kPageCount; ++i)
        m_pages[i]->SetPagePosition(i, kPageCount);
    if (m_currentPage != nullptr) {
        for (int i = 0; i < kPageCount; ++i)
            if (m_pages[i] == m_currentPage)
                m_current = i;
    }
}

void CMailWizard::ShowInsteadOf(CWizardPage* shown, CWizardPage* hidden)
{
    if (hidden != nullptr && hidden != shown) {
        // Moved even to the same place: a dialog never moved is centred when first shown.
        shown->move(hidden->pos());
        // Keep the height the user gave the window as well: the pages look like one window.
        if (shown->height() != hidden->height())
            shown->resize(shown->width(), hidden->height());
    }
    shown->ShowPage();
    if (hidden != nullptr && hidden != shown)
        hidden->HidePage();
}

void CMailWizard::Navigate(int direction)
{
    const int old = m_current;
    CWizardPage* oldPage = GetPageAt(old);
    switch (direction) {
    case Back: --m_current; break;
    case Next: ++m_current; break;
    default: m_current = -1; break;
    }

    if (m_current >= 0 && m_current < kPageCount) {
        ShowInsteadOf(m_pages[m_current], oldPage);
    } else if (m_current < 0) {
        if (m_doc->IsModified()) {
            if (MessageBox(oldPage, u"送信せずに閉じてもよろしいですか？"_qs, u"新規メール"_qs,
                           MB_YESNO | MB_ICONQUESTION) == IDYES) {
                if (oldPage != nullptr)
                    oldPage->HidePage();
            } else {
                m_current = old;
            }
        } else if (oldPage != nullptr) {
            oldPage->HidePage();
        }
        if (m_current < 0)
            Notify(MessageDone);
    } else {
        Send(old);
    }

    if (m_current < 0) {
        m_currentPage = nullptr;
    } else if (m_current < kPageCount) {
        m_currentPage = m_pages[m_current];
    } else if (m_closeAfterSend) {
        m_currentPage = nullptr;
    } else {
        m_doc->ClearAll();
        ResetAll();
        m_current = 0;
        m_currentPage = m_pages[0];
        SetTitle(QStringLiteral(u"新規メール"));
        if (oldPage != nullptr && oldPage != m_currentPage)
            m_currentPage->move(oldPage->pos());
        m_currentPage->ShowPage();
    }

    if (m_currentPage != nullptr)
        Notify(PageShown);
    if (m_currentPage == nullptr) {
        SaveFlags();
        m_ended = 1;
        if (quit)
            quit(0);
    }
}

int CMailWizard::ConfirmCharset(CWizardPage* page)
{
    // Characters that ISO-2022-JP cannot carry are never sent differently unannounced: the
    // preview shows them; without it the user is told here and may open it to choose.
    const std::vector<CCharsetIssue> issues = CCharsetCheck::Check(*m_doc);
    if (issues.empty())
        return 1;
    const CString question = PreviewRules::SendingQuestion(issues, m_doc->GetCharset(), m_doc->GetReplaceMode());
    switch (MessageBox(page, ToQString(question), u"送信"_qs, MB_YESNOCANCEL | MB_ICONQUESTION)) {
    case IDYES:
        return 1;
    case IDNO:
        return runPreview && runPreview(page, 1) == IDOK ? 1 : 0;
    default:
        return 0;
    }
}

void CMailWizard::Send(int old)
{
    CWizardPage* oldPage = m_pages[old];
    for (int i = 0; i < kPageCount - 1; ++i) {
        if (m_pages[i]->HasError()) {
            m_current = i;
            ShowInsteadOf(m_pages[i], oldPage);
            return;
        }
    }

    CAddress sender;
    m_doc->GetFromAddress(sender);
    if (sender.GetMailAddress().IsEmpty()) {
        MessageBox(oldPage,
                   u"差出人の設定が正しくされていません。差出人欄の右側[...]ボタンを押して設定してください。"_qs,
                   u"差出人の設定"_qs, MB_OK | MB_ICONEXCLAMATION);
        m_current = old;
        return;
    }

    if (m_previewAtSend && runPreview) {
        if (runPreview(oldPage, 1) != IDOK) {
            m_current = old;
            return;
        }
    } else if (!ConfirmCharset(oldPage)) {
        m_current = old;
        return;
    }

    Notify(Sending);
    CString detail;
    int sent = 0;
    int canceled = 0;
    {
        CProgressCallback progress("送信中", 1, ToCWnd(oldPage));
        progress.Start(m_doc->GetMailSize());
        sent = CMailSendRecv::Send(*m_doc, progress, detail);
        canceled = progress.UserCanceled();
        // Closed before any message, so that the page it disabled takes input again.
        progress.Complete();
    }
    if (sent) {
        for (CWizardPage* page : m_pages)
            page->OnMailSent();
        oldPage->HidePage();
        Notify(MessageDone);
        return;
    }
    Notify(SendFailed);
    if (canceled)
        detail = "送信を中止しました。メールは送信されていません。";
    CSendErrorDlg dialog("送信に失敗しました。", detail, oldPage);
    dialog.exec();
    m_current = old;
}
