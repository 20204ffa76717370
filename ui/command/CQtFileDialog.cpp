#include "command/CQtFileDialog.h"

#include "command/QtPath.h"
#include "command/QtText.h"

#include <QFileDialog>
#include <QStringList>

CQtFileDialog::CQtFileDialog(int openFileDialog, const char* defExt, const char* fileName,
                             const char* filter, QWidget* parent)
    : dialog_(new QFileDialog(parent))
{
    if (openFileDialog != 0) {
        dialog_->setAcceptMode(QFileDialog::AcceptOpen);
        dialog_->setFileMode(QFileDialog::ExistingFile);
    } else {
        dialog_->setAcceptMode(QFileDialog::AcceptSave);
        dialog_->setFileMode(QFileDialog::AnyFile);
    }
    if (defExt != nullptr && *defExt != '\0')
        dialog_->setDefaultSuffix(ToQString(defExt));
    const QString filters = ToNameFilters(filter);
    if (!filters.isEmpty())
        dialog_->setNameFilters(filters.split(QStringLiteral(";;")));
    if (fileName != nullptr && *fileName != '\0')
        dialog_->selectFile(ToQString(fileName));
}

CQtFileDialog::~CQtFileDialog()
{
    delete dialog_;
}

void CQtFileDialog::SetTitle(const char* title)
{
    dialog_->setWindowTitle(ToQString(title));
}

int CQtFileDialog::DoModal()
{
    path_ = CPath();
    if (dialog_->exec() != QDialog::Accepted)
        return IDCANCEL;
    const QStringList files = dialog_->selectedFiles();
    if (files.isEmpty())
        return IDCANCEL;
    path_ = FromQtPath(files.first());
    return IDOK;
}

CPath CQtFileDialog::GetPathName() const
{
    return path_;
}

QString CQtFileDialog::ToNameFilters(const char* filter)
{
    const QStringList parts = ToQString(filter).split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i];
        if (description.isEmpty())
            break;
        QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString& pattern : patterns) {
            pattern = pattern.trimmed();
            // "*.*" means every file, also the many Linux files without a dot.
            if (pattern == u"*.*")
                pattern = QStringLiteral("*");
        }
        // Qt reads the patterns from the last parenthesised group, so the description's own
        // group is replaced by the patterns that apply.
        const qsizetype open = description.lastIndexOf(QLatin1Char('('));
        if (description.trimmed().endsWith(QLatin1Char(')')) && open >= 0)
            description.truncate(open);
        filters << QStringLiteral("%1 (%2)").arg(description.trimmed(), patterns.join(QLatin1Char(' ')));
    }
    return filters.join(QStringLiteral(";;"));
}
