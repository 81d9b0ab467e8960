#include "taskeditor/taskrules.h"

#include <algorithm>

namespace velmora {

namespace {
bool isControl(char32_t c) { return c < 32; }
}  // namespace

bool acceptDescChar(char32_t c, qsizetype lengthBefore) {
    return isControl(c) || lengthBefore < kDescTypedLimit;
}

QString descriptionFromName(const QString& name) {
    qsizetype end = 0;
    for (qsizetype count = 0; count < kDescTypedLimit && end < name.size(); ++count) {
        const bool pair =
            name[end].isHighSurrogate() && end + 1 < name.size() && name[end + 1].isLowSurrogate();
        end += pair ? 2 : 1;
    }
    return name.left(end);
}

bool acceptSecondsChar(char32_t c) { return isControl(c) || (c >= U'0' && c <= U'9'); }

bool acceptStartKeyChar(char32_t c) { return isControl(c) || c == U'*' || (c >= U'a' && c <= U'z'); }

QString clampSeconds(const QString& text) {
    QString out = text;
    if (numericValue(out) < 0) out.clear();
    if (numericValue(out) > kMaxWaitSeconds) out = QString::number(kMaxWaitSeconds);
    return out;
}

namespace {
bool hasContent(const QString& text) {
    // Only trailing blanks are ignored; a leading blank is content.
    qsizetype end = text.size();
    while (end > 0 && text[end - 1] == QLatin1Char(' ')) --end;
    return end > 0;
}
}  // namespace

bool fieldsComplete(const QString& desc, const QString& app, bool forSeconds, const QString& seconds) {
    return hasContent(desc) && hasContent(app) && (!forSeconds || numericValue(seconds) > 0);
}

TaskFields newTaskFields() {
    TaskFields f;
    f.days.fill(true);
    f.keys = QStringLiteral("*");
    return f;
}

TaskFields fieldsFromTask(const TaskRecord& task) {
    TaskFields f;
    f.desc = task.desc;
    f.app = task.app;
    f.keys = task.keys;

    if (isDontWait(task.wait)) {
        f.wait = WaitChoice::DontWait;
    } else {
        // Anything above the largest storable wait ends up as that wait after
        // the clamp; bounding the value first keeps the rounding of absurdly
        // long numbers inside the integer range.
        const double v = std::clamp(numericValue(task.wait), -1e9, double(kMaxWaitSeconds));
        const long long w = roundHalfEven(v);
        if (settleCap(task.wait)) {
            f.wait = WaitChoice::UntilSettled;
            f.settleSeconds = clampSeconds(QString::number(w));
        } else if (w == 0) {
            f.wait = WaitChoice::UntilFinished;
        } else {
            f.wait = WaitChoice::ForSeconds;
            f.seconds = clampSeconds(QString::number(w));
        }
    }

    f.once = task.opt.contains(kOnceOnlyLetter);
    for (int i = 0; i < 7; ++i) f.days[i] = task.opt.contains(kWeekdayLetters[i]);
    return f;
}

TaskRecord taskFromFields(const TaskFields& fields) {
    TaskRecord r;
    r.desc = fields.desc;
    r.app = fields.app;
    switch (fields.wait) {
    case WaitChoice::DontWait: r.wait = QStringLiteral("DW"); break;
    case WaitChoice::UntilFinished: r.wait = QStringLiteral("0"); break;
    case WaitChoice::ForSeconds: r.wait = fields.seconds; break;
    case WaitChoice::UntilSettled: r.wait = settleWait(fields.settleSeconds); break;
    }
    for (int i = 0; i < 7; ++i) {
        if (fields.days[i]) r.opt += kWeekdayLetters[i];
    }
    if (fields.once) r.opt += kOnceOnlyLetter;
    r.keys = fields.keys;
    return r;
}

bool isTaskNumber(int taskNumber) { return taskNumber >= 1 && taskNumber <= kMaxTasks; }

int numberToSave(const SettingsStore& store, int taskNumber) {
    return isTaskNumber(taskNumber) ? taskNumber : firstFreeTask(store);
}

}  // namespace velmora
