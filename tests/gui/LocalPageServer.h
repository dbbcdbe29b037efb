#pragma once
// A small HTTP server on 127.0.0.1 for tests that drive a real browser: it answers every GET with
// the page a test gives for its path (404 for any other), or with what a test's own reply function
// says, and notes the paths asked for.

#include <QHash>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>
#include <functional>

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

    struct Request {
        QByteArray path;
        QByteArray authorization;  // the Authorization header's value, if any
        QByteArray host;           // the Host header's name, without its port
    };
    struct Reply {
        QByteArray status = "200 OK";
        QByteArray headers;  // further header lines, each ending in CRLF
        QByteArray body;
    };
    /// Answers every request with `reply` instead of the pages.
    void setReply(std::function<Reply(const Request&)> reply) { m_reply = std::move(reply); }

    QStringList requests;

private:
    void serve(QTcpSocket* socket) {
        QByteArray& request = m_pending[socket];
        request += socket->readAll();
        if (!request.contains("\r\n\r\n"))
            return;
        const QList<QByteArray> lines = request.split('\n');
        Request asked{lines.first().split(' ').value(1), {}, {}};
        for (const QByteArray& line : lines)
            if (line.toLower().startsWith("authorization:"))
                asked.authorization = line.mid(14).trimmed();
            else if (line.toLower().startsWith("host:"))
                asked.host = line.mid(5).trimmed().split(':').first();
        m_pending.remove(socket);
        requests << QString::fromLatin1(asked.path);
        Reply reply;
        if (m_reply) {
            reply = m_reply(asked);
        } else if (m_pages.contains(asked.path)) {
            reply.body = m_pages.value(asked.path);
        } else {
            reply.status = "404 Not Found";
        }
        socket->write("HTTP/1.1 " + reply.status +
                      "\r\nContent-Type: text/html; charset=utf-8\r\nConnection: close\r\n" + reply.headers +
                      "Content-Length: " + QByteArray::number(reply.body.size()) + "\r\n\r\n" + reply.body);
        socket->disconnectFromHost();
    }
    QTcpServer m_server;
    QHash<QTcpSocket*, QByteArray> m_pending;
    QHash<QByteArray, QByteArray> m_pages;
    std::function<Reply(const Request&)> m_reply;
};
