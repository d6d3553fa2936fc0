// The update notice and news check at start: fetches the news file, offers a newer release,
// and reads the news rows, falling back to the copy kept from an earlier start or to the
// built-in rows. The news comes from the network and is not trusted: only an http or https
// address is fetched, an answer past kMaxNewsFileBytes is refused and nothing of it is kept,
// and each file is read once, on a worker thread. Every wait is on signals, so the window
// never blocks.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/NewsValue.h"
#include "jobs/NewsRows.h"

class QNetworkAccessManager;

namespace qarvo {

class TUpdateCheck : public QObject {
  Q_OBJECT

 public:
  static constexpr int kReadTimeout = 15000;
  // More rows than this are not read: a damaged count must not stall the start.
  static constexpr int kMaxRows = 100;
  // Redirects followed, never from https to http.
  static constexpr int kMaxRedirects = 5;
  // A server that keeps sending a trickle is cut off after this many read time-outs.
  static constexpr int kTimeOutsPerFetch = 4;
  static constexpr const char* kFetchedFile = "qarvonet.xml";
  static constexpr const char* kKeptFile = "qarvo.xml";

  // Asks the upgrade question; true for Yes.
  using TAsk = std::function<bool(const QString& question)>;

  // An empty address makes no request. The cache folder is made by the first fetch.
  TUpdateCheck(QString newsUrl, QString cacheFolder, std::string appTitle, std::string versionText,
               TAsk ask, QObject* parent = nullptr);
  ~TUpdateCheck() override;

  // $XDG_CACHE_HOME/qarvo3gpvideoconverter (else ~/.cache/qarvo3gpvideoconverter).
  static QString DefaultCacheFolder();

  void SetReadTimeout(int milliseconds) { readTimeout_ = milliseconds; }
  // Runs the check; Finished or UpgradeAccepted follows, never within this call.
  void Start();

  const std::vector<TAdInfo>& Rows() const { return rows_; }
  const std::string& Latest() const { return latest_; }

 signals:
  // The rows and the newest release number are ready.
  void Finished();
  // The user chose to upgrade; the program is to close.
  void UpgradeAccepted();

 private:
  // A file of the cache as the worker left it: written or read, and its values.
  struct TNewsRead {
    bool Ok = false;
    TNewsFile News;
  };
  using TBody = std::optional<QByteArray>;

  void Fetch(std::function<void(TBody)> then);
  void FirstFetched(TBody body);
  void FirstRead(TNewsRead read);
  void SecondFetched(TBody body);
  void UseKeptCopy();
  void OffMainThread(std::function<TNewsRead()> work, std::function<void(TNewsRead)> then);
  void TakeRows(const TNewsFile& texts, const TNewsFile& links);
  void Finish();
  QString CacheFile(const char* name) const;

  QString newsUrl_;
  QString cacheFolder_;
  std::string appTitle_;
  std::string versionText_;
  TAsk ask_;
  int readTimeout_ = kReadTimeout;
  QNetworkAccessManager* network_ = nullptr;
  std::vector<TAdInfo> rows_;
  std::string latest_;
  QByteArray firstBody_;  // kept for the copy when the second fetch fails
  TNewsFile first_;
};

}  // namespace qarvo
