#include "linkclient.h"

#include "csvfield.h"
#include "publish/busowner.h"

#include <QDBusConnectionInterface>
#include <QDBusReply>
#include <QDBusVariant>
#include <QDateTime>

namespace {

const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");

} // namespace

LinkClient::LinkClient(QDBusConnection connection, QTextStream &out, QTextStream &err)
    : m_connection(connection)
    , m_follower(std::move(connection))
    , m_out(out)
    , m_err(err)
{
}

bool LinkClient::request(const LinkAddress &address)
{
    if (!m_connection.interface()->isServiceRegistered(address.service)) {
        m_err << "zav41k-link: the source is not running (nothing owns " << address.service
              << " on the session bus)" << Qt::endl;
        return false;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(address.service, address.path, kProperties,
                                                       QStringLiteral("Get"));
    call << address.interface << address.property;
    const QDBusReply<QDBusVariant> reply = m_connection.call(call, QDBus::Block, 5000);
    if (!reply.isValid()) {
        m_err << "zav41k-link: " << reply.error().message() << Qt::endl;
        return false;
    }
    m_out << reply.value().variant().toString() << Qt::endl;
    return wrote();
}

bool LinkClient::follow(const QList<LinkAddress> &addresses, Mode mode, Format format)
{
    m_mode = mode;
    m_format = format;
    connect(
        &m_follower, &ItemFollower::sourceOwnedByAnother, this,
        [this, service = addresses.first().service](qint64 pid, const QString &program) {
            m_err << "zav41k-link: " << BusOwner{pid, program}.notTheProgram(service) << Qt::endl;
        });
    if (!m_follower.follow(addresses)) {
        m_err << "zav41k-link: cannot subscribe: " << m_follower.lastError() << Qt::endl;
        return false;
    }
    const QString service = addresses.first().service;
    connect(&m_follower, &ItemFollower::updated, this, &LinkClient::print);
    connect(&m_follower, &ItemFollower::sourceRunningChanged, this, [this, service](bool running) {
        m_err << "zav41k-link: " << service
              << (running ? " is running" : " has stopped; waiting for it") << Qt::endl;
    });
    if (!m_follower.isSourceRunning())
        m_err << "zav41k-link: waiting for " << service << " to start" << Qt::endl;
    if (format == Format::Csv)
        m_out << (mode == Mode::Hot ? "time,item,value" : "time,item") << Qt::endl;
    return true;
}

void LinkClient::rebind(const QDBusConnection &connection)
{
    m_connection = connection;
    if (!m_follower.rebind(connection))
        m_err << "zav41k-link: cannot subscribe again: " << m_follower.lastError() << Qt::endl;
}

void LinkClient::print(const QString &item, const QString &value)
{
    const QString time = QDateTime::currentDateTime().toString(Qt::ISODateWithMs);
    if (m_format == Format::Csv) {
        m_out << time << u',' << item;
        if (m_mode == Mode::Hot)
            m_out << u',' << csvField(value);
    } else {
        m_out << time << u'\t' << item;
        if (m_mode == Mode::Hot)
            m_out << u'\t' << value;
    }
    m_out << Qt::endl;
    if (!wrote())
        emit failed();
}

bool LinkClient::wrote()
{
    if (m_out.status() == QTextStream::Ok)
        return true;
    m_err << "zav41k-link: cannot write the values to the standard output" << Qt::endl;
    return false;
}
