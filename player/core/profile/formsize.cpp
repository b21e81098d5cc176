#include "player/core/profile/formsize.h"

#include <cstdlib>

namespace wc {

namespace {
constexpr int kDefaultWidth = 799;
constexpr int kDefaultHeight = 573;
} // namespace

void StoreFormSize(TProfile& profile, const FormSize& window) {
    profile.FormWidth = window.maximised ? -kDefaultWidth : window.width;
    profile.FormHeight = window.maximised ? kDefaultHeight : window.height;
}

FormSize StoredFormSize(const TProfile& profile) {
    FormSize s;
    s.maximised = profile.FormWidth < 0;
    const int w = std::abs(profile.FormWidth);
    s.width = w > 0 ? w : kDefaultWidth;
    s.height = profile.FormHeight > 0 ? profile.FormHeight : kDefaultHeight;
    return s;
}

} // namespace wc
