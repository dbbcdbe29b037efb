#pragma once
// A small HTTP server on 127.0.0.1 for tests that drive a real browser: it answers every GET with
// the page a test gives for its path (404 for any other) and notes the paths asked for.

#include <QHash>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>

class LocalPageServer : public QObject {
public:
    LocalPageServer() {
        m_server.listen(QHostAddress::LocalHost);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { serve(socket); });
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
    }
    QString url(const QString& path) const {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(path);
    }
    /// The HTML page served at `path` (UTF-8).
    void setPage(const QByteArray& path, const QByteArray& html) { m_pages.insert(path, html); }
    QStringList requests;

private:
    void serve(QTcpSocket* socket) {
        QByteArray& request = m_pending[socket];
        request += socket->readAll();
        if (!request.contains("\r\n\r\n"))
            return;
        const QByteArray path = request.left(request.indexOf('\n')).split(' ').value(1);
        m_pending.remove(socket);
        requests << QString::fromLatin1(path);
        const bool known = m_pages.contains(path);
        const QByteArray body = m_pages.value(path);
        socket->write(QByteArray("HTTP/1.1 ") + (known ? "200 OK" : "404 Not Found") +
                      "\r\nContent-Type: text/html; charset=utf-8\r\nConnection: close\r\nContent-Length: " +
                      QByteArray::number(body.size()) + "\r\n\r\n" + body);
        socket->disconnectFromHost();
    }
    QTcpServer m_server;
    QHash<QTcpSocket*, QByteArray> m_pending;
    QHash<QByteArray, QByteArray> m_pages;
};
