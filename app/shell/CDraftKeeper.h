#pragma once
// Keeps the draft of the message being composed (docs/PLATFORM.md "Drafts"): written at most
// kLatestMs after the first unsaved change and kIdleMs after the last one, on every page
// change, before a send and when the desktop session ends; removed when the message is sent
// or discarded; offered at the next start when the run ended otherwise.
//
// It works at the level of the wizard and the page base only: the current page's
// StoreToDocument, then the document and each page's SaveDraftState go into the draft; a
// restore loads the document, lets every page LoadFromDocument and RestoreDraftState, and
// stores every page once more, as if the user had walked through them.
//
// While a modal dialog is open, during a send and inside its own save, the page is not asked
// to store itself (the document must not change under a send or a question); the draft then
// takes the document as it stands and the pages' states.

#include "model/CPath.h"
#include "shell/CDraftStore.h"
#include "shell/CMailWizard.h"

#include <QObject>
#include <QTimer>

#include <string>

class CMailDoc;
class QSessionManager;
class QWidget;

class CDraftKeeper : public QObject {
    Q_OBJECT
public:
    static constexpr int kIdleMs = 700;
    static constexpr int kLatestMs = 2000;

    CDraftKeeper(CMailDoc* doc, CMailWizard* wizard, const CPath& dataFolder);
    ~CDraftKeeper() override;

    // Opens this instance's draft and removes what ended runs left under TEMP; follows the
    // wizard from now on. 0 when drafts cannot be kept (the program works on without).
    int Open();

    // At start, before the wizard is started: each draft of a run that has ended, newest
    // first, is offered ("前回作成中のメールがあります。復元しますか？"); Yes restores it and
    // returns the name of the page it was on, No deletes it. Empty when nothing was restored.
    std::string OfferRestore(QWidget* parent = nullptr);

    // Writes the draft now, when the message holds anything worth keeping; 0 when writing
    // failed.
    int SaveNow();
    // The user changed something: a save is scheduled.
    void OnChanged();

    CDraftStore& GetStore() { return m_store; }
    // Drafts written so far (tests).
    int GetSaveCount() const { return m_saves; }

private:
    void OnMessageEvent(CMailWizard::MessageEvent event);
    void OnCommitData(QSessionManager& manager);
    void WatchPages();
    std::string Serialize();

    CMailDoc* m_doc;
    CMailWizard* m_wizard;
    CDraftStore m_store;
    QTimer m_idle;
    QTimer m_latest;
    std::string m_written;  // the bytes of the last draft written
    int m_sending = 0;
    int m_saving = 0;
    int m_saves = 0;
};
