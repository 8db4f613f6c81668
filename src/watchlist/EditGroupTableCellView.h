#pragma once

#include "backend/MHTTPObserver.h"
#include "watchlist/GroupDialogLayout.h"
#include "watchlist/RecordCellView.h"

#include <QVariantMap>

#include <optional>

class QPushButton;
class QuilorSDK;

// One group in the group manager: its name, rename and delete buttons that
// report to the manager, and three buttons that move the group themselves.
class EditGroupTableCellView : public RecordCellView, public MHTTPObserver {
    Q_OBJECT
public:
    explicit EditGroupTableCellView(QWidget* parent = nullptr);

    static const QString kIdentifier; // "EditGroupTableCellView"

    watchlist::ElidedLabel* textField = nullptr;
    QPushButton* renameButton = nullptr;
    QPushButton* deleteButton = nullptr;
    QPushButton* moveToFirstButton = nullptr;
    QPushButton* moveToPreButton = nullptr;
    QPushButton* moveToNextButton = nullptr;

    void UpdateCell(const QVariantMap& dict);
    void renamePressed();
    void deletePressed();
    void moveToFirstPressed();
    void moveToPrePressed();
    void moveToNextPressed();

    bool HttpResult(const QVariant& result, int api, bool isCache) override;

private:
    // To the top (no step) or one place up or down.
    void sendMove(std::optional<int> step);
};
