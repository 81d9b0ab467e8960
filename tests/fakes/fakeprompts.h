#pragma once
// Prompts that answer themselves: window tests script the answers, then look
// at what was asked. Nothing modal is ever shown.

#include "ui/prompts.h"

#include <QString>
#include <QStringList>

#include <algorithm>
#include <deque>
#include <vector>

class QWidget;

namespace velmora::testing {

class FakePrompts final : public Prompts {
public:
    enum class Kind { AskYesNo, Warn, Inform, Error, OpenFile, ChooseApplication };

    struct Call {
        Kind kind;
        QString text;  // the message; for OpenFile the dialog title; "" for ChooseApplication
        QWidget* parent = nullptr;
        QString initial;      // OpenFile only
        QStringList filters;  // OpenFile only
    };

    // Answers to askYesNo, taken in order; once they run out, `otherAnswer`.
    std::deque<Answer> answers;
    Answer otherAnswer = Answer::No;
    // Paths returned by openFile, taken in order; once they run out, "" (cancelled).
    std::deque<QString> files;

    // Answers to chooseApplication, taken in order; once they run out, Cancelled.
    std::deque<ApplicationChoice> choices;

    // Every message box, file dialog and chooser, in the order asked. Beeps are only counted.
    std::vector<Call> calls;
    int beeps = 0;

    Answer askYesNo(QWidget* parent, const QString& text) override {
        calls.push_back({Kind::AskYesNo, text, parent, {}, {}});
        if (answers.empty()) return otherAnswer;
        const Answer a = answers.front();
        answers.pop_front();
        return a;
    }
    void warn(QWidget* parent, const QString& text) override {
        calls.push_back({Kind::Warn, text, parent, {}, {}});
    }
    void inform(QWidget* parent, const QString& text) override {
        calls.push_back({Kind::Inform, text, parent, {}, {}});
    }
    void error(QWidget* parent, const QString& text) override {
        calls.push_back({Kind::Error, text, parent, {}, {}});
    }
    QString openFile(QWidget* parent, const QString& title, const QString& initial,
                     const QStringList& filters) override {
        calls.push_back({Kind::OpenFile, title, parent, initial, filters});
        if (files.empty()) return {};
        const QString f = files.front();
        files.pop_front();
        return f;
    }
    ApplicationChoice chooseApplication(QWidget* parent) override {
        calls.push_back({Kind::ChooseApplication, {}, parent, {}, {}});
        if (choices.empty()) return {};
        const ApplicationChoice c = choices.front();
        choices.pop_front();
        return c;
    }
    void beep() override { ++beeps; }

    // How many calls of one kind were made, and their texts in order.
    int count(Kind kind) const {
        return int(
            std::count_if(calls.begin(), calls.end(), [kind](const Call& c) { return c.kind == kind; }));
    }
    QStringList texts(Kind kind) const {
        QStringList out;
        for (const Call& c : calls)
            if (c.kind == kind) out.append(c.text);
        return out;
    }
};

}  // namespace velmora::testing
