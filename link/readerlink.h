#pragma once

#include "link/readingdecoder.h"
#include "link/receivehandler.h"
#include "link/watchdog.h"

#include <QLocale>
#include <QObject>

class CommControl;
class IndicatorModel;
class Prompter;
class ReadingModel;

// The reader link of the main window: the receive handler, the decoder and the watchdog,
// wired to the window's serial control, indicators and readings.
class ReaderLink : public QObject {
    Q_OBJECT

public:
    ReaderLink(CommControl &comm, IndicatorModel &indicators, ReadingModel &readings,
               Prompter &prompter, const QLocale &locale, QObject *parent = nullptr);

    Watchdog &watchdog() { return m_watchdog; }
    ReadingDecoder &decoder() { return m_decoder; }
    ReceiveHandler &receiveHandler() { return m_receiveHandler; }

private:
    Watchdog m_watchdog;
    ReadingDecoder m_decoder;
    ReceiveHandler m_receiveHandler;
};
