#pragma once
// A throwaway certificate authority for HTTPS tests, made with the openssl command line in a
// fresh temporary directory that the destructor removes. Creating one takes a few tens of
// milliseconds, so a suite makes one and shares it.

#include <string>

struct ServerCertificate {
    std::string certificateFile;
    std::string keyFile;
};

class ThrowawayCa {
public:
    ThrowawayCa();
    ~ThrowawayCa();
    ThrowawayCa(const ThrowawayCa&) = delete;
    ThrowawayCa& operator=(const ThrowawayCa&) = delete;

    // The authority's own certificate (PEM): the file a client trusts.
    const std::string& CaFile() const { return m_caFile; }
    // A server certificate signed by this authority for the given subjectAltName value, for
    // example "IP:127.0.0.1" or "DNS:elsewhere.test".
    ServerCertificate Issue(const std::string& name, const std::string& subjectAltName);

private:
    std::string m_directory;
    std::string m_caFile;
    std::string m_caKey;
};
