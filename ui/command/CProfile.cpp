#include "command/CProfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

namespace {

std::unique_ptr<CProfile>& Instance()
{
    static std::unique_ptr<CProfile> instance;
    return instance;
}

QString ConfigFolder()
{
    const QString xdg = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (!xdg.isEmpty() && QDir::isAbsolutePath(xdg))
        return xdg;
    return QDir::homePath() + u"/.config"_qs;
}

const QString kPageOrder = u"PageOption/PageOrder_"_qs;
const QString kAddByClick = u"TemplateOption/AddByClick_"_qs;
const QString kMailReader = u"Others/OEPath"_qs;
const QString kNewLineLength = u"EditorOption/NewLineLength"_qs;
const QString kReplyLineLength = u"EditorOption/ReplyLineLength"_qs;

}  // namespace

CProfile& CProfile::Get()
{
    std::unique_ptr<CProfile>& instance = Instance();
    if (!instance)
        instance.reset(new CProfile);
    return *instance;
}

void CProfile::Reset()
{
    Instance().reset();
}

QString CProfile::FilePath()
{
    return ConfigFolder() + u"/Velto/Quillon.conf"_qs;
}

QString CProfile::OldFilePath()
{
    return ConfigFolder() + u"/Velto/Quillon.ini"_qs;
}

CProfile::CProfile() : settings_(std::make_unique<QSettings>(FilePath(), QSettings::IniFormat))
{
    MoveOldFile();
}

CProfile::~CProfile() = default;

void CProfile::MoveOldFile()
{
    const QString oldPath = OldFilePath();
    if (!QFileInfo::exists(oldPath))
        return;
    {
        QSettings old(oldPath, QSettings::IniFormat);
        for (const QString& key : old.allKeys()) {
            if (!settings_->contains(key))
                settings_->setValue(key, old.value(key));
        }
    }
    settings_->sync();
    if (settings_->status() == QSettings::NoError)
        QFile::remove(oldPath);
}

int CProfile::ReadInt(const QString& key, int fallback) const
{
    bool ok = false;
    const int value = settings_->value(key).toInt(&ok);
    return ok ? value : fallback;
}

void CProfile::Write(const QString& key, const QVariant& value)
{
    settings_->setValue(key, value);
    settings_->sync();
}

bool CProfile::IsWritable() const
{
    return settings_->isWritable() && settings_->status() == QSettings::NoError;
}

int CProfile::GetPageOrder(const QString& pageName, int fallback) const
{
    return ReadInt(kPageOrder + pageName, fallback);
}

void CProfile::SetPageOrder(const QString& pageName, int position)
{
    Write(kPageOrder + pageName, position);
}

int CProfile::GetAddByClick(const QString& list) const
{
    return ReadInt(kAddByClick + list, 0) != 0 ? 1 : 0;
}

void CProfile::SetAddByClick(const QString& list, int value)
{
    Write(kAddByClick + list, value != 0 ? 1 : 0);
}

QString CProfile::DefaultMailReaderPath()
{
    return u"/usr/bin/thunderbird"_qs;
}

QString CProfile::GetMailReaderPath() const
{
    return settings_->value(kMailReader, DefaultMailReaderPath()).toString();
}

void CProfile::SetMailReaderPath(const QString& path)
{
    Write(kMailReader, path);
}

int CProfile::GetNewLineLength() const
{
    const int value = ReadInt(kNewLineLength, kDefaultNewLineLength);
    return value >= kMinimumLineLength && value <= kMaximumLineLength ? value : kDefaultNewLineLength;
}

int CProfile::GetReplyLineLength() const
{
    const int value = ReadInt(kReplyLineLength, kDefaultReplyLineLength);
    return value >= kMinimumLineLength && value <= kMaximumLineLength ? value : kDefaultReplyLineLength;
}

void CProfile::SetLineLengths(int newLineLength, int replyLineLength)
{
    settings_->setValue(kNewLineLength, newLineLength);
    Write(kReplyLineLength, replyLineLength);
}
