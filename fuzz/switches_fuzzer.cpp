// The command line of the launcher: any text, searched for the switches.
#include "fuzztext.h"

#include "app/switches.h"

#include <cmath>

using namespace velmora;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString line = fuzz::text(data, size);
    const Switches s = parseCommandLine(line);

    // At most three characters are read after "/SKWAIT=", so the wait lies
    // between "-99" and "999"; without the switch it is the default.
    FUZZ_CHECK(std::isfinite(s.skWait));
    FUZZ_CHECK(s.skWait >= -99 && s.skWait <= 999);
    if (!line.contains(QLatin1String("/SKWAIT="), Qt::CaseInsensitive))
        FUZZ_CHECK(s.skWait == kDefaultSkWait);

    // A switch added after a blank adds exactly that switch.
    Switches withRun = parseCommandLine(line + QLatin1String(" /run"));
    FUZZ_CHECK(withRun.run);
    withRun.run = s.run;
    FUZZ_CHECK(withRun.noDisp == s.noDisp && withRun.reinstall == s.reinstall);
    FUZZ_CHECK(withRun.skWait == s.skWait);

    // The switches are searched in the arguments joined with blanks, so
    // cutting the line at its blanks changes nothing.
    const Switches fromArguments = parseSwitches(line.split(QLatin1Char(' ')));
    FUZZ_CHECK(fromArguments.run == s.run && fromArguments.noDisp == s.noDisp &&
               fromArguments.reinstall == s.reinstall && fromArguments.skWait == s.skWait);

    FUZZ_CHECK(!s.showsNoWindow() || (s.run && s.noDisp));
    return 0;
}
