#ifndef BASTRA_DEVICESECRET_H
#define BASTRA_DEVICESECRET_H

#include <stddef.h>

namespace bastra_internal {

constexpr size_t deviceSecretSize = 32;

// The device's secret behind all token encryption, made on first use. 0 with
// the secret filled in, else an errno value (last error set).
int loadDeviceSecret(unsigned char secret[deviceSecretSize]);

} // namespace bastra_internal

#endif
