#include "command/CQtFileDialog.h"

#include "encoding/CCodePage.h"

#include <QFileDialog>
#include <QRegularExpression>
#include <QStringList>

namespace {

QString FromCp932(const char* text)
{
    if (text == nullptr)
        return QString();
    return QString::fromStdString(CCodePage::ToUtf8(CString(text)));
}

}  // namespace

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
        dialog_->setDefaultSuffix(FromCp932(defExt));
    const QString filters = ToNameFilters(filter);
    if (!filters.isEmpty())
        dialog_->setNameFilters(filters.split(QStringLiteral(";;")));
    if (fileName != nullptr && *fileName != '\0')
        dialog_->selectFile(FromCp932(fileName));
}

CQtFileDialog::~CQtFileDialog()
{
    delete dialog_;
}

void CQtFileDialog::SetTitle(const char* title)
{
    dialog_->setWindowTitle(FromCp932(title));
}

int CQtFileDialog::DoModal()
{
    path_.Empty();
    if (dialog_->exec() != QDialog::Accepted)
        return IDCANCEL;
    const QStringList files = dialog_->selectedFiles();
    if (files.isEmpty())
        return IDCANCEL;
    path_ = CCodePage::FromUtf8(files.first().toStdString());
    return IDOK;
}

CString CQtFileDialog::GetPathName() const
{
    return path_;
}

QString CQtFileDialog::ToNameFilters(const char* filter)
{
    const QStringList parts = FromCp932(filter).split(QLatin1Char('|'));
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        const QString& description = parts[i];
        QString patterns = parts[i + 1];
        if (description.isEmpty() && patterns.isEmpty())
            break;
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        // A description that already ends in its patterns is taken as it stands.
        static const QRegularExpression trailing(QStringLiteral("\\(([^()]*)\\)\\s*$"));
        const QRegularExpressionMatch match = trailing.match(description);
        if (match.hasMatch() && match.captured(1).simplified() == patterns.simplified())
            filters << description.trimmed();
        else
            filters << QStringLiteral("%1 (%2)").arg(description.trimmed(), patterns.simplified());
    }
    return filters.join(QStringLiteral(";;"));
}
