// The window's controls and message boxes in memory.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "app/MessageBoxes.h"
#include "app/WindowControls.h"

namespace kr8::fake {

class FakeControls : public WindowControls {
  public:
    struct ListEntry {
        std::string text;
        bool checked = false;
    };

    std::string GetText1() override { return text1; }
    void SetText1(const std::string& text) override { text1 = text; }
    void ClearList1() override { list.clear(); }
    void AddList1(const std::string& entry) override { list.push_back({entry, false}); }
    int List1Count() override { return static_cast<int>(list.size()); }
    std::string List1Entry(int index) override { return list.at(static_cast<size_t>(index)).text; }
    bool List1Checked(int index) override { return list.at(static_cast<size_t>(index)).checked; }
    void SetList1Checked(int index, bool checked) override {
        list.at(static_cast<size_t>(index)).checked = checked;
    }
    void RemoveList1(int index) override { list.erase(list.begin() + index); }
    void SetList1Current(int) override {}
    void SetEnabled(Button button, bool on) override { enabled[button] = on; }
    bool IsEnabled(Button button) override { return enabled[button]; }
    void SetCaption(const std::string& text) override { captions.push_back(text); }

    std::vector<std::string> Entries() const {
        std::vector<std::string> texts;
        for (const ListEntry& e : list) {
            texts.push_back(e.text);
        }
        return texts;
    }

    std::string text1;
    std::vector<ListEntry> list;
    std::map<Button, bool> enabled;
    std::vector<std::string> captions;
};

// Answers boxes from a script, in order; with the script used up, the box's default button.
class FakeBoxes : public MessageBoxes {
  public:
    MsgAnswer Show(const std::string& prompt, MsgButtons buttons, MsgIcon,
                   const std::string&) override {
        shown.push_back(prompt);
        if (onShow) {
            onShow();
        }
        const MsgAnswer byDefault = buttons == MsgButtons::YesNo            ? MsgAnswer::Yes
                                    : buttons == MsgButtons::YesNoDefaultNo ? MsgAnswer::No
                                                                            : MsgAnswer::Ok;
        const MsgAnswer a = answers.empty() ? byDefault : answers.front();
        if (!answers.empty()) {
            answers.pop_front();
        }
        return a;
    }
    std::deque<MsgAnswer> answers;
    std::vector<std::string> shown;  // the prompts, in order
    std::function<void()> onShow;
};

}  // namespace kr8::fake
