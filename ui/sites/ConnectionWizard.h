#pragma once

#include <QString>

class CSiteList;
class QWidget;

struct CWizardResult
{
    bool finished = false;
    // Folder path, "\" and the site's name; a site below the root has its bare name.
    QString sitePath;
    bool connectNow = false;
};

// Runs the connection wizard and, when it is finished, stores the new site in the list.
CWizardResult RunConnectionWizard(QWidget* parent, CSiteList& sites);
