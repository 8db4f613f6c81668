#pragma once

#include "community/MMPieChartView.h"
#include "platform/Callback.h"
#include "screens/CompanyDataFormat.h"

#include <QColor>
#include <QList>
#include <QPointer>
#include <QStringList>
#include <QUrl>
#include <QVariantMap>
#include <QWidget>

#include <optional>

class ColumnView;
class ListBaseView;
class NoticelistView;
class QScrollArea;
class SegmentedControl;
namespace platform {
class UrlSession;
class UrlTask;
} // namespace platform

// The page of the company-data window: five tabs over one content area into
// which the selected tab's blocks are stacked from the top. The content area
// scrolls when the blocks are taller than the room under the tabs.
class CompanyBaseInfoView : public QWidget, public MMPieChartViewDataSource, public MMPieChartViewDelegate {
    Q_OBJECT
public:
    enum Segment { Summary = 0, Holders = 1, Cash = 2, Indicators = 3, Notices = 4 };

    explicit CompanyBaseInfoView(QWidget* parent = nullptr);
    ~CompanyBaseInfoView() override;

    SegmentedControl* iSegmentedCtr = nullptr;
    QWidget* cellView = nullptr;
    NoticelistView* iNoticelistView = nullptr;
    float lastHightcellView = 0;
    platform::CellEventCallBack callBack;

    std::optional<QVariantMap> summaryDict;
    std::optional<QVariantMap> holdersDict;
    std::optional<QVariantMap> indicatorsDict;
    std::optional<QVariantMap> noticelistDict;

    // The latest fetch; a new fetch retires both.
    QPointer<platform::UrlSession> session;
    QPointer<platform::UrlTask> loadDataTask;

    QPointer<ListBaseView> iJianJieListBaseView;
    QPointer<ListBaseView> iJianJieShouRuChanPinView;
    QPointer<ListBaseView> iJianJieShouDiYuPinView;
    QPointer<ListBaseView> iHoldersView;
    QPointer<ListBaseView> iHoldersJiJInView;
    QPointer<ListBaseView> iHoldersTop10View;
    QPointer<MMPieChartView> iCashPieView;
    QPointer<ListBaseView> iCash1View;
    QPointer<ListBaseView> iCash2View;
    QPointer<ColumnView> iJING_LI_RUNColumnView;
    QPointer<ListBaseView> iIndicatorsView;

    QStringList keysArray;
    QList<double> valuesArray;
    QList<QColor> colorsArray;

    // The rectangle is not used: the page keeps its own layout.
    void UpdateWithFrame(const QRect& frame, QObject* father, platform::CellEventCallBack changeCallBack);
    void SegmentedValueChanged();

    void GetSummaryData();
    void GetHoldersData();
    void GetIndicatorsData();
    void GetNoticelistData();

    void UpdateSummaryUI();
    void UpdateHoldersUI();
    void UpdateCashUI();
    void UpdateIndicatorsUI();
    void UpdateNoticelistUI();

    void removeAllView();
    // Re-lays out the selected tab on a later turn of the main loop.
    void DoSizeChanged(const QSize& size);
    void DoResize();

    void showHideLabels();
    void toogleVisualizationType();

    int numberOfPiecesForPieChartView(MMPieChartView* pieChartView) override;
    QVariant valueForValueAtIndex(MMPieChartView* pieChartView, int index) override;
    std::optional<QString> keyForValueAtIndex(MMPieChartView* pieChartView, int index) override;
    std::optional<QColor> colorForValueAtIndex(MMPieChartView* pieChartView, int index) override;

    // The blocks of the selected tab now in the content area, top to bottom.
    QList<QWidget*> visibleBlocks() const;

    static QColor backgroundColor() { return QColor(43, 43, 69); }

Q_SIGNALS:
    // A request left for this URL.
    void fetchStarted(const QUrl& url);
    // A tab's builder ran (whether or not it drew anything).
    void tabBuilt(int segment);
    // The reply to this URL was handled: shown, dropped or failed.
    void fetchFinished(const QUrl& url);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void fetch(companydata::FileKind kind);
    static int segmentOf(companydata::FileKind kind);
    static bool currentRecordHeld();
    // A parsed reply (nullopt: failed or not a JSON object) of the fetch
    // numbered `generation`, back on the main thread.
    void takeReply(companydata::FileKind kind, const std::optional<QVariantMap>& reply, quint64 generation);
    ListBaseView* makeGrid(const companydata::GridContent& content);
    // Adds a block at the running height and moves the running height on.
    void stack(QWidget* block, int gap);
    QList<QWidget*> blocksOf(int segment) const;
    // Makes the content area as tall as its blocks, and at least the room.
    void fitContent();

    QScrollArea* m_scroll = nullptr;
    quint64 m_fetchGeneration = 0;
    // Times the content area was cleared, to tell whether a builder did.
    int m_clears = 0;
};
