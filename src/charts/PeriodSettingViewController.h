#pragma once

#include "charts/PeriodDialog.h"

#include <QString>

class QLineEdit;
class QPushButton;

// The period dialog of one chart indicator: the field shows the stored
// period, OK stores the field's whole-number value, Default puts the
// indicator's default in and does what OK does, Cancel stores nothing.
class PeriodSettingViewController : public PeriodDialog {
    Q_OBJECT
public:
    ~PeriodSettingViewController() override;

    QLineEdit* iTextField = nullptr;

    void viewDidLoad() override;

    void DoOKBtnPressed();
    void DoCanceBtnPressed();
    void DefaultButtonPressed();

    QString defaultsKey() const { return m_key; }
    QString defaultPeriod() const { return m_default; }

protected:
    PeriodSettingViewController(const QString& key, const QString& defaultPeriod, const QString& indicator,
        QWidget* parent = nullptr);

private:
    QString m_key;
    QString m_default;
};
