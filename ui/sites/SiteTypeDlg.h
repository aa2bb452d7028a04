#pragma once

#include "sites/FtpSite.h"

#include <QWidget>

class QCheckBox;
class QComboBox;
class QLabel;
class QSpinBox;

// "類型": protocol, port, the clear-channel choices of explicit TLS, data mode and transfer type. Showing
// the page changes no value; choosing another protocol resets the port to that protocol's own.
class CSiteTypeDlg : public QWidget
{
    Q_OBJECT

public:
    explicit CSiteTypeDlg(QWidget* parent = nullptr);

    void Load(const CFtpSite& site);
    // A page that was never shown gives back the loaded values unchanged.
    void Store(CFtpSite& site) const;

    QComboBox* ProtocolList() const { return m_protocol; }
    QSpinBox* PortBox() const { return m_port; }
    QLabel* Description() const { return m_description; }
    QCheckBox* ClearDataBox() const { return m_clearData; }
    QCheckBox* ClearCommandBox() const { return m_clearCommand; }
    QLabel* ClearChannelNote() const { return m_note; }
    QComboBox* DataModeList() const { return m_dataMode; }
    QLabel* DataModeLabel() const { return m_dataModeLabel; }
    QComboBox* TransferTypeList() const { return m_transferType; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void ApplyProtocol(int protocol);
    void ShowProtocolControls(int protocol);

    QComboBox* m_protocol;
    QSpinBox* m_port;
    QLabel* m_description;
    QCheckBox* m_clearData;
    QCheckBox* m_clearCommand;
    QLabel* m_note;
    QLabel* m_dataModeLabel;
    QComboBox* m_dataMode;
    QComboBox* m_transferType;
    CFtpSite m_loaded;
    bool m_shown = false;
};
