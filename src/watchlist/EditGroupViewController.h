#pragma once

#include "backend/MHTTPObserver.h"
#include "market/MyStockGroup.h"
#include "platform/widgets/ViewController.h"
#include "watchlist/ZXGView.h"

#include <QPointer>

#include <functional>

class QLineEdit;
class QPushButton;

// The small dialog that renames the list's current group.
class EditGroupViewController : public platform::ViewController,
                                public watchlist::GroupDialog,
                                public MHTTPObserver {
    Q_OBJECT
public:
    explicit EditGroupViewController(QWidget* parent = nullptr);

    QLineEdit* nameTextField = nullptr;
    QPushButton* okButton = nullptr;
    QPushButton* cancelButton = nullptr;
    QPointer<MyStockGroup> iMyStockGroup;
    std::function<void()> editOK;
    std::function<void()> editCancel;

    // Also takes the model's current group as the one to rename: the one the
    // list shows when it opens the dialog.
    void setIMyStockGroup(MyStockGroup* group) override;
    void setEditOK(std::function<void()> block) { editOK = std::move(block); }
    void setEditCancel(std::function<void()> block) { editCancel = std::move(block); }
    void setOKBlock(std::function<void()> block) override { setEditOK(std::move(block)); }
    void setCancelBlock(std::function<void()> block) override { setEditCancel(std::move(block)); }

    void viewDidLoad() override;
    void viewDidDisappear() override;
    void OKBtnPressed();

    bool HttpResult(const QVariant& result, int api, bool isCache) override;
    bool HttpEvent(int code, const QString& description, int api) override;

private:
    QString m_groupId;
    // The user whose group it is.
    QString m_userId;
    bool m_groupTaken = false;
};
