#include "shell/CAboutDlg.h"

#include "res/ProgramIcon.h"
#include "command/CommandIds.h"
#include "command/QtText.h"
#include "data/CDataStore.h"

#include <QBoxLayout>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent)
{
    SetControlId(this, IDD);
    const QString product = ToQString(theDataStore.GetCompanyName()) + u' ' + ToQString(theDataStore.GetProductName());
    const QString version = ToQString(theDataStore.GetVersion());
    setWindowTitle(product + QStringLiteral(u"のパージョン情報"));
    auto* layout = new QHBoxLayout(this);
    auto* icon = new QLabel(this);
    icon->setPixmap(ProgramIcon().pixmap(48, 48));
    layout->addWidget(icon, 0, Qt::AlignTop);
    auto* grid = new QGridLayout;
    auto* name = new QLabel(product, this);
    SetControlId(name, IDC_PRODUCT);
    QFont bold = name->font();
    bold.setBold(true);
    name->setFont(bold);
    grid->addWidget(name, 0, 0, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral(u"製品バージョン:"), this), 1, 0);
    auto* productVersion = new QLabel(version, this);
    SetControlId(productVersion, IDC_PRODUCT_VERSION);
    grid->addWidget(productVersion, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral(u"ファイル バージョン:"), this), 2, 0);
    auto* fileVersion = new QLabel(version, this);
    SetControlId(fileVersion, IDC_FILE_VERSION);
    grid->addWidget(fileVersion, 2, 1);
    layout->addLayout(grid, 1);
    auto* ok = new QPushButton(QStringLiteral(u"OK"), this);
    SetControlId(ok, 1);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    layout->addWidget(ok, 0, Qt::AlignTop);
}
