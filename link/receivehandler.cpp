#include "link/receivehandler.h"

#include "common/prompter.h"
#include "link/commcontrol.h"
#include "link/readingdecoder.h"
#include "resources/stringtable.h"

ReceiveHandler::ReceiveHandler(CommControl &comm, ReadingDecoder &decoder, Prompter &prompter,
                               QObject *parent)
    : QObject(parent)
    , m_comm(comm)
    , m_decoder(decoder)
    , m_prompter(prompter)
{
}

void ReceiveHandler::MSComm1_OnComm()
{
    const Outcome<qint16> event = m_comm.CommEvent();
    if (!event)
        return;
    switch (event.value()) {
    case CommEventCode::Receive: {
        const Outcome<QByteArray> input = m_comm.Input();
        if (!input)
            break;
        const QByteArray &ReceivedData = input.value();
        // One character per byte, as the reader sends single-byte text.
        m_framer.append(QString::fromLatin1(ReceivedData));
        takePieces();
        break;
    }
    case CommEventCode::Overrun: setLineError(StringId::OverrunError); break;
    case CommEventCode::ReceiveOverflow: setLineError(StringId::ReceiveBufferOverflow); break;
    case CommEventCode::Parity: setLineError(StringId::ParityError); break;
    default: break;
    }
    alertOnLineError();
}

void ReceiveHandler::discardUnfinishedRecord()
{
    m_framer.discardUnfinished();
    takePieces();
}

// Pieces are taken one at a time, so that a receive event handled while a decoder box is open
// takes the next one and the order of what came is kept.
void ReceiveHandler::takePieces()
{
    while (const std::optional<ReceivedPiece> piece = m_framer.takePiece()) {
        if (piece->record)
            m_decoder.DecodeReading(piece->characters, piece->delimited);
        else
            m_decoder.piecesDropped(piece->characters);
    }
}

void ReceiveHandler::setLineError(StringId textId)
{
    const Outcome<QString> text = StringTable::text(textId);
    if (text)
        m_commErrorText = text.value();
}

void ReceiveHandler::alertOnLineError()
{
    // The open alert already reports the line's trouble.
    if (m_commErrorText.isEmpty() || m_alertOpen)
        return;
    m_alertOpen = true;
    m_prompter.beep();
    const Outcome<QString> title = StringTable::text(StringId::LineErrorTitle);
    m_alertResponse = static_cast<qint16>(
        m_prompter.messageBox(m_commErrorText, Prompter::Buttons::OkCancel, Prompter::Icon::None,
                              title ? title.value() : QString()));
    m_commErrorText.clear();
    m_alertOpen = false;
    if (m_alertResponse == Prompter::Cancel)
        (void)m_comm.setPortOpen(false);
}
