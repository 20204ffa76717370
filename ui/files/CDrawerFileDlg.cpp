#include "files/CDrawerFileDlg.h"

#include "command/CommandIds.h"
#include "files/QtText_p.h"
#include "model/CFileUtility.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QStandardPaths>
#include <QUrl>

namespace {

// "説明|*.a;*.b|...||" to Qt's name filters. "*.*" means every file, also those without a
// dot, as it does in the designed dialogs.
QStringList NameFilters(const QString& filter)
{
    QStringList result;
    const QStringList parts = filter.split(u'|');
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i];
        if (description.isEmpty()) break;
        QStringList patterns = parts[i + 1].split(u';', Qt::SkipEmptyParts);
        for (QString& pattern : patterns) {
            pattern = pattern.trimmed();
            if (pattern == u"*.*") pattern = QStringLiteral("*");
        }
        QString joined = patterns.join(u' ');
        // Qt reads the patterns from the last parenthesised group of the text.
        if (description.endsWith(u')') && description.lastIndexOf(u'(') >= 0)
            description.truncate(description.lastIndexOf(u'('));
        description = description.trimmed();
        result << description + u" ("_qs + joined + u')';
    }
    return result;
}

}  // namespace

CDrawerFileDlg::CDrawerFileDlg(int openFileDialog, const char* defaultExt, const char* fileName,
                               unsigned long flags, const char* filter, QWidget* parent,
                               const char* folderListPath)
    : QFileDialog(parent), folderListPath_(folderListPath)
{
    setOption(QFileDialog::DontUseNativeDialog, true);
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
        QStringList filters = NameFilters(ToQString(CString(filter)));
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

CString CDrawerFileDlg::GetPathName() const
{
    const QStringList files = selectedFiles();
    return files.isEmpty() ? CString() : FromQString(files.front());
}

CStringArray CDrawerFileDlg::GetPathNames() const
{
    CStringArray paths;
    for (const QString& file : selectedFiles()) paths.Add(FromQString(file));
    return paths;
}

CString CDrawerFileDlg::GetCurrentFolder() const
{
    return FromQString(currentFolder_);
}

CString CDrawerFileDlg::DefaultFolderListPath()
{
    QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return FromQString(data + u"/Velto/Quillon/FolderList.txt"_qs);
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
    QFile file(QString::fromStdString(CFileUtility::NativePath(folderListPath_.GetString())));
    if (file.open(QIODevice::ReadOnly)) {
        const QList<QByteArray> lines = file.readAll().split('\n');
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
    QFile file(QString::fromStdString(CFileUtility::NativePath(folderListPath_.GetString())));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return;
    for (int i = 0; i < folderList_->count(); ++i) {
        file.write(folderList_->itemText(i).toUtf8());
        file.write("\n");
    }
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
