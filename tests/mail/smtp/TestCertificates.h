#pragma once
// A certificate authority of the test's own and server certificates signed by it, made with
// the openssl command in a fresh temporary folder that is removed again. Ok() says why not
// when the command is missing or failed.

#include <cstdlib>
#include <string>
#include <unistd.h>

class TestCertificates {
public:
    TestCertificates()
    {
        if (std::system("openssl version >/dev/null 2>&1") != 0) {
            why_ = "the openssl command is missing (Debian package openssl)";
            return;
        }
        char pattern[] = "/tmp/quillon-ca-XXXXXX";
        if (!::mkdtemp(pattern)) return;
        folder_ = pattern;
        const std::string key = " -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes";
        std::string script = "cd '" + folder_ + "' && openssl req -x509" + key +
                             " -keyout ca.key -out ca.pem -days 2 -subj '/CN=Quillon Test CA'"
                             " -addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign,cRLSign";
        if (std::system((script + " >/dev/null 2>&1").c_str()) != 0) {
            why_ = "openssl could not make the test CA";
            return;
        }
        ok_ = Issue("good", "localhost", "DNS:localhost,IP:127.0.0.1") && Issue("wrong", "wrong.example", "DNS:wrong.example");
        if (!ok_) why_ = "openssl could not issue the server certificates";
    }
    ~TestCertificates()
    {
        if (!folder_.empty()) std::system(("rm -rf '" + folder_ + "'").c_str());
    }
    TestCertificates(const TestCertificates&) = delete;
    TestCertificates& operator=(const TestCertificates&) = delete;

    bool Ok(std::string& why) const
    {
        why = why_;
        return ok_;
    }
    std::string Ca() const { return folder_ + "/ca.pem"; }
    // "good" (localhost, 127.0.0.1) or "wrong" (wrong.example): certificate and key.
    std::string Cert(const std::string& name) const { return folder_ + "/" + name + ".pem"; }
    std::string Key(const std::string& name) const { return folder_ + "/" + name + ".key"; }

private:
    bool Issue(const std::string& name, const std::string& commonName, const std::string& altNames)
    {
        const std::string script =
            "cd '" + folder_ + "' && printf 'subjectAltName=" + altNames +
            "\\nbasicConstraints=CA:FALSE\\nextendedKeyUsage=serverAuth\\n' > " + name + ".ext && openssl req" +
            " -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -keyout " + name + ".key -out " + name +
            ".csr -subj '/CN=" + commonName + "' && openssl x509 -req -in " + name + ".csr -CA ca.pem -CAkey ca.key" +
            " -CAcreateserial -days 2 -out " + name + ".pem -extfile " + name + ".ext";
        return std::system((script + " >/dev/null 2>&1").c_str()) == 0;
    }

    std::string folder_;
    std::string why_;
    bool ok_ = false;
};
