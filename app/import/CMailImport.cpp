#include "import/CMailImport.h"

#include "import/CThunderbirdStore.h"
#include "import/MailImportTexts.h"
#include "command/CMailMimeData.h"
#include "command/CommandIds.h"
#include "command/QtPath.h"
#include "command/QtWindow.h"
#include "data/CDataStore.h"
#include "model/CPlatformUi.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>
#include <QMimeData>

#include <memory>

namespace {

// QMimeData as the mail import reads it.
class CQtOfferedMail : public COfferedMail {
public:
    explicit CQtOfferedMail(const QMimeData* data) : data_(data) {}

    bool Has(Format format) const override
    {
        switch (format) {
        case UriList:
            return data_->hasUrls();
        case Text:
            return data_->hasText();
        default:
            return data_->hasFormat(Name(format));
        }
    }
    std::string Bytes(Format format) const override
    {
        if (format == Text) return data_->text().toUtf8().toStdString();
        return data_->data(Name(format)).toStdString();
    }
    std::vector<CPath> Files() const override
    {
        std::vector<CPath> files;
        for (const QUrl& url : data_->urls()) files.push_back(PathFromUrl(url));
        return files;
    }

private:
    static QString Name(Format format)
    {
        switch (format) {
        case InternetMessage:
            return CMailMimeData::kInternetMessage;
        case Rfc822:
            return CMailMimeData::kRfc822;
        case MozMessage:
            return CMailMimeData::kMozMessage;
        case MozCustomClipData:
            return CMailMimeData::kMozCustomClipData;
        case UriList:
            return QStringLiteral(u"text/uri-list");
        case Text:
        default:
            return QStringLiteral(u"text/plain");
        }
    }

    const QMimeData* data_;
};

}  // namespace

CMailImport::CMailImport(CMailDoc* doc, QObject* parent) : QObject(parent), doc_(doc)
{
    if (QClipboard* clipboard = QGuiApplication::clipboard())
        connect(clipboard, &QClipboard::dataChanged, this, [this] { clipboardHoldsMail_ = -1; });
}

CMailImport::~CMailImport() = default;

int CMailImport::CanAccept(const QMimeData* data)
{
    return data != nullptr && CMailSource::MayCarryMail(CQtOfferedMail(data)) ? 1 : 0;
}

int CMailImport::TakeDrop(const QMimeData* data, QWidget* parent)
{
    if (data == nullptr) return CMailSource::NoMail;
    CString detail;
    const CMailSource::Result result = pending_.Take(CQtOfferedMail(data), CThunderbirdStore(), detail);
    if (result == CMailSource::Failed)
        MessageBox(ToCWnd(parent), detail, MailImportTexts::kErrorCaption, MB_OK | MB_ICONEXCLAMATION);
    return result;
}

QMenu* CMailImport::CreateMenu(QWidget* parent)
{
    auto* menu = new QMenu(parent);
    SetControlId(menu, IDR_MAIL_MENU);
    menu->addAction(CreateCommandAction(ID_EDIT_PASTE_REPLY, QStringLiteral(u"返信(&R)"), menu));
    menu->addAction(CreateCommandAction(ID_EDIT_PASTE_FORWARD, QStringLiteral(u"転送(&F)"), menu));
    menu->addAction(CreateCommandAction(ID_EDIT_PASTE_REFERENCE, QStringLiteral(u"参照作成(&S)"), menu));
    menu->addSeparator();
    menu->addAction(CreateCommandAction(ID_EDIT_PASTE_ATTACH, QStringLiteral(u"添付(&A)"), menu));
    return menu;
}

UINT CMailImport::ChooseCommand(const QPoint& globalPos, QWidget* owner)
{
    std::unique_ptr<QMenu> menu(CreateMenu(owner));
    QAction* chosen = menu->exec(globalPos);
    return chosen != nullptr ? GetCommandId(chosen) : 0;
}

int CMailImport::IsMailOnClipboard() const
{
    if (clipboardHoldsMail_ < 0) {
        const QClipboard* clipboard = QGuiApplication::clipboard();
        const QMimeData* data = clipboard != nullptr ? clipboard->mimeData() : nullptr;
        clipboardHoldsMail_ = data != nullptr && CMailSource::HoldsMail(CQtOfferedMail(data)) ? 1 : 0;
    }
    return clipboardHoldsMail_;
}

int CMailImport::IsAvailable() const
{
    return pending_.IsPending() || IsMailOnClipboard() ? 1 : 0;
}

void CMailImport::Paste(UINT id, const CComposeHost& host)
{
    CMailComposer composer(*doc_, theDataStore.GetDataFolder());
    if (pending_.IsPending()) {
        composer.Run(id, pending_, host);
        return;
    }
    // The clipboard's mail is used at once and never left pending: a "No" to the question
    // must not make it win over a later copy.
    CMailSource clipboardMail;
    const QClipboard* clipboard = QGuiApplication::clipboard();
    const QMimeData* data = clipboard != nullptr ? clipboard->mimeData() : nullptr;
    CString detail;
    const CMailSource::Result result =
        data != nullptr ? clipboardMail.Take(CQtOfferedMail(data), CThunderbirdStore(), detail) : CMailSource::NoMail;
    if (result == CMailSource::Failed) {
        MessageBox(host.parent, detail, MailImportTexts::kErrorCaption, MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    composer.Run(id, clipboardMail, host);  // with nothing read it says the clipboard holds no mail
}
