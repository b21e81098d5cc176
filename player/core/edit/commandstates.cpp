#include "player/core/edit/commandstates.h"

namespace wc {

EditCommandStates editCommandStates(EditFocus focus, int count, int selected, bool clipboardItems) {
    EditCommandStates s;
    switch (focus) {
    case EditFocus::ActivePlaylist:
        s.cut = s.copy = s.del = selected > 0;
        s.paste = clipboardItems;
        s.delAll = count > 0;
        break;
    case EditFocus::SearchList:
        s.copy = selected > 0;
        break;
    case EditFocus::TextField:
        // The menu entries do the field's own cut and copy; pasting from the menu is only
        // for the list (the field's Ctrl+V is its own).
        s.cut = s.copy = true;
        break;
    case EditFocus::Elsewhere:
        break;
    }
    return s;
}

QStringList qtNameFilters(const QString& pipeFilter) {
    const QStringList parts = pipeFilter.split(QLatin1Char('|'));
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString& p : patterns)
            p = p.trimmed();
        filters << QStringLiteral("%1 (%2)").arg(parts[i], patterns.join(QLatin1Char(' ')));
    }
    return filters;
}

QString addFileFilter() {
    return QStringLiteral(
        "wav/mp3/ogg/wma/wmv/cda/spx/aac/mp4/ac3/alac/mpc/ofr/tta/wv/flac/opus/oga/m4a/line.in|"
        "*.wav;*.mp3;*.ogg;*.wma;*.wmv;*.cda;*.spx;*.aac;*.mp4;*.ac3;*.alac;*.mpc;*.ofr;*.tta;*.wv;"
        "*.flac;*.opus;*.oga;*.m4a;line.in"
        "|Line Input (line.in)|line.in");
}

} // namespace wc
