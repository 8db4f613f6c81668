#pragma once

#include "platform/widgets/ViewController.h"

#include <QPointer>
#include <QUrl>

#include <functional>

class QLabel;
class QPushButton;
class QTextBrowser;
class QTextDocument;
namespace platform {
class UrlTask;
}

// A window showing one web page (a notice, a membership text): the page is
// fetched and shown as rich text, and opens in the system browser in full.
class WebNoticeViewController : public platform::ViewController {
    Q_OBJECT
public:
    explicit WebNoticeViewController(QWidget* parent = nullptr);

    // Sets the window title and loads the page. The caller presents the
    // window first and calls this afterwards.
    void DOInit(const QString& url, const QString& title);

    QTextBrowser* iWebView() const { return m_view; }
    QUrl url() const { return m_url; }
    // "loading", "loaded" or "failed".
    QString loadState() const { return m_state; }
    // The page's text as shown, handed over on the main thread.
    void pageText(std::function<void(const QString&)> done) const;

    // The page's text from its bytes: UTF-8 unless the page declares a GB
    // character set near its start.
    static QString decodePage(const QByteArray& body);

Q_SIGNALS:
    void pageLoaded(bool ok);

private:
    void finishLoad(bool ok);
    // Shows a page laid out on a worker; the view takes the document.
    void showDocument(QTextDocument* document);
    void openInBrowser();
    void openLink(const QUrl& link);

    QTextBrowser* m_view;
    QPointer<platform::UrlTask> m_task;
    QLabel* m_status;
    QPushButton* m_openButton;
    QUrl m_url;
    QString m_state;
    // Numbers the loads, so that only the latest page is shown.
    quint64 m_load = 0;
};
