// Verifies how a dragged Thunderbird message reference becomes the message text, against a
// fake data folder shaped like the one Thunderbird writes: the profile Thunderbird starts
// with, the message key looked up in the folder's Mork index, messages read whole to the
// next separator (across a block edge, the last one to the end of the file), ">From "
// unescaped, subfolders under ".sbd", and every path that could leave the mail folders
// refused.
#include "ThunderbirdFixture.h"
#include "TempDataFolder.h"

#include "import/CMailboxReader.h"
#include "import/CMorkIndex.h"
#include "import/CThunderbirdStore.h"
#include "import/MailImportTexts.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;
using namespace MailImportTexts;

namespace {

class ThunderbirdStoreTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        profile.root = home.Root() / ".thunderbird";
        profile.Make();
    }

    CThunderbirdStore Store() const { return CThunderbirdStore({CPath::FromNative(profile.root.string())}); }

    // The reference read: the text, or "ERROR: <detail>".
    std::string Read(const std::string& reference) const
    {
        CString text, detail;
        if (!Store().ReadReference(reference, text, detail)) return "ERROR: " + detail.Str();
        return text.Str();
    }

    TempDataFolder home;
    tb::Profile profile;
};

std::string NotFound()
{
    return "ERROR: " + std::string(kNotFound) + "\r\n" + kAgainHint;
}

}  // namespace

TEST_F(ThunderbirdStoreTest, KeysFoundThroughTheIndexFirstMiddleAndLast)
{
    // Keys 1..4; the offsets are 0, 2xx, ... and never the keys.
    ASSERT_EQ(profile.inbox.offsets.size(), 4u);
    ASSERT_NE(profile.inbox.offsets[1], 2u);
    EXPECT_EQ(Read(tb::Reference("Inbox", 1)), profile.inbox.messages[0]);
    EXPECT_EQ(Read(tb::Reference("Inbox", 2)), profile.inbox.messages[1]);
    // Key 3's row was corrected by a committed group; the aborted group after it is ignored.
    EXPECT_EQ(Read(tb::Reference("Inbox", 3)), profile.inbox.messages[2]);
    // The last message keeps its last bytes: read to the end of the file.
    EXPECT_EQ(Read(tb::Reference("Inbox", 4)), profile.inbox.messages[3]);
    // ">From " as stored was "From " in the message; ">>From " was ">From ".
    EXPECT_NE(profile.inbox.bytes.find("\n>From the start"), std::string::npos);
    EXPECT_NE(Read(tb::Reference("Inbox", 1)).find("\nFrom the start of a line\n>From quoted\n"), std::string::npos);
    // A key the index does not hold is not read from anywhere.
    EXPECT_EQ(Read(tb::Reference("Inbox", 9)), NotFound());
    // The user name may hold an escaped "@"; query parts after the key are Thunderbird's own.
    EXPECT_EQ(Read("mailbox-message://john%40example.com@Local%20Folders/Inbox#2?number=2"), profile.inbox.messages[1]);
}

TEST_F(ThunderbirdStoreTest, SubfoldersJapaneseNamesAndTheBlockEdge)
{
    // Work's second separator straddles byte 4096: the first message stops before it.
    ASSERT_EQ(profile.work.bytes.compare(4093, 8, "\nFrom - "), 0);
    EXPECT_EQ(Read(tb::Reference("Inbox/Work", 1)), profile.work.messages[0]);
    EXPECT_EQ(Read(tb::Reference("Inbox/Work", 2)), profile.work.messages[1]);
    // Both inner slashes become ".sbd" folders.
    EXPECT_EQ(CThunderbirdStore::MailboxPath(CPath::FromNative("/p"), {"Local Folders", {"Inbox", "Work", "Deep"}, 1})
                  .Native(),
              "/p/Mail/Local Folders/Inbox.sbd/Work.sbd/Deep");
    EXPECT_EQ(Read(tb::Reference("Inbox/Work/Deep", 2)), profile.deep.messages[1]);
    // Percent escapes are UTF-8 file names.
    EXPECT_EQ(Read(tb::Reference(tb::JapaneseFolder(), 1)), profile.japanese.messages[0]);
}

TEST_F(ThunderbirdStoreTest, WithoutIndexOnlyASeparatorAtTheNumberIsRead)
{
    // Key 2 is byte 2 of the mailbox: nothing is quoted from there.
    EXPECT_EQ(Read(tb::Reference("NoIndex", 2)), NotFound());
    // The number that does point at a separator line is taken as an offset.
    EXPECT_EQ(Read(tb::Reference("NoIndex", profile.noIndex.offsets[1])), profile.noIndex.messages[1]);
    EXPECT_EQ(Read(tb::Reference("NoIndex", 0)), profile.noIndex.messages[0]);
    // An index that is no Mork text counts as none.
    tb::WriteFile(profile.LocalFolders() / "NoIndex.msf", "garbage\x01\x02");
    EXPECT_EQ(Read(tb::Reference("NoIndex", profile.noIndex.offsets[1])), profile.noIndex.messages[1]);
}

TEST_F(ThunderbirdStoreTest, PathsOutsideTheMailFoldersAreRefused)
{
    // A mailbox-shaped file outside the profile that no reference may read.
    tb::Mailbox secret;
    secret.Add("Subject: secret\n\nsecret text\n");
    tb::WriteFile(home.Root() / "secret", secret.bytes);
    const std::string bad = "ERROR: " + std::string(kBadReference);
    EXPECT_EQ(Read("mailbox-message://nobody@Local%20Folders/..%2F..%2F..%2F..%2Fsecret#0"), bad);
    EXPECT_EQ(Read("mailbox-message://nobody@Local%20Folders/Inbox/../../../../secret#0"), bad);
    EXPECT_EQ(Read("mailbox-message://nobody@../../../secret#0"), bad);
    EXPECT_EQ(Read("mailbox-message://nobody@Local%20Folders//" + (home.Root() / "secret").string() + "#0"), bad);
    EXPECT_EQ(Read("mailbox-message://nobody@Local%20Folders/Inbox%00x#0"), bad);
    // A link inside the mail folder that leads out of it.
    fs::create_symlink(home.Root() / "secret", profile.LocalFolders() / "Link");
    EXPECT_EQ(Read(tb::Reference("Link", 0)), bad);
    // A folder or a FIFO named as a mailbox reads nothing and does not hang.
    fs::create_directories(profile.LocalFolders() / "Folder");
    EXPECT_EQ(Read(tb::Reference("Folder", 0)), bad);
    ASSERT_EQ(::mkfifo((profile.LocalFolders() / "Fifo").c_str(), 0600), 0);
    EXPECT_EQ(Read(tb::Reference("Fifo", 0)), bad);
    // Malformed references.
    EXPECT_EQ(Read("mailbox-message://nobody@Local%20Folders/Inbox"), bad);
    EXPECT_EQ(Read("mailbox-message://nobody@Local%20Folders/Inbox#x"), bad);
    EXPECT_EQ(Read("mailbox-message://nobody@Local%20Folders/Inbox%zz#1"), bad);
    EXPECT_EQ(Read(tb::Reference("Missing", 1)), NotFound());
    // Messages on a server have no mailbox file here.
    EXPECT_EQ(Read("imap-message://bob@imap.example.com/INBOX#12"), "ERROR: " + std::string(kServerMessage) + "\r\n" + kAgainHint);
    EXPECT_EQ(Read("news-message://news.example.com/comp.mail#3"), "ERROR: " + std::string(kServerMessage) + "\r\n" + kAgainHint);
}

TEST_F(ThunderbirdStoreTest, ProfileChosenAsThunderbirdChoosesIt)
{
    const CPath root = CPath::FromNative(profile.root.string());
    // [Install…] Default= first, then the rest.
    std::vector<CPath> found = CThunderbirdStore::Profiles(root);
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].Native(), (profile.root / "abcd1234.default-release").string());
    EXPECT_EQ(found[1].Native(), (profile.root / "old00000.default").string());
    EXPECT_EQ(Read(tb::Reference("Inbox", 1)), profile.inbox.messages[0]);

    // Without an [Install…] section the profile with Default=1 comes before the one named
    // "default"; IsRelative=0 takes the path as it is.
    tb::WriteFile(profile.root / "profiles.ini",
                  "[General]\nStartWithLastProfile=1\n\n[Profile0]\nName=default\nIsRelative=1\nPath=old00000.default\n\n"
                  "[Profile1]\nName=work\nIsRelative=0\nPath=" + (profile.root / "abcd1234.default-release").string() +
                      "\nDefault=1\n");
    found = CThunderbirdStore::Profiles(root);
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].Native(), (profile.root / "abcd1234.default-release").string());
    EXPECT_EQ(found[1].Native(), (profile.root / "old00000.default").string());

    // Only a "default" profile, listed after others (every section is examined).
    tb::WriteFile(profile.root / "profiles.ini",
                  "[General]\nStartWithLastProfile=1\n\n[Profile0]\nName=other\nPath=nothing\n\n"
                  "[Profile1]\nName=default\nPath=old00000.default\n");
    found = CThunderbirdStore::Profiles(root);
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].Native(), (profile.root / "old00000.default").string());
    EXPECT_EQ(Read(tb::Reference("Inbox", 0)), tb::Message("old profile", "wrong\n"));

    // No profiles.ini: nothing.
    fs::remove(profile.root / "profiles.ini");
    EXPECT_TRUE(CThunderbirdStore::Profiles(root).empty());
}

TEST_F(ThunderbirdStoreTest, SnapAndFlatpakFoldersUnderHome)
{
    const char* saved = std::getenv("HOME");
    const std::string savedHome = saved != nullptr ? saved : "";
    setenv("HOME", home.Root().c_str(), 1);
    const std::vector<CPath> roots = CThunderbirdStore::DefaultRoots();
    ASSERT_EQ(roots.size(), 3u);
    EXPECT_EQ(roots[0].Native(), (home.Root() / ".thunderbird").string());
    EXPECT_EQ(roots[1].Native(), (home.Root() / "snap/thunderbird/common/.thunderbird").string());
    EXPECT_EQ(roots[2].Native(), (home.Root() / ".var/app/org.mozilla.Thunderbird/.thunderbird").string());
    // The profile moved into the Snap folder is found there.
    fs::create_directories(home.Root() / "snap/thunderbird/common");
    fs::rename(profile.root, home.Root() / "snap/thunderbird/common/.thunderbird");
    CString text, detail;
    EXPECT_TRUE(CThunderbirdStore().ReadReference(tb::Reference("Inbox", 2), text, detail)) << detail.Str();
    EXPECT_EQ(text.Str(), profile.inbox.messages[1]);
    if (saved != nullptr) setenv("HOME", savedHome.c_str(), 1);
    else unsetenv("HOME");
}

TEST(MailboxReader, LineEndsAndSeparatorsOfOtherWriters)
{
    TempDataFolder home;
    const fs::path path = home.Root() / "mbox";
    auto read = [&](const std::string& bytes, std::uint64_t offset) {
        tb::WriteFile(path, bytes);
        const int fd = ::open(path.c_str(), O_RDONLY);
        CString text;
        const CMailboxReader::Result result = CMailboxReader::ReadMessage(fd, offset, text);
        ::close(fd);
        return result == CMailboxReader::Read ? text.Str() : "result " + std::to_string(result);
    };
    // CR LF throughout: the blank CR LF line before the next separator is the mailbox's.
    const std::string crlf = "From a@b Mon\r\nSubject: x\r\n\r\nbody\r\n\r\nFrom c@d Tue\r\nSubject: y\r\n\r\nlast";
    EXPECT_EQ(read(crlf, 0), "Subject: x\r\n\r\nbody\r\n");
    EXPECT_EQ(read(crlf, crlf.find("From c@d")), "Subject: y\r\n\r\nlast");
    // A message without the blank line before the next separator loses nothing.
    EXPECT_EQ(read("From a\nSubject: x\n\nbody\nFrom b\nSubject: y\n", 0), "Subject: x\n\nbody\n");
    // Not at a line start, or not "From ": nothing read.
    EXPECT_EQ(read("xFrom a\n", 1), "result 1");
    EXPECT_EQ(read("From a\nSubject: x\n", 3), "result 1");
    EXPECT_EQ(read("From a\n", 100), "result 1");
    // Only the separator line: an empty message.
    EXPECT_EQ(read("From a\n", 0), "");
    // ">>>From " loses one ">" only; "> From" and ">Fromage" are left alone.
    std::string text = ">>>From x\n> From y\n>Fromage\n>From z";
    CMailboxReader::UnescapeFromLines(text);
    EXPECT_EQ(text, ">>From x\n> From y\n>Fromage\nFrom z");
}

TEST(MorkIndex, DamagedTextNeverHangsOrCrashes)
{
    CMorkIndex index;
    EXPECT_EQ(index.Read("not mork"), 0);
    const std::string good = tb::MorkIndex({{1, 0}, {2, 515}, {3, 1073}, {0x1A, 70000}});
    ASSERT_EQ(index.Read(good), 1);
    std::uint64_t offset = 0;
    ASSERT_TRUE(index.FindStoreToken(0x1A, offset));
    EXPECT_EQ(offset, 70000u);
    ASSERT_TRUE(index.FindStoreToken(3, offset));
    EXPECT_EQ(offset, 1073u);
    // Every prefix and a few byte flips of a good index: read without harm.
    for (std::size_t cut = 0; cut < good.size(); cut += 7) {
        index.Read(good.substr(0, cut));
        std::string flipped = good;
        flipped[cut] = static_cast<char>(flipped[cut] ^ 0x5A);
        index.Read(flipped);
    }
    // A row cut from the table is gone; a row removed by "-id" too.
    ASSERT_EQ(index.Read(good + "@$${4{@\n{1:^80 -2 }\n@$$}4}@\n"), 1);
    EXPECT_FALSE(index.FindStoreToken(2, offset));
    EXPECT_TRUE(index.FindStoreToken(1, offset));
    // An unfinished group at the end changes nothing.
    ASSERT_EQ(index.Read(good + "@$${5{@\n[1(^B8=42)]\n"), 1);
    ASSERT_TRUE(index.FindStoreToken(1, offset));
    EXPECT_EQ(offset, 0u);
}

TEST(ThunderbirdRealMail, EveryRealMessageReadBackFromAMailbox)
{
    // The first folder of the candidates ("|"-separated) that exists.
    fs::path corpus;
    const std::string candidates = QUILLON_REAL_CORPUS_CANDIDATES;
    for (std::size_t start = 0; start <= candidates.size();) {
        std::size_t end = candidates.find('|', start);
        if (end == std::string::npos) end = candidates.size();
        const fs::path candidate = candidates.substr(start, end - start);
        if (corpus.empty() && !candidate.empty() && fs::is_directory(candidate)) corpus = candidate;
        start = end + 1;
    }
    if (corpus.empty()) GTEST_SKIP() << "no folder of real messages here: " << candidates;

    // Stored as Thunderbird stores them: LF lines, a final line end, keys 1, 2, 3 …
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(corpus))
        if (entry.path().extension() == ".eml") files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    ASSERT_FALSE(files.empty());
    TempDataFolder home;
    tb::Profile profile;
    profile.root = home.Root() / ".thunderbird";
    profile.Make();
    tb::Mailbox mailbox;
    for (const fs::path& file : files) {
        std::ifstream in(file, std::ios::binary);
        std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::string lf;
        for (std::size_t i = 0; i < text.size(); ++i)
            if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) lf += text[i];
        if (lf.empty() || lf.back() != '\n') lf += '\n';
        mailbox.Add(lf);
    }
    tb::WriteFile(profile.LocalFolders() / "Real", mailbox.bytes);
    tb::Profile::WriteIndex(profile.LocalFolders() / "Real.msf", mailbox);
    const CThunderbirdStore store({CPath::FromNative(profile.root.string())});
    for (std::size_t i = 0; i < files.size(); ++i) {
        CString text, detail;
        ASSERT_TRUE(store.ReadReference(tb::Reference("Real", i + 1), text, detail)) << files[i] << detail.Str();
        EXPECT_EQ(text.Str(), mailbox.messages[i]) << files[i];
    }
}
