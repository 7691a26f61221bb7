// Each uncalled host function only records that it was called.
#include "tests/support/uncalled_host_functions.h"

#define ZR_DEFINE_UNCALLED(name)                                                                             \
    void name(void) {                                                                                        \
        recordUncalledHostCall(#name);                                                                       \
    }
#define ZR_SKIP_CALLED(name, Result, Parameters)
ZR_HOST_FUNCTIONS(ZR_DEFINE_UNCALLED, ZR_SKIP_CALLED)
#undef ZR_DEFINE_UNCALLED
#undef ZR_SKIP_CALLED
