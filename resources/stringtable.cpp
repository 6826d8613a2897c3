#include "resources/stringtable.h"

#include "resources/failuretexts.h"

#include <iterator>

namespace {

struct Entry {
    StringId id;
    const char *english;
    const char *french;
};

// Stored exactly as the translators wrote them; 114 in English ends with a blank, and 119 has
// no French translation.
constexpr Entry kEntries[] = {
    {StringId::TranslatorCredit, "English text by the ZAV41K developers",
     "Traduction française par les développeurs de ZAV41K"},
    {StringId::MenuFile, "&File", "&File"},
    {StringId::MenuFileExit, "E&xit", "&Sortir"},
    {StringId::MenuSetup, "&Setup", "&Organization"},
    {StringId::MenuPort, "&Com Port", "&COM Port"},
    {StringId::MenuAbout, "&About", "&Regarde"},
    {StringId::MenuHelp, "&Help", "&Aide"},
    {StringId::UnderRange, "Under Range -- Check Zero", "Trop bas -- adjoutez zero"},
    {StringId::OverRange, "Over Range -- Check Zero", "Trop Haute - adjoutez zero"},
    {StringId::CheckConnection, "Check RS-232 Connection", "Regardez le connection de RS-232"},
    {StringId::AboutTitle, "ZAV-41K Source DDE Application for Win95",
     "ZAV-41K Application de DDE d'origine"},
    {StringId::AboutVersion, "Version", "Version"},
    {StringId::AboutDescription,
     "Receives and interprets data from the ZAV-41K Dosifilm Reader with RS-232 opton.",
     "Recu et traduit l'absorbance du ZAV-41K"},
    {StringId::AboutLinkApplication, "DDE Link Application Name: ", "Le Nom d'Application de DDE"},
    {StringId::AboutLinkTopic, "DDE Link Topic:", "Le Topique de DDE"},
    {StringId::AboutLinkItems, "DDE Link Items:", "Les choses de DDE Link"},
    {StringId::Ok, "&OK", "&OK"},
    {StringId::OverrunError, "Overrun Error", "Erreur de overrun"},
    {StringId::ReceiveBufferOverflow, "Receive Buffer Overflow", "Receive Buffer Overflow"},
    {StringId::ParityError, "Parity Error", "Erreur de Paritee"},
    {StringId::LineErrorTitle, "Click Cancel to Quit, OK to ignore", "Is this used?"},
    {StringId::Cancel, "&Cancel", "&Annuler"},
    {StringId::PortPrompt, "Select the Comm Port Connected to the ZAV-41K",
     "Choisisez le Port de Communication"},
    {StringId::AboutCaption, "About ZAV41K", "D'Abord ZAV41K"},
};

} // namespace

namespace StringTable {

Outcome<QString> text(StringId id, Language language)
{
    for (const Entry &entry : kEntries) {
        if (entry.id == id)
            return QString::fromUtf8(language == Language::French ? entry.french : entry.english);
    }
    return Failure{Failure::UnknownString, FailureTexts::unknownString(static_cast<int>(id))};
}

Outcome<QString> text(StringId id)
{
    return text(id, currentLanguage());
}

} // namespace StringTable
