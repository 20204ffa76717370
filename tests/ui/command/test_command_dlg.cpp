// Verifies the command dialog: idle refresh of the menu bar from the focused control, routing
// of commands to it, the paste-message hooks and accelerator table 135.

#include "QtTestApp.h"

#include "command/CAcceleratorTable.h"
#include "command/CCommandDlg.h"
#include "command/CStandardEdit.h"

#include <QAction>
#include <QClipboard>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QEventLoop>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>

#include <map>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

// Every command id routed to controls, in table order.
const std::vector<UINT> kRouted = {
    57634, 57635, 57637, 32787, 32774, 57642, 57643, 57644, 32771, 32795,
    32794, 32788, 32789, 32807, 32790, 32791, 32792, 32793, 32823,
};
const std::vector<UINT> kPasteMessage = {32783, 32784, 32785, 32786};

// A control that records which process operation ran and answers its update operations
// from a table the test sets.
class RecordingItem : public QWidget, public CUpdateCommandItem {
public:
    RecordingItem() { setFocusPolicy(Qt::StrongFocus); }

    std::vector<UINT> processed;
    std::map<UINT, int> available;

#define RECORD(name, id)                                                   \
    void Process##name() override { processed.push_back(id); }             \
    int Upadate##name() override { return available.count(id) ? available[id] : 0; }
    RECORD(EditCopy, 57634)
    RECORD(EditCut, 57635)
    RECORD(EditPaste, 57637)
    RECORD(EditPasteReplyText, 32787)
    RECORD(EditDelete, 32774)
    RECORD(EditSelectAll, 57642)
    RECORD(EditUndo, 57643)
    RECORD(EditRedo, 57644)
    RECORD(EditReconvert, 32771)
    RECORD(EditAdd, 32795)
    RECORD(EditModify, 32794)
    RECORD(FormNewSentence, 32788)
    RECORD(FormReplySentence, 32789)
    RECORD(FormLineLength, 32807)
    RECORD(FormLeftIndentAdd, 32790)
    RECORD(FormLeftIndentDelete, 32791)
    RECORD(FormRightIndentAdd, 32792)
    RECORD(FormRightIndentDelete, 32793)
    RECORD(FormBullet, 32823)
#undef RECORD
};

class TestDlg : public CCommandDlg {
public:
    TestDlg() : CCommandDlg(999, nullptr)
    {
        auto* layout = new QVBoxLayout(this);
        button = new QPushButton(u"OK"_s, this);
        item = new RecordingItem;
        edit = new CStandardEdit(this);
        layout->addWidget(button);
        layout->addWidget(item);
        layout->addWidget(edit);
        auto* bar = new QMenuBar;
        QMenu* menu = bar->addMenu(u"編集(&E)"_s);
        for (UINT id : kRouted)
            menu->addAction(CreateCommandAction(id, QString::number(id), menu));
        QMenu* paste = menu->addMenu(u"メール貼り付け"_s);
        for (UINT id : kPasteMessage)
            paste->addAction(CreateCommandAction(id, QString::number(id), paste));
        menu->addAction(CreateCommandAction(ID_EDIT_FIND, u"検索"_s, menu));
        SetMenu(bar);
    }

    void UpdateMenu() override
    {
        ++updates;
        for (UINT id : kRouted)
            UpdateMenuCommand(id);
        for (UINT id : kPasteMessage)
            UpdateMenuCommand(id);
        UpdateMenuCommand(ID_EDIT_FIND);
    }

    int IsUpdateCommandItem(const QWidget* wnd, CUpdateCommandItem*& found) override
    {
        found = nullptr;
        if (wnd == item)
            found = item;
        else if (wnd == edit)
            found = edit;
        return found != nullptr;
    }

    void ProcessEditPasteInternetMessage(UINT id) override { pasted.push_back(id); }
    int UpadateEditPasteInternetMessage() override { return pasteAvailable; }

    void OnCommand(UINT id) override
    {
        commands.push_back(id);
        ProcessMenuCommand(id);
    }

    bool Enabled(UINT id) const { return FindCommandAction(GetMenu(), id)->isEnabled(); }

    QPushButton* button;
    RecordingItem* item;
    CStandardEdit* edit;
    int updates = 0;
    int pasteAvailable = 0;
    std::vector<UINT> pasted;
    std::vector<UINT> commands;
};

void ShowAndFocus(TestDlg& dlg, QWidget* focus)
{
    dlg.show();
    dlg.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dlg));
    focus->setFocus();
    ASSERT_EQ(QApplication::focusWidget(), focus);
}

// Lets the event loop go idle (block) at least once, which runs the idle refresh.
// QTest::qWait never blocks, so a real loop is run.
void Idle()
{
    QEventLoop loop;
    QTimer::singleShot(20, &loop, &QEventLoop::quit);
    loop.exec();
}

}  // namespace

TEST(CommandDlg, FocusOnButtonGreysEveryRoutedItemAndIgnoresCommands)
{
    TestDlg dlg;
    for (UINT id : kRouted)
        dlg.item->available[id] = 1;
    ShowAndFocus(dlg, dlg.item);
    Idle();
    for (UINT id : kRouted)
        EXPECT_TRUE(dlg.Enabled(id)) << id;

    dlg.button->setFocus();
    Idle();
    for (UINT id : kRouted) {
        EXPECT_FALSE(dlg.Enabled(id)) << id;
        dlg.ProcessMenuCommand(id);
    }
    for (UINT id : kPasteMessage)
        EXPECT_FALSE(dlg.Enabled(id)) << "default hook greys " << id;
    EXPECT_TRUE(dlg.item->processed.empty());
}

TEST(CommandDlg, FocusedItemDecidesEachItemAndReceivesEachCommand)
{
    TestDlg dlg;
    // Alternate available and unavailable, so a shifted table shows up.
    for (size_t i = 0; i < kRouted.size(); ++i)
        dlg.item->available[kRouted[i]] = i % 2 == 0 ? 1 : 0;
    ShowAndFocus(dlg, dlg.item);
    Idle();
    for (size_t i = 0; i < kRouted.size(); ++i)
        EXPECT_EQ(dlg.Enabled(kRouted[i]), i % 2 == 0) << kRouted[i];

    for (UINT id : kRouted)
        dlg.ProcessMenuCommand(id);
    EXPECT_EQ(dlg.item->processed, kRouted);

    // Turning the answers round is seen on the next idle pass.
    for (size_t i = 0; i < kRouted.size(); ++i)
        dlg.item->available[kRouted[i]] = i % 2 == 0 ? 0 : 1;
    Idle();
    for (size_t i = 0; i < kRouted.size(); ++i)
        EXPECT_EQ(dlg.Enabled(kRouted[i]), i % 2 != 0) << kRouted[i];
}

TEST(CommandDlg, PasteMessageCommandsFollowTheDialogHook)
{
    TestDlg dlg;
    for (UINT id : kRouted)
        dlg.item->available[id] = 1;
    ShowAndFocus(dlg, dlg.item);
    Idle();
    for (UINT id : kPasteMessage)
        EXPECT_FALSE(dlg.Enabled(id)) << id;

    dlg.pasteAvailable = 1;
    dlg.button->setFocus();
    Idle();
    for (UINT id : kPasteMessage)
        EXPECT_TRUE(dlg.Enabled(id)) << id;

    for (UINT id : kPasteMessage)
        dlg.ProcessMenuCommand(id);
    EXPECT_EQ(dlg.pasted, kPasteMessage);
    dlg.item->setFocus();
    dlg.ProcessMenuCommand(32784);
    EXPECT_EQ(dlg.pasted.back(), 32784u);
    EXPECT_TRUE(dlg.item->processed.empty());
}

TEST(CommandDlg, IdAbsentFromTheTableIsGreyedAndIgnored)
{
    TestDlg dlg;
    for (UINT id : kRouted)
        dlg.item->available[id] = 1;
    ShowAndFocus(dlg, dlg.item);
    FindCommandAction(dlg.GetMenu(), ID_EDIT_FIND)->setEnabled(true);
    dlg.UpdateMenuCommand(ID_EDIT_FIND);
    EXPECT_FALSE(dlg.Enabled(ID_EDIT_FIND));
    dlg.ProcessMenuCommand(ID_EDIT_FIND);
    dlg.ProcessMenuCommand(12345);
    EXPECT_TRUE(dlg.item->processed.empty());
    EXPECT_TRUE(dlg.pasted.empty());
}

TEST(CommandDlg, EveryAcceleratorOfTable135ReachesItsCommand)
{
    const CAcceleratorTable* table = CAcceleratorTable::Load(IDR_ACCELERATOR);
    ASSERT_NE(table, nullptr);
    ASSERT_EQ(table->Entries().size(), 26u);
    EXPECT_EQ(CAcceleratorTable::Load(136), nullptr);

    TestDlg dlg;
    for (UINT id : kRouted)
        dlg.item->available[id] = 1;
    dlg.pasteAvailable = 1;
    ShowAndFocus(dlg, dlg.item);

    struct Key {
        Qt::KeyboardModifiers modifiers;
        Qt::Key key;
        UINT command;
    };
    const Qt::KeyboardModifiers ctrl = Qt::ControlModifier;
    const Qt::KeyboardModifiers shift = Qt::ShiftModifier;
    const Key keys[] = {
        {ctrl, Qt::Key_1, 32788},         {ctrl, Qt::Key_2, 32789},
        {ctrl, Qt::Key_A, 57642},         {ctrl, Qt::Key_B, 32823},
        {ctrl, Qt::Key_C, 57634},         {ctrl, Qt::Key_D, 32785},
        {ctrl, Qt::Key_F, 57636},         {ctrl | shift, Qt::Key_F, 32784},
        {ctrl, Qt::Key_M, 32794},         {ctrl, Qt::Key_N, 32795},
        {ctrl, Qt::Key_O, 57601},         {ctrl | shift, Qt::Key_P, 32779},
        {ctrl, Qt::Key_R, 32783},         {ctrl, Qt::Key_S, 57603},
        {ctrl, Qt::Key_V, 57637},         {ctrl | shift, Qt::Key_V, 32787},
        {Qt::AltModifier, Qt::Key_Backspace, 57643},
        {Qt::NoModifier, Qt::Key_Delete, 32774},
        {shift, Qt::Key_Delete, 57635},   {Qt::NoModifier, Qt::Key_F5, 32804},
        {ctrl, Qt::Key_Insert, 57634},    {shift, Qt::Key_Insert, 57637},
        {ctrl, Qt::Key_Left, 32803},      {ctrl, Qt::Key_Right, 32802},
        {ctrl, Qt::Key_W, 32819},         {ctrl, Qt::Key_X, 57635},
    };
    std::vector<UINT> expected;
    for (const Key& key : keys) {
        QTest::keyClick(dlg.item, key.key, key.modifiers);
        // 57636 is on this menu and greyed (nothing routes it): its key is swallowed.
        if (key.command != ID_EDIT_FIND)
            expected.push_back(key.command);
    }
    EXPECT_EQ(dlg.commands, expected);

    // The routed ones arrived at the item: Ctrl+X and Shift+Delete both cut, Ctrl+C and
    // Ctrl+Insert both copy, Ctrl+V and Shift+Insert both paste.
    const std::vector<UINT> routed = {32788, 32789, 57642, 32823, 57634, 32794, 32795, 57637,
                                      32787, 57643, 32774, 57635, 57634, 57637, 57635};
    EXPECT_EQ(dlg.item->processed, routed);
    EXPECT_EQ(dlg.pasted, (std::vector<UINT>{32785, 32784, 32783}));

    // Keys outside the table, and extra modifiers, are left to the control.
    dlg.commands.clear();
    QTest::keyClick(dlg.item, Qt::Key_C);
    QTest::keyClick(dlg.item, Qt::Key_C, ctrl | Qt::AltModifier);
    QTest::keyClick(dlg.item, Qt::Key_Z, ctrl);
    EXPECT_TRUE(dlg.commands.empty());
}

TEST(CommandDlg, AcceleratorOfAGreyedMenuItemIsSwallowed)
{
    TestDlg dlg;
    dlg.edit->setText(u"宛先"_s);
    ShowAndFocus(dlg, dlg.edit);
    dlg.edit->setReadOnly(true);
    dlg.edit->selectAll();
    QTest::keyClick(dlg.edit, Qt::Key_X, Qt::ControlModifier);
    EXPECT_TRUE(dlg.commands.empty()) << "Cut is greyed in a read-only edit";
    EXPECT_EQ(dlg.edit->text(), u"宛先"_s);
    EXPECT_FALSE(dlg.Enabled(ID_EDIT_CUT));

    QApplication::clipboard()->clear();
    QTest::keyClick(dlg.edit, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(dlg.commands, std::vector<UINT>{ID_EDIT_COPY});
    EXPECT_EQ(QApplication::clipboard()->text(), u"宛先"_s);
}

TEST(CommandDlg, AcceleratorWinsOverAShortcutOfAMenuAction)
{
    TestDlg dlg;
    dlg.item->available[ID_EDIT_COPY] = 1;
    int triggered = 0;
    QAction* copy = FindCommandAction(dlg.GetMenu(), ID_EDIT_COPY);
    copy->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
    copy->setShortcutContext(Qt::WindowShortcut);
    QObject::connect(copy, &QAction::triggered, [&] { ++triggered; });
    ShowAndFocus(dlg, dlg.item);
    QTest::keyClick(dlg.item, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(dlg.commands, std::vector<UINT>{ID_EDIT_COPY});
    EXPECT_EQ(dlg.item->processed, std::vector<UINT>{ID_EDIT_COPY});
    EXPECT_EQ(triggered, 0);
}

TEST(CommandDlg, NoIdleUpdateBeforeInitialisationOrWhileHidden)
{
    TestDlg dlg;
    EXPECT_EQ(dlg.IsInitialized(), 0);
    dlg.OnIdle();
    Idle();
    EXPECT_EQ(dlg.updates, 0);

    EXPECT_EQ(dlg.Create(nullptr), 1);
    EXPECT_EQ(dlg.IsInitialized(), 1);
    dlg.OnIdle();
    Idle();
    EXPECT_EQ(dlg.updates, 0) << "created but hidden";

    dlg.show();
    Idle();
    EXPECT_GT(dlg.updates, 0);

    dlg.hide();
    dlg.updates = 0;
    Idle();
    dlg.OnIdle();
    EXPECT_EQ(dlg.updates, 0);
}

TEST(CommandDlg, InitialisationRunsOnceBeforeTheFirstShow)
{
    class CountingDlg : public TestDlg {
    public:
        int OnInitDialog() override
        {
            ++inits;
            visibleAtInit = isVisible();
            return TestDlg::OnInitDialog();
        }
        int inits = 0;
        bool visibleAtInit = true;
    } dlg;
    dlg.show();
    dlg.hide();
    dlg.show();
    EXPECT_EQ(dlg.inits, 1);
    EXPECT_FALSE(dlg.visibleAtInit);
}

TEST(CommandDlg, ToolTipsTakeCodePage932Text)
{
    TestDlg dlg;
    EXPECT_EQ(dlg.AddToolTip(dlg.button, "字下げを削除"), 1);
    EXPECT_EQ(dlg.button->toolTip(), u"字下げを削除"_s);
    EXPECT_EQ(dlg.AddToolTip(nullptr, "x"), 0);
}

TEST(CommandDlg, MenuAndButtonCommandsArriveAtOnCommand)
{
    TestDlg dlg;
    dlg.item->available[ID_EDIT_SELECT_ALL] = 1;
    ShowAndFocus(dlg, dlg.item);
    Idle();
    FindCommandAction(dlg.GetMenu(), ID_EDIT_SELECT_ALL)->trigger();
    auto* indent = new QPushButton(u"字下げを追加"_s, &dlg);
    indent->setFocusPolicy(Qt::NoFocus);
    dlg.BindCommandButton(indent, ID_FORM_LEFT_INDENT_ADD);
    indent->click();
    EXPECT_EQ(dlg.commands, (std::vector<UINT>{ID_EDIT_SELECT_ALL, ID_FORM_LEFT_INDENT_ADD}));
    EXPECT_EQ(dlg.item->processed,
              (std::vector<UINT>{ID_EDIT_SELECT_ALL, ID_FORM_LEFT_INDENT_ADD}));
    EXPECT_EQ(GetCommandId(indent), static_cast<UINT>(ID_FORM_LEFT_INDENT_ADD));
}

TEST(CommandDlg, ControlsEnableItemsOfTheirOwnContextMenus)
{
    RecordingItem item;
    QMenu menu;
    QMenu* sub = menu.addMenu(u"sub"_s);
    QAction* add = CreateCommandAction(ID_EDIT_ADD, u"追加(&N)"_s, &menu);
    QAction* remove = CreateCommandAction(ID_EDIT_DELETE, u"削除(&D)"_s, sub);
    menu.addAction(add);
    sub->addAction(remove);
    item.EnableMenuItem(&menu, ID_EDIT_ADD, 0);
    item.EnableMenuItem(&menu, ID_EDIT_DELETE, 0);
    EXPECT_FALSE(add->isEnabled());
    EXPECT_FALSE(remove->isEnabled());
    item.EnableMenuItem(&menu, ID_EDIT_DELETE, 1);
    EXPECT_TRUE(remove->isEnabled());
    item.EnableMenuItem(nullptr, ID_EDIT_DELETE, 0);
    item.EnableMenuItem(&menu, 4711, 0);
    EXPECT_TRUE(remove->isEnabled());
}
