#include "emulator/x11/Widgets.h"

#include <FL/Fl.H>
#include <FL/Fl_Image.H>
#include <FL/fl_draw.H>

int TImageBox::handle(int AEvent) {
    if (AEvent != FL_PUSH || Fl::event_button() != FL_LEFT_MOUSE) return Fl_Box::handle(AEvent);
    if (Fl::event_clicks() > 0) {
        Fl::event_clicks(0);  // a third click starts a new double-click
        do_callback();
    }
    return 1;
}

void TImageBox::draw() {
    fl_color(FL_WHITE);
    fl_rectf(x(), y(), w(), h());
    if (Fl_Image* picture = image()) picture->draw(x(), y());
}

void TPlaceholderInput::draw() {
    Fl_Input::draw();
    if (size() > 0 || Fl::focus() == this) return;
    fl_font(textfont(), textsize());
    fl_color(FL_INACTIVE_COLOR);
    fl_push_clip(x() + Fl::box_dx(box()), y(), w() - Fl::box_dw(box()), h());
    fl_draw(FPlaceholder, x() + Fl::box_dx(box()) + 3, y(), w(), h(), FL_ALIGN_LEFT);
    fl_pop_clip();
}
