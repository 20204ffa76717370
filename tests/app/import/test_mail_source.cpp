// Verifies which offered data becomes the pending mail: the order of preference, the bytes
// Thunderbird really offers on Linux (its custom clip container, the UTF-8 reference, a
// text/uri-list of its temporary ".eml" files), files that are no mail file or too large,
// random bytes in every format, and that a drag over never asks for the data.
#include "ThunderbirdFixture.h"
#include "TempDataFolder.h"

#include "import/CMailSource.h"
#include "import/CThunderbirdStore.h"
#include "import/MailImportTexts.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <map>
#include <random>

namespace fs = std::filesystem;
using namespace MailImportTexts;

namespace {

class FakeOffered : public COfferedMail {
public:
    bool Has(Format format) const override
    {
        return format == UriList ? !files.empty() : data.count(format) != 0;
    }
    std::string Bytes(Format format) const override
    {
        ++asked;
        auto found = data.find(format);
        return found == data.end() ? std::string() : found->second;
    }
    std::vector<CPath> Files() const override
    {
        ++asked;
        return files;
    }

    std::map<Format, std::string> data;
    std::vector<CPath> files;
    mutable int asked = 0;
};

std::string BigEndian(std::uint32_t value)
{
    return {static_cast<char>(value >> 24), static_cast<char>(value >> 16), static_cast<char>(value >> 8),
            static_cast<char>(value)};
}

std::string Utf16Le(const std::string& ascii)
{
    std::string out;
    for (char c : ascii) {
        out += c;
        out += '\0';
    }
    return out;
}

// Thunderbird's application/x-moz-custom-clipdata: (kind, type, value) entries, kind 0 ends.
std::string CustomClipData(const std::string& reference)
{
    std::string data;
    for (auto [type, value] : {std::pair<std::string, std::string>{"application/x-moz-file-promise-dest-filename", "a.eml"},
                               {"text/x-moz-message", reference}}) {
        data += BigEndian(1) + BigEndian(static_cast<std::uint32_t>(type.size() * 2)) + Utf16Le(type);
        data += BigEndian(static_cast<std::uint32_t>(value.size() * 2)) + Utf16Le(value);
    }
    return data + BigEndian(0);
}

class MailSourceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        profile.root = home.Root() / ".thunderbird";
        profile.Make();
    }
    CThunderbirdStore Store() const { return CThunderbirdStore({CPath::FromNative(profile.root.string())}); }
    CMailSource::Result Take(const FakeOffered& offered)
    {
        detail.Empty();
        return source.Take(offered, Store(), detail);
    }
    CPath File(const std::string& name, const std::string& bytes)
    {
        tb::WriteFile(home.Root() / "dnd" / name, bytes);
        return CPath::FromNative((home.Root() / "dnd" / name).string());
    }

    TempDataFolder home;
    tb::Profile profile;
    CMailSource source;
    CString detail;
};

}  // namespace

TEST_F(MailSourceTest, OrderOfPreferenceAndThunderbirdsRealFormats)
{
    const std::string reference = tb::Reference("Inbox", 2);
    FakeOffered both;
    both.data[COfferedMail::InternetMessage] = "Subject: whole\r\n\r\nwhole message\r\n";
    both.data[COfferedMail::MozMessage] = Utf16Le(reference);
    ASSERT_EQ(Take(both), CMailSource::Taken);
    EXPECT_EQ(source.GetFormat(), CMailSource::InternetMessage);
    ASSERT_EQ(source.GetMails().size(), 1u);
    EXPECT_EQ(source.GetMails()[0].Str(), both.data[COfferedMail::InternetMessage]);

    // A single message from Thunderbird's list: text/plain, the custom container, and the
    // .eml file of text/uri-list, which wins.
    FakeOffered drag;
    drag.data[COfferedMail::Text] = reference;
    drag.data[COfferedMail::MozCustomClipData] = CustomClipData(reference);
    drag.files = {File("Re_ hello.eml", "Subject: from file\n\nfile body\n")};
    ASSERT_EQ(Take(drag), CMailSource::Taken);
    EXPECT_EQ(source.GetFormat(), CMailSource::MailFiles);
    EXPECT_EQ(source.GetMails()[0].Str(), "Subject: from file\n\nfile body\n");

    // The file already deleted by Thunderbird: the reference is read instead.
    fs::remove(home.Root() / "dnd" / "Re_ hello.eml");
    ASSERT_EQ(Take(drag), CMailSource::Taken) << detail.Str();
    EXPECT_EQ(source.GetFormat(), CMailSource::Reference);
    EXPECT_EQ(source.GetMails()[0].Str(), profile.inbox.messages[1]);

    // The container alone, the UTF-8 text alone, text/x-moz-message as designed (UTF-16).
    EXPECT_EQ(CMailSource::MozMessageOfClipData(CustomClipData(reference)), reference);
    for (auto format : {COfferedMail::MozCustomClipData, COfferedMail::Text, COfferedMail::MozMessage}) {
        FakeOffered one;
        one.data[format] = format == COfferedMail::MozCustomClipData ? CustomClipData(tb::Reference("Inbox", 4))
                           : format == COfferedMail::Text            ? tb::Reference("Inbox", 4)
                                                                     : Utf16Le(tb::Reference("Inbox", 4));
        EXPECT_TRUE(CMailSource::HoldsMail(one)) << format;
        ASSERT_EQ(Take(one), CMailSource::Taken) << format << detail.Str();
        EXPECT_EQ(source.GetMails()[0].Str(), profile.inbox.messages[3]) << format;
    }

    // message/rfc822 after the files.
    FakeOffered rfc822;
    rfc822.data[COfferedMail::Rfc822] = "Subject: rfc822\r\n\r\nx\r\n";
    ASSERT_EQ(Take(rfc822), CMailSource::Taken);
    EXPECT_EQ(source.GetFormat(), CMailSource::Rfc822);
}

TEST_F(MailSourceTest, SeveralFilesJapaneseNamesAndWhatIsNoMail)
{
    FakeOffered two;
    two.files = {File(tb::Utf8(u8"会議の件.eml"), "Subject: one\n\n1\n"), File("second.EML", "Subject: two\n\n2\n")};
    ASSERT_EQ(Take(two), CMailSource::Taken);
    ASSERT_EQ(source.GetMails().size(), 2u);
    EXPECT_EQ(source.GetMails()[0].Str(), "Subject: one\n\n1\n");
    EXPECT_EQ(source.GetMails()[1].Str(), "Subject: two\n\n2\n");

    // Files that are not all ".eml" are no mail (the page may attach them); the pending
    // mail stays as it was.
    FakeOffered mixed;
    mixed.files = {File("a.eml", "Subject: a\n\n"), File("report.pdf", "%PDF")};
    EXPECT_FALSE(CMailSource::HoldsMail(mixed));
    EXPECT_EQ(Take(mixed), CMailSource::NoMail);
    EXPECT_EQ(source.GetMails().size(), 2u);
    FakeOffered remote;
    remote.files = {CPath()};  // an http: URL
    EXPECT_EQ(Take(remote), CMailSource::NoMail);
    EXPECT_TRUE(source.IsPending());

    // A folder, a device and an empty file named ".eml": a message, and nothing pending.
    fs::create_directories(home.Root() / "dnd" / "folder.eml");
    fs::create_symlink("/dev/zero", home.Root() / "dnd" / "zero.eml");
    for (const char* name : {"folder.eml", "zero.eml"}) {
        FakeOffered bad;
        bad.files = {CPath::FromNative((home.Root() / "dnd" / name).string())};
        EXPECT_EQ(Take(bad), CMailSource::Failed) << name;
        CString expected;
        expected.Format(kNotAMailFile, name);
        EXPECT_EQ(detail.Str(), expected.Str());
        EXPECT_FALSE(source.IsPending());
    }
    FakeOffered empty;
    empty.files = {File("empty.eml", "")};
    EXPECT_EQ(Take(empty), CMailSource::Failed);

    // Over 100 MB: refused before reading (a sparse file); 50 MB: read whole.
    const fs::path huge = home.Root() / "dnd" / "huge.eml";
    tb::WriteFile(huge, "");
    fs::resize_file(huge, CMailSource::kMaxFile + 1);
    FakeOffered tooLarge;
    tooLarge.files = {CPath::FromNative(huge.string())};
    EXPECT_EQ(Take(tooLarge), CMailSource::Failed);
    CString expected;
    expected.Format(kFileTooLarge, "huge.eml");
    EXPECT_EQ(detail.Str(), expected.Str());
    fs::resize_file(huge, 50u * 1024 * 1024);
    ASSERT_EQ(Take(tooLarge), CMailSource::Taken);
    EXPECT_EQ(source.GetMails()[0].GetLength(), 50 * 1024 * 1024);
}

TEST_F(MailSourceTest, DragOverReadsNoDataAndRandomBytesNeverCrash)
{
    FakeOffered drag;
    drag.data[COfferedMail::MozCustomClipData] = "x";
    drag.files = {CPath::FromNative("/tmp/dnd_file-1/a.eml")};
    EXPECT_TRUE(CMailSource::MayCarryMail(drag));
    EXPECT_EQ(drag.asked, 0);
    FakeOffered text;
    text.data[COfferedMail::Text] = "hello";
    EXPECT_FALSE(CMailSource::MayCarryMail(text));
    EXPECT_FALSE(CMailSource::HoldsMail(text));
    EXPECT_EQ(Take(text), CMailSource::NoMail);

    std::mt19937 random(23);
    for (int round = 0; round < 200; ++round) {
        std::string bytes(random() % 300, '\0');
        for (char& c : bytes) c = static_cast<char>(random());
        if (round % 3 == 0) bytes = "mailbox-message://" + bytes;
        for (auto format : {COfferedMail::InternetMessage, COfferedMail::Rfc822, COfferedMail::MozMessage,
                            COfferedMail::MozCustomClipData, COfferedMail::Text}) {
            FakeOffered offered;
            offered.data[format] = bytes;
            const CMailSource::Result result = Take(offered);
            if (result == CMailSource::Failed) {
                EXPECT_FALSE(detail.IsEmpty());
            }
            if (result == CMailSource::Taken && format != COfferedMail::InternetMessage && format != COfferedMail::Rfc822)
                ADD_FAILURE() << "random bytes read as a mail in format " << format;
        }
    }
    // A reference to a missing mailbox says so.
    FakeOffered missing;
    missing.data[COfferedMail::Text] = tb::Reference("Gone", 1);
    EXPECT_EQ(Take(missing), CMailSource::Failed);
    EXPECT_EQ(detail.Str(), std::string(kNotFound) + "\r\n" + kAgainHint);
}
