#pragma once
// Applies a language file's captions to a window: each component name is the object name of
// a child widget or action, whose text (or title) becomes the caption; the window's own name
// sets its title.
#include <QHash>
#include <QString>

class QWidget;

namespace wc::base {

void applyCaptions(QWidget* window, const QHash<QString, QString>& captions);

} // namespace wc::base
