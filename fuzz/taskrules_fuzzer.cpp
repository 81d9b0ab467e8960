// The task editor's rules: the keystroke filters, the seconds clamp and the
// way stored values fill the fields and are stored again. The input, cut at
// NUL bytes, is a stored task (Desc, App, Wait, Opt, Keys) whose characters
// are also typed into the fields one by one.
#include "fuzztext.h"

#include "taskeditor/taskrules.h"

using namespace velmora;

namespace {

bool isControl(char32_t c) { return c < 32; }

// Each filter takes control keys and nothing its rule forbids.
void checkFilters(const QString& typed) {
    for (char32_t c : typed.toUcs4()) {
        if (acceptSecondsChar(c)) FUZZ_CHECK(isControl(c) || (c >= U'0' && c <= U'9'));
        else FUZZ_CHECK(!isControl(c));
        if (acceptStartKeyChar(c)) FUZZ_CHECK(isControl(c) || c == U'*' || (c >= U'a' && c <= U'z'));
        else FUZZ_CHECK(!isControl(c));
        FUZZ_CHECK(acceptDescChar(c, 29));
        FUZZ_CHECK(acceptDescChar(c, 30) == isControl(c));
    }
}

// What typing the text into a field leaves there, as the filter lets it.
template <typename Accept>
QString typeInto(const QString& typed, Accept accept) {
    QString field;
    for (char32_t c : typed.toUcs4())
        if (!isControl(c) && accept(c, field.size())) field += QString::fromUcs4(&c, 1);
    return field;
}

void checkClamp(const QString& seconds) {
    const QString once = clampSeconds(seconds);
    FUZZ_CHECK(clampSeconds(once) == once);
    const double value = numericValue(once);
    FUZZ_CHECK(value >= 0 && value <= kMaxWaitSeconds);
}

// Fields read from a stored task and stored again mean the same when read
// once more.
void checkStoredRoundTrip(const TaskRecord& stored) {
    const TaskFields fields = fieldsFromTask(stored);
    if (fields.wait == WaitChoice::ForSeconds) {
        FUZZ_CHECK(fields.seconds.isEmpty() || numericValue(fields.seconds) != 0);
        FUZZ_CHECK(clampSeconds(fields.seconds) == fields.seconds);
    }
    const TaskRecord again = taskFromFields(fields);
    const TaskFields reread = fieldsFromTask(again);
    FUZZ_CHECK(reread.desc == fields.desc && reread.app == fields.app && reread.keys == fields.keys);
    FUZZ_CHECK(reread.days == fields.days && reread.once == fields.once);
    if (fieldsComplete(fields.desc, fields.app, fields.wait == WaitChoice::ForSeconds, fields.seconds)) {
        FUZZ_CHECK(reread.wait == fields.wait);
        FUZZ_CHECK(numericValue(reread.seconds) == numericValue(fields.seconds));
    }
}

// Fields filled by typing, stored and read back are the fields typed.
void checkTypedRoundTrip(const QStringList& parts) {
    TaskFields typed = newTaskFields();
    typed.desc = typeInto(parts.value(0), [](char32_t c, qsizetype n) { return acceptDescChar(c, n); });
    typed.app = parts.value(1);
    typed.wait = WaitChoice::ForSeconds;
    typed.seconds =
        clampSeconds(typeInto(parts.value(2), [](char32_t c, qsizetype) { return acceptSecondsChar(c); }));
    typed.keys = typeInto(parts.value(4), [](char32_t c, qsizetype) { return acceptStartKeyChar(c); });
    const QString opt = parts.value(3);
    for (int i = 0; i < 7; ++i) typed.days[i] = opt.size() > i && opt[i].unicode() % 2 == 1;
    typed.once = opt.contains(QLatin1Char('O'));

    FUZZ_CHECK(typed.desc.size() <= kDescTypedLimit + 1);
    if (!fieldsComplete(typed.desc, typed.app, true, typed.seconds)) return;
    const TaskFields reread = fieldsFromTask(taskFromFields(typed));
    FUZZ_CHECK(reread.desc == typed.desc && reread.app == typed.app && reread.keys == typed.keys);
    FUZZ_CHECK(reread.days == typed.days && reread.once == typed.once);
    FUZZ_CHECK(reread.wait == WaitChoice::ForSeconds);
    FUZZ_CHECK(numericValue(reread.seconds) == numericValue(typed.seconds));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString all = fuzz::text(data, size);
    checkFilters(all);
    checkClamp(all);
    const QStringList parts = fuzz::texts(data, size);
    checkStoredRoundTrip(
        TaskRecord{parts.value(0), parts.value(1), parts.value(2), parts.value(3), parts.value(4)});
    checkTypedRoundTrip(parts);
    return 0;
}
