#include "ui/WebNoticeViewController.h"

#include "platform/MainThread.h"
#include "platform/TextCodec.h"
#include "platform/UrlSession.h"
#include "ui/Logging.h"
#include "platform/widgets/Presenters.h"

#include <QBuffer>
#include <QHBoxLayout>
#include <QImageReader>
#include <QLabel>
#include <QPixmap>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QVBoxLayout>

#include <QTextBlock>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>
#include <QThread>

#include <utility>

namespace {

// A page's images: the most fetched for one page, the most pixels one may
// decode to (a small body can announce a huge picture), the widest one is
// shown (the window is narrower), and the most pixels a page's images hold
// together (each is laid out and drawn again with every change of the page).
constexpr int kMaxImages = 32;
constexpr qint64 kMaxImagePixels = 4096 * 4096;
constexpr int kMaxImageWidth = 1024;
constexpr qint64 kMaxPagePixels = 4 * 1024 * 1024;

// Decodes an image of a page, scaled down to the widest shown; a null image
// for anything that is no picture of the web's raster formats (an SVG may
// name local files as its own images) or too large to decode.
QImage decodePageImage(const QByteArray& body)
{
    static const QByteArrayList webFormats { "png", "jpeg", "jpg", "gif", "bmp", "webp" };
    QBuffer buffer;
    buffer.setData(body);
    QImageReader reader(&buffer);
    if (!webFormats.contains(reader.format().toLower()))
        return {};
    const QSize size = reader.size();
    if (!size.isValid() || qint64(size.width()) * size.height() > kMaxImagePixels)
        return {};
    if (size.width() > kMaxImageWidth)
        reader.setScaledSize(size.scaled(kMaxImageWidth, size.height(), Qt::KeepAspectRatio));
    return reader.read();
}

// A page comes from the network: nothing it names is read from the disk or a
// device. Its images are renamed to blanks of its own, so that Qt never looks
// for them as files; http and https ones are then fetched through the URL
// session and shown as they come. Style sheets and the rest are left out.
class PageDocument : public QTextDocument {
public:
    using QTextDocument::QTextDocument;

    void setPage(const QString& html, const QUrl& address)
    {
        setMetaInformation(QTextDocument::DocumentUrl, address.toString());
        setHtml(html);
        QList<QTextCursor> images;
        for (QTextBlock block = begin(); block.isValid(); block = block.next()) {
            for (auto it = block.begin(); !it.atEnd(); ++it) {
                const QTextFragment fragment = it.fragment();
                if (!fragment.charFormat().isImageFormat())
                    continue;
                QTextCursor cursor(this);
                cursor.setPosition(fragment.position());
                cursor.setPosition(fragment.position() + fragment.length(), QTextCursor::KeepAnchor);
                images << cursor;
            }
        }
        QImage blank(1, 1, QImage::Format_ARGB32);
        blank.fill(Qt::transparent);
        for (QTextCursor& cursor : images) {
            QTextImageFormat image = cursor.charFormat().toImageFormat();
            const QUrl source = address.resolved(QUrl(image.name()));
            const QString name = QStringLiteral("page-image:%1").arg(m_images.size() + m_ignored);
            image.setName(name);
            cursor.setCharFormat(image);
            addResource(ImageResource, QUrl(name), blank);
            if (platform::isWebAddress(source) && m_images.size() < kMaxImages)
                m_images.append({ QUrl(name), source });
            else
                ++m_ignored;
        }
    }

    // On the main thread, once the page is shown. Pictures are decoded on a
    // worker and shown as they come, while the page's pixels last.
    void fetchImages()
    {
        for (const auto& [name, source] : std::as_const(m_images)) {
            platform::UrlSession::sharedSession()->get(
                source, platform::feedHeaders(), this,
                [this, name = name](const platform::UrlResponse& response) {
                    if (!response.ok())
                        return;
                    QPointer<PageDocument> guard(this);
                    platform::runInBackground([guard, name, body = response.body]() {
                        const QImage image = decodePageImage(body);
                        platform::runOnMain([guard, name, image]() {
                            if (guard && !image.isNull())
                                guard->showImage(name, image);
                        });
                    });
                },
                platform::bodylimit::kNoticePage);
        }
        m_images.clear();
    }

protected:
    QVariant loadResource(int, const QUrl&) override { return {}; }

private:
    void showImage(const QUrl& name, const QImage& image)
    {
        const qint64 pixels = qint64(image.width()) * image.height();
        if (m_shownPixels + pixels > kMaxPagePixels)
            return; // the page's share is spent: it stays a blank
        m_shownPixels += pixels;
        // A pixmap, so that no layout or paint converts it again.
        addResource(ImageResource, name, QPixmap::fromImage(image));
        markContentsDirty(0, characterCount());
    }

    QList<std::pair<QUrl, QUrl>> m_images;
    int m_ignored = 0;
    qint64 m_shownPixels = 0;
};

} // namespace

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
    m_view->setDocument(new PageDocument(m_view));
    // Links open only in the system's browser, never in the view.
    m_view->setOpenLinks(false);
    m_view->setOpenExternalLinks(false);
    connect(m_view, &QTextBrowser::anchorClicked, this, &WebNoticeViewController::openLink);
    layout->addWidget(m_view, 1);
    auto* bar = new QHBoxLayout;
    // It shows the page's address, which the feed chose.
    m_status->setTextFormat(Qt::PlainText);
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
    if (!platform::isWebAddress(m_url)) {
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
                    auto* document = new PageDocument;
                    document->setPage(decodePage(body), QUrl(address));
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
    if (auto* page = dynamic_cast<PageDocument*>(document))
        page->fetchImages();
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
    platform::openInBrowser(m_url);
}

void WebNoticeViewController::openLink(const QUrl& link)
{
    // A place on the page itself; any other link but a web address does nothing.
    if (link.isRelative() && link.path().isEmpty() && link.hasFragment()) {
        m_view->scrollToAnchor(link.fragment());
        return;
    }
    platform::openInBrowser(link);
}
