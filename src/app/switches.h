#pragma once
// The command line: the launcher's switches are found as plain substrings of
// the whole line in any letter case ("/RUN", "/SKWAIT=", "/NODISP",
// "/REINSTALL", "/UNINSTALL"); "--help" and "--version" are separate arguments of their own.

#include <QDate>
#include <QString>
#include <QStringList>

namespace velmora {

inline constexpr double kDefaultSkWait = 5;

struct Switches {
    bool run = false;        // "/RUN": start-up mode
    bool noDisp = false;     // "/NODISP": the status window stays hidden
    bool reinstall = false;  // "/REINSTALL": forget "Installed"
    bool uninstall = false;  // "/UNINSTALL": undo Install, then end
    // Seconds the selection window waits: the numeric value of at most three
    // characters after "/SKWAIT=", 0 without a number, kDefaultSkWait without
    // the switch. May be fractional or negative; only a positive value waits.
    double skWait = kDefaultSkWait;
    bool help = false;     // an argument "--help"
    bool version = false;  // an argument "--version"

    // Start-up mode with nothing to show at all: no selection window and no
    // status window, so it needs no desktop.
    bool showsNoWindow() const { return run && noDisp && !(skWait > 0); }
};

// The arguments after the program name joined with single blanks: the text
// the switches are searched in.
QString commandLineText(const QStringList& arguments);

// `arguments` without the program name.
Switches parseSwitches(const QStringList& arguments);

// The switches found in one command-line text ("--help"/"--version" are not).
Switches parseCommandLine(const QString& commandLine);

// "--preview [LETTER] [--date YYYY-MM-DD] [--json]", whole arguments in any
// order: what start-up mode would do, printed instead of done.
struct PreviewSwitches {
    // "--preview", "--date" or "--json" is among the arguments; the program
    // then previews or, when `error` is set, says why it cannot.
    bool requested = false;
    QString letter;     // the configuration letter in lower case; "" for none
    QDate date;         // null: today
    bool json = false;  // "--json"
    QString error;      // why the arguments are not a preview; "" when they are
};

// `arguments` without the program name. The letter is one argument "a" to
// "z" in either case, as the letter keys choose it at the selection window.
// Any other argument next to "--preview", a second letter, a date that is not
// a real YYYY-MM-DD day, and "--date" or "--json" without "--preview" are
// errors.
PreviewSwitches parsePreview(const QStringList& arguments);

}  // namespace velmora
