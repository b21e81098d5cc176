#pragma once
// The help entries of the main menu: "Содержание" (F1) and "С чего начать" both open the help
// file of the language folder, "Lang/<LangDir>/help.chm" in the program folder, with the
// desktop's viewer.
#include <QString>

namespace wc {

enum class HelpEntry { Contents, GettingStarted };

struct HelpTarget {
    QString file;  // the help file's path
    QString topic; // the page the entry is about ("" for the contents)
    bool exists = false;
};

HelpTarget helpTargetFor(HelpEntry entry, const QString& programDir, const QString& langDir);
// The log line when the language folder holds no help file.
QString missingHelpText(const HelpTarget& target);

} // namespace wc
