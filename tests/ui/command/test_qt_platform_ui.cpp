// Verifies the Qt side of the mail library's user interface: progress dialog 168 with its
// owner disabling and cancel rule, the two pumps, message boxes and the save file dialog.

#include "QtTestApp.h"

#include "command/CCommandDlg.h"
#include "command/CProgressDlg.h"
#include "command/CQtFileDialog.h"
#include "command/CQtPlatformUi.h"
#include "command/DialogUnits.h"
#include "command/QtWindow.h"
#include "encoding/CCodePage.h"

#include <QAbstractEventDispatcher>
#include <QDir>
#include <QFileDialog>
#include <QImage>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

using namespace Qt::StringLiterals;

namespace {

CProgressDlg* AsDialog(const std::unique_ptr<CProgressView>& view)
{
    return dynamic_cast<CProgressDlg*>(view.get());
}

// Runs `action` on the modal dialog that the next call opens.
void OnNextModal(std::function<void(QWidget*)> action)
{
    QTimer::singleShot(0, [action] {
        QWidget* modal = QApplication::activeModalWidget();
        ASSERT_NE(modal, nullptr);
        action(modal);
    });
}

class CountingDlg : public CCommandDlg {
public:
    CountingDlg() : CCommandDlg(997, nullptr) {}
    void UpdateMenu() override { ++updates; }
    int IsUpdateCommandItem(const QWidget*, CUpdateCommandItem*& item) override
    {
        item = nullptr;
        return 0;
    }
    int updates = 0;
};

}  // namespace

TEST(ProgressDlg, DisablesItsOwnerAndHasNoCancelWhenNoneIsAsked)
{
    QWidget owner;
    owner.show();
    CQtPlatformUi ui;
    std::unique_ptr<CProgressView> view = ui.CreateProgressDlg(CString("送信中"), 0, ToCWnd(&owner));
    CProgressDlg* dialog = AsDialog(view);
    ASSERT_NE(dialog, nullptr);

    EXPECT_TRUE(dialog->isVisible());
    EXPECT_TRUE(dialog->isEnabled()) << "the dialog is no child of the disabled owner";
    EXPECT_FALSE(owner.isEnabled());
    EXPECT_EQ(dialog->windowTitle(), u"送信中"_s);
    EXPECT_EQ(dialog->size(), MapDialogSize(dialog->font(), QSize(219, 57)));

    auto* bar = qobject_cast<QProgressBar*>(GetDlgItem(dialog, CProgressDlg::IDC_PROGRESS));
    auto* cancel = qobject_cast<QPushButton*>(GetDlgItem(dialog, IDCANCEL));
    ASSERT_NE(bar, nullptr);
    ASSERT_NE(cancel, nullptr);
    EXPECT_EQ(bar->minimum(), 0);
    EXPECT_EQ(bar->maximum(), 100);
    EXPECT_EQ(bar->value(), 0);
    EXPECT_FALSE(cancel->isVisible());

    // Without a cancel button neither Esc nor the close box cancels the run.
    QTest::keyClick(dialog, Qt::Key_Escape);
    dialog->close();
    EXPECT_EQ(view->GetContinueFlag(), 1);
    EXPECT_TRUE(dialog->isVisible());

    view->SetPos(25);
    EXPECT_EQ(bar->value(), 25);

    view.reset();
    EXPECT_TRUE(owner.isEnabled());
}

TEST(ProgressDlg, CancelOnlyClearsTheContinueFlag)
{
    QWidget owner;
    owner.show();
    CProgressDlg dialog(u"保存中"_s, 1, &owner);
    dialog.show();
    QPushButton* cancel = dialog.GetCancelButton();
    EXPECT_TRUE(cancel->isVisible());
    EXPECT_EQ(cancel->text(), u"ｷｬﾝｾﾙ"_s);
    EXPECT_EQ(dialog.GetContinueFlag(), 1);

    QTest::mouseClick(cancel, Qt::LeftButton);
    EXPECT_EQ(dialog.GetContinueFlag(), 0);
    EXPECT_TRUE(dialog.isVisible()) << "the caller closes it on its next step";
    EXPECT_FALSE(owner.isEnabled());

    CProgressDlg escaped(u"保存中"_s, 1, nullptr);
    escaped.show();
    QTest::keyClick(&escaped, Qt::Key_Escape);
    EXPECT_EQ(escaped.GetContinueFlag(), 0);
    EXPECT_TRUE(escaped.isVisible());
}

TEST(ProgressDlg, OwnerDisabledBeforehandStaysDisabled)
{
    QWidget owner;
    owner.setEnabled(false);
    {
        CProgressDlg dialog(u"削除中"_s, 0, &owner);
    }
    EXPECT_FALSE(owner.isEnabled());

    // An owner destroyed while the dialog is up is not touched afterwards.
    auto* gone = new QWidget;
    auto dialog = std::make_unique<CProgressDlg>(u"削除中"_s, 0, gone);
    delete gone;
    dialog.reset();
}

TEST(ProgressDlg, RendersCaptionlessBodyWithBarAndButton)
{
    CProgressDlg dialog(u"アドレス取り込み中"_s, 1, nullptr);
    dialog.show();
    dialog.SetPos(40);
    QApplication::processEvents();
    const QImage image = dialog.grab().toImage();
    ASSERT_EQ(image.size(), dialog.size());
    const QString path = QDir::current().filePath(u"progress_dlg.png"_s);
    EXPECT_TRUE(image.save(path)) << path.toStdString();

    // The filled part of the bar looks different from its empty part.
    const QRect bar = dialog.GetProgressCtrl()->geometry();
    const int y = bar.center().y();
    const QRgb filled = image.pixel(bar.left() + bar.width() / 5, y);
    const QRgb empty = image.pixel(bar.left() + bar.width() * 4 / 5, y);
    EXPECT_NE(filled, empty);
    EXPECT_TRUE(dialog.rect().contains(dialog.GetCancelButton()->geometry()));
    EXPECT_LT(bar.bottom(), dialog.GetCancelButton()->geometry().top());
}

TEST(QtPlatformUi, DoEventsRunsIdleAndWaitingEventsPumpPaintRepaints)
{
    CQtPlatformUi ui;
    CountingDlg dlg;
    dlg.show();
    QApplication::processEvents();

    int idles = 0;
    auto connection = QObject::connect(QAbstractEventDispatcher::instance(),
                                       &QAbstractEventDispatcher::aboutToBlock, [&] { ++idles; });
    bool ran = false;
    QMetaObject::invokeMethod(&dlg, [&] { ran = true; }, Qt::QueuedConnection);
    dlg.updates = 0;
    ui.DoEvents();
    EXPECT_TRUE(ran);
    EXPECT_EQ(idles, 2) << "idle before and after the waiting events";
    EXPECT_EQ(dlg.updates, 2) << "the menus are refreshed during a long operation";

    // With nothing waiting, the second idle pass is skipped.
    while (QAbstractEventDispatcher::instance()->processEvents(QEventLoop::AllEvents)) {
    }
    idles = 0;
    ui.DoEvents();
    EXPECT_EQ(idles, 1);

    ran = false;
    QMetaObject::invokeMethod(&dlg, [&] { ran = true; }, Qt::QueuedConnection);
    idles = 0;
    ui.PumpPaint();
    EXPECT_TRUE(ran);
    EXPECT_EQ(idles, 0) << "the socket wait's pump runs no idle pass";
    QObject::disconnect(connection);
}

TEST(QtPlatformUi, InstallsAndUninstallsItself)
{
    {
        CQtPlatformUi ui;
        CPlatformUi::Set(&ui);
        EXPECT_EQ(CPlatformUi::Get(), &ui);
    }
    EXPECT_EQ(CPlatformUi::Get(), nullptr);
}

TEST(QtPlatformUi, MessageBoxShowsTheDesignedTextCaptionAndIcon)
{
    CQtPlatformUi ui;
    QWidget owner;
    owner.show();
    QString text;
    QString caption;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QWidget* parent = nullptr;
    OnNextModal([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        text = box->text();
        caption = box->windowTitle();
        icon = box->icon();
        parent = box->parentWidget();
        box->accept();
    });
    EXPECT_EQ(ui.MessageBox(ToCWnd(&owner), CString("ファイル作成に失敗しました。"), CString("保存"),
                            MB_OK | MB_ICONEXCLAMATION),
              IDOK);
    EXPECT_EQ(text, u"ファイル作成に失敗しました。"_s);
    EXPECT_EQ(caption, u"保存"_s);
    EXPECT_EQ(icon, QMessageBox::Warning);
    EXPECT_EQ(parent, &owner);

    OnNextModal([&](QWidget* modal) {
        icon = qobject_cast<QMessageBox*>(modal)->icon();
        modal->close();
    });
    EXPECT_EQ(ui.MessageBox(nullptr, CString("x"), CString("y"), MB_ICONINFORMATION), IDOK);
    EXPECT_EQ(icon, QMessageBox::Information);
}

TEST(QtPlatformUi, MessageBoxAnswersWithTheButtonPressedThroughTheOneRoute)
{
    CQtPlatformUi ui;
    CPlatformUi::Set(&ui);
    // Yes/No: Yes is the default button (Enter), Esc answers No.
    qsizetype buttons = 0;
    OnNextModal([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        buttons = box->buttons().size();
        EXPECT_EQ(box->defaultButton(), box->button(QMessageBox::Yes));
        QTest::keyClick(box, Qt::Key_Escape);
    });
    EXPECT_EQ(MessageBox(static_cast<CWnd*>(nullptr), CString("送信せずに閉じてもよろしいですか？"),
                         CString("新規メール"), MB_YESNO | MB_ICONQUESTION),
              IDNO);
    EXPECT_EQ(buttons, 2);
    OnNextModal([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        box->button(QMessageBox::Yes)->click();
    });
    EXPECT_EQ(MessageBox(static_cast<QWidget*>(nullptr), u"よろしいですか？"_s, u"確認"_s, MB_YESNO), IDYES);
    OnNextModal([&](QWidget* modal) { QTest::keyClick(modal, Qt::Key_Escape); });
    EXPECT_EQ(MessageBox(static_cast<CWnd*>(nullptr), CString("x"), CString("y"), MB_OKCANCEL), IDCANCEL);
    OnNextModal([&](QWidget* modal) {
        qobject_cast<QMessageBox*>(modal)->button(QMessageBox::No)->click();
    });
    EXPECT_EQ(MessageBox(static_cast<CWnd*>(nullptr), CString("x"), CString("y"), MB_YESNOCANCEL), IDNO);
    // MB_DEFBUTTON2: the second button is the default, so Enter alone answers No.
    OnNextModal([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->defaultButton(), box->button(QMessageBox::No));
        QTest::keyClick(box, Qt::Key_Return);
    });
    EXPECT_EQ(MessageBox(static_cast<CWnd*>(nullptr), CString("x"), CString("y"), MB_YESNO | MB_DEFBUTTON2), IDNO);
    OnNextModal([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->defaultButton(), box->button(QMessageBox::Cancel));
        box->reject();
    });
    EXPECT_EQ(MessageBox(static_cast<CWnd*>(nullptr), CString("x"), CString("y"), MB_OKCANCEL | MB_DEFBUTTON2), IDCANCEL);
    CPlatformUi::Set(nullptr);

    // Nobody to ask: nothing is agreed to.
    EXPECT_EQ(MessageBox(static_cast<CWnd*>(nullptr), CString("x"), CString("y"), MB_OK), IDOK);
    EXPECT_EQ(MessageBox(static_cast<CWnd*>(nullptr), CString("x"), CString("y"), MB_YESNO), IDNO);
    EXPECT_EQ(MessageBox(static_cast<CWnd*>(nullptr), CString("x"), CString("y"), MB_OKCANCEL), IDCANCEL);
}

TEST(QtFileDialog, FrameworkFiltersBecomeQtNameFilters)
{
    EXPECT_EQ(CQtFileDialog::ToNameFilters("メールファイル (*.eml)|*.eml|すべてのファイル (*.*)|*.*||"),
              u"メールファイル (*.eml);;すべてのファイル (*)"_s);
    EXPECT_EQ(CQtFileDialog::ToNameFilters("Text|*.txt;*.log||"), u"Text (*.txt *.log)"_s);
    EXPECT_EQ(CQtFileDialog::ToNameFilters(nullptr), QString());
}

TEST(QtFileDialog, ChosenPathComesBackAsTheFileSystemsBytes)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    CQtFileDialog save(0, "eml", "返信.eml", "メール (*.eml)|*.eml||");
    save.SetTitle("名前を付けて保存");
    QFileDialog* dialog = save.GetDialog();
    EXPECT_EQ(dialog->windowTitle(), u"名前を付けて保存"_s);
    EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setDirectory(dir.path());

    OnNextModal([&](QWidget*) {
        dialog->selectFile(dir.filePath(u"資料〜最終版_café"_s));
        static_cast<QDialog*>(dialog)->accept();
    });
    ASSERT_EQ(save.DoModal(), IDOK);
    // A name code page 932 cannot hold (U+301C, é) comes back exactly, not as "〓".
    const std::string expected = dir.filePath(u"資料〜最終版_café.eml"_s).toStdString();
    EXPECT_EQ(save.GetPathName().Native(), expected) << "the default extension is added";

    OnNextModal([&](QWidget*) { dialog->reject(); });
    EXPECT_EQ(save.DoModal(), IDCANCEL);
    EXPECT_TRUE(save.GetPathName().IsEmpty());
}
