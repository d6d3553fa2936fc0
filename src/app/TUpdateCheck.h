// The update notice and news check at start: fetches the news file, offers a newer release,
// and reads the news rows, falling back to the copy kept from an earlier start or to the
// built-in rows. Every wait is on the network's signals, so the window never blocks.
#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <string>
#include <vector>

#include "jobs/NewsRows.h"

class QNetworkAccessManager;

namespace qarvo {

class TUpdateCheck : public QObject {
  Q_OBJECT

 public:
  static constexpr int kReadTimeout = 15000;
  // More rows than this are not read: a damaged count must not stall the start.
  static constexpr int kMaxRows = 100;
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
  void Fetch(const QString& fileName, std::function<void(bool)> then);
  void FirstFetched(bool fetched);
  void SecondFetched(bool fetched);
  void UseKeptCopy();
  void ReadRows(const QString& textFile, const QString& linkFile);
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
  int count_ = 0;
};

}  // namespace qarvo
