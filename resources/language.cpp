#include "resources/language.h"

#include <QList>
#include <QtGlobal>

#include <optional>

namespace {

std::optional<Language> g_language;

bool isCLocale(const QByteArray &name)
{
    return name == "C" || name == "POSIX" || name.startsWith("C.");
}

Language languageOfName(const QByteArray &name)
{
    return name.startsWith("fr") ? Language::French : Language::English;
}

} // namespace

Language languageFromEnvironment(const std::function<QByteArray(const char *)> &getenv)
{
    QByteArray locale;
    for (const char *variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        locale = getenv(variable);
        if (!locale.isEmpty())
            break;
    }
    const QByteArray languages = getenv("LANGUAGE");
    if (!languages.isEmpty() && !locale.isEmpty() && !isCLocale(locale)) {
        for (const QByteArray &candidate : languages.split(':')) {
            if (!candidate.isEmpty())
                return languageOfName(candidate);
        }
    }
    return languageOfName(locale);
}

Language currentLanguage()
{
    if (!g_language)
        g_language = languageFromEnvironment([](const char *name) { return qgetenv(name); });
    return *g_language;
}

void setCurrentLanguage(Language language)
{
    g_language = language;
}

QString inLanguage(const char *english, const char *french)
{
    return QString::fromUtf8(currentLanguage() == Language::French ? french : english);
}
