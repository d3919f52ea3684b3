// The two controls of the emulator window that FLTK lacks: a picture box
// that answers double-clicks and draws its picture unscaled at its top-left
// corner, and an edit box that shows a placeholder text while it is empty.
#pragma once

#include <FL/Fl_Box.H>
#include <FL/Fl_Input.H>

class TImageBox final : public Fl_Box {
public:
    TImageBox(int X, int Y, int W, int H) : Fl_Box(X, Y, W, H) {}
    // The callback runs on a double-click of the left button.
    int handle(int AEvent) override;
    void draw() override;
};

class TPlaceholderInput final : public Fl_Input {
public:
    TPlaceholderInput(int X, int Y, int W, int H, const char* APlaceholder)
        : Fl_Input(X, Y, W, H), FPlaceholder(APlaceholder) {}
    void draw() override;

private:
    const char* FPlaceholder;
};
