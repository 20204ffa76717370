#include "addressbook/CCsvImportDlg.h"

#include "addressbook/ImportExportButtons.h"
#include "command/CommandIds.h"
#include "command/QtWindow.h"
#include "data/CDataStore.h"
#include "files/CDrawerFileDlg.h"
#include "letter/CLetterFormat.h"

#include <QBoxLayout>
#include <QLabel>
#include <QPushButton>

namespace {

QLabel* AddText(QWidget* dialog, QBoxLayout* layout, int id, const QString& text)
{
    auto* label = new QLabel(text, dialog);
    label->setTextFormat(Qt::PlainText);
    SetControlId(label, id);
    layout->addWidget(label);
    return label;
}

}  // namespace

CCsvImportDlg::CCsvImportDlg(QWidget* page) : QDialog(page)
{
    SetControlId(this, IDD);
    setWindowTitle(QStringLiteral(u"アドレス取り込み"));
    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    AddText(this, layout, IDC_INTRO, QStringLiteral(u"CSVファイルからアドレス帳への取り込みを行ないます。"));
    layout->addSpacing(fontMetrics().height() / 2);
    AddText(this, layout, IDC_FORMAT,
            QStringLiteral(u"CSVファイルは次の形式のものに対応しています。\n"
                           u"(Outlook Expressでアドレス帳をCSVエクスポートすると、この形式になります。)"));

    auto* rules = new QVBoxLayout;
    rules->setContentsMargins(fontMetrics().averageCharWidth() * 2, 0, 0, 0);
    AddText(this, rules, IDC_RULE_HEADING,
            QStringLiteral(u"1) 1行目は見出し行とみなします。\n   (見出し文字は何が入力されていてもかまいません。)"));
    AddText(this, rules, IDC_RULE_FIELDS,
            QStringLiteral(u"2) 各行は、表示名が先頭、2番目がメールアドレスである必要があります。"));
    QLabel* sample = AddText(this, rules, IDC_SAMPLE,
                             QStringLiteral(u"表示名,電子メール アドレス,...\n山田 太郎,") +
                                 QString::fromUtf16(kSampleAddress) + QStringLiteral(u",...\n..."));
    sample->setFont(CLetterFormat::BaseFont());
    sample->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    sample->setMargin(fontMetrics().averageCharWidth());
    layout->addLayout(rules);

    layout->addSpacing(fontMetrics().height() / 2);
    AddText(this, layout, IDC_OTHER_FORMATS,
            QStringLiteral(u"Thunderbird、Gmail（Googleコンタクト）、Outlookが書き出したCSVファイルは、\n"
                           u"見出し行から表示名とメールアドレスの列を探して取り込みます。\n"
                           u"vCardファイル（*.vcf）も取り込めます。"));

    layout->addSpacing(fontMetrics().height() / 2);
    AddOkCancelRow(this, layout, QStringLiteral(u"OK"));
}

void CCsvImportDlg::accept()
{
    QWidget* page = parentWidget();
    hide();
    std::unique_ptr<CFileDialog> fileDialog;
    if (makeFileDialog) {
        fileDialog = makeFileDialog(page);
    } else {
        fileDialog = std::make_unique<CDrawerFileDlg>(
            1, nullptr, nullptr,
            CDrawerFileDlg::OFN_EXPLORER | CDrawerFileDlg::OFN_CREATEPROMPT | CDrawerFileDlg::OFN_HIDEREADONLY |
                CDrawerFileDlg::OFN_OVERWRITEPROMPT,
            CAddressImport::kFilter, page, CDrawerFileDlg::DefaultFolderListPath());
    }
    m_result = CAddressImport::Run(ToCWnd(page), *fileDialog);
    if (m_result == CAddressImport::Imported) {
        if (CToolWindows* tools = theDataStore.GetToolWindows())
            tools->OpenAddressBook(ToCWnd(page));
    }
    QDialog::accept();
}
