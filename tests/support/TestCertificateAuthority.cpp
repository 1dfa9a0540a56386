#include "TestCertificateAuthority.h"

#include "CertificateAuthority.h"

namespace tarvel::test {

TestCertificateAuthority::TestCertificateAuthority(const std::vector<std::string>& extraHostNames,
                                                   Validity validity)
    : valid_(sandbox::CertificateAuthority::create(directory_.path(), nullptr, extraHostNames,
                                                   validity == Validity::expired)
                 .has_value()) {}

}  // namespace tarvel::test
