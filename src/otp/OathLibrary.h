#pragma once
// liboath wants oath_init() once before its other calls; every use here goes through this.
#include <liboath/oath.h>

namespace otp {

/// Starts liboath on the first call (thread-safe); later calls do nothing.
inline void ensureOathReady() {
    static const int started = oath_init();
    (void)started;
}

}  // namespace otp
