#include "shell/CMailReaderDlg.h"

#include "command/CProfile.h"
#include "command/CQtPlatformUi.h"
#include "command/CommandIds.h"
#include "command/QtPath.h"
#include "command/QtText.h"
#include "files/CDrawerFileDlg.h"

#include <QBoxLayout>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>

CMailReaderDlg::CMailReaderDlg(QWidget* parent) : QDialog(parent)
{
    SetControlId(this, IDD);
    setWindowTitle(QStringLiteral(u"メール受信ソフトを開く"));
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(QStringLiteral(u"メール受信ソフトの場所(&P):"), this);
    layout->addWidget(label);
    auto* row = new QHBoxLayout;
    m_path = new QLineEdit(StoredPath(), this);
    SetControlId(m_path, IDC_PATH);
    m_path->setMinimumWidth(m_path->fontMetrics().horizontalAdvance(QString(40, u'0')));
    label->setBuddy(m_path);
    auto* browse = new QPushButton(QStringLiteral(u"..."), this);
    SetControlId(browse, IDC_BROWSE);
    browse->setAutoDefault(false);
    browse->setFixedWidth(browse->fontMetrics().horizontalAdvance(QStringLiteral(u"....")) + 16);
    row->addWidget(m_path, 1);
    row->addWidget(browse);
    layout->addLayout(row);
    auto* buttons = new QHBoxLayout;
    auto* reset = new QPushButton(QStringLiteral(u"初期値"), this);
    SetControlId(reset, IDC_DEFAULT);
    reset->setAutoDefault(false);
    auto* open = new QPushButton(QStringLiteral(u"開く"), this);
    SetControlId(open, 1);
    open->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral(u"キャンセル"), this);
    SetControlId(cancel, 2);
    cancel->setAutoDefault(false);
    buttons->addWidget(reset);
    buttons->addStretch(1);
    buttons->addWidget(open);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    connect(browse, &QPushButton::clicked, this, &CMailReaderDlg::OnBrowse);
    connect(reset, &QPushButton::clicked, this, &CMailReaderDlg::OnDefault);
    connect(open, &QPushButton::clicked, this, &CMailReaderDlg::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

QString CMailReaderDlg::StoredPath()
{
    return CProfile::Get().GetMailReaderPath();
}

int CMailReaderDlg::StartMailReader(const QString& path, QWidget* parent)
{
    const QFileInfo info(path);
    if (path.isEmpty() || !info.isFile() || !info.isExecutable() || !QProcess::startDetached(path, {})) {
        MessageBox(parent, u"メール受信ソフトを起動できませんでした。\n"_qs + path, u"エラー"_qs,
                   MB_OK | MB_ICONEXCLAMATION);
        return 0;
    }
    return 1;
}

QString CMailReaderDlg::GetPath() const
{
    return m_path->text();
}

void CMailReaderDlg::SetPath(const QString& path)
{
    m_path->setText(path);
}

void CMailReaderDlg::OnBrowse()
{
    CDrawerFileDlg dialog(1, nullptr, nullptr,
                          CDrawerFileDlg::OFN_EXPLORER | CDrawerFileDlg::OFN_CREATEPROMPT |
                              CDrawerFileDlg::OFN_HIDEREADONLY | CDrawerFileDlg::OFN_OVERWRITEPROMPT,
                          // Programs on Linux have no ".exe": the designed first filter would hide them.
                          "すべてのファイル (*.*)|*.*||", this,
                          CDrawerFileDlg::DefaultFolderListPath());
    // The path as Qt holds it, not through code page 932, so any name is found again.
    if (!m_path->text().isEmpty())
        dialog.selectFile(m_path->text());
    if (dialog.DoModal() == IDOK)
        m_path->setText(ToQtPath(dialog.GetPathName()));
}

void CMailReaderDlg::OnDefault()
{
    if (MessageBox(this, u"メール受信ソフトの場所を初期値にしてもよろしいですか？"_qs, u"確認"_qs,
                   MB_YESNO | MB_ICONQUESTION) == IDYES)
        m_path->setText(CProfile::DefaultMailReaderPath());
}

void CMailReaderDlg::accept()
{
    const QString path = m_path->text();
    // Stored even when it cannot be started now: the user chose it.
    CProfile::Get().SetMailReaderPath(path);
    StartMailReader(path, this);
    QDialog::accept();
}
