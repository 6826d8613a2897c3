#pragma once

#include <QTcpServer>

// A loopback port that nothing listens on now, for a server a test starts; 0 when none is free.
inline int freePort()
{
    QTcpServer server;
    return server.listen(QHostAddress::LocalHost) ? server.serverPort() : 0;
}
