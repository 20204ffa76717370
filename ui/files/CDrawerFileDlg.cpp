#include "files/CDrawerFileDlg.h"

#include "command/CQtFileDialog.h"
#include "command/CommandIds.h"
#include "command/QtPath.h"
#include "command/QtText.h"
#include "files/FileDialogLook.h"
#include "model/CFileUtility.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QUrl>

#include <fstream>
#include <iterator>
#include <string>

CDrawerFileDlg::CDrawerFileDlg(int openFileDialog, const char* defaultExt, const char* fileName,
                               unsigned long flags, const char* filter, QWidget* parent,
                               const CPath& folderListPath)
    : QFileDialog(parent), folderListPath_(folderListPath)
{
    setOption(QFileDialog::DontUseNativeDialog, true);
    ApplyFileDialogLook(this);
    if (openFileDialog) {
        setAcceptMode(QFileDialog::AcceptOpen);
        if (flags & OFN_ALLOWMULTISELECT)
            setFileMode(QFileDialog::ExistingFiles);
        else if (flags & OFN_FILEMUSTEXIST)
            setFileMode(QFileDialog::ExistingFile);
        else
            setFileMode(QFileDialog::AnyFile);
    } else {
        setAcceptMode(QFileDialog::AcceptSave);
        setFileMode(QFileDialog::AnyFile);
        setOption(QFileDialog::DontConfirmOverwrite, !(flags & OFN_OVERWRITEPROMPT));
    }
    if (defaultExt && *defaultExt) setDefaultSuffix(ToQString(CString(defaultExt)));
    if (filter && *filter) {
        QStringList filters = CQtFileDialog::ToNameFilters(filter).split(u";;"_qs, Qt::SkipEmptyParts);
        if (!filters.isEmpty()) setNameFilters(filters);
    }
    if (fileName && *fileName) selectFile(ToQString(CString(fileName)));

    CreatePanel();
    // Every change of folder, by the user or by setDirectory, moves the model's root; the
    // dialog's own directoryEntered signal reports only the user's moves.
    if (auto* model = findChild<QFileSystemModel*>())
        connect(model, &QFileSystemModel::rootPathChanged, this, [this] { OnFolderChange(); });
    else
        connect(this, &QFileDialog::directoryEntered, this, [this] { OnFolderChange(); });
}

CDrawerFileDlg::~CDrawerFileDlg() = default;

void CDrawerFileDlg::CreatePanel()
{
    auto* panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("drawerPanel"));
    SetControlId(panel, IDD_DRAWER_PANEL);

    auto* currentLabel = new QLabel(u"現在のフォルダ:"_qs, panel);
    addFolder_ = new QCheckBox(u"フォルダリストに追加(&A)"_qs, panel);
    SetControlId(addFolder_, IDC_CHECK_ADD_FAVORITE);
    openExplorer_ = new QPushButton(u"エクスプローラで開く(&E)"_qs, panel);
    openExplorer_->setAutoDefault(false);
    SetControlId(openExplorer_, IDC_BUTTON_OPEN_EXPLORER);
    auto* listLabel = new QLabel(u"フォルダリスト(&L):"_qs, panel);
    folderList_ = new QComboBox(panel);
    folderList_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    folderList_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    folderList_->setMinimumContentsLength(20);
    SetControlId(folderList_, IDC_COMBO_FAVORITE_LIST);
    listLabel->setBuddy(folderList_);

    auto* rows = new QGridLayout(panel);
    rows->setContentsMargins(0, 0, 0, 0);
    auto* currentRow = new QHBoxLayout;
    currentRow->addWidget(addFolder_);
    currentRow->addStretch(1);
    currentRow->addWidget(openExplorer_);
    rows->addWidget(currentLabel, 0, 0);
    rows->addLayout(currentRow, 0, 1);
    rows->addWidget(listLabel, 1, 0);
    rows->addWidget(folderList_, 1, 1);
    rows->setColumnStretch(1, 1);

    if (auto* grid = qobject_cast<QGridLayout*>(layout()))
        grid->addWidget(panel, grid->rowCount(), 0, 1, grid->columnCount());
    else if (layout())
        layout()->addWidget(panel);

    connect(folderList_, &QComboBox::activated, this,
            [this](int index) { OnSelchangeComboFavoriteList(index); });
    connect(addFolder_, &QCheckBox::clicked, this,
            [this](bool checked) { OnButtonToFavoriteList(checked); });
    connect(openExplorer_, &QPushButton::clicked, this, [this] { OnButtonOpenExplorer(); });
}

int CDrawerFileDlg::DoModal()
{
    return exec() == QDialog::Accepted ? IDOK : IDCANCEL;
}

CPath CDrawerFileDlg::GetPathName() const
{
    const QStringList files = selectedFiles();
    return files.isEmpty() ? CPath() : FromQtPath(files.front());
}

std::vector<CPath> CDrawerFileDlg::GetPathNames() const
{
    std::vector<CPath> paths;
    for (const QString& file : selectedFiles()) paths.push_back(FromQtPath(file));
    return paths;
}

CPath CDrawerFileDlg::GetCurrentFolder() const
{
    return FromQtPath(currentFolder_);
}

CPath CDrawerFileDlg::DefaultFolderListPath()
{
    CPath data = CFileUtility::GetAppDataFolder();
    return data.IsEmpty() ? CPath() : data / "Velto" / "Quillon" / "FolderList.txt";
}

void CDrawerFileDlg::showEvent(QShowEvent* event)
{
    QFileDialog::showEvent(event);
    // Every showing starts afresh, as each run of a dialog does: another dialog may have
    // changed the folder-list file meanwhile.
    if (!event->spontaneous()) OnInitDone();
}

void CDrawerFileDlg::OnInitDone()
{
    LoadFolderList();
    OnFolderChange();
    if (QScreen* area = screen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(area->availableGeometry().center());
        move(frame.topLeft());
    }
}

void CDrawerFileDlg::OnFolderChange()
{
    currentFolder_ = directory().absolutePath();
    int index = folderList_->findText(currentFolder_, Qt::MatchExactly | Qt::MatchCaseSensitive);
    folderList_->setCurrentIndex(index);
    addFolder_->setChecked(index >= 0);
}

void CDrawerFileDlg::LoadFolderList()
{
    folderList_->clear();
    // Opened by its own bytes, so that any folder can hold the list.
    std::ifstream file(folderListPath_.c_str(), std::ios::binary);
    if (file) {
        const QByteArray all = QByteArray::fromStdString(
            std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()));
        const QList<QByteArray> lines = all.split('\n');
        for (qsizetype i = 0; i < lines.size(); ++i) {
            QByteArray line = lines[i];
            // The text after the last line break is a line only when it holds something.
            if (i + 1 == lines.size() && line.isEmpty()) break;
            if (line.endsWith('\r')) line.chop(1);
            AddFolder(QString::fromUtf8(line));
        }
    }
    folderList_->setCurrentIndex(-1);
}

void CDrawerFileDlg::SaveFolderList()
{
    std::ofstream file(folderListPath_.c_str(), std::ios::binary | std::ios::trunc);
    if (!file) return;
    for (int i = 0; i < folderList_->count(); ++i)
        file << folderList_->itemText(i).toStdString() << '\n';
}

int CDrawerFileDlg::AddFolder(const QString& folder)
{
    // Sorted as a list box sorts: letters without regard to case first.
    int index = 0;
    while (index < folderList_->count()) {
        QString item = folderList_->itemText(index);
        int order = item.compare(folder, Qt::CaseInsensitive);
        if (order == 0) order = item.compare(folder, Qt::CaseSensitive);
        if (order > 0) break;
        ++index;
    }
    folderList_->insertItem(index, folder);
    return index;
}

void CDrawerFileDlg::OnSelchangeComboFavoriteList(int index)
{
    if (index < 0) return;
    QString folder = folderList_->itemText(index);
    if (folder.isEmpty()) return;
    auto* nameBox = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    QString typed = nameBox ? nameBox->text() : QString();
    // A folder that is gone is not entered: the list shows the current folder again.
    if (QFileInfo(folder).isDir()) setDirectory(folder);
    OnFolderChange();
    if (nameBox) nameBox->setText(typed);
}

void CDrawerFileDlg::OnButtonToFavoriteList(bool checked)
{
    int index = folderList_->findText(currentFolder_, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (checked) {
        if (index < 0) index = AddFolder(currentFolder_);
        folderList_->setCurrentIndex(index);
    } else {
        if (index >= 0) folderList_->removeItem(index);
        folderList_->setCurrentIndex(-1);
    }
    SaveFolderList();
}

void CDrawerFileDlg::OnButtonOpenExplorer()
{
    QDesktopServices::openUrl(QUrl::fromLocalFile(currentFolder_));
}
