#pragma once
// The main window's size and maximised state to and from the profile.
#include "player/core/profile/formsize.h"

class QWidget;

namespace wc {

// Sizes the window as the profile asks; a maximised one keeps the stored size for when it
// is restored.
void applyFormSize(QWidget* window, const TProfile& profile);
// Puts the window's size (or the maximised marks) into the profile.
void storeFormSize(const QWidget* window, TProfile& profile);

} // namespace wc
