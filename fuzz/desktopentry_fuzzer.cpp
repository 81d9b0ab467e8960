// A Desktop Entry file's bytes: read, its values taken apart, and the
// decision and launch plan made from it.
#include "fuzztext.h"

#include "desktop/desktopentry.h"

using namespace velmora;

namespace {

void checkValues(const DesktopEntry& entry) {
    for (auto it = entry.values.cbegin(); it != entry.values.cend(); ++it) {
        const QString& key = it.key();
        const QString& value = it.value();
        // Keys end at the first '=', lines at '\n'; both are trimmed, and a
        // line that starts a comment or group never makes a key.
        FUZZ_CHECK(!key.isEmpty() && !key.contains(QLatin1Char('=')));
        FUZZ_CHECK(!key.contains(QLatin1Char('\n')) && !value.contains(QLatin1Char('\n')));
        FUZZ_CHECK(key == key.trimmed() && value == value.trimmed());
        FUZZ_CHECK(!key.startsWith(QLatin1Char('#')) && !key.startsWith(QLatin1Char('[')));

        // Undoing escapes never lengthens a text; list elements are never empty.
        FUZZ_CHECK(entry.string(key).size() <= value.size());
        for (const QString& item : entry.list(key)) FUZZ_CHECK(!item.isEmpty());
        const std::optional<bool> b = entry.boolean(key);
        FUZZ_CHECK(!b || value.size() <= 5);
    }
}

// Writing the values back as a file and reading it again gives them unchanged.
void checkRewrite(const DesktopEntry& entry) {
    QByteArray file = "[Desktop Entry]\n";
    for (auto it = entry.values.cbegin(); it != entry.values.cend(); ++it)
        file += it.key().toUtf8() + '=' + it.value().toUtf8() + '\n';
    const DesktopEntry again = parseDesktopEntry(file);
    FUZZ_CHECK(again.hasDesktopEntryGroup);
    FUZZ_CHECK(again.values == entry.values);
}

void checkPlan(const DesktopEntry& entry) {
    // Every name is found, so that plans get past the program check.
    const QString terminal = QStringLiteral("/bin/sh");
    DesktopEnvironment env;
    env.currentDesktop = QStringLiteral("XFCE:GNOME");
    env.findProgram = [](const QString& name) {
        return name.contains(QLatin1Char('/')) ? name : QStringLiteral("/bin/sh");
    };
    env.findTerminal = [&] { return terminal; };

    const DesktopEntryDecision decision = decide(entry, env.currentDesktop, env.findProgram);
    FUZZ_CHECK(decision.start == decision.reason.isEmpty());

    const DesktopLaunchPlan plan = planDesktopLaunch(entry, env);
    FUZZ_CHECK(plan.start == plan.reason.isEmpty());
    FUZZ_CHECK(plan.start == !plan.argv.isEmpty());
    FUZZ_CHECK(plan.start == !plan.program.isEmpty());
    if (plan.start) {
        FUZZ_CHECK(decision.start);
        FUZZ_CHECK(!plan.argv.first().isEmpty());
        if (entry.boolean(QStringLiteral("Terminal")) == true)
            FUZZ_CHECK(plan.argv.size() >= 3 && plan.argv[0] == terminal &&
                       plan.argv[1] == QLatin1String("-e"));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const DesktopEntry entry = parseDesktopEntry(bytes, QStringLiteral("/fuzz/entry.desktop"));
    if (!bytes.contains("[Desktop Entry]")) FUZZ_CHECK(!entry.hasDesktopEntryGroup);
    checkValues(entry);
    checkRewrite(entry);
    checkPlan(entry);
    return 0;
}
