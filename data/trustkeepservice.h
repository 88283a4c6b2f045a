#ifndef TRUSTKEEP_TRUSTKEEPSERVICE_H
#define TRUSTKEEP_TRUSTKEEPSERVICE_H

#include "trustkeepclient.h"

// Where the certificate manager service lives on the system bus. The proxy
// class itself (TrustkeepClient) is generated from com.tavelo.certman.xml.
namespace TrustkeepService {
inline constexpr char name[] = "com.tavelo.certman";
inline constexpr char path[] = "/request";
inline constexpr char interface[] = "com.tavelo.certman";
} // namespace TrustkeepService

#endif
