// Control identifiers of the emulator window's children. Test tools that
// drive the window from outside find its controls by these.
#pragma once

namespace form_ids {
constexpr int kEdit = 100;        // edtBarcode
constexpr int kSendButton = 101;  // btnSend
constexpr int kPages = 102;       // PageControl
constexpr int kFirstImage = 201;  // Image1; Image8 is kFirstImage + 7
}  // namespace form_ids
