// Certificates for the secure-session tests, made with the system's openssl command in a
// temporary folder: a test authority, a server certificate it signs for 127.0.0.1 and localhost,
// one it signs for another name, and a self-signed one. Each server file holds the certificate
// and its key, as the test server reads them.
#pragma once

#include "core/file_io.h"
#include "support/process.h"
#include "support/temp_dir.h"

#include <string>
#include <vector>

namespace qp::test {

class TestCerts {
public:
    TestCerts() {
        if (!dir_.ok())
            return;
        const std::string key = "ec_paramgen_curve:prime256v1";
        ok_ = req({"-x509", "-subj", "/CN=Quillpost Test Authority", "-addext",
                   "basicConstraints=critical,CA:TRUE", "-addext", "keyUsage=keyCertSign,cRLSign"},
                  "ca") &&
              req({"-x509", "-CA", ca(), "-CAkey", dir_.path() + "ca.key", "-subj", "/CN=localhost",
                   "-addext", "subjectAltName=IP:127.0.0.1,DNS:localhost"},
                  "server") &&
              req({"-x509", "-CA", ca(), "-CAkey", dir_.path() + "ca.key", "-subj",
                   "/CN=other.example", "-addext", "subjectAltName=DNS:other.example"},
                  "other") &&
              req({"-x509", "-subj", "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1"},
                  "self") &&
              req({"-x509", "-subj", "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1"},
                  "self2");
    }

    bool ok() const { return ok_; }
    std::string ca() const { return dir_.path() + "ca.pem"; }
    // The PEM file of the server certificate name ("server", "other", "self", "self2").
    std::string server_file(const std::string& name) const { return dir_.path() + name + ".both"; }
    // The SHA-256 fingerprint as the openssl command shows it.
    std::string fingerprint(const std::string& name) const {
        const ProcessResult r =
            run_process({"/usr/bin/openssl", "x509", "-in", dir_.path() + name + ".pem", "-noout",
                         "-fingerprint", "-sha256"});
        const auto at = r.out.find('=');
        return at == std::string::npos ? "" : r.out.substr(at + 1, r.out.find('\n') - at - 1);
    }

private:
    // One key and certificate; the key and certificate together go to NAME.both.
    bool req(std::vector<std::string> extra, const std::string& name) {
        std::vector<std::string> args = {"/usr/bin/openssl",
                                         "req",
                                         "-newkey",
                                         "ec",
                                         "-pkeyopt",
                                         "ec_paramgen_curve:prime256v1",
                                         "-noenc",
                                         "-days",
                                         "2",
                                         "-keyout",
                                         dir_.path() + name + ".key",
                                         "-out",
                                         dir_.path() + name + ".pem"};
        args.insert(args.end(), extra.begin(), extra.end());
        const ProcessResult r = run_process(args);
        std::string key;
        std::string cert;
        return r.status == 0 && read_file(dir_.path() + name + ".key", key) &&
               read_file(dir_.path() + name + ".pem", cert) &&
               write_file(dir_.path() + name + ".both", key + cert);
    }

    TempDir dir_;
    bool ok_ = false;
};

} // namespace qp::test
