#pragma once
// Scripted message boxes: while a MessageBoxScript lives, every box of the system (the
// message-box route of model/CPlatformUi.h) is recorded instead of shown and answered from
// a queue the test fills ("No, then Yes"). A box with no answer queued gets the answer of an
// unseen box (OK, or No / Cancel for questions) and is counted as unexpected. The other
// services of the user interface (progress dialog, pump) go to the interface installed
// before, so a Qt test keeps its progress dialog.

#include "model/CPlatformUi.h"

#include <deque>
#include <string>
#include <vector>

class MessageBoxScript : public CPlatformUi {
public:
    struct Shown {
        CWnd* parent;
        CString text;
        CString caption;
        unsigned int type;
        int answer;
    };

    MessageBoxScript() : previous_(CPlatformUi::Get()) { CPlatformUi::Set(this); }
    ~MessageBoxScript() override { CPlatformUi::Set(previous_); }
    MessageBoxScript(const MessageBoxScript&) = delete;
    MessageBoxScript& operator=(const MessageBoxScript&) = delete;

    // Queues answers (IDYES, IDNO, IDOK, IDCANCEL) for the next boxes, in order.
    MessageBoxScript& Answer(int answer)
    {
        answers_.push_back(answer);
        return *this;
    }
    MessageBoxScript& Answer(std::initializer_list<int> answers)
    {
        answers_.insert(answers_.end(), answers.begin(), answers.end());
        return *this;
    }
    std::size_t Pending() const { return answers_.size(); }

    std::vector<Shown> boxes;
    int unexpected = 0;

    // The texts of the boxes shown, in order.
    std::vector<std::string> Texts() const
    {
        std::vector<std::string> texts;
        for (const Shown& box : boxes) texts.push_back(box.text.Str());
        return texts;
    }
    void Clear()
    {
        boxes.clear();
        answers_.clear();
        unexpected = 0;
    }

    int MessageBox(CWnd* parent, const CString& text, const CString& caption, unsigned int type) override
    {
        int answer;
        if (answers_.empty()) {
            answer = UnattendedAnswer(type);
            ++unexpected;
        } else {
            answer = answers_.front();
            answers_.pop_front();
        }
        boxes.push_back({parent, text, caption, type, answer});
        return answer;
    }
    std::unique_ptr<CProgressView> CreateProgressDlg(const CString& title, int showCancel, CWnd* parent) override
    {
        return previous_ != nullptr ? previous_->CreateProgressDlg(title, showCancel, parent) : nullptr;
    }
    void DoEvents() override
    {
        if (previous_ != nullptr) previous_->DoEvents();
    }
    void PumpPaint() override
    {
        if (previous_ != nullptr) previous_->PumpPaint();
    }

private:
    CPlatformUi* previous_;
    std::deque<int> answers_;
};
