#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace help {

// F1 anywhere in `window` (whichever child has the focus) is consumed and
// opens the topic that `topic` gives at that moment, so a window with tabs
// can answer with the topic of the shown tab. The topic goes to the platform
// services, so a test sees which topic a window asked for.
void installF1(QWidget* window, std::function<QString()> topic);
void installF1(QWidget* window, const QString& topic);

} // namespace help
