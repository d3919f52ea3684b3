// A drop-down list that calls its drop-down callback just before its list
// opens, so the list can be refilled first.
#pragma once

#include <FL/Fl_Choice.H>

class TDropDownChoice final : public Fl_Choice {
public:
    using Fl_Choice::Fl_Choice;
    void OnDropDown(Fl_Callback* ACallback, void* AData) {
        FOnDropDown = ACallback;
        FData = AData;
    }
    int handle(int AEvent) override;

private:
    Fl_Callback* FOnDropDown = nullptr;
    void* FData = nullptr;
};
