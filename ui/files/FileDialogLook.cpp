#include "files/FileDialogLook.h"

#include <QAbstractItemModel>
#include <QDateTime>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QGuiApplication>
#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QListView>
#include <QLocale>
#include <QScreen>
#include <QScrollBar>
#include <QSplitter>
#include <QTimer>
#include <QTreeView>

#include <algorithm>

namespace {

// The columns of QFileSystemModel: name, size, type, date modified.
enum { kSizeColumn = 1, kTypeColumn = 2, kDateColumn = 3 };

// The first size of a dialog, in characters of its font: room for the sidebar, a name of
// twenty characters and the size, type and date columns whole.
constexpr int kWidthInCharacters = 64;
constexpr int kHeightInLines = 24;

// Qt writes sizes and dates with the system's locale ("3 bytes", "9 Dec 2026 04:01:28" under
// the C locale); these two columns are written again in Japanese.
class CJapaneseFileColumns : public QIdentityProxyModel {
public:
    using QIdentityProxyModel::QIdentityProxyModel;

    QVariant data(const QModelIndex& index, int role) const override
    {
        auto* files = qobject_cast<QFileSystemModel*>(sourceModel());
        if (role != Qt::DisplayRole || files == nullptr ||
            (index.column() != kSizeColumn && index.column() != kDateColumn))
            return QIdentityProxyModel::data(index, role);
        const QModelIndex source = mapToSource(index);
        const QLocale japanese(QLocale::Japanese, QLocale::Japan);
        if (index.column() == kSizeColumn)
            return files->isDir(source) ? QString() : japanese.formattedDataSize(files->size(source));
        const QDateTime modified = files->lastModified(source);
        return modified.isValid() ? japanese.toString(modified, QLocale::ShortFormat) : QString();
    }
};

// Widens the sidebar to its widest entry; the splitter then keeps it at least that wide.
void FitSidebar(QListView* sidebar)
{
    const QAbstractItemModel* model = sidebar->model();
    if (model == nullptr)
        return;
    int width = 0;
    int height = 0;
    for (int row = 0; row < model->rowCount(); ++row) {
        const QSize hint = sidebar->sizeHintForIndex(model->index(row, 0));
        width = std::max(width, hint.width());
        height += hint.height();
    }
    width += 2 * sidebar->frameWidth() + 2 * sidebar->spacing();
    if (height > sidebar->viewport()->height())
        width += sidebar->verticalScrollBar()->sizeHint().width();
    if (sidebar->minimumWidth() == width)
        return;
    sidebar->setMinimumWidth(width);
    if (auto* splitter = qobject_cast<QSplitter*>(sidebar->parentWidget())) {
        QList<int> sizes = splitter->sizes();
        const int index = splitter->indexOf(sidebar);
        if (index >= 0 && index + 1 < sizes.size() && sizes[index] < width) {
            sizes[index + 1] = std::max(0, sizes[index + 1] - (width - sizes[index]));
            sizes[index] = width;
            splitter->setSizes(sizes);
        }
    }
}

// Widens the size, type and date columns of the detail view to what the shown rows need
// (Qt keeps the widths of its last run, too narrow for a Japanese type or a larger font);
// a column the user made wider stays so.
// The first time, the name column takes the width the others leave (at least twelve
// characters), so that all four show without scrolling where the dialog is wide enough.
void FitColumns(QTreeView* view, bool first)
{
    QHeaderView* header = view->header();
    int others = 0;
    for (int column : {kSizeColumn, kTypeColumn, kDateColumn}) {
        const int before = header->sectionSize(column);
        view->resizeColumnToContents(column);
        if (header->sectionSize(column) < before)
            header->resizeSection(column, before);
        others += header->sectionSize(column);
    }
    if (first) {
        const int least = view->fontMetrics().horizontalAdvance(u'あ') * 12;
        header->resizeSection(0, std::max(least, view->viewport()->width() - others));
    }
}

}  // namespace

void ApplyFileDialogLook(QFileDialog* dialog)
{
    auto* columns = new CJapaneseFileColumns(dialog);
    dialog->setProxyModel(columns);

    const QFontMetrics metrics = dialog->fontMetrics();
    QSize size(metrics.horizontalAdvance(u'あ') * kWidthInCharacters, metrics.lineSpacing() * kHeightInLines);
    if (const QScreen* screen = dialog->screen() != nullptr ? dialog->screen() : QGuiApplication::primaryScreen())
        size = size.boundedTo(screen->availableGeometry().size());
    dialog->resize(dialog->sizeHint().expandedTo(size));

    if (auto* view = dialog->findChild<QTreeView*>(QStringLiteral("treeView"))) {
        // Rows arrive in batches as the file system model reads a folder.
        auto* pending = new QTimer(view);
        pending->setSingleShot(true);
        pending->setInterval(0);
        QObject::connect(pending, &QTimer::timeout, view, [view, first = true]() mutable {
            FitColumns(view, first && view->isVisible());
            first = first && !view->isVisible();
        });
        const auto refit = [pending] { pending->start(); };
        QObject::connect(columns, &QAbstractItemModel::rowsInserted, pending, refit);
        QObject::connect(columns, &QAbstractItemModel::dataChanged, pending, refit);
        QObject::connect(columns, &QAbstractItemModel::layoutChanged, pending, refit);
    }

    auto* sidebar = dialog->findChild<QListView*>(QStringLiteral("sidebar"));
    if (sidebar == nullptr || sidebar->model() == nullptr)
        return;
    FitSidebar(sidebar);
    // The entries' names arrive as the file system model reads them.
    const QAbstractItemModel* model = sidebar->model();
    const auto refit = [sidebar] { FitSidebar(sidebar); };
    QObject::connect(model, &QAbstractItemModel::rowsInserted, sidebar, refit);
    QObject::connect(model, &QAbstractItemModel::rowsRemoved, sidebar, refit);
    QObject::connect(model, &QAbstractItemModel::dataChanged, sidebar, refit);
    QObject::connect(model, &QAbstractItemModel::modelReset, sidebar, refit);
}
