#pragma once

#include "charts/PeriodDialog.h"

#include <QString>

class QLineEdit;
class QPushButton;

// The period dialog of one chart indicator: the field shows the stored
// period, OK stores the field's value when it is a whole number the chart
// can use (else says so and stores nothing), Default puts the indicator's
// default in and does what OK does, Cancel stores nothing.
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

    // The longest period the field takes.
    static constexpr long kLongestPeriod = 999;

protected:
    PeriodSettingViewController(const QString& key, const QString& defaultPeriod, const QString& indicator,
        long shortestPeriod, QWidget* parent = nullptr);

private:
    QString m_key;
    QString m_default;
    QString m_indicator;
    long m_shortest;
};
