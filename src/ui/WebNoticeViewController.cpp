#include "ui/WebNoticeViewController.h"

#include "platform/MainThread.h"
#include "platform/TextCodec.h"
#include "platform/UrlSession.h"
#include "ui/Logging.h"

#include <QDesktopServices>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QVBoxLayout>

#include <QTextBrowser>
#include <QTextDocument>
#include <QThread>

WebNoticeViewController::WebNoticeViewController(QWidget* parent)
    : platform::ViewController(parent)
    , m_view(new QTextBrowser(this))
    , m_status(new QLabel(this))
    , m_openButton(new QPushButton(QStringLiteral("在浏览器中打开"), this))
{
    setObjectName(QStringLiteral("WebNoticeViewController"));
    resize(900, 640);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    m_view->setObjectName(QStringLiteral("iWebView"));
    m_view->setOpenExternalLinks(true);
    layout->addWidget(m_view, 1);
    auto* bar = new QHBoxLayout;
    bar->addWidget(m_status, 1);
    bar->addWidget(m_openButton);
    layout->addLayout(bar);
    m_openButton->setEnabled(false);
    connect(m_openButton, &QPushButton::clicked, this, &WebNoticeViewController::openInBrowser);
}

QString WebNoticeViewController::decodePage(const QByteArray& body)
{
    static const QRegularExpression charset(QStringLiteral("charset\\s*=\\s*[\"']?\\s*(gb2312|gbk|gb18030)"),
        QRegularExpression::CaseInsensitiveOption);
    const QString head = QString::fromLatin1(body.left(2048));
    if (charset.match(head).hasMatch()) {
        if (const auto text = platform::decodeGB18030(body))
            return *text;
    }
    return QString::fromUtf8(body);
}

void WebNoticeViewController::DOInit(const QString& url, const QString& title)
{
    // Whatever an earlier call still has under way is no longer shown.
    const quint64 load = ++m_load;
    setTitle(title);
    m_url = QUrl(url);
    // The address comes from a feed: only web pages are fetched, never local files.
    const QString scheme = m_url.scheme().toLower();
    if (!m_url.isValid() || (scheme != QLatin1String("http") && scheme != QLatin1String("https"))) {
        m_openButton->setEnabled(false);
        m_status->setText(QStringLiteral("网页地址无效"));
        m_state = QStringLiteral("failed");
        Q_EMIT pageLoaded(false);
        return;
    }
    m_openButton->setEnabled(true);
    m_state = QStringLiteral("loading");
    m_status->setText(QStringLiteral("正在加载…"));
    if (m_task)
        m_task->cancel();
    m_task = platform::UrlSession::sharedSession()->get(
        m_url, platform::feedHeaders(), this,
        [this, load](const platform::UrlResponse& response) {
            if (!response.ok()) {
                qCWarning(lcUi, "notice page %s failed: HTTP %d %s", qUtf8Printable(m_url.toString()),
                    response.status, qUtf8Printable(response.error));
                finishLoad(false);
                return;
            }
            // A page can be large: it is decoded and laid into a document on
            // a worker, and only shown here.
            QPointer<WebNoticeViewController> guard(this);
            QThread* mainThread = thread();
            platform::runInBackground(
                [guard, mainThread, load, address = m_url.toString(), body = response.body]() {
                    auto* document = new QTextDocument;
                    document->setMetaInformation(QTextDocument::DocumentUrl, address);
                    document->setHtml(decodePage(body));
                    document->moveToThread(mainThread);
                    platform::runOnMain([guard, document, load]() {
                        if (guard && guard->m_load == load)
                            guard->showDocument(document);
                        else
                            delete document;
                    });
                });
        },
        platform::bodylimit::kNoticePage);
}

void WebNoticeViewController::showDocument(QTextDocument* document)
{
    // Owned by the view, which drops the page it showed before.
    document->setParent(m_view);
    m_view->setDocument(document);
    finishLoad(true);
}

void WebNoticeViewController::finishLoad(bool ok)
{
    m_state = ok ? QStringLiteral("loaded") : QStringLiteral("failed");
    m_status->setText(ok ? m_url.toString() : QStringLiteral("网页加载失败，请在浏览器中打开"));
    Q_EMIT pageLoaded(ok);
}

void WebNoticeViewController::pageText(std::function<void(const QString&)> done) const
{
    done(m_view->toPlainText());
}

void WebNoticeViewController::openInBrowser()
{
    if (m_url.isValid())
        QDesktopServices::openUrl(m_url);
}
