#include "resources/stringtable.h"

#include "resources/failuretexts.h"

#include <iterator>

namespace {

struct Entry {
    int id;
    const char *english;
    const char *french;
};

// Stored exactly as the translators wrote them; 114 in English ends with a blank, and 119 has
// no French translation.
constexpr Entry kEntries[] = {
    {100, "English text by the ZAV41K developers",
     "Traduction française par les développeurs de ZAV41K"},
    {101, "&File", "&File"},
    {102, "E&xit", "&Sortir"},
    {103, "&Setup", "&Organization"},
    {105, "&Com Port", "&COM Port"},
    {106, "&About", "&Regarde"},
    {107, "&Help", "&Aide"},
    {108, "Under Range -- Check Zero", "Trop bas -- adjoutez zero"},
    {109, "Over Range -- Check Zero", "Trop Haute - adjoutez zero"},
    {110, "Check RS-232 Connection", "Regardez le connection de RS-232"},
    {111, "ZAV-41K Source DDE Application for Win95", "ZAV-41K Application de DDE d'origine"},
    {112, "Version", "Version"},
    {113, "Receives and interprets data from the ZAV-41K Dosifilm Reader with RS-232 opton.",
     "Recu et traduit l'absorbance du ZAV-41K"},
    {114, "DDE Link Application Name: ", "Le Nom d'Application de DDE"},
    {115, "DDE Link Topic:", "Le Topique de DDE"},
    {116, "DDE Link Items:", "Les choses de DDE Link"},
    {117, "&OK", "&OK"},
    {118, "Overrun Error", "Erreur de overrun"},
    {119, "Receive Buffer Overflow", "Receive Buffer Overflow"},
    {120, "Parity Error", "Erreur de Paritee"},
    {121, "Click Cancel to Quit, OK to ignore", "Is this used?"},
    {122, "&Cancel", "&Annuler"},
    {123, "Select the Comm Port Connected to the ZAV-41K", "Choisisez le Port de Communication"},
    {124, "About ZAV41K", "D'Abord ZAV41K"},
};

} // namespace

namespace StringTable {

Outcome<QString> text(int id, Language language)
{
    for (const Entry &entry : kEntries) {
        if (entry.id == id)
            return QString::fromUtf8(language == Language::French ? entry.french : entry.english);
    }
    return Failure{Failure::UnknownString, FailureTexts::unknownString(id)};
}

Outcome<QString> text(int id)
{
    return text(id, currentLanguage());
}

} // namespace StringTable
