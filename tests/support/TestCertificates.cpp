#include "support/TestCertificates.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace {

void Run(const std::string& command) {
    if (std::system((command + " >/dev/null 2>&1").c_str()) != 0) {
        throw std::runtime_error("test certificate command failed: " + command);
    }
}

constexpr const char* kNewKey = "-newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes";

} // namespace

ThrowawayCa::ThrowawayCa() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vnt-ca-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot make a directory for test certificates");
    }
    m_directory = pattern;
    m_caFile = m_directory + "/ca.pem";
    m_caKey = m_directory + "/ca.key";
    Run("openssl req -x509 " + std::string(kNewKey) + " -keyout '" + m_caKey + "' -out '" +
        m_caFile + "' -days 2 -subj '/CN=Varnolt throwaway test CA'");
}

ThrowawayCa::~ThrowawayCa() {
    std::error_code ignored;
    std::filesystem::remove_all(m_directory, ignored);
}

ServerCertificate ThrowawayCa::Issue(const std::string& name, const std::string& subjectAltName) {
    const std::string base = m_directory + "/" + name;
    ServerCertificate issued{base + ".pem", base + ".key"};
    {
        std::ofstream extensions(base + ".ext");
        extensions << "subjectAltName=" << subjectAltName << "\n"
                   << "basicConstraints=CA:FALSE\n"
                   << "keyUsage=digitalSignature\n"
                   << "extendedKeyUsage=serverAuth\n";
    }
    Run("openssl req " + std::string(kNewKey) + " -keyout '" + issued.keyFile + "' -out '" + base +
        ".csr' -subj '/CN=" + name + "'");
    Run("openssl x509 -req -in '" + base + ".csr' -CA '" + m_caFile + "' -CAkey '" + m_caKey +
        "' -CAcreateserial -days 2 -extfile '" + base + ".ext' -out '" + issued.certificateFile +
        "'");
    return issued;
}
