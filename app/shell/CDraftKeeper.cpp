#include "shell/CDraftKeeper.h"

#include "shell/CWizardPage.h"
#include "command/CQtPlatformUi.h"
#include "command/QtText.h"
#include "model/CMailDoc.h"
#include "model/CMailDraft.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextDocument>
#include <QTextEdit>
#if QT_CONFIG(sessionmanager)
#include <QSessionManager>
#endif

namespace {

const char kWatched[] = "quillonDraftWatched";
const char kWizardRecord[] = "wizard";

std::string FieldOf(const std::vector<CDraftRecord>& records, const char* name)
{
    for (const CDraftRecord& record : records)
        if (record.name == name && record.fields.size() == 1)
            return record.fields[0];
    return std::string();
}

}  // namespace

CDraftKeeper::CDraftKeeper(CMailDoc* doc, CMailWizard* wizard, const CPath& dataFolder)
    : m_doc(doc), m_wizard(wizard), m_store(dataFolder)
{
    for (QTimer* timer : {&m_idle, &m_latest}) {
        timer->setSingleShot(true);
        connect(timer, &QTimer::timeout, this, [this] { SaveNow(); });
    }
}

CDraftKeeper::~CDraftKeeper()
{
    if (m_wizard != nullptr)
        m_wizard->onMessageEvent = nullptr;
}

int CDraftKeeper::Open()
{
    if (!m_store.Open())
        return 0;
    CPath temp;
    m_doc->GetTempPathA(temp);
    m_store.CleanUp({temp.Native()});
    m_wizard->onMessageEvent = [this](CMailWizard::MessageEvent event) { OnMessageEvent(event); };
#if QT_CONFIG(sessionmanager)
    // A logout or shutdown: the draft is written without a question, and offered at the next
    // start.
    if (qGuiApp != nullptr)
        connect(qGuiApp, &QGuiApplication::commitDataRequest, this, &CDraftKeeper::OnCommitData,
                Qt::DirectConnection);
#endif
    WatchPages();
    return 1;
}

void CDraftKeeper::OnCommitData(QSessionManager&)
{
    SaveNow();
}

void CDraftKeeper::WatchPages()
{
    for (int i = 0; i < CMailWizard::kPageCount; ++i) {
        CWizardPage* page = m_wizard->GetPageAt(i);
        if (page == nullptr)
            continue;
        if (!page->property(kWatched).toBool()) {
            page->setProperty(kWatched, true);
            connect(page, &CWizardPage::Changed, this, &CDraftKeeper::OnChanged);
        }
        // Controls a page makes later are taken up at the next page change.
        for (QWidget* widget : page->findChildren<QWidget*>()) {
            if (widget->property(kWatched).toBool())
                continue;
            widget->setProperty(kWatched, true);
            if (auto* line = qobject_cast<QLineEdit*>(widget)) {
                connect(line, &QLineEdit::textChanged, this, &CDraftKeeper::OnChanged);
            } else if (auto* text = qobject_cast<QTextEdit*>(widget)) {
                connect(text->document(), &QTextDocument::contentsChanged, this, &CDraftKeeper::OnChanged);
            } else if (auto* plain = qobject_cast<QPlainTextEdit*>(widget)) {
                connect(plain, &QPlainTextEdit::textChanged, this, &CDraftKeeper::OnChanged);
            } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
                connect(combo, &QComboBox::currentIndexChanged, this, &CDraftKeeper::OnChanged);
            } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
                if (button->isCheckable())
                    connect(button, &QAbstractButton::toggled, this, &CDraftKeeper::OnChanged);
            } else if (auto* view = qobject_cast<QAbstractItemView*>(widget)) {
                if (QAbstractItemModel* model = view->model()) {
                    connect(model, &QAbstractItemModel::rowsInserted, this, &CDraftKeeper::OnChanged);
                    connect(model, &QAbstractItemModel::rowsRemoved, this, &CDraftKeeper::OnChanged);
                    connect(model, &QAbstractItemModel::rowsMoved, this, &CDraftKeeper::OnChanged);
                    connect(model, &QAbstractItemModel::dataChanged, this, &CDraftKeeper::OnChanged);
                    connect(model, &QAbstractItemModel::modelReset, this, &CDraftKeeper::OnChanged);
                }
            }
        }
    }
}

void CDraftKeeper::OnChanged()
{
    if (!m_store.IsOpen())
        return;
    if (!m_latest.isActive())
        m_latest.start(kLatestMs);
    m_idle.start(kIdleMs);
}

void CDraftKeeper::OnMessageEvent(CMailWizard::MessageEvent event)
{
    switch (event) {
    case CMailWizard::PageShown:
        WatchPages();
        SaveNow();
        break;
    case CMailWizard::Sending:
        SaveNow();
        m_sending = 1;
        break;
    case CMailWizard::SendFailed:
        m_sending = 0;  // the draft stays
        break;
    case CMailWizard::MessageDone:
        m_sending = 0;
        m_idle.stop();
        m_latest.stop();
        m_store.Remove();
        m_written.clear();
        break;
    }
}

std::string CDraftKeeper::Serialize()
{
    std::vector<CDraftRecord> extras;
    for (int i = 0; i < CMailWizard::kPageCount; ++i)
        if (CWizardPage* page = m_wizard->GetPageAt(i))
            page->SaveDraftState(extras);
    if (const CWizardPage* current = m_wizard->GetCurrentPage())
        extras.push_back({kWizardRecord, {current->GetPageName()}});
    return CMailDraft::Write(*m_doc, extras);
}

int CDraftKeeper::SaveNow()
{
    m_idle.stop();
    m_latest.stop();
    if (!m_store.IsOpen() || m_saving)
        return 1;
    m_saving = 1;
    // The page stores itself only where the document may change: not under a send, a
    // question or another modal dialog (the page may be half-way through an operation).
    CWizardPage* page = m_wizard->GetCurrentPage();
    if (page != nullptr && !m_sending && QApplication::activeModalWidget() == nullptr)
        page->StoreToDocument();
    int ok = 1;
    if (m_doc->IsModified() || m_store.HasDraft()) {
        std::string bytes = Serialize();
        if (bytes != m_written) {
            CString detail;
            ok = m_store.Save(bytes, detail);
            if (ok) {
                m_written = std::move(bytes);
                ++m_saves;
            }
        }
    }
    m_saving = 0;
    return ok;
}

std::string CDraftKeeper::OfferRestore(QWidget* parent)
{
    std::vector<CDraftStore::COrphan> orphans = m_store.FindOrphans();
    for (CDraftStore::COrphan& orphan : orphans) {
        std::vector<CDraftRecord> records;
        std::vector<CDraftRecord> extras;
        if (!CMailDraft::Parse(orphan.bytes, records) || !CMailDraft::IsSound(orphan.bytes)) {
            const std::string name = m_store.SetAside(orphan);
            MessageBox(parent,
                       u"前回作成中のメールの下書きが壊れていたため、復元できませんでした。\n下書きは「"_qs +
                           QString::fromUtf8(name.c_str()) + u"」という名前で残しました。"_qs,
                       u"確認"_qs, MB_OK | MB_ICONEXCLAMATION);
            continue;
        }
        QString question = u"前回作成中のメールがあります。復元しますか？"_qs;
        const std::string subject = FieldOf(records, "subject");
        if (!subject.empty())
            question += u"\n\n件名: "_qs + ToQString(CString(subject));
        if (MessageBox(parent, question, u"確認"_qs, MB_YESNO | MB_ICONQUESTION) != IDYES) {
            m_store.Discard(orphan);
            continue;
        }
        if (!CMailDraft::Read(orphan.bytes, *m_doc, extras))
            continue;
        m_store.Adopt(orphan);  // when it cannot, the old name stays and is offered again later
        m_wizard->ReloadAll();
        for (int i = 0; i < CMailWizard::kPageCount; ++i)
            m_wizard->GetPageAt(i)->RestoreDraftState(extras);
        // As if the user had walked through the pages: each page stores what it shows.
        for (int i = 0; i < CMailWizard::kPageCount; ++i)
            m_wizard->GetPageAt(i)->StoreToDocument();
        m_doc->SetModifiedFlag();
        m_written.clear();
        return FieldOf(extras, kWizardRecord);
    }
    return std::string();
}
