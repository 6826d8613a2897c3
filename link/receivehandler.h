#pragma once

#include "link/recordframer.h"
#include "resources/stringid.h"

#include <QByteArray>
#include <QObject>
#include <QString>

class CommControl;
class Prompter;
class ReadingDecoder;

// Handles every event of the serial control: received characters are cut into records for the
// decoder; overrun, overflow and parity errors raise an alert whose Cancel closes the port.
// A line error is reported once, and never by a second alert on top of an open one.
class ReceiveHandler : public QObject {
    Q_OBJECT

public:
    ReceiveHandler(CommControl &comm, ReadingDecoder &decoder, Prompter &prompter,
                   QObject *parent = nullptr);

    void MSComm1_OnComm();
    // The line was interrupted: the record being received cannot be completed.
    void discardUnfinishedRecord();

    const QString &CommErrorText() const { return m_commErrorText; }
    qint16 AlertResponse() const { return m_alertResponse; }
    // The characters of the record still being received.
    const QString &ReceiveBuffer() const { return m_framer.pending(); }

private:
    void takePieces();
    void setLineError(StringId textId);
    void alertOnLineError();

    CommControl &m_comm;
    ReadingDecoder &m_decoder;
    Prompter &m_prompter;
    RecordFramer m_framer;
    QString m_commErrorText;
    qint16 m_alertResponse = 0;
    bool m_alertOpen = false;
};
