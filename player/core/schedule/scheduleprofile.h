#pragma once
// The schedule travels with the profile: its file is Presets/Schedule/<profile name>.sdl in
// the program folder, loaded with the profile (after the scheduler is switched on or off as
// the profile says) and written when the profile is saved.
#include <QString>

namespace wc {

class Scheduler;

// "/station/Presets/Schedule/Evening.sdl" for "/station/Profile/Evening.prf": the profile's
// file name without folder and without its last four characters.
QString profileSchedulePath(const QString& programDir, const QString& profilePath);
// The scheduler on or off (TimeTable/ScheduleState), then the list from the profile's
// schedule file; a missing file leaves the list as it is. The shown schedule name is cleared.
void loadProfileSchedule(Scheduler& scheduler, bool scheduleState, const QString& programDir,
                         const QString& profilePath);
// Writes the list to the profile's schedule file (the folder is made when missing).
bool saveProfileSchedule(const Scheduler& scheduler, const QString& programDir,
                         const QString& profilePath, QString* error = nullptr);

} // namespace wc
