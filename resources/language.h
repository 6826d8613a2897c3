#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

enum class Language { English, French };

// The user's first interface language, read from the environment in the C library's order:
// LANGUAGE (unless the locale is C or POSIX, where the C library ignores it), then LC_ALL,
// LC_MESSAGES, LANG. French when that language is French; English otherwise.
Language languageFromEnvironment(const std::function<QByteArray(const char *)> &getenv);

// The language in which the program speaks to the user: taken from the process environment
// on first use, and settable so that tests can pin it.
Language currentLanguage();
void setCurrentLanguage(Language language);

// The text in the current language, from its English and French (UTF-8).
QString inLanguage(const char *english, const char *french);
