#include "link/readerlink.h"

#include "link/commcontrol.h"

ReaderLink::ReaderLink(CommControl &comm, IndicatorModel &indicators, ReadingModel &readings,
                       Prompter &prompter, const QLocale &locale, QObject *parent)
    : QObject(parent)
    , m_watchdog(indicators, readings)
    , m_decoder(indicators, readings, m_watchdog, prompter, locale)
    , m_receiveHandler(comm, m_decoder, prompter)
{
    connect(&comm, &CommControl::OnComm, &m_receiveHandler, &ReceiveHandler::MSComm1_OnComm);
    connect(&comm, &CommControl::lineInterrupted, &m_receiveHandler,
            &ReceiveHandler::discardUnfinishedRecord);
}
