// Verifies the letter editor dialog's size rules (always 656 pixels wide, at least 300 high,
// the editor 12 pixels above the bottom edge, 76 columns visible, all as 96-DPI pixels scaled
// by the real column width) on a rendered picture at each DPI the test runs at, and its menu
// refresh from the editor.
#include "letter/CEditLetterDlg.h"
#include "letter/CLetterFormat.h"

#include "Keys.h"
#include "QtTestApp.h"

#include <QAbstractButton>
#include <QAction>
#include <QDir>
#include <QImage>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>
#include <QWheelEvent>
#include <QScrollBar>
#include <QTextBlock>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>

TEST(LetterDialog, SizeRulesOnTheRenderedDialog)
{
    CEditLetterDlg dialog(102);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    CEditLetter& edit = dialog.Editor();
    EXPECT_EQ(GetDlgItem(&dialog, CEditLetter::kControlId), &edit);

    // 96 DPI is the designed screen: the sizes are exactly the designed pixels there.
    const qreal scale = CLetterFormat::ColumnWidth() / 8.0;
    if (dialog.logicalDpiX() == 96) {
        EXPECT_EQ(CEditLetterDlg::Width(), 656);
        EXPECT_EQ(CEditLetterDlg::MinimumHeight(), 300);
        EXPECT_EQ(CEditLetterDlg::BottomMargin(), 12);
    }
    EXPECT_NEAR(CEditLetterDlg::Width(), 656 * scale, 1);
    EXPECT_NEAR(CEditLetterDlg::MinimumHeight(), 300 * scale, 1);

    auto checkLayout = [&] {
        EXPECT_EQ(dialog.width(), CEditLetterDlg::Width());
        EXPECT_GE(dialog.height(), CEditLetterDlg::MinimumHeight());
        const QRect editor = edit.geometry();
        EXPECT_EQ(dialog.height() - (editor.y() + editor.height()), CEditLetterDlg::BottomMargin());
        EXPECT_GE(editor.x(), 0);
        EXPECT_LE(editor.x() + editor.width(), dialog.width());
        // Nothing of the editor is cut off: its 76 columns and its scroll bar.
        EXPECT_GE(edit.viewport()->width(),
                  std::ceil(CLetterFormat::kEditColumns * CLetterFormat::ColumnWidth()));
        const QScrollBar* bar = edit.verticalScrollBar();
        EXPECT_TRUE(bar->isVisible());
        EXPECT_LE(bar->mapTo(&dialog, QPoint(bar->width(), 0)).x(), dialog.width());
        // Every button inside the window, its text not cut.
        for (int id : {CEditLetterDlg::kLeftIndentDeleteButton, CEditLetterDlg::kLeftIndentAddButton,
                       CEditLetterDlg::kRightIndentAddButton, CEditLetterDlg::kRightIndentDeleteButton,
                       CEditLetterDlg::kDefaultButton, CEditLetterDlg::kUnderlineButton, 1, 2}) {
            auto* button = qobject_cast<QAbstractButton*>(GetDlgItem(&dialog, id));
            ASSERT_NE(button, nullptr) << id;
            EXPECT_TRUE(button->isVisible()) << id;
            const QRect rect(button->mapTo(&dialog, QPoint(0, 0)), button->size());
            EXPECT_TRUE(dialog.rect().contains(rect)) << id;
            EXPECT_GE(button->width(), button->fontMetrics().horizontalAdvance(button->text().remove(u'&'))) << id;
        }
    };
    checkLayout();

    dialog.resize(400, 100);  // narrower and lower than allowed
    QTest::qWait(20);
    checkLayout();
    EXPECT_EQ(dialog.height(), CEditLetterDlg::MinimumHeight());
    dialog.resize(CEditLetterDlg::Width() + 250, CEditLetterDlg::MinimumHeight() + 220);
    QTest::qWait(20);
    checkLayout();
    EXPECT_EQ(dialog.height(), CEditLetterDlg::MinimumHeight() + 220);

    // A letter with red, underlined and indented text, as the user sees it.
    edit.setFocus();
    edit.ProcessFormReplySentence();  // every paragraph at 76 columns
    QTextCursor cursor = edit.textCursor();
    cursor.insertText(QStringLiteral(u"拝啓　新緑の候、ますますご清栄のこととお喜び申し上げます。"
                                     u"さて、先日お問い合わせいただいた件につきまして、下記のとおりご回答いたします。\n"));
    cursor.insertText(QString(76, u'0') + QStringLiteral(u"\n"));
    cursor.insertText(QStringLiteral(u"重要：締め切りは来週の金曜日です。"));
    cursor.setPosition(cursor.block().position());
    cursor.setPosition(cursor.block().position() + 2, QTextCursor::KeepAnchor);
    edit.setTextCursor(cursor);
    edit.SetSelectionToRed();
    cursor.setPosition(cursor.block().position() + 3);
    cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    edit.setTextCursor(cursor);
    edit.SetSelectionToUnderline();
    edit.AddLeftIndent();
    edit.AddLeftIndent();
    edit.ProcessFormNewSentence();

    const QImage image = dialog.grab().toImage();
    EXPECT_EQ(image.width(), CEditLetterDlg::Width() * image.devicePixelRatio());
    const QString path = QDir::current().absoluteFilePath(
        QStringLiteral(u"letter_dialog_%1dpi.png").arg(dialog.logicalDpiX()));
    ASSERT_TRUE(image.save(path)) << path.toStdString();

    // The 76-digit line fits the line length of quoted text (76) on one display line.
    CString text;
    edit.GetTextWithReturn(text);
    EXPECT_NE(text.Str().find(std::string(76, '0') + "\r\n"), std::string::npos);

    // The menu follows the editor: with a selection Copy is enabled, without it greyed.
    dialog.UpdateMenu();
    EXPECT_TRUE(FindCommandAction(dialog.GetMenu(), ID_EDIT_COPY)->isEnabled());
    cursor.clearSelection();
    edit.setTextCursor(cursor);
    dialog.UpdateMenu();
    EXPECT_FALSE(FindCommandAction(dialog.GetMenu(), ID_EDIT_COPY)->isEnabled());

    // The buttons act on the editor: 1107 indents, 1106 takes it back.
    const int before = CLetterFormat::StartIndent(edit.textCursor().blockFormat());
    qobject_cast<QAbstractButton*>(GetDlgItem(&dialog, CEditLetterDlg::kLeftIndentAddButton))->click();
    EXPECT_EQ(CLetterFormat::StartIndent(edit.textCursor().blockFormat()), before + 240);
    qobject_cast<QAbstractButton*>(GetDlgItem(&dialog, CEditLetterDlg::kLeftIndentDeleteButton))->click();
    EXPECT_EQ(CLetterFormat::StartIndent(edit.textCursor().blockFormat()), before);
    EXPECT_EQ(GetDlgItem(&dialog, CEditLetterDlg::kRightIndentDeleteButton)->toolTip(), QStringLiteral(u"改行を伸ばす"));
}

TEST(LetterDialog, ContextMenuCommandsReturnThroughTheDialogAndCtrlWheelDoesNotZoom)
{
    CEditLetterDlg dialog(102);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    QApplication::setActiveWindow(&dialog);
    CEditLetter& edit = dialog.Editor();
    edit.setFocus();
    edit.textCursor().insertText(QStringLiteral(u"abc def"));

    // Choose "すべて選択(&A)" from menu 138 while it is open.
    QString chosenMenu;
    QTimer::singleShot(50, [&chosenMenu] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (menu == nullptr)
            return;
        chosenMenu = QString::number(GetControlId(menu));
        if (QAction* action = FindCommandAction(menu, ID_EDIT_SELECT_ALL)) {
            menu->setActiveAction(action);
            QTest::keyClick(menu, Qt::Key_Return);
        }
    });
    const QPoint inside(5, 5);
    QContextMenuEvent event(QContextMenuEvent::Mouse, inside, edit.viewport()->mapToGlobal(inside));
    QCoreApplication::sendEvent(edit.viewport(), &event);
    EXPECT_EQ(chosenMenu, QStringLiteral(u"138"));
    EXPECT_EQ(edit.textCursor().selectedText(), QStringLiteral(u"abc def"));

    const QFont before = edit.font();
    const qreal fontSize = edit.document()->defaultFont().pointSizeF();
    QWheelEvent wheel(QPointF(5, 5), edit.viewport()->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, 120),
                      Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(edit.viewport(), &wheel);
    EXPECT_EQ(edit.document()->defaultFont().pointSizeF(), fontSize);
    EXPECT_EQ(edit.font(), before);
}
