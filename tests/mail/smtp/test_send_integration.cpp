// Verifies a whole send against a real SMTP server (aiosmtpd) on loopback: what the server
// stored equals what the writer writes to a file for the same document, the envelope holds
// To, Cc, Bcc and the sender, and a refusal at the end of the data fails the send.
#include "SmtpServerProcess.h"

#include "model/CMailDoc.h"
#include "smtp/CMailSendRecv.h"
#include "smtp/CProgressCallback.h"
#include "writer/CEMailWriter.h"
#include "writer/CFileOutStream.h"

#include <gtest/gtest.h>

#include <fstream>
#include <regex>

namespace {

// Date, Message-ID and the boundary depend on the second the text was written.
std::string Normalize(const std::string& text)
{
    std::string out = std::regex_replace(text, std::regex("\r\nDate: [^\r]*\r\n"), "\r\nDate: *\r\n");
    out = std::regex_replace(out, std::regex("\r\nMessage-ID: [^\r]*\r\n"), "\r\nMessage-ID: *\r\n");
    return std::regex_replace(out, std::regex("BOUNDARY_[0-9A-F]{8}_[0-9A-F]{8}"), "BOUNDARY_*");
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class SendIntegration : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string why;
        if (!SmtpServerProcess::Available(why)) GTEST_SKIP() << why;
        char pattern[] = "/tmp/quillon-send-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        folder_ = pattern;

        std::string binary;
        for (int i = 0; i < 3000; ++i) binary += static_cast<char>((i * 7 + i / 256) & 0xFF);
        std::ofstream(folder_ + "/data.bin", std::ios::binary) << binary;
        // An attached mail goes out as it is stored: its "." lines must survive the wire.
        std::ofstream(folder_ + "/original.eml", std::ios::binary)
            << "From: old@example.jp\r\nSubject: original\r\n\r\nfirst\r\n.\r\n.x\r\n..y\r\n.\r\nlast\r\n";

        doc_.SetSubject("送信テスト");
        doc_.SetBody("本文です。\r\n.\r\n.x で始まる行\r\n");
        doc_.SetFromAddress(CAddress("", "送信者", "from@example.jp"));
        doc_.AddToAddress(CAddress("", "宛先一", "to1@example.jp"));
        doc_.AddToAddress(CAddress("", "", "to2@example.jp"));
        doc_.AddCcAddress(CAddress("", "写し", "cc@example.jp"));
        doc_.AddBccAddress(CAddress("", "", "bcc@example.jp"));
        doc_.SetSenderBccFlg(1);
        doc_.SetMailerName("Quillon");
        doc_.SetFiles({{CPath::FromNative(folder_ + "/data.bin"), "data.bin"},
                       {CPath::FromNative(folder_ + "/original.eml"), "original.eml"}});
    }
    void TearDown() override
    {
        if (!folder_.empty()) std::system(("rm -rf '" + folder_ + "'").c_str());
    }

    CMailDoc doc_;
    std::string folder_;
};

}  // namespace

TEST_F(SendIntegration, ServerStoresWhatTheWriterWrites)
{
    SmtpServerProcess server;
    ASSERT_NE(server.Port(), 0) << "the SMTP server did not start";
    doc_.SetSendServer("127.0.0.1", server.Port());

    CProgressCallback progress("送信中", 0, nullptr);
    progress.Start(doc_.GetMailSize());
    CString detail;
    ASSERT_TRUE(CMailSendRecv::Send(doc_, progress, detail)) << detail.Str();
    progress.Complete();

    const std::string file = folder_ + "/written.eml";
    {
        CFileOutStream out(CPath::FromNative(file));
        ASSERT_TRUE(out.Open());
        CProgressCallback silent("", 0, nullptr);
        CEMailWriter writer(&out, doc_, silent);
        CString writeDetail;
        ASSERT_TRUE(writer.Write(writeDetail)) << writeDetail.Str();
        out.Close();
    }
    const std::string written = ReadFile(file);
    const std::string stored = server.Read("1.eml");
    ASSERT_FALSE(stored.empty());
    EXPECT_NE(stored.find("\r\n.\r\n.x\r\n..y\r\n"), std::string::npos);
    EXPECT_EQ(Normalize(stored), Normalize(written));

    char host[256] = {};
    ASSERT_EQ(::gethostname(host, sizeof host), 0);
    EXPECT_EQ(server.Read("1.json"),
              std::string("{\"mail_from\": \"from@example.jp\", \"rcpt_tos\": [\"to1@example.jp\", \"to2@example.jp\", "
                          "\"cc@example.jp\", \"bcc@example.jp\", \"from@example.jp\"], \"helo\": \"") +
                  host + "\"}");
}

TEST_F(SendIntegration, RefusalAtEndOfDataFailsTheSend)
{
    SmtpServerProcess server("554 5.7.1 Message refused");
    ASSERT_NE(server.Port(), 0) << "the SMTP server did not start";
    doc_.SetSendServer("127.0.0.1", server.Port());
    CProgressCallback progress("送信中", 0, nullptr);
    CString detail;
    EXPECT_FALSE(CMailSendRecv::Send(doc_, progress, detail));
    EXPECT_EQ(detail, "554 5.7.1 Message refused\r\n");
}
