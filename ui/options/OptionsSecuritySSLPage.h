#pragma once

#include "ui/options/OptionsPage.h"

// "SSL": the client certificate and private key that FTPS connections present.
class COptionsSecuritySSLPage : public COptionsPage
{
    Q_OBJECT

public:
    explicit COptionsSecuritySSLPage(QWidget* parent = nullptr);
};
