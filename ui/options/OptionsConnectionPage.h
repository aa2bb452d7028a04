#pragma once

#include "ui/options/OptionsPage.h"

class QComboBox;
class QLineEdit;

// "傳遞": where downloads go, how often and how long apart a job is tried, the data and transfer modes,
// and the queue's habits. The transfer type also lives in the application object, which OK updates.
class COptionsConnectionPage : public COptionsPage
{
    Q_OBJECT

public:
    explicit COptionsConnectionPage(QWidget* parent = nullptr);

    void SaveOptions() override;

private:
    void BrowseLocalPath();

    QLineEdit* m_localPath;
    QComboBox* m_transferType;
};
