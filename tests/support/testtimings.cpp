// Linked into every test program: the tests run the waits of the link and the workflows scaled
// down (KESTRUM_TEST_TIME_DIVISOR, 10 unless set), the simulated controllers included, before any
// test object exists. A test that talks to a program under test (which keeps the described
// waits) sets the described profile back.
#include "timings.h"

#include <QtGlobal>

namespace {

const bool scaled = [] {
    bool ok = false;
    int divisor = qEnvironmentVariableIntValue("KESTRUM_TEST_TIME_DIVISOR", &ok);
    if (!ok)
        divisor = 10;
    kestrum::setTimings(kestrum::Timings::scaledDown(divisor));
    return true;
}();

} // namespace
