// Verifies the Alt keys of every page of the real wizard: no menu title shares its letter
// with another menu title or with a control of the page (Qt makes a shared letter ambiguous:
// the menu cannot be reached and the control takes two presses), no two controls of a page
// share one, Alt+K opens the ツール menu and Alt+T presses the page's template button.
#include "WizardTestKit.h"

#include "Keys.h"
#include "Modal.h"

#include "pages/CAddressPage.h"
#include "pages/CBodyPage.h"
#include "pages/CLetterPage.h"

#include <QAbstractButton>
#include <QAction>
#include <QGroupBox>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

#include <map>

using namespace Qt::StringLiterals;

namespace {

// The Alt key a text's "&" gives ("&&" is a plain ampersand), or 0.
int MnemonicKey(const QString& text)
{
    const QKeySequence key = QKeySequence::mnemonic(text);
    return key.isEmpty() ? 0 : key[0].key();
}

struct Mnemonic {
    QString owner;  // the text that carries it
    bool menu;      // a title of the menu bar
};

// Every mnemonic of a shown page: the menu titles and each visible control that takes an
// Alt key (buttons and check boxes, labels with a buddy, group boxes). Disabled controls
// count too: they take their key as soon as they are enabled.
std::multimap<int, Mnemonic> PageMnemonics(CWizardPage* page)
{
    std::multimap<int, Mnemonic> keys;
    for (QAction* title : page->GetMenu()->actions())
        if (const int key = MnemonicKey(title->text()))
            keys.insert({key, {title->text(), true}});
    for (QWidget* widget : page->findChildren<QWidget*>()) {
        if (!widget->isVisibleTo(page))
            continue;
        QString text;
        if (auto* button = qobject_cast<QAbstractButton*>(widget))
            text = button->text();
        else if (auto* label = qobject_cast<QLabel*>(widget); label != nullptr && label->buddy() != nullptr)
            text = label->text();
        else if (auto* group = qobject_cast<QGroupBox*>(widget))
            text = group->title();
        if (const int key = MnemonicKey(text))
            keys.insert({key, {text, false}});
    }
    return keys;
}

QMenu* ToolsMenu(CWizardPage* page)
{
    QAction* action = FindCommandAction(page->GetMenu(), CWizardPage::ID_ADDRESS_BOOK);
    return action != nullptr ? qobject_cast<QMenu*>(action->parent()) : nullptr;
}

void Activate(CWizardPage* page)
{
    page->show();
    page->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(page));
}

}  // namespace

TEST_F(WizardTest, NoPageSharesAnAltKeyBetweenItsMenusAndControls)
{
    ASSERT_TRUE(MakeWizard());
    for (int index = 0; index < CMailWizard::kPageCount; ++index) {
        CWizardPage* page = Page(index);
        SCOPED_TRACE(page->GetPageName());
        page->show();
        const std::multimap<int, Mnemonic> keys = PageMnemonics(page);
        // Each page has its designed controls with keys beside the six menu titles.
        EXPECT_GE(keys.size(), 10u);
        int titles = 0;
        for (auto it = keys.begin(); it != keys.end(); it = keys.upper_bound(it->first)) {
            const auto [first, last] = keys.equal_range(it->first);
            QStringList owners;
            bool menu = false;
            for (auto k = first; k != last; ++k) {
                owners << k->second.owner;
                menu = menu || k->second.menu;
                titles += k->second.menu ? 1 : 0;
            }
            // Unique on the page, for the menu titles as for the controls: every key the page
            // has now is either a designed text or ours, and no designed pair clashes.
            EXPECT_EQ(owners.size(), 1) << QKeySequence(it->first | Qt::AltModifier).toString().toStdString()
                                        << (menu ? " (a menu title)" : "") << ": "
                                        << owners.join(u" / "_s).toStdString();
        }
        EXPECT_EQ(titles, 6);
        page->hide();
    }
}

TEST_F(WizardTest, AltKOpensTheToolsMenuAndAltTPressesThePageTemplateButton)
{
    ASSERT_TRUE(MakeWizard());
    // The button and the caption of the dialog it opens.
    const std::map<std::string, std::pair<int, QString>> templateButtons = {
        {"Address", {CAddressPage::IDC_TEMPLATE_DIALOG, u"宛先定型"_s}},
        {"Letter", {CLetterPage::IDC_TEMPLATE, u"文面定型"_s}},
        {"Body", {CBodyPage::IDC_PHRASE_EDIT, u"定型文"_s}},
    };
    for (int index = 0; index < CMailWizard::kPageCount; ++index) {
        CWizardPage* page = Page(index);
        SCOPED_TRACE(page->GetPageName());
        for (int other = 0; other < CMailWizard::kPageCount; ++other)
            if (other != index)
                Page(other)->hide();
        Activate(page);
        page->GetSubjectEdit()->setFocus();

        // Alt+K: the ツール menu drops down at once.
        QMenu* tools = ToolsMenu(page);
        ASSERT_NE(tools, nullptr);
        EXPECT_EQ(tools->title(), u"ツール(&K)"_s);
        QTest::keyClick(page->GetSubjectEdit(), Qt::Key_K, Qt::AltModifier);
        EXPECT_TRUE(QTest::qWaitFor([tools] { return tools->isVisible(); }, 2000));
        // Esc closes it, and a second Esc leaves the menu bar.
        QTest::keyClick(tools, Qt::Key_Escape);
        QTest::keyClick(page->GetMenu(), Qt::Key_Escape);
        EXPECT_TRUE(QTest::qWaitFor([tools] { return !tools->isVisible(); }, 2000));
        Activate(page);

        // Alt+T: one press runs the template button, which opens its dialog.
        const auto [buttonId, caption] = templateButtons.at(page->GetPageName());
        auto* button = qobject_cast<QAbstractButton*>(GetDlgItem(page, buttonId));
        ASSERT_NE(button, nullptr);
        ASSERT_TRUE(button->isEnabled());
        QString opened;
        OnNextModal<QDialog>([&opened](QDialog* dialog) {
            opened = dialog->windowTitle();
            dialog->reject();
        });
        QWidget* focused = QApplication::focusWidget();
        QTest::keyClick(focused != nullptr ? focused : page, Qt::Key_T, Qt::AltModifier);
        EXPECT_TRUE(QTest::qWaitFor([&opened] { return !opened.isEmpty(); }, 5000));
        EXPECT_EQ(opened, caption);
        EXPECT_TRUE(boxes.boxes.empty());
    }
}
