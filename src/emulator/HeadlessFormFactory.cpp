// Where there is no tool window to create, drivers get the headless one.
#include "emulator/HeadlessForm.h"

std::unique_ptr<TBarcodesForm> CreateBarcodesForm() { return CreateHeadlessForm(); }
