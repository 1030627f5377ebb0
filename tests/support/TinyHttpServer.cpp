#include "TinyHttpServer.h"

#include <QTcpSocket>

TinyHttpServer::TinyHttpServer(QObject *parent) : QObject(parent)
{
    connect(&m_server, &QTcpServer::newConnection, this, [this]() {
        while (QTcpSocket *socket = m_server.nextPendingConnection()) {
            socket->setParent(this);
            connect(socket, &QTcpSocket::readyRead, this, [this, socket]() { answer(socket); });
        }
    });
}

bool TinyHttpServer::listen()
{
    return m_server.listen(QHostAddress::LocalHost, 0);
}

QUrl TinyHttpServer::baseUrl() const
{
    return QUrl(QStringLiteral("http://127.0.0.1:%1").arg(m_server.serverPort()));
}

void TinyHttpServer::respondWith(int status, const QByteArray &body)
{
    m_status = status;
    m_body = body;
}

void TinyHttpServer::answer(QTcpSocket *socket)
{
    QByteArray request = socket->property("request").toByteArray() + socket->readAll();
    socket->setProperty("request", request);
    if (!request.contains("\r\n\r\n") || m_silent)
        return;
    ++m_requests;
    m_lastPath = request.split(' ').value(1);
    const QByteArray reason = m_status == 200 ? "OK" : "Error";
    QByteArray response = "HTTP/1.1 " + QByteArray::number(m_status) + ' ' + reason + "\r\n";
    response += "Content-Type: text/plain\r\nConnection: close\r\nContent-Length: "
                + QByteArray::number(m_body.size()) + "\r\n\r\n" + m_body;
    socket->write(response);
    socket->disconnectFromHost();
}
