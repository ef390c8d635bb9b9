#include "translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>

namespace {

std::unique_ptr<QTranslator> load(const QLocale& locale)
{
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
            QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return nullptr;
    return translator;
}

} // namespace

std::vector<std::unique_ptr<QTranslator>> installQtTranslations(const QLocale& system)
{
    std::vector<std::unique_ptr<QTranslator>> out;
    // Installed last is asked first, so German goes in first as the fallback.
    if (auto german = load(QLocale(QLocale::German, QLocale::Germany)))
        out.push_back(std::move(german));
    const QLocale::Language language = system.language();
    if (language != QLocale::German && language != QLocale::English && language != QLocale::C) {
        if (auto own = load(system))
            out.push_back(std::move(own));
    }
    for (const auto& t : out)
        QCoreApplication::installTranslator(t.get());
    return out;
}
