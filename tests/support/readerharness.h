#pragma once

#include "common/indicatormodel.h"
#include "common/readingmodel.h"
#include "link/readerlink.h"
#include "resources/language.h"
#include "support/assignmentlog.h"
#include "support/scriptedprompter.h"

#include <utility>

// The reader link wired as the main window wires it, around a serial control of the test's
// choosing, with scripted message boxes and a log of every indicator assignment.
template <typename Comm> struct ReaderHarness {
    template <typename... Args>
    explicit ReaderHarness(Args &&...commArguments)
        : comm(std::forward<Args>(commArguments)...)
        , reader(comm, indicators, readings, prompter, QLocale::c())
        , log(indicators)
    {
        setCurrentLanguage(Language::English);
    }

    QStringList absorbances() const { return log.values(IndicatorModel::Item::Absorbance); }
    int decodes() const { return absorbances().size(); }

    Comm comm;
    IndicatorModel indicators;
    ReadingModel readings;
    ScriptedPrompter prompter;
    ReaderLink reader;
    AssignmentLog log;
};
