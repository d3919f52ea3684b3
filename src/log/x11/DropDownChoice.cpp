#include "log/x11/DropDownChoice.h"

#include <FL/Fl.H>

int TDropDownChoice::handle(int AEvent) {
    const bool opens = AEvent == FL_PUSH || (AEvent == FL_KEYBOARD && Fl::focus() == this && Fl::event_key() == ' ');
    if (opens && FOnDropDown) FOnDropDown(this, FData);
    return Fl_Choice::handle(AEvent);
}
