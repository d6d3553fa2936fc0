// A loopback HTTP server for the news check: answers every GET with one body, accepts the
// connection and never answers, or streams a large, endless or trickling body the way a
// hostile server would.
#pragma once

#include <QByteArray>
#include <QHash>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>

namespace qarvo::test {

class TLoopbackHttpServer : public QObject {
 public:
  // What a streamed answer never goes past, so that a client that keeps reading cannot fill
  // the machine.
  static constexpr qint64 kStreamCap = 512LL * 1024 * 1024;

  TLoopbackHttpServer() {
    server_.listen(QHostAddress::LocalHost, 0);
    connect(&server_, &QTcpServer::newConnection, this, [this] {
      while (QTcpSocket* socket = server_.nextPendingConnection()) {
        socket->setParent(this);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { Read(socket); });
        connect(socket, &QTcpSocket::bytesWritten, this, [this, socket] { Pump(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
          if (streams_.remove(socket) > 0) ++cutOff_;
        });
      }
    });
  }

  QUrl Url() const {
    return QUrl(QStringLiteral("http://127.0.0.1:%1/news.xml").arg(server_.serverPort()));
  }
  void SetBody(const QByteArray& body) {
    body_ = body;
    streamBytes_ = 0;
  }
  void SetSilent(bool silent) { silent_ = silent; }
  // Answers this many requests, then none.
  void SetAnswers(int answers) { answers_ = answers; }
  int Requests() const { return requests_; }

  // Streams `bytes` of `filler` repeated after `head` (-1: without end), announced by a
  // Content-Length header or, when `announced` is false, sent chunked. With an interval the
  // body trickles one byte at a time, one each `intervalMs`.
  void SetStream(QByteArray head, QByteArray filler, qint64 bytes, bool announced,
                 int intervalMs = 0) {
    head_ = std::move(head);
    filler_ = std::move(filler);
    streamBytes_ = bytes;
    announced_ = announced;
    intervalMs_ = intervalMs;
  }
  // Body bytes handed to the sockets so far, over all answers.
  qint64 BodyBytesSent() const { return sent_; }
  // Streamed answers the client closed before their end.
  int CutOff() const { return cutOff_; }

 private:
  struct TStream {
    qint64 Left = 0;  // -1: without end
    qint64 Offset = 0;
    QTimer* Trickle = nullptr;
  };

  void Read(QTcpSocket* socket) {
    QByteArray& request = pending_[socket];
    request += socket->readAll();
    if (!request.contains("\r\n\r\n")) return;
    request.clear();
    ++requests_;
    if (silent_ || (answers_ >= 0 && requests_ > answers_)) return;
    if (streamBytes_ != 0) {
      StartStream(socket);
      return;
    }
    socket->write(
        "HTTP/1.1 200 OK\r\nContent-Type: text/xml\r\nConnection: close\r\nContent-Length: " +
        QByteArray::number(body_.size()) + "\r\n\r\n" + body_);
    socket->disconnectFromHost();
  }

  void StartStream(QTcpSocket* socket) {
    QByteArray header = "HTTP/1.1 200 OK\r\nContent-Type: text/xml\r\nConnection: close\r\n";
    header += announced_ ? "Content-Length: " + QByteArray::number(head_.size() + streamBytes_) +
                               "\r\n\r\n"
                         : QByteArray("Transfer-Encoding: chunked\r\n\r\n");
    socket->write(header);
    TStream& stream = streams_[socket];
    stream.Left = streamBytes_;
    Send(socket, head_);
    if (intervalMs_ > 0) {
      stream.Trickle = new QTimer(socket);
      connect(stream.Trickle, &QTimer::timeout, this, [this, socket] { Drip(socket); });
      stream.Trickle->start(intervalMs_);
      return;
    }
    Pump(socket);
  }

  // Keeps about a megabyte queued while the client reads.
  void Pump(QTcpSocket* socket) {
    const auto found = streams_.find(socket);
    if (found == streams_.end() || found->Trickle) return;
    while (socket->bytesToWrite() < 1024 * 1024 && found->Left != 0 && sent_ < kStreamCap) {
      const qint64 size = found->Left < 0 ? 65536 : std::min<qint64>(65536, found->Left);
      Send(socket, Filler(*found, size));
      if (found->Left > 0) found->Left -= size;
    }
    if (found->Left == 0 || sent_ >= kStreamCap) End(socket);
  }

  void Drip(QTcpSocket* socket) {
    const auto found = streams_.find(socket);
    if (found == streams_.end()) return;
    Send(socket, Filler(*found, 1));
    if (found->Left > 0 && --found->Left == 0) End(socket);
  }

  QByteArray Filler(TStream& stream, qint64 size) {
    QByteArray part;
    part.reserve(size);
    while (part.size() < size) {
      const qint64 take = std::min<qint64>(size - part.size(), filler_.size() - stream.Offset);
      part += filler_.mid(stream.Offset, take);
      stream.Offset = (stream.Offset + take) % filler_.size();
    }
    return part;
  }

  void Send(QTcpSocket* socket, const QByteArray& part) {
    if (part.isEmpty()) return;
    socket->write(announced_ ? part : QByteArray::number(part.size(), 16) + "\r\n" + part + "\r\n");
    sent_ += part.size();
  }

  void End(QTcpSocket* socket) {
    if (!announced_) socket->write("0\r\n\r\n");
    streams_.remove(socket);
    socket->disconnectFromHost();
  }

  QTcpServer server_;
  QByteArray body_;
  bool silent_ = false;
  int requests_ = 0;
  int answers_ = -1;
  QHash<QTcpSocket*, QByteArray> pending_;
  QByteArray head_;
  QByteArray filler_;
  qint64 streamBytes_ = 0;
  bool announced_ = true;
  int intervalMs_ = 0;
  QHash<QTcpSocket*, TStream> streams_;
  qint64 sent_ = 0;
  int cutOff_ = 0;
};

}  // namespace qarvo::test
