#pragma once
// The main window's size as the profile keeps it (Options/FormWidth and FormHeight): the
// window's width and height, or -799 and 573 while it is maximised.
#include "player/core/profile/profile.h"

namespace wc {

struct FormSize {
    int width = 799;
    int height = 573;
    bool maximised = false;
    bool operator==(const FormSize&) const = default;
};

// The values put into the profile before it is saved.
void StoreFormSize(TProfile& profile, const FormSize& window);
// The window the profile asks for: maximised when the stored width is negative; the size is
// then the one the window takes when it is restored. Sizes of 0 or less give the defaults.
FormSize StoredFormSize(const TProfile& profile);

} // namespace wc
