// FakePrompts: answers every prompt of the program (message boxes, file dialogs, opening
// a file with the desktop, modal dialogs) from a script instead of a user, and records
// what was asked.
//
// While an instance lives it is the installed prompt handler; its destructor puts the
// previous handler back, so fakes nest. Scripted answers are used in the order given;
// when none is left a prompt gets its natural default: a message box its default
// button, a file or modal dialog Cancel, opening a file success.
#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <gtest/gtest.h>
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
    // buttons), which takes the dialog as the QDialog class it names (a test fails when
    // the dialog shown is not one). If the dialog is still open afterwards it ends with
    // `buttonIfOpen`.
    template <class Drive> void AnswerDialog(Drive drive, int buttonIfOpen = IDCANCEL) {
        using Dialog = typename DialogArgument<decltype(&Drive::operator())>::type;
        AnswerAnyDialog(
            [drive = std::move(drive)](QDialog& shown) mutable {
                auto* dialog = dynamic_cast<Dialog*>(&shown);
                if (!dialog) {
                    ADD_FAILURE() << "the dialog shown is not the one the test drives";
                    return;
                }
                drive(*dialog);
            },
            buttonIfOpen);
    }
    void AnswerAnyDialog(std::function<void(QDialog&)> drive, int buttonIfOpen);
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
        std::function<void(QDialog&)> drive;
    };

    // The dialog class a drive function takes by reference.
    template <class Member> struct DialogArgument;
    template <class C, class R, class D> struct DialogArgument<R (C::*)(D&) const> { using type = D; };
    template <class C, class R, class D> struct DialogArgument<R (C::*)(D&)> { using type = D; };

    PromptAnswer Handle(const PromptRequest& request);

    PromptHandler m_previous;
    std::deque<Step> m_script;
    std::vector<PromptRequest> m_requests;
    bool m_hasDefault = false;
    PromptAnswer m_default;
};
