// Verifies the one settings object: the file's place and INI form, every designed key with
// its default, out-of-range line lengths, and the one-time move of an earlier Quillon.ini.
#include "command/CProfile.h"

#include "QtTestApp.h"
#include "TempDataFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

using namespace Qt::StringLiterals;

namespace {

std::string ReadFile(const QString& path)
{
    std::ifstream in(path.toStdString());
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteFile(const QString& path, const std::string& text)
{
    std::ofstream(path.toStdString()) << text;
}

}  // namespace

TEST(Profile, DesignedKeysAndDefaultsInQuillonConf)
{
    TempDataFolder home;
    CProfile::Reset();
    CProfile& profile = CProfile::Get();
    EXPECT_EQ(CProfile::FilePath().toStdString(), (home.ConfigFolder() / "Velto/Quillon.conf").string());
    EXPECT_EQ(profile.GetPageOrder(u"Address"_s, 2), 2);
    EXPECT_EQ(profile.GetAddByClick(u"Address"_s), 0);
    EXPECT_EQ(profile.GetAddByClick(u"Letter"_s), 0);
    EXPECT_EQ(profile.GetMailReaderPath(), u"/usr/bin/thunderbird"_s);
    EXPECT_EQ(profile.GetNewLineLength(), 60);
    EXPECT_EQ(profile.GetReplyLineLength(), 76);

    profile.SetPageOrder(u"Address"_s, 0);
    profile.SetAddByClick(u"Letter"_s, 1);
    profile.SetMailReaderPath(u"/opt/メール/reader"_s);
    profile.SetLineLengths(40, 70);
    EXPECT_TRUE(profile.IsWritable());

    // Written at once, in the designed sections, readable by any INI reader.
    const std::string text = ReadFile(CProfile::FilePath());
    EXPECT_NE(text.find("[PageOption]\nPageOrder_Address=0\n"), std::string::npos) << text;
    EXPECT_NE(text.find("[TemplateOption]\nAddByClick_Letter=1\n"), std::string::npos) << text;
    EXPECT_NE(text.find("[EditorOption]\nNewLineLength=40\nReplyLineLength=70\n"), std::string::npos) << text;
    EXPECT_NE(text.find("[Others]\nOEPath="), std::string::npos) << text;

    CProfile::Reset();
    EXPECT_EQ(CProfile::Get().GetPageOrder(u"Address"_s, 2), 0);
    EXPECT_EQ(CProfile::Get().GetMailReaderPath(), u"/opt/メール/reader"_s);
    EXPECT_EQ(CProfile::Get().GetNewLineLength(), 40);

    // A hand-edited value out of range or not a number reads as the default.
    WriteFile(CProfile::FilePath(), "[EditorOption]\nNewLineLength=0\nReplyLineLength=x\n[PageOption]\nPageOrder_Body=y\n");
    CProfile::Reset();
    EXPECT_EQ(CProfile::Get().GetNewLineLength(), 60);
    EXPECT_EQ(CProfile::Get().GetReplyLineLength(), 76);
    EXPECT_EQ(CProfile::Get().GetPageOrder(u"Body"_s, 1), 1);
    CProfile::Reset();
}

TEST(Profile, ValuesOfTheOldIniFileMoveOnceWithoutOverwriting)
{
    TempDataFolder home;
    CProfile::Reset();
    QFileInfo(CProfile::FilePath()).dir().mkpath(u"."_s);
    WriteFile(CProfile::OldFilePath(), "[EditorOption]\nNewLineLength=33\nReplyLineLength=44\n");
    WriteFile(CProfile::FilePath(), "[EditorOption]\nReplyLineLength=55\n");
    EXPECT_EQ(CProfile::Get().GetNewLineLength(), 33);
    EXPECT_EQ(CProfile::Get().GetReplyLineLength(), 55);  // the new file's value stays
    EXPECT_FALSE(QFile::exists(CProfile::OldFilePath()));
    CProfile::Reset();
    EXPECT_EQ(CProfile::Get().GetNewLineLength(), 33);
    CProfile::Reset();
}
