#pragma once

#include <QtGlobal>

// The IDs of the string table, by name; each value is the ID under which the text is stored.
// There is no text 104.
enum class StringId : quint16 {
    TranslatorCredit = 100, // stored, never looked up or shown
    MenuFile = 101,
    MenuFileExit = 102,
    MenuSetup = 103,
    MenuPort = 105,
    MenuAbout = 106,
    MenuHelp = 107,
    UnderRange = 108,
    OverRange = 109,
    CheckConnection = 110,
    AboutTitle = 111,
    AboutVersion = 112,
    AboutDescription = 113,
    AboutLinkApplication = 114,
    AboutLinkTopic = 115,
    AboutLinkItems = 116,
    Ok = 117,
    OverrunError = 118,
    ReceiveBufferOverflow = 119,
    ParityError = 120,
    LineErrorTitle = 121,
    Cancel = 122,
    PortPrompt = 123,
    AboutCaption = 124,
};
