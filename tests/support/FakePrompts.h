// FakePrompts: answers every prompt of the program (message boxes, file dialogs, opening
// a file with the desktop, modal dialogs) from a script instead of a user, and records
// what was asked.
//
// While an instance lives it is the installed prompt handler; its destructor puts the
// previous handler back, so fakes nest. Scripted answers are used in the order given;
// when none is left a prompt gets its natural default: a message box its default
// button, a file or modal dialog Cancel, opening a file success.
#pragma once

#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <utility>
#include <vector>

#include "platform/Prompts.h"

class FakePrompts {
public:
    FakePrompts();
    ~FakePrompts();
    FakePrompts(const FakePrompts&) = delete;
    FakePrompts& operator=(const FakePrompts&) = delete;

    // The next prompt is answered with `button` (and `paths`, for a file dialog).
    void Answer(int button, QStringList paths = {});
    // The next prompt, a file dialog, is answered with OK and `paths`.
    void AnswerFiles(QStringList paths) { Answer(IDOK, std::move(paths)); }
    // The next prompt, a modal dialog, is worked by `drive` (type into it, click its
    // buttons). If the dialog is still open afterwards it ends with `buttonIfOpen`.
    void AnswerDialog(std::function<void(CDialog&)> drive, int buttonIfOpen = IDCANCEL);
    // Replaces the natural default for prompts past the script.
    void SetDefaultAnswer(PromptAnswer answer);

    // Every prompt so far, in order. A dialog request's pointers are valid only while
    // that dialog exists.
    const std::vector<PromptRequest>& Requests() const { return m_requests; }
    // The texts of the message boxes shown, in order.
    QStringList MessageTexts() const;
    int Count(PromptKind kind) const;
    // Scripted answers not used yet.
    size_t Pending() const { return m_script.size(); }
    void Clear() { m_requests.clear(); }

private:
    struct Step {
        PromptAnswer answer;
        std::function<void(CDialog&)> drive;
    };

    PromptAnswer Handle(const PromptRequest& request);

    PromptHandler m_previous;
    std::deque<Step> m_script;
    std::vector<PromptRequest> m_requests;
    bool m_hasDefault = false;
    PromptAnswer m_default;
};
