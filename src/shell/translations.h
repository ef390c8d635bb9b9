#pragma once

#include <QLocale>
#include <QTranslator>

#include <memory>
#include <vector>

// Qt's own texts (file dialogs, standard buttons, context menus) in the
// language of the program. German is always loaded because every text of the
// program is German; the system locale's translation is laid over it unless
// that locale is English, which would bring the English dialogs back.
// The translators are installed in the running application and uninstall
// themselves when destroyed.
std::vector<std::unique_ptr<QTranslator>> installQtTranslations(const QLocale& system = QLocale::system());
