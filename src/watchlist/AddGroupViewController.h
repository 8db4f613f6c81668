#pragma once

#include "backend/MHTTPObserver.h"
#include "market/MyStockGroup.h"
#include "platform/widgets/ViewController.h"
#include "watchlist/ZXGView.h"

#include <QPointer>

#include <functional>

class QLineEdit;
class QPushButton;

// The small dialog that adds one group from the list's group menu.
class AddGroupViewController : public platform::ViewController,
                               public watchlist::GroupDialog,
                               public MHTTPObserver {
    Q_OBJECT
public:
    explicit AddGroupViewController(QWidget* parent = nullptr);

    QLineEdit* nameTextField = nullptr;
    QPushButton* okButton = nullptr;
    QPushButton* cancelButton = nullptr;
    QPointer<MyStockGroup> iMyStockGroup;
    std::function<void()> addOK;
    std::function<void()> addCancel;

    void setIMyStockGroup(MyStockGroup* group) override;
    void setAddOK(std::function<void()> block) { addOK = std::move(block); }
    void setAddCancel(std::function<void()> block) { addCancel = std::move(block); }
    void setOKBlock(std::function<void()> block) override { setAddOK(std::move(block)); }
    void setCancelBlock(std::function<void()> block) override { setAddCancel(std::move(block)); }

    void viewDidLoad() override;
    void viewDidDisappear() override;
    void OKBtnPressed();
    void AddGroup(const QString& name);

    bool HttpResult(const QVariant& result, int api, bool isCache) override;
    bool HttpEvent(int code, const QString& description, int api) override;

private:
    // The user whose groups the dialog was opened on.
    QString m_userId;
};
