#pragma once
// The rules of the task editor without its window: which typed characters
// each field takes, the seconds clamp, when OK may be pressed, how stored
// values fill the fields and how the fields become stored values again, and
// which task number a save goes to.

#include "store/settingsstore.h"
#include "store/tasklayout.h"

#include <QString>

#include <array>
#include <optional>

namespace velmora {

// A description takes typed characters until it holds this many.
inline constexpr qsizetype kDescTypedLimit = 30;
// The longest wait the editor stores: 12 hours.
inline constexpr int kMaxWaitSeconds = 43200;

// Keystroke filters. `c` is one typed character; characters below code 32
// (Backspace and other control keys) always pass.
// Description: refused once the field already holds `lengthBefore` >= 30
// characters, whatever part of it is selected.
bool acceptDescChar(char32_t c, qsizetype lengthBefore);
// The description a name gives (an application's, when one is chosen): the
// name cut to kDescTypedLimit characters, as if it had been typed. A
// character outside the Basic Multilingual Plane counts once and is never
// cut in half.
QString descriptionFromName(const QString& name);
// Seconds: digits only.
bool acceptSecondsChar(char32_t c);
// Start keys: "*" and the lower-case letters "a" to "z".
bool acceptStartKeyChar(char32_t c);

// The seconds text after the clamp: empty when its numeric value is below 0,
// "43200" when above 43200, otherwise unchanged. Applying it twice changes
// nothing more.
QString clampSeconds(const QString& text);

// Whether OK may be pressed: description and command each hold something
// besides trailing blanks (leading blanks count), and, when the wait is for a
// number of seconds, that number is above 0. The cap of a wait until settled
// is such a number too (`forSeconds` true, `seconds` its field): it follows
// the same rule, filter and clamp.
bool fieldsComplete(const QString& desc, const QString& app, bool forSeconds, const QString& seconds);

enum class WaitChoice { DontWait, UntilFinished, ForSeconds, UntilSettled };

// Everything the editor's fields hold. days[0] is Monday ... days[6] Sunday.
struct TaskFields {
    QString desc;
    QString app;
    WaitChoice wait = WaitChoice::DontWait;
    QString seconds;  // the seconds field; meaningful for ForSeconds only
    std::array<bool, 7> days{};
    bool once = false;
    QString keys;
    QString settleSeconds;  // the cap's own field; meaningful for UntilSettled only
    bool operator==(const TaskFields&) const = default;
};

// A new task: every day, start key "*", don't wait, nothing else.
TaskFields newTaskFields();

// The fields of a stored task. "Wait": "DW" in any case at its start is don't
// wait; else its numeric value rounded half to even is 0 for until finished
// or the number of seconds (clamped like a typed value); a wait until settled
// (settleCap()) is UntilSettled with `settleSeconds` its cap, rounded and
// clamped the same way.
// "Opt": each of the letters "A".."G" and "O" found anywhere,
// case-sensitively, ticks its box.
TaskFields fieldsFromTask(const TaskRecord& task);

// The stored values of the fields: texts unchanged; "Wait" "DW", "0", the
// seconds text as it stands, or for UntilSettled the settle field's text
// followed by "S" (settleWait()); "Opt" the ticked days' letters "A".."G" in day
// order followed by "O" when once only (no date stamp).
TaskRecord taskFromFields(const TaskFields& fields);

// Whether the number the editor was opened for names a task (1..999); any
// other number stands for a new task.
bool isTaskNumber(int taskNumber);

// The number a save writes to: `taskNumber` when it names a task, else the
// first free number; 0 when a new task finds all 999 numbers taken.
int numberToSave(const SettingsStore& store, int taskNumber);

}  // namespace velmora
