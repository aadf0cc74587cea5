#include "support/FakePrompts.h"

#include <utility>

FakePrompts::FakePrompts() {
    m_previous = SetPromptHandler([this](const PromptRequest& request) { return Handle(request); });
}

FakePrompts::~FakePrompts() {
    SetPromptHandler(std::move(m_previous));
}

void FakePrompts::Answer(int button, QStringList paths) {
    m_script.push_back(Step{PromptAnswer{button, std::move(paths)}, {}});
}

void FakePrompts::AnswerAnyDialog(std::function<void(QDialog&)> drive, int buttonIfOpen) {
    m_script.push_back(Step{PromptAnswer{buttonIfOpen, {}}, std::move(drive)});
}

void FakePrompts::SetDefaultAnswer(PromptAnswer answer) {
    m_hasDefault = true;
    m_default = std::move(answer);
}

QStringList FakePrompts::MessageTexts() const {
    QStringList texts;
    for (const PromptRequest& request : m_requests) {
        if (request.kind == PromptKind::MessageBox)
            texts << request.text;
    }
    return texts;
}

int FakePrompts::Count(PromptKind kind) const {
    int count = 0;
    for (const PromptRequest& request : m_requests)
        count += request.kind == kind ? 1 : 0;
    return count;
}

PromptAnswer FakePrompts::Handle(const PromptRequest& request) {
    m_requests.push_back(request);
    if (m_script.empty()) {
        if (m_hasDefault)
            return m_default;
        switch (request.kind) {
        case PromptKind::MessageBox:
            return PromptAnswer{DefaultButton(request.style), {}};
        case PromptKind::OpenExternal:
            return PromptAnswer{IDOK, {}};
        default:
            return PromptAnswer{IDCANCEL, {}};
        }
    }
    // Taken off the script before the dialog is driven: what the dialog asks meanwhile
    // (a message box from its OK handler) gets the answers after this one.
    Step step = std::move(m_script.front());
    m_script.pop_front();
    if (step.drive && request.dialog)
        step.drive(*request.dialog);
    return step.answer;
}
