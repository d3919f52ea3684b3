// The emulator window's logic: which slot lands in which picture box, the
// pages shown, the error box text, and the headless window's handlers.
#include <doctest.h>

#include <array>
#include <bit>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/Error.h"
#include "emulator/FormLogic.h"
#include "emulator/HeadlessForm.h"

using Texts = std::vector<std::u16string>;

TEST_CASE("LayoutSlots packs the filled slots from the first picture box on, two to a page") {
    // Every combination of filled slots, the documented ones among them
    // (slots 0 and 1; 2 and 7; three slots; all eight; none).
    for (unsigned mask = 0; mask < 256; ++mask) {
        CAPTURE(mask);
        std::array<std::u16string, 8> slots;
        std::vector<int> filled;
        for (int i = 0; i < 8; ++i) {
            if (mask & (1u << i)) {
                slots[i] = u"x";
                filled.push_back(i);
            }
        }
        const TFormLayout layout = LayoutSlots(slots);
        const int count = std::popcount(mask);
        CHECK(layout.count == count);
        CHECK(layout.pages == (count + 1) / 2);
        for (int k = 0; k < 8; ++k) CHECK(layout.slotOfImage[k] == (k < count ? filled[k] : -1));
    }
}

TEST_CASE("ErrorBoxText adds a full stop after a last character above the full stop") {
    CHECK(ErrorBoxText(u"Data too long to fit in symbol") == u"Data too long to fit in symbol.");
    CHECK(ErrorBoxText(u"Done.") == u"Done.");  // 46 itself
    CHECK(ErrorBoxText(u"a-") == u"a-");        // 45
    CHECK(ErrorBoxText(u"a/") == u"a/.");       // 47
    CHECK(ErrorBoxText(u"Ошибка") == u"Ошибка.");
    CHECK(ErrorBoxText(u"") == u"");
}

TEST_CASE("the headless window: hidden at first, laid out on each show, pictures kept while shown") {
    THeadlessForm form;
    Texts sent;
    form.SetOnGetData([&](const std::u16string& value) { sent.push_back(value); });
    CHECK_FALSE(form.Visible());
    CHECK(form.Caption() == u"Считываемые данные");
    CHECK(form.Alpha() == 235);
    CHECK_THROWS_AS(form.SetBarcode(8, u"x"), EComponentError);
    CHECK_THROWS_AS(form.GetBarcode(-1), EComponentError);

    form.SetBarcode(2, u"two");
    form.SetBarcode(7, u"seven");
    form.Show();
    CHECK(form.ShowCount() == 1);
    CHECK(form.ImageSlot(1) == 2);
    CHECK(form.ImageSlot(2) == 7);
    CHECK(form.ImageSlot(3) == -1);

    // Changed while shown: the picture stays, a double-click sends the new text.
    form.SetBarcode(2, u"<0x41>new");
    form.Show();
    CHECK(form.ShowCount() == 1);
    CHECK(form.ImageText(1) == u"two");
    form.DoubleClickImage(1);
    CHECK(sent == Texts{u"Anew"});

    // A box the next show does not fill is hidden and takes no double-click.
    form.Hide();
    form.DoubleClickImage(1);  // hidden window
    form.SetBarcode(2, u"");
    form.Show();
    CHECK(form.ShowCount() == 2);
    CHECK(form.ImageSlot(1) == 7);
    CHECK(form.ImageSlot(2) == -1);
    form.DoubleClickImage(2);
    CHECK(sent == Texts{u"Anew"});
}

TEST_CASE("the headless window's double-click and button send the unescaped text or report why not") {
    THeadlessForm form;
    Texts sent;
    form.SetOnGetData([&](const std::u16string& value) { sent.push_back(value); });
    form.SetBarcode(0, u"<0x01><0x02><0x03>");
    form.Show();

    form.DoubleClickImage(1);
    form.PressSend(u"0102<0x1D>0304");
    CHECK(sent == Texts{u"\x01\x02\x03", u"0102\x1D" u"0304"});

    form.PressSend(u"");
    form.PressSend(u"<0x123456789>");
    CHECK(form.Warnings() == Texts{u"Введите код"});
    CHECK(form.ErrorBoxes() == Texts{u"'$123456789' is not a valid integer value."});

    // A failing callback is the window's to report, not the caller's.
    form.SetOnGetData([](const std::u16string&) { throw EComponentError(u"Cannot create a thread"); });
    form.DoubleClickImage(1);
    form.SetOnGetData([](const std::u16string&) { throw std::runtime_error("bad thing."); });
    form.PressSend(u"x");
    CHECK(form.ErrorBoxes().back() == u"bad thing.");
    CHECK(form.ErrorBoxes().at(1) == u"Cannot create a thread.");

    form.SetOnGetData(nullptr);
    form.PressSend(u"x");
    CHECK(form.ErrorBoxes().size() == 3);
    CHECK(sent.size() == 2);
}
