#include "shell/CHelp.h"

#include "command/CQtPlatformUi.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

QString CHelp::FindHelpFile()
{
    const QString folder = QCoreApplication::applicationDirPath();
    for (const QString& candidate : {folder + QStringLiteral(u"/Quillonヘルプ.html"),
                                     folder + QStringLiteral(u"/../share/quillon/help/index.html")}) {
        if (QFileInfo(candidate).isFile())
            return QFileInfo(candidate).absoluteFilePath();
    }
    return QString();
}

int CHelp::Open(QWidget* parent)
{
    const QString page = FindHelpFile();
    if (page.isEmpty()) {
        MessageBox(parent, u"ヘルプはインストールされていません。"_qs, u"ヘルプ"_qs, MB_OK | MB_ICONINFORMATION);
        return 0;
    }
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(page))) {
        MessageBox(parent, u"ヘルプを開けませんでした。\n"_qs + page, u"ヘルプ"_qs, MB_OK | MB_ICONEXCLAMATION);
        return 0;
    }
    return 1;
}
