#include "TestCertificateAuthority.h"

#include "CertificateAuthority.h"

namespace tarvel::test {

TestCertificateAuthority::TestCertificateAuthority(const std::vector<std::string>& extraHostNames)
    : valid_(sandbox::CertificateAuthority::create(directory_.path(), nullptr, extraHostNames)
                 .has_value()) {}

}  // namespace tarvel::test
