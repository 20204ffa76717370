#pragma once
// What the program's tests share: a fresh data folder and settings file, the databases made,
// the Qt user interface installed with scripted message boxes on top, and a wizard whose
// end of program and preview are recorded instead of run.

#include "MessageBoxScript.h"
#include "QtTestApp.h"
#include "TempDataFolder.h"

#include "shell/CMailWizard.h"
#include "shell/CMainDlg.h"
#include "shell/CShellToolWindows.h"
#include "shell/CWizardPage.h"
#include "command/CProfile.h"
#include "command/CQtPlatformUi.h"
#include "command/CommandIds.h"
#include "data/CAccountSet.h"
#include "data/CCurrentAccountSet.h"
#include "data/CDataStore.h"
#include "model/CMailDoc.h"

#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

// The Qt user interface, installed for the life of the object.
struct InstalledQtUi {
    InstalledQtUi() { CPlatformUi::Set(&ui); }
    CQtPlatformUi ui;  // uninstalls itself when destroyed
};

class WizardTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        CProfile::Reset();
        ASSERT_TRUE(theDataStore.CreateDatabases());
        theDataStore.SetToolWindows(std::make_unique<CShellToolWindows>());
        doc.reset(CMailDoc::Create());
        main = std::make_unique<CMainDlg>();
    }
    void TearDown() override
    {
        if (main) main->SetWizard(nullptr);
        wizard.reset();
        doc.reset();
        main.reset();
        theDataStore.DestroyToolWindows();
        CProfile::Reset();
    }

    // Creates and starts the wizard; false when creation failed.
    bool MakeWizard()
    {
        wizard = CMailWizard::Create(doc.get(), main.get());
        if (!wizard) return false;
        wizard->quit = [this](int code) { quits.push_back(code); };
        wizard->runPreview = [this](QWidget*, int withSend) {
            previews.push_back(withSend);
            return previewAnswer;
        };
        main->SetWizard(wizard.get());
        wizard->Start();
        return true;
    }
    void DestroyWizard()
    {
        main->SetWizard(nullptr);
        wizard.reset();
    }

    // An account row, made the default sender; returns its id.
    long AddAccount(const char* mail, const char* server = "127.0.0.1", long port = 25, const char* name = "山田 太郎")
    {
        CAccountSet accounts;
        EXPECT_TRUE(accounts.Open());
        long id = 0;
        EXPECT_TRUE(accounts.Add(name, mail, server, port, 0, "", "", "", id));
        CCurrentAccountSet current;
        EXPECT_TRUE(current.Open());
        current.accountId = id;
        current.setToBcc = 0;
        EXPECT_TRUE(current.Save());
        return id;
    }

    CWizardPage* Page(int index) const { return wizard->GetPageAt(index); }
    CWizardPage* Current() const { return wizard->GetCurrentPage(); }
    void Command(UINT id) { Current()->OnCommand(id); }
    void TypeSubject(const QString& text) { Current()->GetSubjectEdit()->setText(text); }

    TempDataFolder home;
    InstalledQtUi qtUi;
    MessageBoxScript boxes;
    std::unique_ptr<CMailDoc> doc;
    std::unique_ptr<CMainDlg> main;
    std::unique_ptr<CMailWizard> wizard;
    std::vector<int> quits;
    std::vector<int> previews;
    int previewAnswer = IDOK;
};
